#include "app/InstallCommand.h"

#include "app/AnswerFile.h"
#include "app/ProgramEntry.h"
#include "app/WorkLock.h"

#include "config/DomainTypes.h"
#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "config/TextCatalogue.h"
#include "config/ProductVersion.h"
#include "engine/ComponentChecks.h"
#include "engine/EnvironmentProbes.h"
#include "engine/InstallRecord.h"
#include "framework/MessageBoxes.h"
#include "framework/TextFormat.h"
#include "framework/UniqueResource.h"
#include "platform/ErrorText.h"
#include "platform/Journal.h"
#include "platform/SystemCalls.h"
#include "platform/SystemLibraries.h"
#include "ports/NetworkPort.h"
#include "ports/PortNames.h"
#include "ports/SerialSettings.h"
#include "ports/UsbIdentity.h"
#include "selection/SelectionRules.h"
#include "ui/InstallProgressDlg.h"
#include "ui/ModePage.h"


#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

constexpr DWORD kUsbInstallerTimeout = 10 * 60 * 1000;

// The records' "no such component" text; the spooler only reads it.
char emptyText[1] = {};

void DispatchPending() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Waits while answering messages, so that the disabled wizard still repaints.
void PumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (DWORD elapsed = 0; elapsed < milliseconds; elapsed = GetTickCount() - start) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
        DispatchPending();
    }
}

// Waits for the process while answering messages, until `start` is `limit` ago. True
// when it has ended.
bool WaitForProcess(HANDLE process, DWORD start, DWORD limit) {
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= limit) return false;
        const DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, limit - elapsed, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) return true;
        if (woken != WAIT_OBJECT_0 + 1) return false;
        DispatchPending();
    }
}

// The journal's account of every step the worker takes, passed on to whoever else watches
// (the progress window); with nobody else it also holds the outcome.
class JournalingObserver : public IInstallObserver {
public:
    explicit JournalingObserver(IInstallObserver* next) : next_(next) {}
    void StepStarted(InstallStep step) override {
        JournalLine(std::string("Step: ") + InstallStepName(step));
        SetJournalStep(InstallStepName(step));
        if (next_ != nullptr) next_->StepStarted(step);
    }
    void StepFinished(InstallStep step, bool succeeded) override {
        SetJournalStep(std::string());
        JournalLine(std::string("Step ") + (succeeded ? "done: " : "failed: ") + InstallStepName(step));
        if (next_ != nullptr) next_->StepFinished(step, succeeded);
    }
    void InstallationEnded(bool succeeded) override {
        outcome.store(succeeded ? CInstallProgressDlg::kSucceeded : CInstallProgressDlg::kFailed);
        if (next_ != nullptr) next_->InstallationEnded(succeeded);
    }
    std::atomic<int> outcome{CInstallProgressDlg::kRunning};

private:
    IInstallObserver* next_;
};

std::string DescribeUsbProbe(const UsbProbe& printer) {
    switch (printer.found) {
        case UsbProbe::Found::None: return "no printer connected";
        case UsbProbe::Found::Several: return "several printers connected";
        case UsbProbe::Found::One: break;
    }
    return "device number " + std::to_string(printer.deviceNumber) + ", answering on port " +
           std::to_string(UsbPortNumberOfPrinter(printer));
}

}  // namespace

UsbPrinterMatch PlanUsbPrinterMatch(InstallMode installMode, const UsbProbe& printer, int portNumber) {
    if (printer.found == UsbProbe::Found::Several) return UsbPrinterMatch::Stop;
    if (printer.found == UsbProbe::Found::None)
        return installMode == InstallMode::Typical ? UsbPrinterMatch::Proceed : UsbPrinterMatch::StopNoPrinter;
    const int wanted = installMode == InstallMode::Typical ? 1 : portNumber;
    return UsbPortNumberOfPrinter(printer) == wanted ? UsbPrinterMatch::Proceed : UsbPrinterMatch::AskRenumber;
}

std::string PrinterNameSuffix(PortKind kind, const std::string& portName) {
    switch (kind) {
        case PortKind::Usb: {
            const int port = UsbPortNumberOfName(portName);
            if (port == 0) return {};
            std::string suffix = "(U) ";
            suffix += static_cast<char>('0' + port);
            return suffix;
        }
        case PortKind::Serial: return "(S)";
        case PortKind::Parallel: return "(P)";
        case PortKind::Network: return "(E)";
        default: return {};
    }
}

