#include "app/SetupApp.h"

#include <commctrl.h>

#include "app/WizardFrame.h"
#include "config/DomainTypes.h"
#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "config/SetupConfig.h"
#include "config/TextCatalogue.h"
#include "engine/EnvironmentProbes.h"
#include "framework/MessageBoxes.h"
#include "platform/Journal.h"
#include "platform/SystemCalls.h"
#include "platform/SystemLibraries.h"
#include "ports/PortList.h"
#include "ports/UsbIdentity.h"
#include "res/WizardResources.h"
#include "ui/LicencePage.h"
#include "ui/MessageBoxNotices.h"
#include "ui/ModelPage.h"
#include "ui/ModePage.h"
#include "ui/OsPage.h"
#include "ui/PortPage.h"

const char* const kWizardTitles[2] = {
    "Printer Driver Setup",
    "\xB4\xF2\xD3\xA1\xBB\xFA\xC7\xFD\xB6\xAF\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2",  // GBK
};
const char* const kUninstallerTitles[2] = {
    "Uninstall",
    "\xB4\xF2\xD3\xA1\xBB\xFA\xD0\xB6\xD4\xD8\xB3\xCC\xD0\xF2",  // GBK
};

bool IsAdmittedWindowsVersion(DWORD platformId, DWORD majorVersion, DWORD minorVersion, bool newerWindows) {
    if (platformId == VER_PLATFORM_WIN32_WINDOWS) return minorVersion == 0;
    if (platformId == VER_PLATFORM_WIN32_NT) {
        const std::optional<OsIndex> os = MapWindowsVersionToOsIndex(
            platformId, majorVersion, minorVersion, VER_NT_WORKSTATION, PROCESSOR_ARCHITECTURE_INTEL, newerWindows);
        return os && IsNtFamilyFrom2000(*os);
    }
    return true;
}

PortScanTarget FindPortScanTarget() { return PortScanTargetOf(CSetupConfig().GetDeviceList()); }

namespace {

bool TypeFileOffersAPort(PrinterType type, const std::string& section) {
    const char* file = TypeFileRelativePath(type, ProcessSettings::Is64BitWindows());
    const CProfileSection ports(JoinPath(ProgramFolder(), file), section);
    return PortSectionOffersAPort(SectionLookup(ports, section), section);
}

}  // namespace

bool AnyPortFamilyOffered(const PortScanTarget& target) {
    // Any of the sixteen values decides alike, so the model's own file, which normally
    // holds its section, is read first, and the other three only when it offers nothing:
    // each file read costs start-up time in proportion to the models it describes.
    const bool ownType = IsKnownPrinterType(target.type);
    if (ownType && TypeFileOffersAPort(target.type, target.section)) return true;
    for (int number = 0; number < kPrinterTypeCount; ++number) {
        const PrinterType type = PrinterTypeFromNumber(number);
        if (type != target.type && TypeFileOffersAPort(type, target.section)) return true;
    }
    return false;
}

CSetupApp::CSetupApp() : CSetupApp(::ApplicationName()) {}

CSetupApp::CSetupApp(std::string applicationName) : applicationName_(std::move(applicationName)) {}

CSetupApp::~CSetupApp() = default;

bool CSetupApp::Refuse(Refusal refusal, const char* section, const char* key) {
    refusal_ = refusal;
    CTextCatalogue catalogue(section);
    const std::string text = catalogue.ReadText(key);
    JournalLine(std::string("Start-up refused: [") + section + "] " + key + ": " + text);
    if (!unattended) ShowAppMessageBox(text.c_str(), MB_OK);
    return false;
}

bool CSetupApp::PassAdmission() {
    refusal_ = Refusal::None;
    instanceMutex_.reset(CreateMutexA(nullptr, TRUE, applicationName_.c_str()));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        refusal_ = Refusal::AnotherCopy;
        JournalLine("Start-up refused: another copy of " + applicationName_ + " is running");
        if (unattended) return false;
        HWND running = FindWindowA(nullptr, kWizardTitles[0]);
        if (running == nullptr) running = FindWindowA(nullptr, kWizardTitles[1]);
        if (running != nullptr) {
            SetForegroundWindow(running);
            OpenIcon(running);
        }
        return false;
    }

    if (FindWindowA(nullptr, kUninstallerTitles[0]) != nullptr || FindWindowA(nullptr, kUninstallerTitles[1]) != nullptr)
        return Refuse(Refusal::UninstallerRunning, "Setup", "Close");

    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    const bool versionRead = SystemCalls().GetVersionExA(&version) != FALSE;
    if (versionRead) {
        const DetectedWindows detected = DescribeRunningWindows();
        JournalLine("Windows: " + detected.name +
                    (detected.asWindows7Family ? std::string(", installed as the ") + OsIndexName(*detected.osIndex) +
                                                     " family (" + ConfigKeys::NewerWindows.name + ")"
                                               : std::string()));
    }
    if (versionRead && !IsAdmittedWindowsVersion(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion,
                                                 NewerWindowsAllowed()))
        return Refuse(Refusal::WindowsUnsupported, "Setup", "Nonsupport");

    ProcessSettings::SetIs64BitWindows(IsWow64Windows());
    JournalLine(ProcessSettings::Is64BitWindows() ? "64-bit Windows" : "32-bit Windows");

    const int package = ReadDeviceSetting(ConfigKeys::Bitness);
    if (package == 1 && ProcessSettings::Is64BitWindows()) return Refuse(Refusal::WrongBitness, "Message", "IDS_X64");
    if (package == 2 && !ProcessSettings::Is64BitWindows()) return Refuse(Refusal::WrongBitness, "Message", "IDS_X32");

    if (ProtectedPrintModeOn()) return Refuse(Refusal::ProtectedPrint, "Setup", "ProtectedPrint");

    if (!AnyPortFamilyOffered(FindPortScanTarget())) return Refuse(Refusal::NoPortFamily, "Setup", "PortNull");
    JournalLine("Start-up checks passed");
    return true;
}

bool CSetupApp::InitInstance() {
    // What the engine and the port code have to say reaches the user as message boxes.
    SetNoticeSink(&MessageBoxNotices());
    if (!PassAdmission()) return false;

    // The port page's address field, the progress bar and tool tips are common controls.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES |
                                                          ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    const StartFlags flags = ReadStartFlags();
    CWizardFrame frame(flags.licencePage, flags.chineseFont);
    CLicencePage licence;
    CModePage mode;
    COsPage os;
    CModelPage model;
    CPortPage port;
    licence.SetLoadLicence(flags.licencePage);
    port.usbDeviceProbe = ReadUsbDeviceNumber;
    port.fileVersionReader = [](const std::string& path) { return GetFileVersionString(path.c_str()); };

    // Walking order; the titles are kept with the pages and never shown.
    frame.AddPage("\xD4\xC4\xB6\xC1\xB0\xE6\xC8\xA8\xC9\xF9\xC3\xF7", &licence, IDD_LICENCE_PAGE);
    frame.AddPage("STEP 2\tSelect Install Module", &model, IDD_MODEL_PAGE);
    frame.AddPage("\xD1\xA1\xD4\xF1\xB0\xB2\xD7\xB0\xC4\xA3\xCA\xBD", &mode, IDD_MODE_PAGE);
    frame.AddPage("STEP 1\tSelect Install OS", &os, IDD_OS_PAGE);
    frame.AddPage("STEP 3\tSet Printer Port and Confirm Setup", &port, IDD_PORT_PAGE);
    frame.SetPages({&licence, &model, &mode, &os, &port});
    frame.DoModal(nullptr);
    // The process ends with the wizard, whatever its outcome.
    return false;
}
