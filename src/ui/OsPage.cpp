#include "ui/OsPage.h"

#include "config/DomainTypes.h"
#include "config/ProcessSettings.h"
#include "config/TextCatalogue.h"
#include "engine/EnvironmentProbes.h"
#include "framework/MessageBoxes.h"
#include "framework/Window.h"
#include "res/WizardResources.h"
#include "selection/SelectionRules.h"

namespace {

constexpr int kOsButtons[kOsIndexCount] = {IDC_OS_WIN98ME,     IDC_OS_WINNT, IDC_OS_WIN2000,    IDC_OS_WINXP,
                              IDC_OS_SERVER2003, IDC_OS_VISTA, IDC_OS_SERVER2008, IDC_OS_WIN7};

}  // namespace

int OsButtonId(OsIndex os) { return IsKnownOsIndex(os) ? kOsButtons[ToNumber(os)] : 0; }

OsPageChoice ChooseOsPageButton(DWORD platformId, DWORD majorVersion, DWORD minorVersion, BYTE productType,
                                WORD processorArchitecture, bool newerWindows) {
    OsPageChoice choice;
    const OsChoice chosen =
        ChooseOsIndex(platformId, majorVersion, minorVersion, productType, processorArchitecture, newerWindows);
    if (chosen.unknownPlatform) {
        choice.unknownPlatform = true;
        return choice;
    }
    const OsIndex os = chosen.osIndex;
    choice.osIndex = os;
    if (!IsWindows9x(os))
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
    const bool newerWindows = NewerWindowsAllowed();
    const OsPageChoice choice =
        ChooseOsPageButton(running.version.dwPlatformId, running.version.dwMajorVersion,
                           running.version.dwMinorVersion, running.version.wProductType, running.processorArchitecture,
                           newerWindows);
    osIndex_ = choice.osIndex;
    if (choice.unknownPlatform)
        ShowOwnedMessageBox(Handle(), MessageCatalogue.ReadText("IDS_ERR_SYSTEM"));
    if (choice.checkedButton != 0) CheckRadioButton(Handle(), IDC_OS_WIN98ME, IDC_OS_WIN7, choice.checkedButton);
    // Windows 8 and later are installed as the Windows 7 family: the checked button
    // names the Windows really running, so nobody is told they run Windows 7.
    if (const DetectedWindows detected = DescribeWindows(running, newerWindows); detected.asWindows7Family)
        ShowDetectedWindows(choice.checkedButton, detected.name);

    // The user cannot choose: only the detected system's button stays enabled.
    for (int os = 0; os < kOsIndexCount; ++os) CWindow(Item(kOsButtons[os])).Enable(OsIndexFromNumber(os) == osIndex_);
    // No 64-bit Windows 2000 exists.
    if (ProcessSettings::Is64BitWindows()) CWindow(Item(IDC_OS_WIN2000)).Show(SW_HIDE);
    return TRUE;
}

void COsPage::ShowDetectedWindows(int button, const std::string& name) {
    CWindow control(Item(button));
    control.SetText(name.c_str());
    // The left column's buttons are narrow for the longer names; the right column's
    // buttons are never shown, so the button may reach across to the group's edge.
    RECT group = {}, own = {};
    GetWindowRect(Item(IDC_OS_GROUP), &group);
    GetWindowRect(control.Handle(), &own);
    const LONG width = (group.right - own.left) - (own.left - group.left);
    if (width > own.right - own.left) {
        MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&own), 2);
        MoveWindow(control.Handle(), own.left, own.top, width, own.bottom - own.top, TRUE);
    }
}

void COsPage::OnShowWindow(bool /*shown*/) {
    CWindow(Item(IDC_OS_GROUP)).SetText(CTextCatalogue("System").ReadText("Select"));
}
