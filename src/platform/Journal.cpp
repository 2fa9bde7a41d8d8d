#include "platform/Journal.h"

#include "framework/UniqueResource.h"
#include "platform/ErrorText.h"
#include "platform/SystemCalls.h"

#include <cstdio>
#include <mutex>
#include <vector>

namespace {

// Start-up says little before an installation opens the journal; a bound keeps a
// long wizard session from holding more than that.
constexpr std::size_t kHeldLinesLimit = 500;

// A critical section, not std::mutex: the thread library that std::mutex brings with it
// would be the largest part of the executable's growth.
class CLock {
public:
    CLock() { InitializeCriticalSection(&section_); }
    ~CLock() { DeleteCriticalSection(&section_); }
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;
    void lock() { EnterCriticalSection(&section_); }
    void unlock() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

struct JournalState {
    CLock lock;
    UniqueHandle file;
    std::string path;
    std::vector<std::string> held;
    std::string step;
};

JournalState& State() {
    static JournalState state;
    return state;
}

// Called with the lock held.
void WriteRaw(JournalState& state, const std::string& line) {
    DWORD written = 0;
    // One WriteFile per line: the system keeps it even if this process dies next.
    if (!WriteFile(state.file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) {
        state.file.reset();
    }
}

std::string Stamped(const std::string& text) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string line = JournalTimeStamp(now);
    line += "  ";
    // A journal line is one line: a text with line breaks (catalogue texts have them)
    // is folded onto it.
    for (char c : text) {
        if (c == '\r') continue;
        line += c == '\n' ? ' ' : c;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    line += "\r\n";
    return line;
}

}  // namespace

std::string JournalTimeStamp(const SYSTEMTIME& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", time.wYear, time.wMonth, time.wDay,
                  time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
    return text;
}

bool OpenJournal(const std::string& path) {
    JournalState& state = State();
    std::lock_guard<CLock> guard(state.lock);
    if (path.empty()) return false;
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    state.file.reset(file);
    state.path = path;
    for (const std::string& line : state.held) WriteRaw(state, line);
    state.held.clear();
    return state.file.get() != nullptr;
}

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
    state.held.clear();
}

std::string DefaultJournalPath() {
    char folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder) return std::string();
    SYSTEMTIME now;
    GetLocalTime(&now);
    char name[96];
    std::snprintf(name, sizeof name, "PrinterDriverSetup-%04u%02u%02u-%02u%02u%02u-%03u-%lu.log", now.wYear,
                  now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                  static_cast<unsigned long>(GetCurrentProcessId()));
    std::string path(folder, length);
    if (path.back() != '\\') path += '\\';
    path += name;
    return path.size() < MAX_PATH ? path : std::string();
}

void JournalLine(const std::string& text) {
    const std::string line = Stamped(text);
    JournalState& state = State();
    std::lock_guard<CLock> guard(state.lock);
    if (state.file) {
        WriteRaw(state, line);
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
