#include "engine/ComponentChecks.h"

#include "config/ProcessSettings.h"
#include "config/RegistryKey.h"
#include "config/SetupConfig.h"
#include "engine/FileStaging.h"
#include "engine/SpoolerObjects.h"
#include "platform/ErrorText.h"
#include "ports/PortNames.h"

#include <windows.h>

#include <cstring>

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
// made, the record names that copy. Other copy failures leave their text for the
// installation to find.
Replacement CopyMonitorDll(char* dllName, int os, std::string& errorText) {
    std::string driverValue;
    const Replacement replacement = ReplaceComponentFile(dllName, kSystemDirectory, os, driverValue, errorText);
    if (replacement == Replacement::Replaced && driverValue != dllName) PrefixName(dllName);
    return replacement;
}

// An older file of the same name may still be there and let the spooler add the
// component: a version recorded then would tell every later run that it is current.
void RecordVersionWhenInPlace(Replacement copied, const std::string& keyPath, unsigned int version) {
    if (copied == Replacement::Replaced) RecordVersion(keyPath, version);
}

// Checks one monitor: its flag when older, 0 when current, and a missing one installed.
int CheckMonitor(MONITOR_INFO_2A& monitor, char* uiDll, unsigned int version, int olderFlag, int os,
                 std::string& errorText, SpoolerRegistrations* registered) {
    const std::string keyPath = MonitorKeyPath(monitor.pName);
    switch (InstalledVersion(keyPath, version)) {
        case Installed::Older:
            return olderFlag;
        case Installed::Current:
            return 0;
        case Installed::No:
            break;
    }
    const Replacement copied = CopyMonitorDll(monitor.pDLLName, os, errorText);
    if (copied == Replacement::NeedsRestart) return kMonitorCheckFailed;
    if (uiDll != nullptr && uiDll[0] != '\0') CopyDriverFile(uiDll, kSystemDirectory, os, false, errorText);
    if (!AddMonitorObject(&monitor, errorText, registered)) return kMonitorCheckFailed;
    RecordVersionWhenInPlace(copied, keyPath, version);
    return 0;
}

bool HasName(const char* text) { return text != nullptr && text[0] != '\0'; }

}  // namespace

Replacement ReplaceComponentFile(char* fileName, int kind, int os, std::string& driverValue, std::string& errorText) {
    const auto inUse = [](int result) { return result == ERROR_SHARING_VIOLATION || result == ERROR_ACCESS_DENIED; };
    if (inUse(CopyDriverFile(fileName, kind, os, false, errorText))) {
        if (inUse(CopyDriverFile(fileName, kind, os, true, errorText))) {
            errorText = MessageText("IDS_ERR_NEEDRESTART");
            return Replacement::NeedsRestart;
        }
        driverValue = std::string("n") + fileName;
    } else {
        driverValue = fileName;
    }
    return errorText.empty() ? Replacement::Replaced : Replacement::CopyFailed;
}

