#include "ui/PortPage.h"

#include "app/WizardFrame.h"
#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "platform/SystemLibraries.h"
#include "ports/UsbIdentity.h"
#include "res/WizardResources.h"
#include "support/Overrides.h"
#include "support/TestFiles.h"
#include "support/WizardUnderTest.h"
#include "ui/LicencePage.h"
#include "ui/ModelPage.h"
#include "ui/ModePage.h"
#include "ui/OsPage.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kLanguage =
    "[Confirm]\nSet=Set the printer port\nBaudRate=Baud rate:\nRaster=Raster graphic printing\n"
    "Parity.Even=Even\nParity.Mark=Mark\nParity.None=None\nParity.Odd=Odd\nParity.Space=Space\n"
    "Protocol.None=None\nProtocol.Xonoff=Xon/Xoff\nProtocol.Hardware=Hardware\n"
    "[Message]\nIDS_ERR_UPDATEUSB=The USB driver will be updated.\nIDS_ERR_UNSUPPORTCOM=No serial port here.\n";

constexpr const char* kAllPorts = "USBSUPPORTED=1\nLPTSUPPORTED=1\nCOMSUPPORTED=1\nNETSUPPORTED=1\nLPTDEFAULT=1\n";
constexpr OsIndex kWin98Me = OsIndex::Windows9x, kWinNT = OsIndex::WindowsNt4, kWinXP = OsIndex::WindowsXp,
                  kWin7 = OsIndex::Windows7;
constexpr PrinterType kReceipt = PrinterType::Receipt, kTicket = PrinterType::Ticket;
constexpr int kSerialControls[] = {IDC_BAUD_RATE, IDC_BYTE_SIZE, IDC_STOP_BITS, IDC_PARITY, IDC_PROTOCOL};

class Frame : public CDialog {
public:
    Frame() : CDialog(IDD_WIZARD_FRAME) {}
};

// The style, not IsWindowVisible: the test windows are never shown.
bool Visible(HWND dialog, int id) { return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0; }
bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
std::string Text(HWND dialog, int id) { return CWindow(GetDlgItem(dialog, id)).Text(); }

std::vector<std::string> Entries(HWND page) {
    CComboBox list;
    list.Attach(page, IDC_PORT_LIST);
    std::vector<std::string> entries;
    for (int i = 0; i < list.Count(); ++i) entries.push_back(list.ItemText(i));
    return entries;
}

std::string Joined(const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& entry : entries) text += entry + " ";
    return text;
}

std::string SelectedPort(HWND page) {
    CComboBox list;
    list.Attach(page, IDC_PORT_LIST);
    const int selection = list.CurrentSelection();
    return selection < 0 ? std::string() : list.ItemText(selection);
}

// As the user does it: the selection, then the control's notification.
void Select(HWND page, int id, int index) {
    SendDlgItemMessageA(page, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}

void SelectPort(HWND page, const std::string& name) {
    const LRESULT index =
        SendDlgItemMessageA(page, IDC_PORT_LIST, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(name.c_str()));
    ASSERT_NE(index, CB_ERR) << name << " is not listed";
    Select(page, IDC_PORT_LIST, static_cast<int>(index));
}

void InitCommonControlsOnce() {
    INITCOMMONCONTROLSEX controls = {sizeof controls,
                                     ICC_INTERNET_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
}

// A port page in a frame, over type files written beside the test program, with the
// USB probe and the file version reader answered by the test.
class PortPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitCommonControlsOnce(); }
    void SetUp() override {
        folder_ = ProgramFolder();
        WriteTextFile(folder_, "language\\setup.ini", kLanguage);
        ASSERT_TRUE(frame_.CreateChild(nullptr));
        page_ = NewPage();
        ASSERT_NE(page_, nullptr);
    }
    void TearDown() override {
        page_.reset();
        ProcessSettings::SetIs64BitWindows(false);
        RemoveTree(folder_ + "language");
        RemoveTree(folder_ + "DRVCONFIG");
    }
    std::unique_ptr<CPortPage> NewPage() {
        auto page = std::make_unique<CPortPage>();
        page->usbDeviceProbe = [this] {
            ++probes_;
            return device_ < 0 ? UsbProbe::Nothing() : UsbProbe::Printer(device_);
        };
        page->fileVersionReader = [this](const std::string& path) {
            versionPaths_.push_back(path);
            return version_;
        };
        if (!page->CreateChild(frame_.Handle())) return nullptr;
        return page;
    }
    // A type file for the Windows width in force.
    void WriteTypeFile(const char* stem, const std::string& text) {
        WriteTextFile(folder_, std::string("DRVCONFIG\\") + stem + (ProcessSettings::Is64BitWindows() ? "_64" : "") + ".ini",
                      text);
    }
    void BuildTypical(CPortPage& page, const char* model, OsIndex os, PrinterType type = kReceipt) {
        page.SetTypicalFlag(InstallMode::Typical);
        page.BuildPortListTypical(model, os, type);
    }
    void BuildAdvanced(CPortPage& page, const char* model, OsIndex os, PrinterType type = kReceipt) {
        page.SetTypicalFlag(InstallMode::Advanced);
        page.BuildPortListAdvanced(model, os, type);
    }
    HWND Page() const { return page_->Handle(); }
    void ExpectSerialControls(bool enabled, const std::string& where) {
        for (int id : kSerialControls) EXPECT_EQ(Enabled(Page(), id), enabled) << where << ", control " << id;
    }

    std::string folder_;
    Frame frame_;
    std::unique_ptr<CPortPage> page_;
    int device_ = -1;
    int probes_ = 0;
    std::string version_ = "0.0.0.0";
    std::vector<std::string> versionPaths_;
};

