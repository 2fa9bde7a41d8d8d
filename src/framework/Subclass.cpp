#include "framework/Subclass.h"

namespace {

constexpr const char* kObjectProperty = "PrinterDriverSetup.Subclass";

}  // namespace

CSubclassedWindow::~CSubclassedWindow() { Unsubclass(); }

bool CSubclassedWindow::SubclassDlgItem(HWND dialog, int id) { return Subclass(GetDlgItem(dialog, id)); }

bool CSubclassedWindow::Subclass(HWND window) {
    if (window == nullptr || window_ != nullptr || GetPropA(window, kObjectProperty) != nullptr) return false;
    SetPropA(window, kObjectProperty, this);
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CSubclassedWindow::Procedure)));
    if (original_ == nullptr) {
        RemovePropA(window, kObjectProperty);
        return false;
    }
    window_ = window;
    return true;
}

void CSubclassedWindow::Unsubclass() {
    if (window_ == nullptr) return;
    if (IsWindow(window_)) {
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        RemovePropA(window_, kObjectProperty);
    }
    window_ = nullptr;
    original_ = nullptr;
}

LRESULT CSubclassedWindow::WindowProc(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/, bool& handled) {
    handled = false;
    return 0;
}

LRESULT CSubclassedWindow::CallOriginal(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(original_, window_, message, wParam, lParam);
}

LRESULT CALLBACK CSubclassedWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<CSubclassedWindow*>(GetPropA(window, kObjectProperty));
    if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = 0;
    bool handled = false;
    try {
        result = self->WindowProc(message, wParam, lParam, handled);
    } catch (...) {
        // Nothing may unwind through user32; the original procedure answers instead.
        handled = false;
    }
    if (message == WM_NCDESTROY) {
        // The window is going: put the original procedure back before it sees the last message.
        WNDPROC original = self->original_;
        self->Unsubclass();
        return CallWindowProcA(original, window, message, wParam, lParam);
    }
    if (handled) return result;
    return self->CallOriginal(message, wParam, lParam);
}
