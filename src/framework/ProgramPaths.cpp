#include "framework/ProgramPaths.h"

#include <windows.h>

#include <vector>

std::string ModulePath() {
    // Windows XP leaves a cut path unterminated and reports success, so the buffer
    // grows until the returned length leaves room for the terminator.
    std::vector<char> path(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::string();
        if (length < path.size() - 1) return std::string(path.data(), length);
        if (path.size() >= 32768) return std::string();
        path.resize(path.size() * 2);
    }
}

std::string ProgramFolder() {
    const std::string full = ModulePath();
    std::size_t slash = full.find_last_of('\\');
    if (slash == std::string::npos) return std::string();
    return full.substr(0, slash + 1);
}

std::string JoinPath(const std::string& folder, const std::string& relative) {
    std::size_t folderEnd = folder.size();
    while (folderEnd > 0 && (folder[folderEnd - 1] == '\\' || folder[folderEnd - 1] == '/')) --folderEnd;
    std::size_t relativeStart = 0;
    while (relativeStart < relative.size() && (relative[relativeStart] == '\\' || relative[relativeStart] == '/'))
        ++relativeStart;
    if (folderEnd == 0 || relativeStart == relative.size()) return std::string();

    std::string path;
    path.reserve(folderEnd + 1 + relative.size() - relativeStart);
    path.append(folder, 0, folderEnd);
    path.push_back('\\');
    path.append(relative, relativeStart, std::string::npos);
    // The ANSI profile and file functions take at most MAX_PATH - 1 characters.
    if (path.size() >= MAX_PATH) return std::string();
    return path;
}
