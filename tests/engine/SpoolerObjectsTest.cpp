#include "engine/SpoolerObjects.h"

#include "engine/EngineTestSupport.h"
#include "support/Overrides.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr char kDriverName[] = "Vantora Test Driver";

// The spooler's answers the tests cannot get from Wine: names that "exist already"
// and codes for the numbered attempts. Other names reach Wine's real spooler.
struct FakeSpooler {
    static inline std::set<std::string> existing;
    static inline DWORD failure = ERROR_PRINTER_ALREADY_EXISTS;
    static inline std::vector<std::string> attempts;

    static HANDLE WINAPI AddPrinter(LPSTR server, DWORD level, LPBYTE record) {
        const std::string name = reinterpret_cast<PRINTER_INFO_2A*>(record)->pPrinterName;
        attempts.push_back(name);
        if (existing.count(name) != 0) {
            SetLastError(attempts.size() == 1 ? ERROR_PRINTER_ALREADY_EXISTS : failure);
            return nullptr;
        }
        return DefaultSystemCalls().AddPrinterA(server, level, record);
    }
};

class SpoolerObjectsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WriteEngineMessages();
        // Wine's spooler copies the driver's files from its driver directory.
        char directory[MAX_PATH] = {};
        DWORD needed = 0;
        ASSERT_TRUE(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory),
                                               sizeof directory, &needed));
        for (const char* file : {"VTTEST.DLL", "VTTEST.GPD", "VTTESTUI.DLL"}) {
            WriteTextFile(std::string(directory) + "\\", file, "driver fixture");
        }
        char driverPath[] = "VTTEST.DLL", dataFile[] = "VTTEST.GPD", configFile[] = "VTTESTUI.DLL";
        char name[sizeof kDriverName];
        std::memcpy(name, kDriverName, sizeof kDriverName);
        DRIVER_INFO_3A driver = {};
        driver.cVersion = 3;
        driver.pName = name;
        driver.pDriverPath = driverPath;
        driver.pDataFile = dataFile;
        driver.pConfigFile = configFile;
        const OperationResult added = AddPrinterDriverObject(&driver);
        ASSERT_TRUE(added.ok) << added.text;
        EXPECT_EQ("", added.text);
    }

    void SetUp() override {
        FakeSpooler::existing.clear();
        FakeSpooler::attempts.clear();
        FakeSpooler::failure = ERROR_PRINTER_ALREADY_EXISTS;
        std::memset(nameStorage, 0x5A, sizeof nameStorage);
    }

    PRINTER_INFO_2A Printer(const char* name) {
        std::strcpy(nameStorage, name);
        PRINTER_INFO_2A printer = {};
        printer.pPrinterName = nameStorage;
        printer.pDriverName = const_cast<char*>(kDriverName);
        printer.pPortName = const_cast<char*>("LPT1:");
        printer.pPrintProcessor = const_cast<char*>("winprint");
        return printer;
    }

    bool NameStorageEmpty() const {
        for (std::size_t i = 0; i < kPrinterNameStorage; ++i) {
            if (nameStorage[i] != '\0') return false;
        }
        return true;
    }

    static bool PrinterExists(const char* name) {
        HANDLE printer = nullptr;
        if (!OpenPrinterA(const_cast<char*>(name), &printer, nullptr)) return false;
        ClosePrinter(printer);
        return true;
    }

    // One byte past the storage guards against writes beyond it.
    char nameStorage[kPrinterNameStorage + 1];
    OperationResult added;
    ScopedSystemCall<decltype(SystemCallTable::AddPrinterA)> fakeAdd{&SystemCallTable::AddPrinterA,
                                                                     &FakeSpooler::AddPrinter};
};

TEST_F(SpoolerObjectsTest, TakenNameIsNumberedAndTheCallerReadsTheNumberedName) {
    FakeSpooler::existing = {"Thermal"};
    PRINTER_INFO_2A printer = Printer("Thermal");
    ASSERT_TRUE((added = AddPrinterObject(&printer, 2, false)).ok) << added.text;
    EXPECT_STREQ("Thermal(1)", printer.pPrinterName);
    EXPECT_EQ(nameStorage, printer.pPrinterName);
    EXPECT_TRUE(PrinterExists("Thermal(1)"));
    EXPECT_EQ("", added.text);
}

