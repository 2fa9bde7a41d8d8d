#include "app/Uninstaller.h"

#include "app/CommandLine.h"
#include "app/ProgramEntry.h"
#include "app/WorkLock.h"
#include "config/ProcessSettings.h"
#include "config/SetupConfig.h"
#include "config/TextCatalogue.h"
#include "engine/EnvironmentProbes.h"
#include "engine/InstallRecord.h"
#include "framework/MessageBoxes.h"
#include "framework/TextFormat.h"
#include "platform/Journal.h"
#include "platform/SystemCalls.h"
#include "platform/SystemLibraries.h"
#include "selection/SelectionRules.h"
#include "ui/InstallProgressDlg.h"
#include "ui/UninstallDlg.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr char kQuiet[] = "quiet";
constexpr char kPassive[] = "passive";
constexpr char kPrinter[] = "printer";
constexpr char kAll[] = "all";
constexpr char kLog[] = "log";

using F = SwitchForm;
using U = UninstallSwitches;
using V = const SwitchValue&;

constexpr SwitchRule<UninstallSwitches> kUninstallSwitches[] = {
    {{.name = kQuiet, .help = "no window at all"}, [](U& u, V) { u.quiet = true; }},
    {{.name = kPassive, .help = "only the progress window; nothing is asked"}, [](U& u, V) { u.passive = true; }},
    {{.name = kPrinter, .form = F::AnyText, .help = "a recorded printer to remove (repeatable)", .placeholder = "name",
      .repeatable = true},
     [](U& u, V v) { u.printers.push_back(v.text); }},
    {{.name = kAll, .help = "every recorded printer"}, [](U& u, V) { u.all = true; }},
    {{.name = "purge", .help = "cancel documents waiting on a printer to be removed"}, [](U& u, V) { u.purge = true; }},
    {{.name = kLog, .form = F::Path, .help = "the journal (default: a new file in %TEMP%)", .placeholder = "path",
      .refusal = JournalPathRefusal},
     [](U& u, V v) { u.logPath = v.text; }},
    {{.name = "?", .help = "this text"}, [](U& u, V) { u.help = true; }},
};


int Finish(int exitCode) {
    JournalLine("Exit code " + std::to_string(exitCode));
    CloseJournal();
    return exitCode;
}

// Setup.exe holds its single-instance name from start-up to its end.
bool SetupRunning() {
    UniqueHandle setup(OpenMutexA(SYNCHRONIZE, FALSE, "Setup"));
    return static_cast<bool>(setup);
}

std::string UninstallText(const char* key) {
    CTextCatalogue texts("Uninstall");
    return texts.ReadText(key);
}

