#pragma once

#include <windows.h>

// Platform calls whose failures the tests must be able to produce on demand (Wine
// cannot make them fail). Product code calls them through this one table; a test
// swaps a single entry for its own length and puts the default back. Everything
// else calls Windows directly.
struct SystemCallTable {
    BOOL(WINAPI* GetVersionExA)(LPOSVERSIONINFOA info);
    HMODULE(WINAPI* LoadLibraryA)(LPCSTR fileName);
    FARPROC(WINAPI* GetProcAddress)(HMODULE module, LPCSTR procName);
};

// The table in force.
SystemCallTable& SystemCalls();
// The real functions.
const SystemCallTable& DefaultSystemCalls();
// Puts every entry back to the real function.
void ResetSystemCalls();
