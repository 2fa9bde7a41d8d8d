#pragma once

#include "engine/RemovalPlan.h"

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// Takes recorded printers off the machine, one after another, each by its removal plan
// (RemovalPlan.h) made from the spooler as it stands when its turn comes: the printer, its
// driver, its port, the components this program added, then its record. Every step is
// journalled with its object and, on failure, its Win32 code; "removed" is decided by
// enumerating the spooler afterwards, not by the calls' answers alone. Knows no window:
// what needs an answer is asked through the observer.

enum class RemovalStep { Printer, Driver, Port, Components, Record };
const char* RemovalStepName(RemovalStep step);

class IRemovalObserver {
public:
    virtual ~IRemovalObserver() = default;
    virtual void PrinterStarted(const std::string& /*printer*/, std::size_t /*index*/, std::size_t /*count*/) {}
    virtual void StepStarted(RemovalStep) {}
    // Documents wait on the printer: true to cancel them and go on; false leaves the
    // printer, and the removal fails.
    virtual bool CancelDocuments(const std::string& printer, DWORD documents) = 0;
};

struct RemovalOutcome {
    bool failed = false;
    bool restartRequired = false;     // a file stays in use: deleted when Windows restarts
    std::vector<std::string> removed;  // what was taken away, a line each
    std::vector<std::string> left;     // what was left in place, and why
    std::string failure;               // the failing step's line
    std::size_t printersRemoved = 0;
};

// The printers named, each by its record; a name without a record is not touched.
RemovalOutcome RemoveRecordedPrinters(const std::vector<std::string>& printers, IRemovalObserver& observer);

// The spooler's printers, ports, drivers, monitors and print processors, as a plan reads them;
// `unreadCode` is not 0 when the ports could not be read.
SpoolerView ReadSpoolerView(DWORD& unreadCode);
