#include "ui/PortPage.h"

#include "config/DomainTypes.h"
#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "config/SetupConfig.h"
#include "config/TextCatalogue.h"
#include "framework/DataExchange.h"
#include "platform/FileSystemRedirection.h"
#include "ports/PortNames.h"
#include "ports/SerialSettings.h"
#include "res/WizardResources.h"
#include "selection/SelectionRules.h"

#include <commctrl.h>


namespace {

constexpr int kSerialControls[] = {IDC_BAUD_RATE, IDC_BYTE_SIZE, IDC_STOP_BITS, IDC_PARITY, IDC_PROTOCOL};

// The USB driver notice's look: blue on pink, larger than the page's text.
constexpr COLORREF kUsbNoticeTextColour = 0xFF0000;
constexpr COLORREF kUsbNoticeBackground = 0xFDCAFF;
constexpr int kUsbNoticeFontSize = 14;

constexpr int kToolTipWidth = 200;

void FillList(HWND page, int id, std::initializer_list<const char*> texts) {
    CComboBox list;
    list.Attach(page, id);
    list.ResetContent();
    for (const char* text : texts) list.AddString(text);
}

template <std::size_t N>
WPARAM IndexOf(const char (&letters)[N], char letter) {
    for (std::size_t index = 0; index < N; ++index)
        if (letters[index] == letter) return index;
    return 0;
}

void SetVisibility(HWND control, Visibility visibility) {
    if (visibility == Visibility::Show) ShowWindow(control, SW_SHOWNORMAL);
    if (visibility == Visibility::Hide) ShowWindow(control, SW_HIDE);
}

}  // namespace

CPortPage::CPortPage()
    : CWizardPage(IDD_PORT_PAGE),
      usbDeviceProbe([] { return UsbProbe::Nothing(); }),
      fileVersionReader([](const std::string&) { return std::string(kNoFileVersion); }) {}

BOOL CPortPage::OnInitDialog() {
    ApplyChineseFont();
    CComboBox baudRates;
    baudRates.Attach(Handle(), IDC_BAUD_RATE);
    for (int rate : kBaudRateList) baudRates.AddString(std::to_string(rate).c_str());
    FillList(Handle(), IDC_BYTE_SIZE, {"5", "6", "7", "8"});
    CComboBox stopBits;
    stopBits.Attach(Handle(), IDC_STOP_BITS);
    for (const char* text : kStopBitsTexts) stopBits.AddString(text);
    // The order of these entries is what their letters are read from.
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
    // The baud rate is preset once the model is known (PresetBaudRate).
    const SerialLineSettings presets = SerialPresets(0);
    SendDlgItemMessageA(Handle(), IDC_BYTE_SIZE, CB_SETCURSEL, static_cast<WPARAM>(presets.byteSize - 5), 0);
    SendDlgItemMessageA(Handle(), IDC_STOP_BITS, CB_SETCURSEL, static_cast<WPARAM>(presets.stopBits * 2 - 2), 0);
    SendDlgItemMessageA(Handle(), IDC_PARITY, CB_SETCURSEL, IndexOf(kParityLetters, presets.parity), 0);
    SendDlgItemMessageA(Handle(), IDC_PROTOCOL, CB_SETCURSEL, IndexOf(kProtocolLetters, presets.protocol), 0);
    stopBits_ = presets.stopBits;
    byteSize_ = presets.byteSize;
    parity_ = presets.parity;
    protocol_ = presets.protocol;

    CreateRasterToolTip();
    if (usbNotice_.SubclassDlgItem(Handle(), IDT_USB_NOTICE))
        usbNotice_.SetTextColor(kUsbNoticeTextColour)
            .SetBkColor(kUsbNoticeBackground)
            .SetFontSize(kUsbNoticeFontSize)
            .SetFontName("Arial");

    // No request with a printer type matches the type cache: the first build always runs.
    modelCache_ = "PRINTER";
    typeCache_ = PrinterType::None;
    typicalFlag_ = 1;
    modeCache_ = 1;
    usbPortNumber_ = -1;
    CWindow(Item(IDC_IP_ADDRESS)).Enable(false);
    return TRUE;
}

