#include "app/CommandLine.h"
#include "app/InstallCommand.h"
#include "app/UnattendedInstall.h"

#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "config/RegistryKey.h"
#include "engine/ComponentChecks.h"
#include "engine/EngineTestSupport.h"
#include "engine/SpoolerService.h"
#include "framework/UniqueResource.h"
#include "platform/ErrorText.h"
#include "platform/FileSystemRedirection.h"
#include "platform/Journal.h"
#include "support/Overrides.h"
#include "support/SystemCallSweep.h"
#include "support/TestFiles.h"
#include "ui/InstallProgressDlg.h"
#include "ui/ModePage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

namespace {

// What these calls do is what an installation is: when one fails, the installation has
// failed, whatever else went well. Lookups, queries, waits and the default printer may
// fail harmlessly.
bool NeverHarmless(const std::string& entry) {
    for (const char* name : {"CopyFileA", "AddPrinterA", "AddPrinterDriverA", "AddMonitorA", "AddPrintProcessorA",
                             "StartServiceA", "CreateThread", "SetupIterateCabinetA"}) {
        if (entry == name) return true;
    }
    return false;
}

struct SweptPath {
    const char* name;
    InstallSelection selection;
    bool updateUsbMonitor;  // the USB monitor marked older: the in-place update with the spooler stopped
    bool restoreCoreFiles = false;  // the universal driver's core files gone: restored from the driver store
};

constexpr const char* kCoreFiles[] = {"TTFSUB.GPD", "STDNAMES.GPD", "UNIRES.DLL"};

std::string PrinterDriverDirectory() {
    char buffer[MAX_PATH] = {};
    DWORD needed = 0;
    GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(buffer), sizeof buffer, &needed);
    return buffer;
}

// The system's printer driver package, as Windows 7 has it, with the universal driver's core files.
void PlaceDriverStore(bool is64) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    const std::string folder = std::string(windows) + "\\System32\\DriverStore\\FileRepository\\ntprint.inf_sweep" +
                               (is64 ? "\\AMD64" : "\\I386");
    CFileSystemRedirectionOff redirection;
    CreateFolders(folder);
    for (const char* name : {"UNIDRVUI.DLL", "UNIDRV.DLL", "UNIDRV.HLP", "UNIRES.DLL", "STDNAMES.GPD", "TTFSUB.GPD"}) {
        WriteTextFile(folder + "\\", name, "driver store's");
    }
}

InstallSelection Selection(const char* port, InstallMode mode = InstallMode::Advanced) {
    InstallSelection selection;
    selection.printerType = PrinterType::Receipt;
    selection.modelName = "VT-R80";
    selection.osIndex = OsIndex::Windows7;
    selection.installMode = mode;
    selection.portName = port;
    selection.raster = 1;
    selection.setAsDefault = 1;
    selection.serial = {9600, 8, 1.0, 'N', 'X'};
    return selection;
}

void DeletePrinters(const std::string& model) {
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count);
    std::string buffer(needed, '\0');
    if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, reinterpret_cast<BYTE*>(buffer.data()), needed, &needed,
                       &count)) {
        return;
    }
    const auto* printers = reinterpret_cast<const PRINTER_INFO_4A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        if (std::string(printers[i].pPrinterName).rfind(model, 0) != 0) continue;
        PRINTER_DEFAULTSA access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        HANDLE printer = nullptr;
        if (OpenPrinterA(printers[i].pPrinterName, &printer, &access)) {
            DeletePrinter(printer);
            ClosePrinter(printer);
        }
    }
}

bool PrinterExists(const char* name) {
    HANDLE printer = nullptr;
    if (!OpenPrinterA(const_cast<char*>(name), &printer, nullptr)) return false;
    ClosePrinter(printer);
    return true;
}

bool SpoolerRunsAgain() {
    for (int wait = 0; wait < 50; ++wait) {
        if (SpoolerState() == SERVICE_RUNNING) return true;
        Sleep(100);
    }
    // Started again, so that the next run does not inherit this one's fault.
    UniqueServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueServiceHandle spooler(OpenServiceA(manager.get(), "Spooler", SERVICE_START));
    StartServiceA(spooler.get(), 0, nullptr);
    return false;
}

struct RunResult {
    bool ran = false;
    int outcome = 0;
    int exitCode = 0;
    std::string resultText, journal, printerName;
    std::vector<Notice> notices;
    DWORD milliseconds = 0;
};

