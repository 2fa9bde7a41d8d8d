#include "platform/Journal.h"

#include "framework/Lock.h"
#include "framework/TextFormat.h"
#include "framework/UniqueResource.h"
#include "platform/ErrorText.h"
#include "platform/SystemCalls.h"

#include <cstdio>
#include <mutex>
#include <string_view>
#include <vector>

namespace {

// Start-up says little before an installation opens the journal; a bound keeps a
// long wizard session from holding more than that.
constexpr std::size_t kHeldLinesLimit = 500;

// Names tried for a new journal before giving up: enough for any number of files a user
// could plant ahead of a run, few enough that a full folder ends the search at once.
constexpr int kNewNameTries = 100;

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

struct JournalState {
    CLock lock;
    UniqueFileHandle file;
    std::string path;
    // An explicit journal: shared with other runs, and when it fails, given way to a
    // default one, once.
    bool fallsBack = false;
    std::vector<std::string> held;
    std::string step;
};

JournalState& State() {
    static JournalState state;
    return state;
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length, nullptr,
                            nullptr);
    return utf8;
}

// Compared by their ASCII letters only: every name the rules below look for is ASCII.
bool StartsWith(const std::wstring& text, std::wstring_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        wchar_t a = text[i], b = prefix[i];
        if (a >= L'a' && a <= L'z') a = static_cast<wchar_t>(a - 0x20);
        if (b >= L'a' && b <= L'z') b = static_cast<wchar_t>(b - 0x20);
        if (a != b) return false;
    }
    return true;
}

bool SameName(const std::wstring& text, std::wstring_view name) {
    return text.size() == name.size() && StartsWith(text, name);
}

// The names Windows resolves to a device in any folder and with any extension
// (Microsoft's "Naming Files, Paths, and Namespaces"); the superscript digits count too.
bool IsDeviceName(const std::wstring& name) {
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (SameName(name, device)) return true;
    if (name.size() != 4 || !(StartsWith(name, L"COM") || StartsWith(name, L"LPT"))) return false;
    const wchar_t digit = name[3];
    return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

// Called with the lock held.
bool WriteLocked(JournalState& state, const std::string& line);

// Called with the lock held. The file is new: the mark, then the note (if any), then what
// was held, each its own write.
bool AdoptLocked(JournalState& state, HANDLE file, const std::string& path, bool created, bool fallsBack,
                 const std::string& note) {
    state.file.reset(file);
    state.path = path;
    state.fallsBack = fallsBack;
    DWORD written = 0;
    if (created && !WriteFile(file, kByteOrderMark, 3, &written, nullptr)) {
        state.file.reset();
        state.path.clear();
        return false;
    }
    if (!note.empty()) WriteLocked(state, note);
    std::vector<std::string> held;
    held.swap(state.held);
    for (const std::string& line : held) WriteLocked(state, line);
    return static_cast<bool>(state.file);
}

// Called with the lock held.
bool OpenNewLocked(JournalState& state, const std::string& firstPath, const std::string& note) {
    if (firstPath.empty()) return false;
    const std::size_t dot = firstPath.find_last_of(".\\");
    const std::size_t stem = dot != std::string::npos && firstPath[dot] == '.' ? dot : firstPath.size();
    for (int attempt = 1; attempt <= kNewNameTries; ++attempt) {
        const std::string path = attempt == 1 ? firstPath
                                              : firstPath.substr(0, stem) + "-" + std::to_string(attempt) +
                                                    firstPath.substr(stem);
        // CREATE_NEW fails on any name that exists, a link included, without following it.
        HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file != INVALID_HANDLE_VALUE) return AdoptLocked(state, file, path, true, false, note);
        const DWORD error = GetLastError();
        // A folder of that name answers "access denied"; anything else ends the search.
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED) break;
    }
    return false;
}