TEST_F(SpoolerObjectsTest, NoRenumberGivesTooManyAloneAndEmptiesTheName) {
    FakeSpooler::existing = {"Thermal"};
    PRINTER_INFO_2A printer = Printer("Thermal");
    EXPECT_FALSE((added = AddPrinterObject(&printer, 2, true)).ok);
    EXPECT_EQ(Text("IDS_ERR_TOOMANY"), added.text);
    EXPECT_EQ(1u, FakeSpooler::attempts.size());
    EXPECT_TRUE(NameStorageEmpty());
}

TEST_F(SpoolerObjectsTest, NinetyEightNumberedNamesThenTooMany) {
    FakeSpooler::existing = {"X"};
    for (int n = 1; n <= 98; ++n) FakeSpooler::existing.insert("X(" + std::to_string(n) + ")");
    FakeSpooler::existing.insert("X(99)");
    PRINTER_INFO_2A printer = Printer("X");
    EXPECT_FALSE((added = AddPrinterObject(&printer, 2, false)).ok);
    ASSERT_EQ(99u, FakeSpooler::attempts.size());
    EXPECT_EQ("X(98)", FakeSpooler::attempts.back());
    EXPECT_EQ(Text("IDS_ERR_TOOMANY"), added.text);
    EXPECT_TRUE(NameStorageEmpty());
}

TEST_F(SpoolerObjectsTest, NumberedAttemptFailingOtherwiseTellsTheSystemText) {
    FakeSpooler::existing = {"Thermal", "Thermal(1)"};
    FakeSpooler::failure = ERROR_ACCESS_DENIED;
    PRINTER_INFO_2A printer = Printer("Thermal");
    EXPECT_FALSE((added = AddPrinterObject(&printer, 2, false)).ok);
    EXPECT_EQ(2u, FakeSpooler::attempts.size());
    EXPECT_EQ(Text("IDS_ERR_ADDPRINTER") + "\n" + SystemText(ERROR_ACCESS_DENIED), added.text);
    EXPECT_TRUE(NameStorageEmpty());
}

TEST_F(SpoolerObjectsTest, FailureWithoutSystemDescriptionStillLeavesTheCatalogueText) {
    ScopedSystemCall<decltype(SystemCallTable::FormatMessageA)> noText(&SystemCallTable::FormatMessageA,
                                                                       &FormatMessageFails);
    FakeSpooler::existing = {"Thermal", "Thermal(1)"};
    FakeSpooler::failure = ERROR_ACCESS_DENIED;
    PRINTER_INFO_2A printer = Printer("Thermal");
    EXPECT_FALSE((added = AddPrinterObject(&printer, 2, false)).ok);
    EXPECT_EQ(Text("IDS_ERR_ADDPRINTER"), added.text);
    EXPECT_TRUE(NameStorageEmpty());
}

TEST_F(SpoolerObjectsTest, LongNameKeepsItsNumberWithinTheStorage) {
    const std::string base(kPrinterNameStorage - 1, 'L');
    FakeSpooler::existing = {base, base.substr(0, kPrinterNameStorage - 4) + "(1)"};
    FakeSpooler::failure = ERROR_ACCESS_DENIED;
    PRINTER_INFO_2A printer = Printer(base.c_str());
    added = AddPrinterObject(&printer, 2, false);
    ASSERT_EQ(2u, FakeSpooler::attempts.size());
    EXPECT_EQ(base.substr(0, kPrinterNameStorage - 4) + "(1)", FakeSpooler::attempts[1]);
    EXPECT_EQ(0x5A, nameStorage[kPrinterNameStorage]);
}

// Wine wants a data type where Windows takes its default; the record is given back as it came.
TEST_F(SpoolerObjectsTest, RecordWithoutDataTypeIsAddedAndLeftWithout) {
    PRINTER_INFO_2A printer = Printer("Vantora No Datatype");
    ASSERT_TRUE((added = AddPrinterObject(&printer, 2, false)).ok) << added.text;
    EXPECT_EQ(nullptr, printer.pDatatype);
    EXPECT_TRUE(PrinterExists("Vantora No Datatype"));
}

