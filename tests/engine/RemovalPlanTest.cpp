// What a removal takes and what it leaves, from records and spooler views written out here.
#include "engine/RemovalPlan.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const std::string kDrivers = "C:\\Windows\\system32\\spool\\drivers\\w32x86\\3\\";

InstallRecord Record(const std::string& printer, const std::string& port, PortKind kind) {
    InstallRecord record;
    record.printer = printer;
    record.model = "VT-R80";
    record.driver = "Vantora VT-R80 Receipt";
    record.driverEnvironments = {"Windows NT x86"};
    record.port = port;
    record.portKind = kind;
    record.printProcessor = "VantoraPrint";
    record.printProcessorEnvironments = {"Windows NT x86"};
    record.printProcessorAdded = true;
    record.driverFiles = {kDrivers + "VTGDI.DLL", kDrivers + "VTR80.VTD", kDrivers + "UNIDRV.DLL"};
    record.installedAt = "2026-01-01 10:00:00";
    return record;
}

SpoolerView Spooler(const std::vector<InstallRecord>& installed) {
    SpoolerView view;
    for (const InstallRecord& record : installed) {
        view.printers.push_back({true, record.printer, record.port, record.driver, record.printProcessor});
        view.ports.push_back({record.port, record.portKind == PortKind::Network ? "Standard TCP/IP Port" : "Local Port"});
    }
    view.drivers.push_back({"Vantora VT-R80 Receipt", "Windows NT x86", "", {kDrivers + "VTGDI.DLL", kDrivers + "VTR80.VTD",
                                                                           kDrivers + "UNIDRV.DLL"}});
    view.monitors = {"Local Port", "Standard TCP/IP Port"};
    view.printProcessors = {{"WinPrint", "Windows NT x86"}, {"VantoraPrint", "Windows NT x86"}};
    return view;
}

std::string Shown(const char* what, const PlannedRemoval& planned) {
    if (planned.decision == RemovalDecision::None) return {};
    std::string text = std::string(" ") + what + ":" + RemovalDecisionName(planned.decision);
    if (!planned.usedBy.empty()) text += "(" + planned.usedBy + ")";
    return text;
}

// The plan in one line: each object's decision, the files, the index, who takes over.
std::string Summary(const RemovalPlan& plan) {
    std::string text = Shown("printer", plan.printer) + Shown("driver", plan.driver);
    for (const std::string& file : plan.driverFiles) text += " file:" + file.substr(file.find_last_of('\\') + 1);
    text += Shown("netport", plan.networkPort) + Shown("portname", plan.usbPortName) +
            Shown("printerport", plan.usbPrinterPort) + Shown("serial", plan.serialSettings);
    if (!plan.serialBefore.empty()) text += "=" + plan.serialBefore;
    text += Shown("monitor", plan.portMonitor) + Shown("langmon", plan.languageMonitor) +
            Shown("processor", plan.printProcessor);
    if (plan.index == RemovalPlan::Index::Delete) text += " index:delete";
    if (plan.index == RemovalPlan::Index::Point) text += " index:" + plan.indexPrinter;
    for (const InstallRecord& record : plan.recordsTakingOver) text += " takes-over:" + record.printer;
    return text.empty() ? text : text.substr(1);
}

struct Case {
    const char* name;
    // Makes the records (the first is removed) and the spooler as the case wants them.
    std::function<void(std::vector<InstallRecord>&, SpoolerView&, std::string& indexed)> set;
    const char* expected;
};

