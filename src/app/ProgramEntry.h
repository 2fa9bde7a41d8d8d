#pragma once

#include "config/RegistryKey.h"

#include <windows.h>

#include <string>
#include <vector>

// The product's entry in Programs and Features, and the copy of the uninstaller it starts:
// written by Setup.exe after each successful installation, taken away by Uninstall.exe with
// the last recorded printer. The entry is in the 32-bit registry view, where a 32-bit
// installer's entry belongs; Programs and Features lists both views.
constexpr char kProgramEntryKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VANTORA Printer Driver Setup";

// The values of the entry for the copy in `folder`: the command strings with the
// program's path in quotes (unquoted, a path with blanks runs C:\Program.exe).
std::vector<RegistryValue> ProgramEntryValues(const std::string& folder, const std::string& version,
                                              DWORD sizeKilobytes, const SYSTEMTIME& localDate);

// The folder of the installed copy under the 32-bit Program Files; empty when unknown.
std::string InstalledCopyFolder();

// Setup.exe, after a successful installation: the uninstaller, its language file and the
// distribution's LANGUAGE setting copied, the entry written. Each failure is journalled;
// none fails the installation.
void WriteProgramEntry();

// Uninstall.exe, once no record is left: the entry and the installed copy go. The running
// installed copy hands the deletion of its own file and folder to a copy of itself in the
// temporary folder (below); where that copy cannot start, they are deleted when Windows
// restarts.
void RemoveProgramEntry();

// The switch that starts the temporary copy; not one of the uninstaller's own switches.
constexpr char kOwnDeletionSwitch[] = "/delete-after-end";

// The temporary copy: `words` are the switch, the first process's pid and start time, and
// the installed copy's folder. Waits for that process to end, deletes its Uninstall.exe and
// the folder (when empty; else at restart), and leaves its own file for the restart. Exit 0;
// 87 when the words are not those.
int DeleteAfterEnd(const std::vector<std::string>& words);
