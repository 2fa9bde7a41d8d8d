#pragma once

#include "app/InstallSelection.h"
#include "config/SetupConfig.h"
#include "engine/InstallCore.h"
#include "ports/UsbProbe.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

// What to do about the connected USB printer before its driver is installed.
enum class UsbPrinterMatch {
    Proceed,        // it answers on the chosen port, or there is none to renumber
    Stop,           // several printers: the probe has already told the user
    StopNoPrinter,  // advanced mode installs for a connected printer only
    AskRenumber,    // ask, then write the chosen port's number into the printer
};

// printer as the device probe answers; portNumber from
// the port's name (0 none). Typical mode always puts the printer on port 1.
UsbPrinterMatch PlanUsbPrinterMatch(InstallMode installMode, const UsbProbe& printer, int portNumber);

// The printer name's mark of its port: "(U) n", "(S)", "(P)" or "(E)"; nothing for a
// USB port without a number.
std::string PrinterNameSuffix(PortKind kind, const std::string& portName);

// What the user reads when the installation has ended: the engine's text; the restart
// notice after a success that left none; a plain failure text otherwise, never the
// restart notice.
std::string ClosingMessage(int outcome, const std::string& resultText, const std::string& restartNotice);

// The spooler records of the request's model, OS, raster flag and port kind, from its
// configuration reader; the printer's port is the request's port name. The language
// monitor stays empty on 64-bit Windows and names the driver's monitor only for USB
// on 32-bit Windows.
void FillSpoolerRecords(InstallRequest& request);

// How the command meets the user. The wizard asks and shows; unattended runs ask nothing:
// what the wizard would show goes to the application's notices (the journal), and a
// question is answered by the caller's switches.
enum class InstallFace {
    Wizard,   // message boxes owned as the wizard owns them, the progress window, the restart question
    Passive,  // only the progress window
    Quiet,    // no window at all
};

// Install, pressed on the last page: validates the choices, prepares the USB printer, the
// network port and the spooler records, runs the installation behind the progress window
// and shows how it ended.
class CInstallCommand {
public:
    explicit CInstallCommand(HWND frame, InstallFace face = InstallFace::Wizard);
    CInstallCommand(const CInstallCommand&) = delete;
    CInstallCommand& operator=(const CInstallCommand&) = delete;

    // True when the installation ran (the wizard then ends); false when a check refused
    // it, and the wizard stays on the last page with the choices intact.
    bool Run(const InstallSelection& selection);

    // What the last run installed and how it ended; for the caller after Run.
    const InstallRequest& Request() const { return request_; }
    int Outcome() const { return outcome_; }
    // Windows 98/Me: the installation wants a restart, which an unattended run leaves to its caller.
    bool RestartRequired() const { return restartRequired_; }

    // Unattended: the connected USB printer's number may be rewritten without asking.
    bool renumberAllowed = false;
    // Unattended without /new-printer: the model's printer installed on the port (by the
    // install record, or found with this installation's name, port and driver) is repaired
    // in place instead of getting a numbered copy.
    bool repairInstalled = false;
    // The last run repaired an installed printer.
    bool Repaired() const { return !request_.keepPrinter.empty(); }
    // The user agreed to rewrite the connected USB printer's number.
    bool RenumberAgreed() const { return renumberAgreed_; }
    // Run refused because the uninstaller (or another installation) was at work.
    bool OtherRunning() const { return otherRunning_; }

private:
    bool Validate(const InstallSelection& selection);
    bool PrepareUsbDriver(const InstallSelection& selection);
    bool CreateNetworkPort(const InstallSelection& selection);
    bool MatchUsbPrinter(const InstallSelection& selection);
    void NamePrinterAndPort(const InstallSelection& selection);
    std::string FindPrinterToRepair();
    bool RunWorker(const InstallSelection& selection);
    void RecordInstallation(const InstallSelection& selection);
    void ShowClosingMessages(const InstallSelection& selection);
    // A message as the wizard shows it: owned by the frame or by nobody. Unattended, it
    // goes to the notices (the journal), a question answered by the switches.
    int Say(const std::string& text, bool ownedByFrame, UINT type = MB_OK);
    int SayKey(const char* key, bool ownedByFrame);

    HWND frame_;
    InstallFace face_;
    bool restartRequired_ = false;
    bool otherRunning_ = false;
    std::unique_ptr<CSetupConfig> config_;
    InstallRequest request_;
    PortKind kind_ = PortKind::None;
    int outcome_ = 0;
    // What the record keeps of this run that the request does not.
    bool portCreated_ = false;
    bool usbPortRegistered_ = false;
    std::string serialBefore_;
    std::string selectionModel_;
    bool renumberAgreed_ = false;
};

// The printer's name is the base name an installation gives, or that name numbered as a
// taken name is, "base(n)".
bool IsNameOrNumbered(const std::string& name, const std::string& base);

// The journal's line on how an Install ended: ran as Run answers, outcome as Outcome
// reports, the printer's final name and its port, and whether it was a repair.
std::string OutcomeLine(bool ran, int outcome, const std::string& printerName, const std::string& portName,
                        bool repaired = false);

// The frame's Install: one command run for the selection.
bool RunInstallCommand(HWND frame, const InstallSelection& selection);
// The outcome of the wizard's last Install, for its journal's end.
const std::string& WizardOutcomeLine();

// The USB driver package's own installer, started with "2"; returns when its window
// (titled by [Setup] CaptionName) has gone, or after ten minutes. The frame is disabled
// meanwhile, so that Install cannot be pressed again.
// tell reports an installer that cannot start (the wizard: a box owned by the frame).
// Unattended it is started through the system-call table with a process to wait on
// first, hidden when quiet.
void InstallUsbDriver(HWND frame, const std::function<void(const std::string&)>& tell = {},
                      InstallFace face = InstallFace::Wizard);