const Case kCases[] = {
    {"the only printer takes everything it brought, never Windows' own file",
     [](auto& records, auto& spooler, auto& indexed) {
         records = {Record("VT-R80(P)", "LPT1:", PortKind::Parallel)};
         spooler = Spooler(records);
         indexed = "VT-R80(P)";
     },
     "printer:remove driver:remove file:VTGDI.DLL file:VTR80.VTD processor:remove index:delete"},
    {"a second printer of the model keeps the driver, the processor; the serial text goes back",
     [](auto& records, auto& spooler, auto& indexed) {
         records = {Record("VT-R80(S)", "COM2:", PortKind::Serial), Record("VT-R80(P)", "LPT1:", PortKind::Parallel)};
         records[0].serialSettings = "19200,n,8,1,p";
         records[0].serialSettingsBefore = "9600,n,8,1";
         records[1].printProcessorAdded = false;
         records[1].installedAt = "2026-01-02 10:00:00";
         spooler = Spooler(records);
         indexed = "VT-R80(S)";
     },
     "printer:remove driver:in use(printer VT-R80(P)) serial:remove=9600,n,8,1 processor:in use(printer VT-R80(P)) "
     "index:delete takes-over:VT-R80(P)"},
    {"two records on one port: the index points at the other, the serial text stays for it",
     [](auto& records, auto& spooler, auto& indexed) {
         records = {Record("VT-R80(S)", "COM2:", PortKind::Serial), Record("VT-R80(S)(1)", "COM2:", PortKind::Serial)};
         records[0].serialSettings = records[1].serialSettings = "19200,n,8,1,p";
         records[0].serialSettingsBefore = "9600,n,8,1";
         records[1].installedAt = "2026-01-02 10:00:00";
         spooler = Spooler(records);
         indexed = "VT-R80(S)";
     },
     "printer:remove driver:in use(printer VT-R80(S)(1)) serial:in use(printer VT-R80(S)(1)) "
     "processor:in use(printer VT-R80(S)(1)) index:VT-R80(S)(1) takes-over:VT-R80(S)(1)"},
    {"a created network port goes; one a hand-installed printer uses stays; one found present is not ours",
     [](auto& records, auto& spooler, auto&) {
         records = {Record("VT-R80(E)", "IP_10.0.0.5", PortKind::Network), Record("VT-R80(E)(1)", "IP_10.0.0.6", PortKind::Network)};
         records[0].portCreated = true;
         records[1].portCreated = false;
         spooler = Spooler(records);
         spooler.printers.erase(spooler.printers.begin() + 1);
         spooler.drivers.clear();
     },
     "printer:remove driver:already gone file:VTGDI.DLL file:VTR80.VTD netport:remove processor:remove"},
    {"the network port a printer installed by hand still uses",
     [](auto& records, auto& spooler, auto&) {
         records = {Record("VT-R80(E)", "IP_10.0.0.5", PortKind::Network)};
         records[0].portCreated = true;
         spooler = Spooler(records);
         spooler.printers.push_back({true, "By hand", "IP_10.0.0.5", "Generic / Text Only", "WinPrint"});
     },
     "printer:remove driver:remove file:VTGDI.DLL file:VTR80.VTD netport:in use(printer By hand) processor:remove"},
    {"USB values go with the last record of the port; a monitor a hand-installed printer uses stays",
     [](auto& records, auto& spooler, auto&) {
         records = {Record("VT-R80(U) 1", "USB_VT-R80_1", PortKind::Usb), Record("Other", "USB_VT-R80_2", PortKind::Usb)};
         for (InstallRecord& record : records) {
             record.usbPortName = record.usbPrinterPort = record.port;
             record.portMonitor = "Vantora USB Monitor";
             record.portMonitorAdded = true;
             record.languageMonitor = "Vantora Language Monitor";
             record.languageMonitorAdded = true;
         }
         spooler = Spooler(records);
         spooler.printers.pop_back();
         spooler.printers.push_back({true, "By hand", "USB_VT-R80_2", "Generic / Text Only", "WinPrint"});
         for (SpoolerPort& port : spooler.ports) port.monitor = "Vantora USB Monitor";
         spooler.monitors.push_back("Vantora USB Monitor");
         spooler.monitors.push_back("Vantora Language Monitor");
         spooler.drivers.push_back({"Another maker's", "Windows NT x86", "Vantora Language Monitor", {}});
     },
     "printer:remove driver:remove file:VTGDI.DLL file:VTR80.VTD portname:remove printerport:remove "
     "monitor:in use(printer By hand) langmon:in use(driver Another maker's) processor:remove"},
    {"the last USB printer: the port stays with its monitor, so the monitor stays",
     [](auto& records, auto& spooler, auto& indexed) {
         records = {Record("VT-R80(U) 1", "USB_VT-R80_1", PortKind::Usb)};
         records[0].usbPortName = records[0].usbPrinterPort = records[0].port;
         records[0].portMonitor = "Vantora USB Monitor";
         records[0].portMonitorAdded = true;
         spooler = Spooler(records);
         spooler.ports = {{"LPT1:", "Local Port"}, {"USB_VT-R80_1", "Vantora USB Monitor"}};
         spooler.monitors.push_back("Vantora USB Monitor");
         indexed = "VT-R80(U) 1";
     },
     "printer:remove driver:remove file:VTGDI.DLL file:VTR80.VTD portname:remove printerport:remove "
     "monitor:in use(port USB_VT-R80_1) processor:remove index:delete"},
    {"a record edited by hand: another maker's monitor, files outside the driver folder, a printer already gone",
     [](auto& records, auto& spooler, auto&) {
         records = {Record("VT-R80(P)", "LPT1:", PortKind::Parallel)};
         records[0].portMonitor = "Standard TCP/IP Port";
         records[0].portMonitorAdded = true;
         records[0].printProcessor = "WinPrint";
         records[0].driverFiles = {"C:\\Windows\\system32\\kernel32.dll", kDrivers + "..\\..\\..\\..\\x.dll",
                                   kDrivers + "VTGDI.DLL"};
         spooler = Spooler(records);
         spooler.printers.clear();
     },
     "printer:already gone driver:remove file:VTGDI.DLL monitor:not ours processor:not ours"},
};

TEST(RemovalPlan, DecidesEachObjectFromTheRecordsAndTheSpooler) {
    for (const Case& c : kCases) {
        std::vector<InstallRecord> records;
        SpoolerView spooler;
        std::string indexed;
        c.set(records, spooler, indexed);
        const InstallRecord removed = records.front();
        records.erase(records.begin());
        EXPECT_EQ(Summary(PlanRemoval(removed, records, spooler, indexed)), c.expected) << c.name;
    }
}

TEST(RemovalPlan, TheRemainingRecordTakesOverWhatTheRemovedOneOwned) {
    InstallRecord first = Record("VT-R80(S)", "COM2:", PortKind::Serial);
    first.serialSettings = "19200,n,8,1,p";
    first.serialSettingsBefore = "9600,n,8,1";
    InstallRecord second = Record("VT-R80(S)(1)", "COM2:", PortKind::Serial);
    second.serialSettings = "19200,n,8,1,p";
    second.serialSettingsBefore = "19200,n,8,1,p";
    second.printProcessorAdded = false;
    second.installedAt = "2026-01-02 10:00:00";
    const RemovalPlan plan = PlanRemoval(first, {second}, Spooler({first, second}), "");
    ASSERT_EQ(plan.recordsTakingOver.size(), 1u);
    EXPECT_EQ(plan.recordsTakingOver[0].serialSettingsBefore, "9600,n,8,1");
    EXPECT_TRUE(plan.recordsTakingOver[0].printProcessorAdded);
    EXPECT_EQ(plan.index, RemovalPlan::Index::Keep);
}

}  // namespace
