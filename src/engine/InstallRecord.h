#pragma once

#include "config/DomainTypes.h"
#include "config/RegistryKey.h"
#include "platform/OperationResult.h"

#include <string>
#include <vector>

// What one installation put on the machine, kept under HKLM in the 64-bit view on 64-bit
// Windows (the view of the program's other SOFTWARE\VANTORA records), one key per printer:
// what deployment tools detect, what an unattended re-run repairs and what a removal takes
// away. It is written last, after the printer exists, so that a record always means an
// installed printer; a record that cannot be read back whole counts as none.
constexpr char kRecordsKey[] = "SOFTWARE\\VANTORA\\Printer Driver Setup\\Printers";
// Installed\<model>\<port>: the index a packager can name before any printer exists,
// since the printer's final name may carry a number nobody can know in advance.
constexpr char kIndexKey[] = "SOFTWARE\\VANTORA\\Printer Driver Setup\\Installed";

struct InstallRecord {
    std::string printer;  // the key's name: the printer's final name
    std::string model;
    PrinterType printerType = PrinterType::None;
    std::string driver;
    std::vector<std::string> driverEnvironments;
    std::string port;
    PortKind portKind = PortKind::None;
    std::string networkAddress;   // a network port's printer address
    bool portCreated = false;     // the network port was created by this program
    std::string usbPortName;      // the value named so under HKLM\SOFTWARE\VANTORA\PORTNAME, written here
    std::string usbPrinterPort;   // the value named so under HKLM\SOFTWARE\VANTORA\PRINTERPORT, written here
    std::string serialSettings;        // the settings text written for the COM port
    std::string serialSettingsBefore;  // the port's text before this program first wrote it; empty: none
    // The components the installation needed, where the spooler keeps them, and whether
    // this program added them (not merely found them present).
    std::string portMonitor;
    std::vector<std::string> portMonitorEnvironments;
    bool portMonitorAdded = false;
    std::string languageMonitor;
    std::vector<std::string> languageMonitorEnvironments;
    bool languageMonitorAdded = false;
    std::string printProcessor;
    std::vector<std::string> printProcessorEnvironments;
    bool printProcessorAdded = false;
    std::vector<std::string> driverFiles;  // full paths where the spooler keeps them
    bool defaultPrinter = false;
    std::string setupVersion;
    std::string distributionVersion;
    std::string installedAt;  // YYYY-MM-DD HH:MM:SS, UTC
    std::string journal;

    bool operator==(const InstallRecord&) const = default;
};

// A name the registry can hold as one key: 1 to 255 characters, no backslash, no control
// character.
bool IsRecordKeyName(const std::string& name);

// The record as registry values, and back. Decoding refuses anything but the values
// written, each of its own type and length: the reason, or empty when `record` is filled.
std::vector<RegistryValue> EncodeRecord(const InstallRecord& record);
std::string DecodeRecord(const std::string& keyName, const std::vector<RegistryValue>& values, InstallRecord& record);

// What the program owns is the product's, not one installation's: a component another
// record says was added, a port it created, are owned by the new record too, and the
// serial text from before is the one the earliest record of that COM port holds.
void CarryOwnership(InstallRecord& fresh, const std::vector<InstallRecord>& existing);

// The machine-readable line of a record: printer|model|port|distribution version.
std::string QueryLine(const InstallRecord& record);

// The UTC time as records give it.
std::string RecordTime(const SYSTEMTIME& utc);

// Every record that reads back whole; each one that does not is named with its reason.
struct RecordsRead {
    std::vector<InstallRecord> records;
    std::vector<std::string> refused;  // "<key name>: <reason>"
};
RecordsRead ReadRecords();

// The index entry's printer for a model on a port; empty when there is none.
std::string ReadIndexEntry(const std::string& model, const std::string& port);

// Writes the record (replacing one of the same name whole) and, with pointIndex, the
// index entry of its model and port. A write that fails part way leaves no record.
OperationResult WriteRecord(const InstallRecord& record, bool pointIndex);

// Removes the record of this printer.
bool DeleteRecord(const std::string& printer);

// Removes the index entry of a model on a port, and the model's key with its last port;
// true when it is gone afterwards.
bool DeleteIndexEntry(const std::string& model, const std::string& port);
