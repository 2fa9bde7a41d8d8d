#include "ui/LicencePage.h"

#include "config/ProfileReader.h"
#include "config/TextCatalogue.h"
#include "framework/MessageBoxes.h"
#include "framework/UniqueResource.h"
#include "framework/Window.h"
#include "res/WizardResources.h"

LicenceFile ReadLicenceFile(const std::string& path, std::size_t maxSize) {
    LicenceFile result;
    if (path.empty()) return result;
    // Others may read or write the file meanwhile, as with the C runtime's "rb".
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return result;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return result;
    if (static_cast<unsigned long long>(size.QuadPart) > maxSize) {
        result.status = LicenceFileStatus::TooLarge;
        return result;
    }

    // The file may shrink between the size query and the read: keep what arrived.
    result.text.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t filled = 0;
    while (filled < result.text.size()) {
        DWORD read = 0;
        if (!ReadFile(file.get(), result.text.data() + filled, static_cast<DWORD>(result.text.size() - filled), &read,
                      nullptr) ||
            read == 0)
            break;
        filled += read;
    }
    result.text.resize(filled);
    result.status = LicenceFileStatus::Read;
    return result;
}

CLicencePage::CLicencePage() : CWizardPage(IDD_LICENCE_PAGE) {}

BOOL CLicencePage::OnInitDialog() {
    CheckRadioButton(Handle(), IDC_ACCEPT, IDC_REJECT, IDC_REJECT);
    if (loadLicence_ && !LoadLicence()) return TRUE;
    ApplyChineseFont();
    return TRUE;
}

bool CLicencePage::LoadLicence() {
    const LicenceFile licence = ReadLicenceFile(JoinPath(ProgramFolder(), "License.txt"));
    if (licence.status == LicenceFileStatus::Unreadable) {
        ShowOwnedMessageBox(Handle(), MessageCatalogue.ReadText("IDS_ERR_NOLICENSE"));
        // The frame's Cancel: it creates its pages while it initialises, so the wizard
        // ends before anything is shown.
        HWND frame = GetParent(Handle());
        if (frame != nullptr)
            SendMessageA(frame, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(frame, IDCANCEL)));
        return false;
    }
    // An over-large file leaves the page empty and the wizard going.
    CWindow(Item(IDC_LICENCE_TEXT)).SetText(licence.text.c_str());
    return true;
}

bool CLicencePage::OnCommand(WORD id, WORD code, HWND /*control*/) {
    if (code != BN_CLICKED) return false;
    if (id == IDC_ACCEPT) {
        EnableFrameOk(true);
        return true;
    }
    if (id == IDC_REJECT) {
        EnableFrameOk(false);
        return true;
    }
    return false;
}

void CLicencePage::EnableFrameOk(bool enable) const {
    HWND frame = GetParent(Handle());
    if (frame != nullptr) CWindow(GetDlgItem(frame, IDOK)).Enable(enable);
}

void CLicencePage::OnShowWindow(bool /*shown*/) {
    SetCaptions(Handle(), "Legal", {{IDC_LICENCE_GROUP, "Agreement"}, {IDC_ACCEPT, "Accept"}, {IDC_REJECT, "Reject"}});
}
