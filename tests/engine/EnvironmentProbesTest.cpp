#include "engine/EnvironmentProbes.h"

#include "config/ProfileReader.h"
#include "support/Overrides.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct VersionCase {
    DWORD platform, major, minor, build;
    BYTE productType;
    WORD architecture;
    int withoutSwitch, withSwitch;  // OS index with NewerWindows 0 and 1
    const char* name;               // the running Windows as the journal and the OS page name it
};

constexpr BYTE kWorkstation = VER_NT_WORKSTATION;
constexpr BYTE kServer = VER_NT_SERVER;
constexpr BYTE kController = VER_NT_DOMAIN_CONTROLLER;
constexpr WORD kX86 = PROCESSOR_ARCHITECTURE_INTEL;
constexpr WORD kAmd64 = PROCESSOR_ARCHITECTURE_AMD64;
constexpr int kUnknown = -1;

// The table's OS index as the mapping answers it: none for a platform it does not know.
std::optional<OsIndex> Expected(int osIndex) {
    if (osIndex == kUnknown) return std::nullopt;
    return OsIndexFromNumber(osIndex);
}

// Every version the switch could touch, and those it must leave alone.
TEST(WindowsVersionMapping, FollowsTheVersionTableAndTheNewerWindowsSwitch) {
    const VersionCase cases[] = {
        {1, 4, 0, 0x040003B6, 0, kX86, 0, 0, "Windows 95 (build 950)"},
        {1, 4, 10, 0x040A08AE, 0, kX86, 0, 0, "Windows 98 (build 2222)"},
        {1, 4, 90, 0x045A0BB8, 0, kX86, 0, 0, "Windows Me (build 3000)"},
        {2, 4, 0, 1381, kWorkstation, kX86, 1, 1, "Windows NT 4.0 (build 1381)"},
        {2, 5, 0, 2195, kWorkstation, kX86, 2, 2, "Windows 2000 (build 2195)"},
        {2, 5, 0, 2195, kServer, kX86, 2, 2, "Windows 2000 Server (build 2195)"},
        {2, 5, 1, 2600, kWorkstation, kX86, 3, 3, "Windows XP (build 2600)"},
        {2, 5, 2, 3790, kWorkstation, kAmd64, 3, 3, "Windows XP Professional x64 Edition (build 3790)"},
        {2, 5, 2, 3790, kWorkstation, kX86, 4, 4, "Windows Server 2003 (build 3790)"},
        {2, 5, 2, 3790, kServer, kAmd64, 4, 4, "Windows Server 2003 (build 3790)"},
        {2, 5, 2, 3790, kServer, kX86, 4, 4, "Windows Server 2003 (build 3790)"},
        {2, 6, 0, 6002, kWorkstation, kX86, 5, 5, "Windows Vista (build 6002)"},
        {2, 6, 0, 6002, kServer, kAmd64, 6, 6, "Windows Server 2008 (build 6002)"},
        {2, 6, 0, 6002, kController, kX86, 6, 6, "Windows Server 2008 (build 6002)"},
        {2, 6, 1, 7601, kWorkstation, kAmd64, 7, 7, "Windows 7 (build 7601)"},
        {2, 6, 1, 7601, kWorkstation, kX86, 7, 7, "Windows 7 (build 7601)"},
        {2, 6, 1, 7601, kServer, kAmd64, 6, 6, "Windows Server 2008 R2 (build 7601)"},
        {2, 6, 2, 9200, kWorkstation, kAmd64, 0, 7, "Windows 8 (build 9200)"},
        {2, 6, 2, 9200, kWorkstation, kX86, 0, 7, "Windows 8 (build 9200)"},
        {2, 6, 2, 9200, kServer, kAmd64, 0, 6, "Windows Server 2012 (build 9200)"},
        {2, 6, 3, 9600, kWorkstation, kX86, 0, 7, "Windows 8.1 (build 9600)"},
        {2, 6, 3, 9600, kServer, kAmd64, 0, 6, "Windows Server 2012 R2 (build 9600)"},
        {2, 10, 0, 19045, kWorkstation, kAmd64, 0, 7, "Windows 10 (build 19045)"},
        {2, 10, 0, 19045, kWorkstation, kX86, 0, 7, "Windows 10 (build 19045)"},
        {2, 10, 0, 22631, kWorkstation, kAmd64, 0, 7, "Windows 11 (build 22631)"},
        {2, 10, 0, 14393, kServer, kAmd64, 0, 6, "Windows Server 2016 (build 14393)"},
        {2, 10, 0, 17763, kController, kAmd64, 0, 6, "Windows Server 2019 (build 17763)"},
        {2, 10, 0, 20348, kServer, kAmd64, 0, 6, "Windows Server 2022 (build 20348)"},
        {2, 10, 0, 26100, kServer, kAmd64, 0, 6, "Windows Server 2025 (build 26100)"},
        {2, 11, 0, 30000, kWorkstation, kAmd64, 0, 7, "Windows NT 11.0 (build 30000)"},
        {2, 11, 0, 30000, kServer, kAmd64, 0, 6, "Windows NT 11.0 (build 30000)"},
        {2, 99, 99, 99999, kWorkstation, kAmd64, 0, 7, "Windows NT 99.99 (build 99999)"},
        {2, 3, 51, 1057, kWorkstation, kX86, 0, 0, "Windows NT 3.51 (build 1057)"},
        {2, 5, 3, 4000, kWorkstation, kX86, 0, 0, "Windows NT 5.3 (build 4000)"},
        {2, 6, 4, 9841, kWorkstation, kAmd64, 0, 7, "Windows NT 6.4 (build 9841)"},
        {0, 3, 10, 0, 0, kX86, kUnknown, kUnknown, "Windows platform 0"},
        {3, 5, 0, 0, 0, kX86, kUnknown, kUnknown, "Windows platform 3"},
    };
    for (const VersionCase& c : cases) {
        const std::string version = std::to_string(c.platform) + ":" + std::to_string(c.major) + "." +
                                    std::to_string(c.minor) + " product " + std::to_string(c.productType) +
                                    " architecture " + std::to_string(c.architecture);
        EXPECT_EQ(MapWindowsVersionToOsIndex(c.platform, c.major, c.minor, c.productType, c.architecture, false),
                  Expected(c.withoutSwitch))
            << version << " without the switch";
        EXPECT_EQ(MapWindowsVersionToOsIndex(c.platform, c.major, c.minor, c.productType, c.architecture, true),
                  Expected(c.withSwitch))
            << version << " with the switch";
        EXPECT_EQ(WindowsDisplayName(c.platform, c.major, c.minor, c.build, c.productType, c.architecture), c.name)
            << version;
        // What the journal records: the real Windows, and the family only where it differs.
        RunningWindows running;
        running.version.dwPlatformId = c.platform;
        running.version.dwMajorVersion = c.major;
        running.version.dwMinorVersion = c.minor;
        running.version.dwBuildNumber = c.build;
        running.version.wProductType = c.productType;
        running.processorArchitecture = c.architecture;
        const DetectedWindows detected = DescribeWindows(running, true);
        EXPECT_EQ(detected.name, c.name) << version;
        EXPECT_EQ(detected.osIndex, Expected(c.withSwitch)) << version;
        EXPECT_EQ(detected.asWindows7Family, c.withSwitch > 0 && c.withoutSwitch == 0) << version;
        if (detected.asWindows7Family) {
            EXPECT_STREQ(OsIndexName(*detected.osIndex),
                         c.productType == kWorkstation ? "Windows 7" : "Windows Server 2008")
                << version;
        }
        EXPECT_FALSE(DescribeWindows(running, false).asWindows7Family) << version;
    }
}

