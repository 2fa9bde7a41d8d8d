#pragma once

#include "support/TestFiles.h"

#include <windows.h>

#include <string>

// The current folder, where help opens its document, for the life of the object: a
// folder of its own in which a help "document" is a command script that appends a line
// to a log each time it is opened, so the opening can be counted.
class HelpFolder {
public:
    explicit HelpFolder(std::string folder) : folder_(std::move(folder)) {
        char current[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, current);
        saved_ = current;
        RemoveTree(folder_);
        CreateFolders(folder_);
        entered_ = SetCurrentDirectoryA(folder_.c_str()) != FALSE;
    }
    ~HelpFolder() {
        SetCurrentDirectoryA(saved_.c_str());
        RemoveTree(folder_);
    }
    HelpFolder(const HelpFolder&) = delete;
    HelpFolder& operator=(const HelpFolder&) = delete;

    // False when the folder could not be made current.
    bool Entered() const { return entered_; }

    void WriteDocument(const std::string& name) const {
        WriteTextFile(folder_, name, "@echo opened>>\"" + Log() + "\"\n");
    }

    int Launches() const {
        HANDLE file = CreateFileA(Log().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 0;
        char text[4096];
        DWORD read = 0;
        ReadFile(file, text, sizeof text, &read, nullptr);
        CloseHandle(file);
        int lines = 0;
        for (DWORD i = 0; i < read; ++i) lines += text[i] == '\n';
        return lines;
    }

    // Waits until at least one launch has shown, then a little longer for any other.
    int LaunchesAfterWaiting() const {
        for (int waited = 0; waited < 30000 && Launches() == 0; waited += 100) Sleep(100);
        Sleep(1000);
        return Launches();
    }

private:
    std::string Log() const { return folder_ + "\\launches.log"; }

    std::string folder_;
    std::string saved_;
    bool entered_ = false;
};
