#include "app/WizardFrame.h"

#include "app/InstallCommand.h"
#include "app/SetupApp.h"
#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "config/SetupConfig.h"
#include "config/TextCatalogue.h"
#include "engine/EnvironmentProbes.h"
#include "framework/MessageBoxes.h"
#include "framework/WizardPage.h"
#include "res/resource.h"
#include "res/WizardResources.h"
#include "selection/SelectionRules.h"
#include "ui/AboutBox.h"
#include "ui/Help.h"
#include "ui/LicencePage.h"
#include "ui/ModelPage.h"
#include "ui/ModePage.h"
#include "ui/OsPage.h"
#include "ui/PortPage.h"

CWizardFrame::CWizardFrame(bool licenceFlag, bool chineseFontFlag)
    : CDialog(IDD_WIZARD_FRAME),
      administratorCheck(IsUserAdministrator),
      installCommand(RunInstallCommand),
      licenceFlag_(licenceFlag),
      chineseFontFlag_(chineseFontFlag) {
    icon_ = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APPLICATION_ICON));
}

CWizardFrame::~CWizardFrame() = default;

void CWizardFrame::AddPage(const char* title, CWizardPage* page, UINT templateId) {
    titles_.emplace_back(title ? title : "");
    pages_.push_back(page);
    templates_.push_back(templateId);
}

BOOL CWizardFrame::OnInitDialog() {
    if (HMENU systemMenu = GetSystemMenu(Handle(), FALSE)) {
        AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, MessageCatalogue.ReadText("IDS_ABOUTBOX"));
    }
    Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

    ApplyDriverFamilySetting();

    if (chineseFontFlag_) {
        chineseFont_.reset(CreateChineseFont());
        SetFontOnWindowAndChildren(Handle(), chineseFont_.get());
    }

    if (!pages_.empty()) {
        GetWindowRect(Item(IDC_PAGE_AREA), &pageArea_);
        MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&pageArea_), 2);
        // Each page is created when the walk first reaches it, so that the first page
        // shows without waiting for the others; a page the walk never reaches (the
        // licence page without a licence) is never created.
        const int first = licenceFlag_ ? kLicencePage : kModelPage;
        if (!licenceFlag_) CWindow(Item(IDOK)).Enable(true);
        if (first < static_cast<int>(pages_.size()) && !SetActivePage(first)) return TRUE;
    }

    CTextCatalogue setup("Setup");
    SetDlgItemTextA(Handle(), IDC_BACK, setup.ReadText("Back"));
    SetOkCaption(pages_.size() > 1 ? "Next" : "Install");
    SetDlgItemTextA(Handle(), IDCANCEL, setup.ReadText("Cancel"));

    const std::string bitmapPath = JoinPath(ProgramFolder(), "DRVCONFIG\\Left.bmp");
    sideBitmap_.reset(bitmapPath.empty() ? nullptr
                                         : static_cast<HBITMAP>(LoadImageA(nullptr, bitmapPath.c_str(), IMAGE_BITMAP,
                                                                           0, 0, LR_LOADFROMFILE)));
    if (!sideBitmap_) {
        ShowOwnedMessageBox(Handle(), MessageCatalogue.ReadText("IDS_ERR_NOLEFT"));
        CloseWizard();
        return TRUE;
    }
    if (AdministratorMissing(administratorCheck)) {
        ShowOwnedMessageBox(Handle(), MessageCatalogue.ReadText("IDS_ADMIN"));
        CloseWizard();
    }
    return TRUE;
}

bool CWizardFrame::CreatePage(int index) {
    CWizardPage* page = pages_[index];
    if (page->Handle() != nullptr) return true;
    if (chineseFontFlag_) page->SetChineseFont(chineseFont_.get());
    // A page may end the wizard while it is created (an unreadable licence).
    if (!page->CreateChild(Handle()) || Handle() == nullptr) return false;
    SetWindowPos(page->Handle(), nullptr, pageArea_.left, pageArea_.top, pageArea_.right - pageArea_.left,
                 pageArea_.bottom - pageArea_.top, SWP_NOZORDER);
    return true;
}

