#pragma once

#include "config/DomainTypes.h"
#include "framework/WizardPage.h"
#include "selection/SelectionRules.h"

#include <windows.h>

// The install mode of the checked radio button's index in the Typical / Advanced group
// (0 Typical, 1 Advanced, -1 none checked, which counts as typical).
InstallMode InstallModeFromRadioIndex(int radioIndex);

// The wizard page on which the user chooses a typical or an advanced installation.
class CModePage : public CWizardPage {
public:
    CModePage();

    // Typical or advanced, as last saved or clicked.
    ::InstallMode InstallMode() const { return installMode_; }

    // Whether the model offers an advanced installation (AdvancedModeOffered), applied by
    // the frame when the user leaves the model page: offered, the Advanced choice comes
    // back (the notes stay as they are); not offered, it is withdrawn and a typical
    // installation forced with the typical notes.
    void ApplyAdvancedSetup(bool advancedOffered);

protected:
    BOOL OnInitDialog() override;
    // Return contract: always true; any radio state is a valid choice.
    bool DoDataExchange(bool save) override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnShowWindow(bool shown) override;

private:
    void ChooseTypical();
    void ChooseAdvanced();

    ::InstallMode installMode_ = ::InstallMode::Typical;
};
