// Whole installations through the real Setup.exe, driven from outside through its windows.
// Each test runs in a throw-away Windows 7 x64 prefix of its own (run-scenarios starts
// one Wine per test; the suites named after a later Windows get that Windows), with the
// built distribution copied to C:\e2e.
#include "e2e/WizardDriver.h"

#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "config/TextCatalogue.h"
#include "engine/ComponentChecks.h"
#include "engine/InstallTestSupport.h"
#include "framework/Window.h"
#include "platform/ErrorText.h"
#include "platform/FileSystemRedirection.h"
#include "res/WizardResources.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kProgram = "C:\\e2e\\";

// Copies a folder tree, as a packaging engineer lays out a distribution.
bool CopyTree(const std::string& from, const std::string& to) {
    CreateFolders(to);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((from + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool copied = true;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            copied = CopyTree(from + name + "\\", to + name + "\\") && copied;
        else
            copied = CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE) && copied;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return copied;
}

// Copies into the 64-bit system folder, as the USB driver package's installer would.
bool CopyIntoNativeSystem(const std::string& from, const std::string& relative) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    const std::string target = std::string(windows) + "\\System32\\" + relative;
    CFileSystemRedirectionOff redirection;
    CreateFolders(target.substr(0, target.find_last_of('\\')));
    return CopyFileA(from.c_str(), target.c_str(), FALSE) != FALSE;
}

bool NativeSystemFileExists(const std::string& relative) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    CFileSystemRedirectionOff redirection;
    return GetFileAttributesA((std::string(windows) + "\\System32\\" + relative).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The newest journal the wizard left in the temporary folder.
std::string NewestJournal() {
    const std::string path = NewestJournalPath();
    return path.empty() ? "<no journal>" : ReadWholeFile(path);
}

// The catalogue's text, read as the program reads it (from the language file beside
// this test program, the distribution's own).
std::string Message(const char* key) { return MessageText(key); }

struct Model {
    int typeButton;
    int list;
    const char* name;
};
const Model kReceiptR80{IDC_TYPE_RECEIPT, IDC_RECEIPT_MODELS, "VT-R80"};
const Model kTicketT300{IDC_TYPE_TICKET, IDC_TICKET_MODELS, "VT-T300"};
const Model kLabelK6{IDC_TYPE_LABEL, IDC_LABEL_MODELS, "QXL-K6"};

// The printers whose port is this one, by name.
std::vector<std::string> PrintersOnPort(const std::string& port) {
    std::vector<std::string> names;
    for (const PrinterOnPort& printer : LocalPrinters())
        if (printer.port == port) names.push_back(printer.name);
    return names;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        BOOL wow64 = FALSE;
        IsWow64Process(GetCurrentProcess(), &wow64);
        PrepareWindows(wow64 != FALSE);
    }
    // What the machine has before the wizard runs, on 64-bit or 32-bit Windows.
    void PrepareWindows(bool is64) {
        is64_ = is64;
        ProcessSettings::SetIs64BitWindows(is64);
        const std::string here = ProgramFolder();
        ASSERT_TRUE(CopyTree(here + "dist\\", kProgram)) << "the build assembles " << here << "dist";
        // What earlier runs of the assembled distribution left behind.
        for (const char* log : {"VtUsbInt.log", "VtUsbInt.printers", "USBDRV\\USBDriver\\Install.log",
                                "USBDRV\\USBDriver_x64\\Install.log"})
            DeleteFileA((kProgram + log).c_str());
        // Wine's spooler runs inside the 32-bit program and loads the 32-bit monitors from
        // the 32-bit system folder; the product puts the 64-bit builds where Windows wants them.
        ASSERT_TRUE(CopyTree(here + "system32\\", FolderOf(GetSystemDirectoryA)));
        // Windows 7 keeps the universal driver's core files in its own driver package.
        const std::string package = is64 ? "ntprint.inf_amd64_e2e\\AMD64\\" : "ntprint.inf_x86_e2e\\I386\\";
        for (const char* core : {"UNIDRV.DLL", "UNIDRVUI.DLL", "UNIRES.DLL", "UNIDRV.HLP", "STDNAMES.GPD", "TTFSUB.GPD"})
            ASSERT_TRUE(CopyIntoNativeSystem(kProgram + (is64 ? "W64\\" : "W32\\") + core,
                                             "DriverStore\\FileRepository\\" + package + core));
    }
    void TearDown() override {
        if (HasFailure()) WizardDriver::Screenshot(ProgramFolder() + "failure-" + Name() + ".bmp");
    }
    static std::string Name() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

    static void InstallUsbDriver() {
        ASSERT_TRUE(CopyIntoNativeSystem(kProgram + "USBDRV\\USBDriver_x64\\VTPUSB.sys", "drivers\\VTPUSB.sys"));
    }
    static void ConnectUsbPrinters(const std::string& lines) {
        WriteTextFile(kProgram, "VtUsbInt.printers", lines);
    }
    static void AddStandardTcpIpMonitor() {
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "tcpip-monitor\\TCPMONFX.DLL").c_str(),
                              (FolderOf(GetSystemDirectoryA) + "TCPMONFX.DLL").c_str(), FALSE));
        MONITOR_INFO_2A monitor = {const_cast<char*>("Standard TCP/IP Port"), nullptr, const_cast<char*>("TCPMONFX.DLL")};
        ASSERT_TRUE(AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&monitor))) << GetLastError();
    }

    // Licence accepted, model chosen, mode chosen, Windows 7 taken as detected: the
    // port page with its list built. Started with the switches given.
    void WalkToPortPage(const Model& model, int mode = IDC_TYPICAL, const std::string& switches = "") {
        ASSERT_TRUE(wizard_.Start(switches));
        ASSERT_NE(wizard_.WaitForWizard(), nullptr) << "the wizard did not show";
        ASSERT_TRUE(wizard_.WaitForPageWith(IDC_ACCEPT));
        ASSERT_TRUE(wizard_.Click(IDC_ACCEPT));
        ASSERT_TRUE(wizard_.Press(IDOK));
        ASSERT_TRUE(wizard_.WaitForPageWith(IDC_TYPE_RECEIPT));
        ASSERT_TRUE(wizard_.Click(model.typeButton));
        ASSERT_TRUE(wizard_.Choose(model.list, model.name)) << model.name;
        ASSERT_TRUE(wizard_.Press(IDOK));
        ASSERT_TRUE(wizard_.WaitForPageWith(IDC_TYPICAL));
        ASSERT_TRUE(wizard_.Click(mode));
        ASSERT_TRUE(wizard_.Press(IDOK));
        ASSERT_TRUE(wizard_.WaitForPageWith(IDC_OS_WIN7));
        ASSERT_TRUE(wizard_.IsChecked(IDC_OS_WIN7)) << "the prefix reports Windows 7 or a later Windows";
        EXPECT_EQ(CWindow(wizard_.Control(IDC_OS_WIN7)).Text(), detectedWindows_) << "the Windows the page names";
        ASSERT_TRUE(wizard_.Press(IDOK));
        ASSERT_TRUE(wizard_.WaitForPageWith(IDC_PORT_LIST));
    }

    // Install pressed: the one message it then shows.
    std::string Install() {
        EXPECT_TRUE(wizard_.Press(IDOK));
        const auto box = wizard_.WaitForMessageBox(5 * 60 * 1000);
        EXPECT_TRUE(box.has_value()) << "no message after Install";
        return box ? box->text : std::string("<none>");
    }
    // Answers the message shown now.
    void Answer(int button) {
        const auto box = wizard_.WaitForMessageBox();
        ASSERT_TRUE(box.has_value());
        ASSERT_TRUE(wizard_.Answer(*box, button));
    }
    // The installation has run: the closing message, answered, ends the wizard and the program.
    void ExpectClosingMessageAndEnd(const std::string& expected) {
        const auto box = wizard_.WaitForMessageBox(5 * 60 * 1000);
        ASSERT_TRUE(box.has_value()) << "no closing message";
        EXPECT_EQ(box->text, expected);
        ASSERT_TRUE(wizard_.Answer(*box, IDOK));
        const auto exitCode = wizard_.WaitForExit();
        ASSERT_TRUE(exitCode.has_value()) << "the wizard did not end";
        EXPECT_EQ(*exitCode, 0u);
    }
    // A refusal: the wizard stays on the port page, ready for another Install.
    void ExpectWizardStays() {
        EXPECT_TRUE(wizard_.IsRunning());
        EXPECT_TRUE(IsWindowVisible(wizard_.Frame()));
        EXPECT_FALSE(IsIconic(wizard_.Frame()));
        EXPECT_NE(GetDlgItem(wizard_.CurrentPage(), IDC_PORT_LIST), nullptr);
        EXPECT_TRUE(IsWindowEnabled(wizard_.Control(IDOK)));
    }
    // On the port page: COM2: with every line setting changed from the model's presets,
    // installed to the end ("19200,e,7,2,x").
    void InstallOnCom2WithChangedLineSettings() {
        ASSERT_TRUE(wizard_.Choose(IDC_PORT_LIST, "COM2:"));
        ASSERT_TRUE(wizard_.Choose(IDC_BAUD_RATE, "19200"));
        ASSERT_TRUE(wizard_.Choose(IDC_PARITY, "Even"));
        ASSERT_TRUE(wizard_.Choose(IDC_BYTE_SIZE, "7"));
        ASSERT_TRUE(wizard_.Choose(IDC_STOP_BITS, "2"));
        ASSERT_TRUE(wizard_.Choose(IDC_PROTOCOL, "Xon / Xoff"));
        wizard_.Press(IDOK);
        ExpectClosingMessageAndEnd(Message("IDS_INF_NTRESTART"));
    }
    std::string UsbLog() const { return ReadWholeFile(kProgram + "VtUsbInt.log"); }

    // A later Windows: the VT-R80 on LPT1: with the driver of the type file's .Win7
    // section (renamed here so that no other section can have given it) and its file.
    void ExpectTypicalParallelInstallAsWindows7(const std::string& typeFile, const char* driverFile) {
        const std::string driver = "Vantora VT-R80 as Windows 7";
        ASSERT_TRUE(
            WritePrivateProfileStringA("VT-R80.Win7", "DriverNameP", driver.c_str(), (kProgram + typeFile).c_str()));
        WalkToPortPage(kReceiptR80);
        ASSERT_TRUE(wizard_.Choose(IDC_PORT_LIST, "LPT1:"));
        wizard_.Press(IDOK);
        ExpectClosingMessageAndEnd(Message("IDS_INF_NTRESTART"));
        EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{"VT-R80(P)"});
        const InstalledDriver installed = ReadDriver(driver.c_str());
        ASSERT_TRUE(installed.found) << "the .Win7 section's driver";
        EXPECT_NE(installed.driverPath.find(driverFile), std::string::npos) << installed.driverPath;
    }

    WizardDriver wizard_{kProgram};
    bool is64_ = true;
    // The checked button's caption: the template's own on Windows 7.
    std::string detectedWindows_ = "Windows 7";
};

TEST_F(EndToEnd, TypicalParallelInstallEndsTheWizard) {
    WalkToPortPage(kReceiptR80);
    ASSERT_TRUE(wizard_.Choose(IDC_PORT_LIST, "LPT1:"));
    wizard_.Press(IDOK);
    ExpectClosingMessageAndEnd(Message("IDS_INF_NTRESTART"));
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{"VT-R80(P)"});
}

TEST_F(EndToEnd, SerialInstallStoresTheChosenLineSettings) {
    WalkToPortPage(kTicketT300);
    InstallOnCom2WithChangedLineSettings();
    EXPECT_EQ(PrintersOnPort("COM2:"), std::vector<std::string>{"VT-T300(S)"});
    EXPECT_EQ(ReadStringValue("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports", "COM2:"), "19200,e,7,2,x");
}

TEST_F(EndToEnd, NetworkInstallCreatesTheAddressPortAndRefusesTheBlankAddress) {
    AddStandardTcpIpMonitor();
    WalkToPortPage(kTicketT300);
    EXPECT_EQ(wizard_.SelectedText(IDC_PORT_LIST), "NET:") << "the model's preselected port";
    ASSERT_TRUE(wizard_.TypeAddress(IDC_IP_ADDRESS, "0.0.0.0"));
    EXPECT_EQ(Install(), Message("IDS_ERR_IPADDRISNULL"));
    Answer(IDOK);
    ExpectWizardStays();

    ASSERT_TRUE(wizard_.TypeAddress(IDC_IP_ADDRESS, "10.0.0.5"));
    wizard_.Press(IDOK);
    ExpectClosingMessageAndEnd(Message("IDS_INF_NTRESTART"));
    EXPECT_EQ(PrintersOnPort("IP_10.0.0.5"), std::vector<std::string>{"VT-T300(E)"});
    const std::string monitorLog = ReadWholeFile(FolderOf(GetSystemDirectoryA) + "TCPMONFX.LOG");
    EXPECT_NE(monitorLog.find("XcvDataPort AddPort size=964 status=0"), std::string::npos) << monitorLog;
}

