#include "config/ProfileSnapshot.h"

#include "framework/UniqueResource.h"

#include <windows.h>

#include <stdexcept>
#include <string>

// Apart from the parsing, which the program uses too: only the checker reads a whole file
// this way, and its refusal of a file too large brings the library's exception texts along.

CProfileSnapshot::CProfileSnapshot(const std::string& path) {
    if (path.empty()) return;
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    LARGE_INTEGER size = {};
    if (GetFileSizeEx(file.get(), &size) == 0) return;
    std::string text;
    // The profile functions read any size; what this process cannot hold is its own failure,
    // never a file that reads as missing.
    if (static_cast<unsigned long long>(size.QuadPart) > text.max_size())
        throw std::length_error(path + " holds " + std::to_string(size.QuadPart) +
                                " bytes, more than a 32-bit process can read at once");
    text.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!text.empty() && ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr) == 0)
        return;
    text.resize(read);
    Parse(text);
}