// The removal's questions: asked in the window, answered by /purge unattended.
class RemovalAnswers : public IRemovalObserver {
public:
    RemovalAnswers(bool windowed, bool purge) : windowed_(windowed), purge_(purge) {}
    void PrinterStarted(const std::string& printer, std::size_t index, std::size_t count) override {
        JournalLine("Printer " + std::to_string(index + 1) + " of " + std::to_string(count) + ": \"" + printer + "\"");
    }
    bool CancelDocuments(const std::string& printer, DWORD documents) override {
        if (!windowed_) {
            JournalLine(purge_ ? "Documents cancelled: /purge was given" : "Documents left: /purge was not given");
            return purge_;
        }
        CTextCatalogue texts("Uninstall");
        const std::string question = printer + " (" + std::to_string(documents) + "): " + texts.ReadText("Documents");
        const bool yes = ShowAppMessageBox(question.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
        JournalLine(std::string("Asked to cancel the documents: ") + (yes ? "yes" : "no"));
        return yes;
    }

private:
    bool windowed_;
    bool purge_;
};

struct RemovalJob {
    std::vector<std::string> printers;
    IRemovalObserver* observer = nullptr;
    CInstallProgressDlg* progress = nullptr;
    RemovalOutcome outcome;
};

DWORD WINAPI RemovalThread(LPVOID parameter) {
    auto* job = static_cast<RemovalJob*>(parameter);
    try {
        job->outcome = RemoveRecordedPrinters(job->printers, *job->observer);
    } catch (...) {
        job->outcome.failed = true;
        job->outcome.failure = "the removal stopped on an unexpected error";
        JournalLine("Removal failed: " + job->outcome.failure);
    }
    // With the last printer the product is gone from Programs and Features too.
    if (!job->outcome.failed && ReadRecords().records.empty()) RemoveProgramEntry();
    if (job->progress != nullptr) job->progress->InstallationEnded(!job->outcome.failed);
    return 0;
}

// Removes with the progress window (windowed) or without any; the outcome either way.
RemovalOutcome Remove(const std::vector<std::string>& printers, bool windowed, bool purge) {
    RemovalAnswers answers(windowed, purge);
    RemovalJob job;
    job.printers = printers;
    job.observer = &answers;
    if (!windowed) {
        RemovalThread(&job);
        return job.outcome;
    }
    CInstallProgressDlg progress;
    progress.line = UninstallText("Working");
    job.progress = &progress;
    const UniqueHandle worker(SystemCalls().CreateThread(nullptr, 0, RemovalThread, &job, 0, nullptr));
    if (!worker) {
        JournalResult("Start the removal's worker thread", false, GetLastError());
        job.outcome.failed = true;
        job.outcome.failure = "the removal could not start";
        return job.outcome;
    }
    progress.DoModal(nullptr);
    WaitForSingleObject(worker.get(), INFINITE);
    return job.outcome;
}

std::string OpenRunJournal(const std::string& logPath, const std::string& commandLine) {
    std::string refusal;
    if (logPath.empty() || (!OpenJournal(logPath, &refusal) && !refusal.empty())) OpenDefaultJournal();
    JournalLine("Printer Driver Setup, uninstaller: " + commandLine);
    return refusal.empty() ? refusal : "/log: \"" + logPath + "\" " + refusal;
}

std::vector<std::string> RecordedNames(const RecordsRead& read) {
    for (const std::string& refused : read.refused) JournalLine("Install record ignored, it is no record of ours: " + refused);
    std::vector<std::string> names;
    for (const InstallRecord& record : read.records) names.push_back(record.printer);
    return names;
}

int RunQuietOrPassive(const UninstallSwitches& switches, const std::string& commandLine) {
    if (const std::string refusal = OpenRunJournal(switches.logPath, commandLine); !refusal.empty()) {
        JournalLine("Refused: " + refusal);
        return Finish(kExitInvalidSwitch);
    }
    JournalLine(switches.quiet ? "Mode: quiet, no window" : "Mode: passive, the progress window only");
    if (AdministratorMissing(IsUserAdministrator)) {
        JournalLine("Refused: " + std::string(MessageCatalogue.ReadText("IDS_ADMIN")));
        return Finish(kExitInstallFailed);
    }
    if (SetupRunning()) {
        JournalLine("Refused: Setup.exe is running");
        return Finish(kExitAnotherInstall);
    }
    const ChosenPrinters chosen = ChoosePrinters(RecordedNames(ReadRecords()), switches);
    if (chosen.printers.empty()) {
        JournalLine("Refused: " + (chosen.unknown.empty() ? std::string("no printer is recorded")
                                                          : "/printer: \"" + chosen.unknown + "\" is not recorded") +
                    "; nothing removed");
        return Finish(kExitUnknownProduct);
    }
    CWorkLock working;
    if (!working.Take()) {
        JournalLine("Refused: Setup.exe or another uninstaller is at work");
        return Finish(kExitAnotherInstall);
    }
    if (switches.passive) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
    }
    const RemovalOutcome outcome = Remove(chosen.printers, switches.passive, switches.purge);
    JournalLine("Closing message: " + RemovalSummary(outcome));
    return Finish(RemovalExitCode(outcome));
}

int RunWindow() {
    OpenDefaultJournal();
    JournalLine("Printer Driver Setup, uninstaller: the window");
    if (AdministratorMissing(IsUserAdministrator)) {
        ShowAppMessageBox(MessageCatalogue.ReadText("IDS_ADMIN"), MB_OK | MB_ICONSTOP);
        return Finish(kExitInstallFailed);
    }
    const RecordsRead read = ReadRecords();
    RecordedNames(read);
    if (read.records.empty()) {
        ShowAppMessageBox(UninstallText("Nothing").c_str(), MB_OK | MB_ICONINFORMATION);
        return Finish(kExitUnknownProduct);
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    std::vector<CUninstallDlg::Row> rows;
    for (const InstallRecord& record : read.records)
        rows.push_back({record.printer, record.model, record.port, record.installedAt});
    for (;;) {
        CUninstallDlg window(rows, ReadStartFlags().chineseFont);
        if (window.DoModal(nullptr) != IDOK) {
            JournalLine("Closed without removing anything");
            return Finish(kExitCancelled);
        }
        CWorkLock working;
        if (SetupRunning() || !working.Take()) {
            JournalLine("Refused: Setup.exe is at work");
            ShowAppMessageBox(UninstallText("Busy").c_str(), MB_OK | MB_ICONEXCLAMATION);
            continue;
        }
        const RemovalOutcome outcome = Remove(window.Chosen(), true, false);
        const std::string summary = RemovalSummary(outcome);
        JournalLine("Closing message: " + summary);
        ShowAppMessageBox(summary.c_str(), MB_OK | (outcome.failed ? MB_ICONSTOP : MB_ICONINFORMATION));
        return Finish(RemovalExitCode(outcome));
    }
}

}  // namespace

SwitchTable<UninstallSwitches> UninstallSwitchTable() { return kUninstallSwitches; }