TEST(DetectSystem, AgreesWithTheMappingForWhatWineReports) {
    OSVERSIONINFOEXA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version)));
    SYSTEM_INFO system = {};
    GetNativeSystemInfo(&system);
    MessageBoxRecorder boxes;
    const std::optional<OsIndex> expected = MapWindowsVersionToOsIndex(version.dwPlatformId, version.dwMajorVersion,
                                                    version.dwMinorVersion, version.wProductType,
                                                    system.wProcessorArchitecture, false);
    EXPECT_EQ(DetectSystem(), expected) << "Wine reports " << version.dwMajorVersion << "." << version.dwMinorVersion
                                        << " product type " << int(version.wProductType);
    EXPECT_TRUE(boxes.shown.empty());
    // The WoW64 prefix is 64-bit Windows: the native processor is AMD64, ours is not.
    EXPECT_EQ(system.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
}

TEST(DetectSystem, XpX64NeedsTheNativeProcessorNotTheEmulatedOne) {
    FakeWindowsVersion xp64(VER_PLATFORM_WIN32_NT, 5, 2, VER_NT_WORKSTATION);
    EXPECT_EQ(DetectSystem(), OsIndex::WindowsXp);
}

TEST(DetectSystem, UnknownPlatformIsReportedAndMapsToZero) {
    WriteTextFile(ProgramFolder(), "language\\setup.ini", "[Message]\nIDS_ERR_SYSTEM=This Windows is not known.\n");
    {
        FakeWindowsVersion ce(3, 5, 0);
        MessageBoxRecorder boxes;
        EXPECT_EQ(DetectSystem(), OsIndex::Windows9x);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "This Windows is not known.");
        EXPECT_EQ(boxes.shown[0].type & 0xF, static_cast<UINT>(MB_OK));
    }
    {
        FakeWindowsVersion windows8(VER_PLATFORM_WIN32_NT, 6, 2);
        MessageBoxRecorder boxes;
        EXPECT_EQ(DetectSystem(), OsIndex::Windows9x);
        EXPECT_TRUE(boxes.shown.empty()) << "an unlisted NT version is silent";
    }
    RemoveTree(ProgramFolder() + "language");
}