TEST_F(EndToEnd, TypicalUsbAsksBeforeRenumberingThePrinterToPortOne) {
    InstallUsbDriver();
    ConnectUsbPrinters("0 9\n");  // answers on port 2
    WalkToPortPage(kReceiptR80);
    EXPECT_EQ(wizard_.SelectedText(IDC_PORT_LIST), "USB_VT-R80_1");
    EXPECT_EQ(Install(), Message("IDS_INF_CHANGEID"));
    Answer(IDNO);
    ExpectWizardStays();
    EXPECT_EQ(UsbLog().find("uWrite"), std::string::npos) << "No writes nothing";

    EXPECT_EQ(Install(), Message("IDS_INF_CHANGEID"));
    Answer(IDYES);
    ExpectClosingMessageAndEnd(Message("IDS_INF_USBRESTART"));
    // The command's last byte is the new device number: port 1 - 1.
    EXPECT_NE(UsbLog().find("uWrite 21760 0 10 1B"), std::string::npos) << UsbLog();
    EXPECT_NE(UsbLog().find(" 1D 49 20 00 10"), std::string::npos) << UsbLog();
    EXPECT_EQ(PrintersOnPort("USB_VT-R80_1"), std::vector<std::string>{"VT-R80(U) 1"});
    // The wizard records its installation too, with the USB port's values it wrote.
    const std::string record = "SOFTWARE\\VANTORA\\Printer Driver Setup\\Printers\\VT-R80(U) 1";
    EXPECT_EQ(ReadStringValue(record, "PortKind"), "USB");
    EXPECT_EQ(ReadStringValue(record, "UsbPortName"), "USB_VT-R80_1");
    EXPECT_EQ(ReadStringValue(record, "UsbPrinterPort"), "USB_VT-R80_1");
    EXPECT_EQ(ReadDwordValue("SOFTWARE\\VANTORA\\PORTNAME", "USB_VT-R80_1"), 1u);
    EXPECT_EQ(ReadDwordValue("SOFTWARE\\VANTORA\\PRINTERPORT", "USB_VT-R80_1"), 0u);
}

TEST_F(EndToEnd, TypicalUsbInstallsTheMissingDriverFirstAndGoesOnWithoutAPrinter) {
    WalkToPortPage(kReceiptR80);
    EXPECT_EQ(wizard_.SelectedText(IDC_PORT_LIST), "USB_VT-R80_1");
    ASSERT_FALSE(NativeSystemFileExists("drivers\\VTPUSB.sys"));
    ASSERT_TRUE(wizard_.Press(IDOK));
    // The package's installer comes first, and the installation waits for its window to go.
    ASSERT_NE(wizard_.WaitForDialogWith(IDC_PROGRESS_BAR, 5 * 60 * 1000), nullptr) << "no installation";
    const std::string installerLog = ReadWholeFile(kProgram + "USBDRV\\USBDriver_x64\\Install.log");
    EXPECT_EQ(installerLog.find("started with \"2\""), 0u) << installerLog;
    EXPECT_NE(installerLog.find("copied"), std::string::npos) << installerLog;
    EXPECT_TRUE(NativeSystemFileExists("drivers\\VTPUSB.sys")) << "the installer had finished before the installation";
    ExpectClosingMessageAndEnd(Message("IDS_INF_USBRESTART"));
    EXPECT_EQ(PrintersOnPort("USB_VT-R80_1"), std::vector<std::string>{"VT-R80(U) 1"});
    EXPECT_EQ(UsbLog().find("uWrite"), std::string::npos);
}

TEST_F(EndToEnd, AdvancedUsbOnThePortThePrinterAnswersOnAsksNothing) {
    InstallUsbDriver();
    ConnectUsbPrinters("0 9\n");
    WalkToPortPage(kReceiptR80, IDC_ADVANCED);
    EXPECT_EQ(wizard_.SelectedText(IDC_PORT_LIST), "USB_VT-R80_2");
    wizard_.Press(IDOK);
    ExpectClosingMessageAndEnd(Message("IDS_INF_USBRESTART"));
    EXPECT_EQ(PrintersOnPort("USB_VT-R80_2"), std::vector<std::string>{"VT-R80(U) 2"});
    EXPECT_EQ(UsbLog().find("uWrite"), std::string::npos);
    EXPECT_EQ(ReadDwordValue("SOFTWARE\\VANTORA\\PORTNAME", "USB_VT-R80_2"), 1u);
}

TEST_F(EndToEnd, AdvancedUsbRenumbersThePrinterToTheChosenPort) {
    InstallUsbDriver();
    ConnectUsbPrinters("0 8\n");  // answers on port 1
    WalkToPortPage(kReceiptR80, IDC_ADVANCED);
    ASSERT_TRUE(wizard_.Choose(IDC_PORT_LIST, "USB_VT-R80_2"));
    EXPECT_EQ(Install(), Message("IDS_INF_CHANGEID"));
    Answer(IDYES);
    ExpectClosingMessageAndEnd(Message("IDS_INF_USBRESTART"));
    EXPECT_NE(UsbLog().find(" 1D 49 20 01 10"), std::string::npos) << UsbLog();
    EXPECT_EQ(PrintersOnPort("USB_VT-R80_2"), std::vector<std::string>{"VT-R80(U) 2"});
}

TEST_F(EndToEnd, AdvancedUsbNeedsTheDriverAndAConnectedPrinter) {
    WalkToPortPage(kReceiptR80, IDC_ADVANCED);
    EXPECT_EQ(Install(), Message("IDS_ERR_FIRSTSETUPUSB"));
    Answer(IDOK);
    ExpectWizardStays();
    EXPECT_EQ(ReadWholeFile(kProgram + "USBDRV\\USBDriver_x64\\Install.log"), "<missing>") << "advanced mode installs no driver";

    InstallUsbDriver();
    EXPECT_EQ(Install(), Message("IDS_ERR_NOUSBDEVICE"));
    Answer(IDOK);
    ExpectWizardStays();
    EXPECT_TRUE(PrintersOnPort("USB_VT-R80_1").empty());
}

TEST_F(EndToEnd, TheQxlK6UsbPortKeepsItsNumberInPortAndName) {
    InstallUsbDriver();
    ConnectUsbPrinters("0 2\n");  // answers on port 3
    WalkToPortPage(kLabelK6, IDC_ADVANCED);
    EXPECT_EQ(wizard_.SelectedText(IDC_PORT_LIST), "USB_QXL-K6_3");
    wizard_.Press(IDOK);
    ExpectClosingMessageAndEnd(Message("IDS_INF_USBRESTART"));
    EXPECT_EQ(PrintersOnPort("USB_QXL-K6_3"), std::vector<std::string>{"QXL-K6(U) 3"});
}

TEST_F(EndToEnd, AUsbPortWhoseModelNameHoldsComIsInstalledAsUsb) {
    // A model named like a serial port, as a packaging engineer may add one.
    const std::string typeFile = kProgram + "DRVCONFIG\\setup_receipt_64.ini";
    for (const char* suffix : {".PORT", ".Win7"}) {
        char section[8192] = {};
        const DWORD length =
            GetPrivateProfileSectionA((std::string("VT-R80") + suffix).c_str(), section, sizeof section, typeFile.c_str());
        ASSERT_GT(length, 0u);
        ASSERT_TRUE(WritePrivateProfileSectionA((std::string("COMPACT") + suffix).c_str(), section, typeFile.c_str()));
    }
    const std::string setupIni = kProgram + "DRVCONFIG\\setup.ini";
    WritePrivateProfileStringA("DEVICENAME", "DEVICENUMBER", "9", setupIni.c_str());
    WritePrivateProfileStringA("DEVICENAME", "DEVICENAME9", "COMPACT-ReceiptPrinter", setupIni.c_str());
    InstallUsbDriver();
    WalkToPortPage({IDC_TYPE_RECEIPT, IDC_RECEIPT_MODELS, "COMPACT"});
    EXPECT_EQ(wizard_.SelectedText(IDC_PORT_LIST), "USB_COMPACT_1");
    EXPECT_FALSE(IsWindowEnabled(wizard_.Control(IDC_BAUD_RATE))) << "no serial settings for a USB port";
    wizard_.Press(IDOK);
    ExpectClosingMessageAndEnd(Message("IDS_INF_USBRESTART"));
    EXPECT_EQ(PrintersOnPort("USB_COMPACT_1"), std::vector<std::string>{"COMPACT(U) 1"});
    EXPECT_TRUE(KeyExists(MonitorKeyPath("Vantora USB Port"))) << "the USB port monitor was installed";
    EXPECT_FALSE(KeyExists(MonitorKeyPath("Vantora Serial Port")));
}

TEST_F(EndToEnd, AnEngineFailureIsShownWithItsTextAndEndsTheWizard) {
    // The model's driver file is missing from the distribution.
    char dataFile[200] = {};
    GetPrivateProfileStringA("VT-R80.Win7", "GDIDataFile", "", dataFile, sizeof dataFile,
                             (kProgram + "DRVCONFIG\\setup_receipt_64.ini").c_str());
    ASSERT_TRUE(DeleteFileA((kProgram + "W64\\" + dataFile).c_str())) << dataFile;
    WalkToPortPage(kReceiptR80);
    ASSERT_TRUE(wizard_.Choose(IDC_PORT_LIST, "LPT1:"));
    const std::string closing = Install();
    EXPECT_NE(closing, Message("IDS_INF_NTRESTART"));
    EXPECT_NE(closing.find(dataFile), std::string::npos) << closing;
    Answer(IDOK);
    EXPECT_TRUE(wizard_.WaitForExit().has_value()) << "the wizard ends after a failed installation too";
    EXPECT_TRUE(PrintersOnPort("LPT1:").empty());
    // The wizard leaves its journal too, with the failing step, file and code on one line.
    const std::string journal = NewestJournal();
    EXPECT_NE(journal.find(std::string("Copying the driver files: Copy ") + kProgram + "W64\\" + dataFile),
              std::string::npos)
        << journal;
    EXPECT_NE(journal.find("failed, error 2"), std::string::npos) << journal;
    EXPECT_NE(journal.find("Message: " + closing.substr(0, closing.find('\n'))), std::string::npos) << journal;
    EXPECT_NE(journal.find("Outcome: the installation failed"), std::string::npos) << journal;
}

// Windows 8 and later: the real version, as the program's manifest lets it see it.
std::string RealWindowsBuild() {
    using GetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto getVersion = reinterpret_cast<GetVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (getVersion == nullptr || getVersion(&version) != 0) return "<unknown>";
    return std::to_string(version.dwBuildNumber);
}

// The switch in the distribution's setup.ini: a value, or none at all.
void SetNewerWindows(const char* value) {
    WritePrivateProfileStringA("DEVICENAME", "NewerWindows", value, (kProgram + "DRVCONFIG\\setup.ini").c_str());
}

// Setup.exe started with switches, as a deployment tool starts it: no one at the screen.
struct UnattendedRun {
    DWORD exitCode = 0xDEADBEEF;
    std::vector<std::string> windows;  // class names of every top-level window the process had
    std::string journal;
};

BOOL CALLBACK CollectWindowsOf(HWND window, LPARAM context) {
    auto* seen = reinterpret_cast<std::pair<DWORD, std::vector<std::string>*>*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != seen->first) return TRUE;
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::find(seen->second->begin(), seen->second->end(), name) == seen->second->end())
        seen->second->push_back(name);
    return TRUE;
}

