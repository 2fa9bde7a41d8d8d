#include "engine/ComponentChecks.h"

#include "config/ProcessSettings.h"
#include "config/RegistryKey.h"
#include "config/SetupConfig.h"
#include "engine/EngineTestSupport.h"
#include "ports/PortNames.h"
#include "support/Overrides.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

DWORD ReadVersion(const std::string& keyPath) {
    CRegistryKey key;
    DWORD version = 0xDEADBEEF;
    if (!key.Open(HKEY_LOCAL_MACHINE, keyPath.c_str()) || !key.QueryDword("DriverVersion", &version)) return 0xDEADBEEF;
    return version;
}

struct CountingProcessor {
    static inline int calls = 0;
    static inline DWORD failure = 0;
    static BOOL WINAPI Add(LPSTR server, LPSTR environment, LPSTR path, LPSTR name) {
        ++calls;
        if (failure != 0) {
            SetLastError(failure);
            return FALSE;
        }
        return DefaultSystemCalls().AddPrintProcessorA(server, environment, path, name);
    }
};

class ComponentChecksTest : public ::testing::Test {
protected:
    void SetUp() override {
        CountingProcessor::calls = 0;
        CountingProcessor::failure = 0;
        WriteTextFile(ProgramFolder(), "DRVCONFIG\\setup.ini", "[ProcessorVersion]\nDriverVersion=3\n");
        WriteTextFile(ProgramFolder(), ProcessSettings::Is64BitWindows() ? "W64\\VTPRTPRC.DLL" : "W32\\VTPRTPRC.DLL",
                      "processor");
    }
    ScopedSystemCall<decltype(SystemCallTable::AddPrintProcessorA)> counting{&SystemCallTable::AddPrintProcessorA,
                                                                            &CountingProcessor::Add};
};

TEST_F(ComponentChecksTest, ParallelAndNetworkPortsNeedNoMonitor) {
    CSetupConfig config(ProgramFolder());
    for (PortKind kind : {PortKind::Parallel, PortKind::Network}) {
        const ComponentCheck check = CheckPortMonitors(config, PrinterType::Receipt, OsIndex::Windows7, kind);
        EXPECT_TRUE(check.ok && check.value == 0 && check.leftOver.ok) << check.text;
        EXPECT_EQ(PrinterType::None, config.currentType) << "the configuration was consulted";
    }
    const ComponentCheck language =
        CheckLanguageMonitor(config, PrinterType::Label, OsIndex::Windows7, PortKind::Parallel);
    EXPECT_TRUE(language.ok && language.value == 0 && language.leftOver.ok) << language.text;
}

TEST_F(ComponentChecksTest, SystemProcessorIsNeverTouched) {
    CSetupConfig config(ProgramFolder());
    char file[200] = "winprint.dll";
    EXPECT_EQ(0, CheckPrintProcessor(config, OsIndex::Windows7, "WinPrint", file).value);
    EXPECT_EQ(0, CountingProcessor::calls);
    EXPECT_STREQ("winprint.dll", file) << "nothing copied";
}

TEST_F(ComponentChecksTest, MissingProcessorIsAddedAndItsVersionRecorded) {
    CSetupConfig config(ProgramFolder());
    char file[200] = "vtprtprc.dll";
    const ComponentCheck added = CheckPrintProcessor(config, OsIndex::Windows7, "VantoraPrint", file);
    ASSERT_TRUE(added.ok) << added.text;
    EXPECT_EQ(0, added.value);
    EXPECT_EQ("", added.leftOver.text);
    EXPECT_EQ(1, CountingProcessor::calls);
    EXPECT_STREQ("VTPRTPRC.DLL", file);
    EXPECT_EQ(3u, ReadVersion(PrintProcessorKeyPath(OsIndex::Windows7, "VantoraPrint")));

    // Installed and current: nothing more; configured newer: reported.
    EXPECT_EQ(0, CheckPrintProcessor(config, OsIndex::Windows7, "VantoraPrint", file).value);
    WriteTextFile(ProgramFolder(), "DRVCONFIG\\setup.ini", "[ProcessorVersion]\nDriverVersion=4\n");
    const ComponentCheck older = CheckPrintProcessor(config, OsIndex::Windows7, "VantoraPrint", file);
    EXPECT_EQ(kPrintProcessorOlder, older.value);
    EXPECT_EQ(1, CountingProcessor::calls);
    EXPECT_TRUE(older.ok && older.leftOver.ok) << older.text;
}

