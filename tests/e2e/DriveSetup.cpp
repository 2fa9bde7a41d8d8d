// drive-setup PROGRAM_FOLDER SHOTS_FOLDER [--uninstall]
// Walks the real Setup.exe through every page as a user does, photographs each page, the
// About box, the installation and its closing message, and finishes a typical
// installation with what the wizard preselects. With --uninstall, Uninstall.exe then
// takes the printer off again through its window, photographed with its closing message.
// A test part: the README's run command uses it where there is no display to watch.
#include "e2e/WizardDriver.h"

#include "res/WizardResources.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string ReadLanguageText(const std::string& folder, const char* section, const char* key) {
    char text[2048] = {};
    GetPrivateProfileStringA(section, key, "", text, sizeof text, (folder + "language\\setup.ini").c_str());
    return text;
}

class Walk {
public:
    Walk(const std::string& program, const std::string& shots) : program_(program), shots_(shots), driver_(program) {}

    int Run() {
        if (!driver_.Start()) return Fail("Setup.exe could not be started");
        if (driver_.WaitForWizard() == nullptr) return Fail("the wizard did not show");
        Shot("1-start");
        if (driver_.WaitForPageWith(IDC_ACCEPT, 2000)) {
            driver_.Click(IDC_ACCEPT);
            Shot("2-licence-accepted");
            driver_.Press(IDOK);
        }
        if (!Next(IDC_TYPE_RECEIPT, "3-model") || !Next(IDC_TYPICAL, "4-mode") || !Next(IDC_OS_WIN7, "5-os") ||
            !driver_.WaitForPageWith(IDC_PORT_LIST))
            return Fail("the walk stopped before the port page");
        Shot("6-port");
        const std::string port = driver_.SelectedText(IDC_PORT_LIST);
        std::printf("Port chosen: %s\n", port.c_str());
        ShowAbout();

        driver_.Press(IDOK);
        if (driver_.WaitForDialogWith(IDC_PROGRESS_BAR, 20000) != nullptr)
            Shot("8-installing");
        const auto closing = driver_.WaitForMessageBox(5 * 60 * 1000);
        if (!closing) return Fail("no closing message");
        Shot("9-closing-message");
        std::printf("Closing message: %s\n", closing->text.c_str());
        driver_.Answer(*closing, IDOK);
        const auto exitCode = driver_.WaitForExit();
        if (!exitCode) return Fail("the wizard did not end");
        const std::string journal = NewestJournalPath();
        if (!journal.empty()) {
            std::printf("Installation journal: %s\n", journal.c_str());
            CopyFileA(journal.c_str(), (shots_ + "journal.log").c_str(), FALSE);
        }
        // Success is a wizard that ended by itself with a printer on the chosen port.
        if (!ListPrinters(port) || *exitCode != 0) return 1;
        port_ = port;
        return 0;
    }

    // Uninstall.exe from the same folder, as Programs and Features starts it: its window
    // with the recorded printers, Remove, the closing message.
    int Uninstall() {
        WizardDriver uninstaller(program_, "Uninstall.exe");
        if (!uninstaller.Start()) return Fail("Uninstall.exe could not be started", uninstaller);
        HWND window = uninstaller.WaitForWindow(ReadLanguageText(program_, "Uninstall", "Caption"),
                                                WizardDriver::kStartTimeout);
        if (window == nullptr) return Fail("the uninstaller's window did not show", uninstaller);
        Shot("10-uninstall");
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        const auto closing = uninstaller.WaitForMessageBox(5 * 60 * 1000);
        if (!closing) return Fail("the uninstaller showed no closing message", uninstaller);
        Shot("11-uninstall-closing-message");
        std::printf("Uninstaller's closing message: %s\n", closing->text.c_str());
        uninstaller.Answer(*closing, IDOK);
        const auto exitCode = uninstaller.WaitForExit();
        if (!exitCode) return Fail("the uninstaller did not end", uninstaller);
        std::printf("Uninstall.exe ended with %lu\n", static_cast<unsigned long>(*exitCode));
        // Success is an uninstaller that ended by itself with the chosen port free again.
        return !ListPrinters(port_) && *exitCode == 0 ? 0 : 1;
    }

private:
    bool Next(int controlOfNextPage, const char* shot) {
        if (!driver_.WaitForPageWith(controlOfNextPage)) return false;
        Shot(shot);
        return driver_.Press(IDOK);
    }

    // The About entry of the system menu. Without a window manager a box that opens over
    // its owner stays unpainted until it moves, so it is moved above the wizard.
    void ShowAbout() {
        PostMessageA(driver_.Frame(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        HWND about = driver_.WaitForWindow(ReadLanguageText(program_, "About", "Caption"));
        if (about == nullptr) {
            std::fprintf(stderr, "No About box appeared.\n");
            return;
        }
        RECT box;
        GetWindowRect(about, &box);
        SetWindowPos(about, nullptr, box.left, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        Shot("7-about");
        PostMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
        WaitUntil([&] { return !IsWindow(about); }, WizardDriver::kStepTimeout);
    }

    void Shot(const char* name) {
        Sleep(1500);  // the window paints after it shows
        const std::string path = shots_ + name + ".bmp";
        if (!WizardDriver::Screenshot(path)) std::fprintf(stderr, "No screenshot: %s\n", path.c_str());
    }

    int Fail(const char* what) { return Fail(what, driver_); }
    int Fail(const char* what, WizardDriver& program) {
        std::fprintf(stderr, "drive-setup: %s\n", what);
        if (const auto box = program.WaitForMessageBox(1000)) std::fprintf(stderr, "Message shown: %s\n", box->text.c_str());
        Shot("error");
        return 2;
    }

    static bool ListPrinters(const std::string& port) {
        bool onPort = false;
        for (const PrinterOnPort& printer : LocalPrinters()) {
            std::printf("Printer installed: %s on %s\n", printer.name.c_str(), printer.port.c_str());
            onPort = onPort || printer.port == port;
        }
        return onPort;
    }

    std::string program_;
    std::string shots_;
    WizardDriver driver_;
    std::string port_;
};

std::string AsFolder(std::string path) {
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    const bool uninstall = argc == 4 && std::string(argv[3]) == "--uninstall";
    if (argc != 3 && !uninstall) {
        std::fprintf(stderr, "usage: drive-setup PROGRAM_FOLDER SHOTS_FOLDER [--uninstall]\n");
        return 2;
    }
    Walk walk(AsFolder(argv[1]), AsFolder(argv[2]));
    int result = walk.Run();
    if (result == 0 && uninstall) result = walk.Uninstall();
    std::fflush(stdout);
    return result;
}