bool CPortPage::DestroyWindow() {
    toolTip_.reset();
    return CWizardPage::DestroyWindow();
}

void CPortPage::CreateRasterToolTip() {
    HWND tip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    if (tip == nullptr) return;
    toolTip_.reset(tip);
    SendMessageA(tip, TTM_ACTIVATE, TRUE, 0);
    SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, kToolTipWidth);
    TTTOOLINFOA tool = {};
    // The size older common controls accept as well as version 6.
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    // The tip watches the box's mouse messages itself: a modeless page has no message
    // loop of its own from which to relay them.
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(Item(IDX_RASTER));
    tool.hinst = GetModuleHandleA(nullptr);
    tool.lpszText = MAKEINTRESOURCEA(IDS_RASTER_TOOLTIP);
    SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

INT_PTR CPortPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    // The frame is going and takes its popups with it: the handle is not kept for reuse.
    if (message == WM_DESTROY) toolTip_.reset();
    // The notice chooses its own colours and font; the request comes to us first.
    if (message == WM_CTLCOLORSTATIC) {
        if (HBRUSH brush = ReflectControlColor(message, wParam, lParam)) {
            handled = true;
            return reinterpret_cast<INT_PTR>(brush);
        }
    }
    return CWizardPage::OnMessage(message, wParam, lParam, handled);
}

