#include "support/InstallHarness.h"

#include "app/InstallCommand.h"

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
    request.printerType = PrinterTypeFromNumber(choice.printerType);
    request.osIndex = OsIndexFromNumber(choice.osIndex);
    request.raster = choice.raster;
    std::strncpy(request.modelName, choice.model.c_str(), sizeof request.modelName - 1);
    request.portName = choice.portName;
    request.portKind = ClassifyPortName(choice.portName.c_str());
    request.setAsDefault = choice.setAsDefault;
    request.serial = choice.serial;

    FillSpoolerRecords(request);
    std::strncat(request.printer.pPrinterName, PrinterNameSuffix(request.portKind, choice.portName).c_str(),
                 CSetupConfig::kPrinterNameSize - 1 - std::strlen(request.printer.pPrinterName));
}

namespace {

class Both : public IInstallObserver {
public:
    Both(IInstallObserver& first, IInstallObserver* second) : first_(first), second_(second) {}
    void StepStarted(InstallStep step) override {
        first_.StepStarted(step);
        if (second_ != nullptr) second_->StepStarted(step);
    }
    void StepFinished(InstallStep step, bool succeeded) override {
        first_.StepFinished(step, succeeded);
        if (second_ != nullptr) second_->StepFinished(step, succeeded);
    }
    void InstallationEnded(bool succeeded) override {
        // The watcher first: once the window knows, the test may read it.
        if (second_ != nullptr) second_->InstallationEnded(succeeded);
        first_.InstallationEnded(succeeded);
    }

private:
    IInstallObserver& first_;
    IInstallObserver* second_;
};

}  // namespace

int InstallHarness::Run(IInstallObserver* watcher) {
    CInstallProgressDlg progress;
    progress.holdFlag = ToNumber(request.osIndex);
    progress.outcome.store(CInstallProgressDlg::kRunning);
    Both observers(progress, watcher);
    InstallContext context{&request, &observers};
    HANDLE worker = CreateThread(nullptr, 0, InstallationThread, &context, 0, nullptr);
    if (worker == nullptr) return CInstallProgressDlg::kFailed;
    progress.DoModal(nullptr);
    WaitForSingleObject(worker, INFINITE);
    CloseHandle(worker);
    return progress.outcome.load();
}
