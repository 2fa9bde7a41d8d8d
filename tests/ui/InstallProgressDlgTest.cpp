#include "ui/InstallProgressDlg.h"

#include "support/ResourceCounts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The bar as the worker's side sees it while the window runs.
int BarPositionOf(HWND window) {
    DWORD_PTR position = 0;
    SendMessageTimeoutA(GetDlgItem(window, 1079), PBM_GETPOS, 0, 0, SMTO_NORMAL, 30000, &position);
    return static_cast<int>(position);
}

// Every wait of these tests is an upper bound that only a window that never opens or
// never closes reaches: a loaded machine makes the timer's steps late, never early.
constexpr long long kHang = 120000;

HWND FindProgressWindow() {
    for (int wait = 0; wait < 6000; ++wait) {
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
    long long shown = 0;
    const ShownRun run = ShowWithWorker(dialog, [&] {
        HWND window = FindProgressWindow();
        const auto found = Clock::now();
        Sleep(3000);
        seen = BarPositionOf(window);
        shown = MillisecondsSince(found);
        dialog.outcome.store(CInstallProgressDlg::kSucceeded);
    });
    EXPECT_EQ(IDOK, run.result);
    // About 37 after three seconds: never ahead of one step per 80 ms; behind only when
    // the machine is too busy to deliver the timer.
    EXPECT_GT(seen, 0);
    EXPECT_LE(seen, shown / 80 + 2) << "after " << shown << " ms";
    EXPECT_EQ(99, run.lastPosition);
    EXPECT_GT(run.milliseconds, 3000 + 550);  // at least about 60 steps of 10 ms and the pause
    EXPECT_LT(run.milliseconds, kHang);
}

TEST(InstallProgressDlgTest, FailureWhileHoldingCountsDownAndStaysResponsive) {
    CInstallProgressDlg dialog;
    int held = -1;
    long long answerTime = -1;
    const ShownRun run = ShowWithWorker(dialog, [&] {
        HWND window = FindProgressWindow();
        // About 7.3 s to reach the hold, later on a busy machine; then it stays there.
        const auto found = Clock::now();
        while (BarPositionOf(window) < 90 && MillisecondsSince(found) < kHang) Sleep(100);
        Sleep(800);
        held = BarPositionOf(window);
        // A broadcast reaches our windows while the installation runs: answered, not left
        // waiting behind the animation.
        const auto asked = Clock::now();
        DWORD_PTR answer = 0;
        if (SendMessageTimeoutA(window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("windows"), SMTO_NORMAL, 30000,
                                &answer) != 0) {
            answerTime = MillisecondsSince(asked);
        }
        dialog.outcome.store(CInstallProgressDlg::kFailed);
    });
    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(90, held);
    EXPECT_GE(answerTime, 0) << "the window did not answer within 30 s";
    EXPECT_EQ(0, run.lastPosition);
    EXPECT_LT(run.milliseconds, kHang);
}

TEST(InstallProgressDlgTest, OutcomeBeforeTheFirstTickStartsTheClosingFromZero) {
    CInstallProgressDlg failed;
    failed.outcome.store(CInstallProgressDlg::kFailed);
    const auto start = Clock::now();
    EXPECT_EQ(IDOK, failed.DoModal(nullptr));
    EXPECT_LT(MillisecondsSince(start), kHang);
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
    EXPECT_LT(elapsed, kHang);
}

// One installation as the Install command runs it: a worker thread that reports its
// end to the window through the observer, after `milliseconds`.
struct StressRun {
    CInstallProgressDlg* dialog;
    DWORD milliseconds;
    bool succeeds;
    HANDLE windowEnded;
    bool hung;
};

DWORD WINAPI StressWorker(void* parameter) {
    auto* run = static_cast<StressRun*>(parameter);
    Sleep(run->milliseconds);
    static_cast<IInstallObserver*>(run->dialog)->InstallationEnded(run->succeeds);
    // Watchdog: a window that never ends is a hang, ended here so the count goes on.
    if (WaitForSingleObject(run->windowEnded, 10000) != WAIT_OBJECT_0) {
        run->hung = true;
        EndDialog(run->dialog->Handle(), IDABORT);
    }
    return 0;
}

// The worker's one report must always reach the window, however the two threads
// interleave, and a thousand installations' windows and threads leave nothing behind.
TEST(InstallProgressDlgTest, ThousandHandshakesLoseNoOutcomeHangNeverAndLeakNothing) {
    constexpr int kRuns = 1000;
    std::mt19937 random(17);
    std::uniform_int_distribution<DWORD> duration(0, 50);
    int lost = 0, hangs = 0;
    auto runOnce = [&](int i) {
        CInstallProgressDlg dialog;
        dialog.timing = {1, 1, 0, 0};
        StressRun run{&dialog, duration(random), i % 2 == 0, CreateEventA(nullptr, TRUE, FALSE, nullptr), false};
        HANDLE worker = CreateThread(nullptr, 0, StressWorker, &run, 0, nullptr);
        ASSERT_NE(nullptr, worker);
        const INT_PTR result = dialog.DoModal(nullptr);
        SetEvent(run.windowEnded);
        if (WaitForSingleObject(worker, 20000) != WAIT_OBJECT_0 || run.hung) ++hangs;
        CloseHandle(worker);
        CloseHandle(run.windowEnded);
        const int expectedOutcome = run.succeeds ? CInstallProgressDlg::kSucceeded : CInstallProgressDlg::kFailed;
        if (result != IDOK || dialog.outcome.load() != expectedOutcome ||
            dialog.LastBarPosition() != (run.succeeds ? 99 : 0)) {
            ++lost;
        }
    };
    // The first windows load what every later one shares (classes, fonts, the theme).
    for (int i = 0; i < 10; ++i) runOnce(i);
    const ResourceCounts before = CountResources();
    const auto start = Clock::now();
    for (int i = 0; i < kRuns; ++i) runOnce(i);
    const long long elapsed = MillisecondsSince(start);
    const ResourceCounts after = CountResources();
    std::printf("handshake stress: %d runs in %lld ms, %d lost or wrong, %d hangs; before %lu handles, %lu USER, %lu "
                "GDI; after %lu handles, %lu USER, %lu GDI\n",
                kRuns, elapsed, lost, hangs, before.handles, before.user, before.gdi, after.handles, after.user,
                after.gdi);
    EXPECT_EQ(0, lost);
    EXPECT_EQ(0, hangs);
    EXPECT_EQ(before, after);
}

}  // namespace
