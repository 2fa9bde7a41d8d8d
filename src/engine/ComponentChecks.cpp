#include "engine/ComponentChecks.h"

#include "config/DomainTypes.h"
#include "config/ProcessSettings.h"
#include "config/RegistryKey.h"
#include "config/SetupConfig.h"
#include "engine/FileStaging.h"
#include "engine/SpoolerObjects.h"
#include "platform/ErrorText.h"
#include "ports/PortNames.h"

#include <windows.h>

#include <cstring>
#include <optional>

namespace {

enum class Installed { No, Current, Older };

// A version that cannot be read counts as older than any configured one.
Installed InstalledVersion(const std::string& keyPath, unsigned int configured) {
    CRegistryKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, keyPath.c_str())) return Installed::No;
    DWORD installed = 0;
    if (!key.QueryDword("DriverVersion", &installed) || configured > installed) return Installed::Older;
    return Installed::Current;
}

void RecordVersion(const std::string& keyPath, unsigned int version) {
    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, keyPath.c_str())) key.SetDword("DriverVersion", version);
}

// The record's own storage has room for the one-letter prefix.
void PrefixName(char* name) {
    const std::size_t length = std::strlen(name);
    std::memmove(name + 1, name, length + 1);
    name[0] = 'n';
}

// Copies a monitor DLL to the system directory; when only its prefixed copy could be
// made, the record names that copy.
ResultWith<ReplacedFile> CopyMonitorDll(char* dllName, OsIndex os) {
    ResultWith<ReplacedFile> replaced = ReplaceComponentFile(dllName, kSystemDirectory, os);
    if (replaced && replaced.value.driverValue != dllName) PrefixName(dllName);
    return replaced;
}

// An older file of the same name may still be there and let the spooler add the
// component: a version recorded then would tell every later run that it is current.
void RecordVersionWhenInPlace(bool copied, const std::string& keyPath, unsigned int version) {
    if (copied) RecordVersion(keyPath, version);
}

ComponentCheck Ended(const OperationResult& failure) {
    ComponentCheck check;
    static_cast<OperationResult&>(check) = failure;
    return check;
}

// What the registry says of a component: its flag when older, nothing more to do when
// current; empty when it is missing and must be installed.
std::optional<ComponentCheck> CheckInstalled(const std::string& keyPath, unsigned int version, int olderFlag) {
    ComponentCheck check;
    switch (InstalledVersion(keyPath, version)) {
        case Installed::Older:
            check.value = olderFlag;
            return check;
        case Installed::Current:
            return check;
        case Installed::No:
            break;
    }
    return std::nullopt;
}

// Checks one monitor: its flag when older, 0 when current, and a missing one installed.
ComponentCheck CheckMonitor(MONITOR_INFO_2A& monitor, char* uiDll, unsigned int version, int olderFlag, OsIndex os,
                            SpoolerRegistrations* registered) {
    const std::string keyPath = MonitorKeyPath(monitor.pName);
    if (auto installed = CheckInstalled(keyPath, version, olderFlag)) return *installed;
    ComponentCheck check;
    const ResultWith<ReplacedFile> copied = CopyMonitorDll(monitor.pDLLName, os);
    if (copied.value.needsRestart) return Ended(copied);
    KeepTold(check.leftOver, copied);
    if (uiDll != nullptr && uiDll[0] != '\0') KeepTold(check.leftOver, CopyDriverFile(uiDll, kSystemDirectory, os, false));
    const OperationResult added = AddMonitorObject(&monitor, registered);
    if (!added) return Ended(added);
    RecordVersionWhenInPlace(copied.ok, keyPath, version);
    return check;
}

bool HasName(const char* text) { return text != nullptr && text[0] != '\0'; }

}  // namespace

ResultWith<ReplacedFile> ReplaceComponentFile(char* fileName, int kind, OsIndex os) {
    ReplacedFile file;
    OperationResult copy = CopyDriverFile(fileName, kind, os, false);
    if (IsFileInUse(copy)) {
        copy = CopyDriverFile(fileName, kind, os, true);
        if (IsFileInUse(copy)) {
            file.needsRestart = true;
            return WithValue(OperationResult::FailedWith("IDS_ERR_NEEDRESTART", copy.code), file);
        }
        file.driverValue = std::string("n") + fileName;
    } else {
        file.driverValue = fileName;
    }
    return WithValue(copy.Told() ? copy : OperationResult::Ok(), file);
}

