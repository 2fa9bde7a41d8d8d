#pragma once

#include "config/DomainTypes.h"

#include <windows.h>

#include <optional>
#include <string>

// True for NT 6.2 and later: Windows 8 onwards, which the OS index knows only as
// members of the Windows 7 family.
bool IsNewerThanWindows7(DWORD platformId, DWORD majorVersion, DWORD minorVersion);

// OS index of a Windows version: 98/Me, NT 4.0, 2000, XP (and XP x64), Server 2003,
// Vista, Server 2008 (and 2008 R2), Windows 7. Windows 8 and later map to Windows 7
// (workstation) or Server 2008 (server) when the distribution lets them be installed
// as the Windows 7 family (newerWindows), to Windows 98/Me otherwise. Any other NT
// version outside the table maps to Windows 98/Me; a platform that is neither 9x nor
// NT has none.
std::optional<OsIndex> MapWindowsVersionToOsIndex(DWORD platformId, DWORD majorVersion, DWORD minorVersion,
                                                  BYTE productType, WORD processorArchitecture, bool newerWindows);

// The distribution's opt-in for Windows 8 and later: DRVCONFIG\setup.ini [DEVICENAME]
// NewerWindows nonzero. Missing or 0 keeps them refused.
bool NewerWindowsAllowed();

// The name of a Windows version as its maker sells it, with its build for NT:
// "Windows 10 (build 19045)", "Windows Server 2012 R2 (build 9600)". A version no
// name is known for reads "Windows NT 11.0 (build 30000)".
std::string WindowsDisplayName(DWORD platformId, DWORD majorVersion, DWORD minorVersion, DWORD buildNumber,
                               BYTE productType, WORD processorArchitecture);

// The name of the system an OS index stands for: "Windows 7", "Windows Server 2008";
// the empty text outside the known ones.
const char* OsIndexName(OsIndex os);

// The running Windows as the version probe sees it: the long version structure and
// the native processor architecture.
struct RunningWindows {
    OSVERSIONINFOEXA version = {};
    WORD processorArchitecture = 0;
};
RunningWindows ReadRunningWindows();

// The running Windows by its own name and the OS index it is installed as: on
// Windows 8 and later with the distribution's opt-in, for example
// {"Windows 10 (build 19045)", OsIndex::Windows7, true}; a platform that is neither 9x
// nor NT has no index.
struct DetectedWindows {
    std::string name;
    std::optional<OsIndex> osIndex;
    bool asWindows7Family = false;  // the index stands for a family it only belongs to
};
DetectedWindows DescribeWindows(const RunningWindows& running, bool newerWindows);
DetectedWindows DescribeRunningWindows();

// OS index of the running Windows under the distribution's opt-in for newer
// Windows; Windows 98/Me for anything unlisted. A platform that is neither 9x nor NT
// is reported with [Message] IDS_ERR_SYSTEM.
OsIndex DetectSystem();

// Whether the current thread's token (or, without one, the process's) holds the
// Administrators group; false as well when it cannot be told.
bool IsUserAdministrator();

// Windows protected print mode (Windows 11 24H2 and later), in which Windows installs no
// printer driver but its own: the Printers policy ConfigureWindowsProtectedPrint sets
// WindowsProtectedPrintGroupPolicyState or WindowsProtectedPrintMode to 1 under
// HKLM\SOFTWARE\Policies\Microsoft\Windows NT\Printers\WPP. No key, no value or any other
// value: off.
bool ProtectedPrintModeOn();
