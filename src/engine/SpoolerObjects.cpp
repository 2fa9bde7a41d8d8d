#include "engine/SpoolerObjects.h"

#include "config/ProcessSettings.h"
#include "platform/ErrorText.h"
#include "platform/Journal.h"
#include "platform/SystemCalls.h"

#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int kLastNumberedName = 98;

// The product passes a null environment on NT only (9x records name "Windows 4.0").
void Note(SpoolerRegistrations* registered, SpoolerObject object, const char* name, const char* environment) {
    if (registered == nullptr) return;
    const bool given = environment != nullptr && environment[0] != '\0';
    registered->push_back({object, name != nullptr ? name : "", given ? environment : "Windows NT x86"});
}

// The journal names an environment only where the call named one.
std::string ForEnvironment(const char* environment) {
    if (environment == nullptr || environment[0] == '\0') return "";
    return std::string(" for \"") + environment + "\"";
}

const char* ObjectNoun(SpoolerObject object) {
    switch (object) {
        case SpoolerObject::Monitor: return "port monitor";
        case SpoolerObject::PrintProcessor: return "print processor";
        case SpoolerObject::PrinterDriver: return "printer driver";
        case SpoolerObject::Printer: return "printer";
        case SpoolerObject::None: break;
    }
    return "object";
}

struct LocalFreeDeleter {
    void operator()(void* block) const { LocalFree(block); }
};
using LocalBlock = std::unique_ptr<BYTE, LocalFreeDeleter>;

LocalBlock AllocateZeroed(DWORD size) { return LocalBlock(static_cast<BYTE*>(LocalAlloc(LPTR, size))); }

void EmptyPrinterName(PRINTER_INFO_2A* printer) {
    if (printer->pPrinterName != nullptr) std::memset(printer->pPrinterName, 0, kPrinterNameStorage);
}

// Wine's spooler refuses a record without a data type as an invalid parameter, where
// Windows takes its default; one retry with the default it would have chosen.
HANDLE CallAddPrinter(DWORD level, PRINTER_INFO_2A* printer) {
    HANDLE handle = SystemCalls().AddPrinterA(nullptr, level, reinterpret_cast<BYTE*>(printer));
    if (handle != nullptr || GetLastError() != ERROR_INVALID_PARAMETER || printer->pDatatype != nullptr) {
        return handle;
    }
    char raw[] = "RAW";
    printer->pDatatype = raw;
    handle = SystemCalls().AddPrinterA(nullptr, level, reinterpret_cast<BYTE*>(printer));
    const DWORD error = GetLastError();
    printer->pDatatype = nullptr;
    SetLastError(error);
    return handle;
}

int Added(HANDLE handle, const PRINTER_INFO_2A* printer) {
    ClosePrinter(handle);
    JournalResult(std::string("Add printer \"") + (printer->pPrinterName ? printer->pPrinterName : "") + "\" on port " +
                      (printer->pPortName ? printer->pPortName : "") + " with driver " +
                      (printer->pDriverName ? printer->pDriverName : ""),
                  true);
    return 1;
}

void JournalPrinterRefused(const PRINTER_INFO_2A* printer, DWORD code) {
    JournalResult(std::string("Add printer \"") + (printer->pPrinterName ? printer->pPrinterName : "") + "\"", false,
                  code);
    SetLastError(code);
}

int FailAddPrinter(PRINTER_INFO_2A* printer, DWORD code, std::string& errorText) {
    SetErrorText(errorText, "IDS_ERR_ADDPRINTER", code);
    EmptyPrinterName(printer);
    return 0;
}

int FailTooMany(PRINTER_INFO_2A* printer, std::string& errorText) {
    errorText = MessageText("IDS_ERR_TOOMANY");
    EmptyPrinterName(printer);
    return 0;
}

// "base(n)" within the name storage: a long base gives way to the number, so that
// every attempt still names a different printer.
std::string NumberedName(const std::string& base, int n) {
    std::string suffix = "(";
    suffix += std::to_string(n);
    suffix += ")";
    const std::size_t room = kPrinterNameStorage - 1 - suffix.size();
    return base.substr(0, room) + suffix;
}

}  // namespace

