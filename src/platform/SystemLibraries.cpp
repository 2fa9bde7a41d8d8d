#include "platform/SystemLibraries.h"

#include "platform/SystemCalls.h"

#include <string>

namespace {

// Full path of a DLL in the system folder; empty when it cannot be formed.
std::string SystemLibraryPath(const char* fileName) {
    char folder[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (fileName == nullptr || length == 0 || length >= sizeof folder) return std::string();
    std::string path(folder, length);
    if (path.back() != '\\') path += '\\';
    return path + fileName;
}

// The descriptor the delay-import libraries (dlltool --output-delaylib) put in the image
// for each DLL; every field an offset from the image base.
struct DelayImportDescriptor {
    DWORD attributes;
    DWORD dllNameRva;
    DWORD moduleHandleRva;
    DWORD addressTableRva;
    DWORD nameTableRva;
    DWORD boundAddressTableRva;
    DWORD unloadAddressTableRva;
    DWORD timeStamp;
};

// The delay-load helper's own exception codes: module not found, function not found.
constexpr DWORD kDelayLoadModuleNotFound = 0xC06D007E;
constexpr DWORD kDelayLoadFunctionNotFound = 0xC06D007F;

}  // namespace

extern "C" IMAGE_DOS_HEADER __ImageBase;

// Called by the delay-import thunks on the first call into a delay-loaded DLL. Ours,
// not the runtime's: the runtime's loads the DLL by its bare name, which on Windows
// without SetDefaultDllDirectories finds a planted copy in the program's folder first.
// Like a missing import at start-up, a missing system DLL or function ends the program.
extern "C" FARPROC WINAPI __delayLoadHelper2(const DelayImportDescriptor* descriptor, FARPROC* addressEntry) {
    char* base = reinterpret_cast<char*>(&__ImageBase);
    auto* moduleHandle = reinterpret_cast<HMODULE*>(base + descriptor->moduleHandleRva);
    HMODULE module = static_cast<HMODULE>(InterlockedCompareExchangePointer(
        reinterpret_cast<PVOID volatile*>(moduleHandle), nullptr, nullptr));
    if (module == nullptr) {
        const std::string path = SystemLibraryPath(base + descriptor->dllNameRva);
        module = path.empty() ? nullptr : LoadLibraryA(path.c_str());
        if (module == nullptr) RaiseException(kDelayLoadModuleNotFound, EXCEPTION_NONCONTINUABLE, 0, nullptr);
        // Two threads may race here; the loser gives its reference back.
        if (PVOID first = InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(moduleHandle), module,
                                                            nullptr)) {
            FreeLibrary(module);
            module = static_cast<HMODULE>(first);
        }
    }
    const auto* addressTable = reinterpret_cast<FARPROC*>(base + descriptor->addressTableRva);
    const auto* nameTable = reinterpret_cast<const IMAGE_THUNK_DATA32*>(base + descriptor->nameTableRva);
    const IMAGE_THUNK_DATA32& name = nameTable[addressEntry - addressTable];
    const char* function = IMAGE_SNAP_BY_ORDINAL32(name.u1.Ordinal)
                               ? MAKEINTRESOURCEA(IMAGE_ORDINAL32(name.u1.Ordinal))
                               : reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name.u1.AddressOfData)->Name;
    FARPROC address = GetProcAddress(module, function);
    if (address == nullptr) RaiseException(kDelayLoadFunctionNotFound, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    *addressEntry = address;
    return address;
}

HMODULE LoadSystemLibrary(const char* fileName) {
    const std::string path = SystemLibraryPath(fileName);
    if (path.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return SystemCalls().LoadLibraryA(path.c_str());
}

HINSTANCE ShellExecuteFromSystemFolder(HWND owner, const char* verb, const char* file, const char* parameters,
                                       const char* folder, int show) {
    using ShellExecuteFunction = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    const HMODULE shell32 = LoadSystemLibrary("shell32.dll");
    const auto shellExecute = shell32 == nullptr ? nullptr
                                                 : reinterpret_cast<ShellExecuteFunction>(reinterpret_cast<void*>(
                                                       GetProcAddress(shell32, "ShellExecuteA")));
    if (shellExecute == nullptr) return nullptr;
    return shellExecute(owner, verb, file, parameters, folder, show);
}

BOOL WINAPI ShellExecuteExFromSystemFolder(SHELLEXECUTEINFOA* info) {
    using ShellExecuteExFunction = BOOL(WINAPI*)(SHELLEXECUTEINFOA*);
    const HMODULE shell32 = LoadSystemLibrary("shell32.dll");
    if (shell32 == nullptr) return FALSE;
    const auto shellExecuteEx = reinterpret_cast<ShellExecuteExFunction>(
        reinterpret_cast<void*>(GetProcAddress(shell32, "ShellExecuteExA")));
    if (shellExecuteEx == nullptr) return FALSE;
    return shellExecuteEx(info);
}

void PreloadInstallationLibraries() {
    for (const char* name : {"winspool.drv", "setupapi.dll", "version.dll"}) {
        const std::string path = SystemLibraryPath(name);
        if (!path.empty()) LoadLibraryA(path.c_str());
    }
}

void RestrictDllSearchToSystemFolder() {
    // Kernel32 is mapped into every process before its first instruction: no load here.
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    if (kernel32 == nullptr) return;
    using SetDefaultDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    using SetDirectoryFunction = BOOL(WINAPI*)(LPCSTR);
    const auto setDefaultDirectories = reinterpret_cast<SetDefaultDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDefaultDllDirectories")));
    // LOAD_LIBRARY_SEARCH_SYSTEM32, spelled out: older SDK headers lack it.
    constexpr DWORD kSearchSystem32 = 0x00000800;
    if (setDefaultDirectories != nullptr && setDefaultDirectories(kSearchSystem32)) return;
    const auto setDirectory = reinterpret_cast<SetDirectoryFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDllDirectoryA")));
    if (setDirectory != nullptr) setDirectory("");
}
