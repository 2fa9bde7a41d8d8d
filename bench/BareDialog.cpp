// The yardstick of the start-up benchmark: the least a wizard of this kind does before
// its first page shows, built like Setup.exe. A frame, one page over its placeholder and
// a combo box filled with the device names of DRVCONFIG\setup.ini beside the program.
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

constexpr int kFrame = 100, kPage = 101, kArea = 1000, kList = 1001;

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

INT_PTR CALLBACK PageProcedure(HWND page, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    const std::string ini = ProgramFolder() + "DRVCONFIG\\setup.ini";
    const int count = GetPrivateProfileIntA("DEVICENAME", "DEVICENUMBER", 0, ini.c_str());
    for (int n = 1; n <= count; ++n) {
        char name[200] = {};
        GetPrivateProfileStringA("DEVICENAME", ("DEVICENAME" + std::to_string(n)).c_str(), "0", name, sizeof name,
                                 ini.c_str());
        SendDlgItemMessageA(page, kList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    SendDlgItemMessageA(page, kList, CB_SETCURSEL, 0, 0);
    return TRUE;
}

INT_PTR CALLBACK FrameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            HWND page = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kPage), frame, PageProcedure, 0);
            RECT area = {};
            GetWindowRect(GetDlgItem(frame, kArea), &area);
            MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&area), 2);
            SetWindowPos(page, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                         SWP_NOZORDER | SWP_SHOWWINDOW);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(frame, LOWORD(wParam));
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(kFrame), nullptr, FrameProcedure, 0);
    return 0;
}
