// Starts two programs alternately and times each from just before CreateProcess until
// a combo box of its first page is visible and enabled (the model list), or a list view
// is visible with its first row in it (the uninstaller's printers), then reads the
// process's peak working set and ends it. The first pair warms the caches and is
// not counted.
//   StartTimer PAIRS LABEL_A PROGRAM_A LABEL_B PROGRAM_B
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Search {
    DWORD processId;
    bool found;
};

BOOL CALLBACK FindListInChild(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    const bool list = lstrcmpiA(className, "ComboBox") == 0 ||
                      (lstrcmpiA(className, "SysListView32") == 0 && SendMessageA(window, LVM_GETITEMCOUNT, 0, 0) > 0);
    if (list && IsWindowVisible(window) && IsWindowEnabled(window)) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindListInTopLevel(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    EnumChildWindows(window, FindListInChild, context);
    return search->found ? FALSE : TRUE;
}

struct Run {
    double milliseconds = -1;
    SIZE_T peakWorkingSet = 0;
};

Run StartAndTime(const std::string& program) {
    Run run;
    std::string folder = program.substr(0, program.find_last_of('\\'));
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process)) {
        std::printf("cannot start %s (error %lu)\n", program.c_str(), GetLastError());
        return run;
    }
    Search search = {process.dwProcessId, false};
    for (;;) {
        EnumWindows(FindListInTopLevel, reinterpret_cast<LPARAM>(&search));
        if (search.found) break;
        if (WaitForSingleObject(process.hProcess, 2) == WAIT_OBJECT_0) break;
    }
    QueryPerformanceCounter(&now);
    if (search.found) run.milliseconds = 1000.0 * (now.QuadPart - start.QuadPart) / frequency.QuadPart;
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory)) run.peakWorkingSet = memory.PeakWorkingSetSize;
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::printf("usage: StartTimer PAIRS LABEL_A PROGRAM_A LABEL_B PROGRAM_B\n");
        return 2;
    }
    const int pairs = std::max(1, std::atoi(argv[1]));
    const std::string labels[2] = {argv[2], argv[4]};
    const std::string programs[2] = {argv[3], argv[5]};
    std::vector<double> times[2];
    std::vector<double> peaks[2];
    for (int pair = 0; pair <= pairs; ++pair) {
        for (int which = 0; which < 2; ++which) {
            const Run run = StartAndTime(programs[which]);
            if (run.milliseconds < 0) {
                std::printf("%s: the model list never showed\n", labels[which].c_str());
                return 1;
            }
            std::printf("%s %s %8.1f ms  peak working set %lu KB\n", pair == 0 ? "warm-up" : "run    ",
                        labels[which].c_str(), run.milliseconds, static_cast<unsigned long>(run.peakWorkingSet / 1024));
            std::fflush(stdout);
            if (pair == 0) continue;
            times[which].push_back(run.milliseconds);
            peaks[which].push_back(static_cast<double>(run.peakWorkingSet));
        }
    }
    const double medians[2] = {Median(times[0]), Median(times[1])};
    for (int which = 0; which < 2; ++which)
        std::printf("median %-12s %8.1f ms  peak working set %.0f KB (median of %d pairs)\n", labels[which].c_str(),
                    medians[which], Median(peaks[which]) / 1024, pairs);
    std::printf("ratio %s / %s = %.2f\n", labels[1].c_str(), labels[0].c_str(),
                medians[0] > 0 ? medians[1] / medians[0] : 0.0);
    // A machine shared with other work slows whole stretches of runs alike; the two runs
    // of a pair, started one after the other, share their stretch, so their own ratio
    // keeps steady where the medians drift.
    std::vector<double> pairRatios;
    for (std::size_t pair = 0; pair < times[0].size(); ++pair)
        pairRatios.push_back(times[1][pair] / times[0][pair]);
    std::printf("median of the pairs' ratios = %.2f\n", Median(pairRatios));
    return 0;
}
