#pragma once

#include "app/InstallSelection.h"
#include "config/SetupConfig.h"
#include "engine/InstallCore.h"

#include <windows.h>

#include <memory>
#include <string>

// What to do about the connected USB printer before its driver is installed.
enum class UsbPrinterMatch {
    Proceed,        // it answers on the chosen port, or there is none to renumber
    Stop,           // several printers: the probe has already told the user
    StopNoPrinter,  // advanced mode installs for a connected printer only
    AskRenumber,    // ask, then write the chosen port's number into the printer
};

// installMode 1 typical, 0 advanced; deviceNumber as the device probe answers (-1 none,
// -2 several); portNumber from the port's name (0 none). Typical mode always puts the
// printer on port 1.
UsbPrinterMatch PlanUsbPrinterMatch(int installMode, int deviceNumber, int portNumber);

// The printer name's mark of its port: "(U) n", "(S)", "(P)" or "(E)"; nothing for a
// USB port without a number.
std::string PrinterNameSuffix(int kind, const std::string& portName);

// What the user reads when the installation has ended: the engine's text; the restart
// notice after a success that left none; a plain failure text otherwise, never the
// restart notice.
std::string ClosingMessage(int outcome, const std::string& resultText, const std::string& restartNotice);

// The spooler records of the request's model, OS, raster flag and port kind, from its
// configuration reader; the printer's port is the request's port name. The language
// monitor stays empty on 64-bit Windows and names the driver's monitor only for USB
// on 32-bit Windows.
void FillSpoolerRecords(InstallRequest& request);

// Install, pressed on the last page: validates the choices, prepares the USB printer, the
// network port and the spooler records, runs the installation behind the progress window
// and shows how it ended.
class CInstallCommand {
public:
    explicit CInstallCommand(HWND frame);
    CInstallCommand(const CInstallCommand&) = delete;
    CInstallCommand& operator=(const CInstallCommand&) = delete;

    // True when the installation ran (the wizard then ends); false when a check refused
    // it, and the wizard stays on the last page with the choices intact.
    bool Run(const InstallSelection& selection);

    // What the last run installed and how it ended; for the caller after Run.
    const InstallRequest& Request() const { return request_; }
    int Outcome() const { return outcome_; }

private:
    bool Validate(const InstallSelection& selection);
    bool PrepareUsbDriver(const InstallSelection& selection);
    bool CreateNetworkPort(const InstallSelection& selection);
    bool MatchUsbPrinter(const InstallSelection& selection);
    void NamePrinterAndPort(const InstallSelection& selection);
    bool RunWorker(const InstallSelection& selection);
    void ShowClosingMessages(const InstallSelection& selection);

    HWND frame_;
    std::unique_ptr<CSetupConfig> config_;
    InstallRequest request_;
    int kind_ = -1;
    int outcome_ = 0;
};

// The frame's Install: one command run for the selection.
bool RunInstallCommand(HWND frame, const InstallSelection& selection);

// The USB driver package's own installer, started with "2"; returns when its window
// (titled by [Setup] CaptionName) has gone, or after ten minutes. The frame is disabled
// meanwhile, so that Install cannot be pressed again.
void InstallUsbDriver(HWND frame);
