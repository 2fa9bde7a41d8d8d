#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// An INI file read once and looked up in memory by the rules of the Windows profile
// functions: section and key names without regard to case and with surrounding blanks
// ignored, the first section of a name and the first occurrence of a key winning, a
// line without "=" giving the default, a value without its surrounding blanks and one
// pair of matching quotes, every name and value ending at a NUL byte. A file that starts
// with the UTF-16LE mark is read as Unicode and handed back in the ANSI code page; a
// UTF-8 mark is not recognised, so it belongs to the first line. A tool that
// reads thousands of sections uses it: each profile lookup re-opens and searches the
// whole file, which for a large file costs milliseconds.
class CProfileSnapshot {
public:
    struct Entry {
        std::string key;     // as written
        std::string value;   // as a lookup returns it, uncut
        bool hasValue;       // false for a line without "=" (a lookup gives its default)
    };

    CProfileSnapshot() = default;
    // Reads path; a file that cannot be read gives an empty snapshot that is not Loaded().
    // A file too large to hold in memory throws std::length_error or std::bad_alloc.
    explicit CProfileSnapshot(const std::string& path);
    // The same rules over bytes already in memory.
    static CProfileSnapshot FromText(const std::string& text);

    bool Loaded() const { return loaded_; }
    bool HasSection(const std::string& section) const;
    // The value a lookup finds, uncut; nothing when the section or key is missing.
    std::optional<std::string> Find(const std::string& section, const std::string& key) const;
    // What a profile lookup with the default "0" into a buffer of maxChars + 1 bytes gives.
    std::string Read(const std::string& section, const std::string& key, std::size_t maxChars) const;
    // The keys of a section in file order (first occurrences only); empty when missing.
    std::vector<Entry> Entries(const std::string& section) const;
    // Section names in file order, as first written.
    const std::vector<std::string>& Sections() const { return sectionNames_; }
    // The section whose header stands on the first line behind a UTF-8 byte-order mark:
    // the profile functions read the mark as part of the line and never find that header.
    // Empty when the file has no such line.
    const std::string& SectionBehindUtf8Mark() const { return sectionBehindUtf8Mark_; }

private:
    void Parse(const std::string& text);

    struct Section {
        std::vector<Entry> entries;
        std::unordered_map<std::string, std::size_t> byKey;   // folded key -> index
    };
    bool loaded_ = false;
    std::string sectionBehindUtf8Mark_;
    std::vector<std::string> sectionNames_;
    std::unordered_map<std::string, Section> sections_;       // folded name -> section
};

// Case folding of section and key names as the profile functions compare them.
std::string FoldProfileName(const std::string& name);
