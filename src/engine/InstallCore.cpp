#include "engine/InstallCore.h"

#include "config/DomainTypes.h"
#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "config/RegistryKey.h"
#include "engine/ComponentChecks.h"
#include "engine/CoreFileRestore.h"
#include "engine/DefaultPrinter.h"
#include "engine/FileStaging.h"
#include "engine/SpoolerObjects.h"
#include "engine/SpoolerService.h"
#include "framework/TextFormat.h"
#include "framework/UniqueResource.h"
#include "platform/ErrorText.h"
#include "platform/FileSystemRedirection.h"
#include "platform/Journal.h"
#include "platform/OperationResult.h"
#include "platform/SystemCalls.h"
#include "ports/PortNames.h"

#include <cctype>
#include <cstring>
#include <string>
#include <utility>

namespace {

bool IsGiven(const char* name) { return name != nullptr && name[0] != '\0' && name[0] != '0'; }

void WriteMonitorValues(const char* monitorName, const std::string& driver, unsigned int version,
                        bool createWhenMissing) {
    const std::string path = MonitorKeyPath(monitorName);
    if (createWhenMissing) CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, path.c_str());
    CRegistryKey key;
    const bool opened = key.Open(HKEY_LOCAL_MACHINE, path.c_str());
    JournalResult("Record Driver \"" + driver + "\" and DriverVersion " + std::to_string(version) + " under HKLM\\" +
                      path,
                  opened);
    if (!opened) return;
    key.SetString("Driver", driver.c_str());
    key.SetDword("DriverVersion", version);
}

// Parity comes from a catalogue text's first byte, which may be a lead byte of a
// double-byte character: only ASCII letters change.
char LowerParity(char parity) {
    const unsigned char byte = static_cast<unsigned char>(parity);
    return byte < 0x80 ? static_cast<char>(std::tolower(byte)) : parity;
}

class Installation {
public:
    Installation(InstallRequest& request, IInstallObserver* observer)
        : r_(request),
          observer_(observer),
          config_(*request.config),
          os_(request.osIndex),
          usb_(request.portKind == PortKind::Usb),
          is64_(ProcessSettings::Is64BitWindows()) {}

    // Ok with the notice the user reads after it (the restart notice on the NT family),
    // or the failure the installation ended on.
    OperationResult Run();

private:
    bool NtFamily() const { return IsNtFamilyFromNt4(os_); }
    bool Windows9x() const { return IsWindows9x(os_); }
    // A step that went on after a failure it told ends the installation here.
    bool Check() const { return !told_.Told(); }
    bool Fail(const OperationResult& failure) {
        KeepTold(told_, failure);
        return false;
    }
    bool RunSteps();
    template <typename Work>
    bool Step(InstallStep step, Work work) {
        if (observer_ != nullptr) observer_->StepStarted(step);
        const bool succeeded = work();
        if (observer_ != nullptr) observer_->StepFinished(step, succeeded);
        return succeeded;
    }
    bool Copy(char* fileName, int kind, const char* environment) {
        KeepTold(told_, CopyDriverFile(fileName, kind, os_, false, environment));
        return Check();
    }
    bool CopyConstant(const char* fileName, int kind) {
        KeepTold(told_, CopyDriverFile(std::string(fileName), kind, os_, false));
        return Check();
    }
    // A replacement counts only while no earlier failure waits to be told: nothing is
    // recorded as replaced on the way to a failed installation.
    bool Replaced(const ResultWith<ReplacedFile>& replaced) {
        KeepTold(told_, replaced);
        return replaced.ok && Check();
    }

    bool CheckComponents(int& flags);
    bool UpdateInPlaceNt(int flags);
    bool UpdateMonitorNt(MONITOR_INFO_2A& monitor, char* uiDll, unsigned int version);
    bool UpdateProcessorNt(const std::string& processorDirectory);
    bool RestartSpoolerAndFail();
    bool UpdateInPlace9x(int flags);
    bool CopyDriverFiles(const char* environment = nullptr);
    bool RestoreCoreFiles();
    bool AddPrinterDriver();
    OperationResult AddPrinterDriverForX64(DWORD refusal);
    OperationResult RegisterForX64(SpoolerObject wanted, DWORD refusal);
    bool AddPrinter();
    bool UpdateLanguageMonitor();
    bool RecordUsbPort();
    void StoreSerialSettings();

