#include "app/InstallCommand.h"
#include "app/UnattendedInstall.h"

#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "engine/InstallRecord.h"
#include "engine/SpoolerObjects.h"
#include "engine/EngineTestSupport.h"
#include "platform/ErrorText.h"
#include "platform/FileSystemRedirection.h"
#include "platform/Journal.h"
#include "platform/SystemLibraries.h"
#include "support/Overrides.h"
#include "support/TestFiles.h"
#include "ui/InstallProgressDlg.h"
#include "ui/ModePage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

// The command run from a window standing in for the wizard, on the Windows 7 x64 prefix
// with the test distribution beside the program.
class InstallCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ProcessSettings::SetIs64BitWindows(true);
        frame_ = CreateWindowExA(0, "STATIC", "Wizard stand-in", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                                 nullptr, nullptr, nullptr, nullptr);
        selection_.printerType = PrinterType::Receipt;
        selection_.modelName = "VT-R80";
        selection_.osIndex = OsIndex::Windows7;
        selection_.portName = "LPT1:";
        selection_.raster = 1;
    }
    void TearDown() override { DestroyWindow(frame_); }

    HWND frame_ = nullptr;
    InstallSelection selection_;
};

HANDLE WINAPI RefuseThreads(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

HANDLE WINAPI DenyPrinters(LPSTR, DWORD, LPBYTE) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
}

TEST_F(InstallCommandTest, AnEngineFailureIsShownWithItsOwnTextNeverTheRestartNotice) {
    ScopedSystemCall<decltype(SystemCallTable::AddPrinterA)> refused(&SystemCallTable::AddPrinterA, &DenyPrinters);
    MessageBoxRecorder boxes;
    CInstallCommand command(frame_);
    EXPECT_TRUE(command.Run(selection_)) << "the installation ran, and failed";
    EXPECT_EQ(command.Outcome(), CInstallProgressDlg::kFailed);
    ASSERT_EQ(boxes.shown.size(), 1u);
    std::string expected;
    SetErrorText(expected, "IDS_ERR_ADDPRINTER", ERROR_ACCESS_DENIED);
    EXPECT_EQ(boxes.shown[0].text, expected);
    EXPECT_NE(boxes.shown[0].text, MessageText("IDS_INF_NTRESTART"));
    EXPECT_EQ(boxes.shown[0].owner, frame_);
}

// Unattended, the same failure shows nothing: the journal's failing line carries the step,
// the object and the code.
TEST_F(InstallCommandTest, QuietlyAnEngineFailureIsJournalledNotShown) {
    const std::string journal = ProgramFolder() + "quiet-failure.log";
    DeleteFileA(journal.c_str());
    ASSERT_TRUE(OpenJournal(journal));
    ScopedSystemCall<decltype(SystemCallTable::AddPrinterA)> refused(&SystemCallTable::AddPrinterA, &DenyPrinters);
    NoticeRecorder notices;
    CInstallCommand command(nullptr, InstallFace::Quiet);
    EXPECT_TRUE(command.Run(selection_));
    EXPECT_EQ(command.Outcome(), CInstallProgressDlg::kFailed);
    CloseJournal();
    EXPECT_EQ(notices.boxes.size(), 0u) << notices.boxes[0].text;
    const std::string text = ReadWholeFile(journal);
    EXPECT_NE(text.find("Adding the printer: Add printer \"VT-R80(P)\": failed, error 5"), std::string::npos) << text;
    EXPECT_NE(text.find("Installation failed"), std::string::npos) << text;
}

LONG WINAPI RefuseRecordValues(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD) { return ERROR_ACCESS_DENIED; }

std::vector<std::string> PrintersOn(const std::string& port) {
    std::vector<std::string> names;
    for (const SpoolerPrinter& printer : ListPrinters())
        if (printer.port == port) names.push_back(printer.name);
    return names;
}

