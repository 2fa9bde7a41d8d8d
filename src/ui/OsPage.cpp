#include "ui/OsPage.h"

#include "config/ProcessSettings.h"
#include "config/TextCatalogue.h"
#include "engine/EnvironmentProbes.h"
#include "framework/MessageBoxes.h"
#include "framework/Window.h"
#include "res/WizardResources.h"

namespace {

constexpr int kOsButtons[] = {IDC_OS_WIN98ME,     IDC_OS_WINNT, IDC_OS_WIN2000,    IDC_OS_WINXP,
                              IDC_OS_SERVER2003, IDC_OS_VISTA, IDC_OS_SERVER2008, IDC_OS_WIN7};
constexpr int kOsCount = static_cast<int>(sizeof kOsButtons / sizeof kOsButtons[0]);

}  // namespace

int OsButtonId(int osIndex) { return osIndex >= 0 && osIndex < kOsCount ? kOsButtons[osIndex] : 0; }

OsPageChoice ChooseOsPageButton(DWORD platformId, DWORD majorVersion, DWORD minorVersion, BYTE productType,
                                WORD processorArchitecture) {
    OsPageChoice choice;
    const int os =
        MapWindowsVersionToOsIndex(platformId, majorVersion, minorVersion, productType, processorArchitecture);
    if (os == kUnknownPlatform) {
        choice.unknownPlatform = true;
        return choice;
    }
    choice.osIndex = os;
    if (os != 0)
        choice.checkedButton = OsButtonId(os);
    else if (platformId == VER_PLATFORM_WIN32_WINDOWS && minorVersion != 0)
        choice.checkedButton = IDC_OS_WIN98ME;
    // Windows 95 and NT versions outside the table check nothing.
    return choice;
}

COsPage::COsPage() : CWizardPage(IDD_OS_PAGE) {}

BOOL COsPage::OnInitDialog() {
    ApplyChineseFont();

    const RunningWindows running = ReadRunningWindows();
    const OsPageChoice choice =
        ChooseOsPageButton(running.version.dwPlatformId, running.version.dwMajorVersion,
                           running.version.dwMinorVersion, running.version.wProductType, running.processorArchitecture);
    osIndex_ = choice.osIndex;
    if (choice.unknownPlatform)
        ShowOwnedMessageBox(Handle(), MessageCatalogue.ReadText("IDS_ERR_SYSTEM"));
    if (choice.checkedButton != 0) CheckRadioButton(Handle(), IDC_OS_WIN98ME, IDC_OS_WIN7, choice.checkedButton);

    // The user cannot choose: only the detected system's button stays enabled.
    for (int os = 0; os < kOsCount; ++os) CWindow(Item(kOsButtons[os])).Enable(os == osIndex_);
    // No 64-bit Windows 2000 exists.
    if (ProcessSettings::Is64BitWindows()) CWindow(Item(IDC_OS_WIN2000)).Show(SW_HIDE);
    return TRUE;
}

void COsPage::OnShowWindow(bool /*shown*/) {
    CWindow(Item(IDC_OS_GROUP)).SetText(CTextCatalogue("System").ReadText("Select"));
}
