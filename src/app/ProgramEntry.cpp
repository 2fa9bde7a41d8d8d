#include "app/ProgramEntry.h"

#include "app/CommandLine.h"

#include "config/ProcessSettings.h"
#include "config/ProductVersion.h"
#include "config/SetupConfig.h"
#include "framework/ProgramPaths.h"
#include "framework/TextFormat.h"
#include "framework/UniqueResource.h"
#include "platform/Journal.h"
#include "platform/SystemCalls.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr const char* kCopiedFiles[] = {"Uninstall.exe", "language\\setup.ini"};
constexpr char kSettingsFile[] = "DRVCONFIG\\setup.ini";

RegistryValue Text(const char* name, const std::string& text) { return {name, REG_SZ, text + '\0'}; }
RegistryValue Number(const char* name, DWORD number) {
    return {name, REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number)};
}

// The 32-bit view whatever Windows runs: a 32-bit installer's entry. Named only on 64-bit
// Windows: Windows 2000 knows no views.
REGSAM View() { return ProcessSettings::Is64BitWindows() ? KEY_WOW64_32KEY : 0; }

// The entry's key, open in that view; closed with the owner.
struct EntryKey {
    HKEY key = nullptr;
    EntryKey() = default;
    EntryKey(const EntryKey&) = delete;
    EntryKey& operator=(const EntryKey&) = delete;
    ~EntryKey() {
        if (key != nullptr) RegCloseKey(key);
    }
};

// The last error says why it could not be opened or created.
bool OpenEntry(EntryKey& entry, const char* path, bool create) {
    const REGSAM access = KEY_READ | KEY_WRITE | View();
    const LONG status = create ? RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, access, nullptr, &entry.key,
                                                 nullptr)
                               : RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &entry.key);
    SetLastError(static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
}

bool CreateFolder(const std::string& folder) {
    return CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

DWORD FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
}


// Deleted now, or when Windows restarts if it is in use (a running program's own file).
void DeleteOrSchedule(const std::string& path, bool folder) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    if (folder ? RemoveDirectoryA(path.c_str()) != FALSE : SystemCalls().DeleteFileA(path.c_str()) != FALSE) {
        JournalResult("Delete " + path, true);
        return;
    }
    const DWORD code = GetLastError();
    const bool scheduled = SystemCalls().MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
    JournalResult("Delete " + path + " when Windows restarts (now: error " + std::to_string(code) + ")", scheduled,
                  scheduled ? 0 : GetLastError());
}

std::uint64_t CreationTime(HANDLE process) {
    FILETIME created = {}, exited = {}, kernel = {}, user = {};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// The installed copy cannot delete its own running file: a copy of it from the temporary
// folder does, once this process has ended. This process keeps all the work and its exit
// code; false when the copy cannot be made or started.
bool HandOffOwnDeletion(const std::string& folder) {
    char temporary[MAX_PATH] = {};
    const DWORD length = GetTempPathA(sizeof temporary, temporary);
    if (length == 0 || length >= sizeof temporary) return false;
    const std::string copy = JoinPath(temporary, "PrinterDriverUninstall-" + std::to_string(GetCurrentProcessId()) + ".exe");
    if (copy.empty() || !CopyFileWithJournal(ModulePath(), copy, FALSE)) return false;
    // The pid and this process's start time: a pid reused by another process is not waited for.
    std::string command = "\"" + copy + "\" " + std::string(kOwnDeletionSwitch) + " " +
                          std::to_string(GetCurrentProcessId()) + " " + std::to_string(CreationTime(GetCurrentProcess())) +
                          " \"" + folder + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    // Inherits nothing: a caller reading this process's output is not kept waiting.
    if (!SystemCalls().CreateProcessA(copy.c_str(), command.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                                      temporary, &startup, &started)) {
        JournalResult("Start " + copy, false, GetLastError());
        SystemCalls().DeleteFileA(copy.c_str());
        return false;
    }
    const UniqueHandle thread(started.hThread);
    const UniqueHandle process(started.hProcess);
    JournalLine("Deletion of " + JoinPath(folder, "Uninstall.exe") + " and its folder handed to " + copy +
                " (process " + std::to_string(started.dwProcessId) + "), once this program has ended");
    return true;
}

// The running program is the copy in `folder`.
bool RunningFrom(const std::string& folder) { return SameText(ModulePath(), JoinPath(folder, "Uninstall.exe")); }

}  // namespace

std::vector<RegistryValue> ProgramEntryValues(const std::string& folder, const std::string& version,
                                              DWORD sizeKilobytes, const SYSTEMTIME& localDate) {
    const std::string program = "\"" + folder + "\\Uninstall.exe\"";
    return {
        Text("DisplayName", "VANTORA Printer Driver Setup"),
        Text("DisplayVersion", version),
        Text("Publisher", "Vantora"),
        Text("InstallLocation", folder),
        Text("DisplayIcon", folder + "\\Uninstall.exe,0"),
        Text("UninstallString", program),
        Text("QuietUninstallString", program + " /quiet /all"),
        Number("EstimatedSize", sizeKilobytes),
        Text("InstallDate", JoinNumbers("", {{localDate.wYear, 4, ""}, {localDate.wMonth, 2, ""}, {localDate.wDay, 2, ""}})),
        Number("NoModify", 1),
        Number("NoRepair", 1),
    };
}

