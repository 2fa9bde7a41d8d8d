#include "engine/PrinterRemoval.h"

#include "engine/ComponentChecks.h"
#include "engine/SpoolerService.h"
#include "framework/UniqueResource.h"
#include "framework/TextFormat.h"
#include "platform/Journal.h"
#include "platform/SystemCalls.h"
#include "ports/NetworkPort.h"
#include "ports/SerialSettings.h"

#include <winspool.h>

#include <algorithm>
#include <cstring>

namespace {

// The environments a record can name: 32-bit and 64-bit Windows NT, Windows 98/Me.
constexpr const char* kEnvironments[] = {"Windows NT x86", kEnvironmentX64, "Windows 4.0"};


std::string Text(const char* value) { return value != nullptr ? value : ""; }

// The two-call enumeration every spooler list takes: the size, then the entries, each
// handed to `visit` while the buffer its strings point into lives. A list that cannot be
// read is no empty list: `code` says why (0: read).
template <typename Entry, typename Call, typename Visit>
void Enumerate(Call call, Visit visit, DWORD& code) {
    DWORD needed = 0;
    DWORD returned = 0;
    code = 0;
    // An empty list answers the size call with success and no room asked for; anything to
    // list, with ERROR_INSUFFICIENT_BUFFER and its size (Wine's EnumPorts with success and
    // its size). Wine's EnumJobs, a stub, fails without a code and asks for no room: it
    // lists nothing.
    SetLastError(ERROR_SUCCESS);
    const bool sized = call(nullptr, 0, &needed, &returned) != FALSE;
    code = sized ? ERROR_SUCCESS : GetLastError();
    if (needed == 0 && (sized || code == ERROR_SUCCESS)) {
        code = 0;
        return;
    }
    if (needed == 0 || (!sized && code != ERROR_INSUFFICIENT_BUFFER)) {
        if (code == ERROR_SUCCESS || code == ERROR_INSUFFICIENT_BUFFER) code = ERROR_INVALID_DATA;
        return;
    }
    std::vector<BYTE> buffer(needed);
    if (!call(buffer.data(), needed, &needed, &returned)) {
        code = GetLastError() != 0 ? GetLastError() : ERROR_INVALID_DATA;
        return;
    }
    code = 0;
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i) visit(entries[i]);
}

// Strings of an enumeration point into its buffer: the view keeps copies.
template <typename Call>
void ForEachDriver(const char* environment, Call call) {
    std::string named = environment;
    DWORD needed = 0;
    DWORD returned = 0;
    EnumPrinterDriversA(nullptr, named.data(), 3, nullptr, 0, &needed, &returned);
    if (needed == 0) return;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrinterDriversA(nullptr, named.data(), 3, buffer.data(), needed, &needed, &returned)) return;
    const auto* drivers = reinterpret_cast<const DRIVER_INFO_3A*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i) call(drivers[i]);
}

// The spooler's ports; `code` is not 0 when they cannot be read.
std::vector<SpoolerPort> ReadPorts(DWORD& code) {
    std::vector<SpoolerPort> ports;
    Enumerate<PORT_INFO_2A>(
        [](BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) {
            return SystemCalls().EnumPortsA(nullptr, 2, buffer, size, needed, returned);
        },
        [&](const PORT_INFO_2A& info) { ports.push_back({Text(info.pPortName), Text(info.pMonitorName)}); }, code);
    return ports;
}

std::vector<std::string> ReadMonitors() {
    std::vector<std::string> monitors;
    DWORD needed = 0;
    DWORD returned = 0;
    EnumMonitorsA(nullptr, 1, nullptr, 0, &needed, &returned);
    if (needed == 0) return monitors;
    std::vector<BYTE> buffer(needed);
    if (!EnumMonitorsA(nullptr, 1, buffer.data(), needed, &needed, &returned)) return monitors;
    const auto* info = reinterpret_cast<const MONITOR_INFO_1A*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i) monitors.push_back(Text(info[i].pName));
    return monitors;
}

