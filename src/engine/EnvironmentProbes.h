#pragma once

#include <windows.h>

// OS index of a Windows version: 0 98/Me, 1 NT, 2 2000, 3 XP (and XP x64),
// 4 Server 2003, 5 Vista, 6 Server 2008 (and 2008 R2), 7 Windows 7. An NT version
// outside the table maps to 0; a platform that is neither 9x nor NT gives
// kUnknownPlatform.
constexpr int kUnknownPlatform = -1;
int MapWindowsVersionToOsIndex(DWORD platformId, DWORD majorVersion, DWORD minorVersion, BYTE productType,
                               WORD processorArchitecture);

// The running Windows as the version probe sees it: the long version structure and
// the native processor architecture.
struct RunningWindows {
    OSVERSIONINFOEXA version = {};
    WORD processorArchitecture = 0;
};
RunningWindows ReadRunningWindows();

// OS index of the running Windows; 0 for anything unlisted. A platform that is
// neither 9x nor NT is reported with [Message] IDS_ERR_SYSTEM.
int DetectSystem();

// 1 when the current thread's token (or, without one, the process's) holds the
// Administrators group; 0 otherwise or when it cannot be told.
int IsUserAdministrator();
