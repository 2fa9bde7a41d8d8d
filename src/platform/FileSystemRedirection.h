#pragma once

#include <windows.h>

#include <functional>

// WOW64 sends this 32-bit program's system32 paths to syswow64. Files meant for the
// 64-bit system (monitor DLLs, the driver store) are reached with redirection off for
// the length of one object. The functions are looked up in Kernel32 at run time, so the
// program still starts on systems that have none.
//
// Redirection off covers every file operation of the thread, loading a DLL included: the
// loader would take the 64-bit system folder's copy, which a 32-bit process cannot load.
// So both brackets load every delay-imported DLL first (LoadDelayImportedLibraries), and
// mark the thread while redirection is off, for the loader functions to tell.
class CFileSystemRedirectionOff {
public:
    enum class State {
        Off,            // redirection is off until the object goes
        NotAvailable,   // Kernel32 has no such function: go on with redirection as it is
        NoKernel32,     // Kernel32 could not be loaded
        Refused,        // the switch failed
    };

    CFileSystemRedirectionOff();
    ~CFileSystemRedirectionOff();
    CFileSystemRedirectionOff(const CFileSystemRedirectionOff&) = delete;
    CFileSystemRedirectionOff& operator=(const CFileSystemRedirectionOff&) = delete;

    State GetState() const { return state_; }
    // The work may go on: redirection is off, or there is none to turn off.
    bool Usable() const { return state_ == State::Off || state_ == State::NotAvailable; }

private:
    using RevertFunction = BOOL(WINAPI*)(PVOID);

    State state_ = State::NoKernel32;
    HMODULE kernel32_ = nullptr;
    RevertFunction revert_ = nullptr;
    PVOID saved_ = nullptr;
};

// Runs work with redirection off for the steps that tell what is missing with fixed
// English texts in message boxes without an owner (they may run on the worker thread).
// Switched off only when it can be switched back. Without Kernel32 the work does not
// run and the result is false.
bool RunWithRedirectionOff(const std::function<void()>& work);

// Whether one of the brackets has redirection off on the calling thread.
bool IsRedirectionOffOnThisThread();
