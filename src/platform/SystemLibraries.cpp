#include "platform/SystemLibraries.h"

#include "framework/Lock.h"
#include "framework/UniqueResource.h"
#include "platform/FileSystemRedirection.h"
#include "platform/SystemCalls.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace {

CLock loadsWithRedirectionOffLock;
std::vector<std::string> loadsWithRedirectionOff;

// Called before every load this unit asks for: with redirection off on this thread, the
// load would find the 64-bit system's files (and on Windows fail).
void NoteLoad(const char* name) {
    if (!IsRedirectionOffOnThisThread()) return;
    const std::lock_guard<CLock> lock(loadsWithRedirectionOffLock);
    loadsWithRedirectionOff.emplace_back(name != nullptr ? name : "");
}

// kernel32's LOAD_LIBRARY_SEARCH_* flags and the function whose presence says they are
// understood (Windows 7 with its update and later), spelled out: older SDK headers lack them.
constexpr DWORD kSearchDllLoadDir = 0x00000100;
constexpr DWORD kSearchSystem32 = 0x00000800;

bool HasDefaultDllDirectories() {
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    return kernel32 != nullptr && SystemCalls().GetProcAddress(kernel32, "SetDefaultDllDirectories") != nullptr;
}

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

// The module when it is loaded already, by its full system path or else by its name, with
// a reference of the caller's own. Found this way no file is opened, so it holds with
// redirection off. Without GetModuleHandleExA (Windows 2000: no WOW64 either) nothing
// is found: a handle without a reference could be freed under the caller.
HMODULE LoadedModule(const std::string& path, const char* name) {
    using GetHandleFunction = BOOL(WINAPI*)(DWORD, LPCSTR, HMODULE*);
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    const auto getHandle = kernel32 == nullptr ? nullptr
                                               : reinterpret_cast<GetHandleFunction>(reinterpret_cast<void*>(
                                                     GetProcAddress(kernel32, "GetModuleHandleExA")));
    if (getHandle == nullptr) return nullptr;
    HMODULE module = nullptr;
    if (!path.empty() && getHandle(0, path.c_str(), &module) && module != nullptr) return module;
    if (getHandle(0, name, &module) && module != nullptr) return module;
    return nullptr;
}

// A delay-imported system DLL: bound if loaded already, else loaded by its full path.
HMODULE BindOrLoadSystemLibrary(const char* name) {
    const std::string path = SystemLibraryPath(name);
    if (HMODULE module = LoadedModule(path, name)) return module;
    NoteLoad(name);
    return path.empty() ? nullptr : LoadLibraryA(path.c_str());
}

}  // namespace

extern "C" IMAGE_DOS_HEADER __ImageBase;

// Called by the delay-import thunks on the first call into a delay-loaded DLL. Ours,
// not the runtime's: the runtime's loads the DLL by its bare name, which on Windows
// without SetDefaultDllDirectories finds a planted copy in the program's folder first.
// Like a missing import at start-up, a missing system DLL or function ends the program.
// LoadDelayImportedLibraries has loaded them all before: the first call binds to the
// loaded module and loads nothing.
extern "C" FARPROC WINAPI __delayLoadHelper2(const DelayImportDescriptor* descriptor, FARPROC* addressEntry) {
    char* base = reinterpret_cast<char*>(&__ImageBase);
    auto* moduleHandle = reinterpret_cast<HMODULE*>(base + descriptor->moduleHandleRva);
    HMODULE module = static_cast<HMODULE>(InterlockedCompareExchangePointer(
        reinterpret_cast<PVOID volatile*>(moduleHandle), nullptr, nullptr));
    if (module == nullptr) {
        module = BindOrLoadSystemLibrary(base + descriptor->dllNameRva);
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
    NoteLoad(fileName);
    return SystemCalls().LoadLibraryA(path.c_str());
}

HMODULE LoadLibraryWithItsFolder(const std::string& path) {
    NoteLoad(path.c_str());
    // Without the search flags the folder comes first all the same; the current folder may
    // follow, but SetDllDirectoryA("") at start-up has taken it out.
    const DWORD flags = HasDefaultDllDirectories() ? kSearchDllLoadDir | kSearchSystem32 : LOAD_WITH_ALTERED_SEARCH_PATH;
    return SystemCalls().LoadLibraryExA(path.c_str(), nullptr, flags);
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

void LoadDelayImportedLibraries() {
    // Each once per process, the reference kept: a failed load is tried again next time.
    static std::vector<std::string> loaded;
    static CLock lock;
    const std::lock_guard<CLock> guard(lock);
    const std::string_view names = DELAY_IMPORTED_DLLS;
    for (std::size_t start = 0; start <= names.size();) {
        const std::size_t end = std::min(names.find('|', start), names.size());
        const std::string name(names.substr(start, end - start));
        start = end + 1;
        if (name.empty() || std::find(loaded.begin(), loaded.end(), name) != loaded.end()) continue;
        if (BindOrLoadSystemLibrary(name.c_str()) != nullptr) loaded.push_back(name);
    }
}

std::vector<std::string> LibraryLoadsWithRedirectionOff() {
    const std::lock_guard<CLock> lock(loadsWithRedirectionOffLock);
    return loadsWithRedirectionOff;
}

void RestrictDllSearchToSystemFolder() {
    // Kernel32 is mapped into every process before its first instruction: no load here.
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    if (kernel32 == nullptr) return;
    using SetDefaultDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    using SetDirectoryFunction = BOOL(WINAPI*)(LPCSTR);
    const auto setDefaultDirectories = reinterpret_cast<SetDefaultDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDefaultDllDirectories")));
    if (setDefaultDirectories != nullptr && setDefaultDirectories(kSearchSystem32)) return;
    const auto setDirectory = reinterpret_cast<SetDirectoryFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDllDirectoryA")));
    if (setDirectory != nullptr) setDirectory("");
}

bool IsWow64Windows() {
    UniqueModule kernel32(LoadSystemLibrary("kernel32.dll"));
    if (!kernel32) return false;

    using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto isWow64Process = reinterpret_cast<IsWow64ProcessFunction>(
        reinterpret_cast<void*>(SystemCalls().GetProcAddress(kernel32.get(), "IsWow64Process")));
    if (isWow64Process == nullptr) return false;  // before XP SP2: no WOW64 at all
    BOOL wow64 = FALSE;
    if (!isWow64Process(GetCurrentProcess(), &wow64)) return false;
    return wow64 != FALSE;
}
