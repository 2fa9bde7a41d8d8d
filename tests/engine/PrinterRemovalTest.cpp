// The removal engine against Wine's spooler, with the spooler's answers Wine cannot give
// (a document waiting, a file held, a refusal) made through the system-call table.
#include "engine/InstallTestSupport.h"
#include "engine/PrinterRemoval.h"
#include "platform/Journal.h"
#include "support/Overrides.h"

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

// One refusal of whichever call is armed, then the real call.
int refusals = 0;
bool Refuse() {
    if (refusals == 0) return false;
    --refusals;
    SetLastError(ERROR_ACCESS_DENIED);
    return true;
}
BOOL WINAPI RefusedDeletePrinter(HANDLE h) { return Refuse() ? FALSE : DefaultSystemCalls().DeletePrinter(h); }
BOOL WINAPI RefusedDriverEx(LPSTR s, LPSTR e, LPSTR d, DWORD f, DWORD v) {
    return Refuse() ? FALSE : DefaultSystemCalls().DeletePrinterDriverExA(s, e, d, f, v);
}
BOOL WINAPI RefusedDriver(LPSTR s, LPSTR e, LPSTR d) { return Refuse() ? FALSE : DefaultSystemCalls().DeletePrinterDriverA(s, e, d); }
BOOL WINAPI RefusedProcessor(LPSTR s, LPSTR e, LPSTR p) {
    return Refuse() ? FALSE : DefaultSystemCalls().DeletePrintProcessorA(s, e, p);
}
BOOL WINAPI RefusedDeleteFile(LPCSTR path) { return Refuse() ? FALSE : DefaultSystemCalls().DeleteFileA(path); }
BOOL WINAPI RefusedOpenPrinter(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
    return Refuse() ? FALSE : DefaultSystemCalls().OpenPrinterA(name, printer, defaults);
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

// Every call the removal makes, refused once: a failure that names the code, or a removal
// that left nothing behind; never success with something still there.
TEST_F(PrinterRemovalTest, EachRemovalCallRefusedOnceFailsWithItsCodeOrEndsWithNothingLeft) {
    const char* names[] = {"OpenPrinterA", "DeletePrinter", "DeletePrinterDriverExA", "DeletePrinterDriverA",
                           "DeletePrintProcessorA", "DeleteFileA"};
    for (int which = 0; which < 6; ++which) {
        if (which > 0) SetUp();
        refusals = 1;
        RemovalOutcome outcome;
        {
            ScopedSystemCall<decltype(SystemCallTable::OpenPrinterA)> a{
                &SystemCallTable::OpenPrinterA, which == 0 ? &RefusedOpenPrinter : DefaultSystemCalls().OpenPrinterA};
            ScopedSystemCall<decltype(SystemCallTable::DeletePrinter)> b{
                &SystemCallTable::DeletePrinter, which == 1 ? &RefusedDeletePrinter : DefaultSystemCalls().DeletePrinter};
            ScopedSystemCall<decltype(SystemCallTable::DeletePrinterDriverExA)> c{
                &SystemCallTable::DeletePrinterDriverExA,
                which == 2 ? &RefusedDriverEx : DefaultSystemCalls().DeletePrinterDriverExA};
            ScopedSystemCall<decltype(SystemCallTable::DeletePrinterDriverA)> d{
                &SystemCallTable::DeletePrinterDriverA,
                which == 3 ? &RefusedDriver : DefaultSystemCalls().DeletePrinterDriverA};
            ScopedSystemCall<decltype(SystemCallTable::DeletePrintProcessorA)> e{
                &SystemCallTable::DeletePrintProcessorA,
                which == 4 ? &RefusedProcessor : DefaultSystemCalls().DeletePrintProcessorA};
            ScopedSystemCall<decltype(SystemCallTable::DeleteFileA)> f{
                &SystemCallTable::DeleteFileA, which == 5 ? &RefusedDeleteFile : DefaultSystemCalls().DeleteFileA};
            outcome = Remove();
        }
        EXPECT_EQ(refusals, 0) << names[which] << " was never called";
        if (outcome.failed) {
            EXPECT_NE(outcome.failure.find("error 5"), std::string::npos) << names[which] << ": " << outcome.failure;
            EXPECT_EQ(ReadRecords().records.size(), 1u) << names[which] << ": the record stays";
            Remove();  // what is left goes with a second run
        }
        EXPECT_FALSE(AnythingLeft()) << names[which];
    }
}

}  // namespace
