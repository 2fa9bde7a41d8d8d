#include "platform/FileSystemRedirection.h"

#include "framework/UniqueResource.h"
#include "platform/Journal.h"
#include "platform/Notices.h"
#include "platform/SystemCalls.h"
#include "platform/SystemLibraries.h"

#include <string>

namespace {
using DisableFunction = BOOL(WINAPI*)(PVOID*);

// Brackets may nest: redirection is on again only when the outermost one ends.
thread_local int redirectionOffDepth = 0;

class CRedirectionOffMark {
public:
    explicit CRedirectionOffMark(bool off) : off_(off) {
        if (off_) ++redirectionOffDepth;
    }
    ~CRedirectionOffMark() {
        if (off_) --redirectionOffDepth;
    }
    CRedirectionOffMark(const CRedirectionOffMark&) = delete;
    CRedirectionOffMark& operator=(const CRedirectionOffMark&) = delete;

private:
    bool off_;
};

HMODULE LoadKernel32() {
    HMODULE kernel32 = LoadSystemLibrary("Kernel32.dll");
    if (kernel32 == nullptr) {
        JournalResult("Load Kernel32.dll to reach the 64-bit system folder", false, GetLastError());
    }
    return kernel32;
}

// Without it the work goes on redirected: what then fails shows its own code, and the
// journal says why it was redirected.
FARPROC LookUp(HMODULE kernel32, const char* name) {
    FARPROC function = SystemCalls().GetProcAddress(kernel32, name);
    if (function == nullptr) JournalResult(std::string("Find ") + name + " in Kernel32.dll", false, GetLastError());
    return function;
}
}  // namespace

CFileSystemRedirectionOff::CFileSystemRedirectionOff() {
    kernel32_ = LoadKernel32();
    if (kernel32_ == nullptr) {
        state_ = State::NoKernel32;
        return;
    }
    const auto disable = reinterpret_cast<DisableFunction>(
        reinterpret_cast<void*>(LookUp(kernel32_, "Wow64DisableWow64FsRedirection")));
    revert_ = reinterpret_cast<RevertFunction>(reinterpret_cast<void*>(LookUp(kernel32_, "Wow64RevertWow64FsRedirection")));
    if (disable == nullptr) {
        state_ = State::NotAvailable;
        return;
    }
    LoadDelayImportedLibraries();
    if (disable(&saved_) != TRUE) {
        state_ = State::Refused;
        return;
    }
    state_ = State::Off;
    ++redirectionOffDepth;
}

CFileSystemRedirectionOff::~CFileSystemRedirectionOff() {
    if (state_ == State::Off) --redirectionOffDepth;
    if (state_ == State::Off && revert_ != nullptr) revert_(saved_);
    if (kernel32_ != nullptr) FreeLibrary(kernel32_);
}

bool RunWithRedirectionOff(const std::function<void()>& work) {
    UniqueModule kernel32(LoadKernel32());
    if (!kernel32) {
        Notify("Can't Load Kernel32.dll");
        return false;
    }
    using RevertFunction = BOOL(WINAPI*)(PVOID);
    const auto disable = reinterpret_cast<DisableFunction>(
        reinterpret_cast<void*>(LookUp(kernel32.get(), "Wow64DisableWow64FsRedirection")));
    const auto revert =
        reinterpret_cast<RevertFunction>(reinterpret_cast<void*>(LookUp(kernel32.get(), "Wow64RevertWow64FsRedirection")));
    if (disable == nullptr) Notify("Can't Get Function Wow64DisableWow64FsRedirection Address");
    // Left off, redirection would follow every later file operation of this thread into
    // the 64-bit system folder.
    PVOID saved = nullptr;
    if (disable != nullptr && revert != nullptr) LoadDelayImportedLibraries();
    const bool off = disable != nullptr && revert != nullptr && disable(&saved) != FALSE;
    {
        const CRedirectionOffMark mark(off);
        work();
    }
    if (off) revert(saved);
    if (revert == nullptr) Notify("Can't Get Function Wow64RevertWow64FsRedirection Address");
    return true;
}

bool IsRedirectionOffOnThisThread() { return redirectionOffDepth > 0; }