class Unattended : public EndToEnd {
protected:
    // Runs Setup.exe with switches (the journal goes to C:\e2e\journal.log unless they name
    // another) and watches its top-level windows until it ends.
    UnattendedRun Run(const std::string& switches, const char* program = "Setup.exe") {
        UnattendedRun run;
        const std::string journal = kProgram + "journal.log";
        DeleteFileA(journal.c_str());
        std::string command = "\"" + kProgram + program + "\" " + switches;
        if (switches.find("/log") == std::string::npos) command += " /log \"" + journal + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, kProgram.c_str(), &startup,
                            &process)) {
            ADD_FAILURE() << "cannot start " << command << ": " << GetLastError();
            return run;
        }
        std::pair<DWORD, std::vector<std::string>*> seen{process.dwProcessId, &run.windows};
        const DWORD start = GetTickCount();
        while (WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT) {
            EnumWindows(CollectWindowsOf, reinterpret_cast<LPARAM>(&seen));
            if (GetTickCount() - start > 5 * 60 * 1000) {
                ADD_FAILURE() << "still running after five minutes: " << command;
                TerminateProcess(process.hProcess, 1);
                break;
            }
        }
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        run.journal = ReadWholeFile(journal);
        return run;
    }

    // The lines of the journal that start with "Step", in order, without their times.
    static std::vector<std::string> Steps(const std::string& journal) {
        std::vector<std::string> steps;
        std::size_t start = 0;
        while (start < journal.size()) {
            std::size_t end = journal.find('\n', start);
            if (end == std::string::npos) end = journal.size();
            std::string line = journal.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.size() > 25 && line.compare(25, 4, "Step") == 0) steps.push_back(line.substr(25));
            start = end + 1;
        }
        return steps;
    }
    static bool Has(const std::string& journal, const std::string& text) {
        return journal.find(text) != std::string::npos;
    }
};

const std::vector<std::string> kParallelSteps = {
    "Step: Checking the port monitors and the print processor",
    "Step done: Checking the port monitors and the print processor",
    "Step: Copying the driver files",
    "Step done: Copying the driver files",
    "Step: Restoring the driver's core files",
    "Step done: Restoring the driver's core files",
    "Step: Adding the printer driver",
    "Step done: Adding the printer driver",
    "Step: Adding the printer",
    "Step done: Adding the printer",
};

TEST_F(Unattended, QuietParallelInstallShowsNoWindowAndJournalsEveryStep) {
    const UnattendedRun run = Run("/quiet /accept-licence /model VT-R80 /port LPT1:");
    EXPECT_EQ(run.exitCode, 0u) << run.journal;
    EXPECT_EQ(run.windows, std::vector<std::string>{}) << "a quiet run created windows";
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{"VT-R80(P)"});
    EXPECT_EQ(Steps(run.journal), kParallelSteps) << run.journal;
    for (const char* line : {"Start-up checks passed", "Model \"VT-R80\", receipt printer", "Port kind: parallel",
                             "Add printer driver \"Vantora VT-R80 Receipt\": done",
                             "Add printer \"VT-R80(P)\" on port LPT1: with driver Vantora VT-R80 Receipt: done",
                             "Installation succeeded", "Exit code 0"})
        EXPECT_TRUE(Has(run.journal, line)) << line << "\n" << run.journal;
    EXPECT_TRUE(Has(run.journal, "Copy " + kProgram + "W64\\")) << "each file copied, from where to where\n" << run.journal;
}

TEST_F(Unattended, QuietSerialInstallStoresTheGivenLineSettings) {
    const UnattendedRun run = Run("-QUIET /accept-licence /model:VT-T300 /port COM2: /baud 19200 /parity even "
                                  "/databits 7 /stopbits 2 /flow xonxoff");
    EXPECT_EQ(run.exitCode, 0u) << run.journal;
    EXPECT_EQ(run.windows, std::vector<std::string>{});
    EXPECT_EQ(PrintersOnPort("COM2:"), std::vector<std::string>{"VT-T300(S)"});
    EXPECT_EQ(ReadStringValue("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports", "COM2:"), "19200,e,7,2,x");
    EXPECT_TRUE(Has(run.journal, "Record the serial settings \"19200,e,7,2,x\" of COM2:")) << run.journal;
}

TEST_F(Unattended, QuietNetworkInstallCreatesTheAddressPort) {
    AddStandardTcpIpMonitor();
    const UnattendedRun run = Run("/quiet /accept-licence /model VT-T300 /port NET: /ip 10.0.0.5");
    EXPECT_EQ(run.exitCode, 0u) << run.journal;
    EXPECT_EQ(run.windows, std::vector<std::string>{});
    EXPECT_EQ(PrintersOnPort("IP_10.0.0.5"), std::vector<std::string>{"VT-T300(E)"});
    EXPECT_TRUE(Has(run.journal, "Add network port IP_10.0.0.5 for 10.0.0.5 through the Standard TCP/IP Port monitor: done"))
        << run.journal;
}

TEST_F(Unattended, QuietUsbRenumbersThePrinterOnlyWhenAllowed) {
    InstallUsbDriver();
    ConnectUsbPrinters("0 9\n");  // answers on port 2
    const UnattendedRun refused = Run("/quiet /accept-licence /model VT-R80 /port USB_VT-R80_1");
    EXPECT_EQ(refused.exitCode, 1603u) << refused.journal;
    EXPECT_EQ(refused.windows, std::vector<std::string>{});
    EXPECT_TRUE(Has(refused.journal, "USB printer probe: device number 9, answering on port 2")) << refused.journal;
    EXPECT_TRUE(Has(refused.journal, "Answered No")) << refused.journal;
    EXPECT_EQ(Steps(refused.journal), std::vector<std::string>{}) << "nothing installed after the probe";
    EXPECT_EQ(UsbLog().find("uWrite"), std::string::npos);
    EXPECT_TRUE(PrintersOnPort("USB_VT-R80_1").empty());

    const UnattendedRun run = Run("/quiet /accept-licence /model VT-R80 /port USB_VT-R80_1 /renumber");
    EXPECT_EQ(run.exitCode, 0u) << run.journal;
    EXPECT_EQ(run.windows, std::vector<std::string>{});
    EXPECT_NE(UsbLog().find(" 1D 49 20 00 10"), std::string::npos) << UsbLog();
    EXPECT_EQ(PrintersOnPort("USB_VT-R80_1"), std::vector<std::string>{"VT-R80(U) 1"});
    EXPECT_TRUE(Has(run.journal, "Rewrite the USB printer's device number for port 1: done")) << run.journal;
    EXPECT_TRUE(Has(run.journal, "Step done: Recording the USB port")) << run.journal;
}

// The package's installer runs hidden; what it leaves decides: no driver, no printer.
TEST_F(Unattended, QuietUsbInstallsOnlyWithTheDriverThePackageLeaves) {
    const std::string package = kProgram + "USBDRV\\USBDriver_x64\\";
    WriteTextFile(package, "Install.nothing", "");
    const UnattendedRun refused = Run("/quiet /accept-licence /model VT-R80 /port USB_VT-R80_1");
    EXPECT_EQ(refused.exitCode, 1603u) << refused.journal;
    EXPECT_EQ(refused.windows, std::vector<std::string>{});
    const std::string installerLog = ReadWholeFile(package + "Install.log");
    EXPECT_EQ(installerLog.find("started with \"2\", show 0"), 0u) << "hidden\n" << installerLog;
    EXPECT_TRUE(Has(installerLog, "installed nothing")) << installerLog;
    EXPECT_TRUE(Has(refused.journal, "USB driver still missing after the package's installer: ")) << refused.journal;
    EXPECT_TRUE(Has(refused.journal, "VTPUSB.sys has version 0.0.0.0")) << refused.journal;
    EXPECT_TRUE(PrintersOnPort("USB_VT-R80_1").empty());

    ASSERT_TRUE(DeleteFileA((package + "Install.nothing").c_str()));
    const UnattendedRun run = Run("/quiet /accept-licence /model VT-R80 /port USB_VT-R80_1");
    EXPECT_EQ(run.exitCode, 0u) << run.journal;
    EXPECT_EQ(run.windows, std::vector<std::string>{});
    EXPECT_TRUE(NativeSystemFileExists("drivers\\VTPUSB.sys"));
    EXPECT_EQ(PrintersOnPort("USB_VT-R80_1"), std::vector<std::string>{"VT-R80(U) 1"});
}

// Any name the model page offers, however long; a parallel port asks the USB library nothing.
TEST_F(Unattended, QuietInstallsALongModelNameOnAParallelPortWithoutAUsbProbe) {
    const std::string name = "VT-R80-" + std::string(60, 'L');
    const std::string typeFile = kProgram + "DRVCONFIG\\setup_receipt_64.ini";
    for (const char* suffix : {".PORT", ".Win7"}) {
        char section[8192] = {};
        ASSERT_GT(GetPrivateProfileSectionA((std::string("VT-R80") + suffix).c_str(), section, sizeof section,
                                            typeFile.c_str()),
                  0u);
        ASSERT_TRUE(WritePrivateProfileSectionA((name + suffix).c_str(), section, typeFile.c_str()));
    }
    const std::string setupIni = kProgram + "DRVCONFIG\\setup.ini";
    WritePrivateProfileStringA("DEVICENAME", "DEVICENUMBER", "9", setupIni.c_str());
    WritePrivateProfileStringA("DEVICENAME", "DEVICENAME9", (name + "-ReceiptPrinter").c_str(), setupIni.c_str());
    const UnattendedRun run = Run("/quiet /accept-licence /model " + name + " /port LPT1:");
    EXPECT_EQ(run.exitCode, 0u) << run.journal;
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{name + "(P)"});
    EXPECT_EQ(UsbLog(), "<missing>") << "the device library was asked";
}

TEST_F(Unattended, PassiveShowsOnlyTheProgressWindowAndAnUnwritableJournalStopsNothing) {
    const UnattendedRun run = Run("/passive /accept-licence /model VT-R80 /port LPT2: /log C:\\no\\such\\folder\\j.log");
    EXPECT_EQ(run.exitCode, 0u);
    std::vector<std::string> windows = run.windows;
    // The system's input-method window comes with any thread that has a window.
    windows.erase(std::remove(windows.begin(), windows.end(), "IME"), windows.end());
    EXPECT_EQ(windows, std::vector<std::string>{"#32770"}) << "the progress window, and no message box";
    EXPECT_EQ(PrintersOnPort("LPT2:"), std::vector<std::string>{"VT-R80(P)"});
}

TEST_F(Unattended, AnEngineFailureEndsWith1603AndItsFailingLine) {
    char dataFile[200] = {};
    GetPrivateProfileStringA("VT-R80.Win7", "GDIDataFile", "", dataFile, sizeof dataFile,
                             (kProgram + "DRVCONFIG\\setup_receipt_64.ini").c_str());
    ASSERT_TRUE(DeleteFileA((kProgram + "W64\\" + dataFile).c_str())) << dataFile;
    const UnattendedRun run = Run("/quiet /accept-licence /model VT-R80 /port LPT1:");
    EXPECT_EQ(run.exitCode, 1603u) << run.journal;
    EXPECT_EQ(run.windows, std::vector<std::string>{});
    EXPECT_TRUE(Has(run.journal, std::string("Copying the driver files: Copy ") + kProgram + "W64\\" + dataFile))
        << run.journal;
    EXPECT_TRUE(Has(run.journal, "failed, error 2")) << run.journal;
    EXPECT_TRUE(Has(run.journal, "Step failed: Copying the driver files")) << run.journal;
    EXPECT_TRUE(PrintersOnPort("LPT1:").empty());
}

// Every refusal comes before anything is installed, with its exit code and the reason.
TEST_F(Unattended, RefusalsNameTheirReasonAndInstallNothing) {
    const std::string model = "/quiet /accept-licence /model VT-R80 ";
    const struct {
        std::string switches;
        DWORD exitCode;
        std::string reason;
    } cases[] = {
        {"/quiet /accept-licence /model VT-X999", 87, "/model: \"VT-X999\" is no model"},
        {model + "/port COM9:", 87, "/port: \"COM9:\" is not offered"},
        {"/quiet /accept-licence /model VT-T300 /port NET:", 87, "/ip: required for NET:"},
        {"/quiet /accept-licence /model VT-T300 /port NET: /ip 0.0.0.0", 87, "/ip: 0.0.0.0"},
        {"/quiet /model VT-R80 /port LPT1:", 87, "/accept-licence"},
        {model + "/port LPT1: /port LPT2:", 87, "/port: given twice"},
        {model + "/colour red", 87, "/colour: no such switch"},
        {model + "/port \"\"", 87, "/port: the value is empty"},
        {model + "/port " + std::string(10000, 'A'), 87, "/port: the value is 10000 characters long"},
        {model + "/baud fast", 87, "/baud: \"fast\""},
        {model + "/port LPT1: /baud 19200", 87, "only for a COM port"},
        {"/quiet /accept-licence /model " + std::string(199, 'M'), 87, "longer than any model name"},
        {model + "/port LPT\xB9:", 87, "/port: the value holds characters other than printable ASCII"},
        {"/accept-licence /model VT-R80", 87, "/quiet or /passive"},
    };
    for (const auto& c : cases) {
        const UnattendedRun run = Run(c.switches);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.switches.substr(0, 80) << "\n" << run.journal;
        EXPECT_TRUE(Has(run.journal, c.reason)) << c.reason << "\n" << run.journal;
        EXPECT_EQ(run.windows, std::vector<std::string>{}) << c.switches.substr(0, 80);
    }
    EXPECT_TRUE(LocalPrinters().empty() || PrintersOnPort("LPT1:").empty()) << "nothing was installed";

    // A second copy while the wizard runs.
    ASSERT_TRUE(wizard_.Start());
    ASSERT_NE(wizard_.WaitForWizard(), nullptr);
    const UnattendedRun second = Run(model + "/port LPT1:");
    EXPECT_EQ(second.exitCode, 1618u) << second.journal;
    EXPECT_TRUE(Has(second.journal, "another copy")) << second.journal;
    EXPECT_TRUE(PrintersOnPort("LPT1:").empty());
    wizard_.Kill();
}

