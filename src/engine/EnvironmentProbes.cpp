#include "engine/EnvironmentProbes.h"

#include "config/DomainTypes.h"
#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "config/RegistryKey.h"
#include "config/SetupConfig.h"
#include "config/TextCatalogue.h"
#include "framework/UniqueResource.h"
#include "platform/Notices.h"
#include "platform/SystemCalls.h"

#include <iterator>
#include <optional>
#include <span>
#include <vector>

bool IsNewerThanWindows7(DWORD platformId, DWORD majorVersion, DWORD minorVersion) {
    return platformId == VER_PLATFORM_WIN32_NT && (majorVersion > 6 || (majorVersion == 6 && minorVersion >= 2));
}

namespace {

OsIndex OsIndexOfVersion(DWORD majorVersion, DWORD minorVersion, bool workstation, WORD processorArchitecture,
                         bool newerWindows) {
    using enum OsIndex;
    // The same spooler interfaces, driver store and redirection as Windows 7; the
    // server editions go the way the server edition of 6.1 goes.
    if (IsNewerThanWindows7(VER_PLATFORM_WIN32_NT, majorVersion, minorVersion))
        return newerWindows ? (workstation ? Windows7 : WindowsServer2008) : Windows9x;
    if (majorVersion == 4 && minorVersion == 0) return WindowsNt4;
    if (majorVersion == 5 && minorVersion == 0) return Windows2000;
    if (majorVersion == 5 && minorVersion == 1) return WindowsXp;
    // XP Professional x64 is built on the Server 2003 kernel.
    if (majorVersion == 5 && minorVersion == 2)
        return (workstation && processorArchitecture == PROCESSOR_ARCHITECTURE_AMD64) ? WindowsXp : WindowsServer2003;
    if (majorVersion == 6 && minorVersion == 0) return workstation ? WindowsVista : WindowsServer2008;
    if (majorVersion == 6 && minorVersion == 1) return workstation ? Windows7 : WindowsServer2008;
    return Windows9x;
}

}  // namespace

std::optional<OsIndex> MapWindowsVersionToOsIndex(DWORD platformId, DWORD majorVersion, DWORD minorVersion,
                                                  BYTE productType, WORD processorArchitecture, bool newerWindows) {
    if (platformId == VER_PLATFORM_WIN32_WINDOWS) return OsIndex::Windows9x;
    if (platformId != VER_PLATFORM_WIN32_NT) return std::nullopt;
    return OsIndexOfVersion(majorVersion, minorVersion, productType == VER_NT_WORKSTATION, processorArchitecture,
                            newerWindows);
}

bool NewerWindowsAllowed() { return ReadDeviceSetting(ConfigKeys::NewerWindows) != 0; }

namespace {

struct WindowsName {
    DWORD major, minor;
    const char* workstation;
    const char* server;
};
// Windows 10 and 11, and their servers, share 10.0 and differ by build only.
constexpr WindowsName kWindowsNames[] = {
    {4, 0, "Windows NT 4.0", "Windows NT 4.0 Server"},
    {5, 0, "Windows 2000", "Windows 2000 Server"},
    {5, 1, "Windows XP", "Windows XP"},
    {5, 2, "Windows Server 2003", "Windows Server 2003"},
    {6, 0, "Windows Vista", "Windows Server 2008"},
    {6, 1, "Windows 7", "Windows Server 2008 R2"},
    {6, 2, "Windows 8", "Windows Server 2012"},
    {6, 3, "Windows 8.1", "Windows Server 2012 R2"},
};
struct BuildName {
    DWORD firstBuild;
    const char* name;
};
constexpr BuildName kWorkstationBuilds[] = {{22000, "Windows 11"}, {0, "Windows 10"}};
constexpr BuildName kServerBuilds[] = {{26100, "Windows Server 2025"},
                                       {20348, "Windows Server 2022"},
                                       {17763, "Windows Server 2019"},
                                       {0, "Windows Server 2016"}};

std::string NtName(DWORD major, DWORD minor, DWORD build, bool workstation, WORD processorArchitecture) {
    if (major == 5 && minor == 2 && workstation && processorArchitecture == PROCESSOR_ARCHITECTURE_AMD64)
        return "Windows XP Professional x64 Edition";
    for (const WindowsName& known : kWindowsNames)
        if (known.major == major && known.minor == minor) return workstation ? known.workstation : known.server;
    if (major == 10 && minor == 0) {
        const std::span<const BuildName> builds = workstation ? std::span<const BuildName>(kWorkstationBuilds)
                                                              : std::span<const BuildName>(kServerBuilds);
        for (const BuildName& known : builds)
            if (build >= known.firstBuild) return known.name;
    }
    return "Windows NT " + std::to_string(major) + "." + std::to_string(minor);
}

}  // namespace

