#include "ui/Help.h"

#include "config/TextCatalogue.h"
#include "platform/SystemLibraries.h"

#include <string>

HWND ShowHelp() {
    CTextCatalogue guide("Help Guide");
    // A missing caption reads empty, which would match any untitled window of another
    // program: then there is no viewer to look for.
    const std::string caption = guide.ReadText("Caption");
    if (!caption.empty()) {
        if (HWND viewer = FindWindowA(nullptr, caption.c_str())) {
            BringWindowToTop(viewer);
            OpenIcon(viewer);
            return viewer;
        }
    }
    // ".\" alone would open the current folder in a file browser.
    const std::string name = guide.ReadText("Name");
    if (name.empty()) return nullptr;
    // Relative to the current folder, not the program's. Built whole: a cut name would
    // open another file.
    const std::string path = ".\\" + name;
    ShellExecuteFromSystemFolder(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOW);
    return nullptr;
}
