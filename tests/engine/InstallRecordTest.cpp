#include "engine/InstallRecord.h"

#include "config/ProcessSettings.h"
#include "config/SetupConfig.h"
#include "support/Overrides.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

InstallRecord Sample() {
    InstallRecord r;
    r.printer = "VT-T300(S)";
    r.model = "VT-T300";
    r.printerType = PrinterType::Ticket;
    r.driver = "Vantora VT-T300 Ticket";
    r.driverEnvironments = {"Windows NT x86", "Windows x64"};
    r.port = "COM2:";
    r.portKind = PortKind::Serial;
    r.serialSettings = "19200,e,7,1,p";
    r.serialSettingsBefore = "4800,o,8,1";
    r.portMonitor = "Vantora Serial Monitor";
    r.portMonitorEnvironments = {"Windows NT x86"};
    r.portMonitorAdded = true;
    r.printProcessor = "VantoraPrint";
    r.printProcessorEnvironments = {"Windows x64"};
    r.driverFiles = {"C:\\Windows\\system32\\spool\\DRIVERS\\x64\\3\\VTGDI64.DLL",
                     "C:\\Windows\\system32\\spool\\DRIVERS\\x64\\3\\VTT300.VTD"};
    r.defaultPrinter = true;
    r.setupVersion = "1.0.0.0";
    r.distributionVersion = "3.2.0.1";
    r.installedAt = "2026-12-09 10:00:00";
    r.journal = "C:\\Temp\\PrinterDriverSetup.log";
    return r;
}

const RegistryValue* Find(const std::vector<RegistryValue>& values, const std::string& name) {
    for (const RegistryValue& value : values)
        if (value.name == name) return &value;
    return nullptr;
}

// The registry's own forms, as reg.exe and detection rules read them.
TEST(InstallRecord, WritesEachValueInItsRegistryForm) {
    const std::vector<RegistryValue> values = EncodeRecord(Sample());
    const struct {
        const char* name;
        DWORD type;
        std::string data;
    } cases[] = {
        {"Model", REG_SZ, "VT-T300\0"s},
        {"PrinterType", REG_SZ, "ticket\0"s},
        {"PortKind", REG_SZ, "serial\0"s},
        {"DriverEnvironments", REG_MULTI_SZ, "Windows NT x86\0Windows x64\0\0"s},
        {"LanguageMonitorEnvironments", REG_MULTI_SZ, "\0\0"s},
        {"PortMonitorAdded", REG_DWORD, "\1\0\0\0"s},
        {"PortCreated", REG_DWORD, "\0\0\0\0"s},
        {"NetworkAddress", REG_SZ, "\0"s},
        {"SerialSettingsBefore", REG_SZ, "4800,o,8,1\0"s},
        {"InstalledAt", REG_SZ, "2026-12-09 10:00:00\0"s},
    };
    for (const auto& c : cases) {
        const RegistryValue* value = Find(values, c.name);
        ASSERT_NE(value, nullptr) << c.name;
        EXPECT_EQ(value->type, c.type) << c.name;
        EXPECT_EQ(value->data, c.data) << c.name;
    }
    EXPECT_EQ(values.size(), 27u) << "every value of the record, and no other";
    InstallRecord back;
    EXPECT_EQ(DecodeRecord("VT-T300(S)", values, back), "");
    EXPECT_EQ(back, Sample());
}