std::string InstalledCopyFolder() {
    // A 32-bit process is given the 32-bit folder under this name on 64-bit Windows.
    char programFiles[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("ProgramFiles", programFiles, sizeof programFiles);
    if (length == 0 || length >= sizeof programFiles) return {};
    return std::string(programFiles) + "\\VANTORA Printer Driver Setup";
}

void WriteProgramEntry() {
    const std::string folder = InstalledCopyFolder();
    const std::string source = ProgramFolder();
    if (folder.empty() || GetFileAttributesA(JoinPath(source, "Uninstall.exe").c_str()) == INVALID_FILE_ATTRIBUTES) {
        JournalLine("Programs and Features entry not written: no Uninstall.exe beside the program");
        return;
    }
    if (!CreateFolder(folder) || !CreateFolder(folder + "\\language") || !CreateFolder(folder + "\\DRVCONFIG")) {
        JournalResult("Create the folder " + folder, false, GetLastError());
        return;
    }
    DWORD bytes = 0;
    bool copied = true;
    for (const char* file : kCopiedFiles) {
        const std::string target = JoinPath(folder, file);
        // The running uninstaller copies nothing over itself.
        if (SameText(JoinPath(source, file), target)) continue;
        copied = CopyFileWithJournal(JoinPath(source, file), target, FALSE) && copied;
        bytes += FileSize(target);
    }
    // The copy shows the texts and the font of the distribution it came from.
    const std::string settings = JoinPath(folder, kSettingsFile);
    const std::string language = std::to_string(ReadDeviceSetting(ConfigKeys::Language));
    copied = WritePrivateProfileStringA(ConfigKeys::Language.section, ConfigKeys::Language.name, language.c_str(),
                                        settings.c_str()) && copied;
    if (!copied) {
        JournalLine("Programs and Features entry not written: the uninstaller could not be copied");
        return;
    }
    SYSTEMTIME today = {};
    GetLocalTime(&today);
    EntryKey key;
    if (!OpenEntry(key, kProgramEntryKey, true)) {
        JournalResult("Write HKLM\\" + std::string(kProgramEntryKey) + " (32-bit view)", false, GetLastError());
        return;
    }
    LONG status = ERROR_SUCCESS;
    for (const RegistryValue& value : ProgramEntryValues(folder, DistributionVersion(), (bytes + 1023) / 1024, today)) {
        const LONG written = RegSetValueExA(key.key, value.name.c_str(), 0, value.type,
                                            reinterpret_cast<const BYTE*>(value.data.data()),
                                            static_cast<DWORD>(value.data.size()));
        if (written != ERROR_SUCCESS) status = written;
    }
    JournalResult("Write HKLM\\" + std::string(kProgramEntryKey) + " (32-bit view)", status == ERROR_SUCCESS,
                  static_cast<DWORD>(status));
}

void RemoveProgramEntry() {
    // RegDeleteKeyEx is Vista's: the parent, opened in the view, names the view instead.
    const std::string entry = kProgramEntryKey;
    const std::size_t slash = entry.find_last_of('\\');
    EntryKey parent;
    LONG status = OpenEntry(parent, entry.substr(0, slash).c_str(), false) ? ERROR_SUCCESS
                                                                          : static_cast<LONG>(GetLastError());
    if (status == ERROR_SUCCESS) status = RegDeleteKeyA(parent.key, entry.substr(slash + 1).c_str());
    JournalResult("Delete HKLM\\" + std::string(kProgramEntryKey) + " (32-bit view)",
                  status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND, static_cast<DWORD>(status));
    const std::string folder = InstalledCopyFolder();
    if (folder.empty() || GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    DeleteOrSchedule(JoinPath(folder, kSettingsFile), false);
    DeleteOrSchedule(JoinPath(folder, "DRVCONFIG"), true);
    const bool handedOff = RunningFrom(folder) && HandOffOwnDeletion(folder);
    for (const char* file : kCopiedFiles) {
        if (handedOff && SameText(file, "Uninstall.exe")) continue;
        DeleteOrSchedule(JoinPath(folder, file), false);
    }
    DeleteOrSchedule(JoinPath(folder, "language"), true);
    if (!handedOff) DeleteOrSchedule(folder, true);
}

int DeleteAfterEnd(const std::vector<std::string>& words) {
    if (words.size() != 4) return kExitInvalidSwitch;
    const DWORD pid = static_cast<DWORD>(std::strtoul(words[1].c_str(), nullptr, 10));
    const std::uint64_t started = std::strtoull(words[2].c_str(), nullptr, 10);
    const std::string folder = words[3];
    if (const UniqueHandle first{OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid)}) {
        const std::uint64_t created = CreationTime(first.get());
        // Bounded: a process that never ends must not keep this one waiting for ever.
        if (created == 0 || created == started) WaitForSingleObject(first.get(), 10 * 60 * 1000);
    }
    // The ended program's image can stay mapped for a moment after its process has ended.
    const std::string program = JoinPath(folder, "Uninstall.exe");
    bool deleted = false;
    for (int attempt = 0; attempt < 50 && !deleted; ++attempt) {
        deleted = SystemCalls().DeleteFileA(program.c_str()) != FALSE || GetLastError() == ERROR_FILE_NOT_FOUND;
        if (!deleted) Sleep(100);
    }
    if (!deleted) SystemCalls().MoveFileExA(program.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    // Only when empty: whatever someone else put there stays.
    if (!RemoveDirectoryA(folder.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND &&
        GetLastError() != ERROR_PATH_NOT_FOUND)
        SystemCalls().MoveFileExA(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    // This copy runs from its own file, which goes at the next restart.
    SystemCalls().MoveFileExA(ModulePath().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return 0;
}
