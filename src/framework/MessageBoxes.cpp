#include "framework/MessageBoxes.h"

#include "framework/ProgramPaths.h"


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

int ShowOwnedMessageBox(HWND owner, const char* text, UINT type) {
    return ShowMessageBox(owner, text, ApplicationName().c_str(), type);
}

int ShowAppMessageBox(const char* text, UINT type) { return ShowOwnedMessageBox(nullptr, text, type); }

std::string ApplicationName() {
    std::string name = ModulePath();
    std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

void SetMessageBoxHandler(MessageBoxHandler handler) { Handler() = std::move(handler); }

void WriteToCaller(const std::string& text) {
    // The inherited handle first (a detection script reads it); without one, the console
    // the program was started from. Looked up: Windows 2000 has no AttachConsole.
    using AttachConsoleFunction = BOOL(WINAPI*)(DWORD);
    const auto attach = reinterpret_cast<AttachConsoleFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "AttachConsole")));
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((output == nullptr || output == INVALID_HANDLE_VALUE) && attach != nullptr && attach(ATTACH_PARENT_PROCESS)) {
        output = GetStdHandle(STD_OUTPUT_HANDLE);
    }
    if (output != nullptr && output != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}