TEST_F(ComponentChecksTest, ProcessorTheSpoolerCallsInstalledWithoutItsKeyFails) {
    CSetupConfig config(ProgramFolder());
    CountingProcessor::failure = ERROR_PRINT_PROCESSOR_ALREADY_INSTALLED;
    char file[200] = "VTPRTPRC.DLL";
    const ComponentCheck check = CheckPrintProcessor(config, OsIndex::Windows7, "VantoraGhost", file);
    EXPECT_FALSE(check.ok);
    EXPECT_EQ(Text("IDS_ERR_ADDPROCESSOR"), check.text);
}

// The monitors are the real fixture DLLs, loaded by Wine's spooler from the system folder.
class MonitorChecksTest : public ::testing::Test {
protected:
    static constexpr const char* kMonitors[] = {"Vantora Serial Port", "Vantora USB Port", "Vantora Language Monitor"};

    void SetUp() override {
        char buffer[MAX_PATH] = {};
        GetSystemDirectoryA(buffer, sizeof buffer);
        system = std::string(buffer) + "\\";
        WriteTextFile(ProgramFolder(), "DRVCONFIG\\setup.ini",
                      "[COMMON-MONITOR.Win7]\n"
                      "COMMONitorPName=Vantora Serial Port\nCOMMONitorPDLLName=VTCOMMON.DLL\n"
                      "COMMONitorPUIDLLName=VTCOMMUI.DLL\nCOMMONitorVersion=2\n"
                      "USBMONitorPName=Vantora USB Port\nUSBMONitorPDLLName=VTUSBMON.DLL\n"
                      "USBMONitorPUIDLLName=0\nUSBMONitorVersion=5\n"
                      "USBLMONitorName=Vantora Language Monitor\nUSBLMONitorDLLName=VTLMON.DLL\nUSBLMONitorVersion=3\n");
        for (const char* name : kMonitors) DeleteMonitorA(nullptr, nullptr, const_cast<char*>(name));
        for (const char* file : {"VTCOMMON.DLL", "nVTCOMMON.DLL", "VTCOMMUI.DLL", "VTUSBMON.DLL", "nVTUSBMON.DLL",
                                 "VTLMON.DLL"}) {
            DeleteFileA((system + file).c_str());
        }
    }
    void TearDown() override {
        for (HMODULE module : locks) FreeLibrary(module);
        for (const char* name : kMonitors) DeleteMonitorA(nullptr, nullptr, const_cast<char*>(name));
    }

    static bool MonitorListed(const char* name) {
        DWORD needed = 0, count = 0;
        EnumMonitorsA(nullptr, 1, nullptr, 0, &needed, &count);
        std::string buffer(needed, '\0');
        if (!EnumMonitorsA(nullptr, 1, reinterpret_cast<BYTE*>(buffer.data()), needed, &needed, &count)) return false;
        const auto* monitors = reinterpret_cast<const MONITOR_INFO_1A*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) {
            if (std::strcmp(monitors[i].pName, name) == 0) return true;
        }
        return false;
    }

    // Holds a copy of the DLL loaded, as a running spooler does.
    void Lock(const char* file) {
        CopyFileA((ProgramFolder() + "W32\\VTUSBMON.DLL").c_str(), (system + file).c_str(), FALSE);
        locks.push_back(LoadLibraryA((system + file).c_str()));
        ASSERT_NE(nullptr, locks.back()) << file;
    }

    std::string system;
    std::vector<HMODULE> locks;
};

TEST_F(MonitorChecksTest, MissingMonitorsAreCopiedAddedAndRecorded) {
    CSetupConfig config(ProgramFolder());
    const ComponentCheck serial = CheckPortMonitors(config, PrinterType::Ticket, OsIndex::Windows7, PortKind::Serial);
    ASSERT_TRUE(serial.ok) << serial.text;
    EXPECT_EQ(0, serial.value);
    EXPECT_EQ(PrinterType::Ticket, config.currentType);
    EXPECT_TRUE(MonitorListed("Vantora Serial Port"));
    EXPECT_NE("<missing>", ReadWholeFile(system + "VTCOMMUI.DLL"));
    EXPECT_EQ(2u, ReadVersion(MonitorKeyPath("Vantora Serial Port")));

    const ComponentCheck language = CheckLanguageMonitor(config, PrinterType::Ticket, OsIndex::Windows7, PortKind::Usb);
    ASSERT_TRUE(language.ok) << language.text;
    EXPECT_EQ(0, language.value);
    EXPECT_TRUE(MonitorListed("Vantora Language Monitor"));
    EXPECT_EQ(3u, ReadVersion(MonitorKeyPath("Vantora Language Monitor")));
    EXPECT_EQ("", serial.leftOver.text + language.leftOver.text);
}