// The explicit journal, for appending only (no FILE_WRITE_DATA: every write lands at the
// end, whoever else appends meanwhile), shared with other runs. The link itself is opened,
// never what it points to. A file this run creates gets its byte-order mark at once, before
// another run can append to it; whether a file was created is taken from CREATE_NEW, which
// only one of two runs starting together can win.
UniqueFileHandle OpenForAppending(const std::string& path, DWORD& error) {
    // Reading only for the lock on each write.
    constexpr DWORD kAccess = FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES;
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    constexpr DWORD kFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    for (int attempt = 0; attempt < 3; ++attempt) {
        UniqueFileHandle file(CreateFileA(path.c_str(), kAccess, kShare, nullptr, CREATE_NEW, kFlags, nullptr));
        if (file) {
            DWORD written = 0;
            if (!WriteFile(file.get(), kByteOrderMark, 3, &written, nullptr)) {
                error = GetLastError();
                file.reset();
            }
            return file;
        }
        error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return file;
        file.reset(CreateFileA(path.c_str(), kAccess, kShare, nullptr, OPEN_EXISTING, kFlags, nullptr));
        error = GetLastError();
        // Removed in between: try creating it again.
        if (file || error != ERROR_FILE_NOT_FOUND) return file;
    }
    return UniqueFileHandle();
}

std::string Stamped(const std::string& text) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string line = JournalTimeStamp(now) + "  " + JournalText(text);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    line += "\r\n";
    return line;
}

// Called with the lock held: the explicit journal at the state's path failed for why.
void FallBackLocked(JournalState& state, std::string failedPath, const std::string& why) {
    state.file.reset();
    const std::string note = Stamped("The journal \"" + failedPath + "\" " + why);
    OpenNewLocked(state, DefaultJournalPath(), note);
    // Nowhere to write: what follows is dropped, not held.
    if (!state.file) state.path = failedPath;
}

// Another run's turn at a shared journal. Windows appends each write of an append-only
// handle whole, but under Wine two processes appending at once overwrite each other's lines:
// a lock on a byte far past any journal's end orders the writers on both. It is waited for
// only a moment: a process that holds it cannot stop a run.
class CAppendTurn {
public:
    explicit CAppendTurn(HANDLE file) : file_(file) {
        for (int tries = 0; tries < 50 && !locked_; ++tries) {
            OVERLAPPED at = Far();
            locked_ = LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != FALSE;
            if (!locked_) Sleep(1);
        }
    }
    ~CAppendTurn() {
        OVERLAPPED at = Far();
        if (locked_) UnlockFileEx(file_, 0, 1, 0, &at);
    }
    CAppendTurn(const CAppendTurn&) = delete;
    CAppendTurn& operator=(const CAppendTurn&) = delete;

private:
    static OVERLAPPED Far() {
        OVERLAPPED at = {};
        at.OffsetHigh = 0x40000000;
        return at;
    }
    HANDLE file_;
    bool locked_ = false;
};

