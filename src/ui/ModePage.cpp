#include "ui/ModePage.h"

#include "config/TextCatalogue.h"
#include "framework/DataExchange.h"
#include "res/WizardResources.h"

InstallMode InstallModeFromRadioIndex(int radioIndex) {
    return radioIndex == 1 ? InstallMode::Advanced : InstallMode::Typical;
}

CModePage::CModePage() : CWizardPage(IDD_MODE_PAGE) {}

BOOL CModePage::OnInitDialog() {
    installMode_ = InstallMode::Typical;
    CheckRadioButton(Handle(), IDC_TYPICAL, IDC_ADVANCED, IDC_TYPICAL);
    CWindow(Item(IDT_NOTE_LINE1)).SetText(CTextCatalogue("Mode").ReadText("Note1"));
    ApplyChineseFont();
    return TRUE;
}

bool CModePage::DoDataExchange(bool save) {
    int radioIndex = installMode_ == InstallMode::Advanced ? 1 : 0;
    ExchangeRadioGroup(Handle(), IDC_TYPICAL, save, radioIndex);
    if (save) installMode_ = InstallModeFromRadioIndex(radioIndex);
    return true;
}

bool CModePage::OnCommand(WORD id, WORD code, HWND /*control*/) {
    if (code != BN_CLICKED) return false;
    if (id == IDC_TYPICAL) {
        ChooseTypical();
        return true;
    }
    if (id == IDC_ADVANCED) {
        ChooseAdvanced();
        return true;
    }
    return false;
}

void CModePage::ChooseTypical() {
    CWindow(Item(IDT_NOTE_LINE1)).SetText(CTextCatalogue("Mode").ReadText("Note1"));
    CWindow(Item(IDT_NOTE_LINE2)).Show(SW_HIDE);
    CWindow(Item(IDT_NOTE_LINE3)).Show(SW_HIDE);
    installMode_ = InstallMode::Typical;
}

void CModePage::ChooseAdvanced() {
    CTextCatalogue mode("Mode");
    CWindow(Item(IDT_NOTE_LINE1)).SetText(mode.ReadText("Note2"));
    CWindow(Item(IDT_NOTE_LINE2)).SetText(mode.ReadText("Note3"));
    CWindow(Item(IDT_NOTE_LINE2)).Show(SW_SHOWNORMAL);
    CWindow(Item(IDT_NOTE_LINE3)).Show(SW_HIDE);
    installMode_ = InstallMode::Advanced;
}

void CModePage::ApplyAdvancedSetup(bool advancedOffered) {
    CWindow advanced(Item(IDC_ADVANCED));
    if (advancedOffered) {
        advanced.Enable(true);
        return;
    }
    advanced.Enable(false);
    CheckRadioButton(Handle(), IDC_TYPICAL, IDC_ADVANCED, IDC_TYPICAL);
    // The frame's note for models without an advanced installation, not the page's Note1.
    CWindow(Item(IDT_NOTE_LINE1)).SetText(MessageCatalogue.ReadText("IDS_TYPICAL_NOTES"));
    CWindow(Item(IDT_NOTE_LINE2)).Show(SW_HIDE);
    CWindow(Item(IDT_NOTE_LINE3)).Show(SW_HIDE);
    installMode_ = InstallMode::Typical;
}

void CModePage::OnShowWindow(bool /*shown*/) {
    SetCaptions(Handle(), "Mode",
                {{IDC_MODE_GROUP, "Type"}, {IDC_TYPICAL, "Typical"}, {IDC_ADVANCED, "Advanced"},
                 {IDT_REMARKS, "Remarks"}});
}