// An installation whose record could not be written has still installed its printer; the
// next unattended run finds that printer by its name, port and driver and repairs it.
TEST_F(InstallCommandTest, APrinterWhoseRecordCouldNotBeWrittenIsAdoptedByTheNextRun) {
    selection_.portName = "LPT3:";
    ASSERT_TRUE(PrintersOn("LPT3:").empty());
    const std::string journal = ProgramFolder() + "unrecorded.log";
    DeleteFileA(journal.c_str());
    ASSERT_TRUE(OpenJournal(journal));
    {
        ScopedSystemCall<decltype(SystemCallTable::RegSetValueExA)> refused(&SystemCallTable::RegSetValueExA,
                                                                            &RefuseRecordValues);
        CInstallCommand command(nullptr, InstallFace::Quiet);
        command.repairInstalled = true;
        ASSERT_TRUE(command.Run(selection_));
        EXPECT_EQ(command.Outcome(), CInstallProgressDlg::kSucceeded) << "the printer is installed all the same";
    }
    const auto recordsOnLpt3 = [] {
        std::vector<InstallRecord> records;
        for (const InstallRecord& record : ReadRecords().records)
            if (record.port == "LPT3:") records.push_back(record);
        return records;
    };
    EXPECT_TRUE(recordsOnLpt3().empty());
    EXPECT_EQ(PrintersOn("LPT3:"), std::vector<std::string>{"VT-R80(P)"});

    CInstallCommand again(nullptr, InstallFace::Quiet);
    again.repairInstalled = true;
    ASSERT_TRUE(again.Run(selection_));
    CloseJournal();
    EXPECT_EQ(again.Outcome(), CInstallProgressDlg::kSucceeded);
    EXPECT_TRUE(again.Repaired());
    EXPECT_EQ(PrintersOn("LPT3:"), std::vector<std::string>{"VT-R80(P)"});
    const std::vector<InstallRecord> records = recordsOnLpt3();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].printer, "VT-R80(P)");
    const std::string text = ReadWholeFile(journal);
    EXPECT_NE(text.find("Record the installation under HKLM\\SOFTWARE\\VANTORA\\Printer Driver Setup\\Printers\\VT-R80(P) "
                        "and HKLM\\SOFTWARE\\VANTORA\\Printer Driver Setup\\Installed\\VT-R80\\LPT3:: failed, error 5"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("has no install record: adopted and repaired"), std::string::npos) << text;
    // The printer and its record go again: the engine's tests install on this port too.
    ASSERT_TRUE(DeleteRecord("VT-R80(P)"));
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSA all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterA(const_cast<char*>("VT-R80(P)"), &printer, &all));
    EXPECT_TRUE(DeletePrinter(printer));
    ClosePrinter(printer);
}

