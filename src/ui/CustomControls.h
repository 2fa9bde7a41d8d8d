#pragma once

#include "framework/GdiObjects.h"
#include "framework/Subclass.h"

#include <windows.h>

// Controls that choose their own colours and font. A control's colour request goes to
// its parent (WM_CTLCOLOR*); the parent hands it back to the control as the reflected
// message (kReflectedMessageBase + the WM_CTLCOLOR* id, same wParam and lParam), the
// convention of ATL/WTL's OCM_ messages, so each control answers for itself.
constexpr UINT kReflectedMessageBase = WM_USER + 0x1C00;

// For a parent's WM_CTLCOLOR* handler: the brush the control the request concerns
// answers with, or null when it does not answer (the parent then does its default).
// A dialog procedure returns this brush itself: DWLP_MSGRESULT is ignored for these.
HBRUSH ReflectControlColor(UINT message, WPARAM wParam, LPARAM lParam);

// An edit control painted in its own text and background colours, initially the
// system's window colours.
class CEditEx : public CSubclassedWindow {
public:
    CEditEx();

    COLORREF TextColor() const { return textColor_; }
    COLORREF BackgroundColor() const { return backgroundColor_; }
    HBRUSH BackgroundBrush() const { return backgroundBrush_.get(); }

    // (Re)creates the background brush as a solid brush of the background colour; the
    // previous brush is deleted.
    virtual void CreateBkBrush();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    UniqueBrush backgroundBrush_;
    COLORREF backgroundColor_;
    COLORREF textColor_;
};

// A static text control with its own text colour, background brush and font. The
// setters return the control, so that they chain.
class CStaticEx : public CSubclassedWindow {
public:
    CStaticEx();
    ~CStaticEx() override;

    // Redraws at once.
    CStaticEx& SetTextColor(COLORREF color);
    // Shows at the next repaint.
    CStaticEx& SetBkColor(COLORREF color);
    // Character height n logical units; redraws at once.
    CStaticEx& SetFontSize(int size);
    // Face names longer than the font description holds are cut; redraws at once.
    CStaticEx& SetFontName(const char* faceName);

    COLORREF TextColor() const { return textColor_; }
    HBRUSH BackgroundBrush() const { return backgroundBrush_.get(); }
    HFONT Font() const { return font_.get(); }
    const LOGFONTA& FontDescription() const { return fontDescription_; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void RecreateFont();
    void Redraw() const;

    COLORREF textColor_;
    UniqueBrush backgroundBrush_;
    LOGFONTA fontDescription_ = {};
    UniqueFont font_;
    // The window that was given our font, and the font it had before: it gets that one
    // back before ours is deleted.
    HWND fontUser_ = nullptr;
    HFONT previousFont_ = nullptr;
};