ParsedUninstallSwitches ParseUninstallSwitches(const std::vector<std::string>& words) {
    ParsedUninstallSwitches parsed;
    parsed.any = !words.empty();
    SwitchReader<UninstallSwitches> reader(UninstallSwitchTable(), parsed.switches);
    parsed.error = reader.ApplyWords(words);
    if (!parsed.error.empty()) return parsed;
    const UninstallSwitches& u = parsed.switches;
    if (u.help) return parsed;
    const std::string quietOrPassive = ShownSwitchName(kQuiet) + (u.quiet && u.passive ? " and " : " or ") +
                                       ShownSwitchName(kPassive);
    if (u.quiet && u.passive) {
        parsed.error = quietOrPassive + ": choose one";
    } else if (parsed.any && !u.quiet && !u.passive) {
        parsed.error = quietOrPassive + ": an unattended removal needs one of them";
    } else if (parsed.any && u.all == !u.printers.empty()) {
        parsed.error = ShownSwitchName(kPrinter) + " or " + ShownSwitchName(kAll) + ": " +
                       (u.all ? "not both" : "name the printers to remove");
    }
    return parsed;
}

std::string UninstallHelpText() {
    std::string text = "Printer Driver Setup: removing printers\r\n\r\nUninstall.exe /quiet|/passive /all | /printer "
                       "<name> [/printer <name> ...] [switches]\r\n";
    text += SwitchHelpLines(UninstallSwitchTable());
    text += "Switches also take the forms /name:value and -name. Without switches: the window.\r\n"
            "\r\n"
            "Exit codes:\r\n"
            "  0     removed\r\n"
            "  3010  removed, a restart finishes it\r\n"
            "  1603  the removal failed (the journal names the step, the object and the code)\r\n"
            "  1605  nothing recorded by that name, or nothing recorded at all\r\n"
            "  1618  Setup or another uninstaller is running\r\n"
            "  87    a switch or value is invalid\r\n";
    return text;
}

ChosenPrinters ChoosePrinters(const std::vector<std::string>& recorded, const UninstallSwitches& switches) {
    ChosenPrinters chosen;
    if (switches.all) {
        chosen.printers = recorded;
        return chosen;
    }
    for (const std::string& name : switches.printers) {
        const auto found = std::find_if(recorded.begin(), recorded.end(), [&](const std::string& r) { return SameText(r, name); });
        if (found == recorded.end()) {
            chosen.unknown = name;
            chosen.printers.clear();
            return chosen;
        }
        if (std::none_of(chosen.printers.begin(), chosen.printers.end(), [&](const std::string& c) { return c == *found; }))
            chosen.printers.push_back(*found);
    }
    return chosen;
}

int RemovalExitCode(const RemovalOutcome& outcome) {
    if (outcome.failed) return kExitInstallFailed;
    return outcome.restartRequired ? kExitRestartRequired : kExitInstalled;
}

std::string RemovalSummary(const RemovalOutcome& outcome) {
    std::string text;
    const auto section = [&](const std::string& heading, const std::vector<std::string>& lines) {
        if (lines.empty()) return;
        if (!text.empty()) text += "\r\n\r\n";
        text += heading;
        for (const std::string& line : lines) text += "\r\n  " + line;
    };
    if (outcome.failed) {
        text = UninstallText("Failed") + "\r\n  " + outcome.failure;
    }
    section(UninstallText("Removed"), outcome.removed);
    section(UninstallText("Left"), outcome.left);
    if (outcome.restartRequired) text += "\r\n\r\n" + UninstallText("Restart");
    return text;
}

int RunUninstaller(const std::string& commandLine) {
    SetDefaultJournalPrefix("PrinterDriverUninstall-");
    // The records are in the 64-bit view on 64-bit Windows, as the installation wrote them.
    ProcessSettings::SetIs64BitWindows(IsWow64Windows());
    const std::vector<std::string> words = SplitCommandLine(ArgumentsOf(commandLine));
    if (!words.empty() && SameText(words[0], kOwnDeletionSwitch)) return DeleteAfterEnd(words);
    const ParsedUninstallSwitches parsed = ParseUninstallSwitches(words);
    if (!parsed.any) return RunWindow();
    if (parsed.switches.help && parsed.error.empty()) {
        const std::string text = UninstallHelpText();
        WriteToCaller(text);
        ShowAppMessageBox(text.c_str(), MB_OK | MB_ICONINFORMATION);
        return kExitInstalled;
    }
    if (!parsed.error.empty()) {
        const std::string path = FindSwitchValue(words, kLog).value_or("");
        OpenRunJournal(JournalPathRefusal(path).empty() ? path : std::string(), commandLine);
        JournalLine("Refused: " + parsed.error);
        return Finish(kExitInvalidSwitch);
    }
    return RunQuietOrPassive(parsed.switches, commandLine);
}