void CWizardFrame::SetOkCaption(const char* key) {
    CTextCatalogue setup("Setup");
    SetDlgItemTextA(Handle(), IDOK, setup.ReadText(key));
}

void CWizardFrame::CloseWizard() {
    if (IsModal())
        EndModal(IDCANCEL);
    else
        Show(SW_HIDE);
}

bool CWizardFrame::SetActivePage(int target) {
    const int count = static_cast<int>(pages_.size());
    const bool hasCurrent = current_ >= 0 && current_ < count;
    if (hasCurrent && !pages_[current_]->UpdateData(true)) return false;
    // The current page goes only once the next one exists: a page that cannot be created
    // leaves the user where they were, with a page to see.
    if (target < 0 || target >= count || !CreatePage(target)) return false;
    if (hasCurrent) pages_[current_]->Show(SW_HIDE);

    if (current_ == kModePage && target < kModePage) baudRateReset_ = true;
    if (current_ == kLicencePage && typed_.model != nullptr) CWindow(Item(IDOK)).Enable(typed_.model->HasDevices());

    if (target > current_) {
        if (current_ == kModelPage && typed_.model != nullptr) {
            selection_.printerType = typed_.model->SelectedType();
            selection_.modelName = typed_.model->ModelName();
            std::string setupIni;
            BuildConfigPaths(selection_.printerType, setupIni, currentTypeFile_);
            currentSection_ = PortSectionOf(selection_.modelName);
            if (typed_.mode != nullptr)
                typed_.mode->ApplyAdvancedSetup(AdvancedModeOffered(currentTypeFile_, currentSection_));
        } else if (current_ == kOsPage && typed_.os != nullptr) {
            const OsSupport support = ReadOsSupport(currentTypeFile_, currentSection_);
            if (baudRateReset_ && typed_.port != nullptr) {
                typed_.port->PresetBaudRate(ModelSerialPresets(currentTypeFile_, currentSection_).baudRate);
                baudRateReset_ = false;
            }
            if (const char* key = UnsupportedOsMessageKey(typed_.os->OsIndex(), support)) {
                ShowAppMessageBox(MessageCatalogue.ReadText(key));
                current_ = target - 1;
                pages_[current_]->Show(SW_SHOW);
                return false;
            }
        }
    }
    current_ = target;
    pages_[current_]->Show(SW_SHOW);
    return true;
}

void CWizardFrame::OnBack() {
    if (current_ > 0) {
        SetOkCaption("Next");
        SetActivePage(current_ - 1);
        if (!licenceFlag_ && current_ == kModelPage) {
            CWindow(Item(IDC_BACK)).Enable(false);
            CWindow(Item(IDOK)).SetFocus();
        }
    }
    if (current_ <= 0) {
        CWindow(Item(IDC_BACK)).Enable(false);
        CWindow(Item(IDOK)).SetFocus();
    }
    CWindow(Item(IDOK)).Enable(true);
}

void CWizardFrame::OnNext() {
    selection_.installFlags = 0;
    SetActivePage(current_ + 1);
    if (current_ == static_cast<int>(pages_.size()) - 1) {
        CollectSelection();
        SetOkCaption("Install");
    }
    CWindow(Item(IDC_BACK)).Enable(true);
    CWindow(Item(IDOK)).SetFocus();
}

void CWizardFrame::CollectSelection() {
    if (typed_.model != nullptr) {
        selection_.printerType = typed_.model->SelectedType();
        selection_.modelName = typed_.model->ModelName();
        selection_.setAsDefault = typed_.model->SetAsDefault();
    }
    BuildConfigPaths(selection_.printerType, selection_.configPath, selection_.typeFilePath);
    if (typed_.mode != nullptr) selection_.installMode = typed_.mode->InstallMode();
    if (typed_.os != nullptr) selection_.osIndex = typed_.os->OsIndex();
    BuildPortList();
    CollectPortSelection();
}

