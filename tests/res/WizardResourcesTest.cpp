// The dialog templates and strings the wizard's windows are built on: every control a
// window's code will look up by id must exist with the class, style and initial state
// that code relies on.
#include "res/WizardResources.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

// Spells an id once for both the table and the failure messages.
#define NAMED(id) id, #id

struct ControlKind {
    const char* className;
    DWORD typeMask;  // the style bits that say which kind of control of the class it is
    DWORD type;
};

constexpr ControlKind kGroupBox{"Button", BS_TYPEMASK, BS_GROUPBOX};
constexpr ControlKind kRadioButton{"Button", BS_TYPEMASK, BS_AUTORADIOBUTTON};
constexpr ControlKind kCheckBox{"Button", BS_TYPEMASK, BS_AUTOCHECKBOX};
// The dialog manager moves BS_DEFPUSHBUTTON between push buttons with the focus, so
// only "a push button" is fixed.
constexpr ControlKind kPushButton{"Button", BS_TYPEMASK & ~static_cast<DWORD>(BS_DEFPUSHBUTTON), BS_PUSHBUTTON};
constexpr ControlKind kText{"Static", SS_TYPEMASK, SS_LEFT};
constexpr ControlKind kFrame{"Static", SS_TYPEMASK, SS_BLACKFRAME};
constexpr ControlKind kDropDownList{"ComboBox", 0x3, CBS_DROPDOWNLIST};
constexpr ControlKind kEdit{"Edit", 0, 0};
constexpr ControlKind kIpAddress{"SysIPAddress32", 0, 0};
constexpr ControlKind kProgressBar{"msctls_progress32", 0, 0};

// Initial states. Check states are not here: a template cannot carry one, so every
// checked button the wizard shows is checked by its page's initialisation.
enum InitialState : unsigned { kShown = 0, kHidden = 1, kDisabled = 2 };

struct ControlExpectation {
    int id;
    const char* name;
    ControlKind kind;
    unsigned state;
    DWORD requiredStyle;
    DWORD absentStyle;
};

enum class Role { Popup, Page };

struct TemplateExpectation {
    UINT id;
    const char* name;
    Role role;
    std::vector<ControlExpectation> controls;
};

void PrintTo(const TemplateExpectation& expected, std::ostream* out) {
    *out << expected.name << " (" << expected.id << ")";
}

