#include "engine/InstallTestSupport.h"

#include "support/Overrides.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// 32-bit Windows: serial and language monitors are ours to install and update.
class InstallCore32Test : public ::testing::Test {
protected:
    void SetUp() override {
        ServiceRequests::Reset();
        system = FolderOf(GetSystemDirectoryA);
    }
    void TearDown() override {
        for (HMODULE module : held) FreeLibrary(module);
    }

    std::string system;
    std::vector<HMODULE> held;
    ScopedSystemCall<decltype(SystemCallTable::ControlService)> stops{&SystemCallTable::ControlService,
                                                                      &ServiceRequests::Control};
    ScopedSystemCall<decltype(SystemCallTable::StartServiceA)> starts{&SystemCallTable::StartServiceA,
                                                                      &ServiceRequests::Start};
    ScopedSystemCall<decltype(SystemCallTable::QueryServiceStatus)> queries{&SystemCallTable::QueryServiceStatus,
                                                                            &ServiceRequests::Query};
};

TEST_F(InstallCore32Test, SerialInstallExaminesTheSerialMonitor) {
    InstallHarness install({"VT-T300", 1, 7, 1, "VTCOM3:", 0, {9600, 8, 1.0, 'N', 'p'}});
    ASSERT_EQ(2, install.Run()) << install.request.resultText;
    EXPECT_EQ(4u, ReadDwordValue(MonitorKeyPath("Vantora Serial Port"), "DriverVersion"));
    EXPECT_EQ(3u, ReadDwordValue(PrintProcessorKeyPath(OsIndex::Windows7, "VantoraPrint"), "DriverVersion"));
    EXPECT_EQ("9600,n,8,1,p", ReadStringValue("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports", "COM3:"));
}

TEST_F(InstallCore32Test, UsbInstallUsesTheLanguageMonitorAsTheDriversMonitor) {
    InstallHarness install({"VT-E20", 3, 7, 1, "USB_VT-E20_1"});
    ASSERT_EQ(2, install.Run()) << install.request.resultText;
    EXPECT_NE(0xDEADBEEFu, ReadDwordValue(MonitorKeyPath("Vantora Language Monitor"), "DriverVersion"));
    const InstalledDriver driver = ReadDriver(install.request.driver.pName);
    ASSERT_TRUE(driver.found) << install.request.driver.pName;
    EXPECT_EQ("Vantora Language Monitor", driver.monitor);
}

// An older serial monitor whose DLL the spooler holds: replaced in place with printing
// stopped, under its prefixed name. The processor, older too, waits for another run.
TEST_F(InstallCore32Test, OlderMonitorInUseIsReplacedWithTheSpoolerStopped) {
    const std::string monitorKey = MonitorKeyPath("Vantora Serial Port");
    const std::string processorKey = PrintProcessorKeyPath(OsIndex::Windows7, "VantoraPrint");
    {
        InstallHarness first({"VT-R80", 0, 7, 1, "VTCOM1:"});
        ASSERT_EQ(2, first.Run()) << first.request.resultText;
    }
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, monitorKey.c_str()));
    key.SetDword("DriverVersion", 1);
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, processorKey.c_str()));
    key.SetDword("DriverVersion", 1);
    key.Close();
    held.push_back(LoadLibraryA((system + "VTCOMMON.DLL").c_str()));
    ServiceRequests::Reset();

    InstallHarness update({"VT-R80", 0, 7, 1, "VTCOM2:"});
    ASSERT_EQ(2, update.Run()) << update.request.resultText;
    EXPECT_EQ(1, ServiceRequests::stops);
    EXPECT_GE(ServiceRequests::starts, 1);
    ASSERT_NE(0u, ServiceRequests::firstQueryAfterStart) << "the running state was never polled after the start";
    EXPECT_LT(ServiceRequests::firstQueryAfterStart - ServiceRequests::startSettled, 1000u) << "Windows 7 polls at once";
    EXPECT_NE("<missing>", ReadWholeFile(system + "nVTCOMMON.DLL"));
    EXPECT_EQ("nVTCOMMON.DLL", ReadStringValue(monitorKey, "Driver"));
    EXPECT_EQ(4u, ReadDwordValue(monitorKey, "DriverVersion"));
    EXPECT_EQ(1u, ReadDwordValue(processorKey, "DriverVersion"));
}


