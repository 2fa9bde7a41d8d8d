#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Drives the real Setup.exe from outside, through its windows, as a user would: buttons
// clicked, list entries chosen, the address typed, message boxes read and answered.
// Every wait is bounded; a window that does not come is a failed step, not a hang.
class WizardDriver {
public:
    static constexpr DWORD kStartTimeout = 120000;
    static constexpr DWORD kStepTimeout = 60000;

    // The program folder holds Setup.exe (or the program named) and its distribution.
    explicit WizardDriver(std::string programFolder, std::string program = "Setup.exe");
    ~WizardDriver();
    WizardDriver(const WizardDriver&) = delete;
    WizardDriver& operator=(const WizardDriver&) = delete;

    // With the command line's switches after the program's name, in a current folder of
    // its own if one is named. Again after the last run has ended: a new run.
    bool Start(const std::string& switches = "", const char* currentFolder = nullptr);
    // The wizard's frame, once it shows.
    HWND WaitForWizard(DWORD timeout = kStartTimeout);
    HWND Frame() const { return frame_; }

    // The page shown now (a child dialog of the frame), and waiting until the page with a
    // control shows.
    HWND CurrentPage() const;
    bool WaitForPageWith(int controlId, DWORD timeout = kStepTimeout);

    // A control of the frame or of the page shown.
    HWND Control(int id) const;
    // A click whose handler stays on the page (radio buttons, check boxes).
    bool Click(int id);
    // A click that may open a modal window (Next, Install, Back): it returns at once.
    bool Press(int id);
    // Chooses the entry with exactly this text, as a user's pick in the list does.
    bool Choose(int id, const std::string& text);
    std::string SelectedText(int id) const;
    // Types "a.b.c.d" into the four fields of the page's address control.
    bool TypeAddress(int id, const std::string& dotted);
    bool IsChecked(int id) const;

    // A message box of the program, with its text.
    struct Box {
        HWND window = nullptr;
        std::string text;
        std::string caption;
    };
    std::optional<Box> WaitForMessageBox(DWORD timeout = kStepTimeout);
    // Answers with one of its buttons (IDOK, IDYES, IDNO) and waits until it has gone.
    bool Answer(const Box& box, int button);
    // Any top-level window of the program with this title, once it shows.
    HWND WaitForWindow(const std::string& title, DWORD timeout = kStepTimeout);
    // Any top-level dialog of the program that has this control (the progress window's bar).
    HWND WaitForDialogWith(int controlId, DWORD timeout = kStepTimeout);

    bool IsRunning() const;
    // The exit code once the program has ended by itself; nothing after the timeout.
    std::optional<DWORD> WaitForExit(DWORD timeout = kStepTimeout);
    void Kill();

    // What the screen shows, as a 24-bit bitmap file.
    static bool Screenshot(const std::string& bmpPath);

private:
    // The first visible top-level window of the program that matches; none once it has ended.
    HWND WaitForTopLevel(const std::function<bool(HWND)>& matches, DWORD timeout) const;

    std::string folder_;
    std::string program_;
    PROCESS_INFORMATION process_ = {};
    HWND frame_ = nullptr;
};

// The printers of the local spooler, by name and port, as the tests and the walk check them.
struct PrinterOnPort {
    std::string name;
    std::string port;
};
std::vector<PrinterOnPort> LocalPrinters();

// The newest installation journal the program left in the temporary folder; empty when none.
std::string NewestJournalPath();

// Waits, checking every 50 ms, until done() or the time is up.
bool WaitUntil(const std::function<bool()>& done, DWORD timeout);
