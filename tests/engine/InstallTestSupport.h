#pragma once

#include "config/RegistryKey.h"
#include "engine/ComponentChecks.h"
#include "engine/EngineTestSupport.h"
#include "platform/ErrorText.h"
#include "platform/SystemCalls.h"
#include "support/InstallHarness.h"
#include "support/Overrides.h"

#include <windows.h>
#include <winspool.h>

#include <string>
#include <utility>
#include <vector>

// What an installation left in the spooler and the registry, read past the product.
inline DWORD ReadDwordValue(const std::string& keyPath, const char* name) {
    CRegistryKey key;
    DWORD value = 0xDEADBEEF;
    if (!key.Open(HKEY_LOCAL_MACHINE, keyPath.c_str()) || !key.QueryDword(name, &value)) return 0xDEADBEEF;
    return value;
}

inline std::string ReadStringValue(const std::string& keyPath, const char* name) {
    CRegistryKey key;
    char value[260] = {};
    if (!key.Open(HKEY_LOCAL_MACHINE, keyPath.c_str())) return "<no key>";
    if (!key.QueryString(name, value, sizeof value)) return "<no value>";
    return value;
}

inline bool KeyExists(const std::string& keyPath) {
    CRegistryKey key;
    return key.Open(HKEY_LOCAL_MACHINE, keyPath.c_str());
}

struct InstalledPrinter {
    bool found = false;
    std::string port, driver, processor;
    DWORD attributes = 0;
};

inline InstalledPrinter ReadPrinter(const char* name) {
    InstalledPrinter result;
    HANDLE printer = nullptr;
    if (!OpenPrinterA(const_cast<char*>(name), &printer, nullptr)) return result;
    DWORD needed = 0;
    GetPrinterA(printer, 2, nullptr, 0, &needed);
    std::string buffer(needed, '\0');
    if (GetPrinterA(printer, 2, reinterpret_cast<BYTE*>(buffer.data()), needed, &needed)) {
        const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
        result.found = true;
        result.port = info->pPortName ? info->pPortName : "";
        result.driver = info->pDriverName ? info->pDriverName : "";
        result.processor = info->pPrintProcessor ? info->pPrintProcessor : "";
        result.attributes = info->Attributes;
    }
    ClosePrinter(printer);
    return result;
}

struct InstalledDriver {
    bool found = false;
    std::string driverPath, monitor;
};

inline InstalledDriver ReadDriver(const char* name) {
    InstalledDriver result;
    DWORD needed = 0, count = 0;
    EnumPrinterDriversA(nullptr, nullptr, 3, nullptr, 0, &needed, &count);
    std::string buffer(needed, '\0');
    if (!EnumPrinterDriversA(nullptr, nullptr, 3, reinterpret_cast<BYTE*>(buffer.data()), needed, &needed, &count)) {
        return result;
    }
    const auto* drivers = reinterpret_cast<const DRIVER_INFO_3A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        if (std::string(drivers[i].pName) != name) continue;
        result.found = true;
        result.driverPath = drivers[i].pDriverPath ? drivers[i].pDriverPath : "";
        result.monitor = drivers[i].pMonitorName ? drivers[i].pMonitorName : "";
    }
    return result;
}

inline std::string FolderOf(UINT(WINAPI* query)(LPSTR, UINT)) {
    char buffer[MAX_PATH] = {};
    query(buffer, sizeof buffer);
    return std::string(buffer) + "\\";
}

inline std::string PrinterDriverFolder() {
    char buffer[MAX_PATH] = {};
    DWORD needed = 0;
    GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(buffer), sizeof buffer, &needed);
    return std::string(buffer) + "\\";
}

// Counts the spooler service requests an installation makes, and when it made them.
struct ServiceRequests {
    static inline int stops = 0;
    static inline int starts = 0;
    static inline DWORD lastStart = 0;
    // The start itself waits until the service runs; the installation's own poll follows.
    static inline DWORD startSettled = 0;
    static inline DWORD firstQueryAfterStart = 0;

    static void Reset() { stops = starts = 0, lastStart = startSettled = firstQueryAfterStart = 0; }
    static BOOL WINAPI Control(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
        if (control == SERVICE_CONTROL_STOP) ++stops;
        return DefaultSystemCalls().ControlService(service, control, status);
    }
    static BOOL WINAPI Start(SC_HANDLE service, DWORD count, LPCSTR* arguments) {
        ++starts;
        lastStart = GetTickCount();
        startSettled = firstQueryAfterStart = 0;
        return DefaultSystemCalls().StartServiceA(service, count, arguments);
    }
    static BOOL WINAPI Query(SC_HANDLE service, LPSERVICE_STATUS status) {
        const BOOL answered = DefaultSystemCalls().QueryServiceStatus(service, status);
        if (lastStart != 0 && answered) {
            if (startSettled == 0) {
                if (status->dwCurrentState == SERVICE_RUNNING) startSettled = GetTickCount();
            } else if (firstQueryAfterStart == 0) {
                firstQueryAfterStart = GetTickCount();
            }
        }
        return answered;
    }
};

