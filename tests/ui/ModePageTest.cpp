#include "ui/ModePage.h"

#include "config/ProfileReader.h"
#include "res/WizardResources.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class Frame : public CDialog {
public:
    Frame() : CDialog(IDD_WIZARD_FRAME) {}
};

// A page whose saved data the test can ask for, as the frame does when it leaves the page.
class SavingModePage : public CModePage {
public:
    ::InstallMode Saved() {
        EXPECT_TRUE(UpdateData(true));
        return InstallMode();
    }
};

TEST(InstallModeFromRadioIndex, OnlyTheAdvancedButtonGivesAdvanced) {
    const struct {
        int radioIndex;
        InstallMode expected;
    } cases[] = {{0, InstallMode::Typical}, {1, InstallMode::Advanced}, {-1, InstallMode::Typical}};
    for (const auto& c : cases)
        EXPECT_EQ(InstallModeFromRadioIndex(c.radioIndex), c.expected) << "radio index " << c.radioIndex;
}

class ModePageTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ProgramFolder();
        WriteTextFile(folder_, "language\\setup.ini",
                      "[Mode]\nType=Install type\nTypical=Typical\nAdvanced=Advanced\nRemarks=Remarks\n"
                      "Note1=Typical note\nNote2=Advanced note\nNote3=Advanced second note\n"
                      "[Message]\nIDS_TYPICAL_NOTES=This model installs typically only.\n");
        ASSERT_TRUE(frame_.CreateChild(nullptr));
        ASSERT_TRUE(page_.CreateChild(frame_.Handle()));
        page_.Show(SW_SHOW);
    }
    void TearDown() override { RemoveTree(folder_ + "language"); }

    std::string Text(int id) {
        char text[256] = {};
        GetDlgItemTextA(page_.Handle(), id, text, sizeof text);
        return text;
    }
    // The style, not IsWindowVisible: the frame stays hidden, because showing it costs
    // seconds under Wine.
    bool Visible(int id) { return (GetWindowLongA(GetDlgItem(page_.Handle(), id), GWL_STYLE) & WS_VISIBLE) != 0; }
    bool Checked(int id) { return IsDlgButtonChecked(page_.Handle(), id) == BST_CHECKED; }
    void Click(int id) { SendMessageA(GetDlgItem(page_.Handle(), id), BM_CLICK, 0, 0); }

    std::string folder_;
    Frame frame_;
    SavingModePage page_;
};

TEST_F(ModePageTest, WithoutAClickTheModeIsTypicalWithOnlyTheFirstNote) {
    EXPECT_EQ(page_.InstallMode(), InstallMode::Typical);
    EXPECT_TRUE(Checked(IDC_TYPICAL));
    EXPECT_EQ(Text(IDT_NOTE_LINE1), "Typical note");
    EXPECT_TRUE(Visible(IDT_NOTE_LINE1));
    EXPECT_FALSE(Visible(IDT_NOTE_LINE2));
    EXPECT_FALSE(Visible(IDT_NOTE_LINE3));
    EXPECT_EQ(page_.Saved(), InstallMode::Typical);
}

TEST_F(ModePageTest, NotesAndValueFollowTheClickedButton) {
    Click(IDC_ADVANCED);
    EXPECT_EQ(page_.InstallMode(), InstallMode::Advanced);
    EXPECT_EQ(Text(IDT_NOTE_LINE1), "Advanced note");
    EXPECT_EQ(Text(IDT_NOTE_LINE2), "Advanced second note");
    EXPECT_TRUE(Visible(IDT_NOTE_LINE2));
    EXPECT_FALSE(Visible(IDT_NOTE_LINE3));
    EXPECT_EQ(page_.Saved(), InstallMode::Advanced);

    Click(IDC_TYPICAL);
    EXPECT_EQ(page_.InstallMode(), InstallMode::Typical);
    EXPECT_EQ(Text(IDT_NOTE_LINE1), "Typical note");
    EXPECT_FALSE(Visible(IDT_NOTE_LINE2));
    EXPECT_FALSE(Visible(IDT_NOTE_LINE3));
    EXPECT_EQ(page_.Saved(), InstallMode::Typical);
}