std::string MonitorKeyPath(const char* monitorName) {
    return std::string("SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\") + (monitorName ? monitorName : "");
}

std::string PrintProcessorKeyPath(int os, const char* processorName) {
    const char* environment = os == 0                              ? "Windows 4.0"
                              : ProcessSettings::Is64BitWindows() ? "Windows x64"
                                                                   : "Windows NT x86";
    return std::string("SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\") + environment +
           "\\Print Processors\\" + (processorName ? processorName : "");
}

int CheckPortMonitors(CSetupConfig& config, int printerType, int os, int portKind, std::string& errorText,
                      SpoolerRegistrations* registered) {
    if (portKind != kSerialInterface && portKind != kUsbInterface) return 0;
    config.currentType = printerType;
    PortMonitorPair monitors = {};
    config.GetPortMonitors(os, &monitors);

    int result = 0;
    // A 64-bit Windows brings its own serial port support.
    if (portKind == kSerialInterface && !ProcessSettings::Is64BitWindows() && HasName(monitors.serial.pDLLName) &&
        os != 0) {
        result = CheckMonitor(monitors.serial, monitors.serialUiDll, monitors.serialVersion, kSerialMonitorOlder, os,
                              errorText, registered);
        if (result < 0) return result;
    }
    if (portKind == kUsbInterface && HasName(monitors.usb.pDLLName) && os != 1) {
        result = CheckMonitor(monitors.usb, monitors.usbUiDll, monitors.usbVersion, kUsbMonitorOlder, os, errorText,
                              registered);
    }
    return result;
}

int CheckPrintProcessor(CSetupConfig& config, int os, const char* processorName, char* processorFile,
                        std::string& errorText, SpoolerRegistrations* registered) {
    const unsigned int version = config.GetProcessorVersion();
    if (processorName == nullptr || std::strcmp(processorName, "WinPrint") == 0) return 0;

    const std::string keyPath = PrintProcessorKeyPath(os, processorName);
    switch (InstalledVersion(keyPath, version)) {
        case Installed::Older:
            return kPrintProcessorOlder;
        case Installed::Current:
            return 0;
        case Installed::No:
            break;
    }
    Replacement copied = Replacement::Replaced;
    if (HasName(processorFile) &&
        CopyDriverFile(processorFile, kPrintProcessorDirectory, os, false, errorText) != 1) {
        copied = Replacement::CopyFailed;
    }
    if (AddPrintProcessorObject(processorName, processorFile, os, registered) != 1) {
        const DWORD code = GetLastError();
        if (ObjectWantedForX64(SpoolerObject::PrintProcessor, code, ProcessSettings::Is64BitWindows()) ==
            SpoolerObject::PrintProcessor) {
            errorText.clear();
            if (!AddPrintProcessorForX64(config, os, processorName, processorFile, code, errorText, registered)) {
                return kProcessorCheckFailed;
            }
            Sleep(200);
            return 0;
        }
        errorText = MessageText("IDS_ERR_ADDPROCESSOR");
        return kProcessorCheckFailed;
    }
    RecordVersionWhenInPlace(copied, keyPath, version);
    Sleep(200);
    return 0;
}

bool AddPrintProcessorForX64(CSetupConfig& config, int os, const char* processorName, char* processorFile,
                             DWORD refusal, std::string& errorText, SpoolerRegistrations* registered) {
    if (processorName == nullptr || std::strcmp(processorName, "WinPrint") == 0) return false;
    JournalX64Fallback(SpoolerObject::PrintProcessor, processorName, refusal);
    Replacement copied = Replacement::Replaced;
    if (HasName(processorFile) &&
        CopyDriverFile(processorFile, kPrintProcessorDirectory, os, false, errorText, kEnvironmentX64) != 1) {
        copied = Replacement::CopyFailed;
    }
    if (AddPrintProcessorObject(processorName, processorFile, os, registered, kEnvironmentX64) != 1) {
        errorText = MessageText("IDS_ERR_ADDPROCESSOR");
        return false;
    }
    // On 64-bit Windows the version is read from the "Windows x64" record: now the one in use.
    RecordVersionWhenInPlace(copied, PrintProcessorKeyPath(os, processorName), config.GetProcessorVersion());
    return true;
}

int CheckLanguageMonitor(CSetupConfig& config, int printerType, int os, int portKind, std::string& errorText,
                         SpoolerRegistrations* registered) {
    config.currentType = printerType;
    if (portKind != kUsbInterface) return 0;
    LanguageMonitorInfo info = {};
    config.GetLanguageMonitorInfo(nullptr, os, &info, kUsbInterface);
    const bool none = !HasName(info.monitor.pName) && !HasName(info.monitor.pDLLName) && info.version == 0;
    if (none || os == 1) return 0;

    const std::string keyPath = MonitorKeyPath(info.monitor.pName);
    switch (InstalledVersion(keyPath, info.version)) {
        case Installed::Older:
            return kLanguageMonitorOlder;
        case Installed::Current:
            return 0;
        case Installed::No:
            break;
    }
    const Replacement copied = CopyMonitorDll(info.monitor.pDLLName, os, errorText);
    if (copied == Replacement::NeedsRestart) return kMonitorCheckFailed;
    if (!AddMonitorObject(&info.monitor, errorText, registered)) return kMonitorCheckFailed;
    RecordVersionWhenInPlace(copied, keyPath, info.version);
    return 0;
}
