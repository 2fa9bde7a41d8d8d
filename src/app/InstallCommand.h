#pragma once

#include "config/SetupConfig.h"
#include "engine/InstallCore.h"
#include "ports/SerialSettings.h"

#include <windows.h>

#include <memory>
#include <string>

// The user's final choices as the pages hold them when Install is pressed.
struct InstallChoices {
    std::string model;
    int printerType = -1;
    int osIndex = 0;
    int installMode = 1;  // 1 typical, 0 advanced
    int setAsDefault = 0;
    std::string portName;
    int raster = 0;
    SerialLineSettings serial;
    std::string ipAddress;  // the IP control's dotted text
    bool ipAddressBlank = true;  // all four fields 0
};

// The number of a USB port: its name's final "_" and digit 1..4 ("USB_TP_2_1" → 1);
// 0 when the name does not end so. The model name inside the port name never counts.
int UsbPortNumber(const std::string& portName);

// Install, pressed on the last page: validates the choices, prepares the USB printer, the
// network port and the spooler records, runs the installation behind the progress window
// and shows how it ended.
class CInstallCommand {
public:
    explicit CInstallCommand(HWND frame);
    ~CInstallCommand();
    CInstallCommand(const CInstallCommand&) = delete;
    CInstallCommand& operator=(const CInstallCommand&) = delete;

    // True when the installation ran (the wizard then ends); false when a check refused
    // it and the wizard stays on the last page with the choices intact.
    bool Run(const InstallChoices& choices);

    // What the last run installed and how; kept for the caller after Run.
    const InstallRequest& Request() const { return request_; }
    int Outcome() const { return outcome_; }

private:
    bool Validate(const InstallChoices& choices, int& kind);
    bool PrepareUsbDriver(const InstallChoices& choices);
    bool MatchUsbPrinter(const InstallChoices& choices);
    void FillRecords(const InstallChoices& choices, int kind);
    bool CreateNetworkPort(const InstallChoices& choices);
    void NamePrinterAndPort(const InstallChoices& choices, int kind);
    bool RunWorker(const InstallChoices& choices);
    void ShowClosingMessage(const InstallChoices& choices);

    HWND frame_;
    std::unique_ptr<CSetupConfig> config_;
    InstallRequest request_;
    std::string networkPortName_;
    std::string printerPortOverride_;
    int outcome_ = 0;
    char empty_[1] = {};
};

// The USB driver package's own installer, started with "2"; returns when its window
// (titled by [Setup] CaptionName) has gone, or after ten minutes.
void InstallUsbDriver(HWND frame);
