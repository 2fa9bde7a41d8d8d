#include "app/SetupApp.h"

#include <windows.h>

namespace {
CSetupApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    theApp.InitInstance();
    return 0;
}