std::string ClosingMessage(int outcome, const std::string& resultText, const std::string& restartNotice) {
    if (!resultText.empty()) return resultText;
    return outcome == CInstallProgressDlg::kSucceeded ? restartNotice : "Installation failed.";
}

void FillSpoolerRecords(InstallRequest& request) {
    CSetupConfig& config = *request.config;
    const PortKind kind = request.portKind;
    config.currentType = request.printerType;
    request.files = {};
    request.driver = {};
    request.languageMonitor = {};
    request.printer = {};
    config.GetDriverFiles(request.modelName, request.osIndex, &request.files, request.raster, kind);
    config.GetDriverInfo(request.modelName, request.osIndex, &request.driver, request.raster, kind);
    config.GetPrinterInfo(request.modelName, request.osIndex, &request.printer, request.raster, kind);
    request.printer.pPortName = request.portName.data();

    // The 64-bit spooler would load a 32-bit language monitor into itself: none there.
    const bool is64 = ProcessSettings::Is64BitWindows();
    if (is64) {
        request.languageMonitor.monitor.pName = emptyText;
        request.languageMonitor.monitor.pEnvironment = emptyText;
        request.languageMonitor.monitor.pDLLName = emptyText;
    } else {
        config.GetLanguageMonitorInfo(request.modelName, request.osIndex, &request.languageMonitor, kind);
    }
    request.driver.pMonitorName = !is64 && kind == PortKind::Usb && request.languageMonitor.monitor.pName != nullptr
                                      ? request.languageMonitor.monitor.pName
                                      : emptyText;
}

CInstallCommand::CInstallCommand(HWND frame, InstallFace face) : frame_(frame), face_(face) {}

int CInstallCommand::SayKey(const char* key, bool ownedByFrame) { return Say(MessageText(key), ownedByFrame); }

int CInstallCommand::Say(const std::string& text, bool ownedByFrame, UINT type) {
    JournalLine("Message: " + text);
    if (face_ == InstallFace::Wizard) return ShowOwnedMessageBox(ownedByFrame ? frame_ : nullptr, text.c_str(), type);
    if ((type & MB_TYPEMASK) != MB_YESNO) return IDOK;
    JournalLine(renumberAllowed ? "Answered Yes: /renumber allows it" : "Answered No: without /renumber nothing is rewritten");
    return renumberAllowed ? IDYES : IDNO;
}

bool CInstallCommand::Run(const InstallSelection& selection) {
    config_ = std::make_unique<CSetupConfig>();
    request_ = InstallRequest();
    request_.config = config_.get();
    outcome_ = CInstallProgressDlg::kRunning;
    restartRequired_ = false;
    otherRunning_ = false;
    portCreated_ = false;
    usbPortRegistered_ = false;
    serialBefore_.clear();
    renumberAgreed_ = false;

    // The wizard's journal opens when an installation begins, so that a session that only
    // looked leaves none; an unattended run has opened its own already.
    if (!JournalIsOpen()) OpenDefaultJournal();
    JournalLine("Install: model \"" + selection.modelName + "\" (printer type " +
                std::to_string(ToNumber(selection.printerType)) + "), OS index " +
                std::to_string(ToNumber(selection.osIndex)) + ", " +
                InstallModeName(selection.installMode) + " mode, port \"" +
                selection.portName + "\", raster " + std::to_string(selection.raster) +
                (selection.setAsDefault ? ", set as default printer" : ""));
    // Taken here, where the installation begins, and let go when it has ended.
    CWorkLock working;
    otherRunning_ = !working.Take();
    if (otherRunning_) {
        JournalLine("Install refused: the uninstaller is removing printers");
        Say(CTextCatalogue("Setup").ReadText("Close"), true);
        return false;
    }
    if (!Validate(selection)) {
        JournalLine("Install refused before anything was installed");
        return false;
    }

    request_.printerType = selection.printerType;
    request_.osIndex = selection.osIndex;
    request_.raster = selection.raster;
    CopyBounded(request_.modelName, sizeof request_.modelName, selection.modelName.c_str());
    selectionModel_ = selection.modelName;
    request_.portName = selection.portName;
    request_.portKind = kind_;
    request_.setAsDefault = selection.setAsDefault;
    request_.serial = selection.serial;
    request_.namesByLooking = true;
    FillSpoolerRecords(request_);

    if (kind_ == PortKind::Network && !CreateNetworkPort(selection)) return false;
    if (kind_ == PortKind::Usb && !MatchUsbPrinter(selection)) return false;
    NamePrinterAndPort(selection);
    if (request_.osIndex == OsIndex::WindowsNt4 && kind_ == PortKind::Usb) {
        SayKey("IDS_ERR_NOSUPPORTUSB", true);
        return false;
    }
    if (repairInstalled) request_.keepPrinter = FindPrinterToRepair();
    if (kind_ == PortKind::Serial)
        serialBefore_ = ReadSerialSettingsText(SerialPortName(request_.portName.c_str()).c_str(),
                                               IsWindows9x(request_.osIndex));
    const bool ran = RunWorker(selection);
    if (ran && outcome_ == CInstallProgressDlg::kSucceeded) {
        RecordInstallation(selection);
        WriteProgramEntry();
    }
    return ran;
}