void CPortPage::PresetBaudRate(int configuredBaudRate) {
    const int index = BaudRateListIndex(SerialPresets(configuredBaudRate).baudRate);
    SendDlgItemMessageA(Handle(), IDC_BAUD_RATE, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    baudRate_ = BaudRateOfListEntry(index);
}

DWORD CPortPage::IpAddress() const {
    CIpAddressControl address;
    address.Attach(Handle(), IDC_IP_ADDRESS);
    return address.Address();
}

std::string CPortPage::IpAddressText() const { return CWindow(Item(IDC_IP_ADDRESS)).Text(); }

int CPortPage::SelectedIndex(int id) const {
    return static_cast<int>(SendDlgItemMessageA(Handle(), id, CB_GETCURSEL, 0, 0));
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
    switch (id) {
        case IDC_PORT_LIST:
            OnPortSelected();
            return true;
        case IDC_BAUD_RATE:
            baudRate_ = ParseLeadingInt(SelectedText(id).c_str());
            return true;
        case IDC_BYTE_SIZE:
            byteSize_ = ParseLeadingInt(SelectedText(id).c_str());
            return true;
        case IDC_STOP_BITS:
            stopBits_ = StopBitsOfListEntry(SelectedIndex(id)).value_or(stopBits_);
            return true;
        case IDC_PARITY:
            parity_ = ParityOfListEntry(SelectedIndex(id)).value_or(parity_);
            return true;
        case IDC_PROTOCOL:
            protocol_ = ProtocolOfListEntry(SelectedIndex(id)).value_or(protocol_);
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

void CPortPage::ApplyControls(const PortControls& controls) {
    for (int id : kSerialControls) CWindow(Item(id)).Enable(controls.serialEnabled);
    CWindow(Item(IDX_RASTER)).Enable(controls.rasterEnabled);
    CWindow(Item(IDC_IP_ADDRESS)).Enable(controls.ipEnabled);
    rasterFlag_ = controls.rasterFlag;
}

void CPortPage::ApplyUsbNotice(const UsbNoticeChange& change) {
    if (change.setText) CWindow(Item(IDT_USB_NOTICE)).SetText(MessageCatalogue.ReadText("IDS_ERR_UPDATEUSB"));
    SetVisibility(Item(IDT_USB_NOTICE), change.visibility);
}

std::string CPortPage::InstalledUsbDriverVersion() const {
    char windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    // A path that cannot be formed names no file.
    if (length == 0 || length >= sizeof windows) return kNoFileVersion;
    const std::string path = std::string(windows) + "\\system32\\drivers\\VTPUSB.sys";
    if (!ProcessSettings::Is64BitWindows()) return fileVersionReader(path);
    // WOW64 shows a 32-bit program another system32, without the 64-bit driver.
    CFileSystemRedirectionOff redirection;
    if (redirection.GetState() != CFileSystemRedirectionOff::State::Off) return std::string();
    return fileVersionReader(path);
}

void CPortPage::OnPortSelected() {
    portText_ = SelectedText(IDC_PORT_LIST);
    const PortKind kind = ClassifyPortName(portText_.c_str());
    ApplyControls(ControlsForPortKind(kind));
    if (kind == PortKind::Usb) {
        // Windows 98/Me and NT have no driver of ours to speak of: the notice stays as it is.
        if (TakesOurUsbDriver(osIndex_))
            ApplyUsbNotice(UsbNoticeAfterSelection(InstalledUsbDriverVersion(), typicalFlag_ != 0));
    } else {
        SetVisibility(Item(IDT_USB_NOTICE), Visibility::Hide);
    }
    UpdateData(false);
}

void CPortPage::BuildPortListTypical(const std::string& modelName, OsIndex os, PrinterType printerType) {
    BuildPortList(modelName, os, printerType, true);
}

void CPortPage::BuildPortListAdvanced(const std::string& modelName, OsIndex os, PrinterType printerType) {
    BuildPortList(modelName, os, printerType, false);
}

void CPortPage::BuildPortList(const std::string& modelName, OsIndex os, PrinterType printerType, bool typical) {
    osIndex_ = os;
    // Two models of one name in different type files are different lists.
    if (modelName == modelCache_ && printerType == typeCache_ && modeCache_ == typicalFlag_) return;
    modeCache_ = typicalFlag_;
    modelCache_ = modelName;
    typeCache_ = printerType;

    CComboBox ports;
    ports.Attach(Handle(), IDC_PORT_LIST);
    ports.ResetContent();
    // An emptied list must not leave the previous model's port for Install.
    portText_.clear();

    std::string setupIni, typeFile;
    BuildConfigPaths(printerType, setupIni, typeFile);
    PortListInput input = PortListInputOf(typeFile, modelName, os, typical);
    // Asked whatever the model supports: the probe tells the user about several printers.
    input.usbPrinter = usbDeviceProbe ? usbDeviceProbe() : UsbProbe::Nothing();
    ApplyPlan(PlanPortList(input), typical);
}

void CPortPage::ApplyPlan(const PortListPlan& plan, bool typical) {
    CComboBox ports;
    ports.Attach(Handle(), IDC_PORT_LIST);
    if (plan.showComNotice) {
        CWindow notice(Item(IDT_COM_UNSUPPORTED));
        notice.SetText(MessageCatalogue.ReadText("IDS_ERR_UNSUPPORTCOM"));
        notice.Show(SW_SHOWNORMAL);
    }
    for (const std::string& entry : plan.entries) ports.AddString(entry.c_str());
    // By name: the plan's order and the control's sorting need not agree on indexes.
    if (plan.selection >= 0)
        ports.SetCurrentSelection(static_cast<int>(
            ports.Send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(plan.portText.c_str()))));
    portText_ = plan.portText;

    ApplyControls(plan.controls);
    if (plan.usbNotice == UsbNoticeRule::Hide)
        SetVisibility(Item(IDT_USB_NOTICE), Visibility::Hide);
    else if (plan.usbNotice == UsbNoticeRule::FollowInstalledDriver)
        ApplyUsbNotice(UsbNoticeAfterBuild(InstalledUsbDriverVersion(), typical));
    SetVisibility(Item(IDX_RASTER), plan.rasterBox);
    if (plan.usbPortNumber) usbPortNumber_ = *plan.usbPortNumber;
    UpdateData(false);
}