bool WriteLocked(JournalState& state, const std::string& line) {
    DWORD written = 0;
    // One WriteFile per line: the system keeps it even if this process dies next, and
    // another run appending to the same file never splits it.
    BOOL wrote = FALSE;
    if (state.fallsBack) {
        CAppendTurn turn(state.file.get());
        wrote = WriteFile(state.file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    } else {
        wrote = WriteFile(state.file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    if (wrote) return true;
    const DWORD error = GetLastError();
    if (!state.fallsBack) {
        state.file.reset();
        return false;
    }
    FallBackLocked(state, state.path, "cannot be written, so it continues here: " + DescribeForJournal(error));
    return state.file && WriteLocked(state, line);
}

}  // namespace

std::string JournalTimeStamp(const SYSTEMTIME& time) {
    return JoinNumbers("", {{time.wYear, 4, "-"},
                            {time.wMonth, 2, "-"},
                            {time.wDay, 2, " "},
                            {time.wHour, 2, ":"},
                            {time.wMinute, 2, ":"},
                            {time.wSecond, 2, "."},
                            {time.wMilliseconds, 3, ""}});
}

std::string JournalText(const std::string& text) {
    std::wstring line;
    for (const wchar_t c : Widen(text)) {
        // A journal line is one line: a text with line breaks (catalogue texts have them)
        // is folded onto it.
        if (c == L'\r') continue;
        if (c == L'\n') {
            line += L' ';
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            static constexpr wchar_t kHex[] = L"0123456789abcdef";
            line += L"\\x";
            line += kHex[(c >> 4) & 0xF];
            line += kHex[c & 0xF];
        } else {
            line += c;
        }
    }
    return ToUtf8(line);
}

std::string JournalPathRefusal(const std::string& path) {
    std::wstring name = Widen(path);
    for (wchar_t& c : name)
        if (c == L'/') c = L'\\';
    if (StartsWith(name, L"\\\\.\\")) return "is a device path, not a file";
    // \\?\ and \??\ hand the rest to the object manager unparsed: only a drive or a share
    // is a file system there (\\?\GLOBALROOT\..., \\?\pipe\..., \\?\COM1 are not).
    if (StartsWith(name, L"\\\\?\\") || StartsWith(name, L"\\??\\")) {
        const std::wstring rest = name.substr(4);
        const bool drive = rest.size() >= 3 && ((rest[0] | 0x20) >= L'a' && (rest[0] | 0x20) <= L'z') &&
                           rest[1] == L':' && rest[2] == L'\\';
        if (StartsWith(rest, L"UNC\\")) {
            name = L"\\\\" + rest.substr(4);
        } else if (drive) {
            name = rest;
        } else {
            return "is a device path, not a file";
        }
    }
    if (StartsWith(name, L"\\\\")) {
        const std::size_t share = name.find(L'\\', 2);
        if (share != std::wstring::npos) {
            const std::wstring shareName = name.substr(share + 1, name.find(L'\\', share + 1) - share - 1);
            if (SameName(shareName, L"PIPE") || SameName(shareName, L"MAILSLOT"))
                return "names a pipe or a mailslot, not a file";
        }
    }
    // Only the last part decides; a drive-relative "C:NUL" names the device too.
    std::size_t start = name.find_last_of(L'\\');
    start = start == std::wstring::npos ? (name.size() >= 2 && name[1] == L':' ? 2 : 0) : start + 1;
    std::wstring base = name.substr(start);
    base = base.substr(0, base.find_first_of(L".:"));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    if (IsDeviceName(base)) return "names the device " + ToUtf8(base) + ", not a file";
    return {};
}

std::string JournalFileRefusal(DWORD fileType, const BY_HANDLE_FILE_INFORMATION& file) {
    if (fileType != FILE_TYPE_DISK) return "is not a file on a disk";
    if (file.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return "is a symbolic link or a junction";
    if (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return "is a folder";
    if (file.nNumberOfLinks > 1) return "is a file with " + std::to_string(file.nNumberOfLinks) + " hard links";
    return {};
}

bool OpenJournal(const std::string& path, std::string* refusal) {
    std::string reason = JournalPathRefusal(path);
    UniqueFileHandle file;
    DWORD error = ERROR_SUCCESS;
    if (reason.empty() && !path.empty()) {
        file = OpenForAppending(path, error);
        if (file) {
            BY_HANDLE_FILE_INFORMATION information = {};
            const DWORD type = GetFileType(file.get());
            const bool known = GetFileInformationByHandle(file.get(), &information) != FALSE;
            if (!known) error = GetLastError();
            if (type != FILE_TYPE_DISK || known) reason = JournalFileRefusal(type, information);
            if (!known && reason.empty()) file.reset();
        }
        // Created by another run a moment ago: its mark comes first.
        for (int wait = 0; file && reason.empty() && wait < 20 && GetFileSize(file.get(), nullptr) == 0; ++wait)
            Sleep(10);
    }
    if (!reason.empty()) {
        if (refusal != nullptr) *refusal = reason;
        return false;
    }
    JournalState& state = State();
    std::lock_guard<CLock> guard(state.lock);
    if (!file) {
        FallBackLocked(state, path, "cannot be opened, so it is written here: " + DescribeForJournal(error));
        return static_cast<bool>(state.file);
    }
    AdoptLocked(state, file.release(), path, false, true, std::string());
    return static_cast<bool>(state.file);
}

bool OpenNewJournal(const std::string& firstPath) {
    JournalState& state = State();
    std::lock_guard<CLock> guard(state.lock);
    return OpenNewLocked(state, firstPath, std::string());
}

bool OpenDefaultJournal() { return OpenNewJournal(DefaultJournalPath()); }

bool JournalIsOpen() {
    JournalState& state = State();
    std::lock_guard<CLock> guard(state.lock);
    return static_cast<bool>(state.file);
}

std::string JournalPath() {
    JournalState& state = State();
    std::lock_guard<CLock> guard(state.lock);
    return state.file ? state.path : std::string();
}

void CloseJournal() {
    JournalState& state = State();
    std::lock_guard<CLock> guard(state.lock);
    state.file.reset();
    state.path.clear();
    state.fallsBack = false;
    state.held.clear();
}

namespace {
const char* journalNamePrefix = "PrinterDriverSetup-";
}  // namespace

void SetDefaultJournalPrefix(const char* prefix) { journalNamePrefix = prefix; }

std::string DefaultJournalPath() {
    char folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder) return std::string();
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string name = JoinNumbers(journalNamePrefix, {{now.wYear, 4, ""},
                                                                 {now.wMonth, 2, ""},
                                                                 {now.wDay, 2, "-"},
                                                                 {now.wHour, 2, ""},
                                                                 {now.wMinute, 2, ""},
                                                                 {now.wSecond, 2, "-"},
                                                                 {now.wMilliseconds, 3, "-"},
                                                                 {GetCurrentProcessId(), 0, ".log"}});
    std::string path(folder, length);
    if (path.back() != '\\') path += '\\';
    path += name;
    // Room for the suffix of a name taken by someone else.
    return path.size() + 4 < MAX_PATH ? path : std::string();
}

void JournalLine(const std::string& text) {
    const std::string line = Stamped(text);
    JournalState& state = State();
    std::lock_guard<CLock> guard(state.lock);
    if (state.file) {
        WriteLocked(state, line);
    } else if (state.path.empty() && state.held.size() < kHeldLinesLimit) {
        state.held.push_back(line);
    }
}

std::string DescribeForJournal(DWORD code) {
    std::string text = "error " + std::to_string(code);
    std::string description;
    if (DescribeSystemError(code, description)) text += ": " + description;
    return text;
}

void SetJournalStep(const std::string& step) {
    JournalState& state = State();
    std::lock_guard<CLock> guard(state.lock);
    state.step = step;
}

void JournalResult(const std::string& what, bool succeeded, DWORD code) {
    if (succeeded) {
        JournalLine(what + ": done");
        return;
    }
    std::string step;
    {
        JournalState& state = State();
        std::lock_guard<CLock> guard(state.lock);
        step = state.step;
    }
    const std::string line = (step.empty() ? std::string() : step + ": ") + what + ": failed";
    JournalLine(code == 0 ? line : line + ", " + DescribeForJournal(code));
}

BOOL CopyFileWithJournal(const std::string& source, const std::string& target, BOOL failIfExists) {
    const BOOL copied = SystemCalls().CopyFileA(source.c_str(), target.c_str(), failIfExists);
    const DWORD code = copied ? ERROR_SUCCESS : GetLastError();
    JournalResult("Copy " + source + " to " + target, copied != FALSE, code);
    SetLastError(code);
    return copied;
}
