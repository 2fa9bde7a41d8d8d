#pragma once

#include "engine/InstallRecord.h"
#include "engine/SpoolerObjects.h"

#include <string>
#include <vector>

// What taking one recorded printer off the machine removes and what it keeps, decided
// from its record, the other records and the spooler as it stands, before any call is
// made. Nothing the record does not list is ever removed, nor anything another printer,
// port or driver still uses; an object the spooler no longer lists counts as removed.

struct SpoolerPort {
    std::string name;
    std::string monitor;  // empty when the spooler does not say
};
struct SpoolerDriver {
    std::string name;
    std::string environment;
    std::string languageMonitor;
    std::vector<std::string> files;  // full paths
};
struct SpoolerPrintProcessor {
    std::string name;
    std::string environment;
};

// The spooler's objects as enumerated, before the removal.
struct SpoolerView {
    std::vector<SpoolerPrinter> printers;
    std::vector<SpoolerPort> ports;
    std::vector<SpoolerDriver> drivers;
    std::vector<std::string> monitors;
    std::vector<SpoolerPrintProcessor> printProcessors;
};

enum class RemovalDecision {
    None,         // the record names nothing of this kind
    Remove,
    AlreadyGone,  // recorded, no longer there: counts as removed
    InUse,        // left in place: usedBy still needs it
    NotOurs,      // there, but this program did not put it there (or is not the one to take it away)
};
const char* RemovalDecisionName(RemovalDecision decision);

struct PlannedRemoval {
    RemovalDecision decision = RemovalDecision::None;
    std::string name;
    std::vector<std::string> environments;  // where the spooler keeps it: each one removed
    std::string usedBy;                     // InUse: "printer X", "port Y", "driver Z"
};

struct RemovalPlan {
    PlannedRemoval printer;
    PlannedRemoval driver;
    // The recorded driver files no remaining driver names and that are not Windows' own,
    // for when the spooler's removal leaves them (it cannot delete unused files).
    std::vector<std::string> driverFiles;
    PlannedRemoval networkPort;
    PlannedRemoval usbPortName;     // HKLM\SOFTWARE\VANTORA\PORTNAME value
    PlannedRemoval usbPrinterPort;  // HKLM\SOFTWARE\VANTORA\PRINTERPORT value
    PlannedRemoval serialSettings;  // Remove: the port's text goes back to serialBefore
    std::string serialBefore;
    PlannedRemoval portMonitor;
    PlannedRemoval languageMonitor;
    PlannedRemoval printProcessor;
    // The index entry of the record's model and port: kept as it is, pointed at another
    // recorded printer of that model and port, or deleted with the last one.
    enum class Index { Keep, Point, Delete } index = Index::Keep;
    std::string indexPrinter;
    // Records that take over what the removed one owned, as they are to be written.
    std::vector<InstallRecord> recordsTakingOver;
};

// removed: the record of the printer to take off; others: every other record read back
// whole; indexed: the printer the index entry of removed's model and port names now.
RemovalPlan PlanRemoval(const InstallRecord& removed, const std::vector<InstallRecord>& others,
                        const SpoolerView& spooler, const std::string& indexed);

// The system's own objects, which no record can make this program's: monitors and print
// processors Windows brings, and the universal driver's files (by file name).
bool IsSystemMonitor(const std::string& name);
bool IsSystemPrintProcessor(const std::string& name);
