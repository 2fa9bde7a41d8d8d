#include "app/InstallCommand.h"

#include "app/PageWalkRules.h"
#include "app/TextCatalogue.h"
#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "engine/EnvironmentProbes.h"
#include "engine/ErrorText.h"
#include "engine/SystemCalls.h"
#include "framework/MessageBoxes.h"
#include "ports/NetworkPort.h"
#include "ports/PortNames.h"
#include "ports/UsbIdentity.h"
#include "ui/InstallProgressDlg.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr DWORD kUsbInstallerTimeout = 10 * 60 * 1000;

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

void ShowMessage(HWND frame, const char* key) { ShowOwnedMessageBox(frame, MessageText(key).c_str()); }

}  // namespace

int UsbPortNumber(const std::string& portName) {
    const std::size_t length = portName.size();
    if (length < 2 || portName[length - 2] != '_') return 0;
    const char digit = portName[length - 1];
    return digit >= '1' && digit <= '4' ? digit - '0' : 0;
}

CInstallCommand::CInstallCommand(HWND frame) : frame_(frame) {}

CInstallCommand::~CInstallCommand() = default;

bool CInstallCommand::Run(const InstallChoices& choices) {
    config_ = std::make_unique<CSetupConfig>();
    request_ = InstallRequest();
    request_.config = config_.get();
    config_->currentType = choices.printerType;
    printerPortOverride_.clear();

    int kind = kNoInterface;
    if (!Validate(choices, kind)) return false;
    FillRecords(choices, kind);
    if (kind == kNetworkInterface && !CreateNetworkPort(choices)) return false;

    // The language monitor belongs to USB printers on 32-bit Windows only.
    const bool is64 = ProcessSettings::Is64BitWindows();
    if (is64) {
        request_.languageMonitor.monitor.pName = empty_;
        request_.languageMonitor.monitor.pEnvironment = empty_;
        request_.languageMonitor.monitor.pDLLName = empty_;
    } else {
        config_->GetLanguageMonitorInfo(request_.modelName, request_.osIndex, &request_.languageMonitor, kind);
    }
    request_.driver.pMonitorName = !is64 && kind == kUsbInterface && request_.languageMonitor.monitor.pName != nullptr
                                       ? request_.languageMonitor.monitor.pName
                                       : empty_;

    if (kind == kUsbInterface && !MatchUsbPrinter(choices)) return false;
    NamePrinterAndPort(choices, kind);
    if (request_.osIndex == 1 && kind == kUsbInterface) {
        ShowMessage(frame_, "IDS_ERR_NOSUPPORTUSB");
        return false;
    }
    return RunWorker(choices);
}

bool CInstallCommand::Validate(const InstallChoices& choices, int& kind) {
    if (choices.model.empty()) {
        ShowMessage(frame_, "IDS_ERR_SELPRINTER");
        return false;
    }
    // Vista was settled when the operating-system page was left.
    if (choices.osIndex != 5) {
        std::string setupIni, typeFile;
        BuildConfigPaths(choices.printerType, setupIni, typeFile);
        const OsSupport support = ReadOsSupport(typeFile, choices.model + ".PORT");
        if (const char* key = UnsupportedOsMessageKey(choices.osIndex, support)) {
            ShowAppMessageBox(MessageText(key).c_str());
            return false;
        }
    }

    kind = ClassifyPortName(choices.portName.c_str());
    if (kind == kNoInterface) {
        ShowMessage(frame_, "IDS_ERR_NOSUPPORTINTERFACE");
        return false;
    }
    if (kind == kUsbInterface) return PrepareUsbDriver(choices);
    return true;
}

// The USB driver must be in place before a USB printer is installed; Windows 98/Me and
// NT 4 have none of ours.
bool CInstallCommand::PrepareUsbDriver(const InstallChoices& choices) {
    const int running = DetectSystem();
    if (running == 0 || running == 1 || CheckUsbDriverUpdate() == 0) return true;
    if (choices.installMode == 0) {
        ShowAppMessageBox(MessageText("IDS_ERR_FIRSTSETUPUSB").c_str());
        return false;
    }
    InstallUsbDriver(frame_);
    return true;
}

void CInstallCommand::FillRecords(const InstallChoices& choices, int kind) {
    request_.printerType = choices.printerType;
    request_.osIndex = choices.osIndex;
    request_.raster = choices.raster;
    std::snprintf(request_.modelName, sizeof request_.modelName, "%s", choices.model.c_str());
    request_.portName = choices.portName;
    request_.portKind = kind;
    request_.setAsDefault = choices.setAsDefault;
    request_.serial = choices.serial;

    config_->GetDriverFiles(request_.modelName, request_.osIndex, &request_.files, request_.raster, kind);
    config_->GetDriverInfo(request_.modelName, request_.osIndex, &request_.driver, request_.raster, kind);
    config_->GetPrinterInfo(request_.modelName, request_.osIndex, &request_.printer, request_.raster, kind);
    request_.printer.pPortName = request_.portName.data();
}

bool CInstallCommand::CreateNetworkPort(const InstallChoices& choices) {
    if (choices.ipAddressBlank) {
        ShowMessage(frame_, "IDS_ERR_IPADDRISNULL");
        return false;
    }
    networkPortName_ = "IP_" + choices.ipAddress;
    request_.portName = networkPortName_;
    request_.printer.pPortName = request_.portName.data();
    if (!AddTcpIpPort(networkPortName_.c_str(), choices.ipAddress.c_str())) {
        ShowMessage(frame_, "IDS_ERR_ADDPORTERROR");
        return false;
    }
    return true;
}

