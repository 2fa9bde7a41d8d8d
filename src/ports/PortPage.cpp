#include "ports/PortPage.h"

#include "app/PageWalkRules.h"
#include "app/TextCatalogue.h"
#include "config/ProfileReader.h"
#include "framework/DataExchange.h"
#include "res/WizardResources.h"

#include <cstdlib>

namespace {

constexpr const char* kBaudRates[] = {"110", "300", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
constexpr int kBaudRateCount = static_cast<int>(sizeof kBaudRates / sizeof kBaudRates[0]);
constexpr int kDefaultBaudRateIndex = 7;

void FillList(HWND page, int id, std::initializer_list<const char*> texts) {
    CComboBox list;
    list.Attach(page, id);
    list.ResetContent();
    for (const char* text : texts) list.AddString(text);
}

}  // namespace

int BaudRateOfListEntry(int index) {
    if (index < 0 || index >= kBaudRateCount) index = kDefaultBaudRateIndex;
    return ParseLeadingInt(kBaudRates[index]);
}

char ProtocolOfText(const std::string& text, char previous) {
    // Exact, case-sensitive: only these three texts mean something.
    if (text == "Xon/Xoff") return 'x';
    if (text == "Hardware") return 'p';
    if (text == "None") return ' ';
    return previous;
}

CPortPage::CPortPage() : CWizardPage(IDD_PORT_PAGE) {}

BOOL CPortPage::OnInitDialog() {
    ApplyChineseFont();
    CComboBox baudRates;
    baudRates.Attach(Handle(), IDC_BAUD_RATE);
    for (const char* rate : kBaudRates) baudRates.AddString(rate);
    FillList(Handle(), IDC_BYTE_SIZE, {"5", "6", "7", "8"});
    FillList(Handle(), IDC_STOP_BITS, {"1", "1.5", "2"});
    CTextCatalogue confirm("Confirm");
    CComboBox parity;
    parity.Attach(Handle(), IDC_PARITY);
    for (const char* key : {"Parity.Even", "Parity.Mark", "Parity.None", "Parity.Odd", "Parity.Space"})
        parity.AddString(confirm.ReadText(key));
    CComboBox protocol;
    protocol.Attach(Handle(), IDC_PROTOCOL);
    for (const char* key : {"Protocol.None", "Protocol.Xonoff", "Protocol.Hardware"})
        protocol.AddString(confirm.ReadText(key));

    SendDlgItemMessageA(Handle(), IDC_PORT_LIST, CB_SETCURSEL, 0, 0);
    SendDlgItemMessageA(Handle(), IDC_BYTE_SIZE, CB_SETCURSEL, 3, 0);
    SendDlgItemMessageA(Handle(), IDC_STOP_BITS, CB_SETCURSEL, 0, 0);
    SendDlgItemMessageA(Handle(), IDC_PARITY, CB_SETCURSEL, 2, 0);
    SendDlgItemMessageA(Handle(), IDC_PROTOCOL, CB_SETCURSEL, 2, 0);
    stopBits_ = 1.0;
    byteSize_ = 8;
    parity_ = 'n';
    protocol_ = 'p';
    CWindow(Item(IDC_IP_ADDRESS)).Enable(false);
    return TRUE;
}

void CPortPage::PresetBaudRate(int configuredBaudRate) {
    const int index = BaudRateListIndex(configuredBaudRate);
    SendDlgItemMessageA(Handle(), IDC_BAUD_RATE, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    baudRate_ = BaudRateOfListEntry(index);
}

std::string CPortPage::SelectedText(int id) const {
    CComboBox list;
    list.Attach(Handle(), id);
    const int selection = list.CurrentSelection();
    return selection >= 0 ? list.ItemText(selection) : std::string();
}

bool CPortPage::DoDataExchange(bool save) {
    ExchangeCheck(Handle(), IDX_RASTER, save, rasterFlag_);
    return true;
}

bool CPortPage::OnCommand(WORD id, WORD code, HWND /*control*/) {
    if (code != CBN_SELCHANGE) return false;
    const std::string text = SelectedText(id);
    switch (id) {
        case IDC_BAUD_RATE:
            baudRate_ = ParseLeadingInt(text.c_str());
            return true;
        case IDC_BYTE_SIZE:
            byteSize_ = ParseLeadingInt(text.c_str());
            return true;
        case IDC_STOP_BITS:
            stopBits_ = std::strtod(text.c_str(), nullptr);
            return true;
        case IDC_PARITY:
            if (!text.empty()) parity_ = text[0];
            return true;
        case IDC_PROTOCOL:
            protocol_ = ProtocolOfText(text, protocol_);
            return true;
        default:
            return false;
    }
}

void CPortPage::OnShowWindow(bool /*shown*/) {
    SetCaptions(Handle(), "Confirm",
                {{IDC_PORT_GROUP, "Set"},
                 {IDT_PORTS_LABEL, "Ports"},
                 {IDC_COM_GROUP, "Com"},
                 {IDT_BAUD_RATE_LABEL, "BaudRate"},
                 {IDT_PARITY_LABEL, "Parity"},
                 {IDT_BYTE_SIZE_LABEL, "ByteSize"},
                 {IDT_STOP_BITS_LABEL, "StopBits"},
                 {IDT_PROTOCOL_LABEL, "Protocol"},
                 {IDX_RASTER, "Raster"}});
}
