#include "platform/FileSystemRedirection.h"

#include "framework/UniqueResource.h"
#include "platform/Notices.h"
#include "platform/SystemCalls.h"
#include "platform/SystemLibraries.h"

namespace {
using DisableFunction = BOOL(WINAPI*)(PVOID*);
}

CFileSystemRedirectionOff::CFileSystemRedirectionOff() {
    kernel32_ = LoadSystemLibrary("Kernel32.dll");
    if (kernel32_ == nullptr) {
        state_ = State::NoKernel32;
        return;
    }
    const auto disable = reinterpret_cast<DisableFunction>(
        reinterpret_cast<void*>(SystemCalls().GetProcAddress(kernel32_, "Wow64DisableWow64FsRedirection")));
    revert_ = reinterpret_cast<RevertFunction>(
        reinterpret_cast<void*>(SystemCalls().GetProcAddress(kernel32_, "Wow64RevertWow64FsRedirection")));
    if (disable == nullptr) {
        state_ = State::NotAvailable;
        return;
    }
    if (disable(&saved_) != TRUE) {
        state_ = State::Refused;
        return;
    }
    state_ = State::Off;
}

CFileSystemRedirectionOff::~CFileSystemRedirectionOff() {
    if (state_ == State::Off && revert_ != nullptr) revert_(saved_);
    if (kernel32_ != nullptr) FreeLibrary(kernel32_);
}

bool RunWithRedirectionOff(const std::function<void()>& work) {
    UniqueModule kernel32(LoadSystemLibrary("Kernel32.dll"));
    if (!kernel32) {
        Notify("Can't Load Kernel32.dll");
        return false;
    }
    using RevertFunction = BOOL(WINAPI*)(PVOID);
    const auto disable = reinterpret_cast<DisableFunction>(
        reinterpret_cast<void*>(SystemCalls().GetProcAddress(kernel32.get(), "Wow64DisableWow64FsRedirection")));
    const auto revert = reinterpret_cast<RevertFunction>(
        reinterpret_cast<void*>(SystemCalls().GetProcAddress(kernel32.get(), "Wow64RevertWow64FsRedirection")));
    if (disable == nullptr) Notify("Can't Get Function Wow64DisableWow64FsRedirection Address");
    // Left off, redirection would follow every later file operation of this thread into
    // the 64-bit system folder.
    PVOID saved = nullptr;
    const bool off = disable != nullptr && revert != nullptr && disable(&saved) != FALSE;
    work();
    if (off) revert(saved);
    if (revert == nullptr) Notify("Can't Get Function Wow64RevertWow64FsRedirection Address");
    return true;
}