TEST_F(ModePageTest, SavedValueFollowsTheCheckedButton) {
    CheckRadioButton(page_.Handle(), IDC_TYPICAL, IDC_ADVANCED, IDC_ADVANCED);
    EXPECT_EQ(page_.Saved(), InstallMode::Advanced);
    CheckRadioButton(page_.Handle(), IDC_TYPICAL, IDC_ADVANCED, IDC_TYPICAL);
    EXPECT_EQ(page_.Saved(), InstallMode::Typical);
}

TEST_F(ModePageTest, ModelWithoutAdvancedSetupForcesTypicalWithItsOwnNote) {
    Click(IDC_ADVANCED);
    page_.ApplyAdvancedSetup(0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page_.Handle(), IDC_ADVANCED)));
    EXPECT_TRUE(Checked(IDC_TYPICAL));
    EXPECT_FALSE(Checked(IDC_ADVANCED));
    EXPECT_EQ(Text(IDT_NOTE_LINE1), "This model installs typically only.");
    EXPECT_FALSE(Visible(IDT_NOTE_LINE2));
    EXPECT_FALSE(Visible(IDT_NOTE_LINE3));
    EXPECT_EQ(page_.InstallMode(), InstallMode::Typical);
    EXPECT_EQ(page_.Saved(), InstallMode::Typical);
}

TEST_F(ModePageTest, ModelWithAdvancedSetupReenablesAdvancedAndKeepsTheNote) {
    page_.ApplyAdvancedSetup(0);
    page_.ApplyAdvancedSetup(1);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page_.Handle(), IDC_ADVANCED)));
    EXPECT_EQ(Text(IDT_NOTE_LINE1), "This model installs typically only.");
    EXPECT_EQ(page_.InstallMode(), InstallMode::Typical);
    Click(IDC_ADVANCED);
    EXPECT_EQ(page_.Saved(), InstallMode::Advanced);
}

TEST_F(ModePageTest, CaptionsComeFromTheLanguageFileEachTimeThePageIsShown) {
    EXPECT_EQ(Text(IDC_MODE_GROUP), "Install type");
    EXPECT_EQ(Text(IDC_TYPICAL), "Typical");
    EXPECT_EQ(Text(IDC_ADVANCED), "Advanced");
    EXPECT_EQ(Text(IDT_REMARKS), "Remarks");

    page_.Show(SW_HIDE);
    WriteTextFile(folder_, "language\\setup.ini", "[Mode]\nType=T2\nTypical=Ty2\nAdvanced=Ad2\nRemarks=R2\n");
    page_.Show(SW_SHOW);
    EXPECT_EQ(Text(IDC_MODE_GROUP), "T2");
    EXPECT_EQ(Text(IDC_TYPICAL), "Ty2");
    EXPECT_EQ(Text(IDC_ADVANCED), "Ad2");
    EXPECT_EQ(Text(IDT_REMARKS), "R2");
}

TEST_F(ModePageTest, ChineseFontReachesEveryControl) {
    HFONT font = CreateFontA(13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, 0, 0, 0, 32, "SimSun");
    ASSERT_NE(font, nullptr);
    {
        CModePage page;
        page.SetChineseFont(font);
        ASSERT_TRUE(page.CreateChild(frame_.Handle()));
        for (int id : {IDC_MODE_GROUP, IDC_TYPICAL, IDC_ADVANCED, IDT_REMARKS, IDT_NOTE_LINE1, IDT_NOTE_LINE2,
                       IDT_NOTE_LINE3})
            EXPECT_EQ(reinterpret_cast<HFONT>(SendDlgItemMessageA(page.Handle(), id, WM_GETFONT, 0, 0)), font)
                << "control " << id;
        EXPECT_NE(reinterpret_cast<HFONT>(SendDlgItemMessageA(page_.Handle(), IDC_TYPICAL, WM_GETFONT, 0, 0)), font)
            << "a page without the flag keeps its template font";
        page.DestroyWindow();
    }
    DeleteObject(font);
}

}  // namespace
