#pragma once

#include "framework/Window.h"

#include <commctrl.h>

#include <string>

// Thin wrappers over template controls, attached by id: one method per message.

class CButton : public CWindow {
public:
    void Attach(HWND dialog, int id) { CWindow::Attach(GetDlgItem(dialog, id)); }
    bool IsChecked() const { return Send(BM_GETCHECK) == BST_CHECKED; }
    void SetChecked(bool checked) const { Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED); }
};

class CComboBox : public CWindow {
public:
    void Attach(HWND dialog, int id) { CWindow::Attach(GetDlgItem(dialog, id)); }
    int AddString(const char* text) const { return static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
    void ResetContent() const { Send(CB_RESETCONTENT); }
    int Count() const { return static_cast<int>(Send(CB_GETCOUNT)); }
    int CurrentSelection() const { return static_cast<int>(Send(CB_GETCURSEL)); }
    int SetCurrentSelection(int index) const { return static_cast<int>(Send(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    std::string ItemText(int index) const {
        const LRESULT length = Send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
        if (length == CB_ERR) return std::string();
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        Send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length));
        return text;
    }
};

class CStatic : public CWindow {
public:
    void Attach(HWND dialog, int id) { CWindow::Attach(GetDlgItem(dialog, id)); }
};

class CEdit : public CWindow {
public:
    void Attach(HWND dialog, int id) { CWindow::Attach(GetDlgItem(dialog, id)); }
    void SetReadOnly(bool readOnly) const { Send(EM_SETREADONLY, readOnly ? TRUE : FALSE); }
};

class CIpAddressControl : public CWindow {
public:
    void Attach(HWND dialog, int id) { CWindow::Attach(GetDlgItem(dialog, id)); }
    // The address in host order (first field in the high byte), 0 when blank.
    DWORD Address() const {
        DWORD address = 0;
        Send(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
        return address;
    }
    void SetAddress(DWORD address) const { Send(IPM_SETADDRESS, 0, static_cast<LPARAM>(address)); }
    bool IsBlank() const { return Send(IPM_ISBLANK) != 0; }
    void Clear() const { Send(IPM_CLEARADDRESS); }
};

class CProgressBar : public CWindow {
public:
    void Attach(HWND dialog, int id) { CWindow::Attach(GetDlgItem(dialog, id)); }
    void SetRange(int low, int high) const { Send(PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high)); }
    int SetPosition(int position) const { return static_cast<int>(Send(PBM_SETPOS, static_cast<WPARAM>(position))); }
    int Position() const { return static_cast<int>(Send(PBM_GETPOS)); }
};