TEST_F(PortPageTest, BaudRatePresetSelectsTheEntryAndStoresItsRate) {
    const struct {
        int configured;
        int index;
        int stored;
    } cases[] = {{9600, 5, 9600}, {115200, 9, 115200}, {38400, 7, 38400}, {0, 7, 38400}, {14400, 7, 38400}};
    for (const auto& c : cases) {
        page_->PresetBaudRate(c.configured);
        EXPECT_EQ(SendDlgItemMessageA(Page(), IDC_BAUD_RATE, CB_GETCURSEL, 0, 0), c.index) << "BaudRate=" << c.configured;
        EXPECT_EQ(page_->BaudRate(), c.stored) << "BaudRate=" << c.configured << ": what is shown is what is stored";
    }
}

TEST_F(PortPageTest, SerialSettingsStartAtEightNoneOneHardwareAndFollowTheLists) {
    EXPECT_EQ(page_->ByteSize(), 8);
    EXPECT_EQ(page_->Parity(), 'n');
    EXPECT_EQ(page_->Protocol(), 'p');
    EXPECT_EQ(Text(Page(), IDC_PARITY), "None");
    EXPECT_EQ(Text(Page(), IDC_PROTOCOL), "Hardware");
    EXPECT_EQ(Text(Page(), IDC_BYTE_SIZE), "8");
    EXPECT_EQ(Text(Page(), IDC_STOP_BITS), "1");

    Select(Page(), IDC_BYTE_SIZE, 2);
    Select(Page(), IDC_STOP_BITS, 1);
    Select(Page(), IDC_BAUD_RATE, 0);
    EXPECT_EQ(page_->ByteSize(), 7);
    EXPECT_DOUBLE_EQ(page_->StopBits(), 1.5);
    EXPECT_EQ(page_->BaudRate(), 110);
    EXPECT_FALSE(Enabled(Page(), IDC_IP_ADDRESS));
}

TEST_F(PortPageTest, LabelsComeFromTheCatalogueOnEveryShow) {
    page_->Show(SW_SHOW);
    EXPECT_EQ(Text(Page(), IDX_RASTER), "Raster graphic printing");
    EXPECT_EQ(Text(Page(), IDT_IP_LABEL), "IP:") << "the IP label keeps its template text";
    WriteTextFile(folder_, "language\\setup.ini", "[Confirm]\nRaster=Raster, read again\n");
    page_->Show(SW_HIDE);
    page_->Show(SW_SHOW);
    EXPECT_EQ(Text(Page(), IDX_RASTER), "Raster, read again");
}

struct ToolTipSearch {
    HWND tool;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectToolTip(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<ToolTipSearch*>(parameter);
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    TTTOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    if (lstrcmpiA(name, TOOLTIPS_CLASSA) == 0 &&
        SendMessageA(window, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&info)) &&
        reinterpret_cast<HWND>(info.uId) == search.tool)
        search.found.push_back(window);
    return TRUE;
}

