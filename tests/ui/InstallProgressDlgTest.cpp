#include "ui/InstallProgressDlg.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The bar as the worker's side sees it while the window runs.
int BarPositionOf(HWND window) {
    DWORD_PTR position = 0;
    SendMessageTimeoutA(GetDlgItem(window, 1079), PBM_GETPOS, 0, 0, SMTO_NORMAL, 2000, &position);
    return static_cast<int>(position);
}

HWND FindProgressWindow() {
    for (int wait = 0; wait < 200; ++wait) {
        if (HWND window = FindWindowA("#32770", nullptr)) {
            if (GetDlgItem(window, 1079) != nullptr) return window;
        }
        Sleep(10);
    }
    return nullptr;
}

struct ShownRun {
    INT_PTR result;
    long long milliseconds;
    int lastPosition;
};

// Shows the window with a worker that acts after delay and reports what it saw.
template <typename Worker>
ShownRun ShowWithWorker(CInstallProgressDlg& dialog, Worker worker) {
    std::thread thread(worker);
    const auto start = Clock::now();
    const INT_PTR result = dialog.DoModal(nullptr);
    const long long elapsed = MillisecondsSince(start);
    thread.join();
    return {result, elapsed, dialog.LastBarPosition()};
}

TEST(InstallProgressDlgTest, SuccessAfterThreeSecondsRunsUpTo99AndCloses) {
    CInstallProgressDlg dialog;
    int seen = -1;
    const ShownRun run = ShowWithWorker(dialog, [&] {
        HWND window = FindProgressWindow();
        Sleep(3000);
        seen = BarPositionOf(window);
        dialog.outcome.store(CInstallProgressDlg::kSucceeded);
    });
    EXPECT_EQ(IDOK, run.result);
    EXPECT_NEAR(37, seen, 6);
    EXPECT_EQ(99, run.lastPosition);
    EXPECT_GT(run.milliseconds, 3000 + 550);  // at least about 60 steps of 10 ms and the pause
    // Upper bounds only catch a window that never closes: the closing run repaints the bar
    // at every step, which an emulated, loaded machine makes slow.
    EXPECT_LT(run.milliseconds, 3000 + 15000);
}

TEST(InstallProgressDlgTest, FailureWhileHoldingCountsDownAndStaysResponsive) {
    CInstallProgressDlg dialog;
    int held = -1;
    long long answerTime = -1;
    const ShownRun run = ShowWithWorker(dialog, [&] {
        HWND window = FindProgressWindow();
        Sleep(8000);
        held = BarPositionOf(window);
        // A broadcast reaches our windows while the installation runs: answered at once.
        const auto asked = Clock::now();
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("windows"), SMTO_NORMAL, 5000,
                            &answer);
        answerTime = MillisecondsSince(asked);
        dialog.outcome.store(CInstallProgressDlg::kFailed);
    });
    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(90, held);
    EXPECT_LT(answerTime, 500);
    EXPECT_EQ(0, run.lastPosition);
    EXPECT_LT(run.milliseconds, 8000 + 15000);
}

TEST(InstallProgressDlgTest, OutcomeBeforeTheFirstTickStartsTheClosingFromZero) {
    CInstallProgressDlg failed;
    failed.outcome.store(CInstallProgressDlg::kFailed);
    const auto start = Clock::now();
    EXPECT_EQ(IDOK, failed.DoModal(nullptr));
    EXPECT_LT(MillisecondsSince(start), 5000);
    EXPECT_EQ(0, failed.LastBarPosition());

    CInstallProgressDlg succeeded;
    succeeded.outcome.store(CInstallProgressDlg::kSucceeded);
    EXPECT_EQ(IDOK, succeeded.DoModal(nullptr));
    EXPECT_EQ(99, succeeded.LastBarPosition());
}

TEST(InstallProgressDlgTest, WithoutHoldTheWindowClosesByItselfAtNinety) {
    CInstallProgressDlg dialog;
    dialog.holdFlag = 0;
    const auto start = Clock::now();
    EXPECT_EQ(IDOK, dialog.DoModal(nullptr));
    const long long elapsed = MillisecondsSince(start);
    EXPECT_EQ(89, dialog.LastBarPosition());
    EXPECT_GT(elapsed, 6500);
    EXPECT_LT(elapsed, 20000);
}

// The worker's one write must always reach the window, however the two threads interleave.
TEST(InstallProgressDlgTest, ThousandQuickHandshakesLoseNoOutcome) {
    int lost = 0;
    for (int i = 0; i < 1000; ++i) {
        CInstallProgressDlg dialog;
        dialog.timing = {1, 1, 0, 0};
        const int outcome = i % 2 == 0 ? CInstallProgressDlg::kSucceeded : CInstallProgressDlg::kFailed;
        std::thread worker([&] {
            if (i % 3 == 0) Sleep(1);
            dialog.outcome.store(outcome);
        });
        const INT_PTR result = dialog.DoModal(nullptr);
        worker.join();
        const int expected = outcome == CInstallProgressDlg::kSucceeded ? 99 : 0;
        if (result != IDOK || dialog.LastBarPosition() != expected) ++lost;
    }
    EXPECT_EQ(0, lost);
}

}  // namespace