struct CodeCase {
    DWORD code;
    bool added;
};

DWORD injectedCode;
BOOL WINAPI MonitorFails(LPSTR, DWORD, LPBYTE) {
    SetLastError(injectedCode);
    return FALSE;
}
BOOL WINAPI ProcessorFails(LPSTR, LPSTR, LPSTR, LPSTR) {
    SetLastError(injectedCode);
    return FALSE;
}

TEST(SpoolerObjectResults, MonitorAlreadyInstalledCountsAsAddedAndLeavesTheText) {
    WriteEngineMessages();
    ScopedSystemCall<decltype(SystemCallTable::AddMonitorA)> fake(&SystemCallTable::AddMonitorA, &MonitorFails);
    for (const CodeCase& c : {CodeCase{ERROR_PRINT_MONITOR_ALREADY_INSTALLED, true},
                              CodeCase{ERROR_ALREADY_EXISTS, true}, CodeCase{ERROR_ACCESS_DENIED, false}}) {
        injectedCode = c.code;
        MONITOR_INFO_2A monitor = {};
        const OperationResult added = AddMonitorObject(&monitor);
        EXPECT_EQ(c.added, added.ok) << c.code;
        EXPECT_EQ(c.added ? "" : Text("IDS_ERR_ADDMONITOR") + "\n" + SystemText(c.code), added.text);
        EXPECT_EQ(c.added ? 0u : c.code, added.code);
    }
}

TEST(SpoolerObjectResults, ProcessorCodesAreReturnedAsTheSpoolerGaveThem) {
    ScopedSystemCall<decltype(SystemCallTable::AddPrintProcessorA)> fake(&SystemCallTable::AddPrintProcessorA,
                                                                         &ProcessorFails);
    for (const DWORD code : {3005ul, 183ul, 87ul, 5ul}) {
        injectedCode = code;
        const OperationResult added = AddPrintProcessorObject("VantoraPrint", "VTPRTPRC.DLL", OsIndex::Windows7);
        EXPECT_FALSE(added.ok) << code;
        EXPECT_EQ(code, added.code);
        EXPECT_EQ("", added.text) << "the caller has its own text";
    }
}

// Enumeration answers: first the size probe, then the buffer sizes offered.
struct FakeEnumeration {
    static inline DWORD reported;
    static inline DWORD growTo;
    static inline std::vector<DWORD> sizes;
    static BOOL WINAPI EnumPorts(LPSTR, DWORD, LPBYTE, DWORD size, LPDWORD needed, LPDWORD returned) {
        sizes.push_back(size);
        *returned = 0;
        const DWORD required = sizes.size() <= 1 ? reported : growTo;
        if (size < required) {
            *needed = required;
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        return TRUE;
    }
};

TEST(SpoolerObjectResults, PortEnumerationBufferSizes) {
    EXPECT_TRUE(CheckPortEnumeration().ok);

    ScopedSystemCall<decltype(SystemCallTable::EnumPortsA)> fake(&SystemCallTable::EnumPortsA,
                                                                 &FakeEnumeration::EnumPorts);
    // A short list is read into the 1,000-byte minimum.
    FakeEnumeration::sizes.clear();
    FakeEnumeration::reported = FakeEnumeration::growTo = 120;
    EXPECT_TRUE(CheckPortEnumeration().ok);
    EXPECT_EQ((std::vector<DWORD>{0, 1000}), FakeEnumeration::sizes);
    // A port added between the calls: the repeat takes the size reported then.
    FakeEnumeration::sizes.clear();
    FakeEnumeration::reported = 2000;
    FakeEnumeration::growTo = 2500;
    const OperationResult enumerated = CheckPortEnumeration();
    EXPECT_TRUE(enumerated.ok) << enumerated.text;
    EXPECT_EQ((std::vector<DWORD>{0, 2000, 2500}), FakeEnumeration::sizes);
}

}  // namespace
