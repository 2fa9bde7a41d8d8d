#include "app/CommandLine.h"

#include "config/SetupConfig.h"
#include "platform/Journal.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

// Longer than any name, port or path the program can use; a value past it is a mistake,
// not something to cut.
constexpr std::size_t kValueLimit = 259;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

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

// Which letter a word names out of choices, as full words or their letters.
template <std::size_t N>
std::optional<char> OneOf(const std::string& value, const std::pair<const char*, char> (&choices)[N]) {
    const std::string word = Lower(value);
    for (const auto& [name, letter] : choices) {
        if (word == name) return letter;
    }
    return std::nullopt;
}

enum class Takes { Nothing, Value };

struct SwitchRule {
    const char* name;
    Takes takes;
};

constexpr SwitchRule kSwitches[] = {
    {"?", Takes::Nothing},        {"quiet", Takes::Nothing},    {"passive", Takes::Nothing},
    {"model", Takes::Value},      {"type", Takes::Value},       {"port", Takes::Value},
    {"ip", Takes::Value},         {"baud", Takes::Value},       {"databits", Takes::Value},
    {"parity", Takes::Value},     {"stopbits", Takes::Value},   {"flow", Takes::Value},
    {"raster", Takes::Value},     {"default", Takes::Nothing},  {"mode", Takes::Value},
    {"renumber", Takes::Nothing}, {"accept-licence", Takes::Nothing}, {"log", Takes::Value},
};

// Applies one value; an empty result means it was taken.
std::string Apply(SetupSwitches& s, const std::string& name, const std::string& value) {
    if (name == "log") {
        // A path may well be in the user's own language: only line breaks are refused.
        if (value.find_first_of("\r\n") != std::string::npos) return "/log: the path holds a line break";
        if (const std::string refusal = JournalPathRefusal(value); !refusal.empty())
            return "/log: \"" + value + "\" " + refusal;
        s.logPath = value;
        return {};
    }
    if (name == "model") {
        // The model page offers the device list's names in the distribution's code page,
        // whatever their characters.
        if (HasControlCharacter(value)) return "/model: the value holds control characters";
        s.model = value;
        return {};
    }
    if (!IsAscii(value)) return "/" + name + ": the value holds characters other than printable ASCII";
    if (name == "type") {
        for (int type = 0; type < kPrinterTypeCount; ++type)
            if (Lower(value) == PrinterTypeName(type)) s.printerType = type;
        if (!s.printerType) return "/type: \"" + value + "\" is none of receipt, ticket, label, embedded";
    } else if (name == "port") {
        s.port = value;
    } else if (name == "ip") {
        if (!IsDottedAddress(value)) return "/ip: \"" + value + "\" is no dotted address a.b.c.d";
        s.ipAddress = value;
    } else if (name == "baud") {
        int baud = 0;
        if (!ParseWhole(value, 1, 999999, baud)) return "/baud: \"" + value + "\" is no baud rate";
        s.baudRate = baud;
    } else if (name == "databits") {
        int bits = 0;
        if (!ParseWhole(value, 5, 8, bits)) return "/databits: \"" + value + "\" is none of 5, 6, 7, 8";
        s.dataBits = bits;
    } else if (name == "parity") {
        static constexpr std::pair<const char*, char> kParities[] = {
            {"even", 'e'}, {"mark", 'm'}, {"none", 'n'}, {"odd", 'o'}, {"space", 's'},
            {"e", 'e'},    {"m", 'm'},    {"n", 'n'},    {"o", 'o'},   {"s", 's'}};
        const std::optional<char> parity = OneOf(value, kParities);
        if (!parity) return "/parity: \"" + value + "\" is none of even, mark, none, odd, space";
        s.parity = *parity;
    } else if (name == "stopbits") {
        if (value == "1") s.stopBits = 1.0;
        else if (value == "1.5") s.stopBits = 1.5;
        else if (value == "2") s.stopBits = 2.0;
        else return "/stopbits: \"" + value + "\" is none of 1, 1.5, 2";
    } else if (name == "flow") {
        static constexpr std::pair<const char*, char> kFlows[] = {
            {"none", ' '}, {"xonxoff", 'x'}, {"xon/xoff", 'x'}, {"x", 'x'}, {"hardware", 'p'}, {"p", 'p'}};
        const std::optional<char> flow = OneOf(value, kFlows);
        if (!flow) return "/flow: \"" + value + "\" is none of none, xonxoff, hardware";
        s.flow = *flow;
    } else if (name == "raster") {
        if (value != "0" && value != "1") return "/raster: \"" + value + "\" is neither 0 nor 1";
        s.raster = value == "1" ? 1 : 0;
    } else if (name == "mode") {
        const std::string mode = Lower(value);
        if (mode != "typical" && mode != "advanced") return "/mode: \"" + value + "\" is neither typical nor advanced";
        s.installMode = mode == "typical" ? 1 : 0;
    }
    return {};
}