std::vector<SpoolerPrintProcessor> ReadPrintProcessors() {
    std::vector<SpoolerPrintProcessor> processors;
    for (const char* environment : kEnvironments) {
        std::string named = environment;
        DWORD needed = 0;
        DWORD returned = 0;
        EnumPrintProcessorsA(nullptr, named.data(), 1, nullptr, 0, &needed, &returned);
        if (needed == 0) continue;
        std::vector<BYTE> buffer(needed);
        if (!EnumPrintProcessorsA(nullptr, named.data(), 1, buffer.data(), needed, &needed, &returned)) continue;
        const auto* info = reinterpret_cast<const PRINTPROCESSOR_INFO_1A*>(buffer.data());
        for (DWORD i = 0; i < returned; ++i) processors.push_back({Text(info[i].pName), environment});
    }
    return processors;
}

bool IsWindows9xRunning() { return (GetVersion() & 0x80000000u) != 0; }

bool FileInUse(DWORD code) { return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED || code == ERROR_LOCK_VIOLATION; }

class Removal {
public:
    Removal(IRemovalObserver& observer, RemovalOutcome& outcome) : observer_(observer), out_(outcome) {}

    // False when the removal failed: the record stays, naming what may still be there.
    bool Remove(const InstallRecord& record, const std::vector<InstallRecord>& others) {
        DWORD unread = 0;
        const SpoolerView spooler = ReadSpoolerView(unread);
        const RemovalPlan plan = PlanRemoval(record, others, spooler, ReadIndexEntry(record.model, record.port));
        printer_ = record.printer;
        JournalLine("Remove printer \"" + record.printer + "\" (model " + record.model + ", port " + record.port +
                    ", installed " + record.installedAt + ")");
        // A plan made from lists the spooler did not give would count what is there as gone:
        // nothing is touched, and the first step says why.
        return Step(RemovalStep::Printer,
                    [&] {
                        return unread != 0 ? Fail("Read the spooler's ports for the removal plan", unread)
                                           : RemovePrinter(plan.printer);
                    }) &&
               Step(RemovalStep::Driver, [&] { return RemoveDriver(plan); }) &&
               Step(RemovalStep::Port, [&] { return RemovePort(plan); }) &&
               Step(RemovalStep::Components, [&] { return RemoveComponents(plan); }) &&
               Step(RemovalStep::Record, [&] { return RemoveRecord(record, others, plan); });
    }

private:
    template <typename Body>
    bool Step(RemovalStep step, Body body) {
        observer_.StepStarted(step);
        JournalLine(std::string("Step: ") + RemovalStepName(step));
        SetJournalStep(RemovalStepName(step));
        const bool done = body();
        SetJournalStep(std::string());
        JournalLine(std::string(done ? "Step done: " : "Step failed: ") + RemovalStepName(step));
        return done;
    }

    bool Fail(const std::string& what, DWORD code) {
        JournalResult(what, false, code);
        out_.failed = true;
        out_.failure = what + ": " + (code != 0 ? DescribeForJournal(code) : std::string("failed"));
        return false;
    }
    void Done(const std::string& what, const std::string& shown) {
        JournalResult(what, true);
        out_.removed.push_back(shown);
    }
    // Decisions that call for nothing: journalled, and what stays is said.
    void Note(const std::string& kind, const PlannedRemoval& planned) {
        switch (planned.decision) {
            case RemovalDecision::AlreadyGone:
                JournalLine(kind + " \"" + planned.name + "\" is no longer there: counted as removed");
                break;
            case RemovalDecision::InUse:
                JournalLine(kind + " \"" + planned.name + "\" left in place: used by " + planned.usedBy);
                out_.left.push_back(kind + " " + planned.name + ": used by " + planned.usedBy);
                break;
            case RemovalDecision::NotOurs:
                JournalLine(kind + " \"" + planned.name + "\" left in place: not put there by this program");
                break;
            default: break;
        }
    }

    // Stops and starts the spooler once per printer, so that what it held is let go.
    bool RestartSpooler(const std::string& why) {
        if (spoolerRestarted_) return false;
        spoolerRestarted_ = true;
        JournalLine("Restart the Spooler service: " + why);
        StopSpooler();
        const OperationResult started = StartSpooler();
        if (!started) return false;
        return static_cast<bool>(WaitSpoolerRunning());
    }