// The single list of control ids per template.
const TemplateExpectation kTemplates[] = {
    {NAMED(IDD_WIZARD_FRAME), Role::Popup, {
        {NAMED(IDC_SIDE_BITMAP), kFrame, kShown, 0, 0},
        {NAMED(IDC_PAGE_AREA), kFrame, kHidden, 0, 0},
        {NAMED(IDT_HELP_LINE), kText, kShown, 0, 0},
        {NAMED(IDC_BACK), kPushButton, kDisabled, WS_TABSTOP, 0},
        {NAMED(IDOK), kPushButton, kDisabled, WS_TABSTOP, 0},
        {NAMED(IDCANCEL), kPushButton, kShown, WS_TABSTOP, 0},
    }},
    {NAMED(IDD_ABOUTBOX), Role::Popup, {
        {NAMED(IDT_ABOUT_VERSION), kText, kShown, 0, 0},
        {NAMED(IDT_ABOUT_COPYRIGHT), kText, kShown, 0, 0},
        {NAMED(IDOK), kPushButton, kShown, WS_TABSTOP, 0},
    }},
    {NAMED(IDD_LICENCE_PAGE), Role::Page, {
        {NAMED(IDC_LICENCE_TEXT), kEdit, kShown, ES_MULTILINE | ES_READONLY | WS_VSCROLL, 0},
        {NAMED(IDC_ACCEPT), kRadioButton, kShown, WS_GROUP | WS_TABSTOP, 0},
        {NAMED(IDC_REJECT), kRadioButton, kShown, 0, WS_GROUP},
        {NAMED(IDC_LICENCE_GROUP), kGroupBox, kShown, 0, 0},
    }},
    {NAMED(IDD_MODEL_PAGE), Role::Page, {
        {NAMED(IDC_MODEL_GROUP), kGroupBox, kShown, 0, 0},
        {NAMED(IDC_TYPE_RECEIPT), kRadioButton, kShown, WS_GROUP | WS_TABSTOP, 0},
        {NAMED(IDC_TYPE_TICKET), kRadioButton, kShown, 0, WS_GROUP},
        {NAMED(IDC_TYPE_LABEL), kRadioButton, kShown, 0, WS_GROUP},
        {NAMED(IDC_TYPE_EMBEDDED), kRadioButton, kShown, 0, WS_GROUP},
        // Unsorted: the lists keep the order of the device list. (A combo box hands
        // WS_VSCROLL on to its list and drops it from its own style: not seen here.)
        {NAMED(IDC_RECEIPT_MODELS), kDropDownList, kShown, 0, CBS_SORT},
        {NAMED(IDC_TICKET_MODELS), kDropDownList, kShown, 0, CBS_SORT},
        {NAMED(IDC_LABEL_MODELS), kDropDownList, kShown, 0, CBS_SORT},
        {NAMED(IDC_EMBEDDED_MODELS), kDropDownList, kShown, 0, CBS_SORT},
        {NAMED(IDX_SET_DEFAULT), kCheckBox, kShown, WS_TABSTOP, 0},
    }},
    {NAMED(IDD_MODE_PAGE), Role::Page, {
        {NAMED(IDC_MODE_GROUP), kGroupBox, kShown, 0, 0},
        {NAMED(IDC_TYPICAL), kRadioButton, kShown, WS_GROUP | WS_TABSTOP, 0},
        {NAMED(IDC_ADVANCED), kRadioButton, kShown, 0, WS_GROUP},
        {NAMED(IDT_REMARKS), kText, kShown, 0, 0},
        {NAMED(IDT_NOTE_LINE1), kText, kShown, 0, 0},
        {NAMED(IDT_NOTE_LINE2), kText, kHidden, 0, 0},
        {NAMED(IDT_NOTE_LINE3), kText, kHidden, 0, 0},
    }},
    {NAMED(IDD_OS_PAGE), Role::Page, {
        {NAMED(IDC_OS_GROUP), kGroupBox, kShown, 0, 0},
        {NAMED(IDC_OS_WIN98ME), kRadioButton, kHidden, WS_GROUP, 0},
        {NAMED(IDC_OS_WINNT), kRadioButton, kHidden, 0, WS_GROUP},
        {NAMED(IDC_OS_WIN2000), kRadioButton, kShown, 0, WS_GROUP},
        {NAMED(IDC_OS_WINXP), kRadioButton, kShown, 0, WS_GROUP},
        {NAMED(IDC_OS_SERVER2003), kRadioButton, kShown, 0, WS_GROUP},
        {NAMED(IDC_OS_VISTA), kRadioButton, kShown, 0, WS_GROUP},
        {NAMED(IDC_OS_SERVER2008), kRadioButton, kShown, 0, WS_GROUP},
        {NAMED(IDC_OS_WIN7), kRadioButton, kShown, 0, WS_GROUP},
    }},
    {NAMED(IDD_PORT_PAGE), Role::Page, {
        // Sorted by the control: the list builders take its first entry as the
        // alphabetically first port name.
        {NAMED(IDC_PORT_LIST), kDropDownList, kShown, CBS_SORT, 0},
        // Not sorted: a preset baud rate is selected by its index in the given order.
        {NAMED(IDC_BAUD_RATE), kDropDownList, kShown, 0, CBS_SORT},
        {NAMED(IDC_BYTE_SIZE), kDropDownList, kShown, 0, CBS_SORT},
        {NAMED(IDC_PARITY), kDropDownList, kShown, 0, CBS_SORT},
        {NAMED(IDC_STOP_BITS), kDropDownList, kShown, 0, CBS_SORT},
        {NAMED(IDC_PROTOCOL), kDropDownList, kShown, 0, CBS_SORT},
        {NAMED(IDC_IP_ADDRESS), kIpAddress, kDisabled, 0, 0},
        {NAMED(IDX_RASTER), kCheckBox, kDisabled, 0, 0},
        {NAMED(IDT_USB_NOTICE), kText, kHidden, 0, 0},
        {NAMED(IDT_COM_UNSUPPORTED), kText, kHidden, 0, 0},
        {NAMED(IDC_PORT_GROUP), kGroupBox, kShown, 0, 0},
        {NAMED(IDC_COM_GROUP), kGroupBox, kShown, 0, 0},
        {NAMED(IDT_PORTS_LABEL), kText, kShown, 0, 0},
        {NAMED(IDT_BAUD_RATE_LABEL), kText, kShown, 0, 0},
        {NAMED(IDT_PARITY_LABEL), kText, kShown, 0, 0},
        {NAMED(IDT_BYTE_SIZE_LABEL), kText, kShown, 0, 0},
        {NAMED(IDT_STOP_BITS_LABEL), kText, kShown, 0, 0},
        {NAMED(IDT_PROTOCOL_LABEL), kText, kShown, 0, 0},
        {NAMED(IDT_IP_LABEL), kText, kShown, 0, 0},
    }},
    {NAMED(IDD_PROGRESS), Role::Popup, {
        // Its WS_BORDER is not checked: the control takes it off at creation and
        // draws its edge itself (or leaves it to the visual style).
        {NAMED(IDC_PROGRESS_BAR), kProgressBar, kShown, 0, 0},
    }},
};

