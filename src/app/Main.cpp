#include "app/AnswerFile.h"
#include "app/CommandLine.h"
#include "app/InstallCommand.h"
#include "app/SetupApp.h"
#include "app/UnattendedInstall.h"
#include "platform/Journal.h"
#include "platform/SystemLibraries.h"

#include <windows.h>

#include <cstdlib>

namespace {
CSetupApp theApp;
}

// Nothing unwinds past a callback boundary, so terminate is never expected; the runtime's
// own handler would only name the exception on a console this program does not have, and
// brings the whole C++ demangler into the executable for it.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// Without switches the wizard runs, exactly as it always has; with them the program
// installs unattended and its exit code says how it went.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything can load a DLL by name.
    RestrictDllSearchToSystemFolder();
    const std::string commandLine = GetCommandLineA();
    const std::vector<std::string> words = SplitCommandLine(ArgumentsOf(commandLine));
    const ParsedSwitches parsed = ReadAnswerFile(words, ParseSwitches(words));
    if (!parsed.any || (parsed.error.empty() && !parsed.switches.saveAnswersPath.empty())) {
        SetWizardAnswerFile(parsed.switches.saveAnswersPath);
        theApp.InitInstance();
        JournalLine(WizardOutcomeLine());
        JournalLine("Exit code 0");
        return 0;
    }
    if (parsed.switches.help && parsed.error.empty()) return ShowSwitchesHelp();
    if (parsed.switches.query && parsed.error.empty()) return RunQuery(parsed.switches);
    if (!parsed.error.empty()) return RefuseCommandLine(parsed.error, JournalPathOf(words), commandLine);
    return RunUnattended(parsed.switches, commandLine);
}
