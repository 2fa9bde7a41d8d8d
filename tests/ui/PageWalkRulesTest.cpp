#include "ui/PageWalkRules.h"

#include "config/ProfileReader.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

namespace {

TEST(BaudRateListIndex, MapsEveryListedRateAndFallsBackTo38400) {
    const struct {
        int rate;
        int index;
    } cases[] = {{110, 0},   {300, 1},    {1200, 2},   {2400, 3}, {4800, 4}, {9600, 5},  {19200, 6},
                 {38400, 7}, {57600, 8},  {115200, 9}, {0, 7},    {-1, 7},   {14400, 7}, {2147483647, 7}};
    for (const auto& c : cases) EXPECT_EQ(BaudRateListIndex(c.rate), c.index) << "baud rate " << c.rate;
}

TEST(UnsupportedOsMessageKey, RefusesOnlyTheSystemsWithASupportKeyReadingZero) {
    OsSupport none;
    const char* expected[8] = {nullptr,  "IDS_NOTSUPPORTNT", nullptr, nullptr, "IDS_NOTSUPPORT2003",
                               "IDS_NOTSUPPORTVISTA", "IDS_NOTSUPPORT2008", "IDS_NOTSUPPORTWin7"};
    for (int os = 0; os < 8; ++os) {
        const char* key = UnsupportedOsMessageKey(os, none);
        EXPECT_STREQ(key, expected[os]) << "os " << os;
    }
    OsSupport all{1, 1, 1, 1, 1};
    for (int os = 0; os < 8; ++os) EXPECT_EQ(UnsupportedOsMessageKey(os, all), nullptr) << "os " << os;
    // Each key answers for its own system only.
    OsSupport vistaOnly;
    vistaOnly.vista = 1;
    EXPECT_EQ(UnsupportedOsMessageKey(5, vistaOnly), nullptr);
    EXPECT_STREQ(UnsupportedOsMessageKey(6, vistaOnly), "IDS_NOTSUPPORT2008");
    EXPECT_EQ(UnsupportedOsMessageKey(-1, none), nullptr);
    EXPECT_EQ(UnsupportedOsMessageKey(8, none), nullptr);
}

TEST(ReadOsSupport, ReadsTheModelsPortSectionWithMissingKeysAsZero) {
    const std::string folder = ProgramFolder() + "pagewalk";
    WriteTextFile(folder, "setup_receipt.ini",
                  "[VT-R58.PORT]\nSystemNTSupported=1\nSystemVistaSupported=1\nSystem2008Supported=2x\n"
                  "SystemWin7Supported=abc\n");
    OsSupport support = ReadOsSupport(folder + "\\setup_receipt.ini", "VT-R58.PORT");
    EXPECT_EQ(support.nt, 1);
    EXPECT_EQ(support.server2003, 0) << "missing key";
    EXPECT_EQ(support.vista, 1);
    EXPECT_EQ(support.server2008, 2);
    EXPECT_EQ(support.windows7, 0);
    EXPECT_STREQ(UnsupportedOsMessageKey(4, support), "IDS_NOTSUPPORT2003");
    RemoveTree(folder);
}

}  // namespace
