#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstddef>
#include <string>

// The spooler objects an installation consists of, added on the local machine. Each
// operation decides which failure codes count as success and leaves a failure text in
// errorText (the installation's result text); none shows a message.

// Size of the storage the printer record's name points into: numbered names are
// written there, so the caller reads the final name from its own record.
constexpr std::size_t kPrinterNameStorage = 260;

// 1 added, 0 failed. When the name is taken, tries "name(1)" … "name(98)" unless
// noRenumber is set; every failure empties the name storage.
int AddPrinterObject(PRINTER_INFO_2A* printer, DWORD level, bool noRenumber, std::string& errorText);

// 1 added, 0 failed.
int AddPrinterDriverObject(DRIVER_INFO_3A* driver, std::string& errorText);

// 1 added or already installed, 0 failed.
int AddMonitorObject(MONITOR_INFO_2A* monitor, std::string& errorText);

// 1 added; 3005, 183 or 87 returned as the spooler reported them; 0 for any other
// failure. Writes no text: the caller has its own.
int AddPrintProcessorObject(const char* processorName, const char* fileName, int os);

// 1 when the spooler's port list can be read, 0 otherwise.
int CheckPortEnumeration(std::string& errorText);
