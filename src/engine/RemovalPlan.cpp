#include "engine/RemovalPlan.h"

#include "engine/CoreFileRestore.h"
#include "framework/TextFormat.h"

#include <algorithm>

namespace {


bool Listed(const std::vector<std::string>& list, const std::string& item) {
    return std::any_of(list.begin(), list.end(), [&](const std::string& known) { return SameText(known, item); });
}

void Unite(std::vector<std::string>& into, const std::vector<std::string>& from) {
    for (const std::string& item : from)
        if (!Listed(into, item)) into.push_back(item);
}

// The monitors and processors Windows brings; a record naming one as added was edited.
constexpr const char* kSystemMonitors[] = {
    "Local Port",         "Standard TCP/IP Port",     "USB Monitor",         "WSD Port",
    "LPR Port",           "AppMon",                   "Microsoft Shared Fax Monitor",
    "Windows NT Fax Monitor", "BJ Language Monitor", "PJL Language monitor", "Microsoft Document Imaging Writer Monitor",
};

// Only files the spooler keeps for its drivers; a record naming any other was edited.
bool InSpoolerDriverFolder(const std::string& path) {
    std::string lower = path;
    CharLowerBuffA(lower.data(), static_cast<DWORD>(lower.size()));
    return lower.find("\\spool\\drivers\\") != std::string::npos && lower.find("..") == std::string::npos;
}

// The first printer, other than the removed one, that satisfies `uses`.
template <typename Uses>
std::string PrinterUsing(const SpoolerView& spooler, const std::string& removed, Uses uses) {
    for (const SpoolerPrinter& printer : spooler.printers)
        if (!SameText(printer.name, removed) && uses(printer)) return printer.name;
    return {};
}

std::string MonitorOfPort(const SpoolerView& spooler, const std::string& port) {
    for (const SpoolerPort& listed : spooler.ports)
        if (SameText(listed.name, port)) return listed.monitor;
    return {};
}

// A component this program added (by any record: ownership is the product's), unless
// something that remains still uses it.
PlannedRemoval PlanComponent(const std::string& name, bool added, const std::vector<std::string>& environments,
                             bool listed, const std::string& usedBy, bool systemOwned) {
    PlannedRemoval planned;
    if (name.empty()) return planned;
    planned.name = name;
    planned.environments = environments;
    if (!added || systemOwned) {
        planned.decision = RemovalDecision::NotOurs;
    } else if (!listed) {
        planned.decision = RemovalDecision::AlreadyGone;
    } else if (!usedBy.empty()) {
        planned.decision = RemovalDecision::InUse;
        planned.usedBy = usedBy;
    } else {
        planned.decision = RemovalDecision::Remove;
    }
    return planned;
}

struct Ownership {
    bool added = false;
    std::vector<std::string> environments;
};

// Every record's claim on the component of that name.
template <typename Name, typename Added, typename Environments>
Ownership OwnershipOf(const InstallRecord& removed, const std::vector<InstallRecord>& others, Name name, Added added,
                      Environments environments) {
    Ownership owned;
    if ((removed.*name).empty()) return owned;
    Unite(owned.environments, removed.*environments);
    const auto claim = [&](const InstallRecord& record) {
        if (!(record.*added) || !SameText(record.*name, removed.*name)) return;
        owned.added = true;
        Unite(owned.environments, record.*environments);
    };
    claim(removed);
    for (const InstallRecord& other : others) claim(other);
    return owned;
}

// Records naming the same port, other than the removed one.
std::string RecordOnPort(const std::vector<InstallRecord>& others, const std::string& port) {
    for (const InstallRecord& other : others)
        if (SameText(other.port, port)) return other.printer;
    return {};
}

}  // namespace

const char* RemovalDecisionName(RemovalDecision decision) {
    switch (decision) {
        case RemovalDecision::None: return "none";
        case RemovalDecision::Remove: return "remove";
        case RemovalDecision::AlreadyGone: return "already gone";
        case RemovalDecision::InUse: return "in use";
        case RemovalDecision::NotOurs: return "not ours";
    }
    return "?";
}

bool IsSystemMonitor(const std::string& name) {
    return std::any_of(std::begin(kSystemMonitors), std::end(kSystemMonitors),
                       [&](const char* system) { return SameText(name, system); });
}

