#include "ui/AboutBox.h"
#include "ui/Help.h"

#include "config/ProfileReader.h"
#include "res/WizardResources.h"
#include "support/HelpFolder.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <iterator>
#include <string>
#include <vector>

namespace {

// The GBK bytes of the face name the Chinese font asks for.
constexpr const char* kChineseFace = "\xCB\xCE\xCC\xE5";

class ProgramFolderFiles : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    void Clean() {
        RemoveTree(ProgramFolder() + "language");
        RemoveTree(ProgramFolder() + "DRVCONFIG");
    }
    void WriteLanguageFile(const std::string& text) { WriteTextFile(ProgramFolder(), "language\\setup.ini", text); }
    void WriteLanguageSetting(const char* value) {
        WriteTextFile(ProgramFolder(), "DRVCONFIG\\setup.ini", std::string("[DEVICENAME]\nLANGUAGE=") + value + "\n");
    }
};

// The controls whose fonts the box sets; the icon keeps none.
constexpr int kTextControls[] = {IDT_ABOUT_VERSION, IDT_ABOUT_COPYRIGHT, IDOK};

struct ObservedFont {
    HFONT handle = reinterpret_cast<HFONT>(0xDEADBEEF);
    LOGFONTA description = {};
};

// What the box showed while it was up.
struct Observed {
    std::string title, version, copyright, ok;
    // The last font the box itself was given.
    HFONT boxFont = reinterpret_cast<HFONT>(0xDEADBEEF);
    std::vector<ObservedFont> controlFonts;
};

