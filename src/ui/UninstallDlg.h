#pragma once

#include "framework/Dialog.h"
#include "framework/GdiObjects.h"

#include <string>
#include <vector>

// The uninstaller's window: the recorded printers, each with its model, port and date of
// installation and a check box (all checked), Remove and Close. Its title and texts are
// the language file's [Uninstall] section; the title is what Setup.exe looks for.
class CUninstallDlg : public CDialog {
public:
    struct Row {
        std::string printer;
        std::string model;
        std::string port;
        std::string installedAt;
    };

    CUninstallDlg(std::vector<Row> rows, bool chineseFont);

    // After Remove (IDOK): the printers checked, in the list's order.
    const std::vector<std::string>& Chosen() const { return chosen_; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    std::vector<Row> rows_;
    std::vector<std::string> chosen_;
    bool chineseFont_;
    UniqueFont font_;
};