INT_PTR CALLBACK TrivialProcedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

HWND CreateTemplate(UINT id, HWND parent) {
    SetLastError(0xDEADBEEF);
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), parent, &TrivialProcedure, 0);
}

// Unicode windows keep the Chinese template texts whatever the system code page is.
HWND CreateTemplateUnicode(UINT id, HWND parent) {
    SetLastError(0xDEADBEEF);
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), parent, &TrivialProcedure, 0);
}

DWORD Style(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)); }

std::string Hex(DWORD value) {
    char text[16];
    wsprintfA(text, "0x%08lX", value);
    return text;
}

std::string ClassName(HWND window) {
    char name[64] = "(none)";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::wstring TextW(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
    return text;
}

// IDC_STATIC as GetDlgCtrlID reports it: -1 from a DIALOGEX template, 0xFFFF from
// a DIALOG one, whose ids are 16 bits wide.
bool IsUnnamed(int id) { return id == IDC_STATIC || id == 0xFFFF; }

void InitCommonControlsOnce() {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&init));
}

// Pages are created the way the frame creates them: as children of the frame.
class TemplateTest : public ::testing::TestWithParam<TemplateExpectation> {
protected:
    static void SetUpTestSuite() { InitCommonControlsOnce(); }

    void SetUp() override {
        frame_ = CreateTemplate(IDD_WIZARD_FRAME, nullptr);
        ASSERT_NE(frame_, nullptr) << "frame template, last error " << GetLastError();
        const TemplateExpectation& expected = GetParam();
        HWND parent = expected.role == Role::Page ? frame_ : nullptr;
        dialog_ = expected.id == IDD_WIZARD_FRAME ? frame_ : CreateTemplate(expected.id, parent);
        ASSERT_NE(dialog_, nullptr) << expected.name << " cannot be created, last error " << GetLastError();
    }
    void TearDown() override {
        // Pages go with the frame.
        if (dialog_ != nullptr && dialog_ != frame_ && GetParam().role == Role::Popup) DestroyWindow(dialog_);
        if (frame_ != nullptr) DestroyWindow(frame_);
    }

    HWND frame_ = nullptr;
    HWND dialog_ = nullptr;
};

