#include "app/WizardFrame.h"

#include "app/LicencePage.h"
#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "ports/ModePage.h"
#include "ports/OsPage.h"
#include "ports/PortPage.h"
#include "res/WizardResources.h"
#include "support/Overrides.h"
#include "support/TestFiles.h"
#include "ui/ModelPage.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>

namespace {

constexpr const char* kLanguage =
    "[Setup]\nCaption=Printer Driver Setup\nNext=Next >\nBack=< Back\nInstall=Install\nCancel=Cancel\n"
    "[Message]\nIDS_ERR_NOLEFT=The side picture is missing.\nIDS_ADMIN=Administrator rights are needed.\n"
    "IDS_NOTSUPPORTWin7=This model does not support Windows 7.\nIDS_ABOUTBOX=About...\n";

// The wizard with its five pages, as start-up builds it.
struct Wizard {
    explicit Wizard(bool licence) : frame(licence, false) {
        licencePage.SetLoadLicence(licence);
        frame.AddPage("licence", &licencePage, IDD_LICENCE_PAGE);
        frame.AddPage("model", &model, IDD_MODEL_PAGE);
        frame.AddPage("mode", &mode, IDD_MODE_PAGE);
        frame.AddPage("os", &os, IDD_OS_PAGE);
        frame.AddPage("port", &port, IDD_PORT_PAGE);
        frame.SetPages({&licencePage, &model, &mode, &os, &port});
    }
    CWizardFrame frame;
    CLicencePage licencePage;
    CModelPage model;
    CModePage mode;
    COsPage os;
    CPortPage port;
};

class WizardFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_INTERNET_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        folder_ = ProgramFolder();
        // As start-up finds it in the WoW64 prefix: the _64 type files are read.
        ProcessSettings::SetIs64BitWindows(true);
        WriteTextFile(folder_, "language\\setup.ini", kLanguage);
        WriteTextFile(folder_, "License.txt", "Licence terms.\n");
        WriteModel("SystemWin7Supported=1\nBaudRate=9600\n");
        CopyFileA((folder_ + "Left.bmp.fixture").c_str(), (folder_ + "DRVCONFIG\\Left.bmp").c_str(), FALSE);
    }
    void TearDown() override {
        ProcessSettings::SetIs64BitWindows(false);
        RemoveTree(folder_ + "DRVCONFIG");
        RemoveTree(folder_ + "language");
        DeleteFileA((folder_ + "License.txt").c_str());
    }
    void WriteModel(const std::string& portKeys) {
        WriteTextFile(folder_, "DRVCONFIG\\setup.ini",
                      "[DEVICENAME]\nDEVICENUMBER=1\nDEVICENAME1=VT-R80-ReceiptPrinter\nDEFAULTNAME=1\n");
        WriteTextFile(folder_, "DRVCONFIG\\setup_receipt_64.ini",
                      "[VT-R80.PORT]\nUSBSUPPORTED=1\nAdvancedSetup=1\n" + portKeys);
    }
    static void Press(CWizardFrame& frame, int id) {
        SendMessageA(frame.Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(frame.Item(id)));
    }
    static bool Enabled(CWizardFrame& frame, int id) { return IsWindowEnabled(frame.Item(id)) != FALSE; }

    std::string folder_;
};

TEST_F(WizardFrameTest, WithoutLicenceTheWalkStartsOnTheModelPageWithBackDisabled) {
    Wizard wizard(false);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(wizard.frame.CreateChild(nullptr));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kModelPage);
    EXPECT_TRUE(Enabled(wizard.frame, IDOK));
    EXPECT_FALSE(Enabled(wizard.frame, IDC_BACK));

    Press(wizard.frame, IDOK);
    EXPECT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kModePage);
    EXPECT_TRUE(Enabled(wizard.frame, IDC_BACK));
    Press(wizard.frame, IDC_BACK);
    EXPECT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kModelPage);
    EXPECT_FALSE(Enabled(wizard.frame, IDC_BACK)) << "Back is disabled again on the first page of the walk";
}

TEST_F(WizardFrameTest, WithLicenceOkWaitsForAccept) {
    Wizard wizard(true);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(wizard.frame.CreateChild(nullptr));
    EXPECT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kLicencePage);
    EXPECT_FALSE(Enabled(wizard.frame, IDOK));
    SendMessageA(wizard.licencePage.Handle(), WM_COMMAND, MAKEWPARAM(IDC_ACCEPT, BN_CLICKED), 0);
    EXPECT_TRUE(Enabled(wizard.frame, IDOK));
    SendMessageA(wizard.licencePage.Handle(), WM_COMMAND, MAKEWPARAM(IDC_REJECT, BN_CLICKED), 0);
    EXPECT_FALSE(Enabled(wizard.frame, IDOK));
}

TEST_F(WizardFrameTest, AMissingSideBitmapEndsTheWizardWithItsMessage) {
    DeleteFileA((folder_ + "DRVCONFIG\\Left.bmp").c_str());
    Wizard wizard(false);
    MessageBoxRecorder boxes;
    EXPECT_EQ(wizard.frame.DoModal(nullptr), IDCANCEL);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "The side picture is missing.");
}

TEST_F(WizardFrameTest, WithoutAdministratorRightsTheWizardEnds) {
    Wizard wizard(false);
    wizard.frame.administratorCheck = [] { return 0; };
    MessageBoxRecorder boxes;
    EXPECT_EQ(wizard.frame.DoModal(nullptr), IDCANCEL);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Administrator rights are needed.");
}

TEST_F(WizardFrameTest, AnUnsupportedWindowsKeepsTheWizardOnTheOsPage) {
    WriteModel("SystemWin7Supported=0\n");
    Wizard wizard(false);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(wizard.frame.CreateChild(nullptr));
    ASSERT_EQ(wizard.os.OsIndex(), 7) << "the WoW64 prefix reports Windows 7";
    Press(wizard.frame, IDOK);
    Press(wizard.frame, IDOK);
    ASSERT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kOsPage);
    Press(wizard.frame, IDOK);
    EXPECT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kOsPage);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "This model does not support Windows 7.");
}

TEST_F(WizardFrameTest, BaudRateIsPresetOnceAndAgainOnlyAfterGoingBackPastTheModePage) {
    Wizard wizard(false);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(wizard.frame.CreateChild(nullptr));
    for (int i = 0; i < 3; ++i) Press(wizard.frame, IDOK);
    ASSERT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kPortPage);
    EXPECT_EQ(wizard.port.BaudRate(), 9600);
    EXPECT_EQ(wizard.frame.Selection().modelName, "VT-R80");
    EXPECT_EQ(wizard.frame.Selection().osIndex, 7);

    WriteModel("SystemWin7Supported=1\nBaudRate=19200\n");
    Press(wizard.frame, IDC_BACK);
    Press(wizard.frame, IDOK);
    EXPECT_EQ(wizard.port.BaudRate(), 9600) << "not read again without going back past the mode page";

    for (int i = 0; i < 3; ++i) Press(wizard.frame, IDC_BACK);
    ASSERT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kModelPage);
    for (int i = 0; i < 3; ++i) Press(wizard.frame, IDOK);
    EXPECT_EQ(wizard.port.BaudRate(), 19200);
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
