#include "support/InstallHarness.h"

#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "ports/PortNames.h"
#include "ui/InstallProgressDlg.h"

#include <cstring>
#include <string>

namespace {

// What start-up decides before anything else: the 64-bit flag picks the _64
// configuration files, the W64 folder and the registry view.
bool SetProcessSettings() {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    ProcessSettings::SetIs64BitWindows(wow64 != FALSE);
    return true;
}

}  // namespace

InstallHarness::InstallHarness(const InstallChoice& choice) {
    static const bool settled = SetProcessSettings();
    (void)settled;
    config_ = std::make_unique<CSetupConfig>(ProgramFolder());
    request.config = config_.get();
    request.printerType = choice.printerType;
    request.osIndex = choice.osIndex;
    request.raster = choice.raster;
    std::strncpy(request.modelName, choice.model.c_str(), sizeof request.modelName - 1);
    request.portName = choice.portName;
    request.portKind = ClassifyPortName(choice.portName.c_str());
    request.setAsDefault = choice.setAsDefault;
    request.serial = choice.serial;

    const int kind = request.portKind;
    config_->currentType = choice.printerType;
    config_->GetDriverFiles(request.modelName, request.osIndex, &request.files, request.raster, kind);
    config_->GetDriverInfo(request.modelName, request.osIndex, &request.driver, request.raster, kind);
    config_->GetPrinterInfo(request.modelName, request.osIndex, &request.printer, request.raster, kind);
    request.printer.pPortName = request.portName.data();

    const bool is64 = ProcessSettings::Is64BitWindows();
    if (is64) {
        request.languageMonitor.monitor.pName = empty_;
        request.languageMonitor.monitor.pEnvironment = empty_;
        request.languageMonitor.monitor.pDLLName = empty_;
    } else {
        config_->GetLanguageMonitorInfo(request.modelName, request.osIndex, &request.languageMonitor, kind);
    }
    request.driver.pMonitorName = !is64 && kind == kUsbInterface && request.languageMonitor.monitor.pName != nullptr
                                      ? request.languageMonitor.monitor.pName
                                      : empty_;

    // The printer's name tells its port, as the Install command names it.
    std::string suffix;
    switch (kind) {
        case kUsbInterface:
            for (int n = 1; n <= 4; ++n) {
                const std::string digit = std::to_string(n);
                if (choice.portName.find(std::string("_") += digit) != std::string::npos) {
                    suffix += "(U) ";
                    suffix += digit;
                }
            }
            break;
        case kSerialInterface: suffix = "(S)"; break;
        case kParallelInterface: suffix = "(P)"; break;
        case kNetworkInterface: suffix = "(E)"; break;
        default: break;
    }
    std::strncat(request.printer.pPrinterName, suffix.c_str(),
                 CSetupConfig::kPrinterNameSize - 1 - std::strlen(request.printer.pPrinterName));
}

int InstallHarness::Run() {
    CInstallProgressDlg progress;
    progress.holdFlag = request.osIndex;
    progress.outcome.store(CInstallProgressDlg::kRunning);
    InstallContext context{&request, &progress};
    HANDLE worker = CreateThread(nullptr, 0, InstallationThread, &context, 0, nullptr);
    if (worker == nullptr) return CInstallProgressDlg::kFailed;
    progress.DoModal(nullptr);
    WaitForSingleObject(worker, INFINITE);
    CloseHandle(worker);
    return progress.outcome.load();
}
