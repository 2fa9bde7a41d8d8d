#include "engine/CoreFileRestore.h"

#include "engine/FileStaging.h"
#include "framework/UniqueResource.h"
#include "platform/ErrorText.h"

#include <windows.h>

namespace {

void RestoreUniversalDriver9x(std::string& errorText) {
    CopyDriverFile(std::string("ICONLIB.DLL"), kPrinterDriverDirectory, 0, false, errorText);

    char system[256] = {};
    char windows[MAX_PATH] = {};
    const UINT systemLength = GetSystemDirectoryA(system, sizeof system);
    const UINT windowsLength = GetWindowsDirectoryA(windows, sizeof windows);
    if (systemLength == 0 || systemLength >= sizeof system || windowsLength == 0 || windowsLength >= sizeof windows) {
        errorText = MessageText("IDS_ERR_ALLOCMEMORY");
        return;
    }
    const std::string systemPath = std::string(system) + "\\UNIDRV.DLL";
    const std::string backupPath = std::string(windows) + "\\Sysbckup\\UNIDRV.DLL";

    UniqueFileHandle present(CreateFileA(systemPath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    if (present) return;
    if (CopyFileA(backupPath.c_str(), systemPath.c_str(), TRUE)) return;
    // Not from the backup: the distribution's copy goes to the driver directory.
    CopyDriverFile(std::string("UNIDRV.DLL"), kPrinterDriverDirectory, 0, false, errorText);
}

}  // namespace

void RestoreCoreFiles(int os, bool is2kDdkDriver, std::string& errorText, const char* environment) {
    if (os == 0) {
        RestoreUniversalDriver9x(errorText);
        return;
    }
    if (os < 2 || os > 7 || !is2kDdkDriver) return;
    for (const char* name : {"TTFSUB.GPD", "STDNAMES.GPD", "UNIRES.DLL"}) {
        CopyDriverFile(std::string(name), kPrinterDriverDirectory, os, false, errorText, environment);
    }
}
