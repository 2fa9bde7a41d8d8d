#pragma once

#include "config/DomainTypes.h"
#include "platform/OperationResult.h"

#include <windows.h>
#include <winspool.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// The spooler objects an installation consists of, added on the local machine. Each
// operation decides which failure codes count as success and answers with the failure's
// code and text (the installation's result text); none shows a message.

enum class SpoolerObject { None, Monitor, PrintProcessor, PrinterDriver, Printer };

// The environment 64-bit Windows' spooler keeps a local printer's objects under. A null
// environment is the caller's own: "Windows NT x86" for this 32-bit program everywhere.
constexpr char kEnvironmentX64[] = "Windows x64";

// One object this run registered with the spooler, and under which environment: a later
// removal must name the same one.
struct SpoolerRegistration {
    SpoolerObject object = SpoolerObject::None;
    std::string name;
    std::string environment;
    bool operator==(const SpoolerRegistration&) const = default;
};
using SpoolerRegistrations = std::vector<SpoolerRegistration>;

// The object 64-bit Windows wants registered again for "Windows x64" after the spooler
// refused `refused` with `code`: the driver for a printer refused with 1797, the print
// processor for 1798, the object itself for an add refused with 1805. None otherwise,
// and always None on 32-bit Windows, where the caller's environment is the spooler's.
SpoolerObject ObjectWantedForX64(SpoolerObject refused, DWORD code, bool is64BitWindows);

// The journal's line for taking that way: which object, for which refusal.
void JournalX64Fallback(SpoolerObject object, const std::string& name, DWORD code);

// Size of the storage the printer record's name points into: numbered names are
// written there, so the caller reads the final name from its own record.
constexpr std::size_t kPrinterNameStorage = 260;

// Registers `wanted` for "Windows x64" after the spooler refused the printer with `code`
// (ObjectWantedForX64); a failure when it could not (told, or left for the printer's own text).
using RegisterForX64 = std::function<OperationResult(SpoolerObject wanted, DWORD code)>;

// Adds the printer. When the name is taken, tries "name(1)" … "name(98)" unless
// noRenumber is set; every failure empties the name storage.
// With registerForX64 given, a printer 64-bit Windows refuses for want of its driver or
// processor in "Windows x64" is tried again once each is registered there.
// lookFirst: a name the spooler already lists counts as taken without an add. Windows
// refuses a second printer of a name (1802); Wine adds it, and the numbering must not
// depend on which of the two runs.
OperationResult AddPrinterObject(PRINTER_INFO_2A* printer, DWORD level, bool noRenumber,
                                 const RegisterForX64& registerForX64 = {}, bool lookFirst = false);

// A printer of the local spooler as it stands: its port and driver.
struct SpoolerPrinter {
    bool found = false;
    std::string name;
    std::string port;
    std::string driver;
    std::string printProcessor;
};
SpoolerPrinter FindPrinter(const std::string& name);
// Every local printer.
std::vector<SpoolerPrinter> ListPrinters();

// Gives the existing printer `name` the record's driver, port, print processor and data
// type instead of adding another: what a repair applies.
OperationResult KeepPrinterObject(const std::string& name, const PRINTER_INFO_2A& wanted);

// The files the spooler lists for the driver in each environment (its driver, data,
// configuration and help file and its dependent files), as full paths, without repeats.
std::vector<std::string> DriverFilesOf(const std::string& driver, const std::vector<std::string>& environments);

// The add calls below register under the record's own environment (null: the caller's)
// and, when `registered` is given, note each success there.

OperationResult AddPrinterDriverObject(DRIVER_INFO_3A* driver, SpoolerRegistrations* registered = nullptr);

// Ok when added or already installed. On 64-bit Windows a monitor refused for the
// caller's environment is added again for "Windows x64" (its DLL is in the one system
// folder both share).
OperationResult AddMonitorObject(MONITOR_INFO_2A* monitor, SpoolerRegistrations* registered = nullptr);

// A failure carries the spooler's code and no text: the caller has its own.
// environment null: "Windows 4.0" for Windows 98/Me, the caller's otherwise.
OperationResult AddPrintProcessorObject(const char* processorName, const char* fileName, OsIndex os,
                                        SpoolerRegistrations* registered = nullptr, const char* environment = nullptr);

// Ok when the spooler's port list can be read.
OperationResult CheckPortEnumeration();
