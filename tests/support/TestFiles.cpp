#include "support/TestFiles.h"

#include <windows.h>

#include <stdexcept>

namespace {

std::string Join(const std::string& folder, const std::string& relative) {
    if (!folder.empty() && folder.back() == '\\') return folder + relative;
    return folder + "\\" + relative;
}

}  // namespace

bool CreateFolders(const std::string& path) {
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void WriteBinaryFile(const std::string& folder, const std::string& relative, const std::string& bytes) {
    const std::string path = Join(folder, relative);
    CreateFolders(path.substr(0, path.find_last_of('\\')));
    // Paths past MAX_PATH are written through the wide, \\?\-prefixed form, so tests can
    // place files where the program's ANSI calls cannot reach them.
    const std::string longForm = "\\\\?\\" + path;
    const std::wstring wide(longForm.begin(), longForm.end());
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + path);
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) throw std::runtime_error("short write to " + path);
}

void WriteTextFile(const std::string& folder, const std::string& relative, const std::string& text) {
    std::string crlf;
    crlf.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') crlf.push_back('\r');
        crlf.push_back(c);
    }
    WriteBinaryFile(folder, relative, crlf);
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
        RemoveDirectoryA(path.c_str());
    } else {
        DeleteFileA(path.c_str());
    }
}
