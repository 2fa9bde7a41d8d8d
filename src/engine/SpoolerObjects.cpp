#include "engine/SpoolerObjects.h"

#include "config/DomainTypes.h"
#include "config/ProcessSettings.h"
#include "framework/UniqueResource.h"
#include "platform/ErrorText.h"
#include "platform/Journal.h"
#include "platform/SystemCalls.h"

#include <cstring>
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

UniqueLocalMemory AllocateZeroed(DWORD size) { return UniqueLocalMemory(LocalAlloc(LPTR, size)); }

BYTE* Bytes(const UniqueLocalMemory& block) { return static_cast<BYTE*>(block.get()); }

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

OperationResult Added(HANDLE handle, const PRINTER_INFO_2A* printer) {
    ClosePrinter(handle);
    JournalResult(std::string("Add printer \"") + (printer->pPrinterName ? printer->pPrinterName : "") + "\" on port " +
                      (printer->pPortName ? printer->pPortName : "") + " with driver " +
                      (printer->pDriverName ? printer->pDriverName : ""),
                  true);
    return OperationResult::Ok();
}

void JournalPrinterRefused(const PRINTER_INFO_2A* printer, DWORD code) {
    JournalResult(std::string("Add printer \"") + (printer->pPrinterName ? printer->pPrinterName : "") + "\"", false,
                  code);
    SetLastError(code);
}

OperationResult FailAddPrinter(PRINTER_INFO_2A* printer, DWORD code) {
    EmptyPrinterName(printer);
    return OperationResult::Described("IDS_ERR_ADDPRINTER", code);
}

OperationResult FailTooMany(PRINTER_INFO_2A* printer) {
    EmptyPrinterName(printer);
    return OperationResult::FailedWith("IDS_ERR_TOOMANY", ERROR_PRINTER_ALREADY_EXISTS);
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

OperationResult AddPrinterObject(PRINTER_INFO_2A* printer, DWORD level, bool noRenumber,
                                 const RegisterForX64& registerForX64, bool lookFirst) {
    if (printer == nullptr) return OperationResult::Failed(ERROR_INVALID_PARAMETER);
    level &= 0xFF;
    // Only where a number may follow: without one the spooler's own answer is the one to tell.
    const auto listed = [&](const char* name) {
        if (!lookFirst || noRenumber || name == nullptr || !FindPrinter(name).found) return false;
        JournalLine(std::string("Printer \"") + name + "\" exists already");
        SetLastError(ERROR_PRINTER_ALREADY_EXISTS);
        return true;
    };
    HANDLE handle = listed(printer->pPrinterName) ? nullptr : CallAddPrinter(level, printer);
    DWORD code = ERROR_SUCCESS;
    // The driver and the processor may each be missing from "Windows x64": one retry after each.
    bool retried[2] = {false, false};
    while (handle == nullptr) {
        code = GetLastError();
        if (code == ERROR_PRINTER_ALREADY_EXISTS && lookFirst && !noRenumber) break;
        JournalPrinterRefused(printer, code);
        const SpoolerObject wanted = ObjectWantedForX64(SpoolerObject::Printer, code, ProcessSettings::Is64BitWindows());
        bool& done = retried[wanted == SpoolerObject::PrintProcessor ? 1 : 0];
        if (!registerForX64 || wanted == SpoolerObject::None || done) break;
        done = true;
        OperationResult registered = registerForX64(wanted, code);
        if (!registered) {
            if (!registered.Told()) return FailAddPrinter(printer, code);
            EmptyPrinterName(printer);
            SetLastError(code);
            return registered;
        }
        handle = CallAddPrinter(level, printer);
    }
    if (handle != nullptr) return Added(handle, printer);

    if (code != ERROR_PRINTER_ALREADY_EXISTS || printer->pPrinterName == nullptr) {
        return FailAddPrinter(printer, code);
    }
    if (noRenumber) return FailTooMany(printer);

    const std::string base(printer->pPrinterName, strnlen(printer->pPrinterName, kPrinterNameStorage - 1));
    for (int n = 1; n <= kLastNumberedName; ++n) {
        const std::string name = NumberedName(base, n);
        std::memcpy(printer->pPrinterName, name.c_str(), name.size() + 1);
        if (listed(name.c_str())) continue;
        if (HANDLE numbered = CallAddPrinter(level, printer)) return Added(numbered, printer);
        const DWORD attemptCode = GetLastError();
        JournalPrinterRefused(printer, attemptCode);
        if (attemptCode != ERROR_PRINTER_ALREADY_EXISTS) return FailAddPrinter(printer, attemptCode);
    }
    return FailTooMany(printer);
}

SpoolerPrinter FindPrinter(const std::string& name) {
    SpoolerPrinter found;
    UniquePrinterHandle printer;
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ACCESS_USE};
    if (name.empty() || !SystemCalls().OpenPrinterA(const_cast<char*>(name.c_str()), printer.put(), &defaults))
        return found;
    found.found = true;
    DWORD needed = 0;
    SystemCalls().GetPrinterA(printer.get(), 2, nullptr, 0, &needed);
    const UniqueLocalMemory buffer = AllocateZeroed(needed);
    if (needed == 0 || !buffer || !SystemCalls().GetPrinterA(printer.get(), 2, Bytes(buffer), needed, &needed))
        return found;
    const auto* info = static_cast<const PRINTER_INFO_2A*>(buffer.get());
    found.name = name;
    found.port = info->pPortName != nullptr ? info->pPortName : "";
    found.driver = info->pDriverName != nullptr ? info->pDriverName : "";
    found.printProcessor = info->pPrintProcessor != nullptr ? info->pPrintProcessor : "";
    return found;
}