TEST_P(TemplateTest, EveryControlExistsWithItsClassStyleAndInitialState) {
    const TemplateExpectation& expected = GetParam();
    for (const ControlExpectation& control : expected.controls) {
        SCOPED_TRACE(std::string(expected.name) + ": " + control.name + " (" + std::to_string(control.id) + ")");
        HWND window = GetDlgItem(dialog_, control.id);
        if (window == nullptr) {
            ADD_FAILURE() << control.name << " (" << control.id << ") is missing from " << expected.name;
            continue;
        }
        EXPECT_STRCASEEQ(ClassName(window).c_str(), control.kind.className);
        const DWORD style = Style(window);
        SCOPED_TRACE("style " + Hex(style));
        EXPECT_EQ(style & control.kind.typeMask, control.kind.type) << "kind";
        EXPECT_EQ(style & control.requiredStyle, control.requiredStyle) << "required style";
        EXPECT_EQ(style & control.absentStyle, 0u) << "style it must not have";
        // The style bit, not IsWindowVisible: the page itself is still hidden.
        EXPECT_EQ((style & WS_VISIBLE) == 0, (control.state & kHidden) != 0) << "visible";
        EXPECT_EQ(IsWindowEnabled(window) == FALSE, (control.state & kDisabled) != 0) << "enabled";
    }
}

TEST_P(TemplateTest, EveryNamedControlOfTheTemplateIsListedOnce) {
    const TemplateExpectation& expected = GetParam();
    std::vector<int> found;
    for (HWND child = GetWindow(dialog_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        if (IsUnnamed(id)) continue;
        found.push_back(id);
        bool listed = false;
        for (const ControlExpectation& control : expected.controls) listed = listed || control.id == id;
        EXPECT_TRUE(listed) << expected.name << " has control " << id << " (class " << ClassName(child)
                            << ") that no id names";
    }
    for (const ControlExpectation& control : expected.controls) {
        int count = 0;
        for (int id : found) count += id == control.id ? 1 : 0;
        EXPECT_EQ(count, 1) << control.name << " (" << control.id << ") in " << expected.name;
    }
}

TEST_P(TemplateTest, WindowStyleFitsItsRole) {
    const TemplateExpectation& expected = GetParam();
    const DWORD style = Style(dialog_);
    const DWORD extendedStyle = static_cast<DWORD>(GetWindowLongA(dialog_, GWL_EXSTYLE));
    SCOPED_TRACE(std::string(expected.name) + " style " + Hex(style) + ", extended " + Hex(extendedStyle));
    EXPECT_EQ(style & WS_VISIBLE, 0u) << "the code that owns the window decides when it shows";
    if (expected.role == Role::Page) {
        EXPECT_NE(style & WS_CHILD, 0u);
        EXPECT_EQ(style & WS_CAPTION, 0u);
        // DS_CONTROL: Tab moves from the frame's buttons into the page and back.
        EXPECT_NE(extendedStyle & WS_EX_CONTROLPARENT, 0u);
        EXPECT_EQ(GetParent(dialog_), frame_);
    } else if (expected.id == IDD_PROGRESS) {
        EXPECT_NE(style & WS_POPUP, 0u);
        EXPECT_NE(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION)) << "no caption";
        EXPECT_NE(extendedStyle & WS_EX_DLGMODALFRAME, 0u);
    } else {
        EXPECT_NE(style & WS_POPUP, 0u);
        EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
        // The frame's About entry lives in the system menu.
        EXPECT_NE(style & WS_SYSMENU, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Wizard, TemplateTest, ::testing::ValuesIn(kTemplates),
                         [](const ::testing::TestParamInfo<TemplateExpectation>& info) {
                             return std::string(info.param.name);
                         });

class WizardResourcesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitCommonControlsOnce(); }
};

