#include "engine/SpoolerService.h"

#include "framework/UniqueResource.h"
#include "platform/Journal.h"
#include "platform/SystemCalls.h"

#include <cstdio>

namespace {

constexpr const char* kSpoolerService = "Spooler";
constexpr int kStatusPolls = 10;
constexpr DWORD kPollInterval = 300;

UniqueServiceHandle OpenManager() {
    return UniqueServiceHandle(SystemCalls().OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

UniqueServiceHandle OpenSpooler(const UniqueServiceHandle& manager, DWORD access) {
    return UniqueServiceHandle(SystemCalls().OpenServiceA(manager.get(), kSpoolerService, access));
}

}  // namespace

void StopSpooler() {
    UniqueServiceHandle manager = OpenManager();
    if (!manager) return;
    if (UniqueServiceHandle service = OpenSpooler(manager, SERVICE_STOP)) {
        // A spooler that is not running answers 1062; stopped is what we want either way.
        SERVICE_STATUS status = {};
        const BOOL stopped = SystemCalls().ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
        JournalResult("Stop the Spooler service", stopped != FALSE, stopped ? 0 : GetLastError());
    }
    Sleep(100);
}

void StartSpooler(std::string& errorText) {
    UniqueServiceHandle manager = OpenManager();
    if (!manager) return;
    UniqueServiceHandle service = OpenSpooler(manager, SERVICE_START);
    if (!service) return;
    if (SystemCalls().StartServiceA(service.get(), 0, nullptr)) {
        JournalResult("Start the Spooler service", true);
        return;
    }
    const DWORD code = GetLastError();
    JournalResult("Start the Spooler service", false, code);
    if (code == ERROR_SERVICE_ALREADY_RUNNING) return;
    char text[64];
    std::snprintf(text, sizeof text, "Start spool service error, error code = %lu", code);
    errorText = text;
}

DWORD WaitSpoolerRunning(std::string& errorText) {
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
    if (state != SERVICE_RUNNING) {
        JournalLine("The Spooler service is not running (state " + std::to_string(state) + ")");
        errorText = "StartSpoolService error";
    }
    return state;
}
