#include "engine/DefaultPrinter.h"

#include "framework/UniqueResource.h"
#include "platform/SystemCalls.h"
#include "platform/SystemLibraries.h"

#include <windows.h>
#include <winspool.h>

#include <memory>
#include <string>

namespace {

struct GlobalFreeDeleter {
    void operator()(void* block) const { GlobalFree(block); }
};
using GlobalBlock = std::unique_ptr<BYTE, GlobalFreeDeleter>;

// The printer's level-2 record, read the two-call way.
GlobalBlock ReadPrinterInfo(HANDLE printer) {
    DWORD needed = 0;
    SetLastError(ERROR_SUCCESS);
    if (SystemCalls().GetPrinterA(printer, 2, nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
        needed == 0) {
        return nullptr;
    }
    GlobalBlock info(static_cast<BYTE*>(GlobalAlloc(GPTR, needed)));
    if (!info || !SystemCalls().GetPrinterA(printer, 2, info.get(), needed, &needed)) return nullptr;
    return info;
}

UniquePrinterHandle OpenNamedPrinter(const char* printerName) {
    std::string name = printerName;
    HANDLE printer = nullptr;
    if (!SystemCalls().OpenPrinterA(name.data(), &printer, nullptr)) return UniquePrinterHandle();
    return UniquePrinterHandle(printer);
}

// Windows 98/Me: the default is a printer attribute.
bool SetDefaultAttribute(const char* printerName) {
    UniquePrinterHandle printer = OpenNamedPrinter(printerName);
    if (!printer) return false;
    GlobalBlock info = ReadPrinterInfo(printer.get());
    if (!info) return false;
    reinterpret_cast<PRINTER_INFO_2A*>(info.get())->Attributes |= PRINTER_ATTRIBUTE_DEFAULT;
    return SystemCalls().SetPrinterA(printer.get(), 2, info.get(), 0) != FALSE;
}

// Windows 2000 and later. Looked up at run time: Windows NT 4 has no such function.
bool SetDefaultThroughSpooler(const char* printerName) {
    UniqueModule winspool(LoadSystemLibrary("winspool.drv"));
    if (!winspool) return false;
    using SetDefaultFunction = BOOL(WINAPI*)(LPCSTR);
    const auto setDefault = reinterpret_cast<SetDefaultFunction>(
        reinterpret_cast<void*>(SystemCalls().GetProcAddress(winspool.get(), "SetDefaultPrinterA")));
    return setDefault != nullptr && setDefault(printerName);
}

// Windows NT 4 keeps the default as "printer,driver,port" under [windows] device.
bool SetDefaultInProfile(const char* printerName) {
    UniquePrinterHandle printer = OpenNamedPrinter(printerName);
    if (!printer) return false;
    GlobalBlock info = ReadPrinterInfo(printer.get());
    if (!info) return false;
    const auto* record = reinterpret_cast<const PRINTER_INFO_2A*>(info.get());
    if (record->pDriverName == nullptr || record->pPortName == nullptr) return false;
    const std::string device = std::string(printerName) + "," + record->pDriverName + "," + record->pPortName;
    return WriteProfileStringA("windows", "device", device.c_str()) != FALSE;
}

}  // namespace

int SetDefaultPrinterByName(const char* printerName) {
    if (printerName == nullptr) return 0;
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!SystemCalls().GetVersionExA(&version)) return 0;

    bool done = false;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        done = SetDefaultAttribute(printerName);
    } else if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        done = version.dwMajorVersion >= 5 ? SetDefaultThroughSpooler(printerName) : SetDefaultInProfile(printerName);
    } else {
        return 1;
    }
    if (!done) return 0;

    DWORD_PTR answer = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("windows"), SMTO_NORMAL,
                        1000, &answer);
    return 1;
}