    bool RemovePrinter(const PlannedRemoval& planned) {
        if (planned.decision != RemovalDecision::Remove) {
            Note("Printer", planned);
            return true;
        }
        const std::string what = "Delete printer \"" + planned.name + "\"";
        DWORD unread = 0;
        UniquePrinterHandle printer;
        PRINTER_DEFAULTSA all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        if (!SystemCalls().OpenPrinterA(const_cast<char*>(planned.name.c_str()), printer.put(), &all))
            return Fail("Open printer \"" + planned.name + "\"", GetLastError());
        struct Document {
            DWORD id;
            std::string name;
        };
        std::vector<Document> jobs;
        Enumerate<JOB_INFO_1A>(
            [&](BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) {
                return SystemCalls().EnumJobsA(printer.get(), 0, 0xFFFFFFFFu, 1, buffer, size, needed, returned);
            },
            [&](const JOB_INFO_1A& job) { jobs.push_back({job.JobId, Text(job.pDocument)}); }, unread);
        // Unknown documents are not deleted silently.
        if (unread != 0) return Fail("List the documents waiting on printer \"" + planned.name + "\"", unread);
        if (!jobs.empty()) {
            const DWORD count = static_cast<DWORD>(jobs.size());
            JournalLine("Printer \"" + planned.name + "\" has " + std::to_string(count) + " document(s) waiting");
            if (!observer_.CancelDocuments(planned.name, count))
                return Fail(what + ": documents are waiting, and cancelling them was not asked for",
                            ERROR_PRINTER_HAS_JOBS_QUEUED);
            for (const Document& job : jobs) {
                const std::string cancel = "Cancel document " + std::to_string(job.id) + " \"" + job.name +
                                           "\" on printer \"" + planned.name + "\"";
                if (!SystemCalls().SetJobA(printer.get(), job.id, 0, nullptr, JOB_CONTROL_DELETE))
                    return Fail(cancel, GetLastError());
                JournalResult(cancel, true);
            }
        }
        if (!SystemCalls().DeletePrinter(printer.get())) return Fail(what, GetLastError());
        printer.reset();
        if (FindPrinter(planned.name).found) return Fail(what + ": still listed by the spooler", ERROR_BUSY);
        Done(what, "Printer " + planned.name);
        return true;
    }

    std::vector<std::string> DriverEnvironmentsListed(const std::string& name, const std::vector<std::string>& wanted) {
        std::vector<std::string> listed;
        for (const std::string& environment : wanted)
            ForEachDriver(environment.c_str(), [&](const DRIVER_INFO_3A& driver) {
                if (SameText(Text(driver.pName), name)) listed.push_back(environment);
            });
        return listed;
    }

    // ERROR_PRINTER_DRIVER_IN_USE: true, to be tried again after the spooler's restart.
    bool DeleteDriverIn(const std::string& name, const std::string& environment, bool& withoutFiles, DWORD& code) {
        std::string env = environment;
        std::string driver = name;
        const std::string what = "Delete printer driver \"" + name + "\" for " + environment + " with its unused files";
        if (SystemCalls().DeletePrinterDriverExA(nullptr, env.data(), driver.data(), DPD_DELETE_UNUSED_FILES, 0)) {
            JournalResult(what, true);
            return false;
        }
        code = GetLastError();
        if (code == ERROR_UNKNOWN_PRINTER_DRIVER || code == ERROR_PRINTER_DRIVER_IN_USE) {
            JournalResult(what, false, code);
            if (code == ERROR_UNKNOWN_PRINTER_DRIVER) code = ERROR_SUCCESS;
            return code == ERROR_PRINTER_DRIVER_IN_USE;
        }
        // Before Windows 2000 there is no such call: the driver alone, its files by the record.
        JournalResult(what + " (the driver alone instead)", false, code);
        const std::string alone = "Delete printer driver \"" + name + "\" for " + environment;
        if (SystemCalls().DeletePrinterDriverA(nullptr, env.data(), driver.data())) {
            JournalResult(alone, true);
            withoutFiles = true;
            code = ERROR_SUCCESS;
            return false;
        }
        code = GetLastError();
        JournalResult(alone, false, code);
        if (code == ERROR_UNKNOWN_PRINTER_DRIVER) code = ERROR_SUCCESS;
        return code == ERROR_PRINTER_DRIVER_IN_USE;
    }

