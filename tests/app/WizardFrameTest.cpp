#include "app/WizardFrame.h"

#include "app/SetupApp.h"
#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "framework/UniqueResource.h"
#include "res/WizardResources.h"
#include "support/HelpFolder.h"
#include "support/Overrides.h"
#include "support/ResourceCounts.h"
#include "support/TestFiles.h"
#include "support/WizardUnderTest.h"
#include "ui/LicencePage.h"
#include "ui/ModelPage.h"
#include "ui/ModePage.h"
#include "ui/OsPage.h"
#include "ui/PortPage.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr const char* kLanguage =
    "[Setup]\nCaption=Printer Driver Setup\nHelp=Press F1 for help.\nNext=Next >\nBack=< Back\nInstall=Install\n"
    "Cancel=Cancel\n"
    "[Message]\nIDS_ERR_NOLEFT=The side picture is missing.\nIDS_ADMIN=Administrator rights are needed.\n"
    "IDS_NOTSUPPORTWin7=This model does not support Windows 7.\nIDS_ABOUTBOX=About...\n"
    "IDS_TYPICAL_NOTES=This model installs typically only.\n"
    "[Mode]\nType=Install type\nTypical=Typical\nAdvanced=Advanced\nRemarks=Remarks\nNote1=Typical note\n"
    "Note2=Advanced note\nNote3=Advanced second note\n"
    "[Series]\nSelect=Select the printer\n"
    "[About]\nCaption=About the setup\nVersion=Setup version 2.5\nCopyright=(C) Test Rights\nOK=Close it\n";

// The GBK bytes of the face name the Chinese font asks for ("SimSun").
constexpr const char* kChineseFace = "\xCB\xCE\xCC\xE5";

using Wizard = WizardUnderTest;

// A window's font as WM_GETFONT reports it, described while the font exists.
struct WindowFont {
    HFONT handle = nullptr;
    LOGFONTA description = {};
};

WindowFont FontOf(HWND window) {
    WindowFont font;
    font.handle = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    if (font.handle != nullptr) GetObjectA(font.handle, sizeof font.description, &font.description);
    return font;
}

void ExpectChineseFont(const WindowFont& font, const std::string& where) {
    EXPECT_NE(font.handle, nullptr) << where;
    EXPECT_STREQ(font.description.lfFaceName, kChineseFace) << where;
    EXPECT_EQ(font.description.lfCharSet, GB2312_CHARSET) << where;
    EXPECT_EQ(font.description.lfHeight, 13) << where;
}

void ExpectTemplateFont(const WindowFont& font, const std::string& where) {
    EXPECT_NE(font.handle, nullptr) << where;
    EXPECT_STRNE(font.description.lfFaceName, kChineseFace) << where;
    EXPECT_NE(font.description.lfCharSet, GB2312_CHARSET) << where;
}

// The child windows of parent that draw text in a font they were given. Pictures,
// frames and lines keep no font; the address control draws its fields in a font of
// its own and reports none.
std::vector<HWND> TextControlsOf(HWND parent) {
    std::vector<HWND> controls;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[64] = {};
        GetClassNameA(child, name, sizeof name);
        const std::string kind = name;
        if (kind == "#32770" || kind == WC_IPADDRESSA) continue;
        if (kind == "Static") {
            const LONG type = GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK;
            if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_SIMPLE &&
                type != SS_LEFTNOWORDWRAP)
                continue;
        }
        controls.push_back(child);
    }
    return controls;
}

std::string Describe(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return std::string(name) + " " + std::to_string(GetDlgCtrlID(window));
}

// What the About box showed while it was up.
struct AboutBoxSeen {
    HWND box = nullptr;
    HWND owner = nullptr;
    std::string title, version, copyright, ok;
    // Of its text controls, described while the box still owns its font.
    std::vector<std::pair<std::string, WindowFont>> fonts;
};

HWND aboutFrame = nullptr;
AboutBoxSeen* aboutSeen = nullptr;

