#pragma once

#include "framework/WizardPage.h"

#include <windows.h>

#include <cstddef>
#include <string>

// Above this the licence is not loaded at all: the page stays empty, as when the
// memory for it cannot be had.
constexpr std::size_t kMaxLicenceSize = 4u * 1024u * 1024u;

enum class LicenceFileStatus {
    Read,        // text holds the whole file
    Unreadable,  // cannot be opened or its size cannot be told
    TooLarge,    // larger than the bound; text is empty
};

struct LicenceFile {
    LicenceFileStatus status = LicenceFileStatus::Unreadable;
    std::string text;
};

// The licence file's bytes as stored (ANSI code page, CR LF line breaks), unconverted.
LicenceFile ReadLicenceFile(const std::string& path, std::size_t maxSize = kMaxLicenceSize);

// Page 0 of the wizard: the licence text and an accept / reject choice that enables
// or disables the frame's OK button (IDOK of the parent window).
class CLicencePage : public CWizardPage {
public:
    CLicencePage();

    // Set before the page is created: load License.txt from the program folder. When
    // clear the file is never opened, so a missing one does no harm.
    void SetLoadLicence(bool load) { loadLicence_ = load; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnShowWindow(bool shown) override;

private:
    // False when the licence cannot be read and the wizard has been told to end.
    bool LoadLicence();
    void EnableFrameOk(bool enable) const;

    bool loadLicence_ = false;
};
