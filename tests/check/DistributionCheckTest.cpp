// The distribution checker over broken copies of the assembled sample distribution.
#include "check/DistributionCheck.h"

#include "config/ProfileSnapshot.h"
#include "framework/ProgramPaths.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
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

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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
    {"DistributionVersionNotDotted", [](auto& c) { c.Set(kSetup, "DEVICENAME", "Version", "3.2 beta"); }, 2, kSetup, "DEVICENAME", "Version"},
    {"DistributionVersionPartTooLarge", [](auto& c) { c.Set(kSetup, "DEVICENAME", "Version", "3.70000.0.1"); }, 2, kSetup, "DEVICENAME", "Version"},
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
    // Encodings: Windows takes a UTF-8 mark for part of the first line
    {"SectionBehindUtf8Mark", [](auto& c) {
         const std::string text = ReadBytes(c.Path(kReceipt));
         WriteBinaryFile(c.Folder(), kReceipt, "\xEF\xBB\xBF" + text.substr(text.find('['))); }, 2, kReceipt, "VT-R80.PORT", ""},
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

// ASCII text as UTF-16LE behind its mark, as Windows' editors save "Unicode".
std::string Utf16LeFromAscii(const std::string& text) {
    std::string bytes = "\xFF\xFE";
    for (char c : text) bytes += std::string{c, '\0'};
    return bytes;
}

// Every section and key name the text shows, found without the snapshot's parser and more
// generously than any reader: a line ends at CR, LF and NUL here, so names the snapshot
// might miss are asked for too. Each key is paired with the header above it; with
// everyPair, with every header.
std::vector<std::pair<std::string, std::string>> LookupsFromText(const std::string& text, bool everyPair) {
    std::vector<std::string> sections = {"Nowhere"};
    std::vector<std::pair<std::string, std::string>> lookups;
    std::set<std::string> keys = {"Absent"};
    std::string section = "Nowhere";
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find_first_of(std::string("\r\n\0", 3), at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        line.erase(0, line.find_first_not_of(" \t"));
        if (line.empty()) continue;
        if (line[0] == '[') {
            section = line.substr(1, line.rfind(']') - 1);   // to the last "]", or the line's end
            sections.push_back(section);
            continue;
        }
        // The program asks for no empty key name.
        const std::string key = line.substr(0, line.find('='));
        if (key.find_first_not_of(" \t") == std::string::npos) continue;
        keys.insert(key);
        lookups.emplace_back(section, key);
    }
    for (const std::string& name : sections) lookups.emplace_back(name, "Absent");
    if (everyPair)
        for (const std::string& name : sections)
            for (const std::string& key : keys) lookups.emplace_back(name, key);
    return lookups;
}

