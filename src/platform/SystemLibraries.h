#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

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

// A DLL of the distribution by its full path, its own folder searched for the DLLs it
// needs (LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32 where
// SetDefaultDllDirectories exists, LOAD_WITH_ALTERED_SEARCH_PATH where it does not),
// through the system-call table. Null (last error set) when it cannot be loaded.
HMODULE LoadLibraryWithItsFolder(const std::string& path);

// Loads every DLL the program delay-imports by its full path in the system folder and
// binds it to the program's delay imports, so that no later first call loads anything.
// On the window thread: before a redirection bracket (which calls it itself), and before
// the installation's worker starts. They stay loaded with the process. Cheap once done.
void LoadDelayImportedLibraries();

// The DLLs this program was asked to load while one of the redirection brackets had
// redirection off on the asking thread (delay imports, system DLLs, the distribution's),
// in order. On 64-bit Windows each such load would find the 64-bit system's files.
std::vector<std::string> LibraryLoadsWithRedirectionOff();

// True when Windows is 64-bit: a WOW64 process on it says so.
bool IsWow64Windows();
