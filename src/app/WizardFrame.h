#pragma once

#include "app/InstallSelection.h"
#include "framework/Dialog.h"
#include "framework/GdiObjects.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class CLicencePage;
class CModelPage;
class CModePage;
class COsPage;
class CPortPage;
class CWizardPage;

// The five pages in walking order, for the frame's own reads and writes.
struct WizardPages {
    CLicencePage* licence = nullptr;
    CModelPage* model = nullptr;
    CModePage* mode = nullptr;
    COsPage* os = nullptr;
    CPortPage* port = nullptr;
};

// The wizard's main window: side bitmap, page area, Back / Next-or-Install / Cancel.
class CWizardFrame : public CDialog {
public:
    static constexpr int kLicencePage = 0, kModelPage = 1, kModePage = 2, kOsPage = 3, kPortPage = 4;

    CWizardFrame(bool licenceFlag, bool chineseFontFlag);
    ~CWizardFrame() override;

    // Pages in walking order; the titles are kept with them and never shown.
    void AddPage(const char* title, CWizardPage* page, UINT templateId);
    void SetPages(const WizardPages& pages) { typed_ = pages; }

    // Return contract: true when target became the current page.
    virtual bool SetActivePage(int target);
    int CurrentPage() const { return current_; }
    const InstallSelection& Selection() const { return selection_; }

    // Whether the user may install; the frame refuses to run without it.
    std::function<bool()> administratorCheck;
    // Install, pressed on the last page: true when the installation ran and the wizard
    // ends; false leaves the wizard on the last page with its choices.
    std::function<bool(HWND frame, const InstallSelection& selection)> installCommand;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnShowWindow(bool shown) override;
    bool OnPaint() override;
    bool OnHelp(const HELPINFO& info) override;
    bool OnSysCommand(WPARAM command, LPARAM position) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void OnBack();
    void OnNext();
    void CollectSelection();
    void BuildPortList();
    void CollectPortSelection();
    void OnInstall();
    void ClosePages();
    void CloseWizard();
    void SetOkCaption(const char* key);
    bool CreatePage(int index);

    bool licenceFlag_;
    bool chineseFontFlag_;
    std::vector<CWizardPage*> pages_;
    std::vector<std::string> titles_;
    std::vector<UINT> templates_;
    WizardPages typed_;
    int current_ = -1;
    bool baudRateReset_ = true;
    InstallSelection selection_;
    std::string currentTypeFile_;
    std::string currentSection_;
    HICON icon_ = nullptr;
    // Where every page goes, in frame client coordinates.
    RECT pageArea_ = {};
    // Deleted when the frame object goes, after its windows and the pages' controls.
    UniqueFont chineseFont_;
    UniqueBitmap sideBitmap_;
};