BOOL WINAPI DiskFull(LPCSTR source, LPCSTR target, BOOL failIfExists) {
    if (std::string(target).find("VTCOMMON") != std::string::npos) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    return DefaultSystemCalls().CopyFileA(source, target, failIfExists);
}

// A failed update must not leave printing stopped; the failure's own text is kept.
TEST_F(InstallCore32Test, FailedUpdateStartsTheSpoolerAgain) {
    {
        InstallHarness first({"VT-R58", 0, 7, 1, "VTCOM4:"});
        ASSERT_EQ(2, first.Run()) << first.request.resultText;
    }
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, MonitorKeyPath("Vantora Serial Port").c_str()));
    key.SetDword("DriverVersion", 1);
    key.Close();
    ServiceRequests::Reset();
    ScopedSystemCall<decltype(SystemCallTable::CopyFileA)> full(&SystemCallTable::CopyFileA, &DiskFull);

    InstallHarness update({"VT-R58", 0, 7, 1, "VTCOM5:"});
    EXPECT_EQ(1, update.Run());
    EXPECT_EQ(0u, update.request.resultText.rfind(MessageText("IDS_ERR_COPYFIEL"), 0)) << update.request.resultText;
    EXPECT_EQ(1, ServiceRequests::stops);
    EXPECT_EQ(1, ServiceRequests::starts);
    for (int wait = 0; wait < 600 && SpoolerState() != SERVICE_RUNNING; ++wait) Sleep(100);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), SpoolerState());
}

BOOL WINAPI NinetyEightUsbMonitorDiskFull(LPCSTR source, LPCSTR target, BOOL failIfExists) {
    if (std::string(target).find("VTUSBM9X") != std::string::npos) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    return DefaultSystemCalls().CopyFileA(source, target, failIfExists);
}

// Windows 98/Me: the old monitor file stays in place when its copy fails, and so does
// the version that describes it.
TEST_F(InstallCore32Test, FailedNinetyEightUpdateKeepsTheOldVersion) {
    const std::string monitorKey = MonitorKeyPath("Vantora USB Port");
    ASSERT_TRUE(CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, monitorKey.c_str()));
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, monitorKey.c_str()));
    key.SetDword("DriverVersion", 1);
    key.SetString("Driver", "VTUSBMON.DLL");
    key.Close();
    ScopedSystemCall<decltype(SystemCallTable::CopyFileA)> full(&SystemCallTable::CopyFileA, &NinetyEightUsbMonitorDiskFull);

    InstallHarness update({"QXP-K520", 0, 0, 1, "USB_QXP-K520_1"});
    EXPECT_EQ(1, update.Run());
    EXPECT_EQ(0u, update.request.resultText.rfind(MessageText("IDS_ERR_COPYFIEL"), 0)) << update.request.resultText;
    EXPECT_EQ(1u, ReadDwordValue(monitorKey, "DriverVersion"));
    EXPECT_EQ(0, ServiceRequests::stops) << "Windows 98/Me has no spooler service to stop";
}

// 32-bit Windows has one environment: a refusal that names another is a failure like any.
TEST_F(InstallCore32Test, EnvironmentRefusalsFailWithoutAnyX64Call) {
    const struct {
        const char* call;
        DWORD code;
        const char* text;
    } cases[] = {{"AddPrinterA", ERROR_UNKNOWN_PRINTER_DRIVER, "IDS_ERR_ADDPRINTER"},
                 {"AddPrinterDriverA", ERROR_INVALID_ENVIRONMENT, "IDS_ERR_ADDPRNDRV3"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        X64Spooler spooler(c.call, c.code);
        InstallHarness install({"VT-R80", 0, 7, 1, "LPT1:"});
        EXPECT_EQ(1, install.Run());
        EXPECT_EQ(0u, install.request.resultText.rfind(MessageText(c.text), 0)) << install.request.resultText;
        ASSERT_FALSE(X64Spooler::calls.empty());
        EXPECT_EQ(c.call, X64Spooler::calls.back()) << "nothing after the refusal";
    }
}

}  // namespace
