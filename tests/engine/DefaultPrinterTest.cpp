#include "engine/DefaultPrinter.h"

#include "support/Overrides.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr char kPrinter[] = "Vantora Default Test";
constexpr char kDriver[] = "Vantora Default Driver";

class DefaultPrinterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char directory[MAX_PATH] = {};
        DWORD needed = 0;
        GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory), sizeof directory, &needed);
        for (const char* file : {"VTDEF.DLL", "VTDEF.GPD"}) {
            const std::string path = std::string(directory) + "\\" + file;
            HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            CloseHandle(handle);
        }
        DRIVER_INFO_3A driver = {};
        driver.cVersion = 3;
        driver.pName = const_cast<char*>(kDriver);
        driver.pDriverPath = const_cast<char*>("VTDEF.DLL");
        driver.pDataFile = const_cast<char*>("VTDEF.GPD");
        driver.pConfigFile = const_cast<char*>("VTDEF.DLL");
        ASSERT_TRUE(AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&driver)));
        PRINTER_INFO_2A printer = {};
        printer.pPrinterName = const_cast<char*>(kPrinter);
        printer.pDriverName = const_cast<char*>(kDriver);
        printer.pPortName = const_cast<char*>("LPT1:");
        printer.pPrintProcessor = const_cast<char*>("winprint");
        printer.pDatatype = const_cast<char*>("RAW");
        HANDLE handle = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
        ASSERT_NE(nullptr, handle) << GetLastError();
        ClosePrinter(handle);
    }
};

struct CountingOpen {
    static inline int opened = 0;
    static BOOL WINAPI Open(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
        ++opened;
        return DefaultSystemCalls().OpenPrinterA(name, printer, defaults);
    }
};

TEST_F(DefaultPrinterTest, WindowsSevenSetsItThroughTheSpoolerWithoutOpeningThePrinter) {
    ScopedSystemCall<decltype(SystemCallTable::OpenPrinterA)> counting(&SystemCallTable::OpenPrinterA,
                                                                       &CountingOpen::Open);
    ASSERT_TRUE(SetDefaultPrinterByName(kPrinter).ok);
    char name[MAX_PATH] = {};
    DWORD size = sizeof name;
    ASSERT_TRUE(GetDefaultPrinterA(name, &size));
    EXPECT_STREQ(kPrinter, name);
    EXPECT_EQ(0, CountingOpen::opened);
}

TEST_F(DefaultPrinterTest, WindowsNt4WritesPrinterDriverAndPortToTheProfile) {
    FakeWindowsVersion nt4(VER_PLATFORM_WIN32_NT, 4, 0);
    WriteProfileStringA("windows", "device", "untouched");
    ASSERT_TRUE(SetDefaultPrinterByName(kPrinter).ok);
    char device[MAX_PATH] = {};
    GetProfileStringA("windows", "device", "", device, sizeof device);
    EXPECT_EQ(std::string(kPrinter) + "," + kDriver + ",LPT1:", device);
}

BOOL WINAPI SizeProbeReportsNothing(HANDLE, DWORD, LPBYTE, DWORD, LPDWORD needed) {
    *needed = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
}

struct CountingSet {
    static inline int calls = 0;
    static BOOL WINAPI Set(HANDLE, DWORD, LPBYTE, DWORD) {
        ++calls;
        return TRUE;
    }
};

TEST_F(DefaultPrinterTest, Windows98PrinterReportingNoSizeIsLeftAlone) {
    FakeWindowsVersion win98(VER_PLATFORM_WIN32_WINDOWS, 4, 10);
    ScopedSystemCall<decltype(SystemCallTable::GetPrinterA)> probe(&SystemCallTable::GetPrinterA,
                                                                  &SizeProbeReportsNothing);
    ScopedSystemCall<decltype(SystemCallTable::SetPrinterA)> set(&SystemCallTable::SetPrinterA, &CountingSet::Set);
    EXPECT_FALSE(SetDefaultPrinterByName(kPrinter).ok);
    EXPECT_EQ(0, CountingSet::calls);
    EXPECT_FALSE(SetDefaultPrinterByName(nullptr).ok);
}

}  // namespace
