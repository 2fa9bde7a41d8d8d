#include "app/SwitchTable.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// Longer than any name, port or path a program can use; a value past it is a mistake,
// not something to cut.
constexpr std::size_t kValueLimit = 259;

// The room /? gives a switch and its value before the help text; a longer one is followed
// by three blanks instead.
constexpr std::size_t kHelpColumn = 22;

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F; });
}

bool HasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) == 0x7F; });
}

bool ParseWhole(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > 6 || !std::all_of(text.begin(), text.end(), ::isdigit)) return false;
    value = std::atoi(text.c_str());
    return value >= low && value <= high;
}

// Whether a word list's choice is spelled `word`, by one of its spellings or its letter.
bool Spells(const SwitchSyntax& syntax, int index, const std::string& word) {
    if (syntax.letters != nullptr && syntax.letters[index] != ' ' && word.size() == 1 && word[0] == syntax.letters[index])
        return true;
    const std::string_view spellings = syntax.wordAt(index);
    for (std::size_t start = 0;;) {
        const std::size_t bar = spellings.find('|', start);
        if (spellings.substr(start, bar - start) == word) return true;
        if (bar == std::string_view::npos) return false;
        start = bar + 1;
    }
}

// The choices as /? and refusals show them, with what stands between them and before the last.
std::string ShownChoices(const SwitchSyntax& syntax, const char* between, const char* beforeLast) {
    const bool numbers = syntax.form == SwitchForm::Number;
    std::string text;
    for (int index = 0;; ++index) {
        const int number = syntax.low + index;
        const char* choice = numbers ? nullptr : syntax.wordAt(index);
        if (numbers ? number > syntax.high : choice == nullptr) return text;
        if (index > 0) text += (numbers ? number == syntax.high : syntax.wordAt(index + 1) == nullptr) ? beforeLast : between;
        if (numbers) text += std::to_string(number);
        else text.append(choice, std::strcspn(choice, "|"));
    }
}

// "none of a, b, c" or "neither a nor b".
std::string RefusedChoices(const SwitchSyntax& syntax) {
    const bool two = syntax.form == SwitchForm::Number ? syntax.high == syntax.low + 1 : syntax.wordAt(2) == nullptr;
    return two ? "neither " + ShownChoices(syntax, "", " nor ") : "none of " + ShownChoices(syntax, ", ", ", ");
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (true) {
        while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= n) break;
        std::string word;
        bool quoted = false;
        while (i < n && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            if (line[i] == '\\') {
                std::size_t slashes = 0;
                while (i < n && line[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    word.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        word += '"';
                        ++i;
                    }
                } else {
                    word.append(slashes, '\\');
                }
            } else if (line[i] == '"') {
                // "" inside quotes is a quote character.
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    word += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                word += line[i++];
            }
        }
        words.push_back(word);
    }
    return words;
}

std::string ArgumentsOf(const std::string& commandLine) {
    std::size_t i = 0;
    while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
    // The program's name follows its own rule: quoted up to the next quote, no escapes.
    if (i < commandLine.size() && commandLine[i] == '"') {
        const std::size_t close = commandLine.find('"', i + 1);
        i = close == std::string::npos ? commandLine.size() : close + 1;
    }
    while (i < commandLine.size() && commandLine[i] != ' ' && commandLine[i] != '\t') ++i;
    return commandLine.substr(i);
}

bool IsDottedAddress(const std::string& text) {
    int parts = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = text.find('.', start);
        const std::string part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        int value = 0;
        // A leading zero reads as octal to some address parsers: 010 would be 8.
        if (part.size() > 3 || (part.size() > 1 && part[0] == '0') || !ParseWhole(part, 0, 255, value)) return false;
        ++parts;
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return parts == 4;
}

std::string LowerSwitchName(std::string name) {
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

std::string ShownSwitchName(const std::string& name) {
    std::string shown = "/";
    shown.append(name, 0, 40);
    if (name.size() > 40) shown += "...";
    return shown;
}

bool SplitSwitchWord(const std::string& word, std::string& name, std::optional<std::string>& value) {
    if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) return false;
    name = word.substr(1);
    value.reset();
    if (const std::size_t colon = name.find(':'); colon != std::string::npos) {
        value = name.substr(colon + 1);
        name.erase(colon);
    }
    name = LowerSwitchName(name);
    return true;
}

