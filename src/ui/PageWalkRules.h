#pragma once

#include <string>

// Decisions the wizard frame takes while the user walks its pages; values in, values out.

// Entry of the port page's baud-rate list for a configured BaudRate: 110 → 0, 300 → 1,
// 1200 → 2, 2400 → 3, 4800 → 4, 9600 → 5, 19200 → 6, 57600 → 8, 115200 → 9; anything
// else, 38400 and a missing key included, → 7 (38400).
int BaudRateListIndex(int baudRate);

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

// [Message] key of the refusal when the model does not support the chosen OS index,
// null when it does. Windows 98/Me, 2000 and XP are always supported.
const char* UnsupportedOsMessageKey(int os, const OsSupport& support);