// Reads its windows once it is up, then closes itself from a timer, as a user would.
class ObservedAboutBox : public CAboutBox {
public:
    Observed seen;

protected:
    BOOL OnInitDialog() override {
        BOOL result = CAboutBox::OnInitDialog();
        SetTimer(Handle(), 1, 10, nullptr);
        return result;
    }
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override {
        if (message == WM_SETFONT) seen.boxFont = reinterpret_cast<HFONT>(wParam);
        return CAboutBox::OnMessage(message, wParam, lParam, handled);
    }
    void OnTimer(UINT_PTR timerId) override {
        KillTimer(Handle(), timerId);
        seen.title = Text();
        seen.version = CWindow(Item(IDT_ABOUT_VERSION)).Text();
        seen.copyright = CWindow(Item(IDT_ABOUT_COPYRIGHT)).Text();
        seen.ok = CWindow(Item(IDOK)).Text();
        // Described now: the template font goes with the box.
        for (int id : kTextControls) {
            ObservedFont font;
            font.handle = reinterpret_cast<HFONT>(SendDlgItemMessageA(Handle(), id, WM_GETFONT, 0, 0));
            GetObjectA(font.handle, sizeof font.description, &font.description);
            seen.controlFonts.push_back(font);
        }
        PostMessageA(Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
};

using AboutBox = ProgramFolderFiles;

TEST_F(AboutBox, ShowsTheLanguageFileTextsAndLinesBreakAtTheMarkers) {
    WriteLanguageSetting("1");
    WriteLanguageFile(
        "[About]\nCaption=About the setup\nVersion=Setup version 2.5\\1build 7\nCopyright=(C) Test Rights\nOK=Close it\n"
        "[Setup]\nCaption=wrong section\n");
    ObservedAboutBox box;
    ASSERT_EQ(box.DoModal(nullptr), IDOK);
    EXPECT_EQ(box.seen.title, "About the setup");
    EXPECT_EQ(box.seen.version, "Setup version 2.5\r\nbuild 7");
    EXPECT_EQ(box.seen.copyright, "(C) Test Rights");
    EXPECT_EQ(box.seen.ok, "Close it");
}

TEST_F(AboutBox, MissingKeysLeaveEmptyTextsNotTheTemplateOnes) {
    WriteLanguageSetting("1");
    WriteLanguageFile("[About]\nCaption=Only a title\n");
    ObservedAboutBox box;
    ASSERT_EQ(box.DoModal(nullptr), IDOK);
    EXPECT_EQ(box.seen.title, "Only a title");
    EXPECT_EQ(box.seen.version, "");
    EXPECT_EQ(box.seen.copyright, "");
    EXPECT_EQ(box.seen.ok, "");
}

TEST_F(AboutBox, LanguageZeroPutsTheChineseFontOnTheBoxAndEveryChild) {
    WriteLanguageSetting("0");
    ObservedAboutBox box;
    ASSERT_EQ(box.DoModal(nullptr), IDOK);
    ASSERT_TRUE(box.UsesChineseFont());
    const HFONT font = box.Font();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(box.seen.boxFont, font);
    ASSERT_EQ(box.seen.controlFonts.size(), std::size(kTextControls));
    for (std::size_t i = 0; i < box.seen.controlFonts.size(); ++i)
        EXPECT_EQ(box.seen.controlFonts[i].handle, font) << "control " << kTextControls[i];

    LOGFONTA description = {};
    ASSERT_NE(GetObjectA(font, sizeof description, &description), 0);
    EXPECT_EQ(description.lfHeight, 13);
    EXPECT_EQ(description.lfWeight, 400);
    EXPECT_EQ(description.lfCharSet, GB2312_CHARSET);
    EXPECT_EQ(description.lfPitchAndFamily, 32);
    EXPECT_STREQ(description.lfFaceName, kChineseFace);
}

TEST_F(AboutBox, LanguageOneKeepsTheTemplateFont) {
    WriteLanguageSetting("1");
    ObservedAboutBox box;
    ASSERT_EQ(box.DoModal(nullptr), IDOK);
    EXPECT_FALSE(box.UsesChineseFont());
    EXPECT_EQ(box.Font(), nullptr);
    ASSERT_EQ(box.seen.controlFonts.size(), std::size(kTextControls));
    for (std::size_t i = 0; i < box.seen.controlFonts.size(); ++i) {
        const ObservedFont& font = box.seen.controlFonts[i];
        EXPECT_NE(font.handle, nullptr) << "control " << kTextControls[i];
        EXPECT_NE(font.description.lfCharSet, GB2312_CHARSET) << "control " << kTextControls[i];
        EXPECT_STRNE(font.description.lfFaceName, kChineseFace) << "control " << kTextControls[i];
    }
}

TEST_F(AboutBox, MissingLanguageSettingReadsZeroAndTheFontGoesWithTheBox) {
    // No DRVCONFIG\setup.ini at all.
    HFONT font = nullptr;
    {
        ObservedAboutBox box;
        ASSERT_EQ(box.DoModal(nullptr), IDOK);
        EXPECT_TRUE(box.UsesChineseFont());
        font = box.Font();
        ASSERT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
        // Opening it again replaces the font rather than adding one.
        ASSERT_EQ(box.DoModal(nullptr), IDOK);
        EXPECT_EQ(GetObjectType(font), 0u) << "the first font leaked";
        font = box.Font();
    }
    EXPECT_EQ(GetObjectType(font), 0u) << "the box's font outlived it";
}

// Help: a viewer window to find, and a help document whose opening is counted.
class Help : public ProgramFolderFiles {
protected:
    void SetUp() override {
        ProgramFolderFiles::SetUp();
        ASSERT_TRUE(help_.Entered());
    }
    void TearDown() override {
        if (viewer_) DestroyWindow(viewer_);
        ProgramFolderFiles::TearDown();
    }
    void WriteHelpDocument(const std::string& name) { help_.WriteDocument(name); }
    int LaunchesAfterWaiting() const { return help_.LaunchesAfterWaiting(); }
    HWND CreateViewer(const char* title) {
        viewer_ = CreateWindowExA(0, "Static", title, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
        ShowWindow(viewer_, SW_SHOWMINIMIZED);
        return viewer_;
    }

    HelpFolder help_{ProgramFolder() + "helpwork"};
    HWND viewer_ = nullptr;
};

TEST_F(Help, AnOpenViewerIsRestoredAndNoSecondOneStarted) {
    // Windows of every process in the prefix are found, so the title is this process's own.
    const std::string caption = "Setup Help Viewer " + std::to_string(GetCurrentProcessId());
    WriteLanguageFile("[Help Guide]\nCaption=" + caption + "\nName=guide.cmd\n");
    WriteHelpDocument("guide.cmd");
    HWND viewer = CreateViewer(caption.c_str());
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(IsIconic(viewer));

    EXPECT_EQ(ShowHelp(), viewer);
    EXPECT_FALSE(IsIconic(viewer)) << "the minimised viewer was not restored";

    // Without the viewer the same settings do open the document: exactly one launch.
    DestroyWindow(viewer);
    viewer_ = nullptr;
    EXPECT_EQ(ShowHelp(), nullptr);
    EXPECT_EQ(LaunchesAfterWaiting(), 1) << "the document was opened while the viewer was up, or never";
}

TEST_F(Help, ALongDocumentNameOpensWholeFromTheCurrentFolder) {
    // 150 characters: beyond the 97 a fixed 100-byte path would hold.
    const std::string name = std::string(146, 'h') + ".cmd";
    WriteLanguageFile("[Help Guide]\nCaption=Setup Help Viewer " + std::to_string(GetCurrentProcessId()) +
                      "\nName=" + name + "\n");
    WriteHelpDocument(name);
    // The document sits in the current folder, not beside the program.
    EXPECT_EQ(ShowHelp(), nullptr);
    EXPECT_EQ(LaunchesAfterWaiting(), 1);
}

TEST_F(Help, AMissingCaptionNeverBringsAnUntitledWindowForward) {
    WriteLanguageFile("[Help Guide]\nName=guide.cmd\n");
    WriteHelpDocument("guide.cmd");
    HWND untitled = CreateViewer("");
    ASSERT_NE(untitled, nullptr);
    EXPECT_EQ(ShowHelp(), nullptr);
    EXPECT_TRUE(IsIconic(untitled)) << "an unrelated untitled window was restored";
    EXPECT_EQ(LaunchesAfterWaiting(), 1);
}

}  // namespace
