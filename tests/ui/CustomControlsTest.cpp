#include "ui/CustomControls.h"

#include "framework/Dialog.h"
#include "res/WizardResources.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kPink = RGB(255, 202, 253);
constexpr int kRepaints = 200;

// A shown top-level window that hands its children's colour requests back to them, as
// the wizard's pages do, with one edit and one static child.
class ControlHost : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = &HostProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "CustomControlsTestHost";
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        RegisterClassA(&windowClass);
        host_ = CreateWindowExA(0, windowClass.lpszClassName, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 200,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
        ASSERT_NE(host_, nullptr);
        edit_ = CreateWindowExA(0, "Edit", "licence text", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 10, 10, 180, 80, host_,
                                nullptr, nullptr, nullptr);
        static_ = CreateWindowExA(0, "Static", "USB notice", WS_CHILD | WS_VISIBLE | SS_LEFT, 200, 10, 180, 80, host_,
                                  nullptr, nullptr, nullptr);
        ASSERT_NE(edit_, nullptr);
        ASSERT_NE(static_, nullptr);
        UpdateWindow(host_);
    }
    void TearDown() override {
        if (host_) DestroyWindow(host_);
    }

    // The brush the host's procedure answers a control's colour request with, and the
    // device context's state the control then paints with.
    struct Answer {
        HBRUSH brush;
        COLORREF text;
        COLORREF background;
        int backgroundMode;
        HGDIOBJ font;
    };
    Answer Ask(UINT request, HWND control) const {
        WindowDc dc(host_);
        // Sentinels: an untouched device context shows.
        SetTextColor(dc.get(), RGB(1, 2, 3));
        SetBkColor(dc.get(), RGB(4, 5, 6));
        SetBkMode(dc.get(), OPAQUE);
        HGDIOBJ before = SelectObject(dc.get(), GetStockObject(SYSTEM_FONT));
        Answer answer;
        answer.brush = reinterpret_cast<HBRUSH>(
            SendMessageA(host_, request, reinterpret_cast<WPARAM>(dc.get()), reinterpret_cast<LPARAM>(control)));
        answer.text = GetTextColor(dc.get());
        answer.background = GetBkColor(dc.get());
        answer.backgroundMode = GetBkMode(dc.get());
        answer.font = SelectObject(dc.get(), before);
        return answer;
    }
    // Paints both controls (and the host) at once, each paint asking for colours.
    void Repaint() const { RedrawWindow(host_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN); }

    static COLORREF BrushColor(HBRUSH brush) {
        LOGBRUSH description = {};
        description.lbColor = 0xDEADBEEF;
        GetObjectA(brush, sizeof description, &description);
        return description.lbColor;
    }

    HWND host_ = nullptr;
    HWND edit_ = nullptr;
    HWND static_ = nullptr;

private:
    static LRESULT CALLBACK HostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (HBRUSH brush = ReflectControlColor(message, wParam, lParam)) return reinterpret_cast<LRESULT>(brush);
        return DefWindowProcA(window, message, wParam, lParam);
    }
};

// Counts the paints of the static control it is attached to.
class CountingStatic : public CStaticEx {
public:
    int paints = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override {
        if (message == WM_PAINT) ++paints;
        return CStaticEx::WindowProc(message, wParam, lParam, handled);
    }
};

TEST_F(ControlHost, EditExAnswersBothItsRequestsInTheSystemWindowColours) {
    CEditEx edit;
    ASSERT_TRUE(edit.Subclass(edit_));
    ASSERT_NE(edit.BackgroundBrush(), nullptr);
    EXPECT_EQ(BrushColor(edit.BackgroundBrush()), GetSysColor(COLOR_WINDOW));
    // Editable edit controls ask with WM_CTLCOLOREDIT, read-only ones (the licence text)
    // with WM_CTLCOLORSTATIC.
    for (UINT request : {WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC}) {
        const Answer answer = Ask(request, edit_);
        EXPECT_EQ(answer.brush, edit.BackgroundBrush()) << "request " << request;
        EXPECT_EQ(answer.text, GetSysColor(COLOR_WINDOWTEXT)) << "request " << request;
        EXPECT_EQ(answer.background, GetSysColor(COLOR_WINDOW)) << "request " << request;
    }
    // A control that is not ours gets the default answer.
    EXPECT_NE(Ask(WM_CTLCOLORSTATIC, static_).brush, edit.BackgroundBrush());
}