    InstallRequest& r_;
    IInstallObserver* observer_;
    CSetupConfig& config_;
    // The latest failure told by a step that went on after it; Check ends the run on it.
    OperationResult told_;
    const OsIndex os_;
    const bool usb_;
    const bool is64_;
    bool ddk_ = false;
    unsigned int processorVersion_ = 0;
};

OperationResult Installation::Run() {
    if (!RunSteps()) return told_.Told() ? told_ : OperationResult::Failed(told_.code);
    // The spooler has copied the record's device mode, if the request gave one.
    const UniqueLocalMemory devMode(std::exchange(r_.printer.pDevMode, nullptr));
    OperationResult done = OperationResult::Ok();
    // Windows 98/Me has no restart notice here: what a step left untold is still said.
    done.text = NtFamily() ? MessageText(usb_ ? "IDS_INF_USBRESTART" : "IDS_INF_NTRESTART") : told_.text;
    return done;
}

bool Installation::CheckComponents(int& flags) {
    const ComponentCheck monitors = CheckPortMonitors(config_, r_.printerType, os_, r_.portKind, &r_.registrations);
    if (!monitors) return Fail(monitors);
    KeepTold(told_, monitors.leftOver);
    const ComponentCheck processor =
        CheckPrintProcessor(config_, os_, r_.printer.pPrintProcessor, r_.files.processorDll, &r_.registrations);
    if (processor.addedForX64) told_ = OperationResult::Ok();
    if (!processor) return Fail(processor);
    KeepTold(told_, processor.leftOver);
    flags = monitors.value | processor.value;
    return true;
}

bool Installation::RunSteps() {
    r_.installFlags = 0;
    r_.registrations.clear();
    r_.usbPrinterPortWritten = false;
    int flags = 0;
    if (!Step(InstallStep::CheckComponents, [&] { return CheckComponents(flags); })) return false;
    r_.installFlags = flags;
    processorVersion_ = config_.GetProcessorVersion();

    if (flags != 0 && (NtFamily() || Windows9x()) && !Step(InstallStep::UpdateComponents, [&] {
            return NtFamily() ? UpdateInPlaceNt(flags) : UpdateInPlace9x(flags);
        })) {
        return false;
    }

    if (usb_ && !Step(InstallStep::CheckPorts, [&] {
            const OperationResult ports = CheckPortEnumeration();
            return ports ? true : Fail(ports);
        })) {
        return false;
    }
    if (!Step(InstallStep::CopyDriverFiles, [&] { return CopyDriverFiles(); })) return false;

    ddk_ = config_.Is2kDdkDriver(r_.modelName, os_, r_.raster);
    if (!Step(InstallStep::RestoreCoreFiles, [&] { return RestoreCoreFiles(); })) return false;

    if (usb_ && !is64_ && IsGiven(r_.languageMonitor.monitor.pDLLName) &&
        !Step(InstallStep::UpdateLanguageMonitor, [&] { return UpdateLanguageMonitor(); })) {
        return false;
    }

    if (!Step(InstallStep::AddPrinterDriver, [&] { return AddPrinterDriver(); })) return false;
    if (usb_ && !Step(InstallStep::RecordUsbPort, [&] { return RecordUsbPort(); })) return false;
    if (!Step(InstallStep::AddPrinter, [&] { return AddPrinter(); })) return false;

    if (r_.setAsDefault) {
        Step(InstallStep::SetDefaultPrinter, [&] {
            JournalResult(std::string("Set \"") + r_.modelName + "\" as the default printer",
                          SetDefaultPrinterByName(r_.modelName));
            return true;
        });
    }
    if (r_.portKind == PortKind::Serial) {
        Step(InstallStep::StoreSerialSettings, [&] {
            StoreSerialSettings();
            return true;
        });
    }
    return true;
}

bool Installation::RestoreCoreFiles() {
    KeepTold(told_, ::RestoreCoreFiles(os_, ddk_));
    // A file the restore could not put in place must not end in the success notice.
    if (!Check()) return false;
    if (Windows9x() &&
        (std::strstr(r_.modelName, "QXP-K520") != nullptr || std::strstr(r_.modelName, "QXP-K410") != nullptr) &&
        !CopyConstant("DMCOLOR.DLL", kPrinterDriverDirectory)) {
        return false;
    }
    if (ddk_ && r_.files.dataFileDll[0] == '\0') return Fail(OperationResult::FailedWith("IDS_ERR_LOSTDRIVERFILE"));
    return true;
}

