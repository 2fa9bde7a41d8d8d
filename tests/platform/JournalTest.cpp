#include "platform/Journal.h"

#include "framework/ProgramPaths.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The system's own UTF-8 decoder, told to refuse what is not well-formed.
bool IsUtf8(const std::string& text) {
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0) > 0;
}

class Journal : public ::testing::Test {
protected:
    void TearDown() override { CloseJournal(); }
    const std::string folder_ = ProgramFolder();
};

TEST(JournalPaths, ADeviceIsRefusedByItsNameAFileIsNot) {
    const std::pair<const char*, const char*> cases[] = {  // path, the refusal's start (empty: a file)
        {"NUL", "names the device NUL"},           {"C:\\Logs\\aux.tar.gz", "names the device aux"},
        {"prn ", "names the device prn"},          {"COM1", "names the device COM1"},
        {"C:com9.log", "names the device com9"},   {"D:/logs/LPT3:", "names the device LPT3"},
        {"\\\\.\\pipe\\x", "is a device path"},     {"//./C:/j.log", "is a device path"},
        {"\\\\?\\GLOBALROOT\\Device\\Null", "is a device path"}, {"\\??\\COM1", "is a device path"},
        {"\\\\server\\PIPE\\x", "names a pipe or a mailslot"},
        {"\\\\?\\UNC\\server\\mailslot\\x", "names a pipe or a mailslot"},
        {"C:\\NUL\\printer.log", ""},              {"console.log", ""},
        {"COM10", ""},                             {"\\\\?\\C:\\Logs\\printer.log", ""},
        {"\\\\server\\logs\\printer.log", ""},
    };
    for (const auto& [path, start] : cases) {
        const std::string refusal = JournalPathRefusal(path);
        // A file's refusal is empty; a device's starts with the reason.
        EXPECT_EQ(*start == '\0' ? refusal : refusal.substr(0, std::strlen(start)), start) << path;
    }
}

TEST(JournalPaths, AnOpenedFileMustBeAPlainFileOfItsOwn) {
    const struct {
        DWORD type, attributes, links;
        const char* refusal;
    } cases[] = {
        {FILE_TYPE_DISK, FILE_ATTRIBUTE_ARCHIVE, 1, ""},
        {FILE_TYPE_CHAR, 0, 0, "is not a file on a disk"},
        {FILE_TYPE_PIPE, 0, 1, "is not a file on a disk"},
        {FILE_TYPE_DISK, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT, 1, "is a symbolic link or a junction"},
        {FILE_TYPE_DISK, FILE_ATTRIBUTE_ARCHIVE, 2, "is a file with 2 hard links"},
    };
    for (const auto& c : cases) {
        BY_HANDLE_FILE_INFORMATION information = {};
        information.dwFileAttributes = c.attributes;
        information.nNumberOfLinks = c.links;
        EXPECT_EQ(JournalFileRefusal(c.type, information), c.refusal) << c.type << " " << c.links;
    }
}

TEST(JournalText, ControlCharactersAreEscapedLineBreaksFolded) {
    EXPECT_EQ(JournalText("Model \"VT\x1b[2JR80\""), "Model \"VT\\x1b[2JR80\"");
    EXPECT_EQ(JournalText("a\tb\x7f\x01 first\r\nsecond\n"), "a\\x09b\\x7f\\x01 first second ");
}

// The default name holds the time and the process: the test fixes the first name instead.
// A file and a link planted there (the link made on the host: Wine cannot make one) are
// neither opened nor followed.
TEST_F(Journal, APlantedNameIsLeftAloneAndTheNextNameIsTaken) {
    const std::string planted = folder_ + "planted.log", linkTarget = folder_ + "link-target.log";
    WriteBinaryFile(folder_, "planted.log", "someone else's file");
    for (const char* name : {"planted-2.log", "planted-link-2.log", "link-target.log"})
        DeleteFileA((folder_ + name).c_str());
    ASSERT_TRUE(OpenNewJournal(planted));
    EXPECT_EQ(JournalPath(), folder_ + "planted-2.log");
    JournalLine("a line");
    ASSERT_TRUE(OpenNewJournal(folder_ + "planted-link.log"));
    EXPECT_EQ(JournalPath(), folder_ + "planted-link-2.log") << "the build plants the link";
    JournalLine("a line");
    CloseJournal();
    EXPECT_EQ(ReadFile(planted), "someone else's file");
    EXPECT_EQ(GetFileAttributesA(linkTarget.c_str()), INVALID_FILE_ATTRIBUTES) << "the link was followed";
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
    EXPECT_EQ(journal.rfind("\xEF\xBB\xBF"), 0u) << "one mark, at the start";
    EXPECT_TRUE(IsUtf8(journal));
    const std::string caption = "  Caption=打印机驱动安装程序\r\n";
    const std::size_t first = journal.find(caption);
    EXPECT_NE(first, std::string::npos);
    EXPECT_NE(journal.find(caption, first + 1), std::string::npos) << "the second run's lines";
}

// A /log file that cannot be opened is no refusal: a default journal takes its place and
// says so first.
TEST_F(Journal, AnUnwritableFileFallsBackToADefaultJournal) {
    ASSERT_TRUE(OpenJournal("C:\\no\\such\\folder\\j.log"));
    const std::string fallback = JournalPath();
    EXPECT_EQ(fallback.find("PrinterDriverSetup-"), fallback.find_last_of('\\') + 1) << fallback;
    JournalLine("next");
    CloseJournal();
    const std::string text = ReadFile(fallback);
    DeleteFileA(fallback.c_str());
    const std::string note = "The journal \"C:\\no\\such\\folder\\j.log\" cannot be opened, so it is written here: error 3";
    EXPECT_EQ(text.find(note), 3u + 25u) << "after the mark and the time: " << text;
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
        std::string command = "journal_writer.exe \"" + path + "\" " + tag + " " + std::to_string(kLines) + " JournalWritersGo";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, 0, 0, nullptr, nullptr, &startup, &process));
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
    EXPECT_EQ(journal.rfind("\xEF\xBB\xBF"), 0u) << "one mark, at the start";
    std::vector<std::string> lines, written;
    std::istringstream text(journal.substr(3));
    for (std::string line; std::getline(text, line);) lines.push_back(line.size() > 25 ? line.substr(25) : line);
    for (const char* tag : {"first", "second"})
        for (int i = 0; i < kLines; ++i) written.push_back(std::string(tag) + " line " + std::to_string(i) + "\r");
    std::sort(lines.begin(), lines.end());
    std::sort(written.begin(), written.end());
    EXPECT_TRUE(lines == written) << lines.size() << " whole lines of " << written.size() << " written";
}

}  // namespace
