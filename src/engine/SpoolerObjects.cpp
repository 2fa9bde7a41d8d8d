#include "engine/SpoolerObjects.h"

#include "platform/ErrorText.h"
#include "platform/Journal.h"
#include "platform/SystemCalls.h"

#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int kLastNumberedName = 98;

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

int AddPrinterObject(PRINTER_INFO_2A* printer, DWORD level, bool noRenumber, std::string& errorText) {
    if (printer == nullptr) return 0;
    level &= 0xFF;
    if (HANDLE handle = CallAddPrinter(level, printer)) return Added(handle, printer);

    const DWORD code = GetLastError();
    JournalPrinterRefused(printer, code);
    if (code != ERROR_PRINTER_ALREADY_EXISTS || printer->pPrinterName == nullptr) {
        return FailAddPrinter(printer, code, errorText);
    }
    if (noRenumber) return FailTooMany(printer, errorText);

    const std::string base(printer->pPrinterName, strnlen(printer->pPrinterName, kPrinterNameStorage - 1));
    for (int n = 1; n <= kLastNumberedName; ++n) {
        const std::string name = NumberedName(base, n);
        std::memcpy(printer->pPrinterName, name.c_str(), name.size() + 1);
        if (HANDLE handle = CallAddPrinter(level, printer)) return Added(handle, printer);
        const DWORD attemptCode = GetLastError();
        JournalPrinterRefused(printer, attemptCode);
        if (attemptCode != ERROR_PRINTER_ALREADY_EXISTS) return FailAddPrinter(printer, attemptCode, errorText);
    }
    return FailTooMany(printer, errorText);
}

int AddPrinterDriverObject(DRIVER_INFO_3A* driver, std::string& errorText) {
    const std::string what = std::string("Add printer driver \"") + (driver && driver->pName ? driver->pName : "") + "\"";
    if (SystemCalls().AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(driver))) {
        JournalResult(what, true);
        return 1;
    }
    const DWORD code = GetLastError();
    JournalResult(what, false, code);
    SetErrorText(errorText, "IDS_ERR_ADDPRNDRV3", code);
    return 0;
}

int AddMonitorObject(MONITOR_INFO_2A* monitor, std::string& errorText) {
    const std::string what = std::string("Add port monitor \"") + (monitor && monitor->pName ? monitor->pName : "") +
                             "\" (" + (monitor && monitor->pDLLName ? monitor->pDLLName : "") + ")";
    if (SystemCalls().AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(monitor))) {
        JournalResult(what, true);
        return 1;
    }
    const DWORD code = GetLastError();
    if (code == ERROR_PRINT_MONITOR_ALREADY_INSTALLED || code == ERROR_ALREADY_EXISTS) {
        JournalLine(what + ": already installed");
        return 1;
    }
    JournalResult(what, false, code);
    SetErrorText(errorText, "IDS_ERR_ADDMONITOR", code);
    return 0;
}

int AddPrintProcessorObject(const char* processorName, const char* fileName, int os) {
    char windows40[] = "Windows 4.0";
    std::string name = processorName != nullptr ? processorName : "";
    std::string file = fileName != nullptr ? fileName : "";
    const std::string what = "Add print processor \"" + name + "\" (" + file + ")";
    if (SystemCalls().AddPrintProcessorA(nullptr, os == 0 ? windows40 : nullptr, file.data(), name.data())) {
        JournalResult(what, true);
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
