#pragma once

#include "app/SwitchTable.h"
#include "config/DomainTypes.h"

#include <optional>
#include <string>
#include <vector>

// Exit codes of an unattended run: the values deployment tools already know from the
// platform's own installers.
constexpr int kExitInstalled = 0;
constexpr int kExitInvalidSwitch = 87;          // ERROR_INVALID_PARAMETER
constexpr int kExitCancelled = 1602;            // ERROR_INSTALL_USEREXIT
constexpr int kExitInstallFailed = 1603;        // ERROR_INSTALL_FAILURE
constexpr int kExitUnknownProduct = 1605;       // ERROR_UNKNOWN_PRODUCT: /query found no installed printer
constexpr int kExitAnotherInstall = 1618;       // ERROR_INSTALL_ALREADY_RUNNING
constexpr int kExitPlatformUnsupported = 1633;  // ERROR_INSTALL_PLATFORM_UNSUPPORTED
constexpr int kExitRestartRequired = 3010;      // ERROR_SUCCESS_REBOOT_REQUIRED

// The switches of an unattended installation, as given; nothing here is checked against
// the distribution yet.
struct SetupSwitches {
    bool help = false;
    bool quiet = false;
    bool passive = false;
    std::string model;
    std::optional<PrinterType> printerType;  // /type
    std::string port;                // empty: the port the wizard would preselect
    std::string ipAddress;           // dotted, checked for form
    std::optional<int> baudRate;
    std::optional<int> dataBits;
    std::optional<char> parity;      // e m n o s
    std::optional<double> stopBits;  // 1, 1.5, 2
    std::optional<char> flow;        // ' ' none, 'x' Xon/Xoff, 'p' hardware
    std::optional<int> raster;
    bool setAsDefault = false;
    std::optional<InstallMode> installMode;
    bool renumber = false;
    bool acceptLicence = false;
    std::string logPath;
    bool newPrinter = false;  // another printer even where this one is installed
    bool query = false;       // answers whether a printer is installed; installs nothing
    std::string answersPath;      // /answers: the file's keys under the command line's switches
    std::string saveAnswersPath;  // /save-answers: the wizard records its choices there

    // Any switch at all: the program runs unattended (or shows its help) instead of the wizard.
    bool Unattended() const { return quiet || passive; }
    bool operator==(const SetupSwitches&) const = default;
};

struct ParsedSwitches {
    SetupSwitches switches;
    bool any = false;    // the command line held anything
    std::string error;   // empty: understood; otherwise names the switch and what is wrong
};

// "/name value", "/name:value" or "-name ...", names in any case, through the program's table.
ParsedSwitches ParseSwitches(const std::vector<std::string>& words);

// Every switch of the program: its name, value form, help line and what it sets. An answer
// file's keys are its names (SwitchReader::Apply).
SwitchTable<SetupSwitches> SetupSwitchTable();

// The journal a refused command line asks for, found even where the rest cannot be read,
// so that the refusal lands where the caller looks; empty when none is named.
std::string JournalPathOf(const std::vector<std::string>& words);

// The text /? shows: every switch and every exit code.
std::string SwitchesHelpText();
