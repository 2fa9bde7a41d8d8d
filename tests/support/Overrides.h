#pragma once

#include "framework/MessageBoxes.h"
#include "platform/SystemCalls.h"
#include "ui/MessageBoxNotices.h"

#include <string>
#include <vector>
#include <windows.h>

// Whether a path handed to LoadLibraryA names the system DLL fileName: system DLLs are
// loaded by their full path in the system folder.
inline bool NamesSystemLibrary(LPCSTR path, const char* fileName) {
    char folder[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (path == nullptr || length == 0 || length >= sizeof folder) return false;
    return lstrcmpiA(path, (std::string(folder, length) + "\\" + fileName).c_str()) == 0;
}

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
    // The engine's notices reach it as the wizard shows them: as message boxes.
    explicit MessageBoxRecorder(int answer = IDOK) : previousSink_(SetNoticeSink(&MessageBoxNotices())) {
        SetMessageBoxHandler([this, answer](HWND owner, const std::string& text, const std::string& caption, UINT type) {
            shown.push_back({owner, text, caption, type});
            return answer;
        });
    }
    ~MessageBoxRecorder() {
        SetMessageBoxHandler(nullptr);
        SetNoticeSink(previousSink_);
    }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    std::vector<ShownMessage> shown;

private:
    INoticeSink* previousSink_;
};

// Takes the engine's notices in place of the application while alive, answering each with
// `answer`; a message box shown meanwhile is recorded in `boxes`, which should stay empty.
class NoticeRecorder : public INoticeSink {
public:
    explicit NoticeRecorder(int answer = IDOK) : answer_(answer), previousSink_(SetNoticeSink(this)) {
        SetMessageBoxHandler([this](HWND owner, const std::string& text, const std::string& caption, UINT type) {
            boxes.push_back({owner, text, caption, type});
            return IDOK;
        });
    }
    ~NoticeRecorder() override {
        SetMessageBoxHandler(nullptr);
        SetNoticeSink(previousSink_);
    }
    NoticeRecorder(const NoticeRecorder&) = delete;
    NoticeRecorder& operator=(const NoticeRecorder&) = delete;

    int Notify(const Notice& notice) override {
        notices.push_back(notice);
        return answer_;
    }

    std::vector<Notice> notices;
    std::vector<ShownMessage> boxes;

private:
    int answer_;
    INoticeSink* previousSink_;
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
    FakeWindowsVersion(DWORD platformId, DWORD major, DWORD minor, BYTE productType = VER_NT_WORKSTATION,
                       DWORD build = 0)
        : override_(&SystemCallTable::GetVersionExA, &Answer) {
        Version() = {};
        Version().dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
        Version().dwPlatformId = platformId;
        Version().dwMajorVersion = major;
        Version().dwMinorVersion = minor;
        Version().dwBuildNumber = build;
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
