#include "engine/InstallTestSupport.h"

#include "platform/Journal.h"
#include "support/Overrides.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Windows 7 x64: the 32-bit builds of the monitors are where the spooler running in
// this 32-bit process loads them from; the product itself puts the 64-bit builds
// into the 64-bit system folder.
class InstallCoreTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const char* file : {"VTCOMMON.DLL", "VTUSBMON.DLL", "VTLMON.DLL"}) {
            CopyFileA((ProgramFolder() + "system32\\" + file).c_str(), (FolderOf(GetSystemDirectoryA) + file).c_str(),
                      FALSE);
        }
    }
    void SetUp() override {
        ServiceRequests::Reset();
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VANTORA\\PRINTERPORT", KEY_WOW64_64KEY, 0);
    }

    ScopedSystemCall<decltype(SystemCallTable::ControlService)> stops{&SystemCallTable::ControlService,
                                                                      &ServiceRequests::Control};
};

TEST_F(InstallCoreTest, TypicalParallelInstall) {
    InstallHarness install({"VT-R80", 0, 7, 1, "LPT1:"});
    ASSERT_EQ(2, install.Run()) << install.request.resultText;
    EXPECT_EQ(MessageText("IDS_INF_NTRESTART"), install.request.resultText);
    EXPECT_STREQ("VT-R80(P)", install.request.modelName);

    const InstalledDriver driver = ReadDriver("Vantora VT-R80 Receipt");
    ASSERT_TRUE(driver.found);
    EXPECT_NE(std::string::npos, driver.driverPath.find("VTGDI64.DLL")) << driver.driverPath;
    const InstalledPrinter printer = ReadPrinter("VT-R80(P)");
    ASSERT_TRUE(printer.found);
    EXPECT_EQ("LPT1:", printer.port);
    EXPECT_EQ("Vantora VT-R80 Receipt", printer.driver);
    EXPECT_EQ("VantoraPrint", printer.processor);
    EXPECT_EQ(2624u, printer.attributes & 2624u);

    // The missing processor was added; nothing was older, so printing never stopped. (Wine's
    // spooler runs in this 32-bit process and files the processor under the 32-bit
    // environment, so its version record is checked on 32-bit Windows.)
    EXPECT_TRUE(ProcessorListed("VantoraPrint"));
    EXPECT_EQ(0, ServiceRequests::stops);
    EXPECT_EQ("W64 fixture VTCTRL.TTF\r\n", ReadWholeFile(PrinterDriverFolder() + "3\\VTCTRL.TTF"));
}

TEST_F(InstallCoreTest, SerialInstallStoresTheLineSettingsAndLeavesTheSerialMonitorToWindows) {
    InstallHarness install({"VT-T300", 1, 7, 1, "COM3:", 0, {19200, 8, 1.0, 'E', 'x'}});
    ASSERT_EQ(2, install.Run()) << install.request.resultText;
    EXPECT_EQ("19200,e,8,1,x", ReadStringValue("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports", "COM3:"));
    EXPECT_EQ('e', install.request.serial.parity);
    EXPECT_FALSE(KeyExists(MonitorKeyPath("Vantora Serial Port")));
}

struct TakenNames {
    static inline int attempts = 0;
    static HANDLE WINAPI Add(LPSTR, DWORD, LPBYTE) {
        ++attempts;
        SetLastError(ERROR_PRINTER_ALREADY_EXISTS);
        return nullptr;
    }
};

