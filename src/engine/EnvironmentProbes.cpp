#include "engine/EnvironmentProbes.h"

#include "config/TextCatalogue.h"
#include "framework/UniqueResource.h"
#include "platform/Notices.h"
#include "platform/SystemCalls.h"

#include <vector>

int MapWindowsVersionToOsIndex(DWORD platformId, DWORD majorVersion, DWORD minorVersion, BYTE productType,
                               WORD processorArchitecture) {
    if (platformId == VER_PLATFORM_WIN32_WINDOWS) return 0;
    if (platformId != VER_PLATFORM_WIN32_NT) return kUnknownPlatform;
    const bool workstation = productType == VER_NT_WORKSTATION;
    if (majorVersion == 4 && minorVersion == 0) return 1;
    if (majorVersion == 5 && minorVersion == 0) return 2;
    if (majorVersion == 5 && minorVersion == 1) return 3;
    // XP Professional x64 is built on the Server 2003 kernel.
    if (majorVersion == 5 && minorVersion == 2)
        return (workstation && processorArchitecture == PROCESSOR_ARCHITECTURE_AMD64) ? 3 : 4;
    if (majorVersion == 6 && minorVersion == 0) return workstation ? 5 : 6;
    if (majorVersion == 6 && minorVersion == 1) return workstation ? 7 : 6;
    return 0;
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

int DetectSystem() {
    const RunningWindows running = ReadRunningWindows();
    const int os = MapWindowsVersionToOsIndex(running.version.dwPlatformId, running.version.dwMajorVersion,
                                              running.version.dwMinorVersion, running.version.wProductType,
                                              running.processorArchitecture);
    if (os == kUnknownPlatform) {
        Notify(MessageCatalogue.ReadText("IDS_ERR_SYSTEM"), MB_OK);
        return 0;
    }
    return os;
}

int IsUserAdministrator() {
    UniqueHandle token;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, token.put())) {
        if (GetLastError() != ERROR_NO_TOKEN) return 0;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return 0;
    }

    DWORD needed = 0;
    if (GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &needed) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0)
        return 0;
    std::vector<BYTE> buffer(needed);
    if (!GetTokenInformation(token.get(), TokenGroups, buffer.data(), needed, &needed)) return 0;
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    UniqueSid administrators;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                  0, 0, administrators.put()))
        return 0;

    // Deny-only membership counts too: the group's attributes are not looked at.
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (EqualSid(groups->Groups[i].Sid, administrators.get())) return 1;
    }
    return 0;
}