// A /log naming a device is refused before anything opens it, no slower than any other
// refusal, and one naming a second name of a file before anything is written to it; the
// refusal goes to a default journal. A control character given in a switch is written escaped.
TEST_F(Unattended, ADeviceOrALinkAsJournalIsRefusedAndControlCharactersAreEscaped) {
    const std::string install = "/quiet /accept-licence /model VT-R80 /port LPT1: ";
    DWORD start = GetTickCount();
    const UnattendedRun plain = Run(install + "/colour red");
    const DWORD plainTime = GetTickCount() - start;
    ASSERT_EQ(plain.exitCode, 87u);
    for (const char* device : {"NUL", "COM1", "\\\\.\\pipe\\x"}) {
        start = GetTickCount();
        const UnattendedRun run = Run(install + "/log " + device);
        const DWORD time = GetTickCount() - start;
        EXPECT_EQ(run.exitCode, 87u) << device;
        EXPECT_LE(time, plainTime + 1000) << device << ": " << time << " ms, a plain refusal " << plainTime << " ms";
        const std::string journal = NewestJournal();
        EXPECT_TRUE(Has(journal, std::string("Refused: /log: \"") + device + "\"")) << journal;
    }
    // A second name of someone else's file: found when opened, refused unwritten.
    WriteBinaryFile(kProgram, "other.txt", "someone else's file");
    ASSERT_TRUE(CreateHardLinkA((kProgram + "linked.log").c_str(), (kProgram + "other.txt").c_str(), nullptr));
    const UnattendedRun linked = Run(install + "/log " + kProgram + "linked.log");
    EXPECT_EQ(linked.exitCode, 87u);
    EXPECT_EQ(ReadWholeFile(kProgram + "other.txt"), "someone else's file");
    EXPECT_TRUE(Has(NewestJournal(), "linked.log\" is a file with 2 hard links")) << NewestJournal();
    EXPECT_TRUE(PrintersOnPort("LPT1:").empty());

    const UnattendedRun escaped = Run("/quiet /accept-licence /model \"VT\x1b[2JR80\" /port LPT1:");
    EXPECT_EQ(escaped.exitCode, 87u);
    EXPECT_TRUE(Has(escaped.journal, "/model \"VT\\x1b[2JR80\"")) << escaped.journal;
    EXPECT_FALSE(Has(escaped.journal, "\x1b")) << escaped.journal;
}

// What a detection script or an administrator sees: a command's standard output (the
// inherited handle) and exit code.
struct Captured {
    DWORD exitCode = 0xDEADBEEF;
    std::string output;
};

Captured Capture(std::string command) {
    Captured captured;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return captured;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = write;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        kProgram.c_str(), &startup, &process);
    CloseHandle(write);
    if (started) {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0) captured.output.append(buffer, got);
        WaitForSingleObject(process.hProcess, 60 * 1000);
        GetExitCodeProcess(process.hProcess, &captured.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        ADD_FAILURE() << "cannot start " << command << ": " << GetLastError();
    }
    CloseHandle(read);
    return captured;
}

const std::string kRecords = "SOFTWARE\\VANTORA\\Printer Driver Setup\\Printers";
const std::string kIndex = "SOFTWARE\\VANTORA\\Printer Driver Setup\\Installed";

// The lines `reg query` prints for a key from the 64-bit view (or the one named), without
// their line ends and trailing blanks.
std::vector<std::string> RegQueryLines(const std::string& key, const char* view = "/reg:64") {
    std::vector<std::string> lines;
    const Captured reg = Capture("reg.exe query \"HKLM\\" + key + "\" " + view);
    std::size_t start = 0;
    while (start < reg.output.size()) {
        std::size_t end = reg.output.find('\n', start);
        if (end == std::string::npos) end = reg.output.size();
        std::string line = reg.output.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

// A key's values: name -> "TYPE data". Empty when the key is not there.
std::map<std::string, std::string> RegQuery(const std::string& key, const char* view = "/reg:64") {
    std::map<std::string, std::string> values;
    for (const std::string& line : RegQueryLines(key, view)) {
        if (line.rfind("    ", 0) != 0) continue;
        const std::size_t type = line.find("    REG_", 4);
        if (type == std::string::npos) continue;
        const std::string rest = line.substr(type + 4);
        const std::size_t gap = rest.find("    ");
        const std::string typeName = rest.substr(0, gap);
        values[line.substr(4, type - 4)] = typeName + " " + (gap == std::string::npos ? "" : rest.substr(gap + 4));
    }
    return values;
}

// The names of the key's subkeys.
std::vector<std::string> RegSubKeys(const std::string& key) {
    std::vector<std::string> names;
    const std::string prefix = "HKEY_LOCAL_MACHINE\\" + key + "\\";
    for (const std::string& line : RegQueryLines(key))
        if (line.size() > prefix.size() && line.compare(0, prefix.size(), prefix) == 0)
            names.push_back(line.substr(prefix.size()));
    return names;
}

bool SetRecordValue(const std::string& printer, const char* name, const char* value) {
    const std::string command = "reg.exe add \"HKLM\\" + kRecords + "\\" + printer + "\" /v " + name + " /d \"" +
                                value + "\" /f /reg:64";
    return Capture(command).exitCode == 0;
}

// The spooler's ports as EnumPorts lists them: name and monitor.
std::vector<std::pair<std::string, std::string>> SpoolerPorts() {
    std::vector<std::pair<std::string, std::string>> ports;
    DWORD needed = 0, count = 0;
    EnumPortsA(nullptr, 2, nullptr, 0, &needed, &count);
    std::string buffer(needed, '\0');
    if (needed == 0 || !EnumPortsA(nullptr, 2, reinterpret_cast<BYTE*>(buffer.data()), needed, &needed, &count))
        return ports;
    const auto* info = reinterpret_cast<const PORT_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        ports.emplace_back(info[i].pPortName ? info[i].pPortName : "", info[i].pMonitorName ? info[i].pMonitorName : "");
    return ports;
}

// The spooler's print processors for the 32-bit environment, one name per line.
std::string ListedPrintProcessors() {
    std::string names;
    char environment[] = "Windows NT x86";
    DWORD needed = 0, count = 0;
    EnumPrintProcessorsA(nullptr, environment, 1, nullptr, 0, &needed, &count);
    std::string buffer(needed, '\0');
    if (needed == 0 ||
        !EnumPrintProcessorsA(nullptr, environment, 1, reinterpret_cast<BYTE*>(buffer.data()), needed, &needed, &count))
        return names;
    const auto* info = reinterpret_cast<const PRINTPROCESSOR_INFO_1A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) names += std::string(info[i].pName ? info[i].pName : "") + "\n";
    return names;
}

class InstallRecords : public Unattended {
protected:
    static Captured Query(const std::string& switches) { return Capture("\"" + kProgram + "Setup.exe\" /query " + switches); }
    static std::map<std::string, std::string> Record(const std::string& printer) { return RegQuery(kRecords + "\\" + printer); }
    static std::string Value(const std::string& printer, const char* name) {
        const auto values = Record(printer);
        const auto found = values.find(name);
        return found == values.end() ? "<missing>" : found->second;
    }
    static void DeletePrinterByHand(const char* name) {
        HANDLE printer = nullptr;
        PRINTER_DEFAULTSA all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        ASSERT_TRUE(OpenPrinterA(const_cast<char*>(name), &printer, &all)) << name;
        EXPECT_TRUE(DeletePrinter(printer)) << GetLastError();
        ClosePrinter(printer);
    }
    static bool IsUtcTime(const std::string& value) {
        // "REG_SZ 2026-12-09 12:34:56"
        if (value.size() != 26 || value.compare(0, 7, "REG_SZ ") != 0) return false;
        const std::string time = value.substr(7);
        for (std::size_t i = 0; i < time.size(); ++i) {
            const char expected = i == 4 || i == 7 ? '-' : i == 10 ? ' ' : i == 13 || i == 16 ? ':' : '9';
            if (expected == '9' ? (time[i] < '0' || time[i] > '9') : time[i] != expected) return false;
        }
        return true;
    }
    const std::string lpt1_ = "/quiet /accept-licence /model VT-R80 /port LPT1:";
};

TEST_F(InstallRecords, AQuietInstallationLeavesItsRecordAndIndexAndQueryAnswersFromThem) {
    const Captured before = Query("");
    EXPECT_EQ(before.exitCode, 1605u);
    EXPECT_EQ(before.output, "");

    const UnattendedRun run = Run(lpt1_);
    ASSERT_EQ(run.exitCode, 0u) << run.journal;
    std::map<std::string, std::string> record = Record("VT-R80(P)");
    EXPECT_TRUE(IsUtcTime(record["InstalledAt"])) << record["InstalledAt"];
    // Where the spooler keeps this 32-bit driver, as it names the files itself.
    std::string files = record["DriverFiles"];
    CharLowerBuffA(files.data(), static_cast<DWORD>(files.size()));
    EXPECT_EQ(files.rfind("reg_multi_sz c:\\windows\\system32\\spool\\drivers\\w32x86\\3\\", 0), 0u) << files;
    for (const char* file : {"\\3\\vtgdi64.dll\\0", "\\3\\vtr80.vtd\\0", "\\3\\vtgdiu64.dll\\0", "\\3\\vtgdi.hlp"})
        EXPECT_NE(files.find(file), std::string::npos) << file << " in " << files;
    record.erase("InstalledAt");
    record.erase("DriverFiles");
    const std::map<std::string, std::string> expected = {
        {"Model", "REG_SZ VT-R80"},
        {"PrinterType", "REG_SZ receipt"},
        {"Driver", "REG_SZ Vantora VT-R80 Receipt"},
        {"DriverEnvironments", "REG_MULTI_SZ Windows NT x86"},
        {"Port", "REG_SZ LPT1:"},
        {"PortKind", "REG_SZ parallel"},
        {"NetworkAddress", "REG_SZ "},
        {"PortCreated", "REG_DWORD 0x0"},
        {"UsbPortName", "REG_SZ "},
        {"UsbPrinterPort", "REG_SZ "},
        {"SerialSettings", "REG_SZ "},
        {"SerialSettingsBefore", "REG_SZ "},
        {"PortMonitor", "REG_SZ "},
        {"PortMonitorEnvironments", "REG_MULTI_SZ "},
        {"PortMonitorAdded", "REG_DWORD 0x0"},
        {"LanguageMonitor", "REG_SZ "},
        {"LanguageMonitorEnvironments", "REG_MULTI_SZ "},
        {"LanguageMonitorAdded", "REG_DWORD 0x0"},
        {"PrintProcessor", "REG_SZ VantoraPrint"},
        {"PrintProcessorEnvironments", "REG_MULTI_SZ Windows NT x86"},
        {"PrintProcessorAdded", "REG_DWORD 0x1"},
        {"DefaultPrinter", "REG_DWORD 0x0"},
        {"SetupVersion", "REG_SZ 1.0.0.0"},
        {"DistributionVersion", "REG_SZ 3.2.0.1"},
        {"Journal", "REG_SZ C:\\e2e\\journal.log"},
    };
    EXPECT_EQ(record, expected);
    EXPECT_EQ(RegQuery(kIndex + "\\VT-R80\\LPT1:"),
              (std::map<std::string, std::string>{{"Printer", "REG_SZ VT-R80(P)"},
                                                  {"DistributionVersion", "REG_SZ 3.2.0.1"}}));
    EXPECT_TRUE(Has(run.journal, "Record the installation under HKLM\\" + kRecords + "\\VT-R80(P) and HKLM\\" +
                                     kIndex + "\\VT-R80\\LPT1:: done"))
        << run.journal;

    const Captured found = Query("/model vt-r80");
    EXPECT_EQ(found.exitCode, 0u);
    EXPECT_EQ(found.output, "VT-R80(P)|VT-R80|LPT1:|3.2.0.1\r\n");
    EXPECT_EQ(Query("/port LPT1: /model VT-R80").exitCode, 0u);
    EXPECT_EQ(Query("/model VT-R80 /port LPT2:").exitCode, 1605u);
    EXPECT_EQ(Query("/model VT-R80 /quiet").exitCode, 87u) << "/query is a mode of its own";

    // Edited by hand, the record is no record: never a crash, and nothing found.
    for (const char* name : {"PortKind", "Model"}) {
        ASSERT_TRUE(SetRecordValue("VT-R80(P)", name, name == std::string("PortKind") ? "floppy" : ""));
        const Captured edited = Query("/model VT-R80");
        EXPECT_EQ(edited.exitCode, 1605u) << name;
        EXPECT_EQ(edited.output, "") << name;
    }
    ASSERT_TRUE(SetRecordValue("VT-R80(P)", "PortKind", "parallel"));
    ASSERT_EQ(Capture("reg.exe delete \"HKLM\\" + kRecords + "\\VT-R80(P)\" /v Model /f /reg:64").exitCode, 0u);
    EXPECT_EQ(Query("").exitCode, 1605u) << "a value missing";
    // The next run says so, then adopts the printer as one without a record.
    const UnattendedRun again = Run(lpt1_);
    EXPECT_EQ(again.exitCode, 0u) << again.journal;
    EXPECT_TRUE(Has(again.journal, "Install record ignored, it is no record of ours: VT-R80(P): Model is missing"))
        << again.journal;
    EXPECT_TRUE(Has(again.journal, "has no install record: adopted and repaired")) << again.journal;
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{"VT-R80(P)"});
    EXPECT_EQ(Value("VT-R80(P)", "Model"), "REG_SZ VT-R80");
}

