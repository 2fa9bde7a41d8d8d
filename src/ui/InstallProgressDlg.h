#pragma once

#include "engine/InstallObserver.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"

#include <atomic>
#include <string>

// The small window shown while the worker installs. Its bar does not measure anything:
// it climbs one step per tick, holds at 90 until the worker's outcome arrives, then
// runs up to 99 (success) or down to 0 (failure) and the window ends itself with IDOK.
//
// The climb is driven by the timer, one step per tick, so the user-interface thread
// keeps answering messages however long the installation takes.
class CInstallProgressDlg : public CDialog, public IInstallObserver {
public:
    enum Outcome { kRunning = 0, kFailed = 1, kSucceeded = 2 };

    // The waits of the animation, in milliseconds. A closing step of 0 skips the
    // closing runs: the bar jumps to its last value.
    struct Timing {
        UINT firstTick = 100;
        UINT step = 80;
        DWORD closingStep = 10;
        DWORD closingPause = 100;
    };

    CInstallProgressDlg();

    // Nonzero: hold at 90 until the outcome arrives; 0: end at 90 regardless.
    int holdFlag = 1;
    // Written once by the worker, read by the window's timer.
    std::atomic<int> outcome{kRunning};
    // From the worker: the window's timer picks the outcome up, no message is sent.
    void InstallationEnded(bool succeeded) override { outcome.store(succeeded ? kSucceeded : kFailed); }
    Timing timing;
    // The line above the bar; empty: the installer's own ([Progress] Wait).
    std::string line;

    // The bar's last position, also after the window has gone.
    int LastBarPosition() const { return lastPosition_; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    void OnTimer(UINT_PTR timerId) override;
    bool OnPaint() override;

private:
    static constexpr UINT_PTR kStartTimer = 1;
    static constexpr UINT_PTR kStepTimer = 2;
    static constexpr int kHoldPosition = 90;

    void Step();
    void SetBar(int position);
    void CountUp();
    void CountDown();

    CProgressBar bar_;
    int step_ = 0;
    int lastPosition_ = 0;
    bool ending_ = false;
};