// Wine offers no server above 6.1: the version comes through the call table.
TEST(DetectSystem, NewerWindowsFollowTheDistributionsSwitch) {
    const struct {
        const char* setting;
        BYTE productType;
        OsIndex expected;
    } cases[] = {
        {"NewerWindows=1\n", VER_NT_WORKSTATION, OsIndex::Windows7},
        {"NewerWindows=1\n", VER_NT_SERVER, OsIndex::WindowsServer2008},
        {"NewerWindows=0\n", VER_NT_SERVER, OsIndex::Windows9x},
        {"", VER_NT_WORKSTATION, OsIndex::Windows9x},
    };
    for (const auto& c : cases) {
        WriteTextFile(ProgramFolder(), "DRVCONFIG\\setup.ini", std::string("[DEVICENAME]\n") + c.setting);
        FakeWindowsVersion windows10(VER_PLATFORM_WIN32_NT, 10, 0, c.productType, 20348);
        MessageBoxRecorder boxes;
        EXPECT_EQ(DetectSystem(), c.expected) << c.setting << " product type " << int(c.productType);
        EXPECT_EQ(DescribeRunningWindows().osIndex, c.expected) << c.setting;
        EXPECT_TRUE(boxes.shown.empty());
    }
    RemoveTree(ProgramFolder() + "DRVCONFIG");
}

TEST(IsUserAdministrator, AnswersYesFromTheProcessTokenAndFromAThreadToken) {
    HANDLE token = nullptr;
    ASSERT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, &token));
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_TOKEN)) << "the thread starts without a token of its own";
    EXPECT_TRUE(IsUserAdministrator());

    ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
    ASSERT_TRUE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, &token));
    CloseHandle(token);
    EXPECT_TRUE(IsUserAdministrator());
    RevertToSelf();
}

// Every path releases its token: a leaked handle would hold the lowest free slot, so the
// next new handle would get another value. (Wine's GetProcessHandleCount answers 0.)
TEST(IsUserAdministrator, LeavesNoHandleBehind) {
    HANDLE before = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(before);
    for (int i = 0; i < 100; ++i) IsUserAdministrator();
    HANDLE after = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(after);
    EXPECT_EQ(after, before);
}

}  // namespace
