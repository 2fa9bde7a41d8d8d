#include "config/ProfileReader.h"

#include <windows.h>

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

unsigned int ReadProfileVersion(const std::string& path, const std::string& section,
                                const std::string& key, std::size_t maxChars) {
    return ParseLeadingUnsigned(ReadProfileString(path, section, key, maxChars).c_str());
}

int ReadConfigInt(const std::string& relativeFile, const std::string& section,
                  const std::string& key) {
    return ReadProfileInt(JoinPath(ProgramFolder(), relativeFile), section, key, 199);
}
