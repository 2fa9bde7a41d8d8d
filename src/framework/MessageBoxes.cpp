#include "framework/MessageBoxes.h"

#include <vector>

namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

}  // namespace

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    const char* safeText = text ? text : "";
    const char* safeCaption = caption ? caption : "";
    if (Handler()) return Handler()(owner, safeText, safeCaption, type);
    return MessageBoxA(owner, safeText, safeCaption, type);
}

int ShowAppMessageBox(const char* text, UINT type) {
    return ShowMessageBox(nullptr, text, ApplicationName().c_str(), type);
}

std::string ApplicationName() {
    std::vector<char> path(MAX_PATH);
    DWORD length = 0;
    for (;;) {
        length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::string();
        if (length < path.size() - 1 || path.size() >= 32768) break;
        path.resize(path.size() * 2);
    }
    std::string name(path.data(), length);
    std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

void SetMessageBoxHandler(MessageBoxHandler handler) { Handler() = std::move(handler); }