std::string MonitorKeyPath(const char* monitorName) {
    return std::string("SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\") + (monitorName ? monitorName : "");
}

std::string PrintProcessorKeyPath(OsIndex os, const char* processorName) {
    const char* environment = IsWindows9x(os) ? "Windows 4.0"
                              : ProcessSettings::Is64BitWindows() ? "Windows x64"
                                                                   : "Windows NT x86";
    return PrintProcessorKeyPathIn(environment, processorName);
}

std::string PrintProcessorKeyPathIn(const std::string& environment, const char* processorName) {
    return "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\" + environment + "\\Print Processors\\" +
           (processorName ? processorName : "");
}

ComponentCheck CheckPortMonitors(CSetupConfig& config, PrinterType printerType, OsIndex os, PortKind portKind,
                                 SpoolerRegistrations* registered) {
    if (portKind != PortKind::Serial && portKind != PortKind::Usb) return ComponentCheck();
    config.currentType = printerType;
    PortMonitorPair monitors = {};
    config.GetPortMonitors(os, &monitors);

    const MONITOR_INFO_2A* needed = NeededPortMonitor(monitors, os, portKind);
    if (needed == &monitors.serial) {
        return CheckMonitor(monitors.serial, monitors.serialUiDll, monitors.serialVersion, kSerialMonitorOlder, os,
                            registered);
    }
    if (needed == &monitors.usb) {
        return CheckMonitor(monitors.usb, monitors.usbUiDll, monitors.usbVersion, kUsbMonitorOlder, os, registered);
    }
    return ComponentCheck();
}

const MONITOR_INFO_2A* NeededPortMonitor(const PortMonitorPair& monitors, OsIndex os, PortKind portKind) {
    // A 64-bit Windows brings its own serial port support.
    if (portKind == PortKind::Serial && !ProcessSettings::Is64BitWindows() && HasName(monitors.serial.pDLLName) &&
        !IsWindows9x(os))
        return &monitors.serial;
    if (portKind == PortKind::Usb && HasName(monitors.usb.pDLLName) && os != OsIndex::WindowsNt4) return &monitors.usb;
    return nullptr;
}

ComponentCheck CheckPrintProcessor(CSetupConfig& config, OsIndex os, const char* processorName, char* processorFile,
                                   SpoolerRegistrations* registered) {
    const unsigned int version = config.GetProcessorVersion();
    if (processorName == nullptr || std::strcmp(processorName, "WinPrint") == 0) return ComponentCheck();

    const std::string keyPath = PrintProcessorKeyPath(os, processorName);
    if (auto installed = CheckInstalled(keyPath, version, kPrintProcessorOlder)) return *installed;
    ComponentCheck check;
    bool copied = true;
    if (HasName(processorFile)) {
        const OperationResult copy = CopyDriverFile(processorFile, kPrintProcessorDirectory, os, false);
        copied = copy.ok;
        KeepTold(check.leftOver, copy);
    }
    const OperationResult added = AddPrintProcessorObject(processorName, processorFile, os, registered);
    if (!added) {
        if (ObjectWantedForX64(SpoolerObject::PrintProcessor, added.code, ProcessSettings::Is64BitWindows()) ==
            SpoolerObject::PrintProcessor) {
            ComponentCheck x64 = AddPrintProcessorForX64(config, os, processorName, processorFile, added.code,
                                                         registered);
            x64.addedForX64 = true;
            if (x64) Sleep(200);
            return x64;
        }
        return Ended(OperationResult::FailedWith("IDS_ERR_ADDPROCESSOR", added.code));
    }
    RecordVersionWhenInPlace(copied, keyPath, version);
    Sleep(200);
    return check;
}

ComponentCheck AddPrintProcessorForX64(CSetupConfig& config, OsIndex os, const char* processorName, char* processorFile,
                                       DWORD refusal, SpoolerRegistrations* registered) {
    if (processorName == nullptr || std::strcmp(processorName, "WinPrint") == 0) {
        return Ended(OperationResult::Failed(refusal));
    }
    JournalX64Fallback(SpoolerObject::PrintProcessor, processorName, refusal);
    ComponentCheck check;
    bool copied = true;
    if (HasName(processorFile)) {
        const OperationResult copy = CopyDriverFile(processorFile, kPrintProcessorDirectory, os, false, kEnvironmentX64);
        copied = copy.ok;
        KeepTold(check.leftOver, copy);
    }
    const OperationResult added = AddPrintProcessorObject(processorName, processorFile, os, registered, kEnvironmentX64);
    if (!added) return Ended(OperationResult::FailedWith("IDS_ERR_ADDPROCESSOR", added.code));
    // On 64-bit Windows the version is read from the "Windows x64" record: now the one in use.
    RecordVersionWhenInPlace(copied, PrintProcessorKeyPath(os, processorName), config.GetProcessorVersion());
    return check;
}

ComponentCheck CheckLanguageMonitor(CSetupConfig& config, PrinterType printerType, OsIndex os, PortKind portKind,
                                    SpoolerRegistrations* registered) {
    config.currentType = printerType;
    if (portKind != PortKind::Usb) return ComponentCheck();
    LanguageMonitorInfo info = {};
    config.GetLanguageMonitorInfo(nullptr, os, &info, PortKind::Usb);
    const bool none = !HasName(info.monitor.pName) && !HasName(info.monitor.pDLLName) && info.version == 0;
    if (none || os == OsIndex::WindowsNt4) return ComponentCheck();
    return CheckMonitor(info.monitor, nullptr, info.version, kLanguageMonitorOlder, os, registered);
}
