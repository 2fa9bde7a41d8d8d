// The distribution checker over broken copies of the assembled sample distribution.
#include "check/DistributionCheck.h"

#include "config/ProfileSnapshot.h"
#include "framework/ProgramPaths.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// The build assembles the sample beside the tests: build\dist.
std::string SampleFolder() { return JoinPath(ProgramFolder(), "..\\..\\dist"); }

void CopyTree(const std::string& from, const std::string& to) {
    CreateFolders(to);
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(JoinPath(from, "*").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << from;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) CopyTree(JoinPath(from, name), JoinPath(to, name));
        else CopyFileA(JoinPath(from, name).c_str(), JoinPath(to, name).c_str(), FALSE);
    } while (FindNextFileA(search, &data));
    FindClose(search);
}

// A fresh copy of the sample in a folder beside the test program, removed afterwards.
class DistributionCopy {
public:
    DistributionCopy() : folder_(JoinPath(ProgramFolder(), "copy")) {
        RemoveTree(folder_);
        CopyTree(SampleFolder(), folder_);
    }
    ~DistributionCopy() { RemoveTree(folder_); }
    const std::string& Folder() const { return folder_; }
    std::string Path(const std::string& relative) const { return JoinPath(folder_, relative); }
    // Sets a key, or removes it (value null), or the whole section (key null).
    void Set(const std::string& relative, const char* section, const char* key, const char* value) const {
        WritePrivateProfileStringA(section, key, value, Path(relative).c_str());
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, Path(relative).c_str());
    }
    void Remove(const std::string& relative) const {
        DeleteFileA(Path(relative).c_str());
        RemoveTree(Path(relative));
    }

private:
    std::string folder_;
};

const char* kSetup = "DRVCONFIG\\setup.ini";
const char* kReceipt = "DRVCONFIG\\setup_receipt.ini";
const char* kTicket = "DRVCONFIG\\setup_ticket.ini";
const char* kLanguage = "language\\setup.ini";

struct BrokenCase {
    const char* name;
    std::function<void(const DistributionCopy&)> breakIt;
    int exitCode;
    // The finding that names the defect.
    const char* file;
    const char* section;
    const char* key;
};

std::string Describe(const std::vector<Finding>& findings) {
    std::string text;
    for (const Finding& finding : findings) text += "  " + FormatFinding(finding) + "\n";
    return text.empty() ? "  (no findings)\n" : text;
}

bool Reports(const CheckResult& result, const std::string& file, const std::string& section, const std::string& key) {
    for (const Finding& finding : result.findings)
        if (finding.file == file && finding.section == section && finding.key == key) return true;
    return false;
}

std::string Repeat(char c, std::size_t count) { return std::string(count, c); }

TEST(DistributionCheck, TheAssembledSampleChecksClean) {
    const CheckResult result = CheckDistribution(SampleFolder());
    EXPECT_TRUE(result.folderReadable);
    EXPECT_TRUE(result.findings.empty()) << Describe(result.findings);
    EXPECT_EQ(CheckExitCode(result), 0);
}

TEST(DistributionCheck, AFolderWithoutDrvconfigCannotBeRead) {
    DistributionCopy copy;
    copy.Remove("DRVCONFIG");
    const CheckResult result = CheckDistribution(copy.Folder());
    EXPECT_FALSE(result.folderReadable);
    EXPECT_EQ(CheckExitCode(result), 3);
}

