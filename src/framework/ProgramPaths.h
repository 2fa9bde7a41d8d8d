#pragma once

#include <string>

// Full path of the running executable; empty when it cannot be read whole.
std::string ModulePath();

// Folder of the running executable, up to and including its last backslash; empty
// when the module path cannot be read whole.
std::string ProgramFolder();

// folder + relative name with exactly one backslash between them. Empty when the
// result would not fit a Win32 path (MAX_PATH): such a file counts as missing.
std::string JoinPath(const std::string& folder, const std::string& relative);
