#pragma once

#include <windows.h>

#include <string>

// A window this object does not own: one inline method per call.
class CWindow {
public:
    CWindow() = default;
    explicit CWindow(HWND window) : window_(window) {}

    HWND Handle() const { return window_; }
    explicit operator bool() const { return window_ != nullptr; }
    void Attach(HWND window) { window_ = window; }

    HWND Item(int id) const { return GetDlgItem(window_, id); }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendMessageA(window_, message, wParam, lParam);
    }
    bool Show(int command) const { return ShowWindow(window_, command) != FALSE; }
    bool IsVisible() const { return IsWindowVisible(window_) != FALSE; }
    bool Enable(bool enable) const { return EnableWindow(window_, enable ? TRUE : FALSE) != FALSE; }
    bool IsEnabled() const { return IsWindowEnabled(window_) != FALSE; }
    void SetText(const char* text) const { SetWindowTextA(window_, text ? text : ""); }
    std::string Text() const {
        std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window_)) + 1, '\0');
        text.resize(static_cast<std::size_t>(GetWindowTextA(window_, text.data(), static_cast<int>(text.size()))));
        return text;
    }
    void SetFocus() const { ::SetFocus(window_); }
    void SetFont(HFONT font, bool redraw = true) const {
        Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
    }

private:
    HWND window_ = nullptr;
};

// Sends font to window and then to each of its child windows in z-order.
inline void SetFontOnWindowAndChildren(HWND window, HFONT font) {
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}