std::vector<SpoolerPrinter> ListPrinters() {
    std::vector<SpoolerPrinter> printers;
    DWORD needed = 0;
    DWORD returned = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned);
    const UniqueLocalMemory buffer = AllocateZeroed(needed);
    if (needed == 0 || !buffer ||
        !EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, Bytes(buffer), needed, &needed, &returned))
        return printers;
    const auto* info = static_cast<const PRINTER_INFO_2A*>(buffer.get());
    for (DWORD i = 0; i < returned; ++i) {
        const auto text = [](const char* value) { return std::string(value != nullptr ? value : ""); };
        printers.push_back({true, text(info[i].pPrinterName), text(info[i].pPortName), text(info[i].pDriverName),
                            text(info[i].pPrintProcessor)});
    }
    return printers;
}

OperationResult KeepPrinterObject(const std::string& name, const PRINTER_INFO_2A& wanted) {
    const std::string what = "Keep printer \"" + name + "\" on port " + (wanted.pPortName ? wanted.pPortName : "") +
                             " with driver " + (wanted.pDriverName ? wanted.pDriverName : "");
    const auto fail = [&](DWORD code) {
        const OperationResult failed = OperationResult::Described("IDS_ERR_ADDPRINTER", code);
        JournalResult(what, failed);
        return failed;
    };
    UniquePrinterHandle printer;
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!SystemCalls().OpenPrinterA(const_cast<char*>(name.c_str()), printer.put(), &defaults))
        return fail(GetLastError());
    DWORD needed = 0;
    SystemCalls().GetPrinterA(printer.get(), 2, nullptr, 0, &needed);
    const UniqueLocalMemory buffer = AllocateZeroed(needed);
    if (needed == 0 || !buffer) return fail(GetLastError());
    if (!SystemCalls().GetPrinterA(printer.get(), 2, Bytes(buffer), needed, &needed)) return fail(GetLastError());
    auto* info = static_cast<PRINTER_INFO_2A*>(buffer.get());
    info->pDriverName = wanted.pDriverName;
    info->pPortName = wanted.pPortName;
    if (wanted.pPrintProcessor != nullptr) info->pPrintProcessor = wanted.pPrintProcessor;
    if (wanted.pDatatype != nullptr) info->pDatatype = wanted.pDatatype;
    // Changing the security would need WRITE_DAC, and the printer's is the administrator's.
    info->pSecurityDescriptor = nullptr;
    if (!SystemCalls().SetPrinterA(printer.get(), 2, Bytes(buffer), 0)) return fail(GetLastError());
    JournalResult(what, true);
    return OperationResult::Ok();
}