bool IsSystemPrintProcessor(const std::string& name) { return SameText(name, "WinPrint"); }

RemovalPlan PlanRemoval(const InstallRecord& removed, const std::vector<InstallRecord>& others,
                        const SpoolerView& spooler, const std::string& indexed) {
    RemovalPlan plan;
    const std::string& self = removed.printer;

    plan.printer.name = self;
    plan.printer.decision = std::any_of(spooler.printers.begin(), spooler.printers.end(),
                                        [&](const SpoolerPrinter& p) { return SameText(p.name, self); })
                                ? RemovalDecision::Remove
                                : RemovalDecision::AlreadyGone;

    // The driver, in each recorded environment the spooler still keeps it in.
    plan.driver.name = removed.driver;
    for (const SpoolerDriver& driver : spooler.drivers)
        if (SameText(driver.name, removed.driver) && Listed(removed.driverEnvironments, driver.environment))
            Unite(plan.driver.environments, {driver.environment});
    const std::string driverUser =
        PrinterUsing(spooler, self, [&](const SpoolerPrinter& p) { return SameText(p.driver, removed.driver); });
    if (removed.driver.empty()) {
        plan.driver.decision = RemovalDecision::None;
    } else if (!driverUser.empty()) {
        plan.driver.decision = RemovalDecision::InUse;
        plan.driver.usedBy = "printer " + driverUser;
    } else if (plan.driver.environments.empty()) {
        plan.driver.decision = RemovalDecision::AlreadyGone;
    } else {
        plan.driver.decision = RemovalDecision::Remove;
    }
    const bool driverGoes = plan.driver.decision == RemovalDecision::Remove ||
                            plan.driver.decision == RemovalDecision::AlreadyGone;
    // What the drivers that stay still need.
    std::vector<std::string> filesKept;
    std::vector<std::string> languageMonitorsKept;
    for (const SpoolerDriver& driver : spooler.drivers) {
        if (driverGoes && SameText(driver.name, removed.driver) && Listed(removed.driverEnvironments, driver.environment))
            continue;
        Unite(filesKept, driver.files);
        if (!driver.languageMonitor.empty()) Unite(languageMonitorsKept, {driver.languageMonitor + "|" + driver.name});
    }
    if (driverGoes) {
        for (const std::string& file : removed.driverFiles)
            if (InSpoolerDriverFolder(file) && !IsWindowsDriverFile(file) && !Listed(filesKept, file))
                Unite(plan.driverFiles, {file});
    }

    // The port: a network port this program created, the USB port's own values, the
    // serial text from before.
    const std::string portUser =
        PrinterUsing(spooler, self, [&](const SpoolerPrinter& p) { return SameText(p.port, removed.port); });
    const bool portListed = std::any_of(spooler.ports.begin(), spooler.ports.end(),
                                        [&](const SpoolerPort& p) { return SameText(p.name, removed.port); });
    const std::string recordOnPort = RecordOnPort(others, removed.port);
    bool portGoes = false;
    if (removed.portKind == PortKind::Network) {
        plan.networkPort.name = removed.port;
        if (!removed.portCreated) {
            plan.networkPort.decision = RemovalDecision::NotOurs;
        } else if (!portUser.empty()) {
            plan.networkPort.decision = RemovalDecision::InUse;
            plan.networkPort.usedBy = "printer " + portUser;
        } else {
            plan.networkPort.decision = portListed ? RemovalDecision::Remove : RemovalDecision::AlreadyGone;
            portGoes = true;
        }
    }
    const auto planValue = [&](PlannedRemoval& planned, const std::string& value) {
        if (removed.portKind != PortKind::Usb || value.empty()) return;
        planned.name = value;
        planned.decision = recordOnPort.empty() ? RemovalDecision::Remove : RemovalDecision::InUse;
        if (!recordOnPort.empty()) planned.usedBy = "printer " + recordOnPort;
    };
    planValue(plan.usbPortName, removed.usbPortName);
    planValue(plan.usbPrinterPort, removed.usbPrinterPort);
    if (removed.portKind == PortKind::Serial && !removed.serialSettings.empty()) {
        plan.serialSettings.name = removed.port;
        // Nothing before: the text stays, for removing the port's value would take the port
        // away from Windows' own list.
        if (!recordOnPort.empty()) {
            plan.serialSettings.decision = RemovalDecision::InUse;
            plan.serialSettings.usedBy = "printer " + recordOnPort;
        } else if (removed.serialSettingsBefore.empty()) {
            plan.serialSettings.decision = RemovalDecision::NotOurs;
        } else {
            plan.serialSettings.decision = RemovalDecision::Remove;
            plan.serialBefore = removed.serialSettingsBefore;
        }
    }

    // The components, when no remaining printer, port or driver uses them.
    {
        const Ownership owned = OwnershipOf(removed, others, &InstallRecord::portMonitor,
                                            &InstallRecord::portMonitorAdded, &InstallRecord::portMonitorEnvironments);
        std::string user = PrinterUsing(spooler, self, [&](const SpoolerPrinter& p) {
            return !(portGoes && SameText(p.port, removed.port)) && SameText(MonitorOfPort(spooler, p.port), removed.portMonitor);
        });
        if (!user.empty()) user = "printer " + user;
        // A port the monitor still lists stays (a USB port is the monitor's, not this
        // program's), and deleting the monitor would take it away.
        for (const SpoolerPort& port : spooler.ports)
            if (user.empty() && !(portGoes && SameText(port.name, removed.port)) && SameText(port.monitor, removed.portMonitor))
                user = "port " + port.name;
        for (const InstallRecord& other : others)
            if (user.empty() && SameText(other.portMonitor, removed.portMonitor) &&
                PrinterUsing(spooler, self, [&](const SpoolerPrinter& p) { return SameText(p.name, other.printer); }) != "")
                user = "printer " + other.printer;
        plan.portMonitor = PlanComponent(removed.portMonitor, owned.added, owned.environments,
                                         Listed(spooler.monitors, removed.portMonitor), user,
                                         IsSystemMonitor(removed.portMonitor));
    }
    {
        const Ownership owned =
            OwnershipOf(removed, others, &InstallRecord::languageMonitor, &InstallRecord::languageMonitorAdded,
                        &InstallRecord::languageMonitorEnvironments);
        std::string user;
        for (const std::string& kept : languageMonitorsKept) {
            const std::size_t bar = kept.find('|');
            if (SameText(kept.substr(0, bar), removed.languageMonitor)) {
                user = "driver " + kept.substr(bar + 1);
                break;
            }
        }
        plan.languageMonitor = PlanComponent(removed.languageMonitor, owned.added, owned.environments,
                                             Listed(spooler.monitors, removed.languageMonitor), user,
                                             IsSystemMonitor(removed.languageMonitor));
    }
    {
        const Ownership owned =
            OwnershipOf(removed, others, &InstallRecord::printProcessor, &InstallRecord::printProcessorAdded,
                        &InstallRecord::printProcessorEnvironments);
        std::string user = PrinterUsing(
            spooler, self, [&](const SpoolerPrinter& p) { return SameText(p.printProcessor, removed.printProcessor); });
        if (!user.empty()) user = "printer " + user;
        const bool listed = std::any_of(spooler.printProcessors.begin(), spooler.printProcessors.end(),
                                        [&](const SpoolerPrintProcessor& p) {
                                            return SameText(p.name, removed.printProcessor) &&
                                                   Listed(owned.environments, p.environment);
                                        });
        plan.printProcessor = PlanComponent(removed.printProcessor, owned.added, owned.environments, listed, user,
                                            IsSystemPrintProcessor(removed.printProcessor));
    }

    // The index, and the ownership the remaining records take over.
    if (SameText(indexed, self)) {
        plan.index = RemovalPlan::Index::Delete;
        for (const InstallRecord& other : others) {
            if (!SameText(other.model, removed.model) || !SameText(other.port, removed.port)) continue;
            plan.index = RemovalPlan::Index::Point;
            plan.indexPrinter = other.printer;
            break;
        }
    }
    for (const InstallRecord& other : others) {
        InstallRecord takingOver = other;
        CarryOwnership(takingOver, {removed, other});
        if (!(takingOver == other)) plan.recordsTakingOver.push_back(std::move(takingOver));
    }
    return plan;
}
