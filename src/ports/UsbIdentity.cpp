#include "ports/UsbIdentity.h"

#include "config/DomainTypes.h"
#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "config/RegistryKey.h"
#include "config/SetupConfig.h"
#include "config/TextCatalogue.h"
#include "framework/TextFormat.h"
#include "framework/UniqueResource.h"
#include "platform/FileSystemRedirection.h"
#include "platform/Notices.h"
#include "platform/SystemCalls.h"
#include "platform/SystemLibraries.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kDeviceIndexes = 8;
constexpr char kNoVersion[] = "0.0.0.0";
constexpr char kCannotLoadLibrary[] = "Can not load VtUsbInt.dll";
constexpr char kFunctionMissing[] = "open function error";

// The printer's command reference owns these five bytes (three letters, then two bytes
// with the high bit set) that unlock the device-number command; a printer ignores the
// command unless they match its firmware's.
constexpr std::array<unsigned char, 5> kDeviceNumberCommandKey = {'V', 'T', 'P', 0xC9, 0xC4};

// The library's exports: __cdecl, undecorated names, handles and results as int.
using OpenDeviceFunction = int(__cdecl*)(int index);
using GetDescriptorFunction = int(__cdecl*)(int device, unsigned char* descriptor);
using WriteFunction = int(__cdecl*)(int device, int reserved, unsigned char* bytes, int count);
using CloseDeviceFunction = void(__cdecl*)(int device);


template <typename Function>
Function Lookup(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemCalls().GetProcAddress(module, name)));
}

// By full path: the search order would also find a copy in the current or system folder.
// The DLLs it needs come from its own folder: the search is otherwise the system folder's.
UniqueModule LoadInterfaceLibrary() {
    const std::string path = JoinPath(ProgramFolder(), "VtUsbInt.dll");
    if (path.empty()) return UniqueModule();
    return UniqueModule(LoadLibraryWithItsFolder(path));
}

// The library answers 0 or -1 for an index without a printer.
bool IsPrinterHandle(int handle) { return handle != 0 && handle != -1; }

// The handle of the printer at the lowest index, or 0 when there is none.
int OpenFirstPrinter(OpenDeviceFunction open) {
    for (int index = 0; index < kDeviceIndexes; ++index) {
        const int handle = open(index);
        if (IsPrinterHandle(handle)) return handle;
    }
    return 0;
}

std::array<unsigned char, 10> DeviceNumberCommand(unsigned char deviceNumber) {
    std::array<unsigned char, 10> command = {0x1B};
    std::copy(kDeviceNumberCommandKey.begin(), kDeviceNumberCommandKey.end(), command.begin() + 1);
    command[6] = 0x1D;
    command[7] = 'I';
    command[8] = ' ';
    command[9] = deviceNumber;
    return command;
}

// Up to four numbers, split at anything that is not a digit ("1.10.0.0", "2, 1, 0, 0").
std::array<unsigned long long, 4> VersionNumbers(const std::string& text) {
    std::array<unsigned long long, 4> numbers = {};
    std::size_t count = 0;
    bool inNumber = false;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            inNumber = false;
            continue;
        }
        if (!inNumber) {
            if (count == numbers.size()) break;
            inNumber = true;
            ++count;
        }
        unsigned long long& number = numbers[count - 1];
        // Saturates: a version resource is text anyone can write.
        number = number > 0xFFFFFFFFull ? number : number * 10 + static_cast<unsigned>(c - '0');
    }
    return numbers;
}

std::string InstalledDriverPath() {
    char windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows) return std::string();
    return JoinPath(windows, "system32\\drivers\\VTPUSB.sys");
}

bool OpenOrCreate(CRegistryKey& key, const char* path) {
    if (key.Open(HKEY_LOCAL_MACHINE, path)) return true;
    return CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, path) && key.Open(HKEY_LOCAL_MACHINE, path);
}

bool WriteUsbPortRecords(const char* portName, int value) {
    CRegistryKey portNames;
    const bool written = OpenOrCreate(portNames, "SOFTWARE\\VANTORA\\PORTNAME\\") &&
                         portNames.SetDword(portName, static_cast<DWORD>(value));
    // The USB port monitor lists its ports under this key; the install core fills it.
    CRegistryKey printerPorts;
    OpenOrCreate(printerPorts, "SOFTWARE\\VANTORA\\PRINTERPORT\\");
    return written;
}

}  // namespace

UsbProbe ReadUsbDeviceNumber() {
    const UniqueModule library = LoadInterfaceLibrary();
    if (!library) {
        Notify(kCannotLoadLibrary);
        return UsbProbe::Nothing();
    }
    const auto open = Lookup<OpenDeviceFunction>(library.get(), "OpenDeviceX");
    const auto getDescriptor = Lookup<GetDescriptorFunction>(library.get(), "GetDescriptor");
    const auto close = Lookup<CloseDeviceFunction>(library.get(), "CloseDevice");
    if (open == nullptr || getDescriptor == nullptr || close == nullptr) {
        Notify(kFunctionMissing);
        return UsbProbe::Nothing();
    }

    int printers = 0;
    for (int index = 0; index < kDeviceIndexes; ++index) {
        const int handle = open(index);
        if (IsPrinterHandle(handle)) ++printers;
        // Every answer goes back, the "no printer" ones too: the library's contract takes them.
        close(handle);
        if (printers == 2) {
            Notify(MessageCatalogue.ReadText("IDS_ERR_ONEPRINTER"));
            return UsbProbe::SeveralPrinters();
        }
    }

    const int device = OpenFirstPrinter(open);
    if (!IsPrinterHandle(device)) return UsbProbe::Nothing();
    // 18 bytes of standard device descriptor; the library's contract names 20.
    unsigned char descriptor[20] = {};
    const int read = getDescriptor(device, descriptor);
    close(device);
    if (read == 0) {
        Notify("Get Device ID error");
        return UsbProbe::Nothing();
    }
    // bcdDevice, little-endian.
    return UsbProbe::Printer(descriptor[12] | descriptor[13] << 8);
}

