#include "ui/UninstallDlg.h"

#include "config/TextCatalogue.h"
#include "framework/Window.h"
#include "res/WizardResources.h"
#include "ui/AboutBox.h"

#include <commctrl.h>

CUninstallDlg::CUninstallDlg(std::vector<Row> rows, bool chineseFont)
    : CDialog(IDD_UNINSTALL), rows_(std::move(rows)), chineseFont_(chineseFont) {}

BOOL CUninstallDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (chineseFont_) {
        font_.reset(CreateChineseFont());
        SetFontOnWindowAndChildren(Handle(), font_.get());
    }
    SetCaptions(Handle(), "Uninstall", {{IDT_UNINSTALL_PROMPT, "Select"}, {IDOK, "Remove"}, {IDCANCEL, "Close"}});
    SetText(CTextCatalogue("Uninstall").ReadText("Caption"));

    HWND list = GetDlgItem(Handle(), IDC_UNINSTALL_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    CTextCatalogue texts("Uninstall");
    int column = 0;
    for (const char* key : {"Printer", "Model", "Port", "Installed"}) {
        // Copied: the catalogue's text is overwritten by its next read.
        std::string heading = texts.ReadText(key);
        LVCOLUMNA entry = {};
        entry.mask = LVCF_TEXT | LVCF_WIDTH;
        entry.pszText = heading.data();
        entry.cx = column == 0 ? 140 : column == 3 ? 140 : 90;
        SendMessageA(list, LVM_INSERTCOLUMNA, column++, reinterpret_cast<LPARAM>(&entry));
    }
    int index = 0;
    for (Row& row : rows_) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = row.printer.data();
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        std::string* cells[] = {&row.model, &row.port, &row.installedAt};
        for (int sub = 1; sub <= 3; ++sub) {
            LVITEMA cell = {};
            cell.iSubItem = sub;
            cell.pszText = cells[sub - 1]->data();
            SendMessageA(list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&cell));
        }
        ListView_SetCheckState(list, index, TRUE);
        ++index;
    }
    return TRUE;
}

void CUninstallDlg::OnOK() {
    HWND list = GetDlgItem(Handle(), IDC_UNINSTALL_LIST);
    chosen_.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (ListView_GetCheckState(list, static_cast<int>(i))) chosen_.push_back(rows_[i].printer);
    // Nothing checked: nothing to do, the window stays.
    if (!chosen_.empty()) EndModal(IDOK);
}