// The tool tips of this thread whose first tool is the given window.
std::vector<HWND> ToolTipsOf(HWND tool) {
    ToolTipSearch search = {tool, {}};
    EnumThreadWindows(GetCurrentThreadId(), CollectToolTip, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(PortPageTest, RasterBoxHasItsHelpTipAndTheUsbNoticeItsOwnLook) {
    const std::vector<HWND> tips = ToolTipsOf(GetDlgItem(Page(), IDX_RASTER));
    ASSERT_EQ(tips.size(), 1u) << "one tool tip for the raster box";
    HWND tip = tips[0];
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageA(tip, TTM_GETMAXTIPWIDTH, 0, 0), 200);
    char text[256] = {};
    TTTOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.lpszText = text;
    ASSERT_TRUE(SendMessageA(tip, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&tool)));
    // The enumeration hands back the tool's own text pointer, here a resource number.
    tool.lpszText = text;
    char expected[256] = {};
    ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), IDS_RASTER_TOOLTIP, expected, sizeof expected), 0);
    SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, expected);

    // The page hands the notice's colour request to the notice.
    HWND notice = GetDlgItem(Page(), IDT_USB_NOTICE);
    HDC dc = CreateCompatibleDC(nullptr);
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(Page(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(notice)));
    LOGBRUSH background = {};
    ASSERT_NE(brush, nullptr);
    GetObjectA(brush, sizeof background, &background);
    EXPECT_EQ(background.lbColor, 0xFDCAFFu);
    EXPECT_EQ(GetTextColor(dc), 0xFF0000u) << "blue, as a COLORREF reads";
    DeleteDC(dc);
    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(notice, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "Arial");
    EXPECT_EQ(font.lfHeight, -14);
    EXPECT_FALSE(Visible(Page(), IDT_USB_NOTICE));

    page_.reset();
    EXPECT_FALSE(IsWindow(tip)) << "the tip goes with the page, not with the frame that owns it";
}

TEST_F(PortPageTest, TypicalOnWindowsXp32BitListsEveryPortAndPreselectsTheFirstParallelOne) {
    WriteTypeFile("setup_receipt", std::string("[VT-R80.PORT]\n") + kAllPorts);
    BuildTypical(*page_, "VT-R80", kWinXP);
    EXPECT_EQ(Joined(Entries(Page())), "LPT1: LPT2: LPT3: NET: USB_VT-R80_1 VTCOM1: VTCOM2: VTCOM3: VTCOM4: VTCOM5: "
                                       "VTCOM6: VTCOM7: VTCOM8: ");
    EXPECT_EQ(SelectedPort(Page()), "LPT1:");
    EXPECT_EQ(page_->PortText(), "LPT1:");
    ExpectSerialControls(false, "parallel");
    EXPECT_FALSE(Enabled(Page(), IDC_IP_ADDRESS));
    EXPECT_FALSE(Visible(Page(), IDX_RASTER)) << "typical mode hides the raster box";
    EXPECT_EQ(page_->RasterFlag(), 1);
    EXPECT_EQ(IsDlgButtonChecked(Page(), IDX_RASTER), BST_CHECKED);
    EXPECT_FALSE(Visible(Page(), IDT_COM_UNSUPPORTED));
    EXPECT_EQ(probes_, 1);
    EXPECT_EQ(page_->UsbPortNumber(), -1);
}

TEST_F(PortPageTest, SixtyFourBitWindows7ListsTheSystemsSerialNamesFirst) {
    ProcessSettings::SetIs64BitWindows(true);
    WriteTypeFile("setup_receipt", "[VT-R80.PORT]\nLPTSUPPORTED=1\nCOMSUPPORTED=1\nLPTDEFAULT=0\n");
    BuildTypical(*page_, "VT-R80", kWin7);
    const std::vector<std::string> entries = Entries(Page());
    EXPECT_EQ(Joined(entries), "COM1: COM2: COM3: COM4: COM5: COM6: COM7: COM8: LPT1: LPT2: LPT3: ");
    EXPECT_EQ(page_->PortText(), "COM1:");
    ExpectSerialControls(true, "serial");
    EXPECT_FALSE(Enabled(Page(), IDX_RASTER));
    EXPECT_EQ(page_->RasterFlag(), 0);
}

