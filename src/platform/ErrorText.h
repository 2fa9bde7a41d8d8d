#pragma once

#include <windows.h>

#include <string>

// The pieces engine failures are told with: a catalogue text of section Message and
// the system's own description of a Win32 code.

// Copied out at once: the catalogue's buffer is reused by the next read, and several
// failure texts are built from two reads.
std::string MessageText(const char* key);

// What FormatMessage says about code, as it says it (with its closing line break). False
// when the system has no description (the caller then writes its catalogue text alone).
bool DescribeSystemError(DWORD code, std::string& description);

// errorText = the catalogue text of key, then "\n" and the description of code when
// the system has one.
void SetErrorText(std::string& errorText, const char* key, DWORD code);