TEST_F(InstallRecords, TheSameQuietCommandTwiceRepairsAndNewPrinterAddsAnother) {
    const UnattendedRun first = Run(lpt1_);
    ASSERT_EQ(first.exitCode, 0u) << first.journal;
    const std::string firstTime = Value("VT-R80(P)", "InstalledAt");
    Sleep(1100);
    const UnattendedRun second = Run(lpt1_);
    EXPECT_EQ(second.exitCode, 0u) << second.journal;
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{"VT-R80(P)"});
    EXPECT_TRUE(Has(second.journal, "Outcome: already installed as VT-R80(P): repaired")) << second.journal;
    EXPECT_TRUE(Has(second.journal, "Keep printer \"VT-R80(P)\" on port LPT1: with driver Vantora VT-R80 Receipt: done"))
        << second.journal;
    EXPECT_NE(Value("VT-R80(P)", "InstalledAt"), firstTime);
    EXPECT_EQ(Value("VT-R80(P)", "PrintProcessorAdded"), "REG_DWORD 0x1") << "found present now, added by the first run";
    EXPECT_EQ(RegSubKeys(kRecords), std::vector<std::string>{"VT-R80(P)"});

    const UnattendedRun another = Run(lpt1_ + " /new-printer");
    EXPECT_EQ(another.exitCode, 0u) << another.journal;
    std::vector<std::string> printers = PrintersOnPort("LPT1:");
    std::sort(printers.begin(), printers.end());
    EXPECT_EQ(printers, (std::vector<std::string>{"VT-R80(P)", "VT-R80(P)(1)"}));
    std::vector<std::string> records = RegSubKeys(kRecords);
    std::sort(records.begin(), records.end());
    EXPECT_EQ(records, (std::vector<std::string>{"VT-R80(P)", "VT-R80(P)(1)"}));
    EXPECT_EQ(RegQuery(kIndex + "\\VT-R80\\LPT1:")["Printer"], "REG_SZ VT-R80(P)") << "the first printer";
    const Captured both = Query("/model VT-R80");
    EXPECT_EQ(both.exitCode, 0u);
    EXPECT_TRUE(Has(both.output, "VT-R80(P)(1)|VT-R80|LPT1:|3.2.0.1\r\n")) << both.output;
}

TEST_F(InstallRecords, AGonePrinterIsInstalledAnewAndOneLeftWithoutARecordIsAdopted) {
    ASSERT_EQ(Run(lpt1_).exitCode, 0u);
    const std::string firstTime = Value("VT-R80(P)", "InstalledAt");
    DeletePrinterByHand("VT-R80(P)");
    EXPECT_EQ(Query("/model VT-R80").exitCode, 1605u) << "a record without its printer";
    Sleep(1100);
    const UnattendedRun anew = Run(lpt1_);
    EXPECT_EQ(anew.exitCode, 0u) << anew.journal;
    EXPECT_TRUE(Has(anew.journal, "Printer \"VT-R80(P)\" is recorded but no longer exists: installed anew")) << anew.journal;
    EXPECT_TRUE(Has(anew.journal, "Add printer \"VT-R80(P)\" on port LPT1:")) << anew.journal;
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{"VT-R80(P)"});
    EXPECT_NE(Value("VT-R80(P)", "InstalledAt"), firstTime) << "the record replaced";
    EXPECT_EQ(Query("/model VT-R80").exitCode, 0u);

    // The process ended after adding its printer, before its record.
    ASSERT_EQ(Capture("reg.exe delete \"HKLM\\SOFTWARE\\VANTORA\\Printer Driver Setup\" /f /reg:64").exitCode, 0u);
    const UnattendedRun adopted = Run(lpt1_);
    EXPECT_EQ(adopted.exitCode, 0u) << adopted.journal;
    EXPECT_TRUE(Has(adopted.journal, "Printer \"VT-R80(P)\" on LPT1: with driver Vantora VT-R80 Receipt has no install "
                                     "record: adopted and repaired"))
        << adopted.journal;
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{"VT-R80(P)"});
    EXPECT_EQ(RegSubKeys(kRecords), std::vector<std::string>{"VT-R80(P)"});
}

// The text the port had before the first installation is the one the record keeps; a
// re-run applies other values and the default printer.
TEST_F(InstallRecords, ASerialRecordKeepsTheTextFromBeforeAndARerunAppliesNewValues) {
    const std::string ports = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
    CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, ports.c_str());
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, ports.c_str()));
    ASSERT_TRUE(key.SetString("COM2:", "4800,o,8,1"));
    const std::string serial = "/quiet /accept-licence /model VT-T300 /port COM2: ";
    const UnattendedRun first = Run(serial + "/baud 19200 /parity even /databits 7");
    ASSERT_EQ(first.exitCode, 0u) << first.journal;
    EXPECT_EQ(Value("VT-T300(S)", "SerialSettings"), "REG_SZ 19200,e,7,1,p");
    EXPECT_EQ(Value("VT-T300(S)", "SerialSettingsBefore"), "REG_SZ 4800,o,8,1");
    EXPECT_EQ(Value("VT-T300(S)", "PortKind"), "REG_SZ serial");
    // 64-bit Windows brings its own serial port support: no port monitor of ours.
    EXPECT_EQ(Value("VT-T300(S)", "PortMonitor"), "REG_SZ ");
    EXPECT_EQ(Value("VT-T300(S)", "DefaultPrinter"), "REG_DWORD 0x0");

    const UnattendedRun second = Run(serial + "/baud 38400 /default");
    EXPECT_EQ(second.exitCode, 0u) << second.journal;
    EXPECT_EQ(PrintersOnPort("COM2:"), std::vector<std::string>{"VT-T300(S)"});
    EXPECT_EQ(ReadStringValue(ports, "COM2:"), "38400,n,8,1,p");
    EXPECT_EQ(Value("VT-T300(S)", "SerialSettings"), "REG_SZ 38400,n,8,1,p");
    EXPECT_EQ(Value("VT-T300(S)", "SerialSettingsBefore"), "REG_SZ 4800,o,8,1") << "not the first run's text";
    EXPECT_EQ(Value("VT-T300(S)", "DefaultPrinter"), "REG_DWORD 0x1");
    char defaultPrinter[260] = {};
    DWORD size = sizeof defaultPrinter;
    ASSERT_TRUE(GetDefaultPrinterA(defaultPrinter, &size));
    EXPECT_STREQ(defaultPrinter, "VT-T300(S)");
}

TEST_F(InstallRecords, ANetworkRecordHoldsTheAddressAndThatThePortWasCreated) {
    AddStandardTcpIpMonitor();
    const std::string network = "/quiet /accept-licence /model VT-T300 /port NET: /ip 10.0.0.5";
    ASSERT_EQ(Run(network).exitCode, 0u);
    EXPECT_EQ(Value("VT-T300(E)", "Port"), "REG_SZ IP_10.0.0.5");
    EXPECT_EQ(Value("VT-T300(E)", "PortKind"), "REG_SZ network");
    EXPECT_EQ(Value("VT-T300(E)", "NetworkAddress"), "REG_SZ 10.0.0.5");
    EXPECT_EQ(Value("VT-T300(E)", "PortCreated"), "REG_DWORD 0x1");
    EXPECT_EQ(RegQuery(kIndex + "\\VT-T300\\IP_10.0.0.5")["Printer"], "REG_SZ VT-T300(E)");
    // The port exists now; it is still this program's.
    const UnattendedRun again = Run(network);
    EXPECT_EQ(again.exitCode, 0u) << again.journal;
    EXPECT_TRUE(Has(again.journal, "already installed as VT-T300(E): repaired")) << again.journal;
    EXPECT_EQ(Value("VT-T300(E)", "PortCreated"), "REG_DWORD 0x1");
    EXPECT_EQ(Query("/port IP_10.0.0.5").output, "VT-T300(E)|VT-T300|IP_10.0.0.5|3.2.0.1\r\n");
}

// Without a Version the record carries Setup.exe's own; a failed re-run leaves the record
// as the last success wrote it.
TEST_F(InstallRecords, WithoutAVersionTheProgramsOwnAndAFailureLeavesTheRecordAlone) {
    WritePrivateProfileStringA("DEVICENAME", "Version", nullptr, (kProgram + "DRVCONFIG\\setup.ini").c_str());
    ASSERT_EQ(Run(lpt1_).exitCode, 0u);
    const std::map<std::string, std::string> before = Record("VT-R80(P)");
    EXPECT_EQ(before.at("DistributionVersion"), "REG_SZ 1.0.0.0");
    EXPECT_EQ(RegQuery(kIndex + "\\VT-R80\\LPT1:")["DistributionVersion"], "REG_SZ 1.0.0.0");

    char dataFile[200] = {};
    GetPrivateProfileStringA("VT-R80.Win7", "GDIDataFile", "", dataFile, sizeof dataFile,
                             (kProgram + "DRVCONFIG\\setup_receipt_64.ini").c_str());
    ASSERT_TRUE(DeleteFileA((kProgram + "W64\\" + dataFile).c_str())) << dataFile;
    Sleep(1100);
    for (const char* extra : {"", " /new-printer"}) {
        const UnattendedRun failed = Run(lpt1_ + extra);
        EXPECT_EQ(failed.exitCode, 1603u) << failed.journal;
        EXPECT_FALSE(Has(failed.journal, "Record the installation")) << failed.journal;
        EXPECT_EQ(Record("VT-R80(P)"), before) << extra;
        EXPECT_EQ(RegSubKeys(kRecords), std::vector<std::string>{"VT-R80(P)"}) << extra;
    }
}

// Uninstall.exe after the real Setup.exe: what the record lists comes off again, nothing else.
class Uninstalling : public InstallRecords {
protected:
    // As a deployment tool starts it: the command line, a journal of its own.
    static UnattendedRun Uninstall(const std::string& command) {
        const std::string journal = kProgram + "uninstall.log";
        DeleteFileA(journal.c_str());
        UnattendedRun run;
        run.exitCode = Capture(command + " /log \"" + journal + "\"").exitCode;
        run.journal = ReadWholeFile(journal);
        return run;
    }
    static UnattendedRun UninstallHere(const std::string& switches) {
        return Uninstall("\"" + kProgram + "Uninstall.exe\" " + switches);
    }
    static bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
    static std::string PendingDeletions() {
        return RegQuery("SYSTEM\\CurrentControlSet\\Control\\Session Manager")["PendingFileRenameOperations"];
    }
    const std::string entryKey_ = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VANTORA Printer Driver Setup";
    const std::string copy_ = "C:\\Program Files (x86)\\VANTORA Printer Driver Setup";
};

