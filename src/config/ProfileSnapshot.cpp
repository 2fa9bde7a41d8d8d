#include "config/ProfileSnapshot.h"

#include <windows.h>

#include <cctype>
#include <cstring>

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

// Names and values are C strings to the profile functions: a NUL byte ends them.
std::string UpToNul(std::string text) {
    text.resize(std::strlen(text.c_str()));
    return text;
}

std::string Lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// The profile functions read a file that starts with the UTF-16LE mark as Unicode, and
// the ANSI functions hand its names and values back in the ANSI code page.
std::string AnsiFromUtf16(const std::string& bytes) {
    const std::size_t units = (bytes.size() - 2) / 2;
    if (units == 0) return std::string();
    std::wstring wide(units, L'\0');
    std::memcpy(wide.data(), bytes.data() + 2, units * sizeof(wchar_t));
    const int count = static_cast<int>(units);
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), count, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), count, ansi.data(), size, nullptr, nullptr);
    return ansi;
}

// A lookup hands the value back without one pair of matching quotes around it.
std::string WithoutQuotes(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

std::string FoldProfileName(const std::string& name) {
    return Lowered(Trimmed(name.data(), name.data() + name.size()));
}

CProfileSnapshot CProfileSnapshot::FromText(const std::string& text) {
    CProfileSnapshot snapshot;
    snapshot.Parse(text);
    return snapshot;
}

void CProfileSnapshot::Parse(const std::string& file) {
    loaded_ = true;
    const bool unicode = StartsWith(file, "\xFF\xFE");
    const std::string decoded = unicode ? AnsiFromUtf16(file) : std::string();
    const std::string& text = unicode ? decoded : file;
    const char* p = text.data();
    const char* end = p + text.size();
    // The profile functions do not recognise a UTF-8 mark: it stays part of the first line,
    // which then never reads as a section header.
    if (StartsWith(text, "\xEF\xBB\xBF")) {
        const char* begin = p + 3;
        const char* stop = begin;
        while (stop < end && *stop != '\n') ++stop;
        while (begin < stop && IsProfileBlank(*begin)) ++begin;
        const char* close = stop;
        while (close > begin && close[-1] != ']') --close;
        if (begin < stop && *begin == '[' && close > begin + 1)
            sectionBehindUtf8Mark_ = UpToNul(std::string(begin + 1, close - 1));
    }
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
                std::string name = UpToNul(std::string(begin + 1, close - 1));
                std::string folded = Lowered(UpToNul(Trimmed(begin + 1, close - 1)));
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
        Entry entry{UpToNul(Trimmed(begin, equals)), std::string(), equals < stop};
        if (entry.hasValue) entry.value = WithoutQuotes(UpToNul(Trimmed(equals + 1, stop)));
        std::string folded = Lowered(entry.key);
        if (current->byKey.count(folded) != 0) continue;
        current->byKey.emplace(folded, current->entries.size());
        current->entries.push_back(std::move(entry));
    }
}

bool CProfileSnapshot::HasSection(const std::string& section) const {
    // An empty name finds nothing, not even a "[]" header: a lookup gives its default.
    const std::string folded = FoldProfileName(section);
    return !folded.empty() && sections_.count(folded) != 0;
}

std::optional<std::string> CProfileSnapshot::Find(const std::string& section, const std::string& key) const {
    const std::string folded = FoldProfileName(section);
    auto found = folded.empty() ? sections_.end() : sections_.find(folded);
    if (found == sections_.end()) return std::nullopt;
    const std::string foldedKey = FoldProfileName(key);
    if (foldedKey.empty()) return std::nullopt;
    auto entry = found->second.byKey.find(foldedKey);
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
