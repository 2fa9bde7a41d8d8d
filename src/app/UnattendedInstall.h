#pragma once

#include "app/CommandLine.h"
#include "framework/MessageBoxes.h"

#include <string>

// An installation without the wizard: the same start-up admission, the same rules the
// pages apply to a choice, the same Install command and engine. Nothing about the
// selection is taken on trust; every refusal is written to the journal and told by the
// exit code. Returns the exit code.
int RunUnattended(const SetupSwitches& switches, const std::string& commandLine);

// The exit code once the Install command has been run: whether it ran (false: refused
// before the installation), the outcome it reports, and whether Windows must restart.
int InstallExitCode(bool ran, int outcome, bool restartRequired);

// A command line the program cannot use: the journal and the exit code say why.
int RefuseCommandLine(const std::string& error, const std::string& journalPath, const std::string& commandLine);

// /query: each installed printer the records name, of the model and port when given, as
// a line on standard output; 0 when there is one, 1605 when there is none. No window,
// no journal, nothing written, no admission but a readable record.
int RunQuery(const SetupSwitches& switches);


// /?: the switches and exit codes in a message box, and on the console the program was
// started from, if any.
int ShowSwitchesHelp();
