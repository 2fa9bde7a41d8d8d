#pragma once

#include "config/DomainTypes.h"
#include "framework/WizardPage.h"

#include <windows.h>

// Install mode values, as the frame, the port list builders and the Install command read them.
constexpr int kInstallModeTypical = ToNumber(InstallMode::Typical);
constexpr int kInstallModeAdvanced = ToNumber(InstallMode::Advanced);

// The install mode of the checked radio button's index in the Typical / Advanced group
// (0 Typical, 1 Advanced, -1 none checked, which counts as typical).
int InstallModeFromRadioIndex(int radioIndex);

// The wizard page on which the user chooses a typical or an advanced installation.
class CModePage : public CWizardPage {
public:
    CModePage();

    // kInstallModeTypical or kInstallModeAdvanced, as last saved or clicked.
    int InstallMode() const { return installMode_; }

    // The model's AdvancedSetup key, applied by the frame when the user leaves the model
    // page: nonzero offers the Advanced choice again (the notes stay as they are); zero
    // withdraws it and forces a typical installation with the typical notes.
    void ApplyAdvancedSetup(int advancedSetup);

protected:
    BOOL OnInitDialog() override;
    // Return contract: always true; any radio state is a valid choice.
    bool DoDataExchange(bool save) override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnShowWindow(bool shown) override;

private:
    void ChooseTypical();
    void ChooseAdvanced();

    int installMode_ = kInstallModeTypical;
};