void CWizardFrame::BuildPortList() {
    if (typed_.port == nullptr) return;
    CPortPage& port = *typed_.port;
    port.SetTypicalFlag(selection_.installMode);
    if (selection_.installMode == InstallMode::Typical)
        port.BuildPortListTypical(selection_.modelName, selection_.osIndex, selection_.printerType);
    else
        port.BuildPortListAdvanced(selection_.modelName, selection_.osIndex, selection_.printerType);
}

void CWizardFrame::CollectPortSelection() {
    if (typed_.port == nullptr) return;
    CPortPage& port = *typed_.port;
    // The raster check box is the user's to change until Install.
    port.UpdateData(true);
    selection_.portName = port.PortText();
    selection_.raster = port.RasterFlag();
    selection_.serial.baudRate = port.BaudRate();
    selection_.serial.byteSize = port.ByteSize();
    selection_.serial.stopBits = port.StopBits();
    selection_.serial.parity = port.Parity();
    selection_.serial.protocol = port.Protocol();
}

void CWizardFrame::OnOK() {
    if (current_ < static_cast<int>(pages_.size()) - 1) {
        OnNext();
        return;
    }
    OnInstall();
}

void CWizardFrame::OnInstall() {
    selection_.installFlags = 0;
    for (CWizardPage* page : pages_) {
        if (page->Handle() != nullptr) page->UpdateData(true);
    }
    CollectPortSelection();
    if (typed_.port != nullptr) {
        selection_.ipAddress = typed_.port->IpAddressText();
        selection_.ipAddressBlank = typed_.port->IpAddress() == 0;
    }
    if (!installCommand || !installCommand(Handle(), selection_)) return;
    ClosePages();
    if (IsModal()) EndModal(IDOK);
}

void CWizardFrame::ClosePages() {
    for (CWizardPage* page : pages_) page->DestroyWindow();
}

void CWizardFrame::OnCancel() { CloseWizard(); }

bool CWizardFrame::OnCommand(WORD id, WORD code, HWND /*control*/) {
    if (id == IDC_BACK && code == BN_CLICKED) {
        OnBack();
        return true;
    }
    return false;
}

void CWizardFrame::OnShowWindow(bool /*shown*/) {
    CTextCatalogue setup("Setup");
    SetText(setup.ReadText("Caption"));
    SetDlgItemTextA(Handle(), IDT_HELP_LINE, setup.ReadText("Help"));
}

bool CWizardFrame::OnPaint() {
    if (IsIconic(Handle())) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(Handle(), &paint);
        Send(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
        RECT client;
        GetClientRect(Handle(), &client);
        DrawIcon(dc, (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2,
                 (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2, icon_);
        EndPaint(Handle(), &paint);
        return true;
    }
    HWND control = Item(IDC_SIDE_BITMAP);
    if (sideBitmap_ && control != nullptr) {
        WindowDc target(control);
        MemoryDc source(target.get());
        SelectedObject selected(source.get(), sideBitmap_.get());
        BITMAP info = {};
        GetObjectA(sideBitmap_.get(), sizeof info, &info);
        RECT client;
        GetClientRect(control, &client);
        SetStretchBltMode(target.get(), COLORONCOLOR);
        StretchBlt(target.get(), 0, 0, client.right, client.bottom, source.get(), 0, 0, info.bmWidth, info.bmHeight,
                   SRCCOPY);
    }
    return false;
}

bool CWizardFrame::OnHelp(const HELPINFO& /*info*/) {
    ShowHelp();
    return true;
}

bool CWizardFrame::OnSysCommand(WPARAM command, LPARAM /*position*/) {
    if ((command & 0xFFF0) != IDM_ABOUTBOX) return false;
    CAboutBox about;
    about.DoModal(Handle());
    return true;
}

INT_PTR CWizardFrame::OnMessage(UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/, bool& handled) {
    if (message == WM_QUERYDRAGICON) {
        handled = true;
        return reinterpret_cast<INT_PTR>(icon_);
    }
    return 0;
}