BOOL CALLBACK FindAboutBox(HWND window, LPARAM found) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (window == aboutFrame || std::string(name) != "#32770") return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void CALLBACK ReadAboutBox(HWND, UINT, UINT_PTR, DWORD) {
    if (aboutSeen->box != nullptr) return;
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindAboutBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) return;
    AboutBoxSeen& seen = *aboutSeen;
    seen.box = box;
    seen.owner = GetWindow(box, GW_OWNER);
    seen.title = CWindow(box).Text();
    seen.version = CWindow(GetDlgItem(box, IDT_ABOUT_VERSION)).Text();
    seen.copyright = CWindow(GetDlgItem(box, IDT_ABOUT_COPYRIGHT)).Text();
    seen.ok = CWindow(GetDlgItem(box, IDOK)).Text();
    for (int id : {IDT_ABOUT_VERSION, IDT_ABOUT_COPYRIGHT, IDOK})
        seen.fonts.emplace_back("About control " + std::to_string(id), FontOf(GetDlgItem(box, id)));
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// Chooses the About entry of the frame's system menu. The box is modal, so it is read
// from a timer that its own message loop runs, then closed with its OK button.
AboutBoxSeen OpenAboutBoxFromSystemMenu(HWND frame) {
    AboutBoxSeen seen;
    aboutFrame = frame;
    aboutSeen = &seen;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, ReadAboutBox);
    SendMessageA(frame, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    KillTimer(nullptr, timer);
    aboutSeen = nullptr;
    return seen;
}

// Keys typed on the keyboard: they reach the focused window through the input queue,
// where the system turns F1 into a help request.
void PressKey(WORD key) {
    INPUT input[2] = {};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = key;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

// Runs the frame's messages, as its modal loop would, until done() or the time is up.
bool PumpUntil(HWND frame, const std::function<bool()>& done, DWORD milliseconds = 10000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > milliseconds) return false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (IsDialogMessageA(frame, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

struct WindowTraits {
    using Type = HWND;
    static Type Invalid() { return nullptr; }
    static void Close(Type window) { DestroyWindow(window); }
};
using TopLevelWindow = UniqueResource<WindowTraits>;

// True when upper is above lower among the top-level windows.
bool IsAbove(HWND upper, HWND lower) {
    for (HWND window = GetTopWindow(nullptr); window != nullptr; window = GetWindow(window, GW_HWNDNEXT)) {
        if (window == upper) return true;
        if (window == lower) return false;
    }
    return false;
}

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
    void WriteModel(const std::string& portKeys, const std::string& deviceKeys = "") {
        WriteTextFile(folder_, "DRVCONFIG\\setup.ini",
                      "[DEVICENAME]\nDEVICENUMBER=1\nDEVICENAME1=VT-R80-ReceiptPrinter\nDEFAULTNAME=1\n" + deviceKeys);
        WriteTextFile(folder_, "DRVCONFIG\\setup_receipt_64.ini",
                      "[VT-R80.PORT]\nUSBSUPPORTED=1\nAdvancedSetup=1\n" + portKeys);
    }
    static void Press(CWizardFrame& frame, int id) {
        SendMessageA(frame.Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(frame.Item(id)));
    }
    static bool Enabled(CWizardFrame& frame, int id) { return IsWindowEnabled(frame.Item(id)) != FALSE; }
    static std::string Text(HWND dialog, int id) { return CWindow(GetDlgItem(dialog, id)).Text(); }
    // The style, not IsWindowVisible: the frame stays hidden where it need not be shown,
    // because showing it costs seconds under Wine.
    static bool Visible(HWND dialog, int id) {
        return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    static void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    // Every page exists once the walk has reached it: from the licence to the port page.
    static void WalkEveryPage(Wizard& wizard) {
        SendMessageA(wizard.licencePage.Handle(), WM_COMMAND, MAKEWPARAM(IDC_ACCEPT, BN_CLICKED), 0);
        for (int i = 0; i < 4; ++i) Press(wizard.frame, IDOK);
        ASSERT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kPortPage);
    }

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
    // Pages come into being as the walk reaches them; the licence page never does here.
    for (HWND notYet : {wizard.licencePage.Handle(), wizard.mode.Handle(), wizard.os.Handle(), wizard.port.Handle()})
        EXPECT_EQ(notYet, nullptr);

    Press(wizard.frame, IDOK);
    EXPECT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kModePage);
    EXPECT_NE(wizard.mode.Handle(), nullptr);
    EXPECT_TRUE(Enabled(wizard.frame, IDC_BACK));
    Press(wizard.frame, IDC_BACK);
    EXPECT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kModelPage);
    EXPECT_FALSE(Enabled(wizard.frame, IDC_BACK)) << "Back is disabled again on the first page of the walk";
}