TEST_F(InstallCommandTest, AWorkerThatCannotStartShowsWhyAndLeavesTheWizardAsItWas) {
    ScopedSystemCall<decltype(SystemCallTable::CreateThread)> noThreads(&SystemCallTable::CreateThread,
                                                                         &RefuseThreads);
    MessageBoxRecorder boxes;
    CInstallCommand command(frame_);
    // A progress window waiting for a worker that never came would hold this test for good.
    EXPECT_FALSE(command.Run(selection_));
    ASSERT_EQ(boxes.shown.size(), 1u);
    std::string expected;
    SetErrorText(expected, "IDS_ERR_ALLOCMEMORY", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(boxes.shown[0].text, expected);
    EXPECT_GT(expected.size(), MessageText("IDS_ERR_ALLOCMEMORY").size() + 1) << "with the system's description";
    EXPECT_FALSE(IsIconic(frame_));
    EXPECT_EQ(GetWindowLongA(frame_, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

// A worker that starts late, so that it ends well after the Windows 98/Me progress
// window has closed by itself (about 7.3 s).
struct LateWorker {
    static inline std::atomic<bool> finished{false};
    static DWORD WINAPI Run(void* context) {
        Sleep(10000);
        InstallationThread(context);
        finished = true;
        return 0;
    }
    static HANDLE WINAPI Start(LPSECURITY_ATTRIBUTES attributes, SIZE_T stack, LPTHREAD_START_ROUTINE, LPVOID context,
                               DWORD flags, LPDWORD id) {
        finished = false;
        return ::CreateThread(attributes, stack, Run, context, flags, id);
    }
};

struct Restarts {
    static inline std::vector<UINT> requested;
    static BOOL WINAPI Refuse(UINT flags, DWORD) {
        requested.push_back(flags);
        SetLastError(ERROR_PRIVILEGE_NOT_HELD);
        return FALSE;
    }
};

struct ClosingBox {
    std::string text;
    UINT type;
    bool workerFinished;
};

class Windows98Closing : public InstallCommandTest, public ::testing::WithParamInterface<int> {};

TEST_P(Windows98Closing, WaitsForTheWorkerThenOffersTheRestart) {
    const int answer = GetParam();
    ScopedSystemCall<decltype(SystemCallTable::CreateThread)> late(&SystemCallTable::CreateThread, &LateWorker::Start);
    ScopedSystemCall<decltype(SystemCallTable::ExitWindowsEx)> restart(&SystemCallTable::ExitWindowsEx,
                                                                       &Restarts::Refuse);
    Restarts::requested.clear();
    std::vector<ClosingBox> boxes;
    SetMessageBoxHandler([&](HWND, const std::string& text, const std::string&, UINT type) {
        boxes.push_back({text, type, LateWorker::finished.load()});
        return (type & MB_YESNO) == MB_YESNO ? answer : IDOK;
    });
    selection_.osIndex = OsIndex::Windows9x;
    CInstallCommand command(frame_);
    const bool ran = command.Run(selection_);
    SetMessageBoxHandler(nullptr);

    EXPECT_TRUE(ran);
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_TRUE(boxes[0].workerFinished) << "the result was read while the worker still ran";
    EXPECT_EQ(boxes[0].text, ClosingMessage(command.Outcome(), command.Request().resultText,
                                            MessageText("IDS_INF_NTRESTART")));
    EXPECT_NE(command.Outcome(), CInstallProgressDlg::kRunning);
    EXPECT_EQ(boxes[1].text, MessageText("IDS_INF_RESTART"));
    EXPECT_EQ(boxes[1].type & MB_YESNO, static_cast<UINT>(MB_YESNO));
    if (answer == IDNO) {
        EXPECT_EQ(boxes.size(), 2u);
        EXPECT_TRUE(Restarts::requested.empty());
    } else {
        EXPECT_EQ(Restarts::requested, std::vector<UINT>{EWX_REBOOT});
        ASSERT_EQ(boxes.size(), 3u);
        EXPECT_EQ(boxes[2].text, MessageText("IDS_ERR_EXITWIN"));
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, Windows98Closing, ::testing::Values(IDNO, IDYES));

}  // namespace

namespace {

// Without the USB driver package its installer cannot start.
TEST_F(InstallCommandTest, AnEmptyInstallerTitleIsNotWaitedForAndAFailedStartShowsTheErrorNumber) {
    const std::string package = ProgramFolder() + "USBDRV";
    ASSERT_TRUE(MoveFileA(package.c_str(), (package + ".away").c_str()));
    const std::string language = ProgramFolder() + "language\\setup.ini";
    char caption[256] = {};
    GetPrivateProfileStringA("Setup", "CaptionName", "", caption, sizeof caption, language.c_str());
    ASSERT_NE(caption[0], '\0');
    WritePrivateProfileStringA("Setup", "CaptionName", "", language.c_str());
    // An untitled window, as any desktop has: an empty title must not match it.
    HWND untitled = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                    nullptr);
    MessageBoxRecorder boxes;
    const DWORD start = GetTickCount();
    InstallUsbDriver(frame_);
    const DWORD elapsed = GetTickCount() - start;
    DestroyWindow(untitled);
    WritePrivateProfileStringA("Setup", "CaptionName", caption, language.c_str());
    MoveFileA((package + ".away").c_str(), package.c_str());

    EXPECT_GE(elapsed, 3400u) << "the fixed pauses stay";
    EXPECT_LT(elapsed, 120000u) << "only a wait without end gets here";
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, std::to_string(ERROR_PATH_NOT_FOUND)) << "the package folder is missing";
    EXPECT_EQ(boxes.shown[0].owner, frame_);
    EXPECT_TRUE(IsWindowEnabled(frame_)) << "the wizard is usable again";
}

}  // namespace

namespace {

// A USB port name that carries no port number cannot be written into the printer. The
// wizard's lists never offer one; a hand-made configuration could.
TEST_F(InstallCommandTest, AdvancedRenumberingToAPortWithoutNumberFailsToSetThePrinterId) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    {
        CFileSystemRedirectionOff redirection;
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "USBDRV\\USBDriver_x64\\VTPUSB.sys").c_str(),
                              (std::string(windows) + "\\System32\\drivers\\VTPUSB.sys").c_str(), FALSE));
    }
    WriteTextFile(ProgramFolder(), "VtUsbInt.printers", "0 8\n");

    selection_.installMode = InstallMode::Advanced;
    selection_.portName = "USB_VT-R80";
    MessageBoxRecorder boxes(IDYES);
    CInstallCommand command(frame_);
    EXPECT_FALSE(command.Run(selection_));
    DeleteFileA((ProgramFolder() + "VtUsbInt.printers").c_str());
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, MessageText("IDS_INF_CHANGEID"));
    EXPECT_EQ(boxes.shown[0].type & MB_YESNO, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(boxes.shown[1].text, "Failed to set Printer ID!");
    EXPECT_EQ(boxes.shown[1].owner, frame_);
    EXPECT_EQ(ReadWholeFile(ProgramFolder() + "VtUsbInt.log").find("uWrite"), std::string::npos);
}

}  // namespace

