#pragma once

#include "config/ConfigSchema.h"
#include "config/ProfileSnapshot.h"
#include "framework/ProgramPaths.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

// Reading the INI files beside the program through the Windows profile functions.
// Every lookup passes the default "0", so a missing file, section or key reads "0".

// Leading-decimal-digits rule (blanks, optional sign, digits up to the first
// non-digit; no digits = 0), saturated to the int range instead of overflowing.
int ParseLeadingInt(const char* text);
// The same rule for version numbers, saturated to 0 .. 4294967295.
unsigned int ParseLeadingUnsigned(const char* text);

// One lookup into a caller's buffer of bufferSize bytes (at most bufferSize - 1
// characters, as the profile function cuts). An empty path or section yields "0".
// Returns the number of characters stored.
std::size_t ReadProfileText(const std::string& path, const std::string& section,
                            const std::string& key, char* buffer, std::size_t bufferSize);

// The same lookup returned as a string; maxChars is the value's maximum length.
std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, std::size_t maxChars);

// A lookup converted to a number; the value is read as text of up to maxChars characters.
int ReadProfileInt(const std::string& path, const std::string& section, const std::string& key,
                   std::size_t maxChars = 31);
// A key of the schema read with its own length limit.
int ReadProfileInt(const std::string& path, const std::string& section, const ConfigKey& key);
unsigned int ReadProfileVersion(const std::string& path, const std::string& section,
                                const std::string& key, std::size_t maxChars = 31);

// Integer key of an INI file beside the program (path = program folder + relative).
int ReadConfigInt(const std::string& relativeFile, const std::string& section,
                  const std::string& key);

// One section of an INI file read whole (GetPrivateProfileSectionA) and looked up with
// the rules of the one-key lookups above: keys match without regard to case, the first
// of several equal keys wins, keys and values are trimmed, one pair of matching quotes
// around a value is dropped, comment lines and lines without "=" are no keys (the
// program asks for no key beginning with ";"), and a missing key, section or
// file reads "0". One read costs what one key costs, however many keys are looked up.
class CProfileSection {
public:
    CProfileSection() = default;
    CProfileSection(const std::string& path, const std::string& section);

    // As ReadProfileText, ReadProfileString and ReadProfileInt for this section.
    std::size_t Text(const std::string& key, char* buffer, std::size_t bufferSize) const;
    std::string String(const std::string& key, std::size_t maxChars) const;
    int Int(const std::string& key, std::size_t maxChars = 31) const;

    // Fills the section from the text GetPrivateProfileSectionA returns: "key=value"
    // strings, each zero-terminated, the last followed by a second zero.
    void Parse(const char* text, std::size_t size);

private:
    std::optional<std::string> Find(const std::string& key) const;

    CProfileSnapshot snapshot_;
};

// Where a rule that the program and the checker share reads an INI file: the program
// through the profile functions (or a section read whole), the checker through its
// snapshot of the same file, so that both answer from one definition of the rule. The
// answer is what a lookup with the default "0" into a buffer of maxChars + 1 bytes gives.
using ProfileLookup =
    std::function<std::string(const std::string& section, const std::string& key, std::size_t maxChars)>;

ProfileLookup ProfileFileLookup(const std::string& path);
ProfileLookup SnapshotLookup(const CProfileSnapshot& snapshot);
// Keys of the one section read whole; any other section reads "0".
ProfileLookup SectionLookup(const CProfileSection& section, const std::string& sectionName);

// A lookup converted to a number as ReadProfileInt converts it.
int LookupInt(const ProfileLookup& lookup, const std::string& section, const std::string& key,
              std::size_t maxChars = 31);
int LookupInt(const ProfileLookup& lookup, const std::string& section, const ConfigKey& key);
