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
    std::string errorText;
    ScopedSystemCall<decltype(SystemCallTable::AddPrintProcessorA)> counting{&SystemCallTable::AddPrintProcessorA,
                                                                            &CountingProcessor::Add};
};

TEST_F(ComponentChecksTest, ParallelAndNetworkPortsNeedNoMonitor) {
    CSetupConfig config(ProgramFolder());
    for (int kind : {kParallelInterface, kNetworkInterface}) {
        EXPECT_EQ(0, CheckPortMonitors(config, 0, 7, kind, errorText));
        EXPECT_EQ(0, CheckLanguageMonitor(config, 2, 7, kind, errorText));
    }
    EXPECT_TRUE(errorText.empty());
}

TEST_F(ComponentChecksTest, SystemProcessorIsNeverTouched) {
    CSetupConfig config(ProgramFolder());
    char file[200] = "winprint.dll";
    EXPECT_EQ(0, CheckPrintProcessor(config, 7, "WinPrint", file, errorText));
    EXPECT_EQ(0, CountingProcessor::calls);
    EXPECT_STREQ("winprint.dll", file) << "nothing copied";
}

TEST_F(ComponentChecksTest, MissingProcessorIsAddedAndItsVersionRecorded) {
    CSetupConfig config(ProgramFolder());
    char file[200] = "vtprtprc.dll";
    ASSERT_EQ(0, CheckPrintProcessor(config, 7, "VantoraPrint", file, errorText)) << errorText;
    EXPECT_EQ(1, CountingProcessor::calls);
    EXPECT_STREQ("VTPRTPRC.DLL", file);
    EXPECT_EQ(3u, ReadVersion(PrintProcessorKeyPath(7, "VantoraPrint")));

    // Installed and current: nothing more; configured newer: reported.
    EXPECT_EQ(0, CheckPrintProcessor(config, 7, "VantoraPrint", file, errorText));
    WriteTextFile(ProgramFolder(), "DRVCONFIG\\setup.ini", "[ProcessorVersion]\nDriverVersion=4\n");
    EXPECT_EQ(kPrintProcessorOlder, CheckPrintProcessor(config, 7, "VantoraPrint", file, errorText));
    EXPECT_EQ(1, CountingProcessor::calls);
    EXPECT_TRUE(errorText.empty()) << errorText;
}

TEST_F(ComponentChecksTest, ProcessorTheSpoolerCallsInstalledWithoutItsKeyFails) {
    CSetupConfig config(ProgramFolder());
    CountingProcessor::failure = ERROR_PRINT_PROCESSOR_ALREADY_INSTALLED;
    char file[200] = "VTPRTPRC.DLL";
    EXPECT_EQ(kProcessorCheckFailed, CheckPrintProcessor(config, 7, "VantoraGhost", file, errorText));
    EXPECT_EQ(Text("IDS_ERR_ADDPROCESSOR"), errorText);
}

}  // namespace