const std::vector<std::string> kRemovalSteps = {
    "Step: Removing the printer",
    "Step done: Removing the printer",
    "Step: Removing the printer driver",
    "Step done: Removing the printer driver",
    "Step: Removing the port",
    "Step done: Removing the port",
    "Step: Removing the port monitors and the print processor",
    "Step done: Removing the port monitors and the print processor",
    "Step: Removing the install record",
    "Step done: Removing the install record",
};

TEST_F(Uninstalling, TheEntrysQuietCommandTakesAQuietParallelInstallationOffWhole) {
    EXPECT_EQ(UninstallHere("/quiet /all").exitCode, 1605u) << "nothing recorded";
    EXPECT_EQ(UninstallHere("/quiet /all /printer X").exitCode, 87u);
    EXPECT_EQ(UninstallHere("/quiet /bogus").exitCode, 87u);

    ASSERT_EQ(Run(lpt1_).exitCode, 0u);
    std::map<std::string, std::string> entry = RegQuery(entryKey_, "/reg:32");
    const std::string program = "\"" + copy_ + "\\Uninstall.exe\"";
    EXPECT_EQ(entry["UninstallString"], "REG_SZ " + program);
    EXPECT_EQ(entry["QuietUninstallString"], "REG_SZ " + program + " /quiet /all");
    EXPECT_EQ(entry["DisplayVersion"], "REG_SZ 3.2.0.1");
    EXPECT_EQ(entry["InstallLocation"], "REG_SZ " + copy_);
    EXPECT_EQ(entry["NoModify"], "REG_DWORD 0x1");
    EXPECT_EQ(entry["NoRepair"], "REG_DWORD 0x1");
    EXPECT_EQ(entry["InstallDate"].size(), std::string("REG_SZ 20261209").size()) << entry["InstallDate"];
    EXPECT_NE(entry["EstimatedSize"], "REG_DWORD 0x0");
    EXPECT_TRUE(RegQuery(entryKey_).empty()) << "the 32-bit view only";
    EXPECT_TRUE(Exists(copy_ + "\\Uninstall.exe"));
    EXPECT_TRUE(Exists(copy_ + "\\language\\setup.ini"));
    // One name not recorded: the recorded one beside it is not touched either.
    const UnattendedRun unknown = UninstallHere("/quiet /printer VT-R80(P) /printer Nobody");
    EXPECT_EQ(unknown.exitCode, 1605u) << unknown.journal;
    EXPECT_TRUE(Has(unknown.journal, "/printer: \"Nobody\" is not recorded")) << unknown.journal;
    EXPECT_FALSE(Has(unknown.journal, "Step:")) << unknown.journal;
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{"VT-R80(P)"}) << "nothing touched";
    EXPECT_EQ(RegSubKeys(kRecords), std::vector<std::string>{"VT-R80(P)"});
    EXPECT_TRUE(ReadDriver("Vantora VT-R80 Receipt").found);

    const UnattendedRun removed = Uninstall(entry["QuietUninstallString"].substr(7));
    EXPECT_EQ(removed.exitCode, 0u) << removed.journal;
    EXPECT_EQ(Steps(removed.journal), kRemovalSteps) << removed.journal;
    for (const char* line : {"Delete printer \"VT-R80(P)\": done", "Printer driver \"Vantora VT-R80 Receipt\" removed: done",
                             "print processor \"VantoraPrint\" removed: done",
                             "Delete HKLM\\SOFTWARE\\VANTORA\\Printer Driver Setup\\Installed\\VT-R80\\LPT1:: done",
                             "Exit code 0"})
        EXPECT_TRUE(Has(removed.journal, line)) << line << "\n" << removed.journal;
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{});
    EXPECT_FALSE(ReadDriver("Vantora VT-R80 Receipt").found);
    EXPECT_EQ(RegSubKeys(kRecords), std::vector<std::string>{});
    EXPECT_TRUE(RegQuery(kIndex + "\\VT-R80\\LPT1:").empty());
    EXPECT_TRUE(RegQuery(entryKey_, "/reg:32").empty());
    EXPECT_FALSE(Exists(copy_ + "\\language\\setup.ini"));
    EXPECT_TRUE(Has(removed.journal, "and its folder handed to ")) << removed.journal;
    // The copy from the temporary folder deletes the installed one once its process has ended.
    for (int waited = 0; waited < 100 && Exists(copy_); ++waited) Sleep(100);
    EXPECT_FALSE(Exists(copy_));
    const std::string pending = PendingDeletions();
    EXPECT_FALSE(Has(pending, "VANTORA Printer Driver Setup")) << pending;
    EXPECT_TRUE(Has(pending, "PrinterDriverUninstall-")) << "the temporary copy goes at restart: " << pending;
}

TEST_F(Uninstalling, OfTwoPrintersOfOneModelTheFirstKeepsTheDriverTheSecondTakesItAndRestoresTheSerialText) {
    const std::string ports = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
    CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, ports.c_str());
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, ports.c_str()));
    ASSERT_TRUE(key.SetString("COM2:", "4800,o,8,1"));
    ASSERT_EQ(Run("/quiet /accept-licence /model VT-R80 /port COM2: /baud 19200").exitCode, 0u);
    ASSERT_EQ(Run(lpt1_).exitCode, 0u);
    ASSERT_EQ(ReadStringValue(ports, "COM2:"), "19200,n,8,1,p");

    const UnattendedRun first = UninstallHere("/quiet /printer vt-r80(s)");
    EXPECT_EQ(first.exitCode, 0u) << first.journal;
    EXPECT_EQ(PrintersOnPort("COM2:"), std::vector<std::string>{});
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{"VT-R80(P)"});
    EXPECT_TRUE(ReadDriver("Vantora VT-R80 Receipt").found);
    EXPECT_TRUE(Has(first.journal, "Printer driver \"Vantora VT-R80 Receipt\" left in place: used by printer VT-R80(P)"))
        << first.journal;
    EXPECT_EQ(ReadStringValue(ports, "COM2:"), "4800,o,8,1");
    EXPECT_EQ(RegSubKeys(kRecords), std::vector<std::string>{"VT-R80(P)"});
    EXPECT_EQ(Value("VT-R80(P)", "PrintProcessorAdded"), "REG_DWORD 0x1");
    EXPECT_FALSE(RegQuery("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VANTORA Printer Driver Setup",
                          "/reg:32").empty()) << "a printer is left";

    const UnattendedRun second = UninstallHere("/quiet /printer VT-R80(P)");
    EXPECT_EQ(second.exitCode, 0u) << second.journal;
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{});
    EXPECT_FALSE(ReadDriver("Vantora VT-R80 Receipt").found);
    EXPECT_EQ(RegSubKeys(kRecords), std::vector<std::string>{});
}

TEST_F(Uninstalling, ANetworkPortGoesThroughTheMonitorsDeletePort) {
    AddStandardTcpIpMonitor();
    ASSERT_EQ(Run("/quiet /accept-licence /model VT-T300 /port NET: /ip 10.0.0.5").exitCode, 0u);
    const UnattendedRun removed = UninstallHere("/quiet /all");
    EXPECT_EQ(removed.exitCode, 0u) << removed.journal;
    EXPECT_EQ(PrintersOnPort("IP_10.0.0.5"), std::vector<std::string>{});
    const std::string log = ReadWholeFile(FolderOf(GetSystemDirectoryA) + "TCPMONFX.LOG");
    EXPECT_TRUE(Has(log, "XcvDataPort DeletePort size=236")) << log;
    EXPECT_TRUE(Has(removed.journal, "Delete network port IP_10.0.0.5")) << removed.journal;
}

// The USB port is the USB monitor's: only this program's values about it go.
TEST_F(Uninstalling, AUsbPrintersOwnValuesGoAndTheUsbMonitorKeepsItsPort) {
    InstallUsbDriver();
    ConnectUsbPrinters("0 9\n");
    // The monitor lists its port, as the device's monitor does on Windows.
    WriteTextFile(FolderOf(GetSystemDirectoryA), "VTUSBMON.DLL.ports", "Vantora USB Port\nUSB_VT-R80_1\n");
    const auto usbPort = std::make_pair(std::string("USB_VT-R80_1"), std::string("Vantora USB Port"));
    ASSERT_EQ(Run("/quiet /accept-licence /model VT-R80 /port USB_VT-R80_1 /renumber").exitCode, 0u);
    ASSERT_EQ(RegQuery("SOFTWARE\\VANTORA\\PORTNAME").count("USB_VT-R80_1"), 1u);
    ASSERT_EQ(RegQuery("SOFTWARE\\VANTORA\\PRINTERPORT").count("USB_VT-R80_1"), 1u);
    const auto before = SpoolerPorts();
    ASSERT_NE(std::find(before.begin(), before.end(), usbPort), before.end()) << "the monitor's port is listed";

    const UnattendedRun removed = UninstallHere("/quiet /all");
    EXPECT_EQ(removed.exitCode, 0u) << removed.journal;
    EXPECT_EQ(PrintersOnPort("USB_VT-R80_1"), std::vector<std::string>{});
    EXPECT_EQ(RegQuery("SOFTWARE\\VANTORA\\PORTNAME").count("USB_VT-R80_1"), 0u);
    EXPECT_EQ(RegQuery("SOFTWARE\\VANTORA\\PRINTERPORT").count("USB_VT-R80_1"), 0u);
    const auto after = SpoolerPorts();
    EXPECT_NE(std::find(after.begin(), after.end(), usbPort), after.end()) << "the USB monitor's port is untouched";
    EXPECT_TRUE(Has(removed.journal, "port monitor \"Vantora USB Port\" left in place: used by port USB_VT-R80_1"))
        << removed.journal;
    EXPECT_EQ(RegSubKeys(kRecords), std::vector<std::string>{});
}

// A printer added by hand is no record's, and what it uses stays.
TEST_F(Uninstalling, AProcessorAPrinterAddedByHandUsesIsLeftInPlace) {
    ASSERT_EQ(Run(lpt1_).exitCode, 0u);
    PRINTER_INFO_2A added = {};
    added.pPrinterName = const_cast<char*>("Added by hand");
    added.pPortName = const_cast<char*>("LPT2:");
    added.pDriverName = const_cast<char*>("Vantora VT-R80 Receipt");
    added.pPrintProcessor = const_cast<char*>("VantoraPrint");
    added.pDatatype = const_cast<char*>("RAW");
    HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&added));
    ASSERT_NE(printer, nullptr) << GetLastError();
    ClosePrinter(printer);

    const UnattendedRun removed = UninstallHere("/quiet /all");
    EXPECT_EQ(removed.exitCode, 0u) << removed.journal;
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{});
    EXPECT_EQ(PrintersOnPort("LPT2:"), std::vector<std::string>{"Added by hand"});
    EXPECT_TRUE(Has(removed.journal, "print processor \"VantoraPrint\" left in place: used by printer Added by hand"))
        << removed.journal;
    EXPECT_TRUE(Has(removed.journal, "Printer driver \"Vantora VT-R80 Receipt\" left in place: used by printer Added by hand"))
        << removed.journal;
    EXPECT_NE(ListedPrintProcessors().find("VantoraPrint"), std::string::npos) << ListedPrintProcessors();
    EXPECT_TRUE(ReadDriver("Vantora VT-R80 Receipt").found);
    EXPECT_EQ(RegSubKeys(kRecords), std::vector<std::string>{});
}