TEST_F(ControlHost, EditExRecreatingItsBrushDeletesThePreviousOne) {
    CEditEx edit;
    ASSERT_TRUE(edit.Subclass(edit_));
    HBRUSH first = edit.BackgroundBrush();
    edit.CreateBkBrush();
    EXPECT_NE(edit.BackgroundBrush(), nullptr);
    EXPECT_EQ(GetObjectType(first), 0u) << "the replaced brush leaked";
    EXPECT_EQ(Ask(WM_CTLCOLOREDIT, edit_).brush, edit.BackgroundBrush());
}

TEST_F(ControlHost, StaticExPaintsInItsColoursAndFontTransparently) {
    CStaticEx notice;
    ASSERT_TRUE(notice.Subclass(static_));
    notice.SetTextColor(kBlue).SetBkColor(kPink).SetFontSize(14).SetFontName("Arial");

    const Answer answer = Ask(WM_CTLCOLORSTATIC, static_);
    EXPECT_EQ(answer.brush, notice.BackgroundBrush());
    EXPECT_EQ(BrushColor(answer.brush), kPink);
    EXPECT_EQ(answer.text, kBlue);
    EXPECT_EQ(answer.backgroundMode, TRANSPARENT);
    EXPECT_EQ(answer.font, notice.Font());

    LOGFONTA font = {};
    ASSERT_NE(GetObjectA(notice.Font(), sizeof font, &font), 0);
    EXPECT_EQ(font.lfHeight, -14);
    EXPECT_STREQ(font.lfFaceName, "Arial");
    // The control draws with the font it was given, whatever the request selected.
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(static_, WM_GETFONT, 0, 0)), notice.Font());
}

TEST_F(ControlHost, StaticExStartsInTheSystemColoursAndTheDefaultGuiFont) {
    CStaticEx notice;
    ASSERT_TRUE(notice.Subclass(static_));
    const Answer answer = Ask(WM_CTLCOLORSTATIC, static_);
    EXPECT_EQ(answer.text, GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(BrushColor(answer.brush), GetSysColor(COLOR_BTNFACE));
    LOGFONTA expected = {}, actual = {};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof expected, &expected);
    ASSERT_NE(GetObjectA(notice.Font(), sizeof actual, &actual), 0);
    EXPECT_EQ(actual.lfHeight, expected.lfHeight);
    EXPECT_STREQ(actual.lfFaceName, expected.lfFaceName);
}

TEST_F(ControlHost, StaticExTextColourRedrawsAtOnceBackgroundWaitsForTheNextRepaint) {
    CountingStatic notice;
    ASSERT_TRUE(notice.Subclass(static_));
    Repaint();
    const int settled = notice.paints;

    HBRUSH oldBrush = notice.BackgroundBrush();
    notice.SetBkColor(kPink);
    EXPECT_EQ(notice.paints, settled) << "a background change repainted at once";
    EXPECT_EQ(GetObjectType(oldBrush), 0u) << "the replaced brush leaked";
    EXPECT_EQ(BrushColor(Ask(WM_CTLCOLORSTATIC, static_).brush), kPink);

    notice.SetTextColor(kBlue);
    EXPECT_GT(notice.paints, settled) << "a text colour change waited for a repaint";
    const int afterColour = notice.paints;
    notice.SetFontSize(20);
    EXPECT_GT(notice.paints, afterColour) << "a font change waited for a repaint";
}

