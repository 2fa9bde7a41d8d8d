#pragma once

#include "config/SetupConfig.h"
#include "framework/Controls.h"
#include "framework/WizardPage.h"

#include <windows.h>

#include <string>
#include <vector>

// Index of the entry the default device preselects: the first entry that begins with
// name (letter case ignored), searched from the second entry on and wrapping round to
// the first, as a combo box's own prefix search does; -1 when none begins with it.
int FindDefaultEntry(const std::vector<std::string>& entries, const std::string& name);

// The wizard page on which the user picks printer type and model, and whether the
// printer becomes the default printer.
class CModelPage : public CWizardPage {
public:
    CModelPage();

    // What the frame reads when the user moves on.
    const std::string& ModelName() const { return modelName_; }
    PrinterType SelectedType() const { return selectedType_; }
    int SetAsDefault() const { return setAsDefault_; }
    bool HasDevices() const { return hasDevices_; }

protected:
    BOOL OnInitDialog() override;
    bool DoDataExchange(bool save) override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnShowWindow(bool shown) override;

private:
    void FillLists();
    void TypeChosen(int type);
    void ModelChosen(int type);
    void CopySelectionOf(int type);

    CSetupConfig config_;
    CComboBox lists_[kPrinterTypeCount];
    std::string modelName_;
    PrinterType selectedType_ = PrinterType::Receipt;
    int setAsDefault_ = 0;
    bool hasDevices_ = false;
};
