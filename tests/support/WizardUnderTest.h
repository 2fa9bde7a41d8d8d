#pragma once

#include "app/WizardFrame.h"
#include "res/WizardResources.h"
#include "ui/LicencePage.h"
#include "ui/ModelPage.h"
#include "ui/ModePage.h"
#include "ui/OsPage.h"
#include "ui/PortPage.h"

#include <vector>

// The wizard with its five real pages, as start-up builds it. Install hands its choices
// over to `installs` instead of installing, and reports the installation as run when
// `installRuns` is set.
struct WizardUnderTest {
    explicit WizardUnderTest(bool licence = false, bool chineseFont = false) : frame(licence, chineseFont) {
        licencePage.SetLoadLicence(licence);
        frame.AddPage("licence", &licencePage, IDD_LICENCE_PAGE);
        frame.AddPage("model", &model, IDD_MODEL_PAGE);
        frame.AddPage("mode", &mode, IDD_MODE_PAGE);
        frame.AddPage("os", &os, IDD_OS_PAGE);
        frame.AddPage("port", &port, IDD_PORT_PAGE);
        frame.SetPages({&licencePage, &model, &mode, &os, &port});
        frame.installCommand = [this](HWND, const InstallSelection& selection) {
            installs.push_back(selection);
            return installRuns;
        };
    }
    // A button of the frame pressed, as its click notifies the frame.
    void Press(int id) {
        SendMessageA(frame.Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(frame.Item(id)));
    }

    std::vector<InstallSelection> installs;
    bool installRuns = false;
    CWizardFrame frame;
    CLicencePage licencePage;
    CModelPage model;
    CModePage mode;
    COsPage os;
    CPortPage port;
};
