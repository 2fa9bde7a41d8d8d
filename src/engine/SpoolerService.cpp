#include "engine/SpoolerService.h"

#include "framework/UniqueResource.h"
#include "platform/Journal.h"
#include "platform/SystemCalls.h"


namespace {

constexpr const char* kSpoolerService = "Spooler";
constexpr int kStatusPolls = 10;
constexpr DWORD kPollInterval = 300;
// A spooler with printers or jobs can take seconds to stop or start; a start sent
// while the stop is still pending fails (1061) or is taken for "already running".
constexpr DWORD kTransitionPoll = 100;
constexpr DWORD kTransitionLimit = 30000;

// Opening fails silently for the caller, but never for whoever reads the journal.
UniqueServiceHandle OpenManager() {
    UniqueServiceHandle manager(SystemCalls().OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        const DWORD code = GetLastError();
        JournalResult("Open the service control manager", false, code);
        SetLastError(code);
    }
    return manager;
}

UniqueServiceHandle OpenSpooler(const UniqueServiceHandle& manager, DWORD access) {
    UniqueServiceHandle service(SystemCalls().OpenServiceA(manager.get(), kSpoolerService, access));
    if (!service) {
        const DWORD code = GetLastError();
        JournalResult("Open the Spooler service", false, code);
        SetLastError(code);
    }
    return service;
}

// Waits, bounded, until the service reaches `wanted`; a status it cannot read ends the wait.
bool WaitForState(const UniqueServiceHandle& service, DWORD wanted) {
    for (DWORD waited = 0; waited <= kTransitionLimit; waited += kTransitionPoll) {
        SERVICE_STATUS status = {};
        if (!SystemCalls().QueryServiceStatus(service.get(), &status)) return false;
        if (status.dwCurrentState == wanted) return true;
        Sleep(kTransitionPoll);
    }
    return false;
}

}  // namespace

void StopSpooler() {
    UniqueServiceHandle manager = OpenManager();
    if (!manager) return;
    if (UniqueServiceHandle service = OpenSpooler(manager, SERVICE_STOP | SERVICE_QUERY_STATUS)) {
        // A spooler that is not running answers 1062; stopped is what we want either way.
        SERVICE_STATUS status = {};
        const BOOL stopped = SystemCalls().ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
        JournalResult("Stop the Spooler service", stopped != FALSE, stopped ? 0 : GetLastError());
        if (stopped && !WaitForState(service, SERVICE_STOPPED)) JournalLine("The Spooler service did not stop");
    }
    Sleep(100);
}

OperationResult StartSpooler() {
    UniqueServiceHandle manager = OpenManager();
    if (!manager) return OperationResult::Failed(GetLastError());
    UniqueServiceHandle service = OpenSpooler(manager, SERVICE_START | SERVICE_QUERY_STATUS);
    if (!service) return OperationResult::Failed(GetLastError());
    if (SystemCalls().StartServiceA(service.get(), 0, nullptr)) {
        JournalResult("Start the Spooler service", true);
        // One that never gets there is told by the wait for the running state.
        WaitForState(service, SERVICE_RUNNING);
        return OperationResult::Ok();
    }
    const DWORD code = GetLastError();
    JournalResult("Start the Spooler service", false, code);
    if (code == ERROR_SERVICE_ALREADY_RUNNING) return OperationResult::Ok();
    return OperationResult::Failed(code, "Start spool service error, error code = " + std::to_string(code));
}

ResultWith<DWORD> WaitSpoolerRunning() {
    DWORD state = SERVICE_STOPPED;
    if (UniqueServiceHandle manager = OpenManager()) {
        if (UniqueServiceHandle service = OpenSpooler(manager, SERVICE_QUERY_STATUS)) {
            for (int poll = 0; poll < kStatusPolls; ++poll) {
                SERVICE_STATUS status = {};
                if (SystemCalls().QueryServiceStatus(service.get(), &status)) state = status.dwCurrentState;
                if (state == SERVICE_RUNNING) break;
                Sleep(kPollInterval);
            }
        }
    }
    if (state == SERVICE_RUNNING) return WithValue(OperationResult::Ok(), state);
    JournalLine("The Spooler service is not running (state " + std::to_string(state) + ")");
    return WithValue(OperationResult::Failed(ERROR_SERVICE_NOT_ACTIVE, "StartSpoolService error"), state);
}