// A page whose template cannot be had: Next leaves the user on the page they were on, shown.
TEST_F(WizardFrameTest, APageThatCannotBeCreatedKeepsTheCurrentPageShown) {
    CWizardFrame frame(false, false);
    CLicencePage licence;
    CModelPage model;
    CWizardPage missing(0x7FFF);
    frame.AddPage("licence", &licence, IDD_LICENCE_PAGE);
    frame.AddPage("model", &model, IDD_MODEL_PAGE);
    frame.AddPage("missing", &missing, 0x7FFF);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(frame.CreateChild(nullptr));
    ASSERT_EQ(frame.CurrentPage(), CWizardFrame::kModelPage);
    Press(frame, IDOK);
    EXPECT_EQ(frame.CurrentPage(), CWizardFrame::kModelPage);
    EXPECT_NE(GetWindowLongA(model.Handle(), GWL_STYLE) & WS_VISIBLE, 0) << "the model page is still to be seen";
    frame.DestroyWindow();
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
    wizard.frame.administratorCheck = [] { return false; };
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
    Press(wizard.frame, IDOK);
    Press(wizard.frame, IDOK);
    ASSERT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kOsPage);
    ASSERT_EQ(wizard.os.OsIndex(), OsIndex::Windows7) << "the WoW64 prefix reports Windows 7";
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
    EXPECT_EQ(wizard.frame.Selection().osIndex, OsIndex::Windows7);

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