RunResult RunQuietly(SweptPath path, int failAt) {
    DeletePrinters(path.selection.modelName);
    // A network port is created by each run: a new address each time.
    static int runs = 0;
    ++runs;
    if (!path.selection.ipAddressBlank) {
        path.selection.ipAddress = "10.0." + std::to_string(runs / 250) + "." + std::to_string(runs % 250 + 1);
    }
    if (path.updateUsbMonitor) {
        CRegistryKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, MonitorKeyPath("Vantora USB Port").c_str())) key.SetDword("DriverVersion", 1);
    }
    if (path.restoreCoreFiles) {
        for (const char* name : kCoreFiles) DeleteFileA((PrinterDriverDirectory() + "\\" + name).c_str());
    }
    const std::string journal = ProgramFolder() + "sweep.log";
    DeleteFileA(journal.c_str());
    OpenJournal(journal);
    RunResult result;
    {
        NoticeRecorder notices;
        Sweep::calls = 0;
        Sweep::failAt = failAt;
        WrapEverySystemCall();
        const DWORD start = GetTickCount();
        CInstallCommand command(nullptr, InstallFace::Quiet);
        result.ran = command.Run(path.selection);
        result.milliseconds = GetTickCount() - start;
        ResetSystemCalls();
        result.outcome = command.Outcome();
        // What the unattended mode answers its caller.
        result.exitCode = InstallExitCode(result.ran, result.outcome, command.RestartRequired());
        result.resultText = command.Request().resultText;
        result.printerName = command.Request().modelName;
        result.notices = notices.notices;
    }
    CloseJournal();
    result.journal = ReadWholeFile(journal);
    return result;
}

// The figures of one sweep and the defects it found, each told in full.
struct Figures {
    int sites = 0, endedCleanly = 0, tolerated = 0;
    std::string perPath;
    std::vector<std::string> defects;
};

// A failing line names its step ("<step>: <what>: failed, error N") and the injected code.
bool JournalNamesTheFailure(const std::string& journal, DWORD code, bool insideTheWorker) {
    const std::string mark = ": failed, error " + std::to_string(code);
    for (std::size_t at = journal.find(mark); at != std::string::npos; at = journal.find(mark, at + 1)) {
        const std::size_t lineStart = journal.rfind('\n', at) + 1;
        const std::string line = journal.substr(lineStart, at - lineStart);
        if (!insideTheWorker) return true;
        for (int step = 0; step <= static_cast<int>(InstallStep::StoreSerialSettings); ++step) {
            if (line.find(std::string(InstallStepName(static_cast<InstallStep>(step))) + ": ") != std::string::npos) {
                return true;
            }
        }
    }
    return false;
}

void SweepPath(const SweptPath& path, Figures& figures) {
    Sweep::names.clear();
    const RunResult clean = RunQuietly(path, -1);
    ASSERT_EQ(CInstallProgressDlg::kSucceeded, clean.outcome) << path.name << ": " << clean.resultText;
    ASSERT_EQ(0, clean.exitCode) << path.name;
    ASSERT_TRUE(PrinterExists(clean.printerName.c_str())) << path.name;
    const std::vector<std::string> sites = Sweep::names;
    figures.perPath += std::string(figures.perPath.empty() ? "" : ", ") + path.name + " " + std::to_string(sites.size());
    const std::string restartNotices[] = {MessageText("IDS_INF_NTRESTART"), MessageText("IDS_INF_USBRESTART")};

    for (int site = 0; site < static_cast<int>(sites.size()); ++site) {
        const RunResult run = RunQuietly(path, site);
        ++figures.sites;
        const std::string where = std::string(path.name) + ", call " + std::to_string(site + 1) + " (" +
                                  Sweep::failedEntry + ", error " + std::to_string(Sweep::injected) + "): ";
        std::vector<std::string> faults;
        if (run.milliseconds > 60000) faults.push_back("took " + std::to_string(run.milliseconds) + " ms");
        const bool succeeded = run.ran && run.outcome == CInstallProgressDlg::kSucceeded;
        if (succeeded) {
            if (!PrinterExists(run.printerName.c_str())) faults.push_back("success without the printer");
            if (run.exitCode != 0) faults.push_back("exit code " + std::to_string(run.exitCode) + " after a success");
            if (NeverHarmless(Sweep::failedEntry)) faults.push_back("success although it failed");
        } else {
            const bool workerFailed = run.ran;
            // Before the worker the command tells the user itself; unattended that is the
            // journal's message line.
            std::string told = run.resultText;
            if (!workerFailed) {
                const std::size_t message = run.journal.rfind("Message: ");
                if (message != std::string::npos) {
                    told = run.journal.substr(message + 9, run.journal.find('\n', message) - message - 9);
                }
                while (!told.empty() && (told.back() == '\r' || told.back() == ' ')) told.pop_back();
            }
            if (told.empty()) faults.push_back("failure without a text naming what failed");
            for (const std::string& restart : restartNotices) {
                bool told = run.journal.find("Closing message: " + restart) != std::string::npos;
                for (const Notice& notice : run.notices) told = told || notice.text == restart;
                if (told) faults.push_back("the success notice after a failure");
            }
            if (run.exitCode != 1603) faults.push_back("exit code " + std::to_string(run.exitCode) + " after a failure");
            if (!JournalNamesTheFailure(run.journal, Sweep::injected, workerFailed)) {
                faults.push_back("no journal line with the step and the code");
            }
        }
        if (!SpoolerRunsAgain()) faults.push_back("the Spooler service left stopped");
        if (!faults.empty()) {
            std::string text = where;
            for (const std::string& fault : faults) text += fault + "; ";
            figures.defects.push_back(text + "text \"" + run.resultText + "\"");
        } else if (succeeded) {
            ++figures.tolerated;
        } else {
            ++figures.endedCleanly;
        }
    }
}

