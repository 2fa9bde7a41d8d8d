#pragma once

#include "config/DomainTypes.h"
#include "framework/WizardPage.h"

#include <windows.h>

#include <string>

// Radio button of an OS index; 0 for an index outside the known ones.
int OsButtonId(OsIndex os);

// What the page shows for a detected Windows version.
struct OsPageChoice {
    OsIndex osIndex = OsIndex::Windows9x;  // the value every later decision reads
    int checkedButton = 0;          // 0: no button checked
    bool unknownPlatform = false;   // neither 9x nor NT: the user is told
};

// The page's choice for a version as GetVersionExA and GetNativeSystemInfo report it.
// The OS index is ChooseOsIndex's; of the index-0 systems only Windows 98 and Me (9x
// with a nonzero minor version) have a button to check.
OsPageChoice ChooseOsPageButton(DWORD platformId, DWORD majorVersion, DWORD minorVersion, BYTE productType,
                                WORD processorArchitecture, bool newerWindows);

// The wizard page that shows the running Windows as the only enabled, checked choice.
// Detection runs once, when the page is created; the OS index never changes after.
class COsPage : public CWizardPage {
public:
    COsPage();

    // The detected Windows; Windows 98/Me until the page has been created and for any
    // system the table does not list.
    ::OsIndex OsIndex() const { return osIndex_; }

protected:
    BOOL OnInitDialog() override;
    void OnShowWindow(bool shown) override;

private:
    // Captions the checked button with the running Windows' own name.
    void ShowDetectedWindows(int button, const std::string& name);

    ::OsIndex osIndex_ = ::OsIndex::Windows9x;
};
