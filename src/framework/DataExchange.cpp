#include "framework/DataExchange.h"

#include <commctrl.h>

void ExchangeCheck(HWND dialog, int id, bool save, int& value) {
    if (save)
        value = IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0;
    else
        CheckDlgButton(dialog, id, value ? BST_CHECKED : BST_UNCHECKED);
}

void ExchangeRadioGroup(HWND dialog, int firstId, bool save, int& value) {
    HWND first = GetDlgItem(dialog, firstId);
    if (first == nullptr) return;
    if (save) value = -1;
    int index = 0;
    for (HWND button = first; button != nullptr; button = GetWindow(button, GW_HWNDNEXT), ++index) {
        if (button != first && (GetWindowLongA(button, GWL_STYLE) & WS_GROUP)) break;
        if (save) {
            if (SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
        } else {
            SendMessageA(button, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
}

void ExchangeComboIndex(HWND dialog, int id, bool save, int& value) {
    if (save)
        value = static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
    else
        SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

void ExchangeIpAddress(HWND dialog, int id, bool save, DWORD& value) {
    if (save) {
        DWORD address = 0;
        SendDlgItemMessageA(dialog, id, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
        value = address;
    } else {
        SendDlgItemMessageA(dialog, id, IPM_SETADDRESS, 0, static_cast<LPARAM>(value));
    }
}

bool RefuseField(HWND dialog, int id) {
    if (HWND control = GetDlgItem(dialog, id)) SetFocus(control);
    return false;
}
