#pragma once

#include "framework/Dialog.h"
#include "framework/GdiObjects.h"

#include <windows.h>

// The GB2312 font the wizard's windows use when LANGUAGE is 0 (the Chinese language
// file); the caller owns it.
HFONT CreateChineseFont();

// The About box, opened modally from the frame's system menu. Its texts come from
// section [About] of the language file each time it opens.
class CAboutBox : public CDialog {
public:
    CAboutBox();

    bool UsesChineseFont() const { return chineseFont_ != 0; }
    // The box's own font, null until a box with the Chinese font has opened.
    HFONT Font() const { return font_.get(); }

protected:
    BOOL OnInitDialog() override;

private:
    int chineseFont_ = 0;
    // Deleted with the object, which a modal box outlives only after its windows are gone.
    UniqueFont font_;
};