std::vector<std::string> DriverFilesOf(const std::string& driver, const std::vector<std::string>& environments) {
    std::vector<std::string> files;
    const auto add = [&files](const char* file) {
        if (file == nullptr || *file == '\0') return;
        for (const std::string& known : files)
            if (lstrcmpiA(known.c_str(), file) == 0) return;
        files.emplace_back(file);
    };
    for (const std::string& environment : environments) {
        std::string named = environment;
        DWORD needed = 0;
        DWORD returned = 0;
        EnumPrinterDriversA(nullptr, named.data(), 3, nullptr, 0, &needed, &returned);
        const UniqueLocalMemory buffer = AllocateZeroed(needed);
        if (needed == 0 || !buffer || !EnumPrinterDriversA(nullptr, named.data(), 3, Bytes(buffer), needed, &needed,
                                                           &returned))
            continue;
        const auto* drivers = static_cast<const DRIVER_INFO_3A*>(buffer.get());
        for (DWORD i = 0; i < returned; ++i) {
            const DRIVER_INFO_3A& info = drivers[i];
            if (info.pName == nullptr || driver != info.pName) continue;
            for (const char* file : {info.pDriverPath, info.pDataFile, info.pConfigFile, info.pHelpFile}) add(file);
            for (const char* file = info.pDependentFiles; file != nullptr && *file != '\0'; file += std::strlen(file) + 1)
                add(file);
        }
    }
    return files;
}

OperationResult AddPrinterDriverObject(DRIVER_INFO_3A* driver, SpoolerRegistrations* registered) {
    const char* name = driver && driver->pName ? driver->pName : "";
    const char* environment = driver ? driver->pEnvironment : nullptr;
    const std::string what = std::string("Add printer driver \"") + name + "\"" + ForEnvironment(environment);
    if (SystemCalls().AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(driver))) {
        JournalResult(what, true);
        Note(registered, SpoolerObject::PrinterDriver, name, environment);
        return OperationResult::Ok();
    }
    const OperationResult failed = OperationResult::Described("IDS_ERR_ADDPRNDRV3", GetLastError());
    JournalResult(what, failed);
    SetLastError(failed.code);
    return failed;
}

OperationResult AddMonitorObject(MONITOR_INFO_2A* monitor, SpoolerRegistrations* registered) {
    if (monitor == nullptr) return OperationResult::Failed(ERROR_INVALID_PARAMETER);
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
        return OperationResult::Ok();
    }
    if (code == ERROR_PRINT_MONITOR_ALREADY_INSTALLED || code == ERROR_ALREADY_EXISTS) {
        JournalLine(what + ForEnvironment(environment) + ": already installed");
        return OperationResult::Ok();
    }
    const OperationResult failed = OperationResult::Described("IDS_ERR_ADDMONITOR", code);
    JournalResult(what + ForEnvironment(environment), failed);
    return failed;
}

OperationResult AddPrintProcessorObject(const char* processorName, const char* fileName, OsIndex os,
                                        SpoolerRegistrations* registered, const char* environment) {
    std::string name = processorName != nullptr ? processorName : "";
    std::string file = fileName != nullptr ? fileName : "";
    std::string named = environment != nullptr ? environment : (IsWindows9x(os) ? "Windows 4.0" : "");
    const std::string what = "Add print processor \"" + name + "\" (" + file + ")" + ForEnvironment(named.c_str());
    if (SystemCalls().AddPrintProcessorA(nullptr, named.empty() ? nullptr : named.data(), file.data(), name.data())) {
        JournalResult(what, true);
        Note(registered, SpoolerObject::PrintProcessor, name.c_str(), named.c_str());
        return OperationResult::Ok();
    }
    const OperationResult failed = OperationResult::Failed(GetLastError());
    JournalResult(what, failed);
    SetLastError(failed.code);
    return failed;
}

OperationResult CheckPortEnumeration() {
    const auto noMemory = [] { return OperationResult::FailedWith("IDS_ERR_ALLOCMEMORY", GetLastError()); };
    DWORD needed = 0;
    DWORD returned = 0;
    {
        const UniqueLocalMemory probe = AllocateZeroed(100);
        if (!probe) return noMemory();
        SystemCalls().EnumPortsA(nullptr, 1, Bytes(probe), 0, &needed, &returned);
    }

    DWORD size = needed < 300 ? 1000 : needed;
    UniqueLocalMemory ports = AllocateZeroed(size);
    if (!ports) return noMemory();
    needed = 0;
    if (SystemCalls().EnumPortsA(nullptr, 1, Bytes(ports), size, &needed, &returned)) return OperationResult::Ok();

    // A port added since the size was learnt: the repeat takes the size now reported.
    if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > size) {
        size = needed;
        ports = AllocateZeroed(size);
        if (!ports) return noMemory();
    }
    if (SystemCalls().EnumPortsA(nullptr, 1, Bytes(ports), size, &needed, &returned)) return OperationResult::Ok();
    return OperationResult::Described("IDS_ERR_ALLOCMEMORY", GetLastError());
}
