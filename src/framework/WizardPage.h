#pragma once

#include "framework/Dialog.h"

#include <windows.h>

// A page of the wizard: a child dialog inside the frame's page area. Enter and Esc on a
// page do nothing, only the frame's own buttons act.
class CWizardPage : public CDialog {
public:
    using CDialog::CDialog;

    // The frame's shared Chinese font; null leaves the template font.
    void SetChineseFont(HFONT font) { chineseFont_ = font; }

protected:
    void OnOK() override {}
    void OnCancel() override {}

    // Gives the page and its controls the Chinese font, when the frame handed one in.
    void ApplyChineseFont() {
        if (chineseFont_ != nullptr) SetFontOnWindowAndChildren(Handle(), chineseFont_);
    }

private:
    HFONT chineseFont_ = nullptr;
};