void ApplyFlag(SetupSwitches& s, const std::string& name) {
    if (name == "?") s.help = true;
    if (name == "quiet") s.quiet = true;
    if (name == "passive") s.passive = true;
    if (name == "default") s.setAsDefault = true;
    if (name == "renumber") s.renumber = true;
    if (name == "accept-licence") s.acceptLicence = true;
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

std::string JournalPathOf(const std::vector<std::string>& words) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.size() < 4 || (word[0] != '/' && word[0] != '-')) continue;
        const std::string name = Lower(word.substr(1, 3));
        if (name != "log") continue;
        if (word.size() != 4 && word[4] != ':') continue;
        const std::string path = word.size() == 4 ? (i + 1 < words.size() ? words[i + 1] : std::string()) : word.substr(5);
        // A device is never opened, not even to say why it was refused.
        return JournalPathRefusal(path).empty() ? path : std::string();
    }
    return {};
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

ParsedSwitches ParseSwitches(const std::vector<std::string>& words) {
    ParsedSwitches parsed;
    parsed.any = !words.empty();
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) {
            parsed.error = "\"" + word.substr(0, 40) + (word.size() > 40 ? "..." : "") + "\" is no switch";
            return parsed;
        }
        std::string name = word.substr(1);
        std::optional<std::string> value;
        if (const std::size_t colon = name.find(':'); colon != std::string::npos) {
            value = name.substr(colon + 1);
            name.erase(colon);
        }
        name = Lower(name);
        const SwitchRule* rule = nullptr;
        for (const SwitchRule& candidate : kSwitches) {
            if (name == candidate.name) rule = &candidate;
        }
        std::string shown = "/";
        shown.append(name, 0, 40);
        if (name.size() > 40) shown += "...";
        if (rule == nullptr) {
            parsed.error = shown + ": no such switch";
            return parsed;
        }
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
            parsed.error = shown + ": given twice";
            return parsed;
        }
        seen.push_back(name);
        if (rule->takes == Takes::Nothing) {
            if (value) {
                parsed.error = shown + ": takes no value";
                return parsed;
            }
            ApplyFlag(parsed.switches, name);
            continue;
        }
        if (!value) {
            if (i + 1 >= words.size()) {
                parsed.error = shown + ": the value is missing";
                return parsed;
            }
            value = words[++i];
        }
        if (value->empty()) {
            parsed.error = shown + ": the value is empty";
            return parsed;
        }
        if (value->size() > kValueLimit) {
            parsed.error = shown + ": the value is " + std::to_string(value->size()) + " characters long, more than " +
                           std::to_string(kValueLimit);
            return parsed;
        }
        if (std::string error = Apply(parsed.switches, name, *value); !error.empty()) {
            parsed.error = error;
            return parsed;
        }
    }
    const SetupSwitches& s = parsed.switches;
    if (s.help) return parsed;
    if (s.quiet && s.passive) {
        parsed.error = "/quiet and /passive: choose one";
    } else if (parsed.any && !s.quiet && !s.passive) {
        parsed.error = "/quiet or /passive: an unattended installation needs one of them";
    } else if (parsed.any && s.model.empty()) {
        parsed.error = "/model: required";
    }
    return parsed;
}

std::string SwitchesHelpText() {
    return "Printer Driver Setup: unattended installation\r\n"
           "\r\n"
           "Setup.exe /quiet|/passive /model <name> [switches]\r\n"
           "  /quiet                no window at all\r\n"
           "  /passive              only the progress window; nothing is asked\r\n"
           "  /model <name>         the printer model (required)\r\n"
           "  /type <t>             receipt, ticket, label or embedded, where two types carry the model\r\n"
           "  /port <port>          LPT1:, COM2:, USB_<model>_<n> or NET: (default: the port the wizard preselects)\r\n"
           "  /ip <a.b.c.d>         the printer's address, for NET:\r\n"
           "  /baud <n> /databits <5-8> /parity <even|mark|none|odd|space>\r\n"
           "  /stopbits <1|1.5|2> /flow <none|xonxoff|hardware>   for COM ports\r\n"
           "  /raster <0|1>         the raster driver\r\n"
           "  /default              set the printer as the default printer\r\n"
           "  /mode <typical|advanced>   default: typical\r\n"
           "  /renumber             allow rewriting the connected USB printer's number\r\n"
           "  /accept-licence       accept the licence (required where it must be accepted)\r\n"
           "  /log <path>           the installation journal (default: a new file in %TEMP%)\r\n"
           "  /?                    this text\r\n"
           "Switches also take the forms /name:value and -name.\r\n"
           "\r\n"
           "Exit codes:\r\n"
           "  0     installed\r\n"
           "  3010  installed, restart required\r\n"
           "  1603  the installation failed (the journal names the step)\r\n"
           "  1618  another copy of Setup or the uninstaller is running\r\n"
           "  1633  this Windows or bitness is not supported by the distribution\r\n"
           "  87    a switch or value is invalid\r\n"
           "  1602  cancelled by the user\r\n";
}
