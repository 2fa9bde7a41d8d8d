#include "app/SetupApp.h"
#include "platform/SystemLibraries.h"

#include <windows.h>

namespace {
CSetupApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything can load a DLL by name.
    RestrictDllSearchToSystemFolder();
    theApp.InitInstance();
    return 0;
}
