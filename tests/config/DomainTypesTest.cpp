#include "config/DomainTypes.h"

#include <gtest/gtest.h>

namespace {

// Each OS number with what the system says of it; the numbers outside 0..7 are what a
// damaged configuration or a failed detection can hand over.
TEST(DomainTypesTest, OsIndexPredicates) {
    const struct {
        int number;
        bool known, ntFromNt4, ntFrom2000, driverCache, driverStore, has64, usbDriver;
    } cases[] = {
        {-1, false, false, false, false, false, false, true}, {0, true, false, false, false, false, false, false},
        {1, true, true, false, false, false, false, false},   {2, true, true, true, true, false, false, true},
        {3, true, true, true, true, false, true, true},       {4, true, true, true, true, false, true, true},
        {5, true, true, true, false, true, true, true},       {6, true, true, true, false, true, true, true},
        {7, true, true, true, false, true, true, true},        {8, false, false, false, false, false, false, true},
    };
    for (const auto& c : cases) {
        const OsIndex os = OsIndexFromNumber(c.number);
        SCOPED_TRACE(c.number);
        EXPECT_EQ(ToNumber(os), c.number);
        EXPECT_EQ(IsKnownOsIndex(os), c.known);
        EXPECT_EQ(IsNtFamilyFromNt4(os), c.ntFromNt4);
        EXPECT_EQ(IsNtFamilyFrom2000(os), c.ntFrom2000);
        EXPECT_EQ(KeepsDriverCache(os), c.driverCache);
        EXPECT_EQ(KeepsDriverStore(os), c.driverStore);
        EXPECT_EQ(Has64BitEdition(os), c.has64);
        EXPECT_EQ(TakesOurUsbDriver(os), c.usbDriver);
    }
}

// The numbers the configuration files, the texts and the journal carry.
TEST(DomainTypesTest, NumbersAtTheEdges) {
    EXPECT_EQ(ToNumber(OsIndex::Windows9x), 0);
    EXPECT_EQ(ToNumber(OsIndex::WindowsServer2008), 6);
    EXPECT_EQ(ToNumber(OsIndex::Windows7), 7);
    EXPECT_EQ(ToNumber(PortKind::None), -1);
    EXPECT_EQ(ToNumber(PortKind::Serial), 0);
    EXPECT_EQ(ToNumber(PortKind::Network), 3);
    EXPECT_EQ(ToNumber(PrinterType::Embedded), 3);
    EXPECT_EQ(ToNumber(InstallMode::Typical), 1);
    EXPECT_EQ(ToNumber(InstallMode::Advanced), 0);
    EXPECT_EQ(PortKindFromNumber(2), PortKind::Usb);
    EXPECT_FALSE(IsKnownPrinterType(PrinterTypeFromNumber(4)));
    EXPECT_TRUE(Uses64BitSystemFolder(true));
    EXPECT_FALSE(Uses64BitSystemFolder(false));
}

}  // namespace
