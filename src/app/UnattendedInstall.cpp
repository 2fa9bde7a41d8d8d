#include "app/UnattendedInstall.h"

#include "app/InstallCommand.h"
#include "app/InstallSelection.h"
#include "app/SetupApp.h"
#include "config/SetupConfig.h"
#include "config/TextCatalogue.h"
#include "config/ProcessSettings.h"
#include "engine/EnvironmentProbes.h"
#include "engine/InstallRecord.h"
#include "engine/SpoolerObjects.h"
#include "framework/MessageBoxes.h"
#include "framework/TextFormat.h"
#include "platform/Journal.h"
#include "platform/Notices.h"
#include "platform/SystemCalls.h"
#include "ports/PortList.h"
#include "ports/PortNames.h"
#include "ports/UsbIdentity.h"
#include "selection/SelectionRules.h"
#include "ui/InstallProgressDlg.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

namespace {

// What the engine and the port code would show goes to the journal; nobody is asked.
// The sink in force before is back when the run returns, so nothing is left pointing at
// this one.
class JournalNotices : public INoticeSink {
public:
    JournalNotices() : previous_(SetNoticeSink(this)) {}
    ~JournalNotices() override { SetNoticeSink(previous_); }
    JournalNotices(const JournalNotices&) = delete;
    JournalNotices& operator=(const JournalNotices&) = delete;

