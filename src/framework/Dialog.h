#pragma once

#include "framework/Window.h"

#include <windows.h>

// A dialog from a template of the program's resources, modal (the wizard frame, the
// About box, the progress window) or a modeless child (the wizard pages).
//
// One static procedure finds the object through the creation parameter and hands
// every message to OnMessage; nothing thrown in a handler unwinds through user32.
class CDialog : public CWindow {
public:
    explicit CDialog(UINT templateId) : templateId_(templateId) {}
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    UINT TemplateId() const { return templateId_; }

    // Runs the dialog modally; the value passed to EndModal, or -1 when it cannot be shown.
    INT_PTR DoModal(HWND owner);
    void EndModal(INT_PTR result);
    bool IsModal() const { return modal_; }

    // Creates the dialog as a modeless child of parent; false when it cannot be created.
    bool CreateChild(HWND parent);
    // Destroys a modeless dialog's window.
    virtual bool DestroyWindow();

    // Moves data between the controls and the object: save = true reads the controls
    // and validates. False when the data were refused (the bad control has the focus).
    bool UpdateData(bool save);

protected:
    // Return contract: TRUE lets the system focus the first tab stop, FALSE when the
    // handler set the focus itself.
    virtual BOOL OnInitDialog() { return TRUE; }
    // Default: save and validate, then end a modal dialog with IDOK.
    virtual void OnOK();
    // Default: end a modal dialog with IDCANCEL; a modeless one ignores it.
    virtual void OnCancel();
    // Return contract: true = data moved; false = refused, stay where we are.
    virtual bool DoDataExchange(bool /*save*/) { return true; }
    // Return contract: true = handled here; false = default handling.
    virtual bool OnCommand(WORD /*id*/, WORD /*code*/, HWND /*control*/) { return false; }
    virtual bool OnNotify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    virtual void OnTimer(UINT_PTR /*timerId*/) {}
    virtual void OnShowWindow(bool /*shown*/) {}
    // Return contract: true = painted here (the default painting is skipped).
    virtual bool OnPaint() { return false; }
    virtual bool OnHelp(const HELPINFO& /*info*/) { return false; }
    virtual bool OnSysCommand(WPARAM /*command*/, LPARAM /*position*/) { return false; }
    // Every message, before the handlers above. Return contract: set handled to stop
    // the dispatch; the returned value is the message's result.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    // A message handler threw: the exception stops at the procedure. Default: nothing more.
    virtual void OnHandlerException() {}

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    bool modal_ = false;
};
