#include "config/ProfileReader.h"

#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <windows.h>

namespace {

struct IntCase {
    const char* text;
    long long expected;
};

TEST(LeadingDigitsRule, ConvertsLikeAtoiAndSaturatesInsteadOfOverflowing) {
    const IntCase cases[] = {
        {"42", 42},           {"  17abc", 17},      {"\t9", 9},          {"-5", -5},
        {"+8", 8},            {"abc", 0},           {"", 0},             {"- 5", 0},
        {"0x1F", 0},          {"2147483647", INT_MAX}, {"2147483648", INT_MAX}, {"99999999999", INT_MAX},
        {"-2147483648", INT_MIN}, {"-99999999999999999999999", INT_MIN}, {"00012", 12},
    };
    for (const IntCase& c : cases)
        EXPECT_EQ(ParseLeadingInt(c.text), c.expected) << "text \"" << c.text << "\"";
    EXPECT_EQ(ParseLeadingInt(nullptr), 0);
}

TEST(LeadingDigitsRule, VersionsSaturateToTheUnsigned32BitRange) {
    const IntCase cases[] = {
        {"3", 3}, {"4294967295", 4294967295LL}, {"4294967296", 4294967295LL}, {"-3", 0}, {"12x", 12}, {"x", 0},
    };
    for (const IntCase& c : cases)
        EXPECT_EQ(ParseLeadingUnsigned(c.text), static_cast<unsigned int>(c.expected)) << "text \"" << c.text << "\"";
}

TEST(JoinPath, PutsExactlyOneSeparatorBetweenFolderAndName) {
    EXPECT_EQ(JoinPath("C:\\Dist\\", "DRVCONFIG\\setup.ini"), "C:\\Dist\\DRVCONFIG\\setup.ini");
    EXPECT_EQ(JoinPath("C:\\Dist", "DRVCONFIG\\setup.ini"), "C:\\Dist\\DRVCONFIG\\setup.ini");
    EXPECT_EQ(JoinPath("C:\\Dist\\\\", "\\language\\setup.ini"), "C:\\Dist\\language\\setup.ini");
}

TEST(JoinPath, APathThatCannotBeFormedIsEmpty) {
    EXPECT_EQ(JoinPath("", "DRVCONFIG\\setup.ini"), "");
    EXPECT_EQ(JoinPath("C:\\Dist\\", ""), "");
    const std::string deep = "C:\\" + std::string(240, 'd') + "\\";
    EXPECT_EQ(JoinPath(deep, "DRVCONFIG\\setup.ini"), "");  // 244 + 19 characters: past MAX_PATH
    const std::string fits = "C:\\" + std::string(200, 'd') + "\\";
    EXPECT_EQ(JoinPath(fits, "DRVCONFIG\\setup_embedded_64.ini").size(), 204u + 31u);
}

TEST(ProgramFolder, IsTheExecutablesFolderWithItsBackslash) {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_EQ(folder, std::string(module).substr(0, folder.size()));
    EXPECT_EQ(std::string(module).find('\\', folder.size()), std::string::npos);
}

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ProgramFolder() + "profile_test";
        RemoveTree(folder_);
        path_ = folder_ + "\\values.ini";
    }
    void TearDown() override { RemoveTree(folder_); }
    void Write(const std::string& text) { WriteTextFile(folder_, "values.ini", text); }

    std::string folder_;
    std::string path_;
};

TEST_F(ProfileFileTest, OverlongValueIsCutToBufferSizeLessOneAndNothingPastIt) {
    Write("[S]\nLong=" + std::string(10000, 'v') + "\n");
    char buffer[400];
    std::memset(buffer, 0xCD, sizeof buffer);
    const std::size_t length = ReadProfileText(path_, "S", "Long", buffer, 200);
    EXPECT_EQ(length, 199u);
    EXPECT_EQ(std::strlen(buffer), 199u);
    for (std::size_t i = 200; i < sizeof buffer; ++i)
        ASSERT_EQ(static_cast<unsigned char>(buffer[i]), 0xCD) << "byte " << i << " written past the buffer";
    EXPECT_EQ(ReadProfileString(path_, "S", "Long", 49).size(), 49u);
}

TEST_F(ProfileFileTest, MissingFileSectionOrKeyReadsZero) {
    EXPECT_EQ(ReadProfileString(path_, "S", "Key", 199), "0");
    Write("[S]\nKey=value\n");
    EXPECT_EQ(ReadProfileString(path_, "S", "Key", 199), "value");
    EXPECT_EQ(ReadProfileString(path_, "Other", "Key", 199), "0");
    EXPECT_EQ(ReadProfileString(path_, "S", "Other", 199), "0");
    EXPECT_EQ(ReadProfileString("", "S", "Key", 199), "0");
    EXPECT_EQ(ReadProfileString(path_, "", "Key", 199), "0");
}

TEST_F(ProfileFileTest, SectionAndKeyNamesMatchWithoutRegardToCase) {
    Write("[devicename]\ndevicenumber=3\nGDIDRIVERNAME=Driver A\n");
    EXPECT_EQ(ReadProfileInt(path_, "DEVICENAME", "DEVICENUMBER"), 3);
    EXPECT_EQ(ReadProfileString(path_, "DeviceName", "GDIDriverName", 49), "Driver A");
}