TEST_F(MonitorChecksTest, OlderInstalledMonitorIsReportedAndNotCopied) {
    CSetupConfig config(ProgramFolder());
    ASSERT_TRUE(CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, MonitorKeyPath("Vantora Serial Port").c_str()));
    {
        CRegistryKey key;
        ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, MonitorKeyPath("Vantora Serial Port").c_str()));
        key.SetDword("DriverVersion", 1);
    }
    EXPECT_EQ(kSerialMonitorOlder,
              CheckPortMonitors(config, PrinterType::Receipt, OsIndex::Windows7, PortKind::Serial).value);
    EXPECT_EQ("<missing>", ReadWholeFile(system + "VTCOMMON.DLL"));
    // Serial ports of Windows NT 4 have no such monitor check on index 0, nor USB on NT.
    EXPECT_EQ(0, CheckPortMonitors(config, PrinterType::Receipt, OsIndex::Windows9x, PortKind::Serial).value);
    EXPECT_EQ(0, CheckPortMonitors(config, PrinterType::Receipt, OsIndex::WindowsNt4, PortKind::Usb).value);
    EXPECT_EQ(0, CheckLanguageMonitor(config, PrinterType::Receipt, OsIndex::WindowsNt4, PortKind::Usb).value);
}

TEST_F(MonitorChecksTest, LockedDllIsInstalledAsItsPrefixedCopy) {
    CSetupConfig config(ProgramFolder());
    Lock("VTUSBMON.DLL");
    const ComponentCheck check = CheckPortMonitors(config, PrinterType::Receipt, OsIndex::Windows7, PortKind::Usb);
    ASSERT_TRUE(check.ok) << check.text;
    EXPECT_EQ(0, check.value);
    EXPECT_NE("<missing>", ReadWholeFile(system + "nVTUSBMON.DLL"));
    EXPECT_TRUE(MonitorListed("Vantora USB Port"));
    CRegistryKey key;
    char driver[64] = {};
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, MonitorKeyPath("Vantora USB Port").c_str()));
    EXPECT_TRUE(key.QueryString("Driver", driver, sizeof driver));
    EXPECT_STREQ("nVTUSBMON.DLL", driver);
}

TEST_F(MonitorChecksTest, PrefixedCopyInUseTooNeedsARestart) {
    CSetupConfig config(ProgramFolder());
    Lock("VTUSBMON.DLL");
    Lock("nVTUSBMON.DLL");
    const ComponentCheck check = CheckPortMonitors(config, PrinterType::Receipt, OsIndex::Windows7, PortKind::Usb);
    EXPECT_FALSE(check.ok);
    EXPECT_EQ(Text("IDS_ERR_NEEDRESTART"), check.text);
    EXPECT_FALSE(MonitorListed("Vantora USB Port"));
}

BOOL WINAPI DiskFull(LPCSTR, LPCSTR, BOOL) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

// An older DLL of the same name still lets the spooler add the monitor; recording the
// configured version then would make every later run believe it current.
TEST_F(MonitorChecksTest, VersionIsNotRecordedWhenTheCopyFailed) {
    CSetupConfig config(ProgramFolder());
    struct Case {
        const char* monitor;
        const char* dll;
        PortKind portKind;
        bool language;
    };
    for (const Case& c : {Case{"Vantora USB Port", "VTUSBMON.DLL", PortKind::Usb, false},
                          Case{"Vantora Language Monitor", "VTLMON.DLL", PortKind::Usb, true}}) {
        SCOPED_TRACE(c.monitor);
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "W32\\VTUSBMON.DLL").c_str(), (system + c.dll).c_str(), FALSE));
        ComponentCheck result;
        {
            ScopedSystemCall<decltype(SystemCallTable::CopyFileA)> full(&SystemCallTable::CopyFileA, &DiskFull);
            result = c.language ? CheckLanguageMonitor(config, PrinterType::Receipt, OsIndex::Windows7, c.portKind)
                                : CheckPortMonitors(config, PrinterType::Receipt, OsIndex::Windows7, c.portKind);
        }
        EXPECT_TRUE(result.ok) << result.text;
        EXPECT_EQ(0, result.value);
        EXPECT_TRUE(MonitorListed(c.monitor)) << "added with the older DLL";
        EXPECT_EQ(0u, result.leftOver.text.rfind(Text("IDS_ERR_COPYFIEL"), 0)) << result.leftOver.text;
        EXPECT_EQ(0xDEADBEEFu, ReadVersion(MonitorKeyPath(c.monitor)));
    }
}

}  // namespace