// The spooler of 64-bit Windows as a 32-bit program meets it: each add call is recorded
// with the environment it names, `refusedCall` is refused once with `refusal`, and a call
// for "Windows x64" is accepted, as Windows accepts it (Wine's spooler, running in this
// 32-bit process, refuses a printer on a 64-bit driver). Every other call reaches Wine's
// spooler, an object before its refusal too, so that the printer added afterwards finds
// what it names there.
struct X64Spooler {
    static inline std::string refusedCall;
    static inline DWORD refusal = 0;
    static inline std::vector<std::string> calls;

    static bool Answered(const char* call, const char* environment) {
        calls.push_back(std::string(call) + (environment != nullptr ? std::string(" ") + environment : ""));
        return environment != nullptr && std::string(environment) == "Windows x64";
    }
    template <typename Result>
    static Result Refused(const char* call, Result result) {
        if (refusedCall != call) return result;
        refusedCall.clear();
        SetLastError(refusal);
        return Result{};
    }
    static HANDLE WINAPI AddPrinter(LPSTR, DWORD level, LPBYTE info) {
        Answered("AddPrinterA", nullptr);
        if (refusedCall == "AddPrinterA") return Refused("AddPrinterA", HANDLE{});
        HANDLE added = DefaultSystemCalls().AddPrinterA(nullptr, level, info);
        // Wine's refusal of a record without a data type, retried with "RAW", is Wine's alone.
        if (added == nullptr && GetLastError() == ERROR_INVALID_PARAMETER &&
            reinterpret_cast<PRINTER_INFO_2A*>(info)->pDatatype == nullptr) {
            calls.pop_back();
            SetLastError(ERROR_INVALID_PARAMETER);
        }
        return added;
    }
    static BOOL WINAPI AddDriver(LPSTR, DWORD level, LPBYTE info) {
        if (Answered("AddPrinterDriverA", reinterpret_cast<DRIVER_INFO_3A*>(info)->pEnvironment)) return TRUE;
        return Refused("AddPrinterDriverA", DefaultSystemCalls().AddPrinterDriverA(nullptr, level, info));
    }
    static BOOL WINAPI AddMonitor(LPSTR, DWORD level, LPBYTE info) {
        if (Answered("AddMonitorA", reinterpret_cast<MONITOR_INFO_2A*>(info)->pEnvironment)) return TRUE;
        return Refused("AddMonitorA", DefaultSystemCalls().AddMonitorA(nullptr, level, info));
    }
    static BOOL WINAPI AddProcessor(LPSTR, LPSTR environment, LPSTR path, LPSTR name) {
        if (Answered("AddPrintProcessorA", environment)) return TRUE;
        return Refused("AddPrintProcessorA", DefaultSystemCalls().AddPrintProcessorA(nullptr, environment, path, name));
    }

    ScopedSystemCall<decltype(SystemCallTable::AddPrinterA)> printers{&SystemCallTable::AddPrinterA, &AddPrinter};
    ScopedSystemCall<decltype(SystemCallTable::AddPrinterDriverA)> drivers{&SystemCallTable::AddPrinterDriverA,
                                                                           &AddDriver};
    ScopedSystemCall<decltype(SystemCallTable::AddMonitorA)> monitors{&SystemCallTable::AddMonitorA, &AddMonitor};
    ScopedSystemCall<decltype(SystemCallTable::AddPrintProcessorA)> processors{&SystemCallTable::AddPrintProcessorA,
                                                                               &AddProcessor};

    X64Spooler(std::string call, DWORD code) {
        refusedCall = std::move(call);
        refusal = code;
        calls.clear();
    }
};

// "driver Windows x64" and the like, one per registration the installation noted.
inline std::vector<std::string> RegistrationsOf(const InstallRequest& request) {
    static const char* const kinds[] = {"none", "monitor", "processor", "driver", "printer"};
    std::vector<std::string> noted;
    for (const SpoolerRegistration& r : request.registrations) {
        noted.push_back(std::string(kinds[static_cast<int>(r.object)]) + " " + r.environment);
    }
    return noted;
}

// The spooler lists a print processor of that name for the caller's environment.
inline bool ProcessorListed(const char* name) {
    DWORD needed = 0, count = 0;
    EnumPrintProcessorsA(nullptr, nullptr, 1, nullptr, 0, &needed, &count);
    std::string buffer(needed, '\0');
    if (!EnumPrintProcessorsA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(buffer.data()), needed, &needed, &count)) {
        return false;
    }
    const auto* processors = reinterpret_cast<const PRINTPROCESSOR_INFO_1A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        if (std::string(processors[i].pName) == name) return true;
    }
    return false;
}