TEST_F(ProfileFileTest, AFileEditedBetweenTwoLookupsIsReadAfresh) {
    Write("[S]\nCount=1\n");
    EXPECT_EQ(ReadProfileInt(path_, "S", "Count"), 1);
    Write("[S]\nCount=2\nExtra=yes\n");
    EXPECT_EQ(ReadProfileInt(path_, "S", "Count"), 2);
    EXPECT_EQ(ReadProfileString(path_, "S", "Extra", 9), "yes");
}

TEST_F(ProfileFileTest, BinaryGarbageNeverOverrunsTheBuffer) {
    std::string garbage;
    unsigned int seed = 12345;
    for (int i = 0; i < 70000; ++i) {
        seed = seed * 1103515245u + 12345u;
        garbage.push_back(static_cast<char>(seed >> 16));
    }
    garbage += "\r\n[S]\r\nKey=after garbage\r\n";
    WriteBinaryFile(folder_, "values.ini", garbage);
    char buffer[64];
    std::memset(buffer, 0xCD, sizeof buffer);
    const std::size_t length = ReadProfileText(path_, "S", "Key", buffer, 32);
    EXPECT_LE(length, 31u);
    EXPECT_EQ(std::strlen(buffer), length);
    for (std::size_t i = 32; i < sizeof buffer; ++i) ASSERT_EQ(static_cast<unsigned char>(buffer[i]), 0xCD);
}

TEST(ReadConfigInt, ReadsBesideTheProgramWithTheLeadingDigitsRule) {
    const std::string folder = ProgramFolder();
    WriteTextFile(folder, "readint\\flags.ini",
                  "[DEVICENAME]\nLOADLICENSE=5\nLANGUAGE=abc\nBaudRate=9600baud\nHuge=99999999999\n");
    EXPECT_EQ(ReadConfigInt("readint\\flags.ini", "DEVICENAME", "LOADLICENSE"), 5);
    EXPECT_EQ(ReadConfigInt("readint\\flags.ini", "DEVICENAME", "LANGUAGE"), 0);
    EXPECT_EQ(ReadConfigInt("readint\\flags.ini", "DEVICENAME", "BaudRate"), 9600);
    EXPECT_EQ(ReadConfigInt("readint\\flags.ini", "DEVICENAME", "Huge"), INT_MAX);
    EXPECT_EQ(ReadConfigInt("readint\\flags.ini", "DEVICENAME", "Missing"), 0);
    EXPECT_EQ(ReadConfigInt("readint\\missing.ini", "DEVICENAME", "LOADLICENSE"), 0);
    RemoveTree(folder + "readint");
}

}  // namespace

// One read of a whole section answers every key as the one-key lookups do.
struct SectionCase {
    std::string file;   // owned: a case must not point into a temporary
    const char* section;
};

TEST_F(ProfileFileTest, ASectionReadOnceAnswersEveryKeyAsTheOneKeyLookups) {
    // Longer than the section read's first buffer (32 KiB): the read must grow, not cut.
    const std::string longValue(40000, 'v');
    const SectionCase cases[] = {
        {"[S]\nA=1\nB=two\n", "S"},
        {"[S]\nKey=first\nKEY=second\nkey=third\n", "S"},                        // duplicate keys, case
        {"[s]\n  Key  =  spaced value \t\nEmpty=\nBlank=   \n", "S"},           // blanks, section case
        {"[S]\n; Key=commented\nKey=real\n;Other=x\n", "S"},                     // comments
        {"[S]\nQuoted=\"in quotes\"\nSingle='single'\nHalf=\"open\nOne=\"\n", "S"},
        {"[S]\nNoEquals\nEq==x=y\nA=1\n", "S"},
        {"[S]\nA=1\n", "Missing"},                                               // missing section
        {"", "S"},                                                               // empty file
        {"[S]\nLong=" + longValue + "\nShort=s\n", "S"},                         // over-long value
        {"[T]\nA=t\n[S]\nA=s\n[T]\nB=t2\n", "S"},
        {"[S]\r\nCrLf=yes\r\nNum= 42 \r\n", "S"},
    };
    // No key the program asks for begins with ";": the one-key lookup would find a comment
    // line by such a key, the section read leaves comments out.
    const char* keys[] = {"A",     "B",    "Key",    "KEY",    "Empty",    "Blank", "Other",
                          "Quoted", "Single", "Half", "One",   "NoEquals", "Eq",    "Long",  "Short",
                          "CrLf",  "Num",  "Absent", "noequals"};
    for (const SectionCase& c : cases) {
        Write(c.file);
        const CProfileSection section(path_, c.section);
        for (const char* key : keys) {
            for (std::size_t maxChars : {std::size_t{3}, std::size_t{199}, std::size_t{6000}, std::size_t{50000}}) {
                EXPECT_EQ(section.String(key, maxChars), ReadProfileString(path_, c.section, key, maxChars))
                    << "file \"" << c.file.substr(0, 80) << "\" section " << c.section << " key " << key << " max "
                    << maxChars;
            }
            EXPECT_EQ(section.Int(key), ReadProfileInt(path_, c.section, key)) << c.file.substr(0, 80) << " key " << key;
        }
    }
    EXPECT_EQ(CProfileSection(folder_ + "\\none.ini", "S").String("A", 9), "0") << "missing file";
    EXPECT_EQ(CProfileSection().String("A", 9), "0");
}
