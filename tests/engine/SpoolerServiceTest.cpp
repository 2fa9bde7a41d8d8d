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

// The real stop and start cycle, and the two requests that find the service already
// where they want it.
TEST(SpoolerServiceTest, StopAndStartCycleLeavesNoText) {
    std::string errorText;
    StartSpooler(errorText);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), WaitSpoolerRunning(errorText));
    StartSpooler(errorText);  // already running
    EXPECT_EQ("", errorText);

    StopSpooler();
    for (int wait = 0; wait < 50 && SpoolerState() != SERVICE_STOPPED; ++wait) Sleep(100);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), SpoolerState());
    StopSpooler();  // already stopped

    StartSpooler(errorText);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), WaitSpoolerRunning(errorText));
    EXPECT_EQ("", errorText);
}

TEST(SpoolerServiceTest, SpoolerThatNeverRunsIsPolledTenTimes) {
    ScopedSystemCall<decltype(SystemCallTable::QueryServiceStatus)> fake(&SystemCallTable::QueryServiceStatus,
                                                                         &NeverRunning::Query);
    std::string errorText;
    const DWORD started = GetTickCount();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_START_PENDING), WaitSpoolerRunning(errorText));
    const DWORD elapsed = GetTickCount() - started;
    EXPECT_EQ(10, NeverRunning::polls);
    EXPECT_EQ("StartSpoolService error", errorText);
    EXPECT_GE(elapsed, 2900u);
    EXPECT_LT(elapsed, 6000u);
}

}  // namespace
