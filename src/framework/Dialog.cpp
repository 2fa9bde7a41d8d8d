#include "framework/Dialog.h"

namespace {

// The object of a dialog window, stored at WM_INITDIALOG.
constexpr const char* kObjectProperty = "PrinterDriverSetup.Dialog";

// Messages whose answer is the procedure's own return value (a brush, an index, an
// icon); every other handled message answers through DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
    switch (message) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
        case WM_INITDIALOG:
            return true;
        default:
            return false;
    }
}

}  // namespace

CDialog::~CDialog() {
    if (Handle() != nullptr && IsWindow(Handle())) {
        RemovePropA(Handle(), kObjectProperty);
        if (!modal_) ::DestroyWindow(Handle());
    }
}

INT_PTR CDialog::DoModal(HWND owner) {
    modal_ = true;
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner, &Procedure,
                                     reinterpret_cast<LPARAM>(this));
    Attach(nullptr);
    return result;
}

void CDialog::EndModal(INT_PTR result) {
    if (modal_ && Handle() != nullptr) EndDialog(Handle(), result);
}

bool CDialog::CreateChild(HWND parent) {
    modal_ = false;
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent, &Procedure,
                                     reinterpret_cast<LPARAM>(this));
    return window != nullptr;
}

bool CDialog::DestroyWindow() {
    HWND window = Handle();
    if (window == nullptr) return false;
    RemovePropA(window, kObjectProperty);
    Attach(nullptr);
    return ::DestroyWindow(window) != FALSE;
}

bool CDialog::UpdateData(bool save) { return DoDataExchange(save); }

void CDialog::OnOK() {
    if (!UpdateData(true)) return;
    EndModal(IDOK);
}

void CDialog::OnCancel() { EndModal(IDCANCEL); }

INT_PTR CDialog::OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/, bool& handled) {
    handled = false;
    return 0;
}

INT_PTR CALLBACK CDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        if (dialog == nullptr) return FALSE;
        dialog->Attach(window);
        SetPropA(window, kObjectProperty, dialog);
    } else {
        dialog = static_cast<CDialog*>(GetPropA(window, kObjectProperty));
    }
    if (dialog == nullptr) return FALSE;

    try {
        return dialog->Dispatch(message, wParam, lParam);
    } catch (...) {
        // Unwinding through user32 would leave the window manager in an unknown state.
        try {
            dialog->OnHandlerException();
        } catch (...) {
        }
        return FALSE;
    }
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    bool handled = false;
    INT_PTR result = OnMessage(message, wParam, lParam, handled);
    if (handled) {
        if (AnswersDirectly(message)) return result;
        SetWindowLongPtrA(Handle(), DWLP_MSGRESULT, result);
        return TRUE;
    }

    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND: {
            const WORD id = LOWORD(wParam);
            const WORD code = HIWORD(wParam);
            if (OnCommand(id, code, reinterpret_cast<HWND>(lParam))) return TRUE;
            if (id == IDOK && code == BN_CLICKED) {
                OnOK();
                return TRUE;
            }
            if (id == IDCANCEL) {
                OnCancel();
                return TRUE;
            }
            return FALSE;
        }
        case WM_NOTIFY: {
            LRESULT notifyResult = 0;
            if (lParam != 0 && OnNotify(*reinterpret_cast<const NMHDR*>(lParam), notifyResult)) {
                SetWindowLongPtrA(Handle(), DWLP_MSGRESULT, notifyResult);
                return TRUE;
            }
            return FALSE;
        }
        case WM_TIMER:
            OnTimer(static_cast<UINT_PTR>(wParam));
            return TRUE;
        case WM_SHOWWINDOW:
            OnShowWindow(wParam != FALSE);
            return FALSE;
        case WM_PAINT:
            return OnPaint() ? TRUE : FALSE;
        case WM_HELP:
            return (lParam != 0 && OnHelp(*reinterpret_cast<const HELPINFO*>(lParam))) ? TRUE : FALSE;
        case WM_SYSCOMMAND:
            return OnSysCommand(wParam, lParam) ? TRUE : FALSE;
        case WM_NCDESTROY:
            // Destroyed with its parent: the object outlives its window.
            RemovePropA(Handle(), kObjectProperty);
            Attach(nullptr);
            return FALSE;
        default:
            return FALSE;
    }
}