// The frame moves every page onto the page area's rectangle; a page of another size
// would be clipped or leave a gap.
TEST_F(WizardResourcesTest, EveryPageHasTheSizeOfTheFramesPageArea) {
    HWND frame = CreateTemplate(IDD_WIZARD_FRAME, nullptr);
    ASSERT_NE(frame, nullptr) << "last error " << GetLastError();
    RECT area = {};
    ASSERT_TRUE(GetWindowRect(GetDlgItem(frame, IDC_PAGE_AREA), &area));
    for (UINT page : {IDD_LICENCE_PAGE, IDD_MODEL_PAGE, IDD_MODE_PAGE, IDD_OS_PAGE, IDD_PORT_PAGE}) {
        HWND window = CreateTemplate(page, frame);
        ASSERT_NE(window, nullptr) << "page " << page << ", last error " << GetLastError();
        RECT rect = {};
        GetWindowRect(window, &rect);
        // One pixel of rounding: sizes and positions are converted from dialog units
        // separately.
        EXPECT_NEAR(rect.right - rect.left, area.right - area.left, 1) << "width of page " << page;
        EXPECT_NEAR(rect.bottom - rect.top, area.bottom - area.top, 1) << "height of page " << page;
    }
    DestroyWindow(frame);
}

struct TemplateText {
    UINT templateId;
    int id;  // 0: the window's own caption
    const wchar_t* text;
};

// Texts the templates must carry as given: the window title, the controls no
// language-file key names, and the model page's built-in Chinese captions.
const TemplateText kTemplateTexts[] = {
    {IDD_WIZARD_FRAME, 0, L"Printer Driver Setup"},
    {IDD_OS_PAGE, IDC_OS_WIN98ME, L"Windows 98/Me"},
    {IDD_OS_PAGE, IDC_OS_WINNT, L"Windows NT"},
    {IDD_OS_PAGE, IDC_OS_WIN2000, L"Windows 2000"},
    {IDD_OS_PAGE, IDC_OS_WINXP, L"Windows XP"},
    {IDD_OS_PAGE, IDC_OS_SERVER2003, L"Windows Server 2003 "},
    {IDD_OS_PAGE, IDC_OS_VISTA, L"Windows Vista"},
    {IDD_OS_PAGE, IDC_OS_SERVER2008, L"Windows Server 2008"},
    {IDD_OS_PAGE, IDC_OS_WIN7, L"Windows 7"},
    {IDD_PORT_PAGE, IDT_IP_LABEL, L"IP:"},
    {IDD_MODEL_PAGE, IDC_MODEL_GROUP, L"\u9009\u62e9\u5b89\u88c5\u6253\u5370\u673a"},
    {IDD_MODEL_PAGE, IDC_TYPE_RECEIPT, L"\u6536\u636e\u6253\u5370\u673a"},
    {IDD_MODEL_PAGE, IDC_TYPE_TICKET, L"\u7968\u636e\u6253\u5370\u673a"},
    {IDD_MODEL_PAGE, IDC_TYPE_LABEL, L"\u6807\u7b7e\u6253\u5370\u673a"},
    {IDD_MODEL_PAGE, IDC_TYPE_EMBEDDED, L"\u5d4c\u5165\u5f0f\u6253\u5370\u673a"},
    {IDD_MODEL_PAGE, IDX_SET_DEFAULT, L"\u8bbe\u7f6e\u4e3a\u9ed8\u8ba4\u6253\u5370\u673a"},
};

TEST_F(WizardResourcesTest, TemplatesCarryTheirGivenTexts) {
    HWND frame = CreateTemplateUnicode(IDD_WIZARD_FRAME, nullptr);
    ASSERT_NE(frame, nullptr) << "last error " << GetLastError();
    for (const TemplateText& row : kTemplateTexts) {
        HWND dialog = row.templateId == IDD_WIZARD_FRAME ? frame : CreateTemplateUnicode(row.templateId, frame);
        ASSERT_NE(dialog, nullptr) << "template " << row.templateId << ", last error " << GetLastError();
        HWND window = row.id == 0 ? dialog : GetDlgItem(dialog, row.id);
        ASSERT_NE(window, nullptr) << "control " << row.id << " of template " << row.templateId;
        EXPECT_EQ(TextW(window), std::wstring(row.text)) << "control " << row.id << " of template " << row.templateId;
        if (dialog != frame) DestroyWindow(dialog);
    }
    DestroyWindow(frame);
}

struct Placement {
    UINT templateId;
    int id;
    RECT dialogUnits;  // left, top, width, height as the template gives them
    bool checkHeight;  // a combo box's window is its closed height, not its list's
};

