#include "engine/CoreFileRestore.h"

#include "config/DomainTypes.h"
#include "engine/FileStaging.h"
#include "framework/UniqueResource.h"
#include "platform/ErrorText.h"

#include <windows.h>

#include <cstring>

namespace {

OperationResult RestoreUniversalDriver9x() {
    OperationResult told;
    KeepTold(told, CopyDriverFile(std::string("ICONLIB.DLL"), kPrinterDriverDirectory, OsIndex::Windows9x, false));

    char system[256] = {};
    char windows[MAX_PATH] = {};
    const UINT systemLength = GetSystemDirectoryA(system, sizeof system);
    const UINT windowsLength = GetWindowsDirectoryA(windows, sizeof windows);
    if (systemLength == 0 || systemLength >= sizeof system || windowsLength == 0 || windowsLength >= sizeof windows) {
        return OperationResult::FailedWith("IDS_ERR_ALLOCMEMORY");
    }
    const std::string systemPath = std::string(system) + "\\UNIDRV.DLL";
    const std::string backupPath = std::string(windows) + "\\Sysbckup\\UNIDRV.DLL";

    UniqueFileHandle present(CreateFileA(systemPath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    if (present) return told;
    if (CopyFileA(backupPath.c_str(), systemPath.c_str(), TRUE)) return told;
    // Not from the backup: the distribution's copy goes to the driver directory.
    KeepTold(told, CopyDriverFile(std::string("UNIDRV.DLL"), kPrinterDriverDirectory, OsIndex::Windows9x, false));
    return told;
}

}  // namespace

OperationResult RestoreCoreFiles(OsIndex os, bool is2kDdkDriver, const char* environment) {
    if (IsWindows9x(os)) return RestoreUniversalDriver9x();
    OperationResult told;
    if (!IsNtFamilyFrom2000(os) || !is2kDdkDriver) return told;
    for (const char* name : {"TTFSUB.GPD", "STDNAMES.GPD", "UNIRES.DLL"}) {
        KeepTold(told, CopyDriverFile(std::string(name), kPrinterDriverDirectory, os, false, environment));
    }
    return told;
}

bool IsUniversalDriverFile(const char* upperName) {
    for (const char* family : {"UNIDRV", "STDNAMES", "TTFSUB", "UNIRES"}) {
        if (std::strstr(upperName, family) != nullptr) return true;
    }
    return false;
}

bool IsWindowsDriverFile(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/:");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    CharUpperBuffA(name.data(), static_cast<DWORD>(name.size()));
    return IsUniversalDriverFile(name.c_str()) || name == "ICONLIB.DLL";
}
