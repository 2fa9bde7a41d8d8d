#include "ui/AboutBox.h"

#include "config/SetupConfig.h"
#include "config/TextCatalogue.h"
#include "framework/Window.h"
#include "res/WizardResources.h"

HFONT CreateChineseFont() {
    // The face name is "SimSun" in its GBK spelling: the ANSI call needs the bytes the
    // font registers under on a Chinese system.
    return CreateFontA(13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, 0, 0, 0,
                       FF_SWISS, "\xCB\xCE\xCC\xE5");
}

CAboutBox::CAboutBox() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutBox::OnInitDialog() {
    CDialog::OnInitDialog();
    chineseFont_ = 0;
    // A missing LANGUAGE reads 0, so a distribution without it gets the Chinese font,
    // as the frame does.
    if (ReadDeviceSetting(ConfigKeys::Language) == 0) {
        chineseFont_ = 1;
        font_.reset(CreateChineseFont());
        SetFontOnWindowAndChildren(Handle(), font_.get());
    }

    SetCaptions(Handle(), "About",
                {{IDT_ABOUT_VERSION, "Version"}, {IDT_ABOUT_COPYRIGHT, "Copyright"}, {IDOK, "OK"}});
    SetText(CTextCatalogue("About").ReadText("Caption"));
    return TRUE;
}
