#include "app/SetupApp.h"

#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "support/Overrides.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A top-level window with a given title, as another program would show it.
class StandInWindow {
public:
    explicit StandInWindow(const char* title, int show = SW_SHOWNORMAL) {
        window_ = CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        if (window_) ShowWindow(window_, show);
    }
    ~StandInWindow() {
        if (window_) DestroyWindow(window_);
    }
    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

constexpr const char* kLanguage =
    "[Setup]\nCaption=Printer Driver Setup\nClose=Close the uninstaller first.\n"
    "Nonsupport=This Windows version is not supported.\nPortNull=The model offers no port.\n"
    "[Message]\nIDS_X64=This package is for 32-bit Windows.\nIDS_X32=This package is for 64-bit Windows.\n";

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ProgramFolder();
        RemoveTree(folder_ + "DRVCONFIG");
        WriteTextFile(folder_, "language\\setup.ini", kLanguage);
        // A model whose only port family is USB, in the 32-bit and the 64-bit file.
        WriteSetup("DEVICENUMBER=1\nDEVICENAME1=VT-R80-ReceiptPrinter\n");
        WritePorts("setup_receipt", "[VT-R80.PORT]\nUSBSUPPORTED=1\n");
        ProcessSettings::SetIs64BitWindows(false);
    }
    void TearDown() override {
        RemoveTree(folder_ + "DRVCONFIG");
        RemoveTree(folder_ + "language");
        ProcessSettings::SetIs64BitWindows(false);
    }
    void WriteSetup(const std::string& deviceSection) {
        WriteTextFile(folder_, "DRVCONFIG\\setup.ini", "[DEVICENAME]\n" + deviceSection);
    }
    // The same content in the type file and its _64 variant.
    void WritePorts(const std::string& typeFile, const std::string& text) {
        WriteTextFile(folder_, "DRVCONFIG\\" + typeFile + ".ini", text);
        WriteTextFile(folder_, "DRVCONFIG\\" + typeFile + "_64.ini", text);
    }
    // Runs the admission checks under a name of this test's own.
    bool Admit(MessageBoxRecorder& boxes) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        CSetupApp app(std::string("PrinterDriverSetupTest.") + info->name() + std::to_string(++runs_));
        bool admitted = app.PassAdmission();
        for (const ShownMessage& shown : boxes.shown) {
            EXPECT_EQ(shown.owner, nullptr) << "start-up boxes have no owner";
            EXPECT_EQ(shown.caption, ApplicationName()) << "start-up boxes carry the application name";
        }
        return admitted;
    }
    std::string Refusal(MessageBoxRecorder& boxes) {
        EXPECT_FALSE(Admit(boxes));
        if (boxes.shown.size() == 1) return boxes.shown[0].text;
        return std::to_string(boxes.shown.size()) + " message boxes";
    }

    std::string folder_;
    int runs_ = 0;
};

TEST_F(StartupTest, AdmitsAValidConfigurationOnThisWindows) {
    MessageBoxRecorder boxes;
    EXPECT_TRUE(Admit(boxes));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(ProcessSettings::Is64BitWindows()) << "the WoW64 prefix is 64-bit Windows";
}

TEST_F(StartupTest, AnOpenUninstallerIsRefusedWithItsText) {
    for (const char* title : kUninstallerTitles) {
        StandInWindow uninstaller(title, SW_HIDE);
        ASSERT_NE(uninstaller.get(), nullptr);
        MessageBoxRecorder boxes;
        EXPECT_EQ(Refusal(boxes), "Close the uninstaller first.");
    }
}

