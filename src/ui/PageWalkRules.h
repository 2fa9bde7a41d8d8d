#pragma once

#include "config/ProfileReader.h"
#include "ports/SerialSettings.h"

#include <string>

// Decisions the wizard frame takes while the user walks its pages; values in, values out.

// The model's support keys of its ".PORT" section.
struct OsSupport {
    int nt = 0;           // SystemNTSupported
    int server2003 = 0;   // System2003Supported
    int vista = 0;        // SystemVistaSupported
    int server2008 = 0;   // System2008Supported
    int windows7 = 0;     // SystemWin7Supported
};

// Reads the support keys of section in the type file at path (missing keys read 0).
OsSupport ReadOsSupport(const std::string& typeFilePath, const std::string& section);
// The same over any lookup of the type file (the checker reads its snapshot).
OsSupport ReadOsSupport(const ProfileLookup& typeFile, const std::string& section);

// [Message] key of the refusal when the model does not support the chosen OS index,
// null when it does. Windows 98/Me, 2000 and XP are always supported.
const char* UnsupportedOsMessageKey(int os, const OsSupport& support);