    int Notify(const Notice& notice) override {
        JournalLine("Message: " + notice.text);
        return (notice.type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
    }

private:
    INoticeSink* previous_;
};

// A refusal of the selection: the journal says why, the exit code says what kind.
struct Refused {
    int exitCode;
    std::string reason;
};

int Finish(int exitCode) {
    JournalLine("Exit code " + std::to_string(exitCode));
    CloseJournal();
    return exitCode;
}

// A port name as given: the switches take it in any letter case.
bool IsUsbPortName(std::string port) {
    CharUpperBuffA(port.data(), static_cast<DWORD>(port.size()));
    return ClassifyPortName(port.c_str()) == PortKind::Usb;
}

int ExitCodeOf(Refusal refusal) {
    switch (refusal) {
        case Refusal::AnotherCopy:
        case Refusal::UninstallerRunning: return kExitAnotherInstall;
        case Refusal::WindowsUnsupported:
        case Refusal::WrongBitness:
        case Refusal::ProtectedPrint: return kExitPlatformUnsupported;
        default: return kExitInstallFailed;
    }
}

// Why the /log file was refused (it is then never written, and the journal is a default
// one); empty when the run may go on. Without a journal the installation still runs: the
// exit code still tells.
std::string OpenRunJournal(const std::string& logPath, const std::string& commandLine) {
    std::string refusal;
    if (logPath.empty() || (!OpenJournal(logPath, &refusal) && !refusal.empty())) OpenDefaultJournal();
    JournalLine("Printer Driver Setup, unattended: " + commandLine);
    return refusal.empty() ? refusal : "/log: \"" + logPath + "\" " + refusal;
}

// The model page: one entry of the device list, of the type named where two carry the name.
std::optional<Refused> ResolveModel(const SetupSwitches& s, InstallSelection& selection) {
    if (s.model.size() > LongestModelName()) {
        return Refused{kExitInvalidSwitch, "/model: \"" + s.model.substr(0, 60) + "...\" is longer than any model name"};
    }
    const std::vector<ModelChoice> models = ModelsNamed(CSetupConfig().GetDeviceList(), s.model, s.printerType);
    if (models.empty()) {
        return Refused{kExitInvalidSwitch, "/model: \"" + s.model + "\" is no model of this distribution" +
                                               (s.printerType ? std::string(" of type ") + PrinterTypeName(*s.printerType) : "")};
    }
    if (models.size() > 1) {
        return Refused{kExitInvalidSwitch,
                       "/model: \"" + s.model + "\" is a model of several types; name one with /type"};
    }
    selection.modelName = models.front().name;
    selection.printerType = models.front().type;
    selection.setAsDefault = s.setAsDefault ? 1 : 0;
    BuildConfigPaths(selection.printerType, selection.configPath, selection.typeFilePath);
    JournalLine(std::string("Model \"") + selection.modelName + "\", " + PrinterTypeName(selection.printerType) +
                " printer");
    return std::nullopt;
}

// The operating-system page: the detected Windows, nothing to choose.
std::optional<Refused> ResolveWindows(InstallSelection& selection) {
    const OsChoice os = ChooseOsIndexOfRunningWindows();
    if (os.unknownPlatform) return Refused{kExitPlatformUnsupported, MessageCatalogue.ReadText("IDS_ERR_SYSTEM")};
    selection.osIndex = os.osIndex;
    JournalLine("Installed as OS index " + std::to_string(ToNumber(os.osIndex)));
    const OsSupport support = ReadOsSupport(selection.typeFilePath, PortSectionOf(selection.modelName));
    if (const char* key = UnsupportedOsMessageKey(os.osIndex, support)) {
        return Refused{kExitPlatformUnsupported, std::string("[Message] ") + key + ": " + MessageCatalogue.ReadText(key)};
    }
    return std::nullopt;
}

// The install-mode page: advanced only where the model offers it.
std::optional<Refused> ResolveMode(const SetupSwitches& s, InstallSelection& selection) {
    selection.installMode = s.installMode.value_or(InstallMode::Typical);
    if (selection.installMode == InstallMode::Advanced &&
        !AdvancedModeOffered(selection.typeFilePath, PortSectionOf(selection.modelName))) {
        return Refused{kExitInvalidSwitch, "/mode: model \"" + selection.modelName + "\" has no advanced installation"};
    }
    return std::nullopt;
}

// The port page's list and preselection; the plan stays for the controls that depend on it.
std::optional<Refused> ResolvePort(const SetupSwitches& s, InstallSelection& selection, PortListPlan& plan) {
    PortListInput input = PortListInputOf(selection.typeFilePath, selection.modelName, selection.osIndex,
                                          selection.installMode == InstallMode::Typical);
    // The device library is asked only where a USB port can come of it: the one named,
    // or the preselection, which a connected printer decides.
    const bool usbPortPossible = s.port.empty() ? input.keys.usbSupported != 0 : IsUsbPortName(s.port);
    input.usbPrinter = usbPortPossible ? ReadUsbDeviceNumber() : UsbProbe::Nothing();
    plan = PlanPortList(input);
    std::string offered;
    for (const std::string& entry : plan.entries) offered += (offered.empty() ? "" : ", ") + entry;
    JournalLine("Ports offered: " + (offered.empty() ? std::string("none") : offered));
    if (s.port.empty()) {
        if (plan.portText.empty()) return Refused{kExitInvalidSwitch, "/port: the model offers no port to preselect"};
        selection.portName = plan.portText;
    } else if (const std::optional<std::string> port = OfferedPort(plan, s.port)) {
        selection.portName = *port;
    } else {
        return Refused{kExitInvalidSwitch, "/port: \"" + s.port + "\" is not offered for model \"" +
                                               selection.modelName + "\" here (offered: " + offered + ")"};
    }
    return std::nullopt;
}

// The address control: enabled for the network port only.
std::optional<Refused> ResolveAddress(const SetupSwitches& s, InstallSelection& selection) {
    if (!ControlsForPortKind(ClassifyPortName(selection.portName.c_str())).ipEnabled) {
        if (s.ipAddress.empty()) return std::nullopt;
        return Refused{kExitInvalidSwitch, "/ip: only for a network port, not " + selection.portName};
    }
    if (s.ipAddress.empty()) return Refused{kExitInvalidSwitch, "/ip: required for " + selection.portName};
    if (s.ipAddress == "0.0.0.0") return Refused{kExitInvalidSwitch, "/ip: 0.0.0.0 names no printer"};
    selection.ipAddress = s.ipAddress;
    selection.ipAddressBlank = false;
    return std::nullopt;
}

// The serial lists: the model's presets, each value given taken where the lists hold it.
std::optional<Refused> ResolveSerial(const SetupSwitches& s, InstallSelection& selection) {
    const bool serialGiven = s.baudRate || s.dataBits || s.parity || s.stopBits || s.flow;
    if (serialGiven && !ControlsForPortKind(ClassifyPortName(selection.portName.c_str())).serialEnabled) {
        return Refused{kExitInvalidSwitch, "/baud, /databits, /parity, /stopbits, /flow: only for a COM port, not " +
                                               selection.portName};
    }
    selection.serial = ModelSerialPresets(selection.typeFilePath, PortSectionOf(selection.modelName));
    if (s.baudRate) {
        if (!IsListedBaudRate(*s.baudRate)) return Refused{kExitInvalidSwitch, "/baud: " + std::to_string(*s.baudRate) + " is not in the list"};
        selection.serial.baudRate = *s.baudRate;
    }
    if (s.dataBits) selection.serial.byteSize = *s.dataBits;
    if (s.stopBits) selection.serial.stopBits = *s.stopBits;
    if (s.parity) selection.serial.parity = *s.parity;
    if (s.flow) selection.serial.protocol = *s.flow;
    return std::nullopt;
}

// The raster check box: its flag, changed only where the page lets the user change it.
std::optional<Refused> ResolveRaster(const SetupSwitches& s, const PortListPlan& plan, InstallSelection& selection) {
    const RasterRule raster = RasterRuleOf(plan, ClassifyPortName(selection.portName.c_str()));
    selection.raster = raster.flag;
    if (!s.raster || *s.raster == raster.flag) return std::nullopt;
    if (!raster.userMayChoose) {
        return Refused{kExitInvalidSwitch,
                       "/raster: fixed at " + std::to_string(raster.flag) + " for " + selection.portName};
    }
    selection.raster = *s.raster;
    return std::nullopt;
}

// The choice as the wizard's pages would let a user make it, page by page.
std::optional<Refused> ResolveSelection(const SetupSwitches& s, InstallSelection& selection) {
    PortListPlan plan;
    std::optional<Refused> refused = ResolveModel(s, selection);
    if (!refused) refused = ResolveWindows(selection);
    if (!refused) refused = ResolveMode(s, selection);
    if (!refused) refused = ResolvePort(s, selection, plan);
    if (!refused) refused = ResolveAddress(s, selection);
    if (!refused) refused = ResolveSerial(s, selection);
    if (!refused) refused = ResolveRaster(s, plan, selection);
    return refused;
}

}  // namespace

int RefuseCommandLine(const std::string& error, const std::string& journalPath, const std::string& commandLine) {
    const std::string journalRefused = OpenRunJournal(journalPath, commandLine);
    JournalLine("Refused: " + error);
    if (!journalRefused.empty()) JournalLine("Refused: " + journalRefused);
    return Finish(kExitInvalidSwitch);
}

int RunUnattended(const SetupSwitches& switches, const std::string& commandLine) {
    if (const std::string refusal = OpenRunJournal(switches.logPath, commandLine); !refusal.empty()) {
        JournalLine("Refused: " + refusal);
        return Finish(kExitInvalidSwitch);
    }
    const JournalNotices notices;
    const bool quiet = switches.quiet;
    JournalLine(quiet ? "Mode: quiet, no window" : "Mode: passive, the progress window only");

    CSetupApp app;
    app.unattended = true;
    if (!app.PassAdmission()) return Finish(ExitCodeOf(app.LastRefusal()));

    if (AdministratorMissing(IsUserAdministrator)) {
        JournalLine("Refused: " + std::string(MessageCatalogue.ReadText("IDS_ADMIN")));
        return Finish(kExitInstallFailed);
    }
    ApplyDriverFamilySetting();
    if (ReadStartFlags().licencePage && !switches.acceptLicence) {
        JournalLine("Refused: /accept-licence: this distribution's licence must be accepted");
        return Finish(kExitInvalidSwitch);
    }

    InstallSelection selection;
    if (const std::optional<Refused> refused = ResolveSelection(switches, selection)) {
        JournalLine("Refused: " + refused->reason);
        return Finish(refused->exitCode);
    }

    if (!quiet) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
    }
    CInstallCommand command(nullptr, quiet ? InstallFace::Quiet : InstallFace::Passive);
    command.renumberAllowed = switches.renumber;
    command.repairInstalled = !switches.newPrinter;
    const bool ran = command.Run(selection);
    const int exitCode =
        command.OtherRunning() ? kExitAnotherInstall : InstallExitCode(ran, command.Outcome(), command.RestartRequired());
    JournalLine(OutcomeLine(ran, command.Outcome(), command.Request().modelName, command.Request().portName,
                            command.Repaired()));
    return Finish(exitCode);
}

int RunQuery(const SetupSwitches& switches) {
    // The records are in the 64-bit view on 64-bit Windows, as the installation wrote them.
    ProcessSettings::SetIs64BitWindows(IsWow64Windows());
    std::string lines;
    for (const InstallRecord& record : ReadRecords().records) {
        if (!switches.model.empty() && !SameText(record.model, switches.model)) continue;
        if (!switches.port.empty() && !SameText(record.port, switches.port)) continue;
        // A record outlives a printer deleted by hand: only what the spooler has counts.
        if (!FindPrinter(record.printer).found) continue;
        lines += QueryLine(record) + "\r\n";
    }
    WriteToCaller(lines);
    return lines.empty() ? kExitUnknownProduct : kExitInstalled;
}

int InstallExitCode(bool ran, int outcome, bool restartRequired) {
    if (!ran || outcome != CInstallProgressDlg::kSucceeded) return kExitInstallFailed;
    return restartRequired ? kExitRestartRequired : kExitInstalled;
}

int ShowSwitchesHelp() {
    const std::string text = SwitchesHelpText();
    WriteToCaller(text);
    ShowAppMessageBox(text.c_str(), MB_OK | MB_ICONINFORMATION);
    return kExitInstalled;
}
