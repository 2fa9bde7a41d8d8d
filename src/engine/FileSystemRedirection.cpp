#include "engine/FileSystemRedirection.h"

#include "engine/SystemCalls.h"

namespace {
using DisableFunction = BOOL(WINAPI*)(PVOID*);
}

CFileSystemRedirectionOff::CFileSystemRedirectionOff() {
    kernel32_ = SystemCalls().LoadLibraryA("Kernel32.dll");
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