namespace {

// With redirection off a DLL would load from the 64-bit system: none may load then, on the
// window thread (the driver's version, the port records) nor on the worker (the engine).
TEST_F(InstallCommandTest, AUsbInstallationLoadsNoLibraryWithRedirectionOff) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    // Not through the program's bracket: it would load the libraries for the program.
    PVOID redirection = nullptr;
    ASSERT_TRUE(Wow64DisableWow64FsRedirection(&redirection));
    const BOOL copied = CopyFileA((ProgramFolder() + "USBDRV\\USBDriver_x64\\VTPUSB.sys").c_str(),
                                  (std::string(windows) + "\\System32\\drivers\\VTPUSB.sys").c_str(), FALSE);
    Wow64RevertWow64FsRedirection(redirection);
    ASSERT_TRUE(copied);
    // The spooler in this 32-bit process loads the monitors' 32-bit builds from here.
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof system);
    for (const char* file : {"VTUSBMON.DLL", "VTLMON.DLL"})
        CopyFileA((ProgramFolder() + "system32\\" + file).c_str(), (std::string(system) + "\\" + file).c_str(), FALSE);
    WriteTextFile(ProgramFolder(), "VtUsbInt.printers", "0 0\n");
    selection_.installMode = InstallMode::Typical;
    selection_.portName = "USB_VT-R80_1";
    MessageBoxRecorder boxes;
    CInstallCommand command(frame_);
    EXPECT_TRUE(command.Run(selection_));
    DeleteFileA((ProgramFolder() + "VtUsbInt.printers").c_str());
    EXPECT_EQ(command.Outcome(), CInstallProgressDlg::kSucceeded) << command.Request().resultText;
    EXPECT_EQ(LibraryLoadsWithRedirectionOff(), std::vector<std::string>{});
}

// How the package's installer was asked to start; it starts nothing, so the driver stays missing.
struct InstallerStarts {
    static inline std::vector<std::pair<ULONG, int>> seen;  // mask, show command
    static BOOL WINAPI Record(SHELLEXECUTEINFOA* info) {
        seen.emplace_back(info->fMask, info->nShow);
        info->hProcess = nullptr;
        return TRUE;
    }
};

// Unattended, nobody sees the package's installer: hidden when quiet, waited for by its
// process, and the driver checked again afterwards; still missing, nothing is installed.
TEST_F(InstallCommandTest, UnattendedTheUsbDriverPackageIsWaitedForAndItsDriverCheckedAgain) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    const std::string installed = std::string(windows) + "\\system32\\drivers\\VTPUSB.sys";
    {
        CFileSystemRedirectionOff redirection;
        DeleteFileA(installed.c_str());
    }
    selection_.portName = "USB_VT-R80_1";
    const struct {
        InstallFace face;
        int show;
    } cases[] = {{InstallFace::Quiet, SW_HIDE}, {InstallFace::Passive, SW_SHOWNORMAL}};
    for (const auto& c : cases) {
        const std::string journal = ProgramFolder() + "usb-driver-again.log";
        DeleteFileA(journal.c_str());
        ASSERT_TRUE(OpenJournal(journal));
        InstallerStarts::seen.clear();
        NoticeRecorder notices;
        ScopedSystemCall<decltype(SystemCallTable::ShellExecuteExA)> start(&SystemCallTable::ShellExecuteExA,
                                                                            &InstallerStarts::Record);
        CInstallCommand command(nullptr, c.face);
        EXPECT_FALSE(command.Run(selection_)) << "no installation without its driver";
        CloseJournal();
        ASSERT_EQ(InstallerStarts::seen.size(), 1u);
        EXPECT_EQ(InstallerStarts::seen[0].first & SEE_MASK_NOCLOSEPROCESS, static_cast<ULONG>(SEE_MASK_NOCLOSEPROCESS));
        EXPECT_EQ(InstallerStarts::seen[0].second, c.show);
        const std::string text = ReadWholeFile(journal);
        EXPECT_NE(text.find("USB driver still missing after the package's installer: " + installed +
                            " has version 0.0.0.0, the package's " + ProgramFolder() + "USBDRV\\USBDriver_x64\\VTPUSB.sys"),
                  std::string::npos)
            << text;
    }
}

// The unattended run leaves the notices with the sink it found, whichever way it returns.
TEST_F(InstallCommandTest, AnUnattendedRunGivesTheNoticesBack) {
    NoticeRecorder before;
    SetupSwitches switches;
    switches.quiet = true;
    switches.model = "VT-R80";
    switches.logPath = ProgramFolder() + "notices-back.log";
    EXPECT_EQ(RunUnattended(switches, "/quiet /model VT-R80"), 87) << "the licence is not accepted";
    Notify("after the run");
    ASSERT_EQ(before.notices.size(), 1u);
    EXPECT_EQ(before.notices[0].text, "after the run");
}

}  // namespace
