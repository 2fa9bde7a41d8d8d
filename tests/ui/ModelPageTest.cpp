#include "ui/ModelPage.h"

#include "config/ProfileReader.h"
#include "res/WizardResources.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(FindDefaultEntry, SearchesFromTheSecondEntryAndWrapsRound) {
    const struct {
        std::vector<std::string> entries;
        const char* name;
        int expected;
    } cases[] = {
        {{"T10", "T1"}, "T1", 1},
        {{"T1", "T10"}, "T1", 1},  // T10 begins with T1 and comes first from the second entry on
        {{"T1", "X"}, "T1", 0},    // wraps round to the first entry
        {{"VT-R80"}, "vt-r8", 0},  // letter case ignored
        {{"A", "B"}, "C", -1},
        {{}, "A", -1},
        {{"AB", "B"}, "", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(FindDefaultEntry(c.entries, c.name), c.expected) << "name " << c.name;
}

class Frame : public CDialog {
public:
    Frame() : CDialog(IDD_WIZARD_FRAME) {}
};

class ModelPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ProgramFolder();
        WriteTextFile(folder_, "language\\setup.ini",
                      "[Series]\nSelect=Select the printer\nReceipt=Receipt printer\nTicket=Ticket printer\n"
                      "Label=Label printer\nEmbedded=Embedded printer\nDefault=Set as default printer\n");
        ASSERT_TRUE(frame_.CreateChild(nullptr));
    }
    void TearDown() override {
        RemoveTree(folder_ + "DRVCONFIG");
        RemoveTree(folder_ + "language");
    }
    void WriteDevices(const std::string& section) {
        WriteTextFile(folder_, "DRVCONFIG\\setup.ini", "[DEVICENAME]\n" + section);
    }
    bool Enabled(CModelPage& page, int id) { return IsWindowEnabled(GetDlgItem(page.Handle(), id)) != FALSE; }
    bool Checked(CModelPage& page, int id) { return IsDlgButtonChecked(page.Handle(), id) == BST_CHECKED; }
    std::string Text(CModelPage& page, int id) {
        char text[256] = {};
        GetDlgItemTextA(page.Handle(), id, text, sizeof text);
        return text;
    }

    std::string folder_;
    Frame frame_;
};

TEST_F(ModelPageTest, OnlyTheTypesWithModelsCanBeChosenAndTheDefaultIsPreselected) {
    WriteDevices("DEVICENUMBER=3\nDEVICENAME1=VT-L40-LabelPrinter\nDEVICENAME2=QXL-K6-LabelPrinter\n"
                 "DEVICENAME3=NoType\nDEFAULTNAME=2\n");
    CModelPage page;
    ASSERT_TRUE(page.CreateChild(frame_.Handle()));
    EXPECT_TRUE(page.HasDevices());
    EXPECT_EQ(page.SelectedType(), PrinterType::Label);
    EXPECT_EQ(page.ModelName(), "QXL-K6");
    EXPECT_TRUE(Checked(page, IDC_TYPE_LABEL));
    EXPECT_TRUE(Enabled(page, IDC_TYPE_LABEL));
    EXPECT_TRUE(Enabled(page, IDC_LABEL_MODELS));
    for (int id : {IDC_TYPE_RECEIPT, IDC_TYPE_TICKET, IDC_TYPE_EMBEDDED, IDC_RECEIPT_MODELS, IDC_TICKET_MODELS,
                   IDC_EMBEDDED_MODELS})
        EXPECT_FALSE(Enabled(page, id)) << "control " << id;
    EXPECT_FALSE(Checked(page, IDX_SET_DEFAULT));
}