std::string WindowsDisplayName(DWORD platformId, DWORD majorVersion, DWORD minorVersion, DWORD buildNumber,
                               BYTE productType, WORD processorArchitecture) {
    if (platformId == VER_PLATFORM_WIN32_WINDOWS) {
        // 9x keeps the version in the build number's high word.
        const std::string build = " (build " + std::to_string(LOWORD(buildNumber)) + ")";
        if (minorVersion == 0) return "Windows 95" + build;
        if (minorVersion == 10) return "Windows 98" + build;
        if (minorVersion == 90) return "Windows Me" + build;
        return "Windows " + std::to_string(majorVersion) + "." + std::to_string(minorVersion) + build;
    }
    if (platformId != VER_PLATFORM_WIN32_NT) return "Windows platform " + std::to_string(platformId);
    return NtName(majorVersion, minorVersion, buildNumber, productType == VER_NT_WORKSTATION, processorArchitecture) +
           " (build " + std::to_string(buildNumber) + ")";
}

const char* OsIndexName(OsIndex os) {
    constexpr const char* kNames[kOsIndexCount] = {"Windows 98/Me", "Windows NT",          "Windows 2000",
                                      "Windows XP",    "Windows Server 2003", "Windows Vista",
                                      "Windows Server 2008", "Windows 7"};
    return IsKnownOsIndex(os) ? kNames[ToNumber(os)] : "";
}

RunningWindows ReadRunningWindows() {
    RunningWindows running;
    running.version.dwOSVersionInfoSize = sizeof running.version;
    if (!SystemCalls().GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&running.version))) {
        // Older systems know only the short structure.
        running.version = {};
        running.version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        SystemCalls().GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&running.version));
    }

    // A 32-bit program sees its own emulated processor in GetSystemInfo; only the
    // native call (XP and later) tells an x64 Windows.
    SYSTEM_INFO system = {};
    using NativeSystemInfo = void(WINAPI*)(LPSYSTEM_INFO);
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    auto getNative = kernel32 ? reinterpret_cast<NativeSystemInfo>(
                                    reinterpret_cast<void*>(SystemCalls().GetProcAddress(kernel32, "GetNativeSystemInfo")))
                              : nullptr;
    if (getNative)
        getNative(&system);
    else
        GetSystemInfo(&system);
    running.processorArchitecture = system.wProcessorArchitecture;
    return running;
}

DetectedWindows DescribeWindows(const RunningWindows& running, bool newerWindows) {
    const OSVERSIONINFOEXA& v = running.version;
    DetectedWindows detected;
    detected.name = WindowsDisplayName(v.dwPlatformId, v.dwMajorVersion, v.dwMinorVersion, v.dwBuildNumber,
                                       v.wProductType, running.processorArchitecture);
    detected.osIndex = MapWindowsVersionToOsIndex(v.dwPlatformId, v.dwMajorVersion, v.dwMinorVersion, v.wProductType,
                                                  running.processorArchitecture, newerWindows);
    detected.asWindows7Family = detected.osIndex && IsNtFamilyFromNt4(*detected.osIndex) &&
                                IsNewerThanWindows7(v.dwPlatformId, v.dwMajorVersion, v.dwMinorVersion);
    return detected;
}

DetectedWindows DescribeRunningWindows() { return DescribeWindows(ReadRunningWindows(), NewerWindowsAllowed()); }

OsIndex DetectSystem() {
    const RunningWindows running = ReadRunningWindows();
    const std::optional<OsIndex> os =
        MapWindowsVersionToOsIndex(running.version.dwPlatformId, running.version.dwMajorVersion,
                                   running.version.dwMinorVersion, running.version.wProductType,
                                   running.processorArchitecture, NewerWindowsAllowed());
    if (!os) {
        Notify(MessageCatalogue.ReadText("IDS_ERR_SYSTEM"), MB_OK);
        return OsIndex::Windows9x;
    }
    return *os;
}

bool IsUserAdministrator() {
    UniqueHandle token;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, token.put())) {
        if (GetLastError() != ERROR_NO_TOKEN) return false;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
    }

    DWORD needed = 0;
    if (GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &needed) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0)
        return false;
    std::vector<BYTE> buffer(needed);
    if (!GetTokenInformation(token.get(), TokenGroups, buffer.data(), needed, &needed)) return false;
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    UniqueSid administrators;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                  0, 0, administrators.put()))
        return false;

    // Deny-only membership counts too: the group's attributes are not looked at.
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (EqualSid(groups->Groups[i].Sid, administrators.get())) return true;
    }
    return false;
}

bool ProtectedPrintModeOn() {
    CRegistryKey key;
    if (!key.OpenForReading(HKEY_LOCAL_MACHINE, "SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP"))
        return false;
    const DWORD on = 1;
    const std::string one(reinterpret_cast<const char*>(&on), sizeof on);
    for (const RegistryValue& value : key.Values()) {
        if ((lstrcmpiA(value.name.c_str(), "WindowsProtectedPrintGroupPolicyState") == 0 ||
             lstrcmpiA(value.name.c_str(), "WindowsProtectedPrintMode") == 0) &&
            value.type == REG_DWORD && value.data == one)
            return true;
    }
    return false;
}