TEST_F(PortPageTest, AdvancedPreselectsThePortOfTheConnectedPrinter) {
    WriteTypeFile("setup_receipt", std::string("[VT-R80.PORT]\n") + kAllPorts);
    device_ = 2;
    BuildAdvanced(*page_, "VT-R80", kWinXP);
    EXPECT_EQ(Joined(Entries(Page())), "LPT1: LPT2: LPT3: NET: USB_VT-R80_1 USB_VT-R80_2 USB_VT-R80_3 USB_VT-R80_4 "
                                       "VTCOM1: VTCOM2: VTCOM3: VTCOM4: VTCOM5: VTCOM6: VTCOM7: VTCOM8: ");
    EXPECT_EQ(SelectedPort(Page()), "USB_VT-R80_3");
    EXPECT_EQ(page_->PortText(), "USB_VT-R80_3");
    EXPECT_EQ(page_->UsbPortNumber(), 3);
    ExpectSerialControls(false, "USB");
    EXPECT_FALSE(Enabled(Page(), IDC_IP_ADDRESS));
    EXPECT_TRUE(Visible(Page(), IDX_RASTER)) << "RASTERVISIABLE reads 0";
    EXPECT_TRUE(Enabled(Page(), IDX_RASTER));
    // No driver installed yet: the advanced build says it will be.
    EXPECT_TRUE(Visible(Page(), IDT_USB_NOTICE));
    EXPECT_EQ(Text(Page(), IDT_USB_NOTICE), "The USB driver will be updated.");
    ASSERT_EQ(versionPaths_.size(), 1u);
    const std::string tail = "\\system32\\drivers\\VTPUSB.sys";
    EXPECT_EQ(versionPaths_[0].substr(versionPaths_[0].size() - tail.size()), tail) << versionPaths_[0];
}

// Install takes the port text: after a scan that found nothing it is what the list shows.
TEST_F(PortPageTest, AScanWithoutAMatchLeavesThePortTextAsTheListShowsIt) {
    WriteTypeFile("setup_receipt", std::string("[VT-R80.PORT]\n") + kAllPorts);
    const struct {
        const char* name;
        bool typical;
        OsIndex os;
        int device;
        const char* shown;
        int usbPort;
    } cases[] = {
        {"advanced, device number 5", false, kWinXP, 5, "LPT1:", 6},
        {"typical on NT with a printer", true, kWinNT, 0, "", 1},
    };
    for (const auto& c : cases) {
        auto page = NewPage();
        ASSERT_NE(page, nullptr);
        device_ = c.device;
        if (c.typical)
            BuildTypical(*page, "VT-R80", c.os);
        else
            BuildAdvanced(*page, "VT-R80", c.os);
        EXPECT_EQ(SelectedPort(page->Handle()), c.shown) << c.name;
        EXPECT_EQ(page->PortText(), c.shown) << c.name;
        EXPECT_EQ(page->UsbPortNumber(), c.usbPort) << c.name;
    }
}

TEST_F(PortPageTest, TheSerialNoticeShowsForModelsWithoutSerialPortsSave98Me) {
    WriteTypeFile("setup_receipt", "[VT-R80.PORT]\nLPTSUPPORTED=1\nCOMSUPPORTED=0\n");
    const struct {
        OsIndex os;
        const char* entries;
        bool notice;
    } cases[] = {{kWinXP, "LPT1: LPT2: LPT3: ", true}, {kWin98Me, "COM1: COM2: ", false}};
    for (const auto& c : cases) {
        auto page = NewPage();
        ASSERT_NE(page, nullptr);
        BuildTypical(*page, "VT-R80", c.os);
        EXPECT_EQ(Joined(Entries(page->Handle())), c.entries) << "OS index " << ToNumber(c.os);
        EXPECT_EQ(Visible(page->Handle(), IDT_COM_UNSUPPORTED), c.notice) << "OS index " << ToNumber(c.os);
        if (c.notice) {
            EXPECT_EQ(Text(page->Handle(), IDT_COM_UNSUPPORTED), "No serial port here.");
        }
    }
}

TEST_F(PortPageTest, TheListIsRebuiltOnlyForAnotherModelTypeOrMode) {
    WriteTypeFile("setup_receipt", std::string("[VT-R80.PORT]\n") + kAllPorts +
                                       "[VT-S10.PORT]\nCOMSUPPORTED=1\n[VT-X.PORT]\nLPTSUPPORTED=1\n");
    WriteTypeFile("setup_ticket", "[VT-R80.PORT]\nNETSUPPORTED=1\n");
    device_ = 2;
    BuildAdvanced(*page_, "VT-R80", kWinXP);
    SelectPort(Page(), "NET:");
    BuildAdvanced(*page_, "VT-R80", kWinXP);
    EXPECT_EQ(SelectedPort(Page()), "NET:") << "the user's choice stays";
    EXPECT_EQ(page_->PortText(), "NET:");
    EXPECT_TRUE(Enabled(Page(), IDC_IP_ADDRESS));
    EXPECT_EQ(probes_, 1) << "no second probe";

    BuildTypical(*page_, "VT-R80", kWinXP);
    EXPECT_EQ(Entries(Page()).size(), 13u) << "typical mode: one USB port";
    EXPECT_EQ(page_->PortText(), "USB_VT-R80_1") << "the printer's port again, not the previous choice";
    EXPECT_EQ(probes_, 2);

    BuildTypical(*page_, "VT-R80", kWinXP, kTicket);
    EXPECT_EQ(Joined(Entries(Page())), "NET: ") << "the same name in another type file";

    // A serial port at the end of an advanced build can be set up.
    BuildAdvanced(*page_, "VT-S10", kWinXP);
    EXPECT_EQ(page_->PortText(), "VTCOM1:");
    ExpectSerialControls(true, "advanced serial");
    EXPECT_FALSE(Enabled(Page(), IDC_IP_ADDRESS));

    BuildAdvanced(*page_, "VT-MISSING", kWinXP);
    EXPECT_TRUE(Entries(Page()).empty());
    EXPECT_EQ(page_->PortText(), "") << "an emptied list keeps no port of the previous model";
}

