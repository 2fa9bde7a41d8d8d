#pragma once

#include <windows.h>

#include <string>

// True for NT 6.2 and later: Windows 8 onwards, which the OS index knows only as
// members of the Windows 7 family.
bool IsNewerThanWindows7(DWORD platformId, DWORD majorVersion, DWORD minorVersion);

// OS index of a Windows version: 0 98/Me, 1 NT, 2 2000, 3 XP (and XP x64),
// 4 Server 2003, 5 Vista, 6 Server 2008 (and 2008 R2), 7 Windows 7. Windows 8 and
// later map to 7 (workstation) or 6 (server) when the distribution lets them be
// installed as the Windows 7 family (newerWindows), to 0 otherwise. Any other NT
// version outside the table maps to 0; a platform that is neither 9x nor NT gives
// kUnknownPlatform.
constexpr int kUnknownPlatform = -1;
int MapWindowsVersionToOsIndex(DWORD platformId, DWORD majorVersion, DWORD minorVersion, BYTE productType,
                               WORD processorArchitecture, bool newerWindows);

// The distribution's opt-in for Windows 8 and later: DRVCONFIG\setup.ini [DEVICENAME]
// NewerWindows nonzero. Missing or 0 keeps them refused.
bool NewerWindowsAllowed();

// The name of a Windows version as its maker sells it, with its build for NT:
// "Windows 10 (build 19045)", "Windows Server 2012 R2 (build 9600)". A version no
// name is known for reads "Windows NT 11.0 (build 30000)".
std::string WindowsDisplayName(DWORD platformId, DWORD majorVersion, DWORD minorVersion, DWORD buildNumber,
                               BYTE productType, WORD processorArchitecture);

// The name of the system an OS index stands for: "Windows 7", "Windows Server 2008";
// the empty text outside 0..7.
const char* OsIndexName(int osIndex);

// The running Windows as the version probe sees it: the long version structure and
// the native processor architecture.
struct RunningWindows {
    OSVERSIONINFOEXA version = {};
    WORD processorArchitecture = 0;
};
RunningWindows ReadRunningWindows();

// The running Windows by its own name and the OS index it is installed as: on
// Windows 8 and later with the distribution's opt-in, for example
// {"Windows 10 (build 19045)", 7, true}.
struct DetectedWindows {
    std::string name;
    int osIndex = 0;
    bool asWindows7Family = false;  // the index stands for a family it only belongs to
};
DetectedWindows DescribeWindows(const RunningWindows& running, bool newerWindows);
DetectedWindows DescribeRunningWindows();

// OS index of the running Windows under the distribution's opt-in for newer
// Windows; 0 for anything unlisted. A platform that is neither 9x nor NT is
// reported with [Message] IDS_ERR_SYSTEM.
int DetectSystem();

// Whether the current thread's token (or, without one, the process's) holds the
// Administrators group; false as well when it cannot be told.
bool IsUserAdministrator();
