#include "config/ProfileReader.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <vector>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Parses the leading-digits rule into [low, high]; digits beyond the range saturate.
long long ParseSaturated(const char* text, long long low, long long high) {
    if (text == nullptr) return 0;
    const char* p = text;
    while (IsBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = (*p == '-');
        ++p;
    }
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        // Stop growing once past the range; keep scanning nothing else.
        if (value <= high) value = value * 10 + (*p - '0');
    }
    if (negative) value = -value;
    if (value < low) return low;
    if (value > high) return high;
    return value;
}

void StoreDefault(char* buffer, std::size_t bufferSize) {
    if (bufferSize >= 2) {
        buffer[0] = '0';
        buffer[1] = '\0';
    } else {
        buffer[0] = '\0';
    }
}

// The whole section text is asked for with growing buffers: the function cuts what
// does not fit and answers size - 2 then.
std::vector<char> ReadSectionText(const std::string& path, const std::string& section) {
    std::vector<char> text(32 * 1024);
    for (;;) {
        const DWORD size = static_cast<DWORD>(text.size());
        const DWORD copied = GetPrivateProfileSectionA(section.c_str(), text.data(), size, path.c_str());
        if (copied + 2 < size || size >= 64u * 1024 * 1024) {
            text.resize(std::min<std::size_t>(copied + 2, size));
            if (text.size() >= 2) text[text.size() - 2] = text[text.size() - 1] = '\0';
            return text;
        }
        text.resize(text.size() * 4);
    }
}

}  // namespace

int ParseLeadingInt(const char* text) {
    return static_cast<int>(ParseSaturated(text, INT_MIN, INT_MAX));
}

unsigned int ParseLeadingUnsigned(const char* text) {
    return static_cast<unsigned int>(ParseSaturated(text, 0, UINT_MAX));
}

std::size_t ReadProfileText(const std::string& path, const std::string& section,
                            const std::string& key, char* buffer, std::size_t bufferSize) {
    if (buffer == nullptr || bufferSize == 0) return 0;
    if (path.empty() || section.empty()) {
        StoreDefault(buffer, bufferSize);
        return std::strlen(buffer);
    }
    DWORD size = bufferSize > 0xFFFF ? 0xFFFF : static_cast<DWORD>(bufferSize);
    DWORD copied = GetPrivateProfileStringA(section.c_str(), key.c_str(), "0", buffer, size, path.c_str());
    buffer[copied < size ? copied : size - 1] = '\0';
    return std::strlen(buffer);
}

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, std::size_t maxChars) {
    std::vector<char> buffer(maxChars + 1);
    std::size_t length = ReadProfileText(path, section, key, buffer.data(), buffer.size());
    return std::string(buffer.data(), length);
}

int ReadProfileInt(const std::string& path, const std::string& section, const std::string& key,
                   std::size_t maxChars) {
    return ParseLeadingInt(ReadProfileString(path, section, key, maxChars).c_str());
}

int ReadProfileInt(const std::string& path, const std::string& section, const ConfigKey& key) {
    return ReadProfileInt(path, section, key.name, key.maxChars);
}

unsigned int ReadProfileVersion(const std::string& path, const std::string& section,
                                const std::string& key, std::size_t maxChars) {
    return ParseLeadingUnsigned(ReadProfileString(path, section, key, maxChars).c_str());
}

int ReadConfigInt(const std::string& relativeFile, const std::string& section,
                  const std::string& key) {
    return ReadProfileInt(JoinPath(ProgramFolder(), relativeFile), section, key, 199);
}

CProfileSection::CProfileSection(const std::string& path, const std::string& section) {
    if (path.empty() || section.empty()) return;
    const std::vector<char> text = ReadSectionText(path, section);
    Parse(text.data(), text.size());
}

void CProfileSection::Parse(const char* text, std::size_t size) {
    // One parser for every in-memory reading: the section's lines under a header of
    // their own go through the same rules the whole-file snapshot applies.
    std::string file = "[section]\n";
    const char* end = text + size;
    for (const char* line = text; line < end && *line != '\0';) {
        const char* lineEnd = std::find(line, end, '\0');
        // Comment lines are no keys here: the program asks for no key beginning with ";".
        const char* first = line;
        while (first < lineEnd && IsBlank(*first)) ++first;
        if (first == lineEnd || *first != ';') file.append(line, lineEnd).push_back('\n');
        line = lineEnd + 1;
    }
    snapshot_ = CProfileSnapshot::FromText(file);
}

std::optional<std::string> CProfileSection::Find(const std::string& key) const {
    return snapshot_.Find("section", key);
}

std::size_t CProfileSection::Text(const std::string& key, char* buffer, std::size_t bufferSize) const {
    if (buffer == nullptr || bufferSize == 0) return 0;
    const std::optional<std::string> value = Find(key);
    if (!value) {
        StoreDefault(buffer, bufferSize);
        return std::strlen(buffer);
    }
    const std::size_t length = std::min(value->size(), bufferSize - 1);
    std::memcpy(buffer, value->data(), length);
    buffer[length] = '\0';
    return std::strlen(buffer);
}

std::string CProfileSection::String(const std::string& key, std::size_t maxChars) const {
    std::vector<char> buffer(maxChars + 1);
    const std::size_t length = Text(key, buffer.data(), buffer.size());
    return std::string(buffer.data(), length);
}

int CProfileSection::Int(const std::string& key, std::size_t maxChars) const {
    return ParseLeadingInt(String(key, maxChars).c_str());
}

ProfileLookup ProfileFileLookup(const std::string& path) {
    return [path](const std::string& section, const std::string& key, std::size_t maxChars) {
        return ReadProfileString(path, section, key, maxChars);
    };
}

ProfileLookup SnapshotLookup(const CProfileSnapshot& snapshot) {
    return [&snapshot](const std::string& section, const std::string& key, std::size_t maxChars) {
        return snapshot.Read(section, key, maxChars);
    };
}

ProfileLookup SectionLookup(const CProfileSection& section, const std::string& sectionName) {
    return [&section, folded = FoldProfileName(sectionName)](const std::string& wanted, const std::string& key,
                                                             std::size_t maxChars) {
        return FoldProfileName(wanted) == folded ? section.String(key, maxChars) : std::string("0");
    };
}

int LookupInt(const ProfileLookup& lookup, const std::string& section, const std::string& key, std::size_t maxChars) {
    return ParseLeadingInt(lookup(section, key, maxChars).c_str());
}

int LookupInt(const ProfileLookup& lookup, const std::string& section, const ConfigKey& key) {
    return LookupInt(lookup, section, key.name, key.maxChars);
}
