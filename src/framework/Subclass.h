#pragma once

#include <windows.h>

// A control whose window procedure we replace to draw or filter it ourselves; the
// original procedure gets every message we do not take.
class CSubclassedWindow {
public:
    CSubclassedWindow() = default;
    virtual ~CSubclassedWindow();
    CSubclassedWindow(const CSubclassedWindow&) = delete;
    CSubclassedWindow& operator=(const CSubclassedWindow&) = delete;

    // Subclasses the dialog's control id; false when there is no such control or it is
    // already subclassed.
    bool SubclassDlgItem(HWND dialog, int id);
    bool Subclass(HWND window);
    void Unsubclass();
    HWND Handle() const { return window_; }

protected:
    // Return contract: set handled to answer the message here; otherwise the original
    // procedure gets it.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    LRESULT CallOriginal(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    WNDPROC original_ = nullptr;
};
