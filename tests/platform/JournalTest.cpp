#include "platform/Journal.h"

#include "framework/ProgramPaths.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Well-formed UTF-8 as RFC 3629 has it: no overlong forms, surrogates or bytes past U+10FFFF.
bool IsUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
        const unsigned lead = byte(i);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                                   : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((byte(i + k) & 0xC0) != 0x80) return false;
        if ((lead == 0xE0 && byte(i + 1) < 0xA0) || (lead == 0xED && byte(i + 1) > 0x9F) ||
            (lead == 0xF0 && byte(i + 1) < 0x90) || (lead == 0xF4 && byte(i + 1) > 0x8F))
            return false;
        i += length;
    }
    return true;
}

class Journal : public ::testing::Test {
protected:
    void TearDown() override { CloseJournal(); }
    const std::string folder_ = ProgramFolder();
};

TEST(JournalPaths, ADeviceIsRefusedByItsNameAFileIsNot) {
    const struct {
        const char* path;
        const char* refusal;  // empty: may be opened
    } cases[] = {
        {"NUL", "names the device NUL"},
        {"nul.txt", "names the device nul"},
        {"C:\\Logs\\CON", "names the device CON"},
        {"C:\\Logs\\aux.tar.gz", "names the device aux"},
        {"prn ", "names the device prn"},
        {"COM1", "names the device COM1"},
        {"C:com9.log", "names the device com9"},
        {"D:/logs/LPT3:", "names the device LPT3"},
        {"CONOUT$", "names the device CONOUT$"},
        {"\\\\.\\pipe\\x", "is a device path"},
        {"//./C:/j.log", "is a device path"},
        {"\\\\?\\GLOBALROOT\\Device\\Null", "is a device path"},
        {"\\\\?\\pipe\\x", "is a device path"},
        {"\\??\\COM1", "is a device path"},
        {"\\\\server\\PIPE\\x", "names a pipe or a mailslot"},
        {"\\\\?\\UNC\\server\\mailslot\\x", "names a pipe or a mailslot"},
        {"C:\\Logs\\printer.log", ""},
        {"C:\\NUL\\printer.log", ""},
        {"console.log", ""},
        {"COM10", ""},
        {"LPT", ""},
        {"\\\\?\\C:\\Logs\\printer.log", ""},
        {"\\\\server\\logs\\printer.log", ""},
        {"printer.log", ""},
    };
    for (const auto& c : cases) {
        const std::string refusal = JournalPathRefusal(c.path);
        EXPECT_EQ(refusal.substr(0, std::string(c.refusal).size()), c.refusal) << c.path;
        if (*c.refusal == '\0') {
            EXPECT_EQ(refusal, "") << c.path;
        }
    }
}

