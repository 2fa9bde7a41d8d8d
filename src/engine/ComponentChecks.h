#pragma once

#include <string>

class CSetupConfig;

// The spooler components a model needs, against the versions the distribution carries.
// A missing component is installed on the spot (files copied, added to the spooler,
// version recorded); an older one is only reported, as its install flag, for the
// installation to replace in place. Negative results are failures with errorText set.

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
int CheckPortMonitors(CSetupConfig& config, int printerType, int os, int portKind, std::string& errorText);

// 0, kPrintProcessorOlder or kProcessorCheckFailed. processorFile is upper-cased in place
// when it is copied. The system's own "WinPrint" is never touched.
int CheckPrintProcessor(CSetupConfig& config, int os, const char* processorName, char* processorFile,
                        std::string& errorText);

// The language monitor of a USB port. 0, kLanguageMonitorOlder or kMonitorCheckFailed.
int CheckLanguageMonitor(CSetupConfig& config, int printerType, int os, int portKind, std::string& errorText);

// Registry key of a monitor and of a print processor in the spooler's configuration.
std::string MonitorKeyPath(const char* monitorName);
std::string PrintProcessorKeyPath(int os, const char* processorName);
