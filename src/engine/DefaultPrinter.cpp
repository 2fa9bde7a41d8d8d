#include "engine/DefaultPrinter.h"

#include "framework/UniqueResource.h"
#include "platform/SystemCalls.h"
#include "platform/SystemLibraries.h"

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

namespace {

// The printer's level-2 record, read the two-call way; empty when it cannot be read.
std::vector<BYTE> ReadPrinterInfo(HANDLE printer) {
    DWORD needed = 0;
    SetLastError(ERROR_SUCCESS);
    if (SystemCalls().GetPrinterA(printer, 2, nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
        needed == 0) {
        return {};
    }
    std::vector<BYTE> info(needed);
    if (!SystemCalls().GetPrinterA(printer, 2, info.data(), needed, &needed)) return {};
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
    std::vector<BYTE> info = ReadPrinterInfo(printer.get());
    if (info.empty()) return false;
    reinterpret_cast<PRINTER_INFO_2A*>(info.data())->Attributes |= PRINTER_ATTRIBUTE_DEFAULT;
    return SystemCalls().SetPrinterA(printer.get(), 2, info.data(), 0) != FALSE;
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
    const std::vector<BYTE> info = ReadPrinterInfo(printer.get());
    if (info.empty()) return false;
    const auto* record = reinterpret_cast<const PRINTER_INFO_2A*>(info.data());
    if (record->pDriverName == nullptr || record->pPortName == nullptr) return false;
    const std::string device = std::string(printerName) + "," + record->pDriverName + "," + record->pPortName;
    return WriteProfileStringA("windows", "device", device.c_str()) != FALSE;
}

}  // namespace

OperationResult SetDefaultPrinterByName(const char* printerName) {
    const OperationResult failed = OperationResult::Failed(ERROR_SUCCESS);
    if (printerName == nullptr) return failed;
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!SystemCalls().GetVersionExA(&version)) return failed;

    bool done = false;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        done = SetDefaultAttribute(printerName);
    } else if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        done = version.dwMajorVersion >= 5 ? SetDefaultThroughSpooler(printerName) : SetDefaultInProfile(printerName);
    } else {
        return OperationResult::Ok();
    }
    if (!done) return failed;

    DWORD_PTR answer = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("windows"), SMTO_NORMAL,
                        1000, &answer);
    return OperationResult::Ok();
}