TEST_F(StartupTest, WindowsVersionsOutsideTheTargetAreRefused) {
    struct Case {
        DWORD platform, major, minor;
        bool admitted, admittedWithSwitch;  // NewerWindows missing, and 1
        const char* what;
    } cases[] = {
        {1, 4, 0, true, true, "Windows 95"},         {1, 4, 10, false, false, "Windows 98"},
        {1, 4, 90, false, false, "Windows Me"},      {2, 4, 0, false, false, "Windows NT 4.0"},
        {2, 3, 51, false, false, "NT 3.51"},         {2, 5, 0, true, true, "Windows 2000"},
        {2, 5, 1, true, true, "Windows XP"},         {2, 5, 2, true, true, "Server 2003"},
        {2, 6, 0, true, true, "Vista"},              {2, 6, 1, true, true, "Windows 7"},
        {2, 6, 2, false, true, "Windows 8"},         {2, 6, 3, false, true, "Windows 8.1"},
        {2, 10, 0, false, true, "Windows 10"},       {2, 99, 99, false, true, "a Windows yet to come"},
    };
    // Missing, 0 and a text that reads as 0 all keep today's refusal.
    for (const char* setting : {"", "NewerWindows=0\n", "NewerWindows=no\n", "NewerWindows=1\n"}) {
        WriteSetup(std::string("DEVICENUMBER=1\nDEVICENAME1=VT-R80-ReceiptPrinter\n") + setting);
        const bool allowed = std::string(setting) == "NewerWindows=1\n";
        for (const Case& c : cases) {
            FakeWindowsVersion version(c.platform, c.major, c.minor);
            MessageBoxRecorder boxes;
            if (allowed ? c.admittedWithSwitch : c.admitted) {
                EXPECT_TRUE(Admit(boxes)) << c.what << " " << setting;
            } else {
                EXPECT_EQ(Refusal(boxes), "This Windows version is not supported.") << c.what << " " << setting;
            }
        }
    }
}

TEST_F(StartupTest, PackageWidthMustMatchWindows) {
    const struct {
        const char* value;
        bool admitted;
    } cases[] = {{"1", false}, {"2", true}, {"3", true}, {"0", true}, {"2x", true}};
    for (const auto& c : cases) {
        WriteSetup(std::string("Supported32OR64=") + c.value + "\nDEVICENUMBER=1\nDEVICENAME1=VT-R80-ReceiptPrinter\n");
        MessageBoxRecorder boxes;
        if (c.admitted)
            EXPECT_TRUE(Admit(boxes)) << "Supported32OR64=" << c.value;
        else
            EXPECT_EQ(Refusal(boxes), "This package is for 32-bit Windows.") << "Supported32OR64=" << c.value;
    }
}

FARPROC WINAPI NoIsWow64Process(HMODULE module, LPCSTR name) {
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0 && std::string(name) == "IsWow64Process") return nullptr;
    return DefaultSystemCalls().GetProcAddress(module, name);
}

TEST_F(StartupTest, SixtyFourBitPackageIsRefusedOnThirtyTwoBitWindows) {
    ScopedSystemCall<FARPROC(WINAPI*)(HMODULE, LPCSTR)> noWow64(&SystemCallTable::GetProcAddress, &NoIsWow64Process);
    WriteSetup("Supported32OR64=2\nDEVICENUMBER=1\nDEVICENAME1=VT-R80-ReceiptPrinter\n");
    MessageBoxRecorder boxes;
    EXPECT_EQ(Refusal(boxes), "This package is for 64-bit Windows.");
}

HMODULE WINAPI FailLoadLibrary(LPCSTR) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

HMODULE WINAPI OnlyBareKernel32(LPCSTR name) {
    if (std::string(name) != "kernel32.dll") return FailLoadLibrary(name);
    return DefaultSystemCalls().LoadLibraryA(name);
}

TEST(IsWow64Windows, LoadsKernel32OnlyFromTheSystemFolderAndAnswersFalseWhenItCannotTell) {
    EXPECT_TRUE(IsWow64Windows()) << "a 32-bit program in the WoW64 prefix";
    {
        // A bare name would search the program's folder first: never used.
        ScopedSystemCall<HMODULE(WINAPI*)(LPCSTR)> bare(&SystemCallTable::LoadLibraryA, &OnlyBareKernel32);
        EXPECT_FALSE(IsWow64Windows());
    }
    {
        ScopedSystemCall<HMODULE(WINAPI*)(LPCSTR)> none(&SystemCallTable::LoadLibraryA, &FailLoadLibrary);
        EXPECT_FALSE(IsWow64Windows());
    }
    {
        ScopedSystemCall<FARPROC(WINAPI*)(HMODULE, LPCSTR)> noWow64(&SystemCallTable::GetProcAddress,
                                                                     &NoIsWow64Process);
        EXPECT_FALSE(IsWow64Windows());
    }
}