bool Installation::AddPrinterDriver() {
    const OperationResult added = AddPrinterDriverObject(&r_.driver, &r_.registrations);
    if (added) return true;
    if (ObjectWantedForX64(SpoolerObject::PrinterDriver, added.code, is64_) != SpoolerObject::PrinterDriver) {
        return Fail(added);
    }
    told_ = OperationResult::Ok();
    const OperationResult x64 = AddPrinterDriverForX64(added.code);
    return x64 ? true : Fail(x64);
}

// The files go where the 64-bit spooler looks for this environment's drivers; they are
// the W64 builds and the AMD64 core files, the ones the x86 directory received as well.
OperationResult Installation::AddPrinterDriverForX64(DWORD refusal) {
    JournalX64Fallback(SpoolerObject::PrinterDriver, r_.driver.pName != nullptr ? r_.driver.pName : "", refusal);
    if (!CopyDriverFiles(kEnvironmentX64)) return told_;
    KeepTold(told_, ::RestoreCoreFiles(os_, ddk_, kEnvironmentX64));
    if (!Check()) return told_;
    std::string x64 = kEnvironmentX64;
    LPSTR own = r_.driver.pEnvironment;
    r_.driver.pEnvironment = x64.data();
    const OperationResult added = AddPrinterDriverObject(&r_.driver, &r_.registrations);
    r_.driver.pEnvironment = own;
    return added;
}

OperationResult Installation::RegisterForX64(SpoolerObject wanted, DWORD refusal) {
    if (wanted == SpoolerObject::PrinterDriver) return AddPrinterDriverForX64(refusal);
    if (wanted == SpoolerObject::PrintProcessor) {
        const ComponentCheck added = AddPrintProcessorForX64(config_, os_, r_.printer.pPrintProcessor,
                                                             r_.files.processorDll, refusal, &r_.registrations);
        if (added) KeepTold(told_, added.leftOver);
        return added;
    }
    return OperationResult::Failed(refusal);
}

bool Installation::AddPrinter() {
    const auto registerForX64 = [this](SpoolerObject wanted, DWORD refusal) { return RegisterForX64(wanted, refusal); };
    const OperationResult added = r_.keepPrinter.empty()
                                      ? AddPrinterObject(&r_.printer, 2, usb_, registerForX64, r_.namesByLooking)
                                      : KeepPrinterObject(r_.keepPrinter, r_.printer);
    if (!added) return Fail(added);
    if (!r_.keepPrinter.empty() && r_.printer.pPrinterName != nullptr) CopyBounded(r_.printer.pPrinterName, kPrinterNameStorage, r_.keepPrinter.c_str());
    const char* finalName = r_.printer.pPrinterName != nullptr ? r_.printer.pPrinterName : "";
    const std::size_t length = strnlen(finalName, InstallRequest::kModelNameSize - 1);
    std::memcpy(r_.modelName, finalName, length);
    r_.modelName[length] = '\0';
    if (length == 0) return Fail(OperationResult::FailedWith("IDS_ERR_ADDPRINTER"));
    return true;
}

bool Installation::UpdateInPlaceNt(int flags) {
    std::string processorDirectory;
    if (flags & kPrintProcessorOlder) {
        char buffer[256] = {};
        DWORD needed = 0;
        if (!GetPrintProcessorDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(buffer), sizeof buffer,
                                         &needed)) {
            return Fail(OperationResult::FailedWith("IDS_ERR_GETPRODIR", GetLastError()));
        }
        processorDirectory.assign(buffer, strnlen(buffer, sizeof buffer));
    }

    StopSpooler();
    Sleep(500);
    PortMonitorPair monitors = {};
    config_.GetPortMonitors(os_, &monitors);
    bool updated = true;
    if (flags & kSerialMonitorOlder) {
        updated = UpdateMonitorNt(monitors.serial, monitors.serialUiDll, monitors.serialVersion);
    } else if (flags & kUsbMonitorOlder) {
        updated = UpdateMonitorNt(monitors.usb, monitors.usbUiDll, monitors.usbVersion);
    } else if (flags & kPrintProcessorOlder) {
        updated = UpdateProcessorNt(processorDirectory);
    }
    if (!updated) return RestartSpoolerAndFail();

    KeepTold(told_, StartSpooler());
    if (os_ == OsIndex::WindowsNt4 || os_ == OsIndex::Windows2000) Sleep(1000);
    if (os_ == OsIndex::WindowsXp || os_ == OsIndex::WindowsServer2003) Sleep(2500);
    const ResultWith<DWORD> running = WaitSpoolerRunning();
    KeepTold(told_, running);
    if (running.value == SERVICE_RUNNING) return true;
    if (running.value == SERVICE_STOPPED || running.value == SERVICE_STOP_PENDING) {
        // "StartSpoolService error" is told already: the next check ends the run on it.
        KeepTold(told_, StartSpooler());
        Sleep(2500);
        return true;
    }
    return false;
}