    bool RemoveDriver(const RemovalPlan& plan) {
        const PlannedRemoval& planned = plan.driver;
        if (planned.decision != RemovalDecision::Remove) {
            Note("Printer driver", planned);
            return true;
        }
        bool withoutFiles = false;
        std::vector<std::string> inUse;
        for (const std::string& environment : planned.environments) {
            DWORD code = ERROR_SUCCESS;
            if (DeleteDriverIn(planned.name, environment, withoutFiles, code)) inUse.push_back(environment);
            else if (code != ERROR_SUCCESS)
                return Fail("Delete printer driver \"" + planned.name + "\" for " + environment, code);
        }
        if (!inUse.empty()) {
            // The deleted printer is still pending: a handle open, a document finishing.
            RestartSpooler("the driver \"" + planned.name + "\" is held");
            for (const std::string& environment : inUse) {
                DWORD code = ERROR_SUCCESS;
                if (DeleteDriverIn(planned.name, environment, withoutFiles, code) || code != ERROR_SUCCESS)
                    return Fail("Delete printer driver \"" + planned.name + "\" for " + environment +
                                    " after the spooler's restart",
                                code != ERROR_SUCCESS ? code : ERROR_PRINTER_DRIVER_IN_USE);
            }
        }
        const std::vector<std::string> still = DriverEnvironmentsListed(planned.name, planned.environments);
        if (!still.empty())
            return Fail("Printer driver \"" + planned.name + "\" is still listed for " + still.front(),
                        ERROR_PRINTER_DRIVER_IN_USE);
        Done("Printer driver \"" + planned.name + "\" removed", "Printer driver " + planned.name);
        return !withoutFiles || DeleteFiles(plan.driverFiles);
    }

    // Files in use are let go by the spooler's restart; what is still held goes at restart.
    bool DeleteFiles(const std::vector<std::string>& files) {
        std::vector<std::string> held;
        const auto tryDelete = [&](const std::string& file) -> DWORD {
            if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) return ERROR_SUCCESS;
            if (SystemCalls().DeleteFileA(file.c_str())) {
                JournalResult("Delete " + file, true);
                return ERROR_SUCCESS;
            }
            const DWORD code = GetLastError();
            JournalResult("Delete " + file, false, code);
            return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? ERROR_SUCCESS : code;
        };
        for (const std::string& file : files) {
            const DWORD code = tryDelete(file);
            if (FileInUse(code)) held.push_back(file);
            else if (code != ERROR_SUCCESS) return Fail("Delete " + file, code);
        }
        if (held.empty()) return true;
        RestartSpooler("files are in use");
        for (const std::string& file : held) {
            const DWORD code = tryDelete(file);
            if (code == ERROR_SUCCESS) continue;
            if (!FileInUse(code)) return Fail("Delete " + file, code);
            const std::string later = "Delete " + file + " when Windows restarts";
            if (!SystemCalls().MoveFileExA(file.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
                return Fail(later, GetLastError());
            JournalResult(later, true);
            out_.restartRequired = true;
            out_.left.push_back(file + ": in use, deleted when Windows restarts");
        }
        return true;
    }

    bool DeleteOwnValue(const char* key, const PlannedRemoval& planned) {
        if (planned.decision != RemovalDecision::Remove) {
            Note(std::string("Value under HKLM\\") + key, planned);
            return true;
        }
        const std::string what = "Delete " + planned.name + " under HKLM\\" + key;
        CRegistryKey values;
        if (!values.Open(HKEY_LOCAL_MACHINE, key)) {
            if (values.LastError() != ERROR_FILE_NOT_FOUND) return Fail(what, static_cast<DWORD>(values.LastError()));
            JournalLine(what + ": no longer there");
            return true;
        }
        if (!values.DeleteValue(planned.name.c_str())) return Fail(what, static_cast<DWORD>(values.LastError()));
        Done(what, planned.name + " under HKLM\\" + key);
        return true;
    }

    bool RemovePort(const RemovalPlan& plan) {
        if (plan.networkPort.decision == RemovalDecision::Remove) {
            const std::string what = "Delete network port " + plan.networkPort.name;
            const OperationResult deleted = DeleteTcpIpPort(plan.networkPort.name.c_str());
            if (!deleted && deleted.code != ERROR_UNKNOWN_PORT) return Fail(what, deleted.code);
            DWORD unread = 0;
            const std::vector<SpoolerPort> ports = ReadPorts(unread);
            if (unread != 0) return Fail(what + ": the spooler's ports cannot be read", unread);
            if (std::any_of(ports.begin(), ports.end(), [&](const SpoolerPort& p) { return SameText(p.name, plan.networkPort.name); }))
                return Fail(what + ": still listed by the spooler", deleted.code != 0 ? deleted.code : ERROR_BUSY);
            Done(what, "Port " + plan.networkPort.name);
        } else {
            Note("Port", plan.networkPort);
        }
        if (!DeleteOwnValue("SOFTWARE\\VANTORA\\PORTNAME", plan.usbPortName) ||
            !DeleteOwnValue("SOFTWARE\\VANTORA\\PRINTERPORT", plan.usbPrinterPort))
            return false;
        if (plan.serialSettings.decision == RemovalDecision::Remove) {
            const std::string port = SerialPortName(plan.serialSettings.name.c_str());
            const std::string what = "Restore the settings of " + port + " to \"" + plan.serialBefore + "\"";
            if (!RestoreSerialSettingsText(port.c_str(), plan.serialBefore, IsWindows9xRunning()))
                return Fail(what, GetLastError() != 0 ? GetLastError() : ERROR_ACCESS_DENIED);
            JournalResult(what, true);
            out_.removed.push_back("Settings of " + port + " restored");
        } else {
            Note("Serial settings of", plan.serialSettings);
        }
        return true;
    }

    // Deleted in every environment and no longer listed; a refusal is tried again after
    // the spooler's restart, and only then fails.
    template <typename Call, typename Listed>
    bool RemoveComponent(const std::string& kind, const PlannedRemoval& planned, DWORD unknownCode, Call call,
                         Listed listed, bool forgetKeyWhenAnsweredYes = false) {
        if (planned.decision != RemovalDecision::Remove) {
            Note(kind, planned);
            return true;
        }
        const auto attempt = [&](bool last) {
            bool answeredYes = true;
            for (const std::string& environment : planned.environments) {
                std::string env = environment;
                std::string name = planned.name;
                const std::string what = "Delete " + kind + " \"" + planned.name + "\" for " + environment;
                if (call(env.data(), name.data())) {
                    JournalResult(what, true);
                    continue;
                }
                answeredYes = false;
                const DWORD code = GetLastError();
                JournalResult(what, false, code);
                if (code == unknownCode) continue;
                if (last) return Fail(what, code);
            }
            if (!listed(planned)) return true;
            // A spooler that answers yes to any name and keeps the processor listed (Wine's)
            // reads its list from its configuration: the processor's key there is forgotten.
            if (!answeredYes || !forgetKeyWhenAnsweredYes) return false;
            for (const std::string& environment : planned.environments) {
                const std::string key = PrintProcessorKeyPathIn(environment, planned.name.c_str());
                JournalResult("The spooler still lists " + kind + " \"" + planned.name + "\" for " + environment +
                                  " after its deletion: delete HKLM\\" + key,
                              CRegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, key.c_str()));
            }
            return !listed(planned);
        };
        if (!attempt(false)) {
            if (out_.failed) return false;
            RestartSpooler("the " + kind + " \"" + planned.name + "\" is held");
            if (!attempt(true)) {
                if (!out_.failed) Fail(kind + " \"" + planned.name + "\" is still listed by the spooler", ERROR_BUSY);
                return false;
            }
        }
        std::string shown = kind + " " + planned.name;
        shown[0] = static_cast<char>(shown[0] - 'a' + 'A');
        Done(kind + " \"" + planned.name + "\" removed", shown);
        return true;
    }