// One defect per copy, grouped by family; each must be named where it sits.
const BrokenCase kBrokenCases[] = {
    // Device list
    {"CountBeyondEntries", [](auto& c) { c.Set(kSetup, "DEVICENAME", "DEVICENUMBER", "9"); }, 2, kSetup, "DEVICENAME", "DEVICENAME9"},
    {"EntryBeyondCount", [](auto& c) { c.Set(kSetup, "DEVICENAME", "DEVICENAME9", "VT-X9-ReceiptPrinter"); }, 1, kSetup, "DEVICENAME", "DEVICENAME9"},
    {"CountBeyondCap", [](auto& c) { c.Set(kSetup, "DEVICENAME", "DEVICENUMBER", "10000"); }, 2, kSetup, "DEVICENAME", "DEVICENUMBER"},
    {"NoTypeSuffix", [](auto& c) { c.Set(kSetup, "DEVICENAME", "DEVICENAME3", "VT-R58"); }, 2, kSetup, "DEVICENAME", "DEVICENAME3"},
    {"DuplicateWithinType", [](auto& c) { c.Set(kSetup, "DEVICENAME", "DEVICENAME3", "VT-R80-ReceiptPrinter"); }, 2, kSetup, "DEVICENAME", "DEVICENAME3"},
    {"DuplicateAcrossTypes", [](auto& c) { c.Set(kSetup, "DEVICENAME", "DEVICENAME6", "vt-r80-LabelPrinter"); }, 2, kSetup, "DEVICENAME", "DEVICENAME6"},
    {"DefaultNamesNoDevice", [](auto& c) { c.Set(kSetup, "DEVICENAME", "DEFAULTNAME", "12"); }, 1, kSetup, "DEVICENAME", "DEFAULTNAME"},
    {"ModelNameTooLongForUsbPorts", [](auto& c) {
         c.Set(kSetup, "DEVICENAME", "DEVICENAME4", (Repeat('T', 46) + "-TicketPrinter").c_str()); }, 2, kSetup, "DEVICENAME", "DEVICENAME4"},
    // Models on each OS and bitness
    {"OsSectionMissing", [](auto& c) { c.Set(kTicket, "VT-T300.XP", nullptr, nullptr); }, 2, kTicket, "VT-T300.XP", ""},
    {"OsSectionMissing64", [](auto& c) { c.Set("DRVCONFIG\\setup_ticket_64.ini", "VT-T300.Win7", nullptr, nullptr); }, 2, "DRVCONFIG\\setup_ticket_64.ini", "VT-T300.Win7", ""},
    {"DriverNameEmpty", [](auto& c) { c.Set(kReceipt, "VT-R80.XP", "DriverNameU", ""); }, 2, kReceipt, "VT-R80.XP", "DriverNameU"},
    {"DriverFileMissing", [](auto& c) { c.Set(kReceipt, "VT-R80.Vista", "GDIDriverPath", "NOSUCH.DLL"); }, 2, kReceipt, "VT-R80.Vista", "GDIDriverPath"},
    {"FileLetterCase", [](auto& c) { c.Set(kReceipt, "VT-R80.XP", "GDIDataFile", "vtr80.vtd"); }, 2, kReceipt, "VT-R80.XP", "GDIDataFile"},
    {"RequiredFileZero", [](auto& c) { c.Set(kReceipt, "VT-R80.Win7", "STDConfigFile", "0"); }, 2, kReceipt, "VT-R80.Win7", "STDConfigFile"},
    {"FileNameCut", [](auto& c) { c.Set(kReceipt, "VT-R80.2003", "GDIHelpFile", Repeat('H', 250).c_str()); }, 2, kReceipt, "VT-R80.2003", "GDIHelpFile"},
    {"ProcessorNameCut", [](auto& c) { c.Set(kReceipt, "VT-R80.2K", "GDIPrintProcessor", Repeat('P', 60).c_str()); }, 2, kReceipt, "VT-R80.2K", "GDIPrintProcessor"},
    {"FileNameBeyondPathLimit", [](auto& c) { c.Set(kReceipt, "VT-R80.2008", "GDIDataOemuiDLL", (Repeat('N', 196) + ".DLL").c_str()); }, 2, kReceipt, "VT-R80.2008", "GDIDataOemuiDLL"},
    // Port sections
    {"NoPortFamily", [](auto& c) {
         for (const char* key : {"USBSUPPORTED", "LPTSUPPORTED", "COMSUPPORTED", "NETSUPPORTED"})
             c.Set("DRVCONFIG\\setup_label.ini", "VT-L40.PORT", key, "0"); }, 2, "DRVCONFIG\\setup_label.ini", "VT-L40.PORT", ""},
    // The program reads a port key as a number of at most 31 characters: a key it reads as 0
    // offers nothing, however the whole text reads.
    {"PortKeyLongerThanTheProgramReads", [](auto& c) {
         for (const char* key : {"USBSUPPORTED", "COMSUPPORTED", "NETSUPPORTED"})
             c.Set("DRVCONFIG\\setup_label.ini", "VT-L40.PORT", key, "0");
         c.Set("DRVCONFIG\\setup_label.ini", "VT-L40.PORT", "LPTSUPPORTED", (Repeat('0', 31) + "1").c_str()); },
     2, "DRVCONFIG\\setup_label.ini", "VT-L40.PORT", ""},
    {"DefaultPortNotOffered", [](auto& c) {
         c.Set(kTicket, "VT-T300.PORT", "LPTSUPPORTED", "0"); c.Set(kTicket, "VT-T300.PORT", "LPTDEFAULT", "1"); }, 1, kTicket, "VT-T300.PORT", "LPTDEFAULT"},
    {"StartUpRefusesPortNull", [](auto& c) {
         for (const char* file : {"DRVCONFIG\\setup_embedded.ini", "DRVCONFIG\\setup_embedded_64.ini"})
             for (const char* key : {"USBSUPPORTED", "LPTSUPPORTED", "COMSUPPORTED", "NETSUPPORTED"})
                 c.Set(file, "VT-E30.PORT", key, "0"); }, 2, kSetup, "DEVICENAME", "DEVICENAME8"},
    // Monitors, processor version, USB port names
    {"MonitorSectionMissing", [](auto& c) { c.Set(kSetup, "COMMON-MONITOR.XP", nullptr, nullptr); }, 2, kSetup, "COMMON-MONITOR.XP", ""},
    {"MonitorDllMissing", [](auto& c) { c.Set(kSetup, "COMMON-MONITOR.Win7", "USBMONitorPDLLName", "NOPE.DLL"); }, 2, kSetup, "COMMON-MONITOR.Win7", "USBMONitorPDLLName"},
    {"MonitorVersionNotANumber", [](auto& c) { c.Set(kSetup, "COMMON-MONITOR.2003", "COMMONitorVersion", "four"); }, 2, kSetup, "COMMON-MONITOR.2003", "COMMONitorVersion"},
    {"LanguageMonitorKeysApart", [](auto& c) { c.Set(kSetup, "COMMON-MONITOR.Vista", "USBLMONitorVersion", nullptr); }, 2, kSetup, "COMMON-MONITOR.Vista", "USBLMONitorVersion"},
    {"ProcessorVersionMissing", [](auto& c) { c.Set(kSetup, "ProcessorVersion", "DriverVersion", nullptr); }, 2, kSetup, "ProcessorVersion", "DriverVersion"},
    {"UsbDeviceNamesNoPort", [](auto& c) { c.Set(kSetup, "SUPPORTED-USB-DEVICE", "USB_NOSUCH_1", "1"); }, 1, kSetup, "SUPPORTED-USB-DEVICE", "USB_NOSUCH_1"},
    // USB driver package and device library
    {"UsbDriverInfMissing", [](auto& c) { c.Remove("USBDRV\\USBDriver_x64\\VTPUSB.INF"); }, 2, "USBDRV\\USBDriver_x64\\VTPUSB.INF", "", ""},
    {"UsbDriverWithoutVersion", [](auto& c) { WriteTextFile(c.Folder(), "USBDRV\\USBDriver\\VTPUSB.sys", "no resource\n"); }, 2, "USBDRV\\USBDriver\\VTPUSB.sys", "", ""},
    {"DeviceLibraryMissing", [](auto& c) { c.Remove("VtUsbInt.dll"); }, 2, "VtUsbInt.dll", "", ""},
    // Language files
    {"MessageKeyMissing", [](auto& c) { c.Set(kLanguage, "Message", "IDS_ERR_ADDPRINTER", nullptr); }, 2, kLanguage, "Message", "IDS_ERR_ADDPRINTER"},
    {"OtherLanguageFileKeyEmpty", [](auto& c) { c.Set("language\\setup_chs.ini", "Confirm", "Parity.Odd", ""); }, 1, "language\\setup_chs.ini", "Confirm", "Parity.Odd"},
    {"MarkerTwice", [](auto& c) { c.Set(kLanguage, "Mode", "Note1", "One\\1Two\\1Three"); }, 1, kLanguage, "Mode", "Note1"},
    {"NotGbkUnderChineseFont", [](auto& c) {
         c.Set(kSetup, "DEVICENAME", "LANGUAGE", "0"); c.Set(kLanguage, "Setup", "Caption", "Setup \xFF\xFF"); }, 1, kLanguage, "Setup", "Caption"},
    // Licence and side bitmap
    {"LicenceMissing", [](auto& c) { c.Remove("License.txt"); }, 2, "License.txt", "", ""},
    {"BitmapUnreadable", [](auto& c) { WriteTextFile(c.Folder(), "DRVCONFIG\\Left.bmp", "not a bitmap\n"); }, 2, "DRVCONFIG\\Left.bmp", "", ""},
    // Files nothing names
    {"UnnamedDriverFile", [](auto& c) { WriteTextFile(c.Folder(), "W64\\STRAY.DLL", "stray\n"); }, 1, "W64\\STRAY.DLL", "", ""},
};

