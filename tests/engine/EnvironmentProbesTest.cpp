#include "engine/EnvironmentProbes.h"

#include "config/ProfileReader.h"
#include "support/Overrides.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

namespace {

struct VersionCase {
    DWORD platform, major, minor;
    BYTE productType;
    WORD architecture;
    int expected;
    const char* what;
};

constexpr BYTE kWorkstation = VER_NT_WORKSTATION;
constexpr BYTE kServer = VER_NT_SERVER;
constexpr WORD kX86 = PROCESSOR_ARCHITECTURE_INTEL;
constexpr WORD kAmd64 = PROCESSOR_ARCHITECTURE_AMD64;

TEST(WindowsVersionMapping, FollowsTheVersionTable) {
    const VersionCase cases[] = {
        {1, 4, 0, 0, kX86, 0, "Windows 95"},
        {1, 4, 10, 0, kX86, 0, "Windows 98"},
        {1, 4, 90, 0, kX86, 0, "Windows Me"},
        {2, 4, 0, kWorkstation, kX86, 1, "Windows NT 4.0"},
        {2, 5, 0, kWorkstation, kX86, 2, "Windows 2000"},
        {2, 5, 0, kServer, kX86, 2, "Windows 2000 Server"},
        {2, 5, 1, kWorkstation, kX86, 3, "Windows XP"},
        {2, 5, 2, kWorkstation, kAmd64, 3, "Windows XP Professional x64"},
        {2, 5, 2, kWorkstation, kX86, 4, "NT 5.2 workstation on x86"},
        {2, 5, 2, kServer, kAmd64, 4, "Windows Server 2003 x64"},
        {2, 5, 2, kServer, kX86, 4, "Windows Server 2003"},
        {2, 6, 0, kWorkstation, kX86, 5, "Windows Vista"},
        {2, 6, 0, kServer, kAmd64, 6, "Windows Server 2008"},
        {2, 6, 0, VER_NT_DOMAIN_CONTROLLER, kX86, 6, "Windows Server 2008 domain controller"},
        {2, 6, 1, kWorkstation, kAmd64, 7, "Windows 7 x64"},
        {2, 6, 1, kServer, kAmd64, 6, "Windows Server 2008 R2"},
        {2, 6, 2, kWorkstation, kAmd64, 0, "Windows 8"},
        {2, 10, 0, kWorkstation, kAmd64, 0, "Windows 10"},
        {2, 3, 51, kWorkstation, kX86, 0, "Windows NT 3.51"},
        {2, 5, 3, kWorkstation, kX86, 0, "unknown NT 5.3"},
        {0, 3, 10, 0, kX86, kUnknownPlatform, "Win32s"},
        {3, 5, 0, 0, kX86, kUnknownPlatform, "Windows CE"},
    };
    for (const VersionCase& c : cases)
        EXPECT_EQ(MapWindowsVersionToOsIndex(c.platform, c.major, c.minor, c.productType, c.architecture), c.expected)
            << c.what;
}

TEST(DetectSystem, AgreesWithTheMappingForWhatWineReports) {
    OSVERSIONINFOEXA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version)));
    SYSTEM_INFO system = {};
    GetNativeSystemInfo(&system);
    MessageBoxRecorder boxes;
    const int expected = MapWindowsVersionToOsIndex(version.dwPlatformId, version.dwMajorVersion,
                                                    version.dwMinorVersion, version.wProductType,
                                                    system.wProcessorArchitecture);
    EXPECT_EQ(DetectSystem(), expected) << "Wine reports " << version.dwMajorVersion << "." << version.dwMinorVersion
                                        << " product type " << int(version.wProductType);
    EXPECT_TRUE(boxes.shown.empty());
    // The WoW64 prefix is 64-bit Windows: the native processor is AMD64, ours is not.
    EXPECT_EQ(system.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
}

TEST(DetectSystem, XpX64NeedsTheNativeProcessorNotTheEmulatedOne) {
    FakeWindowsVersion xp64(VER_PLATFORM_WIN32_NT, 5, 2, VER_NT_WORKSTATION);
    EXPECT_EQ(DetectSystem(), 3);
}

TEST(DetectSystem, UnknownPlatformIsReportedAndMapsToZero) {
    WriteTextFile(ProgramFolder(), "language\\setup.ini", "[Message]\nIDS_ERR_SYSTEM=This Windows is not known.\n");
    {
        FakeWindowsVersion ce(3, 5, 0);
        MessageBoxRecorder boxes;
        EXPECT_EQ(DetectSystem(), 0);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "This Windows is not known.");
        EXPECT_EQ(boxes.shown[0].type & 0xF, static_cast<UINT>(MB_OK));
    }
    {
        FakeWindowsVersion windows8(VER_PLATFORM_WIN32_NT, 6, 2);
        MessageBoxRecorder boxes;
        EXPECT_EQ(DetectSystem(), 0);
        EXPECT_TRUE(boxes.shown.empty()) << "an unlisted NT version is silent";
    }
    RemoveTree(ProgramFolder() + "language");
}

TEST(IsUserAdministrator, AnswersOneFromTheProcessTokenAndFromAThreadToken) {
    HANDLE token = nullptr;
    ASSERT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, &token));
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_TOKEN)) << "the thread starts without a token of its own";
    EXPECT_EQ(IsUserAdministrator(), 1);

    ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
    ASSERT_TRUE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, &token));
    CloseHandle(token);
    EXPECT_EQ(IsUserAdministrator(), 1);
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