// The port's kind decides the controls; a USB port is USB whatever its model is called.
TEST_F(PortPageTest, PickingAPortSetsTheControlsOfItsKind) {
    WriteTypeFile("setup_receipt", std::string("[COMPACT.PORT]\n") + kAllPorts);
    version_ = "1.0.0.0";
    BuildAdvanced(*page_, "COMPACT", kWinXP);
    const struct {
        const char* port;
        bool serial, raster, ip;
        int rasterFlag;
        bool notice;
    } cases[] = {
        {"VTCOM3:", true, false, false, 0, false},
        {"USB_COMPACT_2", false, true, false, 1, true},
        {"NET:", false, true, true, 1, false},
        {"LPT2:", false, true, false, 1, false},
    };
    for (const auto& c : cases) {
        SelectPort(Page(), c.port);
        EXPECT_EQ(page_->PortText(), c.port);
        ExpectSerialControls(c.serial, c.port);
        EXPECT_EQ(Enabled(Page(), IDX_RASTER), c.raster) << c.port;
        EXPECT_EQ(Enabled(Page(), IDC_IP_ADDRESS), c.ip) << c.port;
        EXPECT_EQ(page_->RasterFlag(), c.rasterFlag) << c.port;
        EXPECT_EQ(IsDlgButtonChecked(Page(), IDX_RASTER), c.rasterFlag ? BST_CHECKED : BST_UNCHECKED) << c.port;
        EXPECT_EQ(Visible(Page(), IDT_USB_NOTICE), c.notice) << c.port;
    }
}

TEST_F(PortPageTest, PickingAUsbPortShowsTheNoticeOnlyInAdvancedModeWithTheDriverInstalled) {
    WriteTypeFile("setup_receipt", std::string("[VT-R80.PORT]\n") + kAllPorts);
    const struct {
        bool typical;
        const char* version;
        bool notice;
    } cases[] = {{true, "1.0.0.0", false}, {true, "0.0.0.0", false}, {false, "1.0.0.0", true}, {false, "0.0.0.0", false}};
    for (const auto& c : cases) {
        auto page = NewPage();
        ASSERT_NE(page, nullptr);
        if (c.typical)
            BuildTypical(*page, "VT-R80", kWinXP);
        else
            BuildAdvanced(*page, "VT-R80", kWinXP);
        const std::string where = std::string(c.typical ? "typical" : "advanced") + ", driver " + c.version;
        ShowWindow(GetDlgItem(page->Handle(), IDT_USB_NOTICE), SW_SHOW);
        SetDlgItemTextA(page->Handle(), IDT_USB_NOTICE, "");
        version_ = c.version;
        SelectPort(page->Handle(), "USB_VT-R80_1");
        EXPECT_EQ(Visible(page->Handle(), IDT_USB_NOTICE), c.notice) << where;
        EXPECT_EQ(Text(page->Handle(), IDT_USB_NOTICE), "The USB driver will be updated.") << where;
    }
}