namespace {


}  // namespace

bool IsNameOrNumbered(const std::string& name, const std::string& base) {
    if (base.empty() || name.size() < base.size() || !SameText(name.substr(0, base.size()), base)) return false;
    const std::string number = name.substr(base.size());
    if (number.empty()) return true;
    return number.size() >= 3 && number.front() == '(' && number.back() == ')' &&
           number.find_first_not_of("0123456789", 1) == number.size() - 1;
}

namespace {

// Where the spooler keeps what this program found present rather than registered itself.
std::string NativeEnvironment(OsIndex os) {
    if (ProcessSettings::Is64BitWindows()) return kEnvironmentX64;
    return IsWindows9x(os) ? "Windows 4.0" : "Windows NT x86";
}

// A component the record names: added when this run registered it, in each environment
// it registered it for; found present otherwise, where the spooler keeps its own.
void RecordComponent(const SpoolerRegistrations& registered, SpoolerObject object, const char* name, OsIndex os,
                     std::string& recordName, std::vector<std::string>& environments, bool& added) {
    if (name == nullptr || name[0] == '\0' || std::strcmp(name, "0") == 0) return;
    recordName = name;
    for (const SpoolerRegistration& registration : registered) {
        if (registration.object != object || !SameText(registration.name, name)) continue;
        added = true;
        environments.push_back(registration.environment);
    }
    if (environments.empty()) environments.push_back(NativeEnvironment(os));
}

}  // namespace

// The installed printer this run repairs: the one the index or a record names for the
// model and port while the spooler still has it, or a printer of this installation's own
// name, port and driver that no record names (an installation ended before its record).
// Looked up in the spooler rather than left to AddPrinter: Wine accepts a second printer
// of the same name where Windows refuses it.
std::string CInstallCommand::FindPrinterToRepair() {
    const std::string model = selectionModel_;
    const RecordsRead read = ReadRecords();
    for (const std::string& refused : read.refused) JournalLine("Install record ignored, it is no record of ours: " + refused);
    // The records of this model on this port, the one the index names first.
    const std::string indexed = ReadIndexEntry(model, request_.portName);
    std::vector<const InstallRecord*> recorded;
    for (const InstallRecord& record : read.records)
        if (SameText(record.model, model) && SameText(record.port, request_.portName))
            recorded.insert(record.printer == indexed ? recorded.begin() : recorded.end(), &record);
    for (const InstallRecord* record : recorded) {
        if (FindPrinter(record->printer).found) {
            JournalLine("Printer \"" + record->printer + "\" is recorded as installed on " + request_.portName +
                        ": repaired");
            return record->printer;
        }
        JournalLine("Printer \"" + record->printer + "\" is recorded but no longer exists: installed anew");
    }
    const std::string base = request_.printer.pPrinterName != nullptr ? request_.printer.pPrinterName : "";
    const std::string driver = request_.driver.pName != nullptr ? request_.driver.pName : "";
    std::string adopted;
    for (const SpoolerPrinter& printer : ListPrinters()) {
        if (!IsNameOrNumbered(printer.name, base) || !SameText(printer.port, request_.portName) ||
            printer.driver != driver ||
            std::any_of(read.records.begin(), read.records.end(),
                        [&](const InstallRecord& record) { return record.printer == printer.name; }))
            continue;
        // The unnumbered name first: it is the one the installation gave.
        if (adopted.empty() || SameText(printer.name, base)) adopted = printer.name;
    }
    if (!adopted.empty())
        JournalLine("Printer \"" + adopted + "\" on " + request_.portName + " with driver " + driver +
                    " has no install record: adopted and repaired");
    return adopted;
}