void PrintFigures(const char* profile, const Figures& figures) {
    std::printf("fault sweep (%s): %d call sites swept, %d failures ended cleanly, %d tolerated, %zu defects\n",
                profile, figures.sites, figures.endedCleanly, figures.tolerated, figures.defects.size());
    std::printf("  call sites per path: %s\n", figures.perPath.c_str());
    for (const std::string& defect : figures.defects) std::printf("  defect: %s\n", defect.c_str());
}

}  // namespace

namespace {

bool IsWow64() {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    return wow64 != FALSE;
}

// The USB driver package in place and one printer connected, answering on port 1.
void PrepareUsb(bool is64) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    CFileSystemRedirectionOff redirection;
    CopyFileA((ProgramFolder() + (is64 ? "USBDRV\\USBDriver_x64\\VTPUSB.sys" : "USBDRV\\USBDriver\\VTPUSB.sys")).c_str(),
              (std::string(windows) + "\\System32\\drivers\\VTPUSB.sys").c_str(), FALSE);
    WriteTextFile(ProgramFolder(), "VtUsbInt.printers", "0 0\n");
}

// The stand-in registered as the Standard TCP/IP Port monitor, as network_tests use it.
void InstallTcpIpStandIn() {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof system);
    CopyFileA((ProgramFolder() + "tcpip-monitor\\TCPMONFX.DLL").c_str(), (std::string(system) + "\\TCPMONFX.DLL").c_str(),
              FALSE);
    MONITOR_INFO_2A monitor = {const_cast<char*>("Standard TCP/IP Port"), nullptr, const_cast<char*>("TCPMONFX.DLL")};
    AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&monitor));
}

// Every call the table carries, failed once each at every place an installation makes it:
// the installation ends, says what failed (or, where the failure is harmless, installs the
// printer), never shows the success notice after a failure, leaves printing running, and
// its journal names the step and the code.
TEST(FaultSweepTest, EveryFailingSystemCallEndsTheInstallationCleanly) {
    const bool is64 = IsWow64();
    ProcessSettings::SetIs64BitWindows(is64);
    PrepareUsb(is64);
    StartSpooler();
    ASSERT_EQ(static_cast<DWORD>(SERVICE_RUNNING), WaitSpoolerRunning().value);
    PlaceDriverStore(is64);
    SweptPath restoring{"parallel with the core-file restore", Selection("LPT1:"), false, true};
    restoring.selection.printerType = PrinterType::Embedded;
    restoring.selection.modelName = "VT-E20";
    restoring.selection.raster = 0;
    std::vector<SweptPath> paths = {{"parallel", Selection("LPT1:"), false},
                                    {"USB", Selection("USB_VT-R80_1", InstallMode::Typical), is64},
                                    restoring};
    if (is64) {
        // The spooler in this 32-bit process loads the monitors' 32-bit builds from here.
        char system[MAX_PATH] = {};
        GetSystemDirectoryA(system, sizeof system);
        for (const char* file : {"VTCOMMON.DLL", "VTUSBMON.DLL", "VTLMON.DLL"}) {
            CopyFileA((ProgramFolder() + "system32\\" + file).c_str(), (std::string(system) + "\\" + file).c_str(), FALSE);
        }
        paths.push_back({"serial", Selection("COM1:"), false});
        InstallTcpIpStandIn();
        SweptPath network{"network", Selection("NET:"), false};
        network.selection.ipAddressBlank = false;
        paths.push_back(network);
    }
    Figures figures;
    for (const SweptPath& path : paths) {
        RunQuietly(path, -1);  // installs the components once; every later run finds them
        SweepPath(path, figures);
        DeletePrinters(path.selection.modelName);
    }
    DeleteFileA((ProgramFolder() + "VtUsbInt.printers").c_str());
    PrintFigures(is64 ? "Windows 7 x64" : "32-bit Windows 7", figures);
    EXPECT_GT(figures.sites, 0);
    EXPECT_TRUE(figures.defects.empty()) << figures.defects.size() << " defects, the first: " << figures.defects[0];
}

}  // namespace