TEST(JournalPaths, AnOpenedFileMustBeAPlainFileOfItsOwn) {
    const auto file = [](DWORD attributes, DWORD links) {
        BY_HANDLE_FILE_INFORMATION information = {};
        information.dwFileAttributes = attributes;
        information.nNumberOfLinks = links;
        return information;
    };
    const struct {
        DWORD type;
        BY_HANDLE_FILE_INFORMATION information;
        const char* refusal;
    } cases[] = {
        {FILE_TYPE_DISK, file(FILE_ATTRIBUTE_ARCHIVE, 1), ""},
        {FILE_TYPE_CHAR, file(0, 0), "is not a file on a disk"},
        {FILE_TYPE_PIPE, file(0, 1), "is not a file on a disk"},
        {FILE_TYPE_UNKNOWN, file(0, 1), "is not a file on a disk"},
        {FILE_TYPE_DISK, file(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT, 1), "is a symbolic link or a junction"},
        {FILE_TYPE_DISK, file(FILE_ATTRIBUTE_ARCHIVE, 2), "is a file with 2 hard links"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JournalFileRefusal(c.type, c.information), c.refusal) << c.type << " " << c.information.nNumberOfLinks;
}

TEST(JournalText, ControlCharactersAreEscapedLineBreaksFolded) {
    const struct {
        const char* text;
        const char* written;
    } cases[] = {
        {"Model \"VT\x1b[2JR80\"", "Model \"VT\\x1b[2JR80\""},
        {"first\r\nsecond\n", "first second "},
        {"a\tb\x7f\x01", "a\\x09b\\x7f\\x01"},
        {"C:\\x1b\\j.log", "C:\\x1b\\j.log"},
    };
    for (const auto& c : cases) EXPECT_EQ(JournalText(c.text), c.written) << c.text;
}

// The default name holds the time and the process: the test fixes the first name instead.
// A file and a link planted there (the link made on the host: Wine cannot make one) are
// neither opened nor followed.
TEST_F(Journal, APlantedNameIsLeftAloneAndTheNextNameIsTaken) {
    const std::string planted = folder_ + "planted.log";
    WriteBinaryFile(folder_, "planted.log", "someone else's file");
    const std::string link = folder_ + "planted-link.log";
    const std::string linkTarget = folder_ + "link-target.log";
    DeleteFileA(linkTarget.c_str());
    for (const char* name : {"planted-2.log", "planted-link-2.log"}) DeleteFileA((folder_ + name).c_str());
    ASSERT_TRUE(OpenNewJournal(planted));
    EXPECT_EQ(JournalPath(), folder_ + "planted-2.log");
    JournalLine("a line");
    ASSERT_TRUE(OpenNewJournal(link));
    EXPECT_EQ(JournalPath(), folder_ + "planted-link-2.log") << "the build plants the link";
    JournalLine("a line");
    CloseJournal();
    EXPECT_EQ(ReadFile(planted), "someone else's file");
    EXPECT_FALSE(Exists(linkTarget)) << "the link was followed";
    EXPECT_EQ(ReadFile(folder_ + "planted-link-2.log").substr(0, 3), "\xEF\xBB\xBF");
}

// Under the Chinese texts the ANSI code page is 936 (the test runs under zh_CN.UTF-8): every
// line of the Chinese language file, in GBK, becomes UTF-8; a second run appends to the file
// without a second byte-order mark.
TEST_F(Journal, AJournalOfTheChineseTextsIsUtf8WithOneMark) {
    ASSERT_EQ(GetACP(), 936u) << "the test is meant to run under the zh_CN.UTF-8 locale";
    const std::string path = folder_ + "chinese.log";
    DeleteFileA(path.c_str());
    const std::string texts = ReadFile(folder_ + "setup_chs.ini.fixture");
    ASSERT_NE(texts.find("Caption="), std::string::npos);
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(OpenJournal(path));
        std::istringstream lines(texts);
        for (std::string line; std::getline(lines, line);) JournalLine(line);
        CloseJournal();
    }
    const std::string journal = ReadFile(path);
    ASSERT_EQ(journal.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(journal.find("\xEF\xBB\xBF", 3), std::string::npos) << "a second mark";
    EXPECT_TRUE(IsUtf8(journal));
    const std::string caption = "  Caption=打印机驱动安装程序\r\n";
    const std::size_t first = journal.find(caption);
    EXPECT_NE(first, std::string::npos);
    EXPECT_NE(journal.find(caption, first + 1), std::string::npos) << "the second run's lines";
}

// An explicit journal that is a second name of another file is refused before anything is
// written. A file that cannot be opened
// gives way to a default journal that says so first.
TEST_F(Journal, ALinkedFileIsRefusedAnUnwritableOneFallsBack) {
    const std::string hardLink = folder_ + "hardlink.log";
    DeleteFileA(hardLink.c_str());
    WriteBinaryFile(folder_, "hardlink-target.log", "someone else's file");
    ASSERT_TRUE(CreateHardLinkA(hardLink.c_str(), (folder_ + "hardlink-target.log").c_str(), nullptr));
    std::string refusal;
    EXPECT_FALSE(OpenJournal(hardLink, &refusal));
    EXPECT_EQ(refusal, "is a file with 2 hard links");
    EXPECT_FALSE(JournalIsOpen());
    EXPECT_EQ(ReadFile(hardLink), "someone else's file");

    refusal.clear();
    ASSERT_TRUE(OpenJournal("C:\\no\\such\\folder\\j.log", &refusal));
    EXPECT_EQ(refusal, "");
    const std::string fallback = JournalPath();
    EXPECT_EQ(fallback.find("PrinterDriverSetup-"), fallback.find_last_of('\\') + 1) << fallback;
    JournalLine("next");
    CloseJournal();
    const std::string text = ReadFile(fallback);
    DeleteFileA(fallback.c_str());
    const std::string note = "The journal \"C:\\no\\such\\folder\\j.log\" cannot be opened, so it is written here: error 3";
    EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(text.find(note), 3u + 25u) << text;
    EXPECT_NE(text.find("  next\r\n"), std::string::npos) << text;
}

// Two runs appending to one journal at once both keep every line whole: two processes of
// a helper that writes lines as an installation does.
TEST_F(Journal, TwoRunsOnOneJournalBothKeepTheirLines) {
    const std::string path = folder_ + "shared.log";
    DeleteFileA(path.c_str());
    constexpr int kLines = 1000;
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, "JournalWritersGo");
    std::vector<PROCESS_INFORMATION> writers;
    for (const char* tag : {"first", "second"}) {
        std::string command = "\"" + folder_ + "journal_writer.exe\" \"" + path + "\" " + tag + " " +
                              std::to_string(kLines) + " JournalWritersGo";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process))
            << command;
        writers.push_back(process);
    }
    Sleep(500);
    SetEvent(go);
    for (const PROCESS_INFORMATION& writer : writers) {
        EXPECT_EQ(WaitForSingleObject(writer.hProcess, 60000), WAIT_OBJECT_0);
        DWORD code = 0xDEADBEEF;
        GetExitCodeProcess(writer.hProcess, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(writer.hThread);
        CloseHandle(writer.hProcess);
    }
    CloseHandle(go);

    const std::string journal = ReadFile(path);
    ASSERT_EQ(journal.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(journal.find("\xEF\xBB\xBF", 3), std::string::npos) << "each run took the file for new";
    std::vector<std::string> lines;
    std::istringstream text(journal.substr(3));
    for (std::string line; std::getline(text, line);) lines.push_back(line.size() > 25 ? line.substr(25) : line);
    EXPECT_EQ(lines.size(), 2u * kLines);
    for (const char* tag : {"first", "second"}) {
        for (int i = 0; i < kLines; ++i) {
            const std::string line = std::string(tag) + " line " + std::to_string(i) + "\r";
            EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1) << line;
        }
    }
}

}  // namespace