SpoolerObject ObjectWantedForX64(SpoolerObject refused, DWORD code, bool is64BitWindows) {
    if (!is64BitWindows) return SpoolerObject::None;
    if (refused == SpoolerObject::Printer) {
        if (code == ERROR_UNKNOWN_PRINTER_DRIVER) return SpoolerObject::PrinterDriver;
        if (code == ERROR_UNKNOWN_PRINTPROCESSOR) return SpoolerObject::PrintProcessor;
        return SpoolerObject::None;
    }
    return code == ERROR_INVALID_ENVIRONMENT ? refused : SpoolerObject::None;
}

void JournalX64Fallback(SpoolerObject object, const std::string& name, DWORD code) {
    JournalLine(std::string("64-bit Windows wants the ") + ObjectNoun(object) + " \"" + name + "\" for \"" +
                kEnvironmentX64 + "\" (" + DescribeForJournal(code) +
                "): added again there; what was registered for this program's own environment stays, unused");
}

int AddPrinterObject(PRINTER_INFO_2A* printer, DWORD level, bool noRenumber, std::string& errorText,
                     const RegisterForX64& registerForX64) {
    if (printer == nullptr) return 0;
    level &= 0xFF;
    HANDLE handle = CallAddPrinter(level, printer);
    DWORD code = ERROR_SUCCESS;
    // The driver and the processor may each be missing from "Windows x64": one retry after each.
    bool retried[2] = {false, false};
    while (handle == nullptr) {
        code = GetLastError();
        JournalPrinterRefused(printer, code);
        const SpoolerObject wanted = ObjectWantedForX64(SpoolerObject::Printer, code, ProcessSettings::Is64BitWindows());
        bool& done = retried[wanted == SpoolerObject::PrintProcessor ? 1 : 0];
        if (!registerForX64 || wanted == SpoolerObject::None || done) break;
        done = true;
        if (!registerForX64(wanted, code)) {
            if (errorText.empty()) return FailAddPrinter(printer, code, errorText);
            EmptyPrinterName(printer);
            SetLastError(code);
            return 0;
        }
        handle = CallAddPrinter(level, printer);
    }
    if (handle != nullptr) return Added(handle, printer);

    if (code != ERROR_PRINTER_ALREADY_EXISTS || printer->pPrinterName == nullptr) {
        return FailAddPrinter(printer, code, errorText);
    }
    if (noRenumber) return FailTooMany(printer, errorText);

    const std::string base(printer->pPrinterName, strnlen(printer->pPrinterName, kPrinterNameStorage - 1));
    for (int n = 1; n <= kLastNumberedName; ++n) {
        const std::string name = NumberedName(base, n);
        std::memcpy(printer->pPrinterName, name.c_str(), name.size() + 1);
        if (HANDLE numbered = CallAddPrinter(level, printer)) return Added(numbered, printer);
        const DWORD attemptCode = GetLastError();
        JournalPrinterRefused(printer, attemptCode);
        if (attemptCode != ERROR_PRINTER_ALREADY_EXISTS) return FailAddPrinter(printer, attemptCode, errorText);
    }
    return FailTooMany(printer, errorText);
}

int AddPrinterDriverObject(DRIVER_INFO_3A* driver, std::string& errorText, SpoolerRegistrations* registered) {
    const char* name = driver && driver->pName ? driver->pName : "";
    const char* environment = driver ? driver->pEnvironment : nullptr;
    const std::string what = std::string("Add printer driver \"") + name + "\"" + ForEnvironment(environment);
    if (SystemCalls().AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(driver))) {
        JournalResult(what, true);
        Note(registered, SpoolerObject::PrinterDriver, name, environment);
        return 1;
    }
    const DWORD code = GetLastError();
    JournalResult(what, false, code);
    SetErrorText(errorText, "IDS_ERR_ADDPRNDRV3", code);
    SetLastError(code);
    return 0;
}

