#include "ui/LicencePage.h"

#include "config/ProfileReader.h"
#include "res/WizardResources.h"
#include "support/Overrides.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The frame's stand-in: counts the Cancel commands a page sends it.
class Frame : public CDialog {
public:
    Frame() : CDialog(IDD_WIZARD_FRAME) {}
    int cancels = 0;

protected:
    bool OnCommand(WORD id, WORD code, HWND /*control*/) override {
        if (id == IDCANCEL && code == BN_CLICKED) ++cancels;
        return id == IDCANCEL;
    }
};

std::string ControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

class LicenceFileTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveTree(path_); }
    void TearDown() override { RemoveTree(path_); }
    std::string path_ = ProgramFolder() + "licence-file-test.txt";
};

TEST_F(LicenceFileTest, MissingFileIsUnreadable) {
    const LicenceFile licence = ReadLicenceFile(path_);
    EXPECT_EQ(licence.status, LicenceFileStatus::Unreadable);
    EXPECT_EQ(licence.text, "");
}

TEST_F(LicenceFileTest, FolderInPlaceOfTheFileIsUnreadable) {
    ASSERT_TRUE(CreateFolders(path_));
    EXPECT_EQ(ReadLicenceFile(path_).status, LicenceFileStatus::Unreadable);
}

TEST_F(LicenceFileTest, BytesComeBackAsStoredUpToTheBoundAndNotAboveIt) {
    const std::string tenBytes("a\r\nb\0c\xE9\r\n!", 10);
    WriteBinaryFile(ProgramFolder(), "licence-file-test.txt", tenBytes);
    LicenceFile atBound = ReadLicenceFile(path_, 10);
    EXPECT_EQ(atBound.status, LicenceFileStatus::Read);
    EXPECT_EQ(atBound.text, tenBytes) << "the bytes, embedded NUL and CR LF included";

    LicenceFile above = ReadLicenceFile(path_, 9);
    EXPECT_EQ(above.status, LicenceFileStatus::TooLarge);
    EXPECT_EQ(above.text, "");

    WriteBinaryFile(ProgramFolder(), "licence-file-test.txt", "");
    LicenceFile empty = ReadLicenceFile(path_);
    EXPECT_EQ(empty.status, LicenceFileStatus::Read);
    EXPECT_EQ(empty.text, "");
}

class LicencePageTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ProgramFolder();
        RemoveTree(folder_ + "License.txt");
        WriteTextFile(folder_, "language\\setup.ini",
                      "[Message]\nIDS_ERR_NOLICENSE=The license file is missing.\n"
                      "[Legal]\nAgreement=Licence agreement\nAccept=I accept\nReject=I do not accept\n");
        ASSERT_TRUE(frame_.CreateChild(nullptr));
    }
    void TearDown() override {
        RemoveTree(folder_ + "License.txt");
        RemoveTree(folder_ + "language");
    }
    bool FrameOkEnabled() { return IsWindowEnabled(GetDlgItem(frame_.Handle(), IDOK)) != FALSE; }
    bool Checked(CLicencePage& page, int id) { return IsDlgButtonChecked(page.Handle(), id) == BST_CHECKED; }
    void Create(CLicencePage& page) {
        page.SetLoadLicence(true);
        ASSERT_TRUE(page.CreateChild(frame_.Handle()));
    }

    std::string folder_;
    Frame frame_;
};

TEST_F(LicencePageTest, MissingLicenceFileIsReportedAndEndsTheWizard) {
    MessageBoxRecorder boxes;
    CLicencePage page;
    Create(page);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "The license file is missing.");
    EXPECT_EQ(boxes.shown[0].owner, page.Handle());
    EXPECT_EQ(frame_.cancels, 1) << "the frame's Cancel ends the wizard";
    EXPECT_EQ(ControlText(page.Handle(), IDC_LICENCE_TEXT), "");
}

TEST_F(LicencePageTest, LicenceTextWithWindowsLineEndingsIsShownExactly) {
    const std::string licence = "END USER LICENCE\r\n\r\n1. Use\tthe drivers.\r\n2. Do not \xC4\xE3 resell them.\r\n";
    WriteBinaryFile(folder_, "License.txt", licence);
    MessageBoxRecorder boxes;
    CLicencePage page;
    Create(page);
    EXPECT_EQ(ControlText(page.Handle(), IDC_LICENCE_TEXT), licence);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(frame_.cancels, 0);
}