class BrokenDistribution : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenDistribution, ReportsItsDefectWhereItSits) {
    const BrokenCase& broken = GetParam();
    DistributionCopy copy;
    broken.breakIt(copy);
    const CheckResult result = CheckDistribution(copy.Folder());
    EXPECT_TRUE(Reports(result, broken.file, broken.section, broken.key))
        << "expected a finding on " << broken.file << " [" << broken.section << "] " << broken.key << ", got\n"
        << Describe(result.findings);
    EXPECT_EQ(CheckExitCode(result), broken.exitCode) << Describe(result.findings);
}

INSTANTIATE_TEST_SUITE_P(EveryGroup, BrokenDistribution, ::testing::ValuesIn(kBrokenCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Content no packager means to write: each gives a clear finding and no crash.
const BrokenCase kHostileCases[] = {
    {"TenThousandCharacterValue", [](auto& c) {
         c.Set(kSetup, "DEVICENAME", "DEVICENAME1", (Repeat('V', 10000) + "-ReceiptPrinter").c_str()); }, 2, kSetup, "DEVICENAME", "DEVICENAME1"},
    {"MegabyteLanguageFile", [](auto& c) {
         std::string text = "[Other]\n";
         while (text.size() < 1024 * 1024) text += "Key" + std::to_string(text.size()) + "=" + Repeat('x', 100) + "\n";
         WriteTextFile(c.Folder(), kLanguage, text); }, 2, kLanguage, "Setup", "Caption"},
    {"BinaryGarbageInTypeFile", [](auto& c) {
         std::string bytes;
         for (int i = 0; i < 70000; ++i) bytes += static_cast<char>((i * 7919) % 256);
         WriteBinaryFile(c.Folder(), kReceipt, bytes); }, 2, kReceipt, "VT-R80.PORT", ""},
    {"TwoBillionDevices", [](auto& c) { c.Set(kSetup, "DEVICENAME", "DEVICENUMBER", "2000000000"); }, 2, kSetup, "DEVICENAME", "DEVICENUMBER"},
    {"ModelNameOf199Characters", [](auto& c) {
         c.Set(kSetup, "DEVICENAME", "DEVICENAME5", (Repeat('L', 186) + "-LabelPrinter").c_str()); }, 2, kSetup, "DEVICENAME", "DEVICENAME5"},
    {"DriverFoldersMissing", [](auto& c) { c.Remove("W32"); }, 2, kReceipt, "VT-R80.XP", "GDIDriverPath"},
    {"LanguageFolderMissing", [](auto& c) { c.Remove("language"); }, 2, kLanguage, "", ""},
};

class HostileDistribution : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(HostileDistribution, GivesAClearFindingAndNoCrash) {
    const BrokenCase& hostile = GetParam();
    DistributionCopy copy;
    hostile.breakIt(copy);
    const CheckResult result = CheckDistribution(copy.Folder());
    EXPECT_TRUE(Reports(result, hostile.file, hostile.section, hostile.key))
        << "expected a finding on " << hostile.file << " [" << hostile.section << "] " << hostile.key << ", got\n"
        << Describe(result.findings);
    EXPECT_EQ(CheckExitCode(result), hostile.exitCode);
}

INSTANTIATE_TEST_SUITE_P(Content, HostileDistribution, ::testing::ValuesIn(kHostileCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The in-memory reading gives what the profile functions give, on every key of the
// sample's files and on the format's corners.
TEST(ProfileSnapshot, ReadsWhatTheProfileFunctionsRead) {
    DistributionCopy copy;
    WriteTextFile(copy.Folder(), "corners.ini",
                  "; comment\n[ Spaced ]\n  Key  =  value with blanks  \nquoted=\"in quotes\"\nsingle='x'\n"
                  "lone=\"\nnovalue\nKEY=second wins not\n[spaced]\nlater=from a repeated section\n"
                  "[Empty]\n[broken\nafter=broken header\n");
    std::vector<std::string> files = {kSetup, kReceipt, "DRVCONFIG\\setup_receipt_64.ini", kLanguage,
                                      "language\\setup_chs.ini", "corners.ini"};
    int compared = 0;
    for (const std::string& relative : files) {
        const std::string path = copy.Path(relative);
        const CProfileSnapshot snapshot(path);
        ASSERT_TRUE(snapshot.Loaded()) << path;
        std::vector<std::pair<std::string, std::string>> lookups = {{"Spaced", "key"}, {"spaced", "quoted"},
                                                                    {"Spaced", "single"}, {"Spaced", "lone"},
                                                                    {"Spaced", "novalue"}, {"Spaced", "later"},
                                                                    {"Empty", "none"}, {"broken", "after"},
                                                                    {"Nowhere", "none"}};
        for (const std::string& section : snapshot.Sections())
            for (const CProfileSnapshot::Entry& entry : snapshot.Entries(section)) lookups.emplace_back(section, entry.key);
        for (const auto& [section, key] : lookups) {
            char expected[2048];
            std::memset(expected, 0x5A, sizeof expected);
            GetPrivateProfileStringA(section.c_str(), key.c_str(), "0", expected, sizeof expected, path.c_str());
            EXPECT_EQ(snapshot.Read(section, key, sizeof expected - 1), std::string(expected))
                << relative << " [" << section << "] " << key;
            ++compared;
        }
    }
    EXPECT_GT(compared, 500);
}

// A generated distribution of 1,000 models, each a copy of the sample's first receipt
// printer under its own name. The figure is printed; the bound is only a generous one.
TEST(DistributionCheck, AThousandModels) {
    DistributionCopy copy;
    std::string devices = "DEVICENUMBER=1000\nDEFAULTNAME=1\n";
    for (int n = 1; n <= 1000; ++n) devices += "DEVICENAME" + std::to_string(n) + "=M" + std::to_string(n) + "-ReceiptPrinter\n";
    for (const char* file : {kReceipt, "DRVCONFIG\\setup_receipt_64.ini"}) {
        const CProfileSnapshot sample(copy.Path(file));
        std::string text;
        for (int n = 1; n <= 1000; ++n) {
            for (const std::string& section : sample.Sections()) {
                if (section.compare(0, 7, "VT-R80.") != 0) continue;
                text += "[M" + std::to_string(n) + section.substr(6) + "]\n";
                for (const CProfileSnapshot::Entry& entry : sample.Entries(section)) text += entry.key + "=" + entry.value + "\n";
            }
        }
        WriteTextFile(copy.Folder(), file, text);
    }
    std::string setup;
    {
        const CProfileSnapshot sample(copy.Path(kSetup));
        for (const std::string& section : sample.Sections()) {
            if (section == "SUPPORTED-USB-DEVICE") continue;
            setup += "[" + section + "]\n";
            if (section == "DEVICENAME") setup += devices;
            for (const CProfileSnapshot::Entry& entry : sample.Entries(section))
                if (entry.key.compare(0, 10, "DEVICENAME") != 0 && entry.key != "DEFAULTNAME")
                    setup += entry.key + "=" + entry.value + "\n";
        }
    }
    WriteTextFile(copy.Folder(), kSetup, setup);

    const ULONGLONG start = GetTickCount64();
    const CheckResult result = CheckDistribution(copy.Folder());
    const ULONGLONG elapsed = GetTickCount64() - start;
    std::printf("[ figure   ] 1,000 models checked in %llu ms\n", static_cast<unsigned long long>(elapsed));
    // The sample's other receipt printers are gone, so their files are named by none: warnings only.
    EXPECT_LE(CheckExitCode(result), 1) << Describe(result.findings);
    EXPECT_LT(elapsed, 60000u);
}

}  // namespace