// Edited by hand, a record is no record, with the reason the journal gives.
TEST(InstallRecord, AHandEditedRecordIsNoRecord) {
    const auto edit = [](const char* name, DWORD type, std::string data) {
        std::vector<RegistryValue> values = EncodeRecord(Sample());
        for (RegistryValue& value : values)
            if (value.name == name) value = {name, type, std::move(data)};
        return values;
    };
    std::vector<RegistryValue> missing = EncodeRecord(Sample());
    missing.erase(missing.begin());
    const struct {
        std::string keyName;
        std::vector<RegistryValue> values;
        std::string refusal;
    } cases[] = {
        {"VT-T300(S)", missing, "Model is missing"},
        {"VT-T300(S)", edit("Model", REG_DWORD, "\1\0\0\0"s), "Model is no REG_SZ"},
        {"VT-T300(S)", edit("Model", REG_SZ, "\0"s), "Model is empty"},
        {"VT-T300(S)", edit("Driver", REG_SZ, "Vantora\0Other\0"s), "Driver holds a zero character"},
        {"VT-T300(S)", edit("Driver", REG_SZ, std::string(1024, 'D')), "Driver is longer than 1023 characters"},
        {"VT-T300(S)", edit("PrinterType", REG_SZ, "laser\0"s), "PrinterType \"laser\" is no printer type"},
        {"VT-T300(S)", edit("PortKind", REG_SZ, "none\0"s), "PortKind \"none\" is no port kind"},
        {"VT-T300(S)", edit("PortCreated", REG_DWORD, "\2\0\0\0"s), "PortCreated is neither 0 nor 1"},
        {"VT-T300(S)", edit("PortCreated", REG_DWORD, "\1"s), "PortCreated is neither 0 nor 1"},
        {"VT-T300(S)", edit("DriverFiles", REG_MULTI_SZ, "C:\\a.dll"s), "DriverFiles is not ended by a zero"},
        {"VT-T300(S)", edit("DriverFiles", REG_SZ, "C:\\a.dll\0"s), "DriverFiles is no REG_MULTI_SZ"},
        {"VT\x01T300", EncodeRecord(Sample()), "the name is no printer name"},
        {std::string(256, 'P'), EncodeRecord(Sample()), "the name is no printer name"},
    };
    for (const auto& c : cases) {
        InstallRecord record = Sample();
        record.model = "untouched";
        EXPECT_EQ(DecodeRecord(c.keyName, c.values, record), c.refusal) << c.refusal;
        EXPECT_EQ(record.model, "untouched") << "a refused record leaves the caller's as it was: " << c.refusal;
    }
    std::vector<RegistryValue> extra = EncodeRecord(Sample());
    extra.push_back({"Comment", REG_SZ, "added by the administrator\0"s});
    InstallRecord record;
    EXPECT_EQ(DecodeRecord("VT-T300(S)", extra, record), "") << "a value of someone else's is no harm";
}

// Ownership is the product's: an earlier record's added component, created port and text
// from before pass to the new record; nothing passes between different names or ports.
TEST(InstallRecord, CarriesWhatEarlierRecordsOwn) {
    const auto fresh = [] {
        InstallRecord r = Sample();
        r.printer = "VT-T300(S)(1)";
        r.portMonitorAdded = false;
        r.printProcessorAdded = false;
        r.serialSettingsBefore = "19200,e,7,1,p";
        r.installedAt = "2026-12-09 11:00:00";
        return r;
    };
    InstallRecord network = Sample();
    network.port = "IP_10.0.0.5";
    network.portKind = PortKind::Network;
    network.portCreated = true;
    InstallRecord otherMonitor = Sample();
    otherMonitor.portMonitor = "Someone Else's Monitor";
    otherMonitor.portMonitorEnvironments = {"Windows x64"};
    otherMonitor.printProcessorAdded = true;
    otherMonitor.port = "COM3:";
    InstallRecord later = Sample();
    later.installedAt = "2026-12-09 10:30:00";
    later.serialSettingsBefore = "9600,n,8,1";
    later.portMonitorEnvironments = {"Windows x64"};

    const struct {
        const char* what;
        std::vector<InstallRecord> existing;
        bool monitorAdded;
        std::vector<std::string> monitorEnvironments;
        bool processorAdded;
        std::string before;
        bool portCreated;
    } cases[] = {
        {"nothing earlier", {}, false, {"Windows NT x86"}, false, "19200,e,7,1,p", false},
        {"the earliest record of the port gives the text from before", {later, Sample()}, true,
         {"Windows NT x86", "Windows x64"}, false, "4800,o,8,1", false},
        {"another monitor and port: only the processor it added", {otherMonitor}, false, {"Windows NT x86"}, true,
         "19200,e,7,1,p", false},
    };
    for (const auto& c : cases) {
        InstallRecord r = fresh();
        CarryOwnership(r, c.existing);
        EXPECT_EQ(r.portMonitorAdded, c.monitorAdded) << c.what;
        EXPECT_EQ(r.portMonitorEnvironments, c.monitorEnvironments) << c.what;
        EXPECT_EQ(r.printProcessorAdded, c.processorAdded) << c.what;
        EXPECT_EQ(r.serialSettingsBefore, c.before) << c.what;
        EXPECT_EQ(r.portCreated, c.portCreated) << c.what;
    }
    InstallRecord again = network;
    again.portCreated = false;
    CarryOwnership(again, {network});
    EXPECT_TRUE(again.portCreated) << "a port this program created stays its own after a re-run";
}

