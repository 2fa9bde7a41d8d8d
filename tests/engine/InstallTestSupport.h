#pragma once

#include "config/RegistryKey.h"
#include "engine/ComponentChecks.h"
#include "engine/EngineTestSupport.h"
#include "platform/ErrorText.h"
#include "platform/SystemCalls.h"
#include "support/InstallHarness.h"

#include <windows.h>
#include <winspool.h>

#include <string>

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