// Printing must not stay stopped because an update failed; the first failure's text stays.
bool Installation::RestartSpoolerAndFail() {
    StartSpooler();
    return false;
}

bool Installation::UpdateMonitorNt(MONITOR_INFO_2A& monitor, char* uiDll, unsigned int version) {
    const ResultWith<ReplacedFile> replaced = ReplaceComponentFile(monitor.pDLLName, kSystemDirectory, os_);
    if (!Replaced(replaced)) return false;
    WriteMonitorValues(monitor.pName, replaced.value.driverValue, version, false);
    if (uiDll != nullptr && uiDll[0] != '\0') KeepTold(told_, CopyDriverFile(uiDll, kSystemDirectory, os_, false));
    return true;
}

bool Installation::UpdateProcessorNt(const std::string& processorDirectory) {
    const std::string source =
        JoinPath(ProgramFolder(), std::string(is64_ ? "W64\\" : "W32\\") + r_.files.processorDll);
    const std::string target = processorDirectory + "\\" + r_.files.processorDll;
    if (!CopyFileWithJournal(source, target, FALSE)) {
        return Fail(OperationResult::Failed(GetLastError(), MessageText("IDS_ERR_COPYFIEL") + source));
    }
    CRegistryKey key;
    const std::string path = PrintProcessorKeyPath(os_, r_.printer.pPrintProcessor);
    const bool opened = key.Open(HKEY_LOCAL_MACHINE, path.c_str());
    if (opened) key.SetDword("DriverVersion", processorVersion_);
    JournalResult("Record DriverVersion " + std::to_string(processorVersion_) + " under HKLM\\" + path, opened);
    return true;
}

bool Installation::UpdateInPlace9x(int flags) {
    if (flags & kUsbMonitorOlder) {
        PortMonitorPair monitors = {};
        config_.GetPortMonitors(os_, &monitors);
        // Another copy failure is left for the next check, and no version: the old file
        // is still the one in place.
        const ResultWith<ReplacedFile> replaced = ReplaceComponentFile(monitors.usb.pDLLName, kSystemDirectory, os_);
        if (replaced.value.needsRestart) return Fail(replaced);
        if (Replaced(replaced)) {
            WriteMonitorValues(monitors.usb.pName, replaced.value.driverValue, monitors.usbVersion, true);
        }
        return true;
    }
    if (flags & kPrintProcessorOlder) {
        const std::string path = PrintProcessorKeyPath(OsIndex::Windows9x, r_.printer.pPrintProcessor);
        CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, path.c_str());
        const ResultWith<ReplacedFile> replaced =
            ReplaceComponentFile(r_.files.processorDll, kPrintProcessorDirectory, os_);
        if (replaced.value.needsRestart) return Fail(replaced);
        if (!Replaced(replaced)) return true;
        CRegistryKey key;
        const bool opened = key.Open(HKEY_LOCAL_MACHINE, path.c_str());
        if (opened) {
            key.SetString("Driver", replaced.value.driverValue.c_str());
            key.SetDword("DriverVersion", processorVersion_);
        }
        JournalResult("Record Driver \"" + replaced.value.driverValue + "\" and DriverVersion " +
                          std::to_string(processorVersion_) + " under HKLM\\" + path,
                      opened);
    }
    return true;
}

bool Installation::CopyDriverFiles(const char* environment) {
    DriverFileSet& f = r_.files;
    if (f.configFile[0] == '\0' || f.dataFile[0] == '\0' || f.driverPath[0] == '\0' || f.helpFile[0] == '\0') {
        return Fail(OperationResult::FailedWith("IDS_ERR_LOSTDRIVERFILE"));
    }
    for (char* required : {f.configFile, f.dataFile, f.driverPath, f.helpFile}) {
        if (!Copy(required, kPrinterDriverDirectory, environment)) return false;
    }
    for (char* optional : {f.dataFileDll, f.oemuiDll, f.oemuniDll, f.oemuniIni}) {
        if (IsGiven(optional) && !Copy(optional, kPrinterDriverDirectory, environment)) return false;
    }
    if (IsGiven(f.controlFontFile) && !Copy(f.controlFontFile, kDriverVersion3Directory, environment)) return false;
    if (!is64_ && IsGiven(f.usbInternalId) && !Copy(f.usbInternalId, kDriverVersion3Directory, environment)) {
        return false;
    }

    if (os_ == OsIndex::WindowsXp && !is64_) {
        if (!CopyConstant("srclient.dll", kSystemDirectoryIfMissing)) return false;
        if (!CopyConstant("framedyn.dll", kWbemDirectory)) return false;
        if (!CopyConstant("newdev.dll", kSystemDirectoryIfMissing)) return false;
    }
    return true;
}

