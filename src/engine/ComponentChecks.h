#pragma once

#include "config/DomainTypes.h"
#include "config/SetupConfig.h"
#include "engine/SpoolerObjects.h"
#include "platform/OperationResult.h"

#include <windows.h>

#include <string>


// The spooler components a model needs, against the versions the distribution carries.
// A missing component is installed on the spot (files copied, added to the spooler,
// version recorded); an older one is only reported, as its install flag, for the
// installation to replace in place. Each object added is noted in `registered` when given.

// Install flags: components found older than configured.
enum InstallFlag {
    kSerialMonitorOlder = 1,
    kUsbMonitorOlder = 2,
    kLanguageMonitorOlder = 4,
    kPrintProcessorOlder = 8,
};

// A check's answer: a failure the installation ends on, or ok with the install flags of
// the components found older as its value. A file that could not be copied while its
// component could still be added (an older file of the same name may serve) does not
// end the check: that failure comes back as leftOver, for the installation's next check.
struct ComponentCheck : ResultWith<int> {
    OperationResult leftOver;
    // The processor went to "Windows x64", where its file is copied again: leftOver is
    // that copy's alone, and whatever the checks before it left over is void.
    bool addedForX64 = false;
};

// The port monitor of a serial or USB port (portKind as ClassifyPortName gives it):
// 0, kSerialMonitorOlder or kUsbMonitorOlder.
ComponentCheck CheckPortMonitors(CSetupConfig& config, PrinterType printerType, OsIndex os, PortKind portKind,
                                 SpoolerRegistrations* registered = nullptr);

// The port monitor of those the port kind needs on this Windows, or none.
const MONITOR_INFO_2A* NeededPortMonitor(const PortMonitorPair& monitors, OsIndex os, PortKind portKind);

// 0 or kPrintProcessorOlder. processorFile is upper-cased in place when it is copied.
// The system's own "WinPrint" is never touched. A processor 64-bit Windows refuses for
// this program's environment is added for "Windows x64" instead.
ComponentCheck CheckPrintProcessor(CSetupConfig& config, OsIndex os, const char* processorName, char* processorFile,
                                   SpoolerRegistrations* registered = nullptr);

// The processor's file copied to the "Windows x64" processor directory and the processor
// added there, its version recorded; `refusal` is the code that sent us there (journalled).
// A failure when it could not be done (untold for "WinPrint", which is never touched).
ComponentCheck AddPrintProcessorForX64(CSetupConfig& config, OsIndex os, const char* processorName, char* processorFile,
                                       DWORD refusal, SpoolerRegistrations* registered);

// The language monitor of a USB port: 0 or kLanguageMonitorOlder.
ComponentCheck CheckLanguageMonitor(CSetupConfig& config, PrinterType printerType, OsIndex os, PortKind portKind,
                                    SpoolerRegistrations* registered = nullptr);

// A component file put in place: the name the registry's "Driver" must give it.
struct ReplacedFile {
    std::string driverValue;
    bool needsRestart = false;  // a failure: held open under both names until Windows restarts
};

// Copies a component file the spooler may hold. A copy in use is made again under the
// prefixed name "n" + name, and driverValue then names that copy; a prefixed copy in use
// as well cannot be replaced before a restart (told so, needsRestart set). Any other
// failure is the copy's own. A name configured as none ("0") copies nothing and is ok.
ResultWith<ReplacedFile> ReplaceComponentFile(char* fileName, int kind, OsIndex os);

// Registry key of a monitor and of a print processor in the spooler's configuration.
std::string MonitorKeyPath(const char* monitorName);
std::string PrintProcessorKeyPath(OsIndex os, const char* processorName);
// The same under a named environment.
std::string PrintProcessorKeyPathIn(const std::string& environment, const char* processorName);
