#pragma once

#include "engine/SpoolerObjects.h"

#include <windows.h>

#include <string>

class CSetupConfig;

// The spooler components a model needs, against the versions the distribution carries.
// A missing component is installed on the spot (files copied, added to the spooler,
// version recorded); an older one is only reported, as its install flag, for the
// installation to replace in place. Negative results are failures with errorText set.
// Each object added is noted in `registered` when given.

// Install flags: components found older than configured.
enum InstallFlag {
    kSerialMonitorOlder = 1,
    kUsbMonitorOlder = 2,
    kLanguageMonitorOlder = 4,
    kPrintProcessorOlder = 8,
};
constexpr int kMonitorCheckFailed = -15;
constexpr int kProcessorCheckFailed = -14;

// The port monitor of a serial or USB port (portKind as ClassifyPortName gives it).
// 0, kSerialMonitorOlder, kUsbMonitorOlder or kMonitorCheckFailed.
int CheckPortMonitors(CSetupConfig& config, int printerType, int os, int portKind, std::string& errorText,
                      SpoolerRegistrations* registered = nullptr);

// 0, kPrintProcessorOlder or kProcessorCheckFailed. processorFile is upper-cased in place
// when it is copied. The system's own "WinPrint" is never touched. A processor 64-bit
// Windows refuses for this program's environment is added for "Windows x64" instead.
int CheckPrintProcessor(CSetupConfig& config, int os, const char* processorName, char* processorFile,
                        std::string& errorText, SpoolerRegistrations* registered = nullptr);

// The processor's file copied to the "Windows x64" processor directory and the processor
// added there, its version recorded; `refusal` is the code that sent us there (journalled).
// False with errorText set when it could not be done; "WinPrint" is never touched.
bool AddPrintProcessorForX64(CSetupConfig& config, int os, const char* processorName, char* processorFile,
                             DWORD refusal, std::string& errorText, SpoolerRegistrations* registered);

// The language monitor of a USB port. 0, kLanguageMonitorOlder or kMonitorCheckFailed.
int CheckLanguageMonitor(CSetupConfig& config, int printerType, int os, int portKind, std::string& errorText,
                         SpoolerRegistrations* registered = nullptr);

enum class Replacement { Replaced, CopyFailed, NeedsRestart };

// Copies a component file the spooler may hold. A copy in use is made again under the
// prefixed name "n" + name, and driverValue (what the registry's "Driver" must name)
// then names that copy; a prefixed copy in use as well cannot be replaced before a
// restart (errorText says so). CopyFailed: another failure, its text in errorText.
Replacement ReplaceComponentFile(char* fileName, int kind, int os, std::string& driverValue, std::string& errorText);

// Registry key of a monitor and of a print processor in the spooler's configuration.
std::string MonitorKeyPath(const char* monitorName);
std::string PrintProcessorKeyPath(int os, const char* processorName);