bool Installation::UpdateLanguageMonitor() {
    const ComponentCheck check = CheckLanguageMonitor(config_, r_.printerType, os_, r_.portKind);
    if (!check) return Fail(check);
    KeepTold(told_, check.leftOver);
    r_.installFlags = check.value;
    if ((check.value & kLanguageMonitorOlder) == 0) return true;

    LanguageMonitorInfo info = {};
    config_.GetLanguageMonitorInfo(r_.modelName, os_, &info, PortKind::Usb);
    const ResultWith<ReplacedFile> replaced = ReplaceComponentFile(info.monitor.pDLLName, kSystemDirectory, os_);
    if (!Replaced(replaced)) return false;
    WriteMonitorValues(info.monitor.pName, replaced.value.driverValue, info.version, false);
    return true;
}

// The USB port monitor reads which ports belong to our printers from here.
bool Installation::RecordUsbPort() {
    auto write = [this] {
        CRegistryKey key;
        const bool opened = key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\VANTORA\\PRINTERPORT\\");
        r_.usbPrinterPortWritten = opened && key.SetDword(r_.portName.c_str(), 0);
        JournalResult("Record " + r_.portName + " = 0 under HKLM\\SOFTWARE\\VANTORA\\PRINTERPORT", opened);
    };
    if (!is64_) {
        write();
        return true;
    }
    // Shown from the worker: no owner, a user-interface owner would wait on the progress loop.
    if (!RunWithRedirectionOff(write)) return Fail(OperationResult::Failed(ERROR_SUCCESS, "Can't Load Kernel32.dll"));
    return true;
}

void Installation::StoreSerialSettings() {
    const std::string name = SerialPortName(r_.portName.c_str());
    r_.serial.parity = LowerParity(r_.serial.parity);
    JournalLine("Record the serial settings \"" + FormatSerialSettings(r_.serial) + "\" of " + name +
                (Windows9x() ? " in the profile's [Ports] and the port's line record" : " under HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports"));
    if (Windows9x()) {
        WriteSerialSettings9x(static_cast<unsigned char>(SerialPortNumber(r_.portName.c_str())), name.c_str(),
                              r_.serial);
    } else {
        WriteSerialSettingsNT(name.c_str(), r_.serial);
    }
}

}  // namespace

const char* InstallStepName(InstallStep step) {
    switch (step) {
        case InstallStep::CheckComponents: return "Checking the port monitors and the print processor";
        case InstallStep::UpdateComponents: return "Updating the port monitors and the print processor";
        case InstallStep::CheckPorts: return "Checking the spooler's ports";
        case InstallStep::CopyDriverFiles: return "Copying the driver files";
        case InstallStep::RestoreCoreFiles: return "Restoring the driver's core files";
        case InstallStep::UpdateLanguageMonitor: return "Updating the language monitor";
        case InstallStep::AddPrinterDriver: return "Adding the printer driver";
        case InstallStep::RecordUsbPort: return "Recording the USB port";
        case InstallStep::AddPrinter: return "Adding the printer";
        case InstallStep::SetDefaultPrinter: return "Setting the default printer";
        case InstallStep::StoreSerialSettings: return "Storing the serial port settings";
    }
    return "";
}

unsigned int RunInstallation(InstallContext& context) {
    bool succeeded = false;
    if (context.request != nullptr && context.request->config != nullptr) {
        const OperationResult result = Installation(*context.request, context.observer).Run();
        context.request->resultText = result.text;
        succeeded = result.ok;
    }
    EndCoreFileSearch();
    if (context.observer != nullptr) context.observer->InstallationEnded(succeeded);
    return 0;
}

DWORD WINAPI InstallationThread(void* parameter) {
    auto* context = static_cast<InstallContext*>(parameter);
    try {
        return RunInstallation(*context);
    } catch (...) {
        // Nothing may unwind out of a thread; the observer must still learn the end.
        if (context->observer != nullptr) context->observer->InstallationEnded(false);
        return 0;
    }
}