int UsbPortNumberOfPrinter(const UsbProbe& probe) {
    return probe.found == UsbProbe::Found::One ? UsbPortNumberOfDevice(probe.deviceNumber) : 0;
}

OperationResult WriteUsbDeviceNumber(unsigned char portNumber) {
    // Each failure is shown where it happens; the result carries the same text.
    const auto told = [](const char* text) {
        Notify(text);
        return OperationResult::Failed(ERROR_SUCCESS, text);
    };
    if (portNumber == 0 || portNumber > kDeviceIndexes) return OperationResult::Failed(ERROR_SUCCESS);
    const UniqueModule library = LoadInterfaceLibrary();
    if (!library) return told(kCannotLoadLibrary);
    const auto open = Lookup<OpenDeviceFunction>(library.get(), "OpenDeviceX");
    const auto write = Lookup<WriteFunction>(library.get(), "uWrite");
    const auto close = Lookup<CloseDeviceFunction>(library.get(), "CloseDevice");
    if (open == nullptr || write == nullptr || close == nullptr) return told(kFunctionMissing);

    const int device = OpenFirstPrinter(open);
    if (!IsPrinterHandle(device)) return told("Can not find USB device.");
    auto command = DeviceNumberCommand(static_cast<unsigned char>(portNumber - 1));
    const int written = write(device, 0, command.data(), static_cast<int>(command.size()));
    close(device);
    if (written <= 0) return told("write ID error");
    return OperationResult::Ok();
}

std::string VersionResourceText(const char* text, unsigned int length, const std::string& none) {
    if (text == nullptr || length == 0) return none;
    const std::string value(text, strnlen(text, length));
    return value.empty() ? none : value;
}

std::string GetFileVersionString(const char* path) {
    std::string version = kNoVersion;
    if (path == nullptr || *path == '\0') return version;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return version;
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoA(path, 0, size, block.data())) return version;

    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translations = nullptr;
    UINT bytes = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                        &bytes) ||
        translations == nullptr || bytes < sizeof(Translation)) {
        return version;
    }
    const std::string name = JoinNumbers(
        "\\StringFileInfo\\", {{translations[0].language, 4, ""}, {translations[0].codePage, 4, "\\FileVersion"}}, 16);
    char* text = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block.data(), name.c_str(), reinterpret_cast<void**>(&text), &length)) {
        version = VersionResourceText(text, length, version);
    }
    return version;
}

int CompareDriverVersions(const std::string& shipped, const std::string& installed) {
    if (shipped == installed) return 0;
    const auto installedNumbers = VersionNumbers(installed);
    if (installedNumbers == decltype(installedNumbers){}) return -1;
    return VersionNumbers(shipped) > installedNumbers ? 1 : 0;
}

UsbDriverVersions ReadUsbDriverVersions() {
    const bool is64 = ProcessSettings::Is64BitWindows();
    UsbDriverVersions found;
    found.shippedPath =
        JoinPath(ProgramFolder(), is64 ? "USBDRV\\USBDriver_x64\\VTPUSB.sys" : "USBDRV\\USBDriver\\VTPUSB.sys");
    found.shipped = GetFileVersionString(found.shippedPath.c_str());
    found.installedPath = InstalledDriverPath();
    std::string& installed = found.installed;
    installed = GetFileVersionString(found.installedPath.c_str());
    // A 32-bit program's system32 is syswow64 under WOW64; the driver lives in the real one.
    if (Uses64BitSystemFolder(is64)) RunWithRedirectionOff([&] { installed = GetFileVersionString(found.installedPath.c_str()); });
    found.update = CompareDriverVersions(found.shipped, installed);
    return found;
}

int CheckUsbDriverUpdate() { return ReadUsbDriverVersions().update; }

OperationResult RegisterUsbPort(const char* portName) {
    if (portName == nullptr || *portName == '\0') return OperationResult::Failed(ERROR_SUCCESS);
    const int value =
        ReadProfileInt(JoinPath(ProgramFolder(), kSetupIniRelativePath), kUsbDeviceSection, portName,
                       ConfigKeys::UsbDeviceNumber.maxChars);
    bool written = false;
    const auto record = [&] { written = WriteUsbPortRecords(portName, value); };
    // The registry view comes from CRegistryKey's access rights, not from this bracket; it
    // stays so that a broken Kernel32 is told here as on every other 64-bit path, and the
    // records are written either way.
    if (!ProcessSettings::Is64BitWindows() || !RunWithRedirectionOff(record)) record();
    return written ? OperationResult::Ok() : OperationResult::Failed(ERROR_SUCCESS);
}
