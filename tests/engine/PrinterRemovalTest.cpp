// The removal engine against Wine's spooler, with the spooler's answers Wine cannot give
// (a document waiting, a file held, a refusal) made through the system-call table.
#include "engine/InstallTestSupport.h"
#include "engine/PrinterRemoval.h"
#include "engine/SpoolerService.h"
#include "platform/Journal.h"
#include "support/Overrides.h"
#include "support/SystemCallSweep.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> calls;

BOOL WINAPI OneDocumentWaiting(HANDLE, DWORD, DWORD, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                               LPDWORD returned) {
    static char document[] = "Receipt 42";
    *needed = sizeof(JOB_INFO_1A);
    *returned = 0;
    if (level != 1 || buffer == nullptr || size < sizeof(JOB_INFO_1A)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* job = reinterpret_cast<JOB_INFO_1A*>(buffer);
    *job = {};
    job->JobId = 7;
    job->pDocument = document;
    *returned = 1;
    return TRUE;
}
BOOL WINAPI RecordSetJob(HANDLE, DWORD job, DWORD, LPBYTE, DWORD command) {
    calls.push_back("SetJob " + std::to_string(job) + " " + std::to_string(command));
    return TRUE;
}
BOOL WINAPI RecordDeletePrinter(HANDLE printer) {
    calls.push_back("DeletePrinter");
    return DefaultSystemCalls().DeletePrinter(printer);
}

// The driver's data file held: `heldTimes` refusals, then deleted.
int heldTimes = 0;
BOOL WINAPI HeldDataFile(LPCSTR path) {
    const std::string file = path;
    if (file.size() > 9 && file.compare(file.size() - 9, 9, "VTR80.VTD") == 0 && heldTimes != 0) {
        if (heldTimes > 0) --heldTimes;
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    return DefaultSystemCalls().DeleteFileA(path);
}
BOOL WINAPI RecordMoveFile(LPCSTR existing, LPCSTR target, DWORD flags) {
    calls.push_back(std::string("MoveFileEx ") + existing + (target == nullptr ? " null " : " ") + std::to_string(flags));
    return TRUE;
}

class Answers : public IRemovalObserver {
public:
    explicit Answers(bool purge) : purge_(purge) {}
    bool CancelDocuments(const std::string&, DWORD documents) override {
        asked += static_cast<int>(documents);
        return purge_;
    }
    int asked = 0;

private:
    bool purge_;
};

const char kDriver[] = "Vantora VT-R80 Receipt";

class PrinterRemovalTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const char* file : {"VTCOMMON.DLL", "VTUSBMON.DLL", "VTLMON.DLL"})
            CopyFileA((ProgramFolder() + "system32\\" + file).c_str(), (FolderOf(GetSystemDirectoryA) + file).c_str(),
                      FALSE);
    }
    void SetUp() override {
        calls.clear();
        ServiceRequests::Reset();
        // VT-R80 on LPT1:, recorded as the Install command records it.
        InstallHarness install({"VT-R80", 0, 7, 1, "LPT1:"});
        ASSERT_EQ(2, install.Run()) << install.request.resultText;
        InstallRecord record;
        record.printer = install.request.modelName;
        record.model = "VT-R80";
        record.printerType = PrinterTypeFromNumber(0);
        record.driver = kDriver;
        record.driverEnvironments = {"Windows NT x86"};
        record.port = "LPT1:";
        record.portKind = PortKind::Parallel;
        record.printProcessor = "VantoraPrint";
        record.printProcessorEnvironments = {"Windows NT x86"};
        record.printProcessorAdded = true;
        record.driverFiles = DriverFilesOf(kDriver, record.driverEnvironments);
        record.setupVersion = "1.0.0.0";
        record.distributionVersion = "3.2.0.1";
        record.installedAt = "2026-01-01 00:00:00";
        ASSERT_TRUE(WriteRecord(record, true));
        ASSERT_EQ(ReadRecords().records.size(), 1u) << "the record reads back whole";
        printer_ = record.printer;
        dataFile_ = PrinterDriverFolder() + "3\\VTR80.VTD";
        ASSERT_NE(GetFileAttributesA(dataFile_.c_str()), INVALID_FILE_ATTRIBUTES) << dataFile_;
    }
    void TearDown() override {
        if (HasFailure()) std::printf("%s\n", ReadWholeFile(JournalPath()).c_str());
    }
    RemovalOutcome Remove(bool purge = false) {
        if (!JournalIsOpen()) OpenJournal(ProgramFolder() + "removal.log");
        Answers answers(purge);
        return RemoveRecordedPrinters({printer_}, answers);
    }
    bool AnythingLeft() {
        return FindPrinter(printer_).found || ReadDriver(kDriver).found || ProcessorListed("VantoraPrint") ||
               !ReadRecords().records.empty() || GetFileAttributesA(dataFile_.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::string printer_;
    std::string dataFile_;
    ScopedSystemCall<decltype(SystemCallTable::ControlService)> stops{&SystemCallTable::ControlService,
                                                                      &ServiceRequests::Control};
};

TEST_F(PrinterRemovalTest, ADocumentWaitingStopsTheRemovalUnlessPurgedAndIsCancelledBeforeTheDelete) {
    ScopedSystemCall<decltype(SystemCallTable::EnumJobsA)> jobs{&SystemCallTable::EnumJobsA, &OneDocumentWaiting};
    ScopedSystemCall<decltype(SystemCallTable::SetJobA)> setJob{&SystemCallTable::SetJobA, &RecordSetJob};
    ScopedSystemCall<decltype(SystemCallTable::DeletePrinter)> deletion{&SystemCallTable::DeletePrinter,
                                                                        &RecordDeletePrinter};
    const RemovalOutcome kept = Remove(false);
    EXPECT_TRUE(kept.failed);
    EXPECT_NE(kept.failure.find("error 3009"), std::string::npos) << kept.failure;
    EXPECT_EQ(calls, std::vector<std::string>{}) << "no cancel, no delete";
    EXPECT_TRUE(FindPrinter(printer_).found);
    EXPECT_EQ(ReadRecords().records.size(), 1u);

    const RemovalOutcome purged = Remove(true);
    EXPECT_FALSE(purged.failed) << purged.failure;
    EXPECT_EQ(calls, (std::vector<std::string>{"SetJob 7 " + std::to_string(JOB_CONTROL_DELETE), "DeletePrinter"}));
    EXPECT_FALSE(AnythingLeft());
}

TEST_F(PrinterRemovalTest, AFileInUseRestartsTheSpoolerAndIsLeftForTheRestartOnlyWhenStillHeld) {
    ScopedSystemCall<decltype(SystemCallTable::DeleteFileA)> held{&SystemCallTable::DeleteFileA, &HeldDataFile};
    ScopedSystemCall<decltype(SystemCallTable::MoveFileExA)> later{&SystemCallTable::MoveFileExA, &RecordMoveFile};
    heldTimes = 1;
    const RemovalOutcome letGo = Remove();
    EXPECT_FALSE(letGo.failed) << letGo.failure;
    EXPECT_FALSE(letGo.restartRequired);
    EXPECT_EQ(ServiceRequests::stops, 1);
    EXPECT_EQ(calls, std::vector<std::string>{});
    EXPECT_FALSE(AnythingLeft());

    SetUp();
    heldTimes = -1;
    const RemovalOutcome stillHeld = Remove();
    EXPECT_FALSE(stillHeld.failed) << stillHeld.failure;
    EXPECT_TRUE(stillHeld.restartRequired);
    EXPECT_EQ(ServiceRequests::stops, 1);
    EXPECT_EQ(calls, std::vector<std::string>{"MoveFileEx " + dataFile_ + " null " +
                                              std::to_string(MOVEFILE_DELAY_UNTIL_REBOOT)});
}

// The spooler's printers, drivers and print processors and the records, read without the
// removal's own enumeration.
bool Listed(BOOL(WINAPI* enumerate)(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD), const std::string& name) {
    DWORD needed = 0, count = 0;
    enumerate(nullptr, nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    if (!enumerate(nullptr, nullptr, 1, buffer.data(), needed, &needed, &count)) return false;
    // Level 1 of drivers and print processors starts with the name.
    const auto* names = reinterpret_cast<const char* const*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (name == names[i]) return true;
    return false;
}
BOOL WINAPI EnumDrivers(LPSTR s, LPSTR e, DWORD l, LPBYTE b, DWORD z, LPDWORD n, LPDWORD r) {
    return EnumPrinterDriversA(s, e, l, b, z, n, r);
}
BOOL WINAPI EnumProcessors(LPSTR s, LPSTR e, DWORD l, LPBYTE b, DWORD z, LPDWORD n, LPDWORD r) {
    return EnumPrintProcessorsA(s, e, l, b, z, n, r);
}

bool SpoolerRunsAgain() {
    for (int wait = 0; wait < 50; ++wait) {
        if (SpoolerState() == SERVICE_RUNNING) return true;
        Sleep(100);
    }
    StartSpooler();  // so that the next site does not inherit this one's fault
    return false;
}

// Every call the removal makes through the system-call table, failed once at each place
// it makes it: the removal fails with a journal line naming its step and the code and keeps
// the record, or it ends with nothing it was asked to remove still there; the Spooler
// service runs afterwards either way, and a second run finishes what a failure left.
TEST_F(PrinterRemovalTest, EveryFailingSystemCallEndsTheRemovalCleanly) {
    const auto sweptRemoval = [&](int failAt) {
        const std::string journal = ProgramFolder() + "removal-sweep.log";
        CloseJournal();
        DeleteFileA(journal.c_str());
        OpenJournal(journal);
        Sweep::calls = 0;
        Sweep::failAt = failAt;
        WrapRemovalCalls();
        const RemovalOutcome outcome = Remove();
        ResetSystemCalls();
        CloseJournal();
        return std::make_pair(outcome, ReadWholeFile(journal));
    };
    const auto left = [&] {
        std::string what;
        if (FindPrinter(printer_).found) what += " the printer";
        if (Listed(EnumDrivers, kDriver)) what += " the driver";
        if (Listed(EnumProcessors, "VantoraPrint")) what += " the print processor";
        if (GetFileAttributesA(dataFile_.c_str()) != INVALID_FILE_ATTRIBUTES) what += " " + dataFile_;
        if (!ReadRecords().records.empty()) what += " the record";
        return what;
    };
    const char* steps[] = {"Removing the printer: ", "Removing the printer driver: ", "Removing the port: ",
                           "Removing the port monitors and the print processor: ", "Removing the install record: "};

    Sweep::names.clear();
    const auto clean = sweptRemoval(-1);
    ASSERT_FALSE(clean.first.failed) << clean.first.failure;
    ASSERT_EQ(left(), "");
    const std::vector<std::string> sites = Sweep::names;
    ASSERT_GT(sites.size(), 3u);
    std::vector<std::string> defects;
    int failed = 0;
    for (int site = 0; site < static_cast<int>(sites.size()); ++site) {
        SetUp();
        const auto [outcome, journal] = sweptRemoval(site);
        const std::string where = "call " + std::to_string(site + 1) + " (" + Sweep::failedEntry + ", error " +
                                  std::to_string(Sweep::injected) + "): ";
        std::string faults;
        const std::string mark = ": failed, error " + std::to_string(Sweep::injected);
        bool named = false;
        for (std::size_t at = journal.find(mark); at != std::string::npos && !named; at = journal.find(mark, at + 1)) {
            const std::size_t start = journal.rfind('\n', at) + 1;
            const std::string line = journal.substr(start, at - start);
            for (const char* step : steps) named = named || line.find(step) != std::string::npos;
        }
        // Only a lookup the removal checks otherwise may fail unjournalled: the text of a
        // code, a printer looked for after its deletion.
        const bool lookup = !outcome.failed && (Sweep::failedEntry == "FormatMessageA" || Sweep::failedEntry == "OpenPrinterA");
        if (!named && !lookup) faults += "no journal line with the step and the code; ";
        if (outcome.failed) {
            if (outcome.failure.find("error " + std::to_string(Sweep::injected)) == std::string::npos)
                faults += "the failure \"" + outcome.failure + "\" names another code; ";
            if (ReadRecords().records.size() != 1) faults += "the record went with a failure; ";
        } else if (const std::string stays = left(); !stays.empty()) {
            faults += "success with" + stays + " still there; ";
        }
        if (!SpoolerRunsAgain()) faults += "the Spooler service left stopped; ";
        if (outcome.failed) {
            ++failed;
            Remove();  // a second run finishes the job
            if (const std::string stays = left(); !stays.empty()) faults += "a second run left" + stays + "; ";
        }
        if (!faults.empty()) defects.push_back(where + faults);
        std::printf("  %s%s\n", where.c_str(), outcome.failed ? "failed" : "removed all the same");
    }
    std::printf("removal fault sweep: %zu call sites, %d failed, %zu removed all the same, %zu defects\n", sites.size(),
                failed, sites.size() - failed, defects.size());
    for (const std::string& defect : defects) std::printf("  defect: %s\n", defect.c_str());
    EXPECT_TRUE(defects.empty()) << defects.size() << " defects, the first: " << defects[0];
}

}  // namespace