const Placement kPlacements[] = {
    {IDD_MODEL_PAGE, IDC_MODEL_GROUP, {7, 4, 186, 136}, true},
    {IDD_MODEL_PAGE, IDC_TYPE_RECEIPT, {12, 27, 50, 10}, true},
    {IDD_MODEL_PAGE, IDC_TYPE_TICKET, {13, 55, 52, 10}, true},
    {IDD_MODEL_PAGE, IDC_TYPE_LABEL, {14, 83, 50, 10}, true},
    {IDD_MODEL_PAGE, IDC_TYPE_EMBEDDED, {15, 111, 57, 10}, true},
    {IDD_MODEL_PAGE, IDC_RECEIPT_MODELS, {73, 25, 110, 89}, false},
    {IDD_MODEL_PAGE, IDC_TICKET_MODELS, {74, 53, 110, 81}, false},
    {IDD_MODEL_PAGE, IDC_LABEL_MODELS, {74, 81, 110, 78}, false},
    {IDD_MODEL_PAGE, IDC_EMBEDDED_MODELS, {74, 109, 110, 108}, false},
    {IDD_MODEL_PAGE, IDX_SET_DEFAULT, {7, 149, 85, 10}, true},
    {IDD_PROGRESS, IDC_PROGRESS_BAR, {7, 28, 206, 12}, true},
};

TEST_F(WizardResourcesTest, ControlsWithGivenPositionsSitThere) {
    HWND frame = CreateTemplate(IDD_WIZARD_FRAME, nullptr);
    ASSERT_NE(frame, nullptr) << "last error " << GetLastError();
    for (const Placement& row : kPlacements) {
        HWND dialog = CreateTemplate(row.templateId, row.templateId == IDD_PROGRESS ? nullptr : frame);
        ASSERT_NE(dialog, nullptr) << "template " << row.templateId << ", last error " << GetLastError();
        HWND control = GetDlgItem(dialog, row.id);
        ASSERT_NE(control, nullptr) << "control " << row.id << " of template " << row.templateId;
        RECT expected = {0, 0, row.dialogUnits.left, row.dialogUnits.top};
        RECT size = {0, 0, row.dialogUnits.right, row.dialogUnits.bottom};
        MapDialogRect(dialog, &expected);
        MapDialogRect(dialog, &size);
        RECT actual = {};
        GetWindowRect(control, &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        SCOPED_TRACE("control " + std::to_string(row.id) + " of template " + std::to_string(row.templateId));
        EXPECT_EQ(actual.left, expected.right) << "x";
        EXPECT_EQ(actual.top, expected.bottom) << "y";
        EXPECT_NEAR(actual.right - actual.left, size.right, 1) << "width";
        if (row.checkHeight) {
            EXPECT_NEAR(actual.bottom - actual.top, size.bottom, 1) << "height";
        }
        DestroyWindow(dialog);
    }
    DestroyWindow(frame);
}

TEST_F(WizardResourcesTest, RasterTooltipIsStringEntry134) {
    static_assert(IDS_RASTER_TOOLTIP == 134, "the port page registers the tooltip by this number");
    // "Press F1 for help", with Chinese quotation marks around F1.
    const std::wstring expected = L"\u6309\u201cF1\u201d\u67e5\u770b\u5e2e\u52a9";
    wchar_t text[64] = L"\xBEEF";
    const int length = LoadStringW(GetModuleHandleW(nullptr), IDS_RASTER_TOOLTIP, text, 64);
    ASSERT_EQ(length, static_cast<int>(expected.size())) << "last error " << GetLastError();
    EXPECT_EQ(std::wstring(text), expected);
    // The ANSI program loads it in the system code page: whatever that makes of the
    // characters, the entry is found.
    char ansi[64] = "\xEF";
    EXPECT_GT(LoadStringA(GetModuleHandleA(nullptr), IDS_RASTER_TOOLTIP, ansi, sizeof ansi), 0);
}

}  // namespace