TEST_F(StartupTest, OnlyTheLastDevicesPortSectionDecides) {
    WriteSetup("DEVICENUMBER=3\nDEVICENAME1=VT-R80-ReceiptPrinter\nDEVICENAME2=VT-T300-TicketPrinter\n"
               "DEVICENAME3=VT-L40-LabelPrinter\n");
    WritePorts("setup_receipt", "[VT-R80.PORT]\nUSBSUPPORTED=1\nLPTSUPPORTED=1\n");
    WritePorts("setup_label", "[VT-L40.PORT]\nUSBSUPPORTED=0\nLPTSUPPORTED=0\nCOMSUPPORTED=0\nNETSUPPORTED=0\n");
    {
        MessageBoxRecorder boxes;
        EXPECT_EQ(Refusal(boxes), "The model offers no port.");
    }
    // An enabled family in another type file counts, whatever the model's own type.
    WritePorts("setup_ticket", "[VT-L40.PORT]\nNETSUPPORTED=1\n");
    {
        MessageBoxRecorder boxes;
        EXPECT_TRUE(Admit(boxes));
    }
}

TEST_F(StartupTest, ThirtyTwoAndSixtyFourBitWindowsReadTheirOwnTypeFiles) {
    WriteTextFile(folder_, "DRVCONFIG\\setup_receipt.ini", "[VT-R80.PORT]\nUSBSUPPORTED=1\n");
    WriteTextFile(folder_, "DRVCONFIG\\setup_receipt_64.ini", "[VT-R80.PORT]\nUSBSUPPORTED=0\n");
    {
        MessageBoxRecorder boxes;
        EXPECT_EQ(Refusal(boxes), "The model offers no port.") << "64-bit Windows reads the _64 files";
    }
    ScopedSystemCall<FARPROC(WINAPI*)(HMODULE, LPCSTR)> noWow64(&SystemCallTable::GetProcAddress, &NoIsWow64Process);
    MessageBoxRecorder boxes;
    EXPECT_TRUE(Admit(boxes)) << "32-bit Windows reads the plain files";
}

TEST_F(StartupTest, NoUsableDeviceEntryReachesPortNull) {
    const char* deviceLists[] = {
        "DEVICENUMBER=0\nDEVICENAME1=VT-R80-ReceiptPrinter\n",
        "DEVICENUMBER=2\nDEVICENAME1=VT-R80\nDEVICENAME2=0\n",
        "",
    };
    // A section named just ".PORT" with families enabled must not rescue a list without devices.
    WritePorts("setup_receipt", "[VT-R80.PORT]\nUSBSUPPORTED=1\n[.PORT]\nUSBSUPPORTED=0\n");
    for (const char* list : deviceLists) {
        WriteSetup(list);
        MessageBoxRecorder boxes;
        EXPECT_EQ(Refusal(boxes), "The model offers no port.") << list;
    }
    RemoveTree(folder_ + "DRVCONFIG");
    MessageBoxRecorder boxes;
    EXPECT_EQ(Refusal(boxes), "The model offers no port.") << "no configuration at all";
}