// The uninstaller at work (its lock held here, under the name both programs take): the
// wizard's Install says so and stays on its page, and installs once the lock is let go.
TEST_F(Uninstalling, TheWizardsInstallRefusesWhileTheUninstallerIsAtWork) {
    HANDLE lock = CreateMutexA(nullptr, TRUE, "Global\\VANTORA Printer Driver Setup installing or removing");
    ASSERT_NE(lock, nullptr) << GetLastError();
    ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    char close[512] = {};
    GetPrivateProfileStringA("Setup", "Close", "", close, sizeof close, (kProgram + "language\\setup.ini").c_str());
    std::string expected = close;
    ASSERT_NE(expected.find("\\1"), std::string::npos) << expected;
    expected.replace(expected.find("\\1"), 2, "\r\n");

    WalkToPortPage(kReceiptR80);
    ASSERT_TRUE(wizard_.Choose(IDC_PORT_LIST, "LPT1:"));
    EXPECT_EQ(Install(), expected);
    Answer(IDOK);
    ExpectWizardStays();
    EXPECT_TRUE(PrintersOnPort("LPT1:").empty());

    ReleaseMutex(lock);
    CloseHandle(lock);
    wizard_.Press(IDOK);
    ExpectClosingMessageAndEnd(Message("IDS_INF_NTRESTART"));
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{"VT-R80(P)"});
    const std::string journal = NewestJournal();
    EXPECT_LT(journal.find("Install refused: the uninstaller is removing printers"), journal.find("Installation succeeded"))
        << journal;
}

TEST_F(Uninstalling, PassiveShowsOnlyTheProgressWindowAndTwoPrintersGoInOneRun) {
    ASSERT_EQ(Run(lpt1_).exitCode, 0u);
    ASSERT_EQ(Run("/quiet /accept-licence /model VT-T300 /port LPT2:").exitCode, 0u);
    const UnattendedRun run = Run("/passive /printer VT-R80(P) /printer VT-T300(P)", "Uninstall.exe");
    EXPECT_EQ(run.exitCode, 0u) << run.journal;
    std::vector<std::string> windows = run.windows;
    windows.erase(std::remove(windows.begin(), windows.end(), "IME"), windows.end());
    EXPECT_EQ(windows, std::vector<std::string>{"#32770"}) << "the progress window, and no message box";
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{});
    EXPECT_EQ(PrintersOnPort("LPT2:"), std::vector<std::string>{});
    EXPECT_TRUE(Has(run.journal, "Printer 2 of 2: \"VT-T300(P)\"")) << run.journal;
    EXPECT_EQ(RegSubKeys(kRecords), std::vector<std::string>{});
}

TEST_F(Uninstalling, TheChineseTextsGiveTheChineseTitle) {
    ASSERT_EQ(Run(lpt1_).exitCode, 0u);
    ASSERT_TRUE(CopyFileA((kProgram + "language\\setup_chs.ini").c_str(), (kProgram + "language\\setup.ini").c_str(), FALSE));
    ASSERT_TRUE(WritePrivateProfileStringA("DEVICENAME", "LANGUAGE", "0", (kProgram + "DRVCONFIG\\setup.ini").c_str()));
    WizardDriver uninstaller(kProgram, "Uninstall.exe");
    ASSERT_TRUE(uninstaller.Start());
    // "打印机卸载程序" in GBK, the title Setup.exe looks for.
    HWND window = uninstaller.WaitForWindow("\xB4\xF2\xD3\xA1\xBB\xFA\xD0\xB6\xD4\xD8\xB3\xCC\xD0\xF2");
    ASSERT_NE(window, nullptr) << "the Chinese title";
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(uninstaller.WaitForExit(), std::optional<DWORD>(1602u)) << "closed without removing";
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{"VT-R80(P)"});
}

TEST_F(Uninstalling, EachProgramRefusesWhileTheOtherIsOpenAndTheWindowListsTheRecordedPrinters) {
    ASSERT_EQ(Run(lpt1_).exitCode, 0u);
    // The wizard open: the uninstaller changes nothing.
    ASSERT_TRUE(wizard_.Start());
    ASSERT_NE(wizard_.WaitForWizard(), nullptr);
    const UnattendedRun refused = UninstallHere("/quiet /all");
    EXPECT_EQ(refused.exitCode, 1618u) << refused.journal;
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{"VT-R80(P)"});
    wizard_.Kill();

    // The uninstaller's window open: Setup.exe refuses at start-up with [Setup] Close.
    WizardDriver uninstaller(kProgram, "Uninstall.exe");
    ASSERT_TRUE(uninstaller.Start());
    HWND window = uninstaller.WaitForWindow("Uninstall");
    ASSERT_NE(window, nullptr) << "the uninstaller's window";
    HWND list = GetDlgItem(window, IDC_UNINSTALL_LIST);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK,
              INDEXTOSTATEIMAGEMASK(2)) << "checked";
    WizardDriver::Screenshot(ProgramFolder() + "uninstall-window.bmp");
    const UnattendedRun setup = Run(lpt1_);
    EXPECT_EQ(setup.exitCode, 1618u) << setup.journal;
    EXPECT_TRUE(Has(setup.journal, "Start-up refused: [Setup] Close")) << setup.journal;

    // Remove: the closing message says what went.
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    const auto box = uninstaller.WaitForMessageBox(2 * 60 * 1000);
    ASSERT_TRUE(box.has_value()) << "no closing message";
    WizardDriver::Screenshot(ProgramFolder() + "uninstall-closing.bmp");
    EXPECT_TRUE(Has(box->text, "Printer VT-R80(P)")) << box->text;
    EXPECT_TRUE(Has(box->text, "Printer driver Vantora VT-R80 Receipt")) << box->text;
    ASSERT_TRUE(uninstaller.Answer(*box, IDOK));
    EXPECT_EQ(uninstaller.WaitForExit(), std::optional<DWORD>(0u));
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{});
}

// Windows 10 with the distribution's opt-in installs as Windows 7 and says so; without it,
// the platform is not supported.
class UnattendedWindows10 : public Unattended {};

TEST_F(UnattendedWindows10, QuietInstallsAsTheWindows7FamilyOnlyWithTheSwitch) {
    const UnattendedRun run = Run("/quiet /accept-licence /model VT-R80 /port LPT1:");
    EXPECT_EQ(run.exitCode, 0u) << run.journal;
    EXPECT_EQ(run.windows, std::vector<std::string>{});
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{"VT-R80(P)"});
    EXPECT_TRUE(Has(run.journal, "Windows: Windows 10 (build " + RealWindowsBuild() +
                                     "), installed as the Windows 7 family (NewerWindows)"))
        << run.journal;

    SetNewerWindows(nullptr);
    const UnattendedRun refused = Run("/quiet /accept-licence /model VT-R80 /port LPT2:");
    EXPECT_EQ(refused.exitCode, 1633u) << refused.journal;
    EXPECT_EQ(refused.windows, std::vector<std::string>{});
    EXPECT_TRUE(Has(refused.journal, "Start-up refused: [Setup] Nonsupport")) << refused.journal;
    EXPECT_TRUE(PrintersOnPort("LPT2:").empty());
}

// Windows 7 32-bit: the language and serial monitors' path.
TEST_F(Unattended, QuietParallelInstallOnWin32AndAPackageFor64BitOnly) {
    const UnattendedRun run = Run("/quiet /accept-licence /model VT-R80 /port LPT1:");
    EXPECT_EQ(run.exitCode, 0u) << run.journal;
    EXPECT_EQ(run.windows, std::vector<std::string>{});
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{"VT-R80(P)"});
    EXPECT_TRUE(Has(run.journal, "32-bit Windows")) << run.journal;
    EXPECT_TRUE(Has(run.journal, "Copy " + kProgram + "W32\\")) << run.journal;

    WritePrivateProfileStringA("DEVICENAME", "Supported32OR64", "2", (kProgram + "DRVCONFIG\\setup.ini").c_str());
    const UnattendedRun refused = Run("/quiet /accept-licence /model VT-R80 /port LPT2:");
    EXPECT_EQ(refused.exitCode, 1633u) << refused.journal;
    EXPECT_TRUE(Has(refused.journal, "Start-up refused: [Message] IDS_X32")) << refused.journal;
    EXPECT_TRUE(PrintersOnPort("LPT2:").empty());
}

// Wine reporting Windows 10 on a 64-bit prefix; the sample distribution opts in.
class EndToEndWindows10 : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        detectedWindows_ = "Windows 10 (build " + RealWindowsBuild() + ")";
    }
};

TEST_F(EndToEndWindows10, TypicalParallelInstallsAsWindows7WithThe64BitFiles) {
    ExpectTypicalParallelInstallAsWindows7("DRVCONFIG\\setup_receipt_64.ini", "VTGDI64.DLL");
}

TEST_F(EndToEndWindows10, TypicalUsbInstallsTheX64UsbDriverFirst) {
    const std::string driver = "Vantora VT-R80 USB as Windows 7";
    ASSERT_TRUE(WritePrivateProfileStringA("VT-R80.Win7", "DriverNameU", driver.c_str(),
                                           (kProgram + "DRVCONFIG\\setup_receipt_64.ini").c_str()));
    WalkToPortPage(kReceiptR80);
    EXPECT_EQ(wizard_.SelectedText(IDC_PORT_LIST), "USB_VT-R80_1");
    ASSERT_TRUE(wizard_.Press(IDOK));
    ASSERT_NE(wizard_.WaitForDialogWith(IDC_PROGRESS_BAR, 5 * 60 * 1000), nullptr) << "no installation";
    const std::string installerLog = ReadWholeFile(kProgram + "USBDRV\\USBDriver_x64\\Install.log");
    EXPECT_NE(installerLog.find("copied"), std::string::npos) << installerLog;
    ExpectClosingMessageAndEnd(Message("IDS_INF_USBRESTART"));
    EXPECT_EQ(PrintersOnPort("USB_VT-R80_1"), std::vector<std::string>{"VT-R80(U) 1"});
    EXPECT_TRUE(ReadDriver(driver.c_str()).found) << "the .Win7 section's driver";
}

// Without the distribution's opt-in, exactly the refusal of Windows 8 and later as before.
TEST_F(EndToEndWindows10, WithoutTheSwitchStartUpRefuses) {
    for (const char* value : {"0", static_cast<const char*>(nullptr)}) {
        SetNewerWindows(value);
        WizardDriver wizard(kProgram);
        ASSERT_TRUE(wizard.Start());
        const auto box = wizard.WaitForMessageBox(WizardDriver::kStartTimeout);
        ASSERT_TRUE(box.has_value()) << "no refusal with NewerWindows " << (value ? value : "missing");
        EXPECT_EQ(box->text, CTextCatalogue("Setup").ReadText("Nonsupport"));
        EXPECT_EQ(FindWindowA(nullptr, "Printer Driver Setup"), nullptr) << "no wizard";
        ASSERT_TRUE(wizard.Answer(*box, IDOK));
        const auto exitCode = wizard.WaitForExit();
        ASSERT_TRUE(exitCode.has_value()) << "the program did not end";
    }
}

// Wine reporting Windows 8.1 on a 32-bit prefix.
class EndToEndWindows81On32Bit : public EndToEnd {
protected:
    void SetUp() override {
        PrepareWindows(false);
        detectedWindows_ = "Windows 8.1 (build " + RealWindowsBuild() + ")";
    }
};

TEST_F(EndToEndWindows81On32Bit, TypicalParallelInstallsAsWindows7WithThe32BitFiles) {
    ExpectTypicalParallelInstallAsWindows7("DRVCONFIG\\setup_receipt.ini", "VTGDI.DLL");
}

// What the spooler and the registry hold for a printer: its port, its driver, its port's
// serial settings text and its install record. Two installations of one choice compare
// equal here.
std::vector<std::pair<std::string, std::string>> PrinterRecords(const std::string& printerName) {
    std::vector<std::pair<std::string, std::string>> records = {{"port", "<no printer>"}, {"driver", "<no printer>"}};
    HANDLE printer = nullptr;
    if (OpenPrinterA(const_cast<char*>(printerName.c_str()), &printer, nullptr)) {
        DWORD needed = 0;
        GetPrinterA(printer, 2, nullptr, 0, &needed);
        std::vector<BYTE> buffer(needed + 1);
        if (GetPrinterA(printer, 2, buffer.data(), needed, &needed)) {
            const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
            records[0].second = info->pPortName != nullptr ? info->pPortName : "";
            records[1].second = info->pDriverName != nullptr ? info->pDriverName : "";
        }
        ClosePrinter(printer);
    }
    records.push_back({"serial settings",
                       ReadStringValue("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports", records[0].second.c_str())});
    // And what the program recorded of it: the same choice gives the same record.
    const std::string record = kRecords + "\\" + printerName;
    for (const char* value : {"Model", "PrinterType", "Driver", "Port", "PortKind", "SerialSettings", "PrintProcessor",
                              "DistributionVersion"})
        records.push_back({std::string("record ") + value, ReadStringValue(record, value)});
    records.push_back({"record DefaultPrinter", std::to_string(ReadDwordValue(record, "DefaultPrinter"))});
    return records;
}

