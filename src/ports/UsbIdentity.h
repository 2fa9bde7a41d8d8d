#pragma once

#include "platform/OperationResult.h"
#include "ports/UsbProbe.h"

#include <string>

// Which physical printer answers on which USB port: the port "..._n" belongs to the
// printer whose device number d (bcdDevice of its device descriptor) gives
// n = (d mod 8) + 1. The printer is reached through "VtUsbInt.dll" in the program folder,
// loaded and released on every call. Every failure is told in a message box of its own.

// The device number of the one connected USB printer. Nothing as well when the library
// or one of its functions is missing or the descriptor is unreadable; several printers
// once IDS_ERR_ONEPRINTER was shown.
UsbProbe ReadUsbDeviceNumber();

// The USB port number 1 ... 8 the one printer answers on; 0 for no printer or several,
// which match no port.
int UsbPortNumberOfPrinter(const UsbProbe& probe);

// Makes the connected printer answer on USB port portNumber (1 ... 8) by storing
// portNumber - 1 in it. A failure when the port number is out of range (no message) or
// the command could not be written (told in a message box: the result's text). The
// library answers with no Win32 codes: the failures carry none.
OperationResult WriteUsbDeviceNumber(unsigned char portNumber);

// The FileVersion text of the file's version resource, or "0.0.0.0" when the file, its
// version resource or that text is missing or empty.
std::string GetFileVersionString(const char* path);
// The text VerQueryValueA found: its length counts, not a terminator the resource may
// lack. No text, or an empty one, gives `none`.
std::string VersionResourceText(const char* text, unsigned int length, const std::string& none);

// shipped and installed are FileVersion texts. Equal texts: 0. Otherwise compared
// number by number (up to four numbers, split at anything that is not a digit):
// installed all zeros (missing) -1, shipped newer 1, else 0.
int CompareDriverVersions(const std::string& shipped, const std::string& installed);

// The USB driver package's driver file and the one installed in Windows, with the
// version text each carries and CheckUsbDriverUpdate's answer.
struct UsbDriverVersions {
    std::string shippedPath, shipped;
    std::string installedPath, installed;
    int update = 0;
};
UsbDriverVersions ReadUsbDriverVersions();

// The USB driver beside the program against the one installed in Windows (on 64-bit
// Windows the one in the real 64-bit drivers folder): CompareDriverVersions' answer.
// Nonzero means the package must be installed first.
int CheckUsbDriverUpdate();

// Stores under HKLM\SOFTWARE\VANTORA\PORTNAME\ the port's value from [SUPPORTED-USB-DEVICE]
// of DRVCONFIG\setup.ini (0 when absent), named by the port name, and makes sure
// HKLM\SOFTWARE\VANTORA\PRINTERPORT\ exists. A failure (without a code or a text) when
// the value could not be written.
OperationResult RegisterUsbPort(const char* portName);