TEST_F(LicencePageTest, OverLargeLicenceLeavesThePageEmptyAndTheWizardGoing) {
    WriteBinaryFile(folder_, "License.txt", std::string(kMaxLicenceSize + 1, 'x'));
    MessageBoxRecorder boxes;
    CLicencePage page;
    Create(page);
    EXPECT_EQ(ControlText(page.Handle(), IDC_LICENCE_TEXT), "");
    EXPECT_TRUE(boxes.shown.empty()) << "first message: " << (boxes.shown.empty() ? "" : boxes.shown[0].text);
    EXPECT_EQ(frame_.cancels, 0);
}

TEST_F(LicencePageTest, WithoutTheLicenceFlagAMissingFileDoesNoHarm) {
    MessageBoxRecorder boxes;
    CLicencePage page;
    ASSERT_TRUE(page.CreateChild(frame_.Handle()));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(frame_.cancels, 0);
    EXPECT_EQ(ControlText(page.Handle(), IDC_LICENCE_TEXT), "");
}

TEST_F(LicencePageTest, AcceptingEnablesTheFrameOkAndRejectingDisablesItAgain) {
    WriteTextFile(folder_, "License.txt", "");
    CLicencePage page;
    Create(page);
    page.Show(SW_SHOW);
    EXPECT_TRUE(Checked(page, IDC_REJECT));
    EXPECT_FALSE(Checked(page, IDC_ACCEPT));
    ASSERT_FALSE(FrameOkEnabled()) << "the frame template starts with OK disabled";

    SendMessageA(GetDlgItem(page.Handle(), IDC_ACCEPT), BM_CLICK, 0, 0);
    EXPECT_TRUE(Checked(page, IDC_ACCEPT));
    EXPECT_TRUE(FrameOkEnabled()) << "an empty licence can be accepted too";

    SendMessageA(GetDlgItem(page.Handle(), IDC_REJECT), BM_CLICK, 0, 0);
    EXPECT_TRUE(Checked(page, IDC_REJECT));
    EXPECT_FALSE(FrameOkEnabled());
}

TEST_F(LicencePageTest, CaptionsComeFromTheLanguageFileEachTimeThePageIsShown) {
    WriteTextFile(folder_, "License.txt", "Licence");
    CLicencePage page;
    Create(page);
    page.Show(SW_SHOW);
    EXPECT_EQ(ControlText(page.Handle(), IDC_LICENCE_GROUP), "Licence agreement");
    EXPECT_EQ(ControlText(page.Handle(), IDC_ACCEPT), "I accept");
    EXPECT_EQ(ControlText(page.Handle(), IDC_REJECT), "I do not accept");

    page.Show(SW_HIDE);
    WriteTextFile(folder_, "language\\setup.ini", "[Legal]\nAgreement=Agreement 2\nAccept=Yes\nReject=No\n");
    page.Show(SW_SHOW);
    EXPECT_EQ(ControlText(page.Handle(), IDC_LICENCE_GROUP), "Agreement 2");
    EXPECT_EQ(ControlText(page.Handle(), IDC_ACCEPT), "Yes");
    EXPECT_EQ(ControlText(page.Handle(), IDC_REJECT), "No");
}

TEST_F(LicencePageTest, ChineseFontReachesEveryControl) {
    WriteTextFile(folder_, "License.txt", "Licence");
    HFONT font = CreateFontA(13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, 0, 0, 0, 32, "SimSun");
    ASSERT_NE(font, nullptr);
    {
        CLicencePage page;
        page.SetChineseFont(font);
        Create(page);
        for (int id : {IDC_LICENCE_TEXT, IDC_LICENCE_GROUP, IDC_ACCEPT, IDC_REJECT})
            EXPECT_EQ(reinterpret_cast<HFONT>(SendDlgItemMessageA(page.Handle(), id, WM_GETFONT, 0, 0)), font)
                << "control " << id;

        CLicencePage plain;
        Create(plain);
        EXPECT_NE(reinterpret_cast<HFONT>(SendDlgItemMessageA(plain.Handle(), IDC_ACCEPT, WM_GETFONT, 0, 0)), font);
        page.DestroyWindow();
        plain.DestroyWindow();
    }
    DeleteObject(font);
}

}  // namespace
