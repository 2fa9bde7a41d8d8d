#include "config/TextCatalogue.h"

#include "config/ProfileReader.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>

namespace {

TEST(LineBreakMarkers, FirstOccurrenceOfEachDigitBecomesALineBreak) {
    struct Case {
        const char* value;
        const char* expected;
    } cases[] = {
        {"First\\1Second\\1Third", "First\r\nSecond\\1Third"},
        {"one\\3two\\1three", "one\r\ntwo\r\nthree"},
        {"a\\1b\\2c\\3d\\1e\\2f\\3g", "a\r\nb\r\nc\r\nd\\1e\\2f\\3g"},
        {"no markers", "no markers"},
        {"\\4 and \\0 stay", "\\4 and \\0 stay"},
        {"ends with \\", "ends with \\"},
        {"\\\\1", "\\\r\n"},
        {"", ""},
    };
    for (const Case& c : cases) {
        char text[64];
        std::strcpy(text, c.value);
        ReplaceLineBreakMarkers(text);
        EXPECT_STREQ(text, c.expected) << "value \"" << c.value << "\"";
    }
}

class TextCatalogueTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveTree(ProgramFolder() + "language"); }
    void TearDown() override { RemoveTree(ProgramFolder() + "language"); }
    void WriteLanguageFile(const std::string& text) { WriteTextFile(ProgramFolder(), "language\\setup.ini", text); }
};

TEST_F(TextCatalogueTest, MissingFileSectionOrKeyGivesAnEmptyText) {
    CTextCatalogue setup("Setup");
    EXPECT_STREQ(setup.ReadText("Caption"), "");
    WriteLanguageFile("[Setup]\nCaption=Printer Driver Setup\n");
    EXPECT_STREQ(setup.ReadText("Caption"), "Printer Driver Setup");
    EXPECT_STREQ(setup.ReadText("Missing"), "");
    EXPECT_STREQ(CTextCatalogue("Legal").ReadText("Caption"), "");
    EXPECT_STREQ(setup.ReadText(nullptr), "");
}

TEST_F(TextCatalogueTest, MessageCatalogueReadsSectionMessageAndTwoReadsShareTheBuffer) {
    WriteLanguageFile("[Message]\nIDS_X64=Use the 64-bit package.\\1Setup ends.\nIDS_X32=Use the 32-bit package.\n");
    const char* first = MessageCatalogue.ReadText("IDS_X64");
    EXPECT_STREQ(first, "Use the 64-bit package.\r\nSetup ends.");
    const char* second = MessageCatalogue.ReadText("IDS_X32");
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first, "Use the 32-bit package.");
}

TEST_F(TextCatalogueTest, LongValuesAreCutTo2047CharactersAndLongSectionNamesSafely) {
    WriteLanguageFile("[Message]\nIDS_LONG=" + std::string(3000, 'x') + "\n[" + std::string(255, 's') +
                      "]\nKey=found\n");
    EXPECT_EQ(std::strlen(MessageCatalogue.ReadText("IDS_LONG")), 2047u);
    // A section name beyond the field is cut at 255 characters, never copied past it.
    const std::string longSection = std::string(255, 's') + std::string(5000, 't');
    CTextCatalogue catalogue(longSection.c_str());
    EXPECT_STREQ(catalogue.ReadText("Key"), "found");
}

TEST_F(TextCatalogueTest, BinaryOrHugeLanguageFilesNeverOverrun) {
    std::string garbage;
    unsigned int seed = 777;
    for (int i = 0; i < 1 << 20; ++i) {
        seed = seed * 1103515245u + 12345u;
        char c = static_cast<char>(seed >> 16);
        garbage.push_back(c == '\n' || c == '\r' ? 'n' : c);  // one enormous line
    }
    WriteBinaryFile(ProgramFolder(), "language\\setup.ini", "[Message]\r\nIDS_HUGE=" + garbage + "\r\n");
    EXPECT_LE(std::strlen(MessageCatalogue.ReadText("IDS_HUGE")), 2047u);
    EXPECT_STREQ(CTextCatalogue("Setup").ReadText("Caption"), "");
}

// The worker copies an error text while the progress window paints its own: each
// thread's text must survive the other thread's reads. The two threads take turns so
// every round overlaps the two texts' lifetimes the same way.
TEST_F(TextCatalogueTest, EachThreadKeepsItsOwnTextWhileTheOtherReads) {
    WriteLanguageFile("[Progress]\nWait=" + std::string(300, 'w') + "\n[Message]\nIDS_ERR_COPYFIEL=" +
                      std::string(300, 'e') + "\n");
    HANDLE painterTurn = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    HANDLE workerTurn = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    int overwritten = 0;
    const char* painterText = nullptr;
    const char* workerText = nullptr;
    std::thread worker([&] {
        CTextCatalogue messages("Message");
        for (int round = 0; round < 50; ++round) {
            WaitForSingleObject(workerTurn, INFINITE);
            // The painter holds its text now; read ours over whatever buffer we have.
            workerText = messages.ReadText("IDS_ERR_COPYFIEL");
            SetEvent(painterTurn);
            WaitForSingleObject(workerTurn, INFINITE);
            if (std::string(workerText) != std::string(300, 'e')) ++overwritten;
            SetEvent(painterTurn);
        }
    });
    CTextCatalogue progress("Progress");
    for (int round = 0; round < 50; ++round) {
        WaitForSingleObject(painterTurn, INFINITE);
        painterText = progress.ReadText("Wait");
        SetEvent(workerTurn);
        WaitForSingleObject(painterTurn, INFINITE);
        if (std::string(painterText) != std::string(300, 'w')) ++overwritten;
        // Read again while the worker still holds its text.
        progress.ReadText("Wait");
        SetEvent(workerTurn);
    }
    worker.join();
    CloseHandle(painterTurn);
    CloseHandle(workerTurn);
    EXPECT_EQ(overwritten, 0);
    EXPECT_NE(painterText, workerText) << "one buffer per thread";
}

// The same two readers at full speed, many times over.
TEST_F(TextCatalogueTest, TwoThreadsReadingAtOnceEachGetTheirOwnText) {
    WriteLanguageFile("[Progress]\nWait=" + std::string(300, 'w') + "\n[Message]\nIDS_ERR_COPYFIEL=" +
                      std::string(300, 'e') + "\n");
    std::atomic<int> wrong{0};
    auto reader = [&wrong](const char* section, const char* key, char expected) {
        CTextCatalogue catalogue(section);
        for (int i = 0; i < 300; ++i) {
            if (std::string(catalogue.ReadText(key)) != std::string(300, expected)) ++wrong;
        }
    };
    std::thread painter(reader, "Progress", "Wait", 'w');
    std::thread worker(reader, "Message", "IDS_ERR_COPYFIEL", 'e');
    painter.join();
    worker.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
