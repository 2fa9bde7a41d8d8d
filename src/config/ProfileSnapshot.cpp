#include "config/ProfileSnapshot.h"

#include <windows.h>

#include <cctype>

namespace {

// The profile functions count the end-of-file mark 0x1A as a blank too.
bool IsProfileBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string Trimmed(const char* begin, const char* end) {
    while (begin < end && IsProfileBlank(*begin)) ++begin;
    while (end > begin && IsProfileBlank(end[-1])) --end;
    return std::string(begin, end);
}

// A lookup hands the value back without one pair of matching quotes around it.
std::string WithoutQuotes(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

std::string FoldProfileName(const std::string& name) {
    std::string folded = Trimmed(name.data(), name.data() + name.size());
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

CProfileSnapshot::CProfileSnapshot(const std::string& path) {
    if (path.empty()) return;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    std::string text;
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(file, &size) != 0 && size.QuadPart < 0x40000000;
    if (ok) {
        text.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD read = 0;
        ok = text.empty() || (ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr) != 0);
        text.resize(read);
    }
    CloseHandle(file);
    if (!ok) return;
    Parse(text);
}

CProfileSnapshot CProfileSnapshot::FromText(const std::string& text) {
    CProfileSnapshot snapshot;
    snapshot.Parse(text);
    return snapshot;
}

void CProfileSnapshot::Parse(const std::string& text) {
    loaded_ = true;
    const char* p = text.data();
    const char* end = p + text.size();
    // A UTF-8 byte-order mark is not part of the first line.
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) p += 3;
    Section* current = nullptr;
    while (p < end) {
        const char* lineEnd = p;
        while (lineEnd < end && *lineEnd != '\n') ++lineEnd;
        const char* next = lineEnd < end ? lineEnd + 1 : end;
        const char* begin = p;
        while (begin < lineEnd && IsProfileBlank(*begin)) ++begin;
        const char* stop = lineEnd;
        while (stop > begin && IsProfileBlank(stop[-1])) --stop;
        p = next;
        if (begin == stop) continue;
        if (*begin == '[') {
            // The name runs to the last "]"; a header without one is read as a key line.
            const char* close = stop;
            while (close > begin && close[-1] != ']') --close;
            if (close > begin + 1) {
                std::string name(begin + 1, close - 1);
                std::string folded = FoldProfileName(name);
                // A lookup finds the first section of a name only: a repeated one is never read.
                if (sections_.count(folded) != 0) {
                    current = nullptr;
                    continue;
                }
                sectionNames_.push_back(name);
                current = &sections_.emplace(folded, Section{}).first->second;
                continue;
            }
        }
        if (current == nullptr) continue;   // lines before the first section belong to none we read
        const char* equals = begin;
        while (equals < stop && *equals != '=') ++equals;
        Entry entry{Trimmed(begin, equals), std::string(), equals < stop};
        if (entry.hasValue) entry.value = WithoutQuotes(Trimmed(equals + 1, stop));
        std::string folded = FoldProfileName(entry.key);
        if (current->byKey.count(folded) != 0) continue;
        current->byKey.emplace(folded, current->entries.size());
        current->entries.push_back(std::move(entry));
    }
}

bool CProfileSnapshot::HasSection(const std::string& section) const {
    return sections_.count(FoldProfileName(section)) != 0;
}

std::optional<std::string> CProfileSnapshot::Find(const std::string& section, const std::string& key) const {
    auto found = sections_.find(FoldProfileName(section));
    if (found == sections_.end()) return std::nullopt;
    auto entry = found->second.byKey.find(FoldProfileName(key));
    if (entry == found->second.byKey.end()) return std::nullopt;
    // A line without "=" names no value: the lookup gives its default.
    const Entry& line = found->second.entries[entry->second];
    if (!line.hasValue) return std::nullopt;
    return line.value;
}

std::string CProfileSnapshot::Read(const std::string& section, const std::string& key, std::size_t maxChars) const {
    std::optional<std::string> value = Find(section, key);
    std::string text = value ? *value : std::string("0");
    if (text.size() > maxChars) text.resize(maxChars);
    return text;
}

std::vector<CProfileSnapshot::Entry> CProfileSnapshot::Entries(const std::string& section) const {
    auto found = sections_.find(FoldProfileName(section));
    if (found == sections_.end()) return {};
    return found->second.entries;
}