TEST_F(InstallCoreTest, UsbInstallRecordsItsPortAndNeverNumbersTheName) {
    ASSERT_TRUE(CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\VANTORA\\PRINTERPORT"));
    InstallHarness install({"VT-R80", 0, 7, 1, "USB_VT-R80_1"});
    StepRecorder observer;
    ASSERT_EQ(2, install.Run(&observer)) << install.request.resultText;
    auto step = [](InstallStep s) { return std::string(InstallStepName(s)); };
    const std::vector<std::string> expected = {
        "+" + step(InstallStep::CheckComponents),  step(InstallStep::CheckComponents),
        "+" + step(InstallStep::CheckPorts),       step(InstallStep::CheckPorts),
        "+" + step(InstallStep::CopyDriverFiles),  step(InstallStep::CopyDriverFiles),
        "+" + step(InstallStep::RestoreCoreFiles), step(InstallStep::RestoreCoreFiles),
        "+" + step(InstallStep::AddPrinterDriver), step(InstallStep::AddPrinterDriver),
        "+" + step(InstallStep::RecordUsbPort),    step(InstallStep::RecordUsbPort),
        "+" + step(InstallStep::AddPrinter),       step(InstallStep::AddPrinter),
        "ended ok"};
    EXPECT_EQ(expected, observer.steps);
    EXPECT_EQ(MessageText("IDS_INF_USBRESTART"), install.request.resultText);
    EXPECT_STREQ("VT-R80(U) 1", install.request.modelName);
    EXPECT_EQ(0u, ReadDwordValue("SOFTWARE\\VANTORA\\PRINTERPORT", "USB_VT-R80_1"));
    EXPECT_EQ(5u, ReadDwordValue(MonitorKeyPath("Vantora USB Port"), "DriverVersion"));
    EXPECT_FALSE(KeyExists(MonitorKeyPath("Vantora Language Monitor"))) << "no language monitor on 64-bit Windows";
    EXPECT_EQ("", ReadDriver("Vantora VT-R80 Receipt").monitor);

    // The same name again: refused as it stands, and no port record without its key.
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VANTORA\\PRINTERPORT", KEY_WOW64_64KEY, 0);
    ScopedSystemCall<decltype(SystemCallTable::AddPrinterA)> taken(&SystemCallTable::AddPrinterA, &TakenNames::Add);
    InstallHarness again({"VT-R80", 0, 7, 1, "USB_VT-R80_1"});
    EXPECT_EQ(1, again.Run());
    EXPECT_EQ(MessageText("IDS_ERR_TOOMANY"), again.request.resultText);
    EXPECT_EQ(1, TakenNames::attempts);
    EXPECT_FALSE(KeyExists("SOFTWARE\\VANTORA\\PRINTERPORT"));
}

TEST_F(InstallCoreTest, RequiredDriverFileMissingStopsBeforeAnyCopy) {
    const std::string dataFile = PrinterDriverFolder() + "VTR58.VTD";
    DeleteFileA(dataFile.c_str());
    InstallHarness install({"VT-R58", 0, 7, 1, "LPT2:"});
    install.request.files.helpFile[0] = '\0';
    EXPECT_EQ(1, install.Run());
    EXPECT_EQ(MessageText("IDS_ERR_LOSTDRIVERFILE"), install.request.resultText);
    EXPECT_EQ("<missing>", ReadWholeFile(dataFile));
}

std::string EnvironmentFolder(BOOL(WINAPI* query)(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD)) {
    char buffer[MAX_PATH] = {};
    DWORD needed = 0;
    char x64[] = "Windows x64";
    query(nullptr, x64, 1, reinterpret_cast<BYTE*>(buffer), sizeof buffer, &needed);
    return std::string(buffer) + "\\";
}

// 64-bit Windows refusing what this 32-bit program registers for its own environment:
// the objects it wants follow for "Windows x64", their files in that environment's
// folders, and the printer is installed. Nothing of it where nothing is refused.
TEST_F(InstallCoreTest, RefusalsForTheCallersEnvironmentAreRegisteredAgainForX64) {
    const std::string x64Drivers = EnvironmentFolder(GetPrinterDriverDirectoryA);
    const std::string x64Processors = EnvironmentFolder(GetPrintProcessorDirectoryA);
    ASSERT_NE(std::string::npos, x64Drivers.find("\\x64\\")) << x64Drivers;
    const std::string font = x64Drivers + "3\\VTCTRL.TTF", processor = x64Processors + "VTPRTP64.DLL";
    const std::string P = "AddPrintProcessorA", D = "AddPrinterDriverA", A = "AddPrinterA", M = "AddMonitorA";
    const std::string x64 = " Windows x64";
    struct Case {
        std::string refused;
        DWORD code;
        const char* port;
        std::vector<std::string> calls, registrations;
        std::string x64File;  // a W64 file the fallback put in an x64 folder
    } cases[] = {
        {"", 0, "LPT1:", {P, D, A}, {"processor Windows NT x86", "driver Windows NT x86"}, ""},
        {A, ERROR_UNKNOWN_PRINTER_DRIVER, "LPT1:", {P, D, A, D + x64, A},
         {"processor Windows NT x86", "driver Windows NT x86", "driver Windows x64"}, font},
        {A, ERROR_UNKNOWN_PRINTPROCESSOR, "LPT1:", {P, D, A, P + x64, A},
         {"processor Windows NT x86", "driver Windows NT x86", "processor Windows x64"}, processor},
        {D, ERROR_INVALID_ENVIRONMENT, "LPT1:", {P, D, D + x64, A},
         {"processor Windows NT x86", "driver Windows x64"}, font},
        {P, ERROR_INVALID_ENVIRONMENT, "LPT1:", {P, P + x64, D, A},
         {"processor Windows x64", "driver Windows NT x86"}, processor},
        {M, ERROR_INVALID_ENVIRONMENT, "USB_VT-R80_1", {M, M + x64, P, D, A},
         {"monitor Windows x64", "processor Windows NT x86", "driver Windows NT x86"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused + " refused with " + std::to_string(c.code));
        DeleteFileA(font.c_str());
        DeleteFileA(processor.c_str());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, MonitorKeyPath("Vantora USB Port").c_str());
        const std::string journal = ProgramFolder() + "environment.log";
        DeleteFileA(journal.c_str());
        ASSERT_TRUE(OpenJournal(journal));
        X64Spooler spooler(c.refused, c.code);
        InstallHarness install({"VT-R80", 0, 7, 1, c.port});
        EXPECT_EQ(2, install.Run()) << install.request.resultText;
        CloseJournal();
        EXPECT_EQ(c.calls, X64Spooler::calls);
        EXPECT_EQ(c.registrations, RegistrationsOf(install.request));
        if (!c.x64File.empty()) {
            const std::string w64 = ProgramFolder() + "W64\\" + c.x64File.substr(c.x64File.rfind('\\') + 1);
            EXPECT_TRUE(ReadWholeFile(w64) == ReadWholeFile(c.x64File)) << c.x64File << " is not " << w64;
        }
        const std::string fallback = "for \"Windows x64\" (error " + std::to_string(c.code) + ":";
        EXPECT_EQ(c.code != 0, ReadWholeFile(journal).find(fallback) != std::string::npos) << ReadWholeFile(journal);
    }
}

HMODULE WINAPI NoKernel32(LPCSTR name) {
    if (NamesSystemLibrary(name, "Kernel32.dll")) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return DefaultSystemCalls().LoadLibraryA(name);
}

// The port record's redirection bracket cannot be set up: said in a box without an
// owner (the worker must not wait on the window thread) and in the result text.
TEST_F(InstallCoreTest, UsbPortRecordWithoutKernel32Fails) {
    {
        InstallHarness first({"VT-E30", 3, 7, 1, "USB_VT-E30_1"});
        ASSERT_EQ(2, first.Run()) << first.request.resultText;
    }
    MessageBoxRecorder boxes;
    ScopedSystemCall<decltype(SystemCallTable::LoadLibraryA)> missing(&SystemCallTable::LoadLibraryA, &NoKernel32);
    InstallHarness again({"VT-E30", 3, 7, 1, "USB_VT-E30_2"});
    StepRecorder observer;
    EXPECT_EQ(1, again.Run(&observer));
    ASSERT_LE(2u, observer.steps.size());
    EXPECT_EQ("-" + std::string(InstallStepName(InstallStep::RecordUsbPort)), observer.steps.end()[-2]);
    EXPECT_EQ("ended failed", observer.steps.back());
    EXPECT_EQ("Can't Load Kernel32.dll", again.request.resultText);
    ASSERT_EQ(1u, boxes.shown.size());
    EXPECT_EQ("Can't Load Kernel32.dll", boxes.shown[0].text);
    EXPECT_EQ(nullptr, boxes.shown[0].owner);
}

}  // namespace
