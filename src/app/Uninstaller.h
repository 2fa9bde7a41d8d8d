#pragma once

#include "app/SwitchTable.h"
#include "engine/PrinterRemoval.h"

#include <string>
#include <vector>

// Uninstall.exe: takes the printers this program installed off the machine again, from
// its window (Programs and Features starts it so) or unattended. The same start-up safety,
// language file and journal as Setup.exe; the removal is the engine's.

struct UninstallSwitches {
    bool help = false;
    bool quiet = false;
    bool passive = false;
    bool all = false;
    bool purge = false;                 // cancel documents waiting on a printer to be removed
    std::vector<std::string> printers;  // /printer, repeatable
    std::string logPath;
    bool operator==(const UninstallSwitches&) const = default;
};

struct ParsedUninstallSwitches {
    UninstallSwitches switches;
    bool any = false;   // the command line held anything: no window
    std::string error;  // empty: understood
};

SwitchTable<UninstallSwitches> UninstallSwitchTable();
ParsedUninstallSwitches ParseUninstallSwitches(const std::vector<std::string>& words);
// The text /? shows: every switch and every exit code.
std::string UninstallHelpText();

// The printers a run removes, from the recorded names: every one with /all, else each
// name given, which must be recorded (in any letter case); unknown names the first that
// is not, and then nothing is chosen.
struct ChosenPrinters {
    std::vector<std::string> printers;
    std::string unknown;
};
ChosenPrinters ChoosePrinters(const std::vector<std::string>& recorded, const UninstallSwitches& switches);

// The exit code a removal ends with: 1603 failed, 3010 a file goes at restart, 0 removed.
int RemovalExitCode(const RemovalOutcome& outcome);

// The closing message: what was removed, what was left and why, or where it failed.
std::string RemovalSummary(const RemovalOutcome& outcome);

// The whole program; its exit code.
int RunUninstaller(const std::string& commandLine);