// The list entries are the language file's words; their position is the setting.
TEST_F(PortPageTest, ParityAndFlowControlFollowTheEntrysPositionInEveryLanguage) {
    const struct {
        const char* file;
        const char* firstParity;
    } languages[] = {{"setup.ini.fixture", "Even"}, {"setup_chs.ini.fixture", "\xC5\xBC\xD0\xA3\xD1\xE9"}};
    for (const auto& language : languages) {
        ASSERT_TRUE(CopyFileA((folder_ + language.file).c_str(), (folder_ + "language\\setup.ini").c_str(), FALSE))
            << language.file;
        auto page = NewPage();
        ASSERT_NE(page, nullptr);
        CComboBox parity;
        parity.Attach(page->Handle(), IDC_PARITY);
        ASSERT_EQ(parity.ItemText(0), language.firstParity) << language.file;
        for (int i = 0; i < 5; ++i) {
            Select(page->Handle(), IDC_PARITY, i);
            EXPECT_EQ(page->Parity(), "emnos"[i]) << language.file << ", parity entry " << i;
        }
        for (int i = 0; i < 3; ++i) {
            Select(page->Handle(), IDC_PROTOCOL, i);
            EXPECT_EQ(page->Protocol(), " xp"[i]) << language.file << ", protocol entry " << i;
        }
    }
}

// A 1 x 1 picture for the frame's side bitmap.
std::string TinyBitmap() {
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    const DWORD pixels = 4;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + pixels;
    info.biSize = sizeof info;
    info.biWidth = 1;
    info.biHeight = 1;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    bytes.append(pixels, '\0');
    return bytes;
}

using Wizard = WizardUnderTest;

// Also: the USB driver's version is read as the program reads it, with redirection off,
// and no DLL loads meanwhile (on 64-bit Windows it would be the 64-bit system's).
TEST_F(PortPageTest, ReachingThePortPageBuildsTheListOfTheChosenModeAndTheSelectionTakesThePort) {
    // As start-up finds it in the WoW64 prefix, which reports Windows 7.
    ProcessSettings::SetIs64BitWindows(true);
    WriteBinaryFile(folder_, "DRVCONFIG\\Left.bmp", TinyBitmap());
    WriteTextFile(folder_, "DRVCONFIG\\setup.ini",
                  "[DEVICENAME]\nDEVICENUMBER=1\nDEVICENAME1=VT-R80-ReceiptPrinter\nDEFAULTNAME=1\n");
    WriteTypeFile("setup_receipt", std::string("[VT-R80.PORT]\nAdvancedSetup=1\nSystemWin7Supported=1\n") + kAllPorts);
    MessageBoxRecorder boxes;
    Wizard wizard;
    wizard.frame.administratorCheck = [] { return true; };
    wizard.port.fileVersionReader = [](const std::string& path) { return GetFileVersionString(path.c_str()); };
    ASSERT_TRUE(wizard.frame.CreateChild(nullptr));
    ASSERT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kModelPage);
    wizard.Press(IDOK);
    SendDlgItemMessageA(wizard.mode.Handle(), IDC_ADVANCED, BM_CLICK, 0, 0);
    wizard.Press(IDOK);
    wizard.Press(IDOK);
    ASSERT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kPortPage);
    ASSERT_EQ(wizard.os.OsIndex(), kWin7);
    const HWND port = wizard.port.Handle();
    EXPECT_EQ(Entries(port).size(), 16u) << "advanced: four USB ports; " << Joined(Entries(port));
    EXPECT_EQ(wizard.frame.Selection().portName, "LPT1:");
    EXPECT_EQ(wizard.frame.Selection().raster, 1);

    SelectPort(port, "USB_VT-R80_2");
    EXPECT_EQ(LibraryLoadsWithRedirectionOff(), std::vector<std::string>{});
    SelectPort(port, "COM2:");
    Select(port, IDC_PARITY, 0);
    Select(port, IDC_PROTOCOL, 1);
    wizard.Press(IDOK);
    ASSERT_EQ(wizard.installs.size(), 1u);
    const InstallSelection& selection = wizard.installs[0];
    EXPECT_EQ(selection.portName, "COM2:") << "Install finds the port shown";
    EXPECT_EQ(selection.raster, 0);
    EXPECT_EQ(selection.serial.parity, 'e');
    EXPECT_EQ(selection.serial.protocol, 'x');
    EXPECT_EQ(selection.serial.byteSize, 8);

    wizard.Press(IDC_BACK);
    wizard.Press(IDC_BACK);
    SendDlgItemMessageA(wizard.mode.Handle(), IDC_TYPICAL, BM_CLICK, 0, 0);
    wizard.Press(IDOK);
    wizard.Press(IDOK);
    ASSERT_EQ(wizard.frame.CurrentPage(), CWizardFrame::kPortPage);
    EXPECT_EQ(Entries(port).size(), 13u) << "typical: one USB port; " << Joined(Entries(port));
    EXPECT_EQ(wizard.frame.Selection().portName, "LPT1:");
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
