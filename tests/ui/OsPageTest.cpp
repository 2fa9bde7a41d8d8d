#include "ui/OsPage.h"

#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "res/WizardResources.h"
#include "support/Overrides.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr int kAllOsButtons[] = {IDC_OS_WIN98ME,     IDC_OS_WINNT, IDC_OS_WIN2000,    IDC_OS_WINXP,
                                 IDC_OS_SERVER2003, IDC_OS_VISTA, IDC_OS_SERVER2008, IDC_OS_WIN7};
constexpr BYTE kWorkstation = VER_NT_WORKSTATION;
constexpr BYTE kServer = VER_NT_SERVER;

class Frame : public CDialog {
public:
    Frame() : CDialog(IDD_WIZARD_FRAME) {}
};

TEST(ChooseOsPageButton, ChecksTheButtonOfTheIndexAndForIndexZeroOnlyWindows98AndMe) {
    const struct {
        DWORD platform, major, minor;
        BYTE product;
        WORD architecture;
        int osIndex, button;
        bool unknown;
        bool newerWindows = false;
    } cases[] = {
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0, PROCESSOR_ARCHITECTURE_INTEL, 0, IDC_OS_WIN98ME, false},  // 98
        {VER_PLATFORM_WIN32_WINDOWS, 4, 90, 0, PROCESSOR_ARCHITECTURE_INTEL, 0, IDC_OS_WIN98ME, false},  // Me
        {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0, PROCESSOR_ARCHITECTURE_INTEL, 0, 0, false},                // 95
        {VER_PLATFORM_WIN32_NT, 4, 0, kWorkstation, PROCESSOR_ARCHITECTURE_INTEL, 1, IDC_OS_WINNT, false},
        {VER_PLATFORM_WIN32_NT, 5, 0, kWorkstation, PROCESSOR_ARCHITECTURE_INTEL, 2, IDC_OS_WIN2000, false},
        {VER_PLATFORM_WIN32_NT, 5, 1, kWorkstation, PROCESSOR_ARCHITECTURE_INTEL, 3, IDC_OS_WINXP, false},
        {VER_PLATFORM_WIN32_NT, 5, 2, kWorkstation, PROCESSOR_ARCHITECTURE_AMD64, 3, IDC_OS_WINXP, false},
        {VER_PLATFORM_WIN32_NT, 5, 2, kWorkstation, PROCESSOR_ARCHITECTURE_INTEL, 4, IDC_OS_SERVER2003, false},
        {VER_PLATFORM_WIN32_NT, 5, 2, kServer, PROCESSOR_ARCHITECTURE_AMD64, 4, IDC_OS_SERVER2003, false},
        {VER_PLATFORM_WIN32_NT, 6, 0, kWorkstation, PROCESSOR_ARCHITECTURE_AMD64, 5, IDC_OS_VISTA, false},
        {VER_PLATFORM_WIN32_NT, 6, 0, kServer, PROCESSOR_ARCHITECTURE_AMD64, 6, IDC_OS_SERVER2008, false},
        {VER_PLATFORM_WIN32_NT, 6, 1, kWorkstation, PROCESSOR_ARCHITECTURE_AMD64, 7, IDC_OS_WIN7, false},
        {VER_PLATFORM_WIN32_NT, 6, 1, kServer, PROCESSOR_ARCHITECTURE_AMD64, 6, IDC_OS_SERVER2008, false},
        {VER_PLATFORM_WIN32_NT, 6, 2, kWorkstation, PROCESSOR_ARCHITECTURE_AMD64, 0, 0, false},  // 8 and later
        {VER_PLATFORM_WIN32_NT, 6, 2, kWorkstation, PROCESSOR_ARCHITECTURE_AMD64, 7, IDC_OS_WIN7, false, true},
        {VER_PLATFORM_WIN32_NT, 10, 0, kServer, PROCESSOR_ARCHITECTURE_AMD64, 6, IDC_OS_SERVER2008, false, true},
        {VER_PLATFORM_WIN32_NT, 6, 1, kWorkstation, PROCESSOR_ARCHITECTURE_AMD64, 7, IDC_OS_WIN7, false, true},
        {VER_PLATFORM_WIN32_NT, 3, 51, kWorkstation, PROCESSOR_ARCHITECTURE_INTEL, 0, 0, false, true},
        {VER_PLATFORM_WIN32_NT, 3, 51, kWorkstation, PROCESSOR_ARCHITECTURE_INTEL, 0, 0, false},
        {VER_PLATFORM_WIN32s, 3, 10, 0, PROCESSOR_ARCHITECTURE_INTEL, 0, 0, true},
    };
    for (const auto& c : cases) {
        const OsPageChoice choice =
            ChooseOsPageButton(c.platform, c.major, c.minor, c.product, c.architecture, c.newerWindows);
        const std::string version = "platform " + std::to_string(c.platform) + " version " + std::to_string(c.major) +
                                    "." + std::to_string(c.minor) + " product " + std::to_string(c.product) +
                                    (c.newerWindows ? " with NewerWindows" : "");
        EXPECT_EQ(ToNumber(choice.osIndex), c.osIndex) << version;
        EXPECT_EQ(choice.checkedButton, c.button) << version;
        EXPECT_EQ(choice.unknownPlatform, c.unknown) << version;
    }
}

class OsPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ProgramFolder();
        saved64Bit_ = ProcessSettings::Is64BitWindows();
        ProcessSettings::SetIs64BitWindows(false);
        WriteTextFile(folder_, "language\\setup.ini",
                      "[System]\nSelect=Your operating system\n[Message]\nIDS_ERR_SYSTEM=Unknown system.\n");
        ASSERT_TRUE(frame_.CreateChild(nullptr));
    }
    void TearDown() override {
        ProcessSettings::SetIs64BitWindows(saved64Bit_);
        RemoveTree(folder_ + "language");
        RemoveTree(folder_ + "DRVCONFIG");
    }

    // Each button's state as "id:checked/enabled/visible" for the failure messages.
    static std::string ButtonStates(const COsPage& page) {
        std::string states;
        for (int id : kAllOsButtons) {
            HWND button = GetDlgItem(page.Handle(), id);
            states += std::to_string(id) + ":" + (SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED ? "c" : "-") +
                      (IsWindowEnabled(button) ? "e" : "-") +
                      ((GetWindowLongA(button, GWL_STYLE) & WS_VISIBLE) ? "v " : "- ");
        }
        return states;
    }

    std::string folder_;
    bool saved64Bit_ = false;
    Frame frame_;
};

TEST_F(OsPageTest, TheRunningSystemIsTheOneCheckedAndEnabledChoice) {
    const struct {
        DWORD major, minor;
        BYTE product;
        int osIndex;
    } cases[] = {
        {5, 0, kWorkstation, 2}, {5, 1, kWorkstation, 3}, {5, 2, kServer, 4}, {6, 0, kWorkstation, 5},
        {6, 0, kServer, 6},      {6, 1, kWorkstation, 7}, {6, 1, kServer, 6},
    };
    for (const auto& c : cases) {
        FakeWindowsVersion version(VER_PLATFORM_WIN32_NT, c.major, c.minor, c.product);
        MessageBoxRecorder boxes;
        COsPage page;
        ASSERT_TRUE(page.CreateChild(frame_.Handle()));
        const std::string states = ButtonStates(page);
        const std::string label = "version " + std::to_string(c.major) + "." + std::to_string(c.minor) + " product " +
                                  std::to_string(c.product) + ": " + states;
        EXPECT_EQ(ToNumber(page.OsIndex()), c.osIndex) << label;
        for (int os = 0; os < 8; ++os) {
            HWND button = GetDlgItem(page.Handle(), kAllOsButtons[os]);
            const bool mine = os == c.osIndex;
            EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED, mine) << label << " button " << os;
            EXPECT_EQ(IsWindowEnabled(button) != FALSE, mine) << label << " button " << os;
        }
        EXPECT_TRUE(boxes.shown.empty()) << label;
        page.DestroyWindow();
    }
}

TEST_F(OsPageTest, WindowsNewerThanSevenGivesIndexZeroWithEveryVisibleButtonDisabledAndNoneChecked) {
    FakeWindowsVersion version(VER_PLATFORM_WIN32_NT, 6, 2);
    MessageBoxRecorder boxes;
    COsPage page;
    ASSERT_TRUE(page.CreateChild(frame_.Handle()));
    EXPECT_EQ(page.OsIndex(), OsIndex::Windows9x);
    for (int id : kAllOsButtons) {
        HWND button = GetDlgItem(page.Handle(), id);
        EXPECT_NE(SendMessageA(button, BM_GETCHECK, 0, 0), BST_CHECKED) << ButtonStates(page);
        if (GetWindowLongA(button, GWL_STYLE) & WS_VISIBLE) {
            EXPECT_FALSE(IsWindowEnabled(button)) << ButtonStates(page);
        }
    }
    EXPECT_TRUE(boxes.shown.empty());
}