TEST_F(ModelPageTest, ChoosingATypeTakesItsListsSelectionAndChoosingAModelFollows) {
    WriteDevices("DEVICENUMBER=4\nDEVICENAME1=VT-R80-ReceiptPrinter\nDEVICENAME2=VT-R58-ReceiptPrinter\n"
                 "DEVICENAME3=VT-T300-TicketPrinter\nDEVICENAME4=VT-E20-EmbeddedPrinter\nDEFAULTNAME=2\n");
    CModelPage page;
    ASSERT_TRUE(page.CreateChild(frame_.Handle()));
    EXPECT_EQ(page.ModelName(), "VT-R58");

    SendMessageA(page.Handle(), WM_COMMAND, MAKEWPARAM(IDC_TYPE_EMBEDDED, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page.Handle(), IDC_TYPE_EMBEDDED)));
    EXPECT_EQ(page.SelectedType(), PrinterType::Embedded);
    EXPECT_EQ(page.ModelName(), "VT-E20") << "the embedded list's first entry, selected from the start";
    EXPECT_TRUE(Enabled(page, IDC_EMBEDDED_MODELS));
    EXPECT_FALSE(Enabled(page, IDC_RECEIPT_MODELS));

    // Back to receipt: its list kept the default's selection.
    SendMessageA(page.Handle(), WM_COMMAND, MAKEWPARAM(IDC_TYPE_RECEIPT, BN_CLICKED), 0);
    EXPECT_EQ(page.ModelName(), "VT-R58");
    SendDlgItemMessageA(page.Handle(), IDC_RECEIPT_MODELS, CB_SETCURSEL, 0, 0);
    SendMessageA(page.Handle(), WM_COMMAND, MAKEWPARAM(IDC_RECEIPT_MODELS, CBN_SELCHANGE), 0);
    EXPECT_EQ(page.ModelName(), "VT-R80");
    EXPECT_EQ(page.SelectedType(), PrinterType::Receipt);

    CheckDlgButton(page.Handle(), IDX_SET_DEFAULT, BST_CHECKED);
    ASSERT_TRUE(page.UpdateData(true));
    EXPECT_EQ(page.SetAsDefault(), 1);
}

TEST_F(ModelPageTest, WithoutDevicesNothingCanBeChosen) {
    WriteDevices("DEVICENUMBER=2\nDEVICENAME1=Plain\nDEFAULTNAME=1\n");
    CModelPage page;
    ASSERT_TRUE(page.CreateChild(frame_.Handle()));
    EXPECT_FALSE(page.HasDevices());
    EXPECT_EQ(page.SelectedType(), PrinterType::None);
    EXPECT_EQ(page.ModelName(), "");
    for (int id : {IDC_TYPE_RECEIPT, IDC_TYPE_TICKET, IDC_TYPE_LABEL, IDC_TYPE_EMBEDDED})
        EXPECT_FALSE(Enabled(page, id)) << "control " << id;
}

TEST_F(ModelPageTest, AnUnclassifiedDefaultPreselectsNothing) {
    WriteDevices("DEVICENUMBER=2\nDEVICENAME1=VT-R80-ReceiptPrinter\nDEVICENAME2=Plain\nDEFAULTNAME=2\n");
    CModelPage page;
    ASSERT_TRUE(page.CreateChild(frame_.Handle()));
    EXPECT_TRUE(page.HasDevices());
    EXPECT_EQ(page.SelectedType(), PrinterType::None);
    EXPECT_EQ(page.ModelName(), "");
    EXPECT_TRUE(Enabled(page, IDC_TYPE_RECEIPT));
    EXPECT_FALSE(Enabled(page, IDC_RECEIPT_MODELS)) << "no list is enabled until a type is marked";
}

TEST_F(ModelPageTest, CaptionsAreReadAgainEveryTimeThePageIsShown) {
    WriteDevices("DEVICENUMBER=1\nDEVICENAME1=VT-R80-ReceiptPrinter\nDEFAULTNAME=1\n");
    CModelPage page;
    ASSERT_TRUE(page.CreateChild(frame_.Handle()));
    page.Show(SW_SHOW);
    EXPECT_EQ(Text(page, IDC_TYPE_RECEIPT), "Receipt printer");
    EXPECT_EQ(Text(page, IDX_SET_DEFAULT), "Set as default printer");
    page.Show(SW_HIDE);
    WriteTextFile(folder_, "language\\setup.ini", "[Series]\nReceipt=Bon printer\n");
    page.Show(SW_SHOW);
    EXPECT_EQ(Text(page, IDC_TYPE_RECEIPT), "Bon printer");
    EXPECT_EQ(Text(page, IDC_MODEL_GROUP), "") << "a missing key empties the caption";
}

}  // namespace
