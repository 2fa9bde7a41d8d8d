#include "ui/ModelPage.h"

#include "config/TextCatalogue.h"
#include "framework/DataExchange.h"
#include "res/WizardResources.h"

#include <algorithm>
#include <cctype>

namespace {

// Type button and model list of each printer type, in type order.
constexpr int kTypeButtons[kPrinterTypeCount] = {IDC_TYPE_RECEIPT, IDC_TYPE_TICKET, IDC_TYPE_LABEL,
                                                 IDC_TYPE_EMBEDDED};
constexpr int kModelLists[kPrinterTypeCount] = {IDC_RECEIPT_MODELS, IDC_TICKET_MODELS, IDC_LABEL_MODELS,
                                                IDC_EMBEDDED_MODELS};

bool BeginsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

}  // namespace

int FindDefaultEntry(const std::vector<std::string>& entries, const std::string& name) {
    const int count = static_cast<int>(entries.size());
    for (int step = 1; step <= count; ++step) {
        const int index = step % count;
        if (BeginsWithIgnoringCase(entries[index], name)) return index;
    }
    return -1;
}

CModelPage::CModelPage() : CWizardPage(IDD_MODEL_PAGE) {}

BOOL CModelPage::OnInitDialog() {
    UpdateData(false);
    for (int type = 0; type < kPrinterTypeCount; ++type) lists_[type].Attach(Handle(), kModelLists[type]);
    FillLists();
    ApplyChineseFont();
    return TRUE;
}

void CModelPage::FillLists() {
    hasDevices_ = true;
    std::vector<std::string> entries[kPrinterTypeCount];
    for (CSetupConfig::DeviceEntry& device : config_.GetDeviceList()) {
        if (!IsKnownPrinterType(device.type)) continue;
        lists_[ToNumber(device.type)].AddString(device.name.c_str());
        entries[ToNumber(device.type)].push_back(std::move(device.name));
    }

    bool anyDevice = false;
    for (int type = 0; type < kPrinterTypeCount; ++type) {
        lists_[type].SetCurrentSelection(0);
        lists_[type].Enable(false);
        if (entries[type].empty())
            CWindow(Item(kTypeButtons[type])).Enable(false);
        else
            anyDevice = true;
    }
    if (!anyDevice) hasDevices_ = false;

    char defaultName[260] = {};
    selectedType_ = config_.GetDefaultDevice(defaultName, sizeof defaultName);
    if (!IsKnownPrinterType(selectedType_)) return;
    const int type = ToNumber(selectedType_);

    // Clears every button in the range, the set-as-default check box among them.
    CheckRadioButton(Handle(), IDC_TYPE_RECEIPT, IDC_TYPE_EMBEDDED, kTypeButtons[type]);
    setAsDefault_ = 0;
    lists_[type].SetCurrentSelection(FindDefaultEntry(entries[type], defaultName));
    CopySelectionOf(type);
    lists_[type].Enable(true);
}

void CModelPage::CopySelectionOf(int type) {
    const int selection = lists_[type].CurrentSelection();
    // A text that cannot be read clears the name rather than keeping a stale one.
    modelName_ = selection >= 0 ? lists_[type].ItemText(selection) : std::string();
    if (modelName_.size() >= CSetupConfig::kFileSize) modelName_.resize(CSetupConfig::kFileSize - 1);
}

void CModelPage::TypeChosen(int type) {
    for (CComboBox& list : lists_) list.Enable(false);
    CopySelectionOf(type);
    lists_[type].Enable(true);
    selectedType_ = PrinterTypeFromNumber(type);
}

void CModelPage::ModelChosen(int type) { CopySelectionOf(type); }

bool CModelPage::DoDataExchange(bool save) {
    ExchangeCheck(Handle(), IDX_SET_DEFAULT, save, setAsDefault_);
    return true;
}

bool CModelPage::OnCommand(WORD id, WORD code, HWND /*control*/) {
    for (int type = 0; type < kPrinterTypeCount; ++type) {
        if (id == kTypeButtons[type] && code == BN_CLICKED) {
            TypeChosen(type);
            return true;
        }
        if (id == kModelLists[type] && code == CBN_SELCHANGE) {
            ModelChosen(type);
            return true;
        }
    }
    return false;
}

void CModelPage::OnShowWindow(bool /*shown*/) {
    SetCaptions(Handle(), "Series",
                {{IDC_MODEL_GROUP, "Select"},
                 {IDC_TYPE_RECEIPT, "Receipt"},
                 {IDC_TYPE_TICKET, "Ticket"},
                 {IDC_TYPE_LABEL, "Label"},
                 {IDC_TYPE_EMBEDDED, "Embedded"},
                 {IDX_SET_DEFAULT, "Default"}});
}