TEST_F(ControlHost, RepaintsAnswerWithTheSameBrushAndCreateNoGdiObjects) {
    CEditEx edit;
    CStaticEx notice;
    ASSERT_TRUE(edit.Subclass(edit_));
    ASSERT_TRUE(notice.Subclass(static_));
    notice.SetBkColor(kPink).SetFontSize(14);
    Repaint();
    const HBRUSH editBrush = edit.BackgroundBrush();
    const HBRUSH noticeBrush = notice.BackgroundBrush();
    const HFONT noticeFont = notice.Font();
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);

    for (int i = 0; i < kRepaints; ++i) {
        Repaint();
        ASSERT_EQ(Ask(WM_CTLCOLOREDIT, edit_).brush, editBrush) << "repaint " << i;
        ASSERT_EQ(Ask(WM_CTLCOLORSTATIC, static_).brush, noticeBrush) << "repaint " << i;
    }
    EXPECT_EQ(notice.Font(), noticeFont);
    // Wine may not count GDI objects; where it does, none may have been added.
    const DWORD after = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (before != 0) EXPECT_LE(after, before + 2) << "GDI objects before " << before << ", after " << after;
    else std::printf("GetGuiResources reports no GDI objects here; the brush identity check stands alone\n");
}

TEST_F(ControlHost, ControlsDeleteTheirObjectsWhenTheyGoAndLeaveTheWindowAUsableFont) {
    HBRUSH editBrush = nullptr, noticeBrush = nullptr;
    HFONT noticeFont = nullptr;
    const HFONT templateFont = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageA(static_, WM_SETFONT, reinterpret_cast<WPARAM>(templateFont), FALSE);
    {
        CEditEx edit;
        CStaticEx notice;
        ASSERT_TRUE(edit.Subclass(edit_));
        ASSERT_TRUE(notice.Subclass(static_));
        notice.SetFontName("Arial");
        editBrush = edit.BackgroundBrush();
        noticeBrush = notice.BackgroundBrush();
        noticeFont = notice.Font();
        ASSERT_EQ(GetObjectType(noticeFont), static_cast<DWORD>(OBJ_FONT));
    }
    EXPECT_EQ(GetObjectType(editBrush), 0u);
    EXPECT_EQ(GetObjectType(noticeBrush), 0u);
    EXPECT_EQ(GetObjectType(noticeFont), 0u);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(static_, WM_GETFONT, 0, 0)), templateFont)
        << "the control kept the deleted font";
    // Unsubclassed: the host's requests get the default answer again.
    EXPECT_NE(Ask(WM_CTLCOLORSTATIC, static_).brush, noticeBrush);
}

// A page that hands its controls' colour requests back to them through the dialog layer.
class ReflectingLicencePage : public CDialog {
public:
    ReflectingLicencePage() : CDialog(IDD_LICENCE_PAGE) {}

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override {
        if (HBRUSH brush = ReflectControlColor(message, wParam, lParam)) {
            handled = true;
            return reinterpret_cast<INT_PTR>(brush);
        }
        return CDialog::OnMessage(message, wParam, lParam, handled);
    }
};

TEST_F(ControlHost, ADialogPageReturnsTheControlsBrushNotAFlag) {
    ReflectingLicencePage page;
    ASSERT_TRUE(page.CreateChild(host_));
    CEditEx licenceText;
    ASSERT_TRUE(licenceText.SubclassDlgItem(page.Handle(), IDC_LICENCE_TEXT));
    WindowDc dc(page.Handle());
    const LRESULT answer = SendMessageA(page.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                                        reinterpret_cast<LPARAM>(GetDlgItem(page.Handle(), IDC_LICENCE_TEXT)));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(answer), licenceText.BackgroundBrush())
        << "a dialog procedure answers colour requests with the brush itself";
}

}  // namespace
