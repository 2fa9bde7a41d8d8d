// The uninstaller's window in this process, from its own resources: what another process
// cannot read of it under Wine (the font of its controls).
#include "ui/UninstallDlg.h"

#include "config/TextCatalogue.h"
#include "framework/ProgramPaths.h"
#include "framework/Window.h"
#include "res/WizardResources.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The GBK bytes of the face name the Chinese font asks for ("SimSun").
constexpr const char* kChineseFace = "\xCB\xCE\xCC\xE5";

struct WindowSeen {
    HWND window = nullptr;
    std::string title;
    std::vector<std::string> faces;  // of the prompt, the list, Remove and Close
    int rows = 0;
    bool firstChecked = false;
};
WindowSeen* seen = nullptr;

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) != "#32770") return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// Read from a timer its own modal loop runs, then closed with Close.
void CALLBACK ReadWindow(HWND, UINT, UINT_PTR, DWORD) {
    if (seen->window != nullptr) return;
    HWND window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&window));
    if (window == nullptr) return;
    seen->window = window;
    seen->title = CWindow(window).Text();
    for (int id : {IDT_UNINSTALL_PROMPT, IDC_UNINSTALL_LIST, IDOK, IDCANCEL}) {
        LOGFONTA font = {};
        const auto handle = reinterpret_cast<HFONT>(SendDlgItemMessageA(window, id, WM_GETFONT, 0, 0));
        if (handle != nullptr) GetObjectA(handle, sizeof font, &font);
        seen->faces.push_back(font.lfFaceName);
    }
    HWND list = GetDlgItem(window, IDC_UNINSTALL_LIST);
    seen->rows = ListView_GetItemCount(list);
    seen->firstChecked = ListView_GetCheckState(list, 0) != FALSE;
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

// LANGUAGE=0 gives the window the Chinese font, as it gives the wizard; its title is the
// language file's, the one Setup.exe looks for.
TEST(UninstallWindow, TheChineseFontWhereTheDistributionAsksForItAndTheTitleOfItsTexts) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    for (const bool chinese : {true, false}) {
        WindowSeen window;
        seen = &window;
        CUninstallDlg dialog({{"VT-R80(P)", "VT-R80", "LPT1:", "2026-12-09 10:00:00"}}, chinese);
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, ReadWindow);
        EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
        KillTimer(nullptr, timer);
        seen = nullptr;
        ASSERT_NE(window.window, nullptr) << "the window did not show";
        EXPECT_EQ(window.title, "\xB4\xF2\xD3\xA1\xBB\xFA\xD0\xB6\xD4\xD8\xB3\xCC\xD0\xF2") << "the Chinese file's title";
        ASSERT_EQ(window.faces.size(), 4u);
        for (const std::string& face : window.faces) {
            if (chinese) {
                EXPECT_EQ(face, kChineseFace);
            } else {
                EXPECT_NE(face, kChineseFace);
            }
        }
        EXPECT_EQ(window.rows, 1);
        EXPECT_TRUE(window.firstChecked) << "every printer checked";
    }
}

}  // namespace