// The in-memory reading gives what GetPrivateProfileStringA gives, for every name the
// files' text shows, into buffers from one byte to 64 KiB and at each value's own edge:
// the sample's files and a file of the format's corners, in ANSI and in UTF-16LE.
TEST(ProfileSnapshot, ReadsWhatTheProfileFunctionsRead) {
    using namespace std::string_literals;
    DistributionCopy copy;
    const std::string corners =
        "; comment\n[ Spaced ]\n  Key  =  value with blanks  \nquoted=\"in quotes\"\nsingle='x'\n"
        "lone=\"\nnovalue\nKEY=second wins not\n[spaced]\nlater=from a repeated section\n"
        "[Empty]\n[broken\nafter=broken header\n"
        "[Nul]\ncut=ab\0cd=hidden behind the NUL\n  blank  =  ab  \0 cd\nquotes=\"ab\"\0tail\"\n"
        "open=\"ab\0\"\nna\0me=named up to the NUL\n\0lead=x\n"
        "[Sec\0tion]\nk=in a section named up to its NUL\n"
        "[Edge]\nlong="s + Repeat('x', 3000) + "\nquotedLong=\"" + Repeat('q', 40) + "\"\ne=\n"
        "[]\ninempty=1\n=no name\n";
    WriteBinaryFile(copy.Folder(), "corners.ini", corners);
    WriteBinaryFile(copy.Folder(), "corners16.ini", Utf16LeFromAscii(corners));
    const std::pair<std::string, bool> files[] = {
        {kSetup, false}, {kReceipt, false}, {"DRVCONFIG\\setup_receipt_64.ini", false}, {kLanguage, false},
        {"language\\setup_chs.ini", false}, {"corners.ini", true}, {"corners16.ini", true}};
    int compared = 0;
    std::vector<char> expected(64 * 1024);
    for (const auto& [relative, everyPair] : files) {
        const std::string path = copy.Path(relative);
        const CProfileSnapshot snapshot(path);
        ASSERT_TRUE(snapshot.Loaded()) << path;
        const std::string text = relative == "corners16.ini" ? corners : ReadBytes(path);
        for (const auto& [section, key] : LookupsFromText(text, everyPair)) {
            GetPrivateProfileStringA(section.c_str(), key.c_str(), "0", expected.data(),
                                     static_cast<DWORD>(expected.size()), path.c_str());
            const std::string whole = expected.data();
            std::set<std::size_t> sizes = {1, 2, 3, whole.size(), whole.size() + 1, whole.size() + 2, expected.size()};
            for (std::size_t size : sizes) {
                if (size == 0) continue;
                std::memset(expected.data(), 0x5A, size);
                GetPrivateProfileStringA(section.c_str(), key.c_str(), "0", expected.data(), static_cast<DWORD>(size),
                                         path.c_str());
                // A buffer that holds the value gets it whole, as documented; Wine drops the last
                // character of a quoted value that fills it exactly.
                const std::string want = size == whole.size() + 1 ? whole : std::string(expected.data());
                EXPECT_EQ(snapshot.Read(section, key, size - 1), want)
                    << relative << " [" << section << "] " << key << ", buffer of " << size;
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 5000);
}

// Windows takes a UTF-8 mark for part of the first line (Wine reads the mark, so this is
// no comparison with the profile functions here): the header on that line is never found.
TEST(ProfileSnapshot, AUtf8MarkHidesTheHeaderOnTheFirstLine) {
    const CProfileSnapshot marked = CProfileSnapshot::FromText("\xEF\xBB\xBF[First]\r\nKey=1\r\n[Second]\r\nKey=2\r\n");
    EXPECT_EQ(marked.SectionBehindUtf8Mark(), "First");
    EXPECT_FALSE(marked.HasSection("First"));
    EXPECT_EQ(marked.Read("First", "Key", 9), "0");
    EXPECT_EQ(marked.Read("Second", "Key", 9), "2");
    const CProfileSnapshot comment = CProfileSnapshot::FromText("\xEF\xBB\xBF; note\n[First]\nKey=1\n");
    EXPECT_EQ(comment.SectionBehindUtf8Mark(), "");
    EXPECT_EQ(comment.Read("First", "Key", 9), "1");
}

// A UTF-16LE type file is read as Windows reads it: the distribution checks clean.
TEST(DistributionCheck, AUtf16TypeFileReadsAsTheProgramReadsIt) {
    DistributionCopy copy;
    WriteBinaryFile(copy.Folder(), kReceipt, Utf16LeFromAscii(ReadBytes(copy.Path(kReceipt))));
    const CheckResult result = CheckDistribution(copy.Folder());
    EXPECT_TRUE(result.findings.empty()) << Describe(result.findings);
}

// A check that fails in itself ends with 5 and a line saying what failed, never with a
// verdict on the folder: here a type file of 2 GiB, more than the 32-bit checker can hold.
TEST(SetupCheck, AnInternalFailureExitsWithFiveAndSaysWhatFailed) {
    DistributionCopy copy;
    HANDLE huge = CreateFileA(copy.Path(kReceipt).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(huge, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = 2LL << 30;   // sparse: nothing is written
    EXPECT_TRUE(SetFilePointerEx(huge, size, nullptr, FILE_BEGIN) && SetEndOfFile(huge));
    CloseHandle(huge);
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    const std::string errorPath = copy.Path("stderr.txt");
    HANDLE errors = CreateFileA(errorPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = errors;
    std::string command = "\"" + JoinPath(ProgramFolder(), "..\\..\\src\\SetupCheck.exe") + "\" \"" + copy.Folder() + "\"";
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        << command;
    CloseHandle(errors);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    const std::string output = ReadBytes(errorPath);
    EXPECT_EQ(code, 5u) << output;
    EXPECT_NE(output.find("SetupCheck: internal failure"), std::string::npos) << output;
    EXPECT_NE(output.find("setup_receipt.ini holds 2147483648 bytes"), std::string::npos) << output;
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
