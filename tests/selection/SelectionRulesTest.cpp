#include "selection/SelectionRules.h"

#include "config/ProfileReader.h"
#include "ports/PortNames.h"
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
        const char* key = UnsupportedOsMessageKey(OsIndexFromNumber(os), none);
        EXPECT_STREQ(key, expected[os]) << "os " << os;
    }
    OsSupport all{1, 1, 1, 1, 1};
    for (int os = 0; os < 8; ++os)
        EXPECT_EQ(UnsupportedOsMessageKey(OsIndexFromNumber(os), all), nullptr) << "os " << os;
    // Each key answers for its own system only.
    OsSupport vistaOnly;
    vistaOnly.vista = 1;
    EXPECT_EQ(UnsupportedOsMessageKey(OsIndex::WindowsVista, vistaOnly), nullptr);
    EXPECT_STREQ(UnsupportedOsMessageKey(OsIndex::WindowsServer2008, vistaOnly), "IDS_NOTSUPPORT2008");
    EXPECT_EQ(UnsupportedOsMessageKey(OsIndexFromNumber(-1), none), nullptr);
    EXPECT_EQ(UnsupportedOsMessageKey(OsIndexFromNumber(8), none), nullptr);
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
    EXPECT_STREQ(UnsupportedOsMessageKey(OsIndex::WindowsServer2003, support), "IDS_NOTSUPPORT2003");
    RemoveTree(folder);
}

TEST(RasterRuleOf, OnlyParallelUsbAndNetworkPortsWithTheBoxNotHiddenLetTheUserChoose) {
    const struct {
        PortKind kind;
        Visibility box;
        int flag;
        bool userMayChoose;
    } cases[] = {{PortKind::Serial, Visibility::Show, 0, false},   {PortKind::Parallel, Visibility::Show, 1, true},
                 {PortKind::Usb, Visibility::Keep, 1, true},       {PortKind::Network, Visibility::Show, 1, true},
                 {PortKind::Network, Visibility::Hide, 1, false},  {PortKind::None, Visibility::Show, 0, false}};
    for (const auto& c : cases) {
        PortListPlan plan;
        plan.rasterBox = c.box;
        const RasterRule rule = RasterRuleOf(plan, c.kind);
        EXPECT_EQ(rule.flag, c.flag) << "kind " << ToNumber(c.kind);
        EXPECT_EQ(rule.userMayChoose, c.userMayChoose)
            << "kind " << ToNumber(c.kind) << ", box " << static_cast<int>(c.box);
    }
}

TEST(ModelsNamed, FindsTheTypedEntriesOfANameInAnyCaseAndOfTheTypeAsked) {
    const std::vector<CSetupConfig::DeviceEntry> devices = {{"VT-R80", PrinterType::Receipt},
                                                            {"vt-r80", PrinterType::Label},
                                                            {"X", PrinterType::None},
                                                            {"X", PrinterTypeFromNumber(4)}};
    EXPECT_EQ(ModelsNamed(devices, "Vt-R80", std::nullopt).size(), 2u);
    const std::vector<ModelChoice> label = ModelsNamed(devices, "VT-R80", PrinterType::Label);
    ASSERT_EQ(label.size(), 1u);
    EXPECT_EQ(label[0].name, "vt-r80") << "the distribution's spelling";
    EXPECT_TRUE(ModelsNamed(devices, "VT-R80", PrinterType::Ticket).empty());
    EXPECT_TRUE(ModelsNamed(devices, "X", std::nullopt).empty()) << "entries without a printer type";
}

TEST(OfferedPort, TheListsOwnSpellingOfANameItOffers) {
    PortListPlan plan;
    plan.entries = {"LPT1:", "USB_VT-R80_1"};
    EXPECT_EQ(OfferedPort(plan, "usb_vt-r80_1").value_or("none"), "USB_VT-R80_1");
    EXPECT_EQ(OfferedPort(plan, "COM1:").value_or("none"), "none");
}

}  // namespace