TEST_F(StartupTest, PortScanSectionIsTheLastEntryWithATypeSuffix) {
    WriteSetup("DEVICENUMBER=9\nDEVICENAME1=VT-R80-ReceiptPrinter\nDEVICENAME2=VT-T300-TicketPrinter\n"
               "DEVICENAME3=Plain\n");
    EXPECT_EQ(FindPortScanTarget().section, "VT-T300.PORT") << "entries beyond the list and without suffix are skipped";
    EXPECT_EQ(FindPortScanTarget().type, PrinterType::Ticket);
    WriteSetup("DEVICENUMBER=1\nDEVICENAME1=" + std::string(199, 'x') + "\n");
    EXPECT_EQ(FindPortScanTarget().section, ".PORT");
    EXPECT_EQ(FindPortScanTarget().type, PrinterType::None);
    WriteSetup("DEVICENUMBER=2000000000\nDEVICENAME1=VT-R80-ReceiptPrinter\n");
    EXPECT_EQ(FindPortScanTarget().section, "VT-R80.PORT") << "a garbage count is bounded";
}

TEST_F(StartupTest, StartFlagsFollowTheDeviceNameSection) {
    WriteSetup("LOADLICENSE=5\nLANGUAGE=abc\n");
    StartFlags flags = ReadStartFlags();
    EXPECT_TRUE(flags.licencePage);
    EXPECT_TRUE(flags.chineseFont) << "a non-numeric LANGUAGE reads 0";
    WriteSetup("LOADLICENSE=0\nLANGUAGE=1\n");
    flags = ReadStartFlags();
    EXPECT_FALSE(flags.licencePage);
    EXPECT_FALSE(flags.chineseFont);
    RemoveTree(folder_ + "DRVCONFIG");
    flags = ReadStartFlags();
    EXPECT_FALSE(flags.licencePage);
    EXPECT_TRUE(flags.chineseFont);
}

TEST_F(StartupTest, ASecondStartEndsSilentlyAndRestoresTheRunningWizard) {
    CSetupApp first("PrinterDriverSetupTest.SecondStart");
    MessageBoxRecorder boxes;
    ASSERT_TRUE(first.PassAdmission());

    StandInWindow wizard("Printer Driver Setup", SW_SHOWMINIMIZED);
    ASSERT_NE(wizard.get(), nullptr);
    ASSERT_TRUE(IsIconic(wizard.get()));
    CSetupApp second("PrinterDriverSetupTest.SecondStart");
    EXPECT_FALSE(second.PassAdmission());
    EXPECT_TRUE(boxes.shown.empty()) << "no message for a second instance";
    EXPECT_FALSE(IsIconic(wizard.get())) << "the running wizard is restored";
}

// The real program, started while "another instance" runs: it must end by itself,
// without a message box (which would keep it waiting), and restore the running wizard.
TEST(SingleInstance, ASecondSetupExeEndsSilentlyAndRestoresTheRunningWizard) {
    const std::string setup = ProgramFolder() + "..\\..\\dist\\Setup.exe";
    ASSERT_NE(GetFileAttributesA(setup.c_str()), INVALID_FILE_ATTRIBUTES) << "the build assembles " << setup;

    // What a running wizard holds: the mutex named after the program, and its window.
    UniqueHandle mutex(CreateMutexA(nullptr, TRUE, "Setup"));
    ASSERT_TRUE(mutex);
    StandInWindow wizard("Printer Driver Setup", SW_SHOWMINIMIZED);
    ASSERT_TRUE(IsIconic(wizard.get()));

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + setup + "\"";
    ASSERT_TRUE(CreateProcessA(setup.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    // Process start-up is slow under emulation; a message box would never end. Restoring
    // our window sends it messages, so this thread keeps pumping them meanwhile.
    const DWORD deadline = GetTickCount() + 10 * 60 * 1000;
    DWORD waited = WAIT_TIMEOUT;
    while (static_cast<LONG>(deadline - GetTickCount()) > 0) {
        waited = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 1000, QS_ALLINPUT);
        if (waited == WAIT_OBJECT_0) break;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        waited = WAIT_TIMEOUT;
    }
    if (waited != WAIT_OBJECT_0) TerminateProcess(processHandle.get(), 99);
    ASSERT_EQ(waited, static_cast<DWORD>(WAIT_OBJECT_0)) << "the second start did not end by itself";
    DWORD exitCode = 0xDEADBEEF;
    GetExitCodeProcess(processHandle.get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(IsIconic(wizard.get())) << "the running wizard is restored";
}

}  // namespace
