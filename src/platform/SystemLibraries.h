#pragma once

#include <windows.h>
#include <shellapi.h>

// Where this program's DLLs come from. Setup.exe runs elevated from whatever folder it
// was unpacked into, so a DLL that is not a known DLL and is looked for by name would be
// found there (or in the current folder) before the system folder's.

// First thing at start-up: the search for DLLs looked for by name covers the system
// folder only (SetDefaultDllDirectories, looked up at run time: Windows 7 with its
// update and later); where that function is missing, SetDllDirectoryA("") at least
// drops the current folder. The delay-loaded imports load by their full system path
// whatever the Windows version (this unit's own delay-load helper).
void RestrictDllSearchToSystemFolder();

// A system DLL by its full path in the system folder, through the system-call table;
// null (last error set) when it cannot be loaded.
HMODULE LoadSystemLibrary(const char* fileName);

// ShellExecuteA from shell32 in the system folder, loaded on first use (only help and the
// USB driver's installer need it). Shell32 then stays loaded: ShellExecuteA may leave
// work of its own running in it. Answers as ShellExecuteA does; 0 when shell32 or the
// function cannot be had.
HINSTANCE ShellExecuteFromSystemFolder(HWND owner, const char* verb, const char* file, const char* parameters,
                                       const char* folder, int show);

// ShellExecuteExA from the same shell32, as the system-call table's default. FALSE with
// the last error set when shell32 or the function cannot be had.
BOOL WINAPI ShellExecuteExFromSystemFolder(SHELLEXECUTEINFOA* info);

// Loads the DLLs the installation delay-loads (winspool, setupapi, version), for the
// thread that waits on the installation's worker; they stay loaded with the process.
void PreloadInstallationLibraries();
