#pragma once

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Command-line switches read through a program's own table: every switch's name, value
// form, help line and what it sets stand in one entry, and the reading, the checks and
// the /? lines come from the table. An answer file whose keys are the switches' names
// goes through the same entries (SwitchReader::Apply), so it is refused with the same texts.

enum class SwitchForm {
    Flag,           // no value
    Text,           // printable ASCII
    AnyText,        // any characters but control characters (names in the distribution's code page)
    Path,           // anything but a line break, then the owner's refusal
    Words,          // one of a word list, in any case
    Number,         // a whole number in a range
    DottedAddress,  // an IPv4 address a.b.c.d
};

// Why a path cannot be used ("names the device NUL, not a file"); empty: it can.
using PathRefusal = std::string (*)(const std::string& path);

// One choice of a word list by index: its spellings with "|" between, the first as /? and
// refusals show it; nothing past the list's end.
using SwitchWordAt = const char* (*)(int index);

struct SwitchSyntax {
    const char* name;                   // lower case, without its / or -
    SwitchForm form = SwitchForm::Flag;
    const char* help = "";              // the /? line's text after the switch
    bool helpNamesWords = false;        // the help starts with the words, "a, b or c"
    bool sharesLine = false;            // the next switch stands on the same /? line
    const char* placeholder = nullptr;  // the value as /? shows it; none: from the words or the range
    SwitchWordAt wordAt = nullptr;      // Words
    const char* letters = nullptr;      // Words: each choice's letter is a spelling too (a blank: none)
    int low = 0;                        // Number: the range
    int high = 0;
    const char* noun = nullptr;         // Number: refused as "is no <noun>" rather than by its range
    PathRefusal refusal = nullptr;      // Path
    bool repeatable = false;            // may be given more than once; each value is set in turn
};

// A checked value: the text as given, and for Number the number, for Words the choice's index.
struct SwitchValue {
    std::string text;
    int number = 0;
};

template <typename Target>
struct SwitchRule {
    SwitchSyntax syntax;
    void (*set)(Target& target, const SwitchValue& value);
};

template <typename Target>
using SwitchTable = std::span<const SwitchRule<Target>>;

// The words of a command line as the C runtime splits them: blanks separate, double
// quotes group, backslashes escape a quote only when they precede one. The program's
// own name is not among the words given here.
std::vector<std::string> SplitCommandLine(const std::string& line);

// The command line without the program's name, as GetCommandLineA gives it whole.
std::string ArgumentsOf(const std::string& commandLine);

// A dotted IPv4 address: four decimal numbers 0..255 without leading zeros, nothing else.
bool IsDottedAddress(const std::string& text);

// Names are taken in any case; tables spell them in lower case.
std::string LowerSwitchName(std::string name);
// "/name" as refusals show it, a long unknown name cut.
std::string ShownSwitchName(const std::string& name);
// A switch word's name (lower case) and the value after its colon; false: no switch at all.
bool SplitSwitchWord(const std::string& word, std::string& name, std::optional<std::string>& value);
// The refusal of a word that is no switch.
std::string NoSwitchRefusal(const std::string& word);
// Checks a switch (none: no such switch) given by `name`: not given before unless it may
// be, a value where it takes one, and the value's form; empty when it is taken and `value`
// filled. The switch counts as given from here on.
std::string CheckSwitch(const SwitchSyntax* syntax, const std::string& name, const std::optional<std::string>& text,
                        std::vector<const SwitchSyntax*>& given, SwitchValue& value);
// Checks a value against its switch's form (every form but a path, a flag or any text: printable
// ASCII only); empty when it is taken and `value` filled.
std::string CheckSwitchValue(const SwitchSyntax& syntax, const std::string& text, SwitchValue& value);
// The value a switch is given on a command line, found without reading the rest, so that
// even a refused line yields it; nothing when the switch is not there.
std::optional<std::string> FindSwitchValue(const std::vector<std::string>& words, const std::string& name);
// Adds a switch's "/name <value>" to its /? line and, unless the next one shares it, ends
// the line with the help text from the 25th column.
void AppendSwitchHelp(const SwitchSyntax& syntax, std::string& line, std::string& text);
// A word list's choice by index from a plain list of names.
template <std::size_t N>
constexpr const char* ListedWord(const char* const (&names)[N], int index) {
    return index >= 0 && index < static_cast<int>(N) ? names[index] : nullptr;
}

// Applies switches to a target through its table, remembering which were given.
template <typename Target>
class SwitchReader {
public:
    SwitchReader(SwitchTable<Target> table, Target& target) : table_(table), target_(target) {}

    // One switch by name, as "/name:value" gives it ("/name" alone: no value). Empty when taken.
    std::string Apply(const std::string& givenName, const std::optional<std::string>& value) {
        const std::string name = LowerSwitchName(givenName);
        const SwitchRule<Target>* rule = Find(name);
        SwitchValue checked;
        std::string refusal = CheckSwitch(rule != nullptr ? &rule->syntax : nullptr, name, value, given_, checked);
        if (refusal.empty()) rule->set(target_, checked);
        return refusal;
    }

    // Every word of a command line in turn; the first refusal, or empty.
    std::string ApplyWords(const std::vector<std::string>& words) {
        for (std::size_t i = 0; i < words.size(); ++i) {
            std::string name;
            std::optional<std::string> value;
            if (!SplitSwitchWord(words[i], name, value)) return NoSwitchRefusal(words[i]);
            const SwitchRule<Target>* rule = Find(name);
            if (rule != nullptr && rule->syntax.form != SwitchForm::Flag && !value && i + 1 < words.size())
                value = words[++i];
            if (std::string refusal = Apply(name, value); !refusal.empty()) return refusal;
        }
        return {};
    }

    // How many switches have been taken, a repeatable one once.
    std::size_t GivenCount() const { return given_.size(); }

private:
    const SwitchRule<Target>* Find(const std::string& name) const {
        for (const SwitchRule<Target>& rule : table_)
            if (name == rule.syntax.name) return &rule;
        return nullptr;
    }

    SwitchTable<Target> table_;
    Target& target_;
    std::vector<const SwitchSyntax*> given_;
};

template <typename Target>
std::string SwitchHelpLines(SwitchTable<Target> table) {
    std::string text;
    std::string line;
    for (const SwitchRule<Target>& rule : table) AppendSwitchHelp(rule.syntax, line, text);
    return text;
}
