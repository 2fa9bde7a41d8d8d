#include "app/Uninstaller.h"
#include "platform/SystemLibraries.h"

#include <windows.h>

#include <cstdlib>

// As in Setup.exe: nothing unwinds past a callback boundary, and the runtime's own
// handler would bring the demangler in for a console this program does not have.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything can load a DLL by name.
    RestrictDllSearchToSystemFolder();
    return RunUninstaller(GetCommandLineA());
}
