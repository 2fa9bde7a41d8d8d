#include "ports/PortPage.h"

#include "config/ProfileReader.h"
#include "res/WizardResources.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

namespace {

TEST(PortPageValues, ProtocolTextsMatchExactly) {
    EXPECT_EQ(ProtocolOfText("Xon/Xoff", 'p'), 'x');
    EXPECT_EQ(ProtocolOfText("Hardware", 'x'), 'p');
    EXPECT_EQ(ProtocolOfText("None", 'p'), ' ');
    EXPECT_EQ(ProtocolOfText("none", 'p'), 'p') << "case-sensitive";
    EXPECT_EQ(ProtocolOfText("\xCE\xDE", 'x'), 'x') << "another catalogue text keeps the last value";
}

class Frame : public CDialog {
public:
    Frame() : CDialog(IDD_WIZARD_FRAME) {}
};

class PortPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteTextFile(ProgramFolder(), "language\\setup.ini",
                      "[Confirm]\nSet=Set the printer port\nBaudRate=Baud rate:\nRaster=Raster graphic printing\n"
                      "Parity.Even=Even\nParity.Mark=Mark\nParity.None=None\nParity.Odd=Odd\nParity.Space=Space\n"
                      "Protocol.None=None\nProtocol.Xonoff=Xon/Xoff\nProtocol.Hardware=Hardware\n");
        ASSERT_TRUE(frame_.CreateChild(nullptr));
        ASSERT_TRUE(page_.CreateChild(frame_.Handle()));
    }
    void TearDown() override { RemoveTree(ProgramFolder() + "language"); }
    void Select(int id, int index) {
        SendDlgItemMessageA(page_.Handle(), id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageA(page_.Handle(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), 0);
    }
    int Selection(int id) { return static_cast<int>(SendDlgItemMessageA(page_.Handle(), id, CB_GETCURSEL, 0, 0)); }

    Frame frame_;
    CPortPage page_;
};

TEST_F(PortPageTest, BaudRatePresetSelectsTheEntryAndStoresItsRate) {
    const struct {
        int configured;
        int index;
        int stored;
    } cases[] = {{9600, 5, 9600}, {115200, 9, 115200}, {38400, 7, 38400}, {0, 7, 38400}, {14400, 7, 38400}};
    for (const auto& c : cases) {
        page_.PresetBaudRate(c.configured);
        EXPECT_EQ(Selection(IDC_BAUD_RATE), c.index) << "BaudRate=" << c.configured;
        EXPECT_EQ(page_.BaudRate(), c.stored) << "BaudRate=" << c.configured << ": what is shown is what is stored";
    }
}

TEST_F(PortPageTest, SerialSettingsStartAtEightNoneOneHardwareAndFollowTheLists) {
    EXPECT_EQ(Selection(IDC_BYTE_SIZE), 3);
    EXPECT_EQ(Selection(IDC_STOP_BITS), 0);
    EXPECT_EQ(Selection(IDC_PARITY), 2);
    EXPECT_EQ(Selection(IDC_PROTOCOL), 2);
    EXPECT_EQ(page_.ByteSize(), 8);
    EXPECT_EQ(page_.Parity(), 'n');
    EXPECT_EQ(page_.Protocol(), 'p');

    Select(IDC_BYTE_SIZE, 2);
    Select(IDC_STOP_BITS, 1);
    Select(IDC_PARITY, 3);
    Select(IDC_PROTOCOL, 1);
    Select(IDC_BAUD_RATE, 0);
    EXPECT_EQ(page_.ByteSize(), 7);
    EXPECT_DOUBLE_EQ(page_.StopBits(), 1.5);
    EXPECT_EQ(page_.Parity(), 'O') << "the first byte of the catalogue text";
    EXPECT_EQ(page_.Protocol(), 'x');
    EXPECT_EQ(page_.BaudRate(), 110);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page_.Handle(), IDC_IP_ADDRESS)));
}

TEST_F(PortPageTest, LabelsComeFromTheCatalogueOnEveryShow) {
    page_.Show(SW_SHOW);
    char text[128] = {};
    GetDlgItemTextA(page_.Handle(), IDX_RASTER, text, sizeof text);
    EXPECT_STREQ(text, "Raster graphic printing");
    GetDlgItemTextA(page_.Handle(), IDT_IP_LABEL, text, sizeof text);
    EXPECT_STREQ(text, "IP:") << "the IP label keeps its template text";
}

}  // namespace
