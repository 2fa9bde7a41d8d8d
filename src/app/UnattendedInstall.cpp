#include "app/UnattendedInstall.h"

#include "app/InstallCommand.h"
#include "app/InstallSelection.h"
#include "app/SetupApp.h"
#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "config/SetupConfig.h"
#include "config/TextCatalogue.h"
#include "engine/EnvironmentProbes.h"
#include "framework/MessageBoxes.h"
#include "platform/Journal.h"
#include "platform/Notices.h"
#include "platform/SystemCalls.h"
#include "ports/PortList.h"
#include "ports/PortNames.h"
#include "ports/UsbIdentity.h"
#include "ui/InstallProgressDlg.h"
#include "ui/ModePage.h"
#include "ui/OsPage.h"
#include "ui/PageWalkRules.h"
#include "ui/PortPage.h"

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
    return ClassifyPortName(port.c_str()) == kUsbInterface;
}

int ExitCodeOf(Refusal refusal) {
    switch (refusal) {
        case Refusal::AnotherCopy:
        case Refusal::UninstallerRunning: return kExitAnotherInstall;
        case Refusal::WindowsUnsupported:
        case Refusal::WrongBitness: return kExitPlatformUnsupported;
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

struct Model {
    std::string name;
    int type = -1;
};

// Every device entry that names this model, in the spelling of the distribution.
std::vector<Model> FindModel(const std::string& wanted) {
    std::vector<Model> found;
    CSetupConfig config;
    for (const CSetupConfig::DeviceEntry& entry : config.GetDeviceList()) {
        if (entry.type < 0 || entry.type >= kPrinterTypeCount || lstrcmpiA(entry.name.c_str(), wanted.c_str()) != 0)
            continue;
        found.push_back({entry.name, entry.type});
    }
    return found;
}

// The choice as the wizard's pages would let a user make it.
std::optional<Refused> ResolveSelection(const SetupSwitches& s, InstallSelection& selection) {
    if (s.model.size() > LongestModelName()) {
        return Refused{kExitInvalidSwitch, "/model: \"" + s.model.substr(0, 60) + "...\" is longer than any model name"};
    }
    std::vector<Model> models = FindModel(s.model);
    if (s.printerType) {
        std::vector<Model> ofType;
        for (const Model& m : models)
            if (m.type == *s.printerType) ofType.push_back(m);
        models = ofType;
    }
    if (models.empty()) {
        return Refused{kExitInvalidSwitch, "/model: \"" + s.model + "\" is no model of this distribution" +
                                               (s.printerType ? std::string(" of type ") + PrinterTypeName(*s.printerType) : "")};
    }
    if (models.size() > 1) {
        return Refused{kExitInvalidSwitch,
                       "/model: \"" + s.model + "\" is a model of several types; name one with /type"};
    }
    const Model model = models.front();
    selection.modelName = model.name;
    selection.printerType = model.type;
    selection.setAsDefault = s.setAsDefault ? 1 : 0;
    BuildConfigPaths(model.type, selection.configPath, selection.typeFilePath);
    const std::string section = PortSectionOf(model.name);
    JournalLine(std::string("Model \"") + model.name + "\", " + PrinterTypeName(model.type) + " printer");

    // The operating-system page: the detected Windows, nothing to choose.
    const RunningWindows running = ReadRunningWindows();
    const OsPageChoice os = ChooseOsPageButton(running.version.dwPlatformId, running.version.dwMajorVersion,
                                               running.version.dwMinorVersion, running.version.wProductType,
                                               running.processorArchitecture, NewerWindowsAllowed());
    if (os.unknownPlatform) return Refused{kExitPlatformUnsupported, MessageCatalogue.ReadText("IDS_ERR_SYSTEM")};
    selection.osIndex = os.osIndex;
    JournalLine("Installed as OS index " + std::to_string(os.osIndex));
    if (const char* key = UnsupportedOsMessageKey(os.osIndex, ReadOsSupport(selection.typeFilePath, section))) {
        return Refused{kExitPlatformUnsupported, std::string("[Message] ") + key + ": " + MessageCatalogue.ReadText(key)};
    }

    // The install-mode page: advanced only where the model offers it.
    selection.installMode = s.installMode.value_or(kInstallModeTypical);
    if (selection.installMode == kInstallModeAdvanced &&
        ReadProfileInt(selection.typeFilePath, section, ConfigKeys::AdvancedSetup) == 0) {
        return Refused{kExitInvalidSwitch, "/mode: model \"" + model.name + "\" has no advanced installation"};
    }
    const bool typical = selection.installMode == kInstallModeTypical;

    // The port page: its list, its preselection, its controls.
    PortListInput input;
    input.keys = ReadPortListKeys(selection.typeFilePath, section, typical);
    input.modelName = model.name;
    input.osIndex = os.osIndex;
    input.is64BitWindows = ProcessSettings::Is64BitWindows();
    input.typical = typical;
    // The device library is asked only where a USB port can come of it: the one named,
    // or the preselection, which a connected printer decides.
    const bool usbPortPossible = s.port.empty() ? input.keys.usbSupported != 0 : IsUsbPortName(s.port);
    input.usbDeviceNumber = usbPortPossible ? ReadUsbDeviceNumber() : kNoUsbPrinter;
    const PortListPlan plan = PlanPortList(input);
    std::string offered;
    for (const std::string& entry : plan.entries) offered += (offered.empty() ? "" : ", ") + entry;
    JournalLine("Ports offered: " + (offered.empty() ? std::string("none") : offered));
    if (s.port.empty()) {
        if (plan.portText.empty()) return Refused{kExitInvalidSwitch, "/port: the model offers no port to preselect"};
        selection.portName = plan.portText;
    } else {
        for (const std::string& entry : plan.entries)
            if (lstrcmpiA(entry.c_str(), s.port.c_str()) == 0) selection.portName = entry;
        if (selection.portName.empty()) {
            return Refused{kExitInvalidSwitch, "/port: \"" + s.port + "\" is not offered for model \"" + model.name +
                                                   "\" here (offered: " + offered + ")"};
        }
    }
    const int kind = ClassifyPortName(selection.portName.c_str());
    const PortControls controls = ControlsForPortKind(kind);

    if (kind == kNetworkInterface) {
        if (s.ipAddress.empty()) return Refused{kExitInvalidSwitch, "/ip: required for " + selection.portName};
        if (s.ipAddress == "0.0.0.0") return Refused{kExitInvalidSwitch, "/ip: 0.0.0.0 names no printer"};
        selection.ipAddress = s.ipAddress;
        selection.ipAddressBlank = false;
    } else if (!s.ipAddress.empty()) {
        return Refused{kExitInvalidSwitch, "/ip: only for a network port, not " + selection.portName};
    }

    const bool serialGiven = s.baudRate || s.dataBits || s.parity || s.stopBits || s.flow;
    if (serialGiven && !controls.serialEnabled) {
        return Refused{kExitInvalidSwitch, "/baud, /databits, /parity, /stopbits, /flow: only for a COM port, not " +
                                               selection.portName};
    }
    selection.serial = SerialPresets(ReadProfileInt(selection.typeFilePath, section, ConfigKeys::BaudRate));
    if (s.baudRate) {
        if (!IsListedBaudRate(*s.baudRate)) return Refused{kExitInvalidSwitch, "/baud: " + std::to_string(*s.baudRate) + " is not in the list"};
        selection.serial.baudRate = *s.baudRate;
    }
    if (s.dataBits) selection.serial.byteSize = *s.dataBits;
    if (s.stopBits) selection.serial.stopBits = *s.stopBits;
    if (s.parity) selection.serial.parity = *s.parity;
    if (s.flow) selection.serial.protocol = *s.flow;

    selection.raster = controls.rasterFlag;
    if (s.raster && *s.raster != selection.raster) {
        if (!controls.rasterEnabled || plan.rasterBox == Visibility::Hide)
            return Refused{kExitInvalidSwitch, "/raster: fixed at " + std::to_string(selection.raster) + " for " +
                                                   selection.portName};
        selection.raster = *s.raster;
    }
    return std::nullopt;
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
    const bool ran = command.Run(selection);
    const int exitCode = InstallExitCode(ran, command.Outcome(), command.RestartRequired());
    JournalLine(OutcomeLine(ran, command.Outcome(), command.Request().modelName, command.Request().portName));
    return Finish(exitCode);
}

int InstallExitCode(bool ran, int outcome, bool restartRequired) {
    if (!ran || outcome != CInstallProgressDlg::kSucceeded) return kExitInstallFailed;
    return restartRequired ? kExitRestartRequired : kExitInstalled;
}

int ShowSwitchesHelp() {
    const std::string text = SwitchesHelpText();
    // Started from a console: the text goes there too. Looked up: Windows 2000 has no AttachConsole.
    using AttachConsoleFunction = BOOL(WINAPI*)(DWORD);
    const auto attach = reinterpret_cast<AttachConsoleFunction>(reinterpret_cast<void*>(
        SystemCalls().GetProcAddress(GetModuleHandleA("kernel32.dll"), "AttachConsole")));
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((output == nullptr || output == INVALID_HANDLE_VALUE) && attach != nullptr && attach(ATTACH_PARENT_PROCESS)) {
        output = GetStdHandle(STD_OUTPUT_HANDLE);
    }
    if (output != nullptr && output != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    ShowAppMessageBox(text.c_str(), MB_OK | MB_ICONINFORMATION);
    return kExitInstalled;
}
