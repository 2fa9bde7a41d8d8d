#include "engine/SpoolerService.h"

#include "engine/EngineTestSupport.h"

#include "support/Overrides.h"

#include <gtest/gtest.h>

#include <string>

namespace {


struct NeverRunning {
    static inline int polls = 0;
    static BOOL WINAPI Query(SC_HANDLE, LPSERVICE_STATUS status) {
        ++polls;
        *status = {};
        status->dwCurrentState = SERVICE_START_PENDING;
        return TRUE;
    }
};

// A service that answers its transitions late: `pending` queries see `transient`,
// later ones `settled`.
struct SlowService {
    static inline int queries = 0;
    static inline int pending = 0;
    static inline DWORD transient = 0, settled = 0, startError = 0;
    static void Expect(DWORD during, DWORD after, int count) {
        queries = 0, pending = count, transient = during, settled = after;
    }
    static BOOL WINAPI Control(SC_HANDLE, DWORD, LPSERVICE_STATUS status) {
        *status = {};
        status->dwCurrentState = SERVICE_STOP_PENDING;
        return TRUE;
    }
    static BOOL WINAPI Start(SC_HANDLE, DWORD, LPCSTR*) {
        if (startError == 0) return TRUE;
        SetLastError(startError);
        return FALSE;
    }
    static BOOL WINAPI Query(SC_HANDLE, LPSERVICE_STATUS status) {
        ++queries;
        *status = {};
        status->dwCurrentState = queries <= pending ? transient : settled;
        return TRUE;
    }
};

// Printers and jobs make a spooler slow to stop: the files are replaced, and the start
// sent, only once it has, and the start is over once the service runs.
TEST(SpoolerServiceTest, StopThatCompletesLateIsWaitedFor) {
    ScopedSystemCall<decltype(SystemCallTable::ControlService)> control(&SystemCallTable::ControlService,
                                                                        &SlowService::Control);
    ScopedSystemCall<decltype(SystemCallTable::StartServiceA)> start(&SystemCallTable::StartServiceA,
                                                                     &SlowService::Start);
    ScopedSystemCall<decltype(SystemCallTable::QueryServiceStatus)> query(&SystemCallTable::QueryServiceStatus,
                                                                          &SlowService::Query);
    SlowService::Expect(SERVICE_STOP_PENDING, SERVICE_STOPPED, 8);
    StopSpooler();
    EXPECT_EQ(9, SlowService::queries) << "returned before the service stopped";

    SlowService::Expect(SERVICE_START_PENDING, SERVICE_RUNNING, 4);
    const OperationResult started = StartSpooler();
    EXPECT_EQ(5, SlowService::queries) << "returned before the service ran";
    EXPECT_TRUE(started.ok) << started.text;

    // A real failure keeps its text, and nothing is waited for.
    for (DWORD code : {static_cast<DWORD>(ERROR_SERVICE_REQUEST_TIMEOUT), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING)}) {
        SlowService::startError = code;
        SlowService::Expect(SERVICE_START_PENDING, SERVICE_RUNNING, 4);
        const OperationResult again = StartSpooler();
        EXPECT_EQ(0, SlowService::queries);
        EXPECT_EQ(code == ERROR_SERVICE_ALREADY_RUNNING ? "" : "Start spool service error, error code = 1053", again.text);
        EXPECT_EQ(code == ERROR_SERVICE_ALREADY_RUNNING, again.ok);
    }
    SlowService::startError = 0;
}

// The real stop and start cycle, and the two requests that find the service already
// where they want it.
TEST(SpoolerServiceTest, StopAndStartCycleLeavesNoText) {
    StartSpooler();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), WaitSpoolerRunning().value);
    const OperationResult alreadyRunning = StartSpooler();
    EXPECT_TRUE(alreadyRunning.ok) << alreadyRunning.text;

    StopSpooler();
    for (int wait = 0; wait < 50 && SpoolerState() != SERVICE_STOPPED; ++wait) Sleep(100);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), SpoolerState());
    StopSpooler();  // already stopped

    const OperationResult restarted = StartSpooler();
    const ResultWith<DWORD> running = WaitSpoolerRunning();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), running.value);
    EXPECT_EQ("", restarted.text + running.text);
}

TEST(SpoolerServiceTest, SpoolerThatNeverRunsIsPolledTenTimes) {
    ScopedSystemCall<decltype(SystemCallTable::QueryServiceStatus)> fake(&SystemCallTable::QueryServiceStatus,
                                                                         &NeverRunning::Query);
    const DWORD started = GetTickCount();
    const ResultWith<DWORD> running = WaitSpoolerRunning();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_START_PENDING), running.value);
    const DWORD elapsed = GetTickCount() - started;
    EXPECT_EQ(10, NeverRunning::polls);
    EXPECT_EQ("StartSpoolService error", running.text);
    EXPECT_GE(elapsed, 2900u);
    EXPECT_LT(elapsed, 6000u);
}

}  // namespace