// The connected printer answers on the port whose number matches its device number;
// the user may renumber it to the chosen port.
bool CInstallCommand::MatchUsbPrinter(const InstallChoices& choices) {
    const int device = ReadUsbDeviceNumber();
    const int port = UsbPortNumber(choices.portName);
    if (device == -2) return false;  // several printers: already told
    if (choices.installMode == 0) {
        if (device == -1) {
            ShowMessage(frame_, "IDS_ERR_NOUSBDEVICE");
            return false;
        }
        if (device % 8 + 1 == port) return true;
        if (ShowAppMessageBox(MessageText("IDS_INF_CHANGEID").c_str(), MB_YESNO) == IDNO) return false;
        if (!WriteUsbDeviceNumber(static_cast<unsigned char>(port))) {
            ShowOwnedMessageBox(frame_, "Failed to set Printer ID!");
            return false;
        }
        return true;
    }
    if (device == -1 || device % 8 + 1 == 1) return true;
    if (ShowAppMessageBox(MessageText("IDS_INF_CHANGEID").c_str(), MB_YESNO) == IDNO) return false;
    return WriteUsbDeviceNumber(1);
}

void CInstallCommand::NamePrinterAndPort(const InstallChoices& choices, int kind) {
    std::string suffix;
    switch (kind) {
        case kUsbInterface:
            if (const int port = UsbPortNumber(choices.portName); port != 0) {
                suffix = "(U) ";
                suffix += static_cast<char>('0' + port);
            }
            break;
        case kSerialInterface: suffix = "(S)"; break;
        case kParallelInterface: suffix = "(P)"; break;
        case kNetworkInterface: suffix = "(E)"; break;
        default: break;
    }
    char* name = request_.printer.pPrinterName;
    if (name != nullptr) {
        const std::size_t length = strnlen(name, CSetupConfig::kPrinterNameSize - 1);
        std::snprintf(name + length, CSetupConfig::kPrinterNameSize - length, "%s", suffix.c_str());
    }

    if (kind != kUsbInterface) return;
    if (Contains(choices.portName, "QXL-K6")) {
        printerPortOverride_ = std::string("USB_QXL-K6_") + choices.portName.back();
        request_.portName = printerPortOverride_;
        request_.printer.pPortName = request_.portName.data();
    }
    RegisterUsbPort(request_.printer.pPortName);
}

bool CInstallCommand::RunWorker(const InstallChoices& choices) {
    CInstallProgressDlg progress;
    progress.holdFlag = choices.osIndex;
    progress.outcome.store(CInstallProgressDlg::kRunning);
    InstallContext context{&request_, &progress};

    HANDLE worker = CreateThread(nullptr, 0, InstallationThread, &context, 0, nullptr);
    if (worker == nullptr) {
        std::string text;
        SetErrorText(text, "IDS_ERR_ALLOCMEMORY", GetLastError());
        ShowOwnedMessageBox(frame_, text.c_str());
        return false;
    }
    ShowWindow(frame_, SW_SHOWMINIMIZED);
    SetWindowPos(frame_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    progress.DoModal(frame_);
    // The window may close before the worker ends (Windows 98/Me does not wait): nothing
    // the worker uses may go, and no result may be read, until it has returned.
    WaitForSingleObject(worker, INFINITE);
    CloseHandle(worker);
    outcome_ = progress.outcome.load();
    ShowClosingMessage(choices);
    return true;
}

void CInstallCommand::ShowClosingMessage(const InstallChoices& choices) {
    std::string text = request_.resultText;
    if (outcome_ != CInstallProgressDlg::kSucceeded && text.empty()) {
        text = "Installation failed.";
    } else if (text.empty()) {
        text = MessageText("IDS_INF_NTRESTART");
    }
    ShowOwnedMessageBox(frame_, text.c_str());

    if (choices.osIndex == 0 &&
        ShowAppMessageBox(MessageText("IDS_INF_RESTART").c_str(), MB_YESNO) == IDYES &&
        !SystemCalls().ExitWindowsEx(EWX_REBOOT, 0)) {
        ShowAppMessageBox(MessageText("IDS_ERR_EXITWIN").c_str());
    }
}

void InstallUsbDriver(HWND frame) {
    const bool is64 = ProcessSettings::Is64BitWindows();
    const std::string folder =
        JoinPath(ProgramFolder(), is64 ? "USBDRV\\USBDriver_x64\\" : "USBDRV\\USBDriver\\");
    for (const char* file : {"VTPUSB.sys", "VTPUSB.INF"}) {
        SetFileAttributesA((folder + file).c_str(), FILE_ATTRIBUTE_ARCHIVE);
    }
    const std::string installer = folder + "Install.exe";
    const auto started = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", installer.c_str(), "2", nullptr, SW_SHOWNORMAL));
    if (started <= 32) {
        const std::string number = std::to_string(GetLastError());
        ShowOwnedMessageBox(frame, number.c_str());
    }

    Sleep(500);
    CTextCatalogue setup("Setup");
    const std::string caption = setup.ReadText("CaptionName");
    // An empty title would match any untitled window; a stray window must not hold us forever.
    if (!caption.empty()) {
        const DWORD start = GetTickCount();
        while (FindWindowA(nullptr, caption.c_str()) != nullptr && GetTickCount() - start < kUsbInstallerTimeout) {
            Sleep(1000);
        }
    }
    Sleep(1000);
    Sleep(2000);
}
