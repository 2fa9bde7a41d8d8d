#pragma once

#include "platform/SystemCalls.h"
#include "framework/MessageBoxes.h"

#include <string>
#include <vector>
#include <windows.h>

// A message box the code under test tried to show, answered by the test.
struct ShownMessage {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

// Answers every message box with `answer` while alive, and records it.
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(int answer = IDOK) {
        SetMessageBoxHandler([this, answer](HWND owner, const std::string& text, const std::string& caption, UINT type) {
            shown.push_back({owner, text, caption, type});
            return answer;
        });
    }
    ~MessageBoxRecorder() { SetMessageBoxHandler(nullptr); }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    std::vector<ShownMessage> shown;
};

// Replaces one entry of the system call table for the life of the object.
template <typename Function>
class ScopedSystemCall {
public:
    ScopedSystemCall(Function SystemCallTable::*entry, Function replacement)
        : entry_(entry), saved_(SystemCalls().*entry) {
        SystemCalls().*entry_ = replacement;
    }
    ~ScopedSystemCall() { SystemCalls().*entry_ = saved_; }
    ScopedSystemCall(const ScopedSystemCall&) = delete;
    ScopedSystemCall& operator=(const ScopedSystemCall&) = delete;

private:
    Function SystemCallTable::*entry_;
    Function saved_;
};

// GetVersionExA answering with a chosen version; fills the long structure when asked for it.
class FakeWindowsVersion {
public:
    FakeWindowsVersion(DWORD platformId, DWORD major, DWORD minor, BYTE productType = VER_NT_WORKSTATION)
        : override_(&SystemCallTable::GetVersionExA, &Answer) {
        Version() = {};
        Version().dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
        Version().dwPlatformId = platformId;
        Version().dwMajorVersion = major;
        Version().dwMinorVersion = minor;
        Version().wProductType = productType;
    }

private:
    static OSVERSIONINFOEXA& Version() {
        static OSVERSIONINFOEXA version;
        return version;
    }
    static BOOL WINAPI Answer(LPOSVERSIONINFOA info) {
        const DWORD size = info->dwOSVersionInfoSize;
        if (size != sizeof(OSVERSIONINFOA) && size != sizeof(OSVERSIONINFOEXA)) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        memcpy(info, &Version(), size);
        info->dwOSVersionInfoSize = size;
        return TRUE;
    }

    ScopedSystemCall<BOOL(WINAPI*)(LPOSVERSIONINFOA)> override_;
};