std::string RecordsText(const std::vector<std::pair<std::string, std::string>>& records) {
    std::string text;
    for (const auto& [name, value] : records) text += name + ": " + value + "\n";
    return text;
}

std::string CurrentFolder() {
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    std::string path = folder;
    if (path.empty() || path.back() != '\\') path += '\\';
    return path;
}

// The two halves of a roll-out, each in a fresh prefix of its own: the first records the
// answer file and the printer's records beside this test program, the second replays the
// file and compares. run-scenarios runs them in this order.
class AnswerFiles : public Unattended {
protected:
    const std::string replay_ = CurrentFolder() + "answer-replay\\";
};

TEST_F(AnswerFiles, TheWizardRecordsASerialInstallationWithChangedValues) {
    RemoveTree(replay_);
    ASSERT_TRUE(CreateFolders(replay_));
    // Relative: the file lands in the current folder the wizard was started in (this one's).
    WalkToPortPage(kTicketT300, IDC_TYPICAL, "/save-answers answer-replay\\answers.ini");
    InstallOnCom2WithChangedLineSettings();
    const std::string answers = ReadWholeFile(replay_ + "answers.ini");
    EXPECT_EQ(answers.rfind("; Printer Driver Setup answers, recorded 20", 0), 0u) << answers;
    for (const char* line : {"\r\n[Answers]\r\nModel=VT-T300\r\nType=ticket\r\nMode=typical\r\nPort=COM2:\r\n",
                             "\r\nBaud=19200\r\nDataBits=7\r\nParity=even\r\nStopBits=2\r\nFlow=xonxoff\r\nRaster="})
        EXPECT_TRUE(Has(answers, line)) << line << "\n" << answers;
    for (const char* key : {"Ip=", "Default=", "Renumber=", "Licence"}) EXPECT_FALSE(Has(answers, key)) << answers;
    EXPECT_TRUE(Has(NewestJournal(), "Record the answers in answer-replay\\answers.ini: done")) << NewestJournal();
    WriteBinaryFile(replay_, "records.txt", RecordsText(PrinterRecords("VT-T300(S)")));
}

TEST_F(AnswerFiles, QuietReplayInAFreshPrefixInstallsTheSamePrinter) {
    const std::string recorded = ReadWholeFile(replay_ + "records.txt");
    ASSERT_NE(recorded, "<missing>") << "the recording scenario runs first";
    EXPECT_NE(recorded.find("serial settings: 19200,e,7,2,x"), std::string::npos) << recorded;
    ASSERT_TRUE(PrintersOnPort("COM2:").empty()) << "a fresh prefix";
    const UnattendedRun run = Run("/quiet /accept-licence /answers \"" + replay_ + "answers.ini\"");
    EXPECT_EQ(run.exitCode, 0u) << run.journal;
    EXPECT_EQ(run.windows, std::vector<std::string>{});
    EXPECT_EQ(RecordsText(PrinterRecords("VT-T300(S)")), recorded);
}

// A switch on the command line wins over the file's key; a bad file installs nothing and
// its journal names the key.
TEST_F(Unattended, AnAnswerFileGivesWayToSwitchesAndABadOneIsRefused) {
    WriteTextFile(kProgram, "answers.ini",
                  "[Answers]\nModel=VT-T300\nPort=COM2:\nBaud=9600\nParity=odd\nDataBits=7\nStopBits=2\nFlow=xonxoff\n");
    const UnattendedRun run = Run("/quiet /accept-licence /answers C:\\e2e\\answers.ini /baud 19200 /parity even");
    EXPECT_EQ(run.exitCode, 0u) << run.journal;
    EXPECT_EQ(ReadStringValue("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports", "COM2:"), "19200,e,7,2,x");

    const std::string lpt = "[Answers]\nModel=VT-R80\nPort=LPT1:\n";
    const std::string bad = "Refused: /answers: \"C:\\e2e\\bad.ini\"";
    const struct {
        std::string file;  // empty: no file at all
        std::string reason;
    } cases[] = {
        {lpt + "Colour=red\n", bad + ", line 4, key Colour: no such key"},
        {lpt + "port=LPT2:\n", bad + ", line 4, key port: given twice"},
        {lpt + "Raster=yes\n", bad + ", line 4, key Raster: \"yes\" is neither 0 nor 1"},
        {lpt + "Baud=fast\n", bad + ", line 4, key Baud: \"fast\" is no baud rate"},
        {"", bad + " cannot be read, error 2"},
    };
    for (const auto& c : cases) {
        DeleteFileA((kProgram + "bad.ini").c_str());
        if (!c.file.empty()) WriteTextFile(kProgram, "bad.ini", c.file);
        const UnattendedRun refused = Run("/quiet /accept-licence /answers C:\\e2e\\bad.ini");
        EXPECT_EQ(refused.exitCode, 87u) << c.reason << "\n" << refused.journal;
        EXPECT_TRUE(Has(refused.journal, c.reason)) << c.reason << "\n" << refused.journal;
        EXPECT_EQ(refused.windows, std::vector<std::string>{});
    }
    EXPECT_TRUE(PrintersOnPort("LPT1:").empty()) << "nothing was installed";
}

// Windows protected print mode, as its policy sets it in the 64-bit view.
void SetProtectedPrintPolicy(const char* name, DWORD value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP", 0, nullptr,
                              0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value), ERROR_SUCCESS);
    RegCloseKey(key);
}

// Either policy value at 1 refuses start-up before anything is asked or installed; at 0,
// today's installation.
TEST_F(Unattended, ProtectedPrintModeRefusesStartUpAndItsValue0DoesNot) {
    SetProtectedPrintPolicy("WindowsProtectedPrintGroupPolicyState", 1);
    WizardDriver wizard(kProgram);
    ASSERT_TRUE(wizard.Start());
    const auto box = wizard.WaitForMessageBox(WizardDriver::kStartTimeout);
    ASSERT_TRUE(box.has_value()) << "no refusal";
    EXPECT_EQ(box->text, CTextCatalogue("Setup").ReadText("ProtectedPrint"));
    EXPECT_EQ(FindWindowA(nullptr, "Printer Driver Setup"), nullptr) << "no wizard";
    ASSERT_TRUE(wizard.Answer(*box, IDOK));
    EXPECT_TRUE(wizard.WaitForExit().has_value()) << "the program did not end";

    const UnattendedRun refused = Run("/quiet /accept-licence /model VT-R80 /port LPT1:");
    EXPECT_EQ(refused.exitCode, 1633u) << refused.journal;
    EXPECT_EQ(refused.windows, std::vector<std::string>{});
    EXPECT_TRUE(Has(refused.journal, "Start-up refused: [Setup] ProtectedPrint: ")) << refused.journal;
    EXPECT_FALSE(Has(refused.journal, "Start-up checks passed")) << refused.journal;

    SetProtectedPrintPolicy("WindowsProtectedPrintGroupPolicyState", 0);
    SetProtectedPrintPolicy("WindowsProtectedPrintMode", 1);
    EXPECT_EQ(Run("/quiet /accept-licence /model VT-R80 /port LPT1:").exitCode, 1633u) << "the other value alone";
    EXPECT_TRUE(PrintersOnPort("LPT1:").empty());

    SetProtectedPrintPolicy("WindowsProtectedPrintMode", 0);
    const UnattendedRun run = Run("/quiet /accept-licence /model VT-R80 /port LPT1:");
    EXPECT_EQ(run.exitCode, 0u) << run.journal;
    EXPECT_EQ(PrintersOnPort("LPT1:"), std::vector<std::string>{"VT-R80(P)"});

    // Detecting and removing what is installed stay possible with the mode on.
    SetProtectedPrintPolicy("WindowsProtectedPrintMode", 1);
    const Captured query = Capture("\"" + kProgram + "Setup.exe\" /query /model VT-R80");
    EXPECT_EQ(query.exitCode, 0u);
    EXPECT_EQ(query.output, "VT-R80(P)|VT-R80|LPT1:|3.2.0.1\r\n");
    // And taking the printers off again.
    const Captured removed = Capture("\"" + kProgram + "Uninstall.exe\" /quiet /all");
    EXPECT_EQ(removed.exitCode, 0u);
    EXPECT_TRUE(PrintersOnPort("LPT1:").empty());
}

// The licence stays on the command line; a wizard that did not install records nothing,
// one whose file cannot be written says so; /passive with a file shows only the progress window.
TEST_F(Unattended, AnAnswerFileCannotAcceptTheLicenceAndOnlyAnInstallingWizardRecords) {
    WriteTextFile(kProgram, "licence.ini", "[Answers]\nModel=VT-R80\nPort=LPT1:\nAcceptLicence=1\n");
    const UnattendedRun licence = Run("/quiet /accept-licence /answers C:\\e2e\\licence.ini");
    EXPECT_EQ(licence.exitCode, 87u) << licence.journal;
    EXPECT_TRUE(Has(licence.journal, "key AcceptLicence: the licence is accepted on the command line only")) << licence.journal;

    // Cancelled.
    WizardDriver cancelled(kProgram);
    ASSERT_TRUE(cancelled.Start("/save-answers C:\\e2e\\cancelled.ini"));
    ASSERT_NE(cancelled.WaitForWizard(), nullptr) << "the switch keeps the wizard";
    ASSERT_TRUE(cancelled.Press(IDCANCEL));
    EXPECT_TRUE(cancelled.WaitForExit().has_value()) << "Cancel ends the wizard";
    EXPECT_EQ(GetFileAttributesA((kProgram + "cancelled.ini").c_str()), INVALID_FILE_ATTRIBUTES);

    // Installed, but the file cannot be written: told after the closing message.
    WalkToPortPage(kReceiptR80, IDC_TYPICAL, "/save-answers C:\\no\\such\\folder\\a.ini");
    ASSERT_TRUE(wizard_.Choose(IDC_PORT_LIST, "COM1:"));
    EXPECT_EQ(Install(), Message("IDS_INF_NTRESTART"));
    Answer(IDOK);
    const auto unwritten = wizard_.WaitForMessageBox();
    ASSERT_TRUE(unwritten.has_value()) << "no word of the unwritten file";
    EXPECT_EQ(unwritten->text.rfind(Message("IDS_ERR_SAVEANSWERS") + "\nC:\\no\\such\\folder\\a.ini\n", 0), 0u)
        << unwritten->text;
    ASSERT_TRUE(wizard_.Answer(*unwritten, IDOK));
    EXPECT_TRUE(wizard_.WaitForExit().has_value());
    EXPECT_EQ(PrintersOnPort("COM1:"), std::vector<std::string>{"VT-R80(S)"});

    // Failed: the model's driver file is missing from the distribution.
    char dataFile[200] = {};
    GetPrivateProfileStringA("VT-R80.Win7", "GDIDataFile", "", dataFile, sizeof dataFile,
                             (kProgram + "DRVCONFIG\\setup_receipt_64.ini").c_str());
    ASSERT_TRUE(DeleteFileA((kProgram + "W64\\" + dataFile).c_str())) << dataFile;
    WalkToPortPage(kReceiptR80, IDC_TYPICAL, "/save-answers C:\\e2e\\failed.ini");
    ASSERT_TRUE(wizard_.Choose(IDC_PORT_LIST, "LPT1:"));
    EXPECT_NE(Install(), Message("IDS_INF_NTRESTART"));
    Answer(IDOK);
    EXPECT_TRUE(wizard_.WaitForExit().has_value());
    EXPECT_EQ(GetFileAttributesA((kProgram + "failed.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(PrintersOnPort("LPT1:").empty());

    ASSERT_TRUE(CopyFileA((ProgramFolder() + "dist\\W64\\" + dataFile).c_str(), (kProgram + "W64\\" + dataFile).c_str(),
                          FALSE));
    WriteTextFile(kProgram, "passive.ini", "[Answers]\nModel=VT-R80\nPort=LPT2:\n");
    const UnattendedRun passive = Run("/passive /accept-licence /answers C:\\e2e\\passive.ini");
    EXPECT_EQ(passive.exitCode, 0u) << passive.journal;
    std::vector<std::string> windows = passive.windows;
    windows.erase(std::remove(windows.begin(), windows.end(), "IME"), windows.end());
    EXPECT_EQ(windows, std::vector<std::string>{"#32770"}) << "the progress window, and no message box";
    EXPECT_EQ(PrintersOnPort("LPT2:"), std::vector<std::string>{"VT-R80(P)"});
}

}  // namespace