    bool RemoveComponents(const RemovalPlan& plan) {
        const auto monitorListed = [](const PlannedRemoval& planned) {
            const std::vector<std::string> monitors = ReadMonitors();
            return std::any_of(monitors.begin(), monitors.end(), [&](const std::string& m) { return SameText(m, planned.name); });
        };
        const auto deleteMonitor = [](char* environment, char* name) {
            return SystemCalls().DeleteMonitorA(nullptr, environment, name) != FALSE;
        };
        const auto processorListed = [](const PlannedRemoval& planned) {
            const std::vector<SpoolerPrintProcessor> processors = ReadPrintProcessors();
            return std::any_of(processors.begin(), processors.end(), [&](const SpoolerPrintProcessor& p) {
                return SameText(p.name, planned.name) &&
                       std::any_of(planned.environments.begin(), planned.environments.end(),
                                   [&](const std::string& e) { return SameText(e, p.environment); });
            });
        };
        const auto deleteProcessor = [](char* environment, char* name) {
            return SystemCalls().DeletePrintProcessorA(nullptr, environment, name) != FALSE;
        };
        return RemoveComponent("port monitor", plan.portMonitor, ERROR_UNKNOWN_PRINT_MONITOR, deleteMonitor,
                               monitorListed) &&
               RemoveComponent("language monitor", plan.languageMonitor, ERROR_UNKNOWN_PRINT_MONITOR, deleteMonitor,
                               monitorListed) &&
               RemoveComponent("print processor", plan.printProcessor, ERROR_UNKNOWN_PRINTPROCESSOR, deleteProcessor,
                               processorListed, true);
    }