// Windows 8 and later with the distribution's opt-in: the family's button is the one
// checked and enabled, and it names the Windows really running, in full.
TEST_F(OsPageTest, NewerWindowsChecksTheFamilysButtonAndNamesTheRealWindows) {
    WriteTextFile(folder_, "DRVCONFIG\\setup.ini", "[DEVICENAME]\nNewerWindows=1\n");
    const struct {
        BYTE product;
        DWORD build;
        int osIndex;
        const char* caption;
    } cases[] = {
        {kWorkstation, 19045, 7, "Windows 10 (build 19045)"},
        {kServer, 20348, 6, "Windows Server 2022 (build 20348)"},
    };
    for (const auto& c : cases) {
        FakeWindowsVersion version(VER_PLATFORM_WIN32_NT, 10, 0, c.product, c.build);
        MessageBoxRecorder boxes;
        COsPage page;
        ASSERT_TRUE(page.CreateChild(frame_.Handle()));
        const std::string states = ButtonStates(page);
        EXPECT_EQ(ToNumber(page.OsIndex()), c.osIndex) << states;
        HWND button = GetDlgItem(page.Handle(), kAllOsButtons[c.osIndex]);
        EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), BST_CHECKED) << states;
        EXPECT_TRUE(IsWindowEnabled(button)) << states;
        char caption[128] = {};
        GetWindowTextA(button, caption, sizeof caption);
        EXPECT_STREQ(caption, c.caption);
        // The whole name fits: the button reaches across the group, inside its frame.
        HDC dc = GetDC(button);
        const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0)));
        SIZE text = {};
        GetTextExtentPoint32A(dc, caption, static_cast<int>(strlen(caption)), &text);
        SelectObject(dc, previous);
        ReleaseDC(button, dc);
        RECT own = {}, group = {};
        GetWindowRect(button, &own);
        GetWindowRect(GetDlgItem(page.Handle(), IDC_OS_GROUP), &group);
        EXPECT_GT(own.right - own.left, text.cx + GetSystemMetrics(SM_CXMENUCHECK)) << caption;
        EXPECT_LE(own.right, group.right) << caption;
        for (int os = 0; os < 8; ++os) {
            if (os == c.osIndex) continue;
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page.Handle(), kAllOsButtons[os]))) << states;
        }
        EXPECT_TRUE(boxes.shown.empty());
        page.DestroyWindow();
    }
    // Windows 7 itself keeps its own caption under the switch.
    FakeWindowsVersion windows7(VER_PLATFORM_WIN32_NT, 6, 1, kWorkstation, 7601);
    COsPage page;
    ASSERT_TRUE(page.CreateChild(frame_.Handle()));
    char caption[128] = {};
    GetDlgItemTextA(page.Handle(), IDC_OS_WIN7, caption, sizeof caption);
    EXPECT_STREQ(caption, "Windows 7");
}

TEST_F(OsPageTest, UnknownPlatformIsReportedAndGivesIndexZero) {
    FakeWindowsVersion version(VER_PLATFORM_WIN32s, 3, 10);
    MessageBoxRecorder boxes;
    COsPage page;
    ASSERT_TRUE(page.CreateChild(frame_.Handle()));
    EXPECT_EQ(page.OsIndex(), OsIndex::Windows9x);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Unknown system.");
    EXPECT_EQ(boxes.shown[0].owner, page.Handle());
}

TEST_F(OsPageTest, OnSixtyFourBitWindowsTheWindows2000ButtonIsHidden) {
    FakeWindowsVersion version(VER_PLATFORM_WIN32_NT, 6, 1);
    {
        COsPage page;
        ASSERT_TRUE(page.CreateChild(frame_.Handle()));
        EXPECT_TRUE(GetWindowLongA(GetDlgItem(page.Handle(), IDC_OS_WIN2000), GWL_STYLE) & WS_VISIBLE);
    }
    ProcessSettings::SetIs64BitWindows(true);
    COsPage page;
    ASSERT_TRUE(page.CreateChild(frame_.Handle()));
    EXPECT_FALSE(GetWindowLongA(GetDlgItem(page.Handle(), IDC_OS_WIN2000), GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(page.Handle(), IDC_OS_WINXP), GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(page.OsIndex(), OsIndex::Windows7);
}

TEST_F(OsPageTest, CaptionComesFromTheLanguageFileEachTimeThePageIsShown) {
    FakeWindowsVersion version(VER_PLATFORM_WIN32_NT, 5, 1);
    COsPage page;
    ASSERT_TRUE(page.CreateChild(frame_.Handle()));
    page.Show(SW_SHOW);
    char text[256] = {};
    GetDlgItemTextA(page.Handle(), IDC_OS_GROUP, text, sizeof text);
    EXPECT_STREQ(text, "Your operating system");

    page.Show(SW_HIDE);
    WriteTextFile(folder_, "language\\setup.ini", "[System]\nSelect=Windows in use\n");
    page.Show(SW_SHOW);
    GetDlgItemTextA(page.Handle(), IDC_OS_GROUP, text, sizeof text);
    EXPECT_STREQ(text, "Windows in use");
}

TEST_F(OsPageTest, ChineseFontReachesEveryButton) {
    FakeWindowsVersion version(VER_PLATFORM_WIN32_NT, 5, 1);
    HFONT font = CreateFontA(13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, 0, 0, 0, 32, "SimSun");
    ASSERT_NE(font, nullptr);
    {
        COsPage page;
        page.SetChineseFont(font);
        ASSERT_TRUE(page.CreateChild(frame_.Handle()));
        for (int id : kAllOsButtons)
            EXPECT_EQ(reinterpret_cast<HFONT>(SendDlgItemMessageA(page.Handle(), id, WM_GETFONT, 0, 0)), font)
                << "button " << id;
        EXPECT_EQ(reinterpret_cast<HFONT>(SendDlgItemMessageA(page.Handle(), IDC_OS_GROUP, WM_GETFONT, 0, 0)), font);
        page.DestroyWindow();
    }
    DeleteObject(font);
}

}  // namespace