int AddMonitorObject(MONITOR_INFO_2A* monitor, std::string& errorText, SpoolerRegistrations* registered) {
    if (monitor == nullptr) return 0;
    const char* name = monitor->pName ? monitor->pName : "";
    const std::string what =
        std::string("Add port monitor \"") + name + "\" (" + (monitor->pDLLName ? monitor->pDLLName : "") + ")";
    std::string x64 = kEnvironmentX64;
    const char* environment = monitor->pEnvironment;
    BOOL added = SystemCalls().AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(monitor));
    DWORD code = added ? ERROR_SUCCESS : GetLastError();
    if (!added && ObjectWantedForX64(SpoolerObject::Monitor, code, ProcessSettings::Is64BitWindows()) ==
                      SpoolerObject::Monitor) {
        JournalResult(what + ForEnvironment(environment), false, code);
        JournalX64Fallback(SpoolerObject::Monitor, name, code);
        LPSTR own = monitor->pEnvironment;
        monitor->pEnvironment = x64.data();
        environment = kEnvironmentX64;
        added = SystemCalls().AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(monitor));
        code = added ? ERROR_SUCCESS : GetLastError();
        monitor->pEnvironment = own;
    }
    if (added) {
        JournalResult(what + ForEnvironment(environment), true);
        Note(registered, SpoolerObject::Monitor, name, environment);
        return 1;
    }
    if (code == ERROR_PRINT_MONITOR_ALREADY_INSTALLED || code == ERROR_ALREADY_EXISTS) {
        JournalLine(what + ForEnvironment(environment) + ": already installed");
        return 1;
    }
    JournalResult(what + ForEnvironment(environment), false, code);
    SetErrorText(errorText, "IDS_ERR_ADDMONITOR", code);
    return 0;
}

int AddPrintProcessorObject(const char* processorName, const char* fileName, int os, SpoolerRegistrations* registered,
                            const char* environment) {
    std::string name = processorName != nullptr ? processorName : "";
    std::string file = fileName != nullptr ? fileName : "";
    std::string named = environment != nullptr ? environment : (os == 0 ? "Windows 4.0" : "");
    const std::string what = "Add print processor \"" + name + "\" (" + file + ")" + ForEnvironment(named.c_str());
    if (SystemCalls().AddPrintProcessorA(nullptr, named.empty() ? nullptr : named.data(), file.data(), name.data())) {
        JournalResult(what, true);
        Note(registered, SpoolerObject::PrintProcessor, name.c_str(), named.c_str());
        return 1;
    }
    const DWORD code = GetLastError();
    JournalResult(what, false, code);
    SetLastError(code);
    if (code == ERROR_PRINT_PROCESSOR_ALREADY_INSTALLED || code == ERROR_ALREADY_EXISTS ||
        code == ERROR_INVALID_PARAMETER) {
        return static_cast<int>(code);
    }
    return 0;
}

int CheckPortEnumeration(std::string& errorText) {
    DWORD needed = 0;
    DWORD returned = 0;
    {
        LocalBlock probe = AllocateZeroed(100);
        if (!probe) {
            errorText = MessageText("IDS_ERR_ALLOCMEMORY");
            return 0;
        }
        SystemCalls().EnumPortsA(nullptr, 1, probe.get(), 0, &needed, &returned);
    }

    DWORD size = needed < 300 ? 1000 : needed;
    LocalBlock ports = AllocateZeroed(size);
    if (!ports) {
        errorText = MessageText("IDS_ERR_ALLOCMEMORY");
        return 0;
    }
    needed = 0;
    if (SystemCalls().EnumPortsA(nullptr, 1, ports.get(), size, &needed, &returned)) return 1;

    // A port added since the size was learnt: the repeat takes the size now reported.
    if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > size) {
        size = needed;
        ports = AllocateZeroed(size);
        if (!ports) {
            errorText = MessageText("IDS_ERR_ALLOCMEMORY");
            return 0;
        }
    }
    if (SystemCalls().EnumPortsA(nullptr, 1, ports.get(), size, &needed, &returned)) return 1;
    SetErrorText(errorText, "IDS_ERR_ALLOCMEMORY", GetLastError());
    return 0;
}