void CInstallCommand::RecordInstallation(const InstallSelection& selection) {
    InstallRecord record;
    record.printer = request_.modelName;
    record.model = selection.modelName;
    record.printerType = selection.printerType;
    record.driver = request_.driver.pName != nullptr ? request_.driver.pName : "";
    bool driverAdded = false;
    RecordComponent(request_.registrations, SpoolerObject::PrinterDriver, record.driver.c_str(), request_.osIndex,
                    record.driver, record.driverEnvironments, driverAdded);
    record.port = request_.portName;
    record.portKind = kind_;
    if (kind_ == PortKind::Network) {
        record.networkAddress = selection.ipAddress;
        record.portCreated = portCreated_;
    }
    if (kind_ == PortKind::Usb) {
        if (usbPortRegistered_) record.usbPortName = request_.portName;
        if (request_.usbPrinterPortWritten) record.usbPrinterPort = request_.portName;
    }
    if (kind_ == PortKind::Serial) {
        record.serialSettings = FormatSerialSettings(request_.serial);
        record.serialSettingsBefore = serialBefore_;
    }
    PortMonitorPair monitors = {};
    config_->GetPortMonitors(request_.osIndex, &monitors);
    if (const MONITOR_INFO_2A* monitor = NeededPortMonitor(monitors, request_.osIndex, kind_))
        RecordComponent(request_.registrations, SpoolerObject::Monitor, monitor->pName, request_.osIndex,
                        record.portMonitor, record.portMonitorEnvironments, record.portMonitorAdded);
    RecordComponent(request_.registrations, SpoolerObject::Monitor, request_.languageMonitor.monitor.pName,
                    request_.osIndex, record.languageMonitor, record.languageMonitorEnvironments,
                    record.languageMonitorAdded);
    RecordComponent(request_.registrations, SpoolerObject::PrintProcessor, request_.printer.pPrintProcessor,
                    request_.osIndex, record.printProcessor, record.printProcessorEnvironments,
                    record.printProcessorAdded);
    record.driverFiles = DriverFilesOf(record.driver, record.driverEnvironments);
    record.defaultPrinter = selection.setAsDefault != 0;
    record.setupVersion = PRODUCT_VERSION_TEXT;
    record.distributionVersion = DistributionVersion();
    SYSTEMTIME now = {};
    GetSystemTime(&now);
    record.installedAt = RecordTime(now);
    record.journal = JournalPath();

    const RecordsRead read = ReadRecords();
    CarryOwnership(record, read.records);
    // A record whose printer has gone is replaced by this one.
    for (const InstallRecord& stale : read.records) {
        if (stale.printer == record.printer || !SameText(stale.model, record.model) ||
            !SameText(stale.port, record.port) || FindPrinter(stale.printer).found)
            continue;
        JournalResult("Remove the install record of \"" + stale.printer + "\", whose printer no longer exists",
                      DeleteRecord(stale.printer));
    }
    // The index keeps naming the first printer while that one is installed (/new-printer adds more).
    const std::string indexed = ReadIndexEntry(record.model, record.port);
    const bool pointIndex = indexed.empty() || indexed == record.printer || !FindPrinter(indexed).found ||
                            std::none_of(read.records.begin(), read.records.end(),
                                         [&](const InstallRecord& r) { return r.printer == indexed; });
    JournalResult("Record the installation under HKLM\\" + std::string(kRecordsKey) + "\\" + record.printer +
                      (pointIndex ? " and HKLM\\" + std::string(kIndexKey) + "\\" + record.model + "\\" + record.port
                                  : std::string()),
                  WriteRecord(record, pointIndex));
}