LONG WINAPI RefuseFifthValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
    static int calls = 0;
    if (++calls == 5) return ERROR_ACCESS_DENIED;
    return RegSetValueExA(key, name, reserved, type, data, size);
}

bool RecordKeyExists(const std::string& printer, REGSAM view) {
    HKEY key = nullptr;
    const std::string path = std::string(kRecordsKey) + "\\" + printer;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// In the 64-bit view, whole or not at all, and read back as it was written.
TEST(InstallRecord, IsWrittenWholeOrNotAtAllInThe64BitView) {
    ProcessSettings::SetIs64BitWindows(true);
    InstallRecord record = Sample();
    ASSERT_TRUE(WriteRecord(record, true).ok);
    EXPECT_TRUE(RecordKeyExists(record.printer, KEY_WOW64_64KEY));
    EXPECT_FALSE(RecordKeyExists(record.printer, KEY_WOW64_32KEY));
    RecordsRead read = ReadRecords();
    ASSERT_EQ(read.records.size(), 1u);
    EXPECT_EQ(read.records[0], record);
    EXPECT_EQ(ReadIndexEntry("vt-t300", "COM2:"), "VT-T300(S)");

    // A rewrite that fails part way leaves no record at all, not half of one.
    record.installedAt = "2026-12-09 12:00:00";
    {
        ScopedSystemCall<decltype(SystemCallTable::RegSetValueExA)> refuse(&SystemCallTable::RegSetValueExA,
                                                                           &RefuseFifthValue);
        const OperationResult written = WriteRecord(record, true);
        EXPECT_FALSE(written.ok);
        EXPECT_EQ(written.code, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    EXPECT_FALSE(RecordKeyExists(record.printer, KEY_WOW64_64KEY));
    read = ReadRecords();
    EXPECT_TRUE(read.records.empty());
    EXPECT_TRUE(read.refused.empty());

    ASSERT_TRUE(WriteRecord(record, false).ok);
    EXPECT_TRUE(DeleteRecord(record.printer));
    EXPECT_FALSE(RecordKeyExists(record.printer, KEY_WOW64_64KEY));
    EXPECT_TRUE(DeleteRecord(record.printer)) << "gone already counts as removed";
}

TEST(InstallRecord, KeyNamesTimesAndVersions) {
    for (const char* name : {"VT-R80(P)", "VT-R80(U) 1", "\xB4\xF2\xD3\xA1\xBB\xFA"}) EXPECT_TRUE(IsRecordKeyName(name)) << name;
    for (const std::string& name : {""s, "a\\b"s, "tab\there"s, std::string(256, 'x')}) EXPECT_FALSE(IsRecordKeyName(name)) << name;
    SYSTEMTIME utc = {};
    utc.wYear = 2026;
    utc.wMonth = 3;
    utc.wDay = 7;
    utc.wHour = 5;
    utc.wMinute = 4;
    utc.wSecond = 9;
    EXPECT_EQ(RecordTime(utc), "2026-03-07 05:04:09");
    EXPECT_EQ(QueryLine(Sample()), "VT-T300(S)|VT-T300|COM2:|3.2.0.1");
    for (const char* version : {"3", "3.2", "3.2.0.1", "65535.0.0.0", "0.0"}) EXPECT_TRUE(IsDottedVersion(version)) << version;
    for (const char* version : {"", "3.", ".3", "3..2", "3.2.0.1.5", "65536", "3.2 beta", "v3", "-1", "123456"})
        EXPECT_FALSE(IsDottedVersion(version)) << version;
}

}  // namespace
