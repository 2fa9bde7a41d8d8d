#include "ui/CustomControls.h"

#include <cstring>
#include <utility>

namespace {

bool IsColourRequest(UINT message) { return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC; }

bool IsReflectedColourRequest(UINT message) {
    return message >= kReflectedMessageBase && IsColourRequest(message - kReflectedMessageBase);
}

LRESULT BrushResult(HBRUSH brush) { return reinterpret_cast<LRESULT>(brush); }

}  // namespace

HBRUSH ReflectControlColor(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = reinterpret_cast<HWND>(lParam);
    if (!IsColourRequest(message) || control == nullptr) return nullptr;
    return reinterpret_cast<HBRUSH>(SendMessageA(control, kReflectedMessageBase + message, wParam, lParam));
}

CEditEx::CEditEx()
    : backgroundColor_(GetSysColor(COLOR_WINDOW)), textColor_(GetSysColor(COLOR_WINDOWTEXT)) {
    // Virtual calls in a constructor reach this class's own version, which is meant here.
    CEditEx::CreateBkBrush();
}

void CEditEx::CreateBkBrush() { backgroundBrush_.reset(CreateSolidBrush(backgroundColor_)); }

LRESULT CEditEx::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    // A read-only or disabled edit control asks with WM_CTLCOLORSTATIC, an editable one
    // with WM_CTLCOLOREDIT: both are answered alike.
    if (!IsReflectedColourRequest(message)) return CSubclassedWindow::WindowProc(message, wParam, lParam, handled);
    HDC dc = reinterpret_cast<HDC>(wParam);
    ::SetTextColor(dc, textColor_);
    ::SetBkColor(dc, backgroundColor_);
    handled = true;
    return BrushResult(backgroundBrush_.get());
}

CStaticEx::CStaticEx()
    : textColor_(GetSysColor(COLOR_WINDOWTEXT)), backgroundBrush_(CreateSolidBrush(GetSysColor(COLOR_BTNFACE))) {
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof fontDescription_, &fontDescription_);
    font_.reset(CreateFontIndirectA(&fontDescription_));
}

CStaticEx::~CStaticEx() {
    // A control that outlives this object must not keep drawing with a deleted font.
    if (fontUser_ != nullptr && IsWindow(fontUser_) &&
        reinterpret_cast<HFONT>(SendMessageA(fontUser_, WM_GETFONT, 0, 0)) == font_.get())
        SendMessageA(fontUser_, WM_SETFONT, reinterpret_cast<WPARAM>(previousFont_), FALSE);
}

CStaticEx& CStaticEx::SetTextColor(COLORREF color) {
    textColor_ = color;
    Redraw();
    return *this;
}

CStaticEx& CStaticEx::SetBkColor(COLORREF color) {
    backgroundBrush_.reset(CreateSolidBrush(color));
    return *this;
}

CStaticEx& CStaticEx::SetFontSize(int size) {
    fontDescription_.lfHeight = -size;
    RecreateFont();
    Redraw();
    return *this;
}

CStaticEx& CStaticEx::SetFontName(const char* faceName) {
    std::memset(fontDescription_.lfFaceName, 0, sizeof fontDescription_.lfFaceName);
    if (faceName != nullptr) std::strncpy(fontDescription_.lfFaceName, faceName, LF_FACESIZE - 1);
    RecreateFont();
    Redraw();
    return *this;
}

void CStaticEx::RecreateFont() {
    UniqueFont replacement(CreateFontIndirectA(&fontDescription_));
    if (!replacement) return;
    // The static control selects the font it was given over whatever the colour request
    // selected, so the control gets ours too; it drops the old one before that is deleted.
    if (Handle() != nullptr && fontUser_ != Handle()) {
        fontUser_ = Handle();
        previousFont_ = reinterpret_cast<HFONT>(SendMessageA(fontUser_, WM_GETFONT, 0, 0));
    }
    if (fontUser_ != nullptr && IsWindow(fontUser_))
        SendMessageA(fontUser_, WM_SETFONT, reinterpret_cast<WPARAM>(replacement.get()), FALSE);
    font_ = std::move(replacement);
}

void CStaticEx::Redraw() const {
    if (Handle() != nullptr) RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

LRESULT CStaticEx::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (!IsReflectedColourRequest(message)) return CSubclassedWindow::WindowProc(message, wParam, lParam, handled);
    if (message - kReflectedMessageBase == WM_CTLCOLORSTATIC) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SelectObject(dc, font_.get());
        ::SetTextColor(dc, textColor_);
        SetBkMode(dc, TRANSPARENT);
    }
    handled = true;
    return BrushResult(backgroundBrush_.get());
}
