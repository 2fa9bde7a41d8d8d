#include "ui/InstallProgressDlg.h"

#include "config/TextCatalogue.h"
#include "framework/GdiObjects.h"
#include "platform/SystemLibraries.h"
#include "res/WizardResources.h"

#include <algorithm>

CInstallProgressDlg::CInstallProgressDlg() : CDialog(IDD_PROGRESS) {
    // Made on the window thread before the worker starts: the installation's delay-loaded
    // DLLs load here, not on the worker. Under Wine, winspool's entry point waits on this
    // thread, which waits in the progress window for the worker: a deadlock on the worker.
    LoadDelayImportedLibraries();
}

BOOL CInstallProgressDlg::OnInitDialog() {
    bar_.Attach(Handle(), IDC_PROGRESS_BAR);
    bar_.SetRange(0, 100);
    SetTimer(Handle(), kStartTimer, timing.firstTick, nullptr);
    return TRUE;
}

void CInstallProgressDlg::OnTimer(UINT_PTR timerId) {
    if (ending_) return;
    if (timerId == kStartTimer) {
        KillTimer(Handle(), kStartTimer);
        SetTimer(Handle(), kStepTimer, timing.step, nullptr);
        Step();
    } else if (timerId == kStepTimer) {
        Step();
    }
}

// One turn of the animation: end, close on the outcome, or climb one step.
void CInstallProgressDlg::Step() {
    if (holdFlag == 0 && step_ == kHoldPosition) {
        ending_ = true;
        KillTimer(Handle(), kStepTimer);
        EndModal(IDOK);
        return;
    }
    const int result = outcome.load();
    if (result == kFailed || result == kSucceeded) {
        ending_ = true;
        KillTimer(Handle(), kStepTimer);
        if (result == kFailed) {
            CountDown();
        } else {
            CountUp();
        }
        EndModal(IDOK);
        return;
    }
    step_ = std::min(step_, kHoldPosition);
    SetBar(step_);
    ++step_;
}

// The closing runs are short (about a second at most): a direct loop that repaints the
// bar itself.
void CInstallProgressDlg::SetBar(int position) {
    bar_.SetPosition(position);
    lastPosition_ = position;
    UpdateWindow(bar_.Handle());
}

void CInstallProgressDlg::CountUp() {
    if (timing.closingStep == 0) {
        SetBar(99);
        return;
    }
    for (int position = step_; position <= 99; ++position) {
        Sleep(timing.closingStep);
        SetBar(position);
    }
    Sleep(timing.closingPause);
}

void CInstallProgressDlg::CountDown() {
    if (timing.closingStep == 0) {
        SetBar(0);
        return;
    }
    for (int position = step_; position >= 1; --position) {
        Sleep(timing.closingStep);
        SetBar(position);
    }
    SetBar(0);
    Sleep(timing.closingPause);
}

bool CInstallProgressDlg::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Handle(), &paint);
    CTextCatalogue progress("Progress");
    const std::string text = line.empty() ? std::string(progress.ReadText("Wait")) : line;

    RECT area;
    GetClientRect(Handle(), &area);
    area.bottom = (2 * area.bottom) / 3;
    UniqueFont font(CreateFontA(20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "System"));
    HGDIOBJ previous = SelectObject(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 51, 153));
    DrawTextA(dc, text.c_str(), -1, &area, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    SelectObject(dc, previous);
    EndPaint(Handle(), &paint);
    return true;
}