bool CInstallCommand::Validate(const InstallSelection& selection) {
    if (selection.modelName.empty()) {
        SayKey("IDS_ERR_SELPRINTER", true);
        return false;
    }
    // Vista was settled when the operating-system page was left.
    if (selection.osIndex != OsIndex::WindowsVista) {
        const OsSupport support = ReadOsSupport(config_->TypeFilePath(selection.printerType),
                                                PortSectionOf(selection.modelName));
        if (const char* key = UnsupportedOsMessageKey(selection.osIndex, support)) {
            SayKey(key, false);
            return false;
        }
    }

    kind_ = ClassifyPortName(selection.portName.c_str());
    JournalLine(std::string("Port kind: ") + PortKindName(kind_));
    if (kind_ == PortKind::None) {
        SayKey("IDS_ERR_NOSUPPORTINTERFACE", true);
        return false;
    }
    return kind_ != PortKind::Usb || PrepareUsbDriver(selection);
}

// The USB driver must be in place before a USB printer is installed; Windows 98/Me and
// NT 4 have none of ours. Decided by the Windows that runs, not the one selected.
bool CInstallCommand::PrepareUsbDriver(const InstallSelection& selection) {
    if (!TakesOurUsbDriver(DetectSystem())) return true;
    const int update = CheckUsbDriverUpdate();
    JournalLine(std::string("USB driver: ") +
                (update == 0 ? "installed and current" : update < 0 ? "not installed" : "older than the package's"));
    if (update == 0) return true;
    if (selection.installMode == InstallMode::Advanced) {
        SayKey("IDS_ERR_FIRSTSETUPUSB", false);
        return false;
    }
    InstallUsbDriver(frame_, [this](const std::string& text) { Say(text, true); }, face_);
    if (face_ == InstallFace::Wizard) return true;
    // Unattended nobody watched the package's installer: what it left is checked as the
    // port page checks it, and an installation without its driver is not begun.
    const UsbDriverVersions found = ReadUsbDriverVersions();
    const std::string versions = found.installedPath + " has version " + found.installed + ", the package's " +
                                 found.shippedPath + " " + found.shipped;
    if (found.update == 0) {
        JournalLine("USB driver after the package's installer: " + versions);
        return true;
    }
    JournalLine(std::string("USB driver ") + (found.update < 0 ? "still missing" : "still older") +
                " after the package's installer: " + versions);
    return false;
}

bool CInstallCommand::CreateNetworkPort(const InstallSelection& selection) {
    if (selection.ipAddressBlank) {
        SayKey("IDS_ERR_IPADDRISNULL", true);
        return false;
    }
    request_.portName = "IP_";
    request_.portName += selection.ipAddress;
    request_.printer.pPortName = request_.portName.data();
    const ResultWith<bool> added = AddTcpIpPort(request_.portName.c_str(), selection.ipAddress.c_str());
    portCreated_ = added.ok && added.value;
    JournalResult("Add network port " + request_.portName + " for " + selection.ipAddress +
                      " through the Standard TCP/IP Port monitor",
                  added);
    if (!added) {
        SayKey("IDS_ERR_ADDPORTERROR", true);
        return false;
    }
    return true;
}

// The connected printer answers on the port whose number matches its device number;
// the user may renumber it to the chosen port.
bool CInstallCommand::MatchUsbPrinter(const InstallSelection& selection) {
    const int port = selection.installMode == InstallMode::Typical ? 1 : UsbPortNumberOfName(selection.portName);
    const UsbProbe printer = ReadUsbDeviceNumber();
    JournalLine("USB printer probe: " + DescribeUsbProbe(printer));
    switch (PlanUsbPrinterMatch(selection.installMode, printer, port)) {
        case UsbPrinterMatch::Proceed: return true;
        case UsbPrinterMatch::Stop: return false;
        case UsbPrinterMatch::StopNoPrinter: SayKey("IDS_ERR_NOUSBDEVICE", true); return false;
        case UsbPrinterMatch::AskRenumber: break;
    }
    if (Say(MessageText("IDS_INF_CHANGEID"), false, MB_YESNO) != IDYES) return false;
    renumberAgreed_ = true;
    // A port without a number cannot be written (the write refuses 0).
    const bool written = WriteUsbDeviceNumber(static_cast<unsigned char>(port)).ok;
    JournalResult("Rewrite the USB printer's device number for port " + std::to_string(port), written);
    if (written) return true;
    // Typical mode: the write has told the user itself.
    if (selection.installMode == InstallMode::Advanced) Say("Failed to set Printer ID!", true);
    return false;
}