std::string NoSwitchRefusal(const std::string& word) {
    return "\"" + word.substr(0, 40) + (word.size() > 40 ? "..." : "") + "\" is no switch";
}

std::string CheckSwitch(const SwitchSyntax* syntax, const std::string& name, const std::optional<std::string>& text,
                        std::vector<const SwitchSyntax*>& given, SwitchValue& value) {
    std::string refusal = ShownSwitchName(name);
    const char* wrong = nullptr;
    if (syntax == nullptr) {
        wrong = ": no such switch";
    } else if (!syntax->repeatable && std::find(given.begin(), given.end(), syntax) != given.end()) {
        wrong = ": given twice";
    } else {
        given.push_back(syntax);
        if (syntax->form == SwitchForm::Flag) {
            if (!text) return {};
            wrong = ": takes no value";
        } else if (!text) {
            wrong = ": the value is missing";
        } else {
            return CheckSwitchValue(*syntax, *text, value);
        }
    }
    return refusal += wrong;
}

std::string CheckSwitchValue(const SwitchSyntax& syntax, const std::string& text, SwitchValue& value) {
    std::string refusal = ShownSwitchName(syntax.name);
    if (text.empty()) return refusal + ": the value is empty";
    if (text.size() > kValueLimit) {
        return refusal + ": the value is " + std::to_string(text.size()) + " characters long, more than " +
               std::to_string(kValueLimit);
    }
    value.text = text;
    const char* wrong = nullptr;  // what the value is, after its quoted text
    std::string why;
    switch (syntax.form) {
        case SwitchForm::Path:
            // A path may well be in the user's own language: only line breaks are refused.
            if (text.find_first_of("\r\n") != std::string::npos) return refusal + ": the path holds a line break";
            if (syntax.refusal != nullptr) why = syntax.refusal(text);
            if (why.empty()) return {};
            return refusal + ": \"" + text + "\" " + why;
        case SwitchForm::AnyText:
            return HasControlCharacter(text) ? refusal + ": the value holds control characters" : std::string();
        default:
            break;
    }
    if (!IsAscii(text)) return refusal + ": the value holds characters other than printable ASCII";
    switch (syntax.form) {
        case SwitchForm::Words: {
            const std::string word = LowerSwitchName(text);
            for (int index = 0; syntax.wordAt(index) != nullptr; ++index) {
                if (Spells(syntax, index, word)) {
                    value.number = index;
                    return {};
                }
            }
            why = RefusedChoices(syntax);
            break;
        }
        case SwitchForm::Number:
            if (ParseWhole(text, syntax.low, syntax.high, value.number)) return {};
            if (syntax.noun != nullptr) wrong = syntax.noun;
            else why = RefusedChoices(syntax);
            break;
        case SwitchForm::DottedAddress:
            if (IsDottedAddress(text)) return {};
            wrong = "dotted address a.b.c.d";
            break;
        default:
            return {};
    }
    refusal += ": \"";
    refusal += text;
    refusal += "\" is ";
    if (wrong != nullptr) {
        refusal += "no ";
        refusal += wrong;
    }
    return refusal + why;
}

std::optional<std::string> FindSwitchValue(const std::vector<std::string>& words, const std::string& name) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string given;
        std::optional<std::string> value;
        if (!SplitSwitchWord(words[i], given, value) || given != name) continue;
        if (value) return value;
        return i + 1 < words.size() ? words[i + 1] : std::string();
    }
    return std::nullopt;
}

void AppendSwitchHelp(const SwitchSyntax& syntax, std::string& line, std::string& text) {
    if (!line.empty()) line += ' ';
    line += ShownSwitchName(syntax.name);
    if (syntax.form != SwitchForm::Flag) {
        line += " <";
        if (syntax.placeholder != nullptr) line += syntax.placeholder;
        else if (syntax.form == SwitchForm::Number) line += std::to_string(syntax.low) + "-" + std::to_string(syntax.high);
        else line += ShownChoices(syntax, "|", "|");
        line += '>';
    }
    if (syntax.sharesLine) return;
    text += "  ";
    text += line;
    if (*syntax.help != '\0') {
        text.append(line.size() < kHelpColumn ? kHelpColumn - line.size() : 3, ' ');
        if (syntax.helpNamesWords) text += ShownChoices(syntax, ", ", " or ");
        text += syntax.help;
    }
    text += "\r\n";
    line.clear();
}