    bool RemoveRecord(const InstallRecord& record, const std::vector<InstallRecord>& others, const RemovalPlan& plan) {
        for (const InstallRecord& takingOver : plan.recordsTakingOver) {
            const std::string what = "The install record of \"" + takingOver.printer + "\" takes over what \"" +
                                     record.printer + "\" owned";
            const OperationResult written = WriteRecord(takingOver, false);
            if (!written) return Fail(what, written.code);
            JournalResult(what, true);
        }
        if (plan.index == RemovalPlan::Index::Point) {
            InstallRecord pointed;
            for (const InstallRecord& other : others)
                if (other.printer == plan.indexPrinter) pointed = other;
            for (const InstallRecord& other : plan.recordsTakingOver)
                if (other.printer == plan.indexPrinter) pointed = other;
            const std::string what = "Point HKLM\\" + std::string(kIndexKey) + "\\" + record.model + "\\" +
                                     record.port + " at \"" + pointed.printer + "\"";
            const OperationResult written = WriteRecord(pointed, true);
            if (!written) return Fail(what, written.code);
            JournalResult(what, true);
        } else if (plan.index == RemovalPlan::Index::Delete) {
            const std::string what = "Delete HKLM\\" + std::string(kIndexKey) + "\\" + record.model + "\\" + record.port;
            if (!DeleteIndexEntry(record.model, record.port)) return Fail(what, ERROR_ACCESS_DENIED);
            JournalResult(what, true);
        }
        const std::string what = "Delete the install record HKLM\\" + std::string(kRecordsKey) + "\\" + record.printer;
        if (!DeleteRecord(record.printer)) return Fail(what, ERROR_ACCESS_DENIED);
        JournalResult(what, true);
        return true;
    }

    IRemovalObserver& observer_;
    RemovalOutcome& out_;
    std::string printer_;
    bool spoolerRestarted_ = false;
};

}  // namespace

const char* RemovalStepName(RemovalStep step) {
    switch (step) {
        case RemovalStep::Printer: return "Removing the printer";
        case RemovalStep::Driver: return "Removing the printer driver";
        case RemovalStep::Port: return "Removing the port";
        case RemovalStep::Components: return "Removing the port monitors and the print processor";
        case RemovalStep::Record: return "Removing the install record";
    }
    return "";
}

SpoolerView ReadSpoolerView(DWORD& unreadCode) {
    SpoolerView view;
    view.printers = ListPrinters();
    view.ports = ReadPorts(unreadCode);
    for (const char* environment : kEnvironments)
        ForEachDriver(environment, [&](const DRIVER_INFO_3A& info) {
            SpoolerDriver driver{Text(info.pName), environment, Text(info.pMonitorName), {}};
            for (const char* file : {info.pDriverPath, info.pDataFile, info.pConfigFile, info.pHelpFile})
                if (file != nullptr && *file != '\0') driver.files.emplace_back(file);
            for (const char* file = info.pDependentFiles; file != nullptr && *file != '\0'; file += std::strlen(file) + 1)
                driver.files.emplace_back(file);
            view.drivers.push_back(std::move(driver));
        });
    view.monitors = ReadMonitors();
    view.printProcessors = ReadPrintProcessors();
    return view;
}

RemovalOutcome RemoveRecordedPrinters(const std::vector<std::string>& printers, IRemovalObserver& observer) {
    RemovalOutcome outcome;
    for (std::size_t i = 0; i < printers.size(); ++i) {
        // Read again for each: the one before changed the records.
        RecordsRead read = ReadRecords();
        const auto record = std::find_if(read.records.begin(), read.records.end(),
                                         [&](const InstallRecord& r) { return r.printer == printers[i]; });
        if (record == read.records.end()) {
            JournalLine("Printer \"" + printers[i] + "\" has no install record: nothing of it is touched");
            continue;
        }
        observer.PrinterStarted(printers[i], i, printers.size());
        const InstallRecord removed = *record;
        read.records.erase(record);
        Removal removal(observer, outcome);
        if (!removal.Remove(removed, read.records)) break;
        ++outcome.printersRemoved;
    }
    return outcome;
}