void CInstallCommand::NamePrinterAndPort(const InstallSelection& selection) {
    if (char* name = request_.printer.pPrinterName) {
        const std::string suffix = PrinterNameSuffix(kind_, selection.portName);
        const std::size_t length = strnlen(name, CSetupConfig::kPrinterNameSize - 1);
        CopyBounded(name + length, CSetupConfig::kPrinterNameSize - length, suffix.c_str());
    }
    if (kind_ != PortKind::Usb) return;
    // This model's port monitor serves one port name per port number.
    if (selection.portName.find("QXL-K6") != std::string::npos) {
        request_.portName = "USB_QXL-K6_";
        request_.portName += selection.portName.back();
        request_.printer.pPortName = request_.portName.data();
    }
    usbPortRegistered_ = RegisterUsbPort(request_.printer.pPortName).ok;
    JournalResult(std::string("Record the USB port ") + request_.printer.pPortName +
                      " under HKLM\\SOFTWARE\\VANTORA\\PORTNAME",
                  usbPortRegistered_);
}

bool CInstallCommand::RunWorker(const InstallSelection& selection) {
    JournalLine(std::string("Printer \"") + (request_.printer.pPrinterName ? request_.printer.pPrinterName : "") +
                "\" with driver \"" + (request_.driver.pName ? request_.driver.pName : "") + "\" on port " +
                (request_.printer.pPortName ? request_.printer.pPortName : ""));
    const bool windowed = face_ != InstallFace::Quiet;
    CInstallProgressDlg progress;
    progress.holdFlag = IsWindows9x(selection.osIndex) ? 0 : 1;
    progress.outcome.store(CInstallProgressDlg::kRunning);
    JournalingObserver observer(windowed ? &progress : nullptr);
    InstallContext context{&request_, &observer};

    if (frame_ != nullptr) {
        ShowWindow(frame_, SW_SHOWMINIMIZED);
        SetWindowPos(frame_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    }
    const UniqueHandle worker(SystemCalls().CreateThread(nullptr, 0, InstallationThread, &context, 0, nullptr));
    if (!worker) {
        const DWORD error = GetLastError();
        if (frame_ != nullptr) {
            SetWindowPos(frame_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
            ShowWindow(frame_, SW_RESTORE);
        }
        std::string text;
        SetErrorText(text, "IDS_ERR_ALLOCMEMORY", error);
        JournalResult("Start the installation's worker thread", false, error);
        Say(text, true);
        return false;
    }
    if (windowed) progress.DoModal(frame_);
    // The window may close before the worker ends (Windows 98/Me does not wait): nothing
    // the worker uses may go, and no result may be read, until it has returned.
    WaitForSingleObject(worker.get(), INFINITE);
    outcome_ = observer.outcome.load();
    JournalLine(outcome_ == CInstallProgressDlg::kSucceeded ? "Installation succeeded" : "Installation failed");
    ShowClosingMessages(selection);
    return true;
}

void CInstallCommand::ShowClosingMessages(const InstallSelection& selection) {
    const std::string text = ClosingMessage(outcome_, request_.resultText, MessageText("IDS_INF_NTRESTART"));
    if (face_ != InstallFace::Wizard) {
        JournalLine("Closing message: " + text);
        // Nobody to ask: the caller hears of the restart through the exit code.
        restartRequired_ = IsWindows9x(selection.osIndex) && outcome_ == CInstallProgressDlg::kSucceeded;
        return;
    }
    Say(text, true);

    if (IsWindows9x(selection.osIndex) && Say(MessageText("IDS_INF_RESTART"), false, MB_YESNO) == IDYES) {
        const bool restarting = SystemCalls().ExitWindowsEx(EWX_REBOOT, 0) != FALSE;
        JournalResult("Restart Windows", restarting, restarting ? 0 : GetLastError());
        if (!restarting) Say(MessageText("IDS_ERR_EXITWIN"), false);
    }
}

std::string OutcomeLine(bool ran, int outcome, const std::string& printerName, const std::string& portName,
                        bool repaired) {
    if (!ran) return "Outcome: nothing installed, the installation was refused before it began";
    if (outcome != CInstallProgressDlg::kSucceeded) return "Outcome: the installation failed";
    if (repaired) return "Outcome: already installed as " + printerName + ": repaired";
    return "Outcome: installed printer \"" + printerName + "\" on port " + portName;
}

namespace {

// The wizard's last Install, for the journal's closing line.
std::string wizardOutcome = "Outcome: nothing installed";

}  // namespace

bool RunInstallCommand(HWND frame, const InstallSelection& selection) {
    CInstallCommand command(frame);
    const bool ran = command.Run(selection);
    wizardOutcome = OutcomeLine(ran, command.Outcome(), command.Request().modelName, command.Request().portName);
    if (ran && command.Outcome() == CInstallProgressDlg::kSucceeded)
        SaveWizardAnswers(frame, selection, command.RenumberAgreed());
    return ran;
}

const std::string& WizardOutcomeLine() { return wizardOutcome; }

namespace {

// Started unattended: a process handle to wait on, and hidden when quiet. Null when the
// installer did not start (the last error says why) or gave no process to wait on.
HANDLE StartInstallerUnattended(const std::string& installer, InstallFace face, bool& started) {
    SHELLEXECUTEINFOA execute = {};
    execute.cbSize = sizeof execute;
    // No message box of the shell's own, and nothing left running in shell32 once it returns.
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    execute.lpVerb = "open";
    execute.lpFile = installer.c_str();
    execute.lpParameters = "2";
    execute.nShow = face == InstallFace::Quiet ? SW_HIDE : SW_SHOWNORMAL;
    started = SystemCalls().ShellExecuteExA(&execute) != FALSE;
    return started ? execute.hProcess : nullptr;
}

}  // namespace

void InstallUsbDriver(HWND frame, const std::function<void(const std::string&)>& tell, InstallFace face) {
    const std::string folder = JoinPath(
        ProgramFolder(), ProcessSettings::Is64BitWindows() ? "USBDRV\\USBDriver_x64\\" : "USBDRV\\USBDriver\\");
    for (const char* file : {"VTPUSB.sys", "VTPUSB.INF"}) {
        SetFileAttributesA((folder + file).c_str(), FILE_ATTRIBUTE_ARCHIVE);
    }
    const std::string installer = folder + "Install.exe";
    const DWORD start = GetTickCount();
    bool started = false;
    UniqueHandle process;
    if (face == InstallFace::Wizard) {
        started = reinterpret_cast<INT_PTR>(ShellExecuteFromSystemFolder(nullptr, "open", installer.c_str(), "2",
                                                                          nullptr, SW_SHOWNORMAL)) > 32;
    } else {
        process.reset(StartInstallerUnattended(installer, face, started));
    }
    const DWORD startError = started ? 0 : GetLastError();
    JournalResult("Start the USB driver package's installer " + installer + " 2" +
                      (face == InstallFace::Quiet ? " hidden" : ""),
                  started, startError);
    if (!started) {
        const std::string number = std::to_string(startError);
        if (tell) {
            tell(number);
        } else {
            ShowOwnedMessageBox(frame, number.c_str());
        }
    }

    const bool wasEnabled = frame != nullptr && IsWindowEnabled(frame);
    if (wasEnabled) EnableWindow(frame, FALSE);
    if (process && !WaitForProcess(process.get(), start, kUsbInstallerTimeout)) {
        JournalLine("The USB driver package's installer has not ended within ten minutes");
    }
    PumpFor(500);
    CTextCatalogue setup("Setup");
    const std::string caption = setup.ReadText("CaptionName");
    // The window also covers an installer that hands its work to another process before it
    // ends. An empty title would match any untitled window; a stray window must not hold
    // us forever.
    if (!caption.empty()) {
        while (FindWindowA(nullptr, caption.c_str()) != nullptr && GetTickCount() - start < kUsbInstallerTimeout) {
            PumpFor(1000);
        }
    }
    PumpFor(1000);
    PumpFor(2000);
    JournalLine("The USB driver package's installer has ended");
    if (wasEnabled) EnableWindow(frame, TRUE);
}