TEST_F(WizardFrameTest, InstallHandsTheFinalChoicesOverAndEndsTheWizardOnlyWhenItRan) {
    Wizard wizard(false);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(wizard.frame.CreateChild(nullptr));
    for (int i = 0; i < 3; ++i) Press(wizard.frame, IDOK);
    ASSERT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kPortPage);
    ASSERT_TRUE(wizard.installs.empty());

    // Changed on the last page, after the port list was built: Install must see it.
    SendDlgItemMessageA(wizard.port.Handle(), IDC_IP_ADDRESS, IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 0, 0, 5));
    Press(wizard.frame, IDOK);
    ASSERT_EQ(wizard.installs.size(), 1u);
    const InstallSelection& refused = wizard.installs[0];
    EXPECT_EQ(refused.modelName, "VT-R80");
    EXPECT_EQ(refused.osIndex, OsIndex::Windows7);
    EXPECT_EQ(refused.portName, wizard.port.PortText());
    EXPECT_FALSE(refused.portName.empty());
    EXPECT_EQ(refused.ipAddress, "10.0.0.5");
    EXPECT_FALSE(refused.ipAddressBlank);
    EXPECT_EQ(refused.serial.baudRate, 9600);
    EXPECT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kPortPage) << "a refusal keeps the last page";
    EXPECT_TRUE(IsWindow(wizard.port.Handle()));

    SendDlgItemMessageA(wizard.port.Handle(), IDC_IP_ADDRESS, IPM_CLEARADDRESS, 0, 0);
    wizard.installRuns = true;
    Press(wizard.frame, IDOK);
    ASSERT_EQ(wizard.installs.size(), 2u);
    EXPECT_TRUE(wizard.installs[1].ipAddressBlank);
    EXPECT_FALSE(IsWindow(wizard.port.Handle())) << "the pages are closed once the installation ran";
    EXPECT_FALSE(IsWindow(wizard.model.Handle()));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(WizardFrameTest, TheChosenModelsAdvancedSetupDecidesWhetherAdvancedCanBeChosen) {
    WriteTextFile(folder_, "DRVCONFIG\\setup.ini",
                  "[DEVICENAME]\nDEVICENUMBER=2\nDEVICENAME1=VT-R80-ReceiptPrinter\nDEVICENAME2=VT-T300-TicketPrinter\n"
                  "DEFAULTNAME=1\n");
    WriteTextFile(folder_, "DRVCONFIG\\setup_receipt_64.ini",
                  "[VT-R80.PORT]\nAdvancedSetup=0\nSystemWin7Supported=1\n");
    WriteTextFile(folder_, "DRVCONFIG\\setup_ticket_64.ini",
                  "[VT-T300.PORT]\nAdvancedSetup=1\nSystemWin7Supported=1\n");
    Wizard wizard(false);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(wizard.frame.CreateChild(nullptr));

    Press(wizard.frame, IDOK);
    ASSERT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kModePage);
    const HWND mode = wizard.mode.Handle();
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(mode, IDC_ADVANCED)));
    EXPECT_EQ(IsDlgButtonChecked(mode, IDC_TYPICAL), BST_CHECKED);
    EXPECT_EQ(Text(mode, IDT_NOTE_LINE1), "This model installs typically only.");
    EXPECT_FALSE(Visible(mode, IDT_NOTE_LINE2));

    Press(wizard.frame, IDC_BACK);
    Click(wizard.model.Handle(), IDC_TYPE_TICKET);
    Press(wizard.frame, IDOK);
    ASSERT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kModePage);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(mode, IDC_ADVANCED))) << "VT-T300 offers the advanced installation";
    EXPECT_EQ(Text(mode, IDT_NOTE_LINE1), "This model installs typically only.") << "the note stays as it was";

    Click(mode, IDC_ADVANCED);
    EXPECT_TRUE(Visible(mode, IDT_NOTE_LINE2));
    EXPECT_EQ(Text(mode, IDT_NOTE_LINE2), "Advanced second note");
    Click(mode, IDC_TYPICAL);
    EXPECT_FALSE(Visible(mode, IDT_NOTE_LINE2));
    EXPECT_EQ(Text(mode, IDT_NOTE_LINE1), "Typical note");

    Click(mode, IDC_ADVANCED);
    Press(wizard.frame, IDOK);
    Press(wizard.frame, IDOK);
    ASSERT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kPortPage);
    EXPECT_EQ(wizard.frame.Selection().modelName, "VT-T300");
    EXPECT_EQ(wizard.frame.Selection().installMode, InstallMode::Advanced);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(WizardFrameTest, CaptionsAreReadAgainEachTimeTheFrameOrAPageIsShown) {
    Wizard wizard(false);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(wizard.frame.CreateChild(nullptr));
    wizard.frame.Show(SW_SHOW);
    EXPECT_EQ(wizard.frame.Text(), "Printer Driver Setup");
    EXPECT_EQ(Text(wizard.frame.Handle(), IDT_HELP_LINE), "Press F1 for help.");
    EXPECT_EQ(Text(wizard.model.Handle(), IDC_MODEL_GROUP), "Select the printer");
    Press(wizard.frame, IDOK);
    EXPECT_EQ(Text(wizard.mode.Handle(), IDC_MODE_GROUP), "Install type");

    WriteTextFile(folder_, "language\\setup.ini",
                  "[Setup]\nCaption=Setup 2\nHelp=Help 2\nNext=Next 2\nBack=Back 2\n"
                  "[Series]\nSelect=Select 2\n[Mode]\nType=Type 2\n");
    Press(wizard.frame, IDC_BACK);
    EXPECT_EQ(Text(wizard.model.Handle(), IDC_MODEL_GROUP), "Select 2");
    EXPECT_EQ(Text(wizard.frame.Handle(), IDOK), "Next 2");
    Press(wizard.frame, IDOK);
    EXPECT_EQ(Text(wizard.mode.Handle(), IDC_MODE_GROUP), "Type 2");

    wizard.frame.Show(SW_HIDE);
    wizard.frame.Show(SW_SHOW);
    EXPECT_EQ(wizard.frame.Text(), "Setup 2");
    EXPECT_EQ(Text(wizard.frame.Handle(), IDT_HELP_LINE), "Help 2");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(WizardFrameTest, LanguageZeroGivesTheFrameEveryPageAndTheAboutBoxTheChineseFont) {
    WriteModel("SystemWin7Supported=1\n", "LANGUAGE=0\n");
    Wizard wizard(true, ReadStartFlags().chineseFont);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(wizard.frame.CreateChild(nullptr));
    WalkEveryPage(wizard);
    // A dialog window answers WM_GETFONT with its template font whatever it was sent
    // later, so the font is read from the controls.
    const WindowFont shared = FontOf(wizard.frame.Item(IDC_BACK));
    ExpectChineseFont(shared, "Back button");

    for (HWND owner : {wizard.frame.Handle(), wizard.licencePage.Handle(), wizard.model.Handle(),
                       wizard.mode.Handle(), wizard.os.Handle(), wizard.port.Handle()}) {
        ASSERT_NE(owner, nullptr);
        for (HWND control : TextControlsOf(owner)) {
            // The USB notice is drawn in a font of its own.
            if (owner == wizard.port.Handle() && GetDlgCtrlID(control) == IDT_USB_NOTICE) continue;
            EXPECT_EQ(FontOf(control).handle, shared.handle) << Describe(owner) << " / " << Describe(control);
        }
    }

    const AboutBoxSeen about = OpenAboutBoxFromSystemMenu(wizard.frame.Handle());
    ASSERT_NE(about.box, nullptr) << "no About box opened";
    for (const auto& [where, font] : about.fonts) ExpectChineseFont(font, where);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(WizardFrameTest, LanguageOneKeepsTheTemplateFontEverywhere) {
    WriteModel("SystemWin7Supported=1\n", "LANGUAGE=1\n");
    Wizard wizard(true, ReadStartFlags().chineseFont);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(wizard.frame.CreateChild(nullptr));
    WalkEveryPage(wizard);
    for (HWND owner : {wizard.frame.Handle(), wizard.licencePage.Handle(), wizard.model.Handle(),
                       wizard.mode.Handle(), wizard.os.Handle(), wizard.port.Handle()}) {
        ASSERT_NE(owner, nullptr);
        for (HWND control : TextControlsOf(owner))
            ExpectTemplateFont(FontOf(control), Describe(owner) + " / " + Describe(control));
    }
    const AboutBoxSeen about = OpenAboutBoxFromSystemMenu(wizard.frame.Handle());
    ASSERT_NE(about.box, nullptr) << "no About box opened";
    for (const auto& [where, font] : about.fonts) ExpectTemplateFont(font, where);
}

TEST_F(WizardFrameTest, TheSystemMenusAboutEntryOpensTheAboutBoxWithItsTexts) {
    Wizard wizard(false);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(wizard.frame.CreateChild(nullptr));
    char entry[64] = {};
    GetMenuStringA(GetSystemMenu(wizard.frame.Handle(), FALSE), IDM_ABOUTBOX, entry, sizeof entry, MF_BYCOMMAND);
    EXPECT_STREQ(entry, "About...");

    const AboutBoxSeen about = OpenAboutBoxFromSystemMenu(wizard.frame.Handle());
    ASSERT_NE(about.box, nullptr) << "no About box opened";
    EXPECT_EQ(about.owner, wizard.frame.Handle());
    EXPECT_EQ(about.title, "About the setup");
    EXPECT_EQ(about.version, "Setup version 2.5");
    EXPECT_EQ(about.copyright, "(C) Test Rights");
    EXPECT_EQ(about.ok, "Close it");
}

TEST_F(WizardFrameTest, F1TwiceBringsTheOpenHelpViewerForwardInsteadOfStartingAnother) {
    // Windows of every process in the prefix are found, so the title is this process's own.
    const std::string caption = "Setup Help Viewer " + std::to_string(GetCurrentProcessId());
    WriteTextFile(folder_, "language\\setup.ini",
                  std::string(kLanguage) + "[Help Guide]\nCaption=" + caption + "\nName=guide.cmd\n");
    HelpFolder help(folder_ + "helpwork");
    ASSERT_TRUE(help.Entered());
    help.WriteDocument("guide.cmd");
    Wizard wizard(false);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(wizard.frame.CreateChild(nullptr));
    const HWND frame = wizard.frame.Handle();
    wizard.frame.Show(SW_SHOW);
    TopLevelWindow viewerWindow(CreateWindowExA(0, "Static", caption.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                                nullptr, nullptr, nullptr, nullptr));
    const HWND viewer = viewerWindow.get();
    ASSERT_NE(viewer, nullptr);
    // F1 in a control of a page: the request climbs through the page to the frame.
    const HWND control = GetDlgItem(wizard.model.Handle(), IDC_RECEIPT_MODELS);

    for (int press = 1; press <= 2; ++press) {
        ShowWindow(viewer, SW_SHOWMINIMIZED);
        SetForegroundWindow(frame);
        SetFocus(control);
        ASSERT_TRUE(IsIconic(viewer));
        ASSERT_EQ(GetFocus(), control);
        PressKey(VK_F1);
        EXPECT_TRUE(PumpUntil(frame, [&] { return !IsIconic(viewer); })) << "press " << press << ": not restored";
        EXPECT_TRUE(IsAbove(viewer, frame)) << "press " << press << ": not brought forward";
    }

    // Without the viewer F1 opens the document. Any document opened by the presses above
    // would have logged before this one does.
    viewerWindow.reset();
    SetForegroundWindow(frame);
    SetFocus(control);
    PressKey(VK_F1);
    PumpUntil(frame, [&] { return help.Launches() > 0; }, 30000);
    EXPECT_EQ(help.LaunchesAfterWaiting(), 1) << "a viewer was started while one was open, or none without";
    EXPECT_TRUE(boxes.shown.empty());
}

// A long session: every page, every printer type, both modes and every port kind, there
// and back, two hundred times; the process holds afterwards what it held after the first.
TEST_F(WizardFrameTest, LongSessionWalkingBackAndForthLeaksNothing) {
    WriteTextFile(folder_, "DRVCONFIG\\setup.ini",
                  "[DEVICENAME]\nDEVICENUMBER=4\nDEVICENAME1=VT-R80-ReceiptPrinter\nDEVICENAME2=VT-T300-TicketPrinter\n"
                  "DEVICENAME3=VT-L40-LabelPrinter\nDEVICENAME4=VT-E20-EmbeddedPrinter\nDEFAULTNAME=1\n");
    const char* files[][2] = {{"receipt", "VT-R80"}, {"ticket", "VT-T300"}, {"label", "VT-L40"}, {"embedded", "VT-E20"}};
    for (const auto& file : files) {
        WriteTextFile(folder_, std::string("DRVCONFIG\\setup_") + file[0] + "_64.ini",
                      std::string("[") + file[1] + ".PORT]\nAdvancedSetup=1\nSystemWin7Supported=1\nBaudRate=9600\n"
                                  "COMSUPPORTED=1\nLPTSUPPORTED=1\nUSBSUPPORTED=1\nNETSUPPORTED=1\n");
    }
    Wizard wizard(true);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(wizard.frame.CreateChild(nullptr));
    const auto walk = [&] {
        SendMessageA(wizard.licencePage.Handle(), WM_COMMAND, MAKEWPARAM(IDC_ACCEPT, BN_CLICKED), 0);
        Press(wizard.frame, IDOK);
        for (int type : {IDC_TYPE_TICKET, IDC_TYPE_LABEL, IDC_TYPE_EMBEDDED, IDC_TYPE_RECEIPT}) {
            Click(wizard.model.Handle(), type);
        }
        Press(wizard.frame, IDOK);
        Click(wizard.mode.Handle(), IDC_TYPICAL);
        Click(wizard.mode.Handle(), IDC_ADVANCED);
        Press(wizard.frame, IDOK);
        Press(wizard.frame, IDOK);
        const HWND port = wizard.port.Handle();
        const int ports = static_cast<int>(SendDlgItemMessageA(port, IDC_PORT_LIST, CB_GETCOUNT, 0, 0));
        for (int index = 0; index < ports; ++index) {
            SendDlgItemMessageA(port, IDC_PORT_LIST, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
            SendMessageA(port, WM_COMMAND, MAKEWPARAM(IDC_PORT_LIST, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(GetDlgItem(port, IDC_PORT_LIST)));
        }
        const bool reachedPorts = wizard.frame.CurrentPage() == CWizardFrame::kPortPage && ports >= 4;
        for (int i = 0; i < 4; ++i) Press(wizard.frame, IDC_BACK);
        return reachedPorts && wizard.frame.CurrentPage() == CWizardFrame::kLicencePage;
    };
    ASSERT_TRUE(walk()) << "the first walk did not reach every page";
    const ResourceCounts first = CountResources();
    int incomplete = 0;
    for (int i = 0; i < 200; ++i) {
        if (!walk()) ++incomplete;
    }
    const ResourceCounts after = CountResources();
    std::printf("long session: 200 walks; after the first %lu handles, %lu USER, %lu GDI; after the last %lu handles, "
                "%lu USER, %lu GDI\n",
                first.handles, first.user, first.gdi, after.handles, after.user, after.gdi);
    EXPECT_EQ(0, incomplete);
    EXPECT_EQ(first, after);
}

}  // namespace
