#include "app/AnswerFile.h"

#include "config/SetupConfig.h"
#include "framework/MessageBoxes.h"
#include "framework/UniqueResource.h"
#include "platform/ErrorText.h"
#include "platform/Journal.h"
#include "ports/PortList.h"
#include "ports/PortNames.h"
#include "selection/SelectionRules.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kSection[] = "[answers]";

// The switches an answer file may carry, spelled as the file writes them; each is a
// switch of the table in lower case. The licence, the journal and the run's face stay
// on the command line.
constexpr const char* kAnswerKeys[] = {"Model", "Type",   "Mode", "Port",   "Ip",      "Baud",    "DataBits",
                                       "Parity", "StopBits", "Flow", "Raster", "Default", "Renumber"};

// Far more than thirteen keys can fill; a bigger file is not an answer file.
constexpr DWORD kLargestAnswerFile = 64 * 1024;

std::string wizardAnswerFile;

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

const SwitchSyntax* SetupSwitchSyntax(const std::string& name) {
    for (const SwitchRule<SetupSwitches>& rule : SetupSwitchTable())
        if (name == rule.syntax.name) return &rule.syntax;
    return nullptr;
}

bool IsAnswerKey(const std::string& name) {
    return std::any_of(std::begin(kAnswerKeys), std::end(kAnswerKeys),
                       [&](const char* key) { return LowerSwitchName(key) == name; });
}

// The word a word-list switch spells a port page letter with ("even" for 'e').
std::string WordOfLetter(const char* name, char letter) {
    const SwitchSyntax& syntax = *SetupSwitchSyntax(name);
    for (int index = 0; const char* word = syntax.wordAt(index); ++index)
        if (syntax.letters[index] == letter) return std::string(word, std::strcspn(word, "|"));
    return std::string(1, letter);
}

std::string StopBitsText(double stopBits) {
    for (int index = 0; index < static_cast<int>(std::size(kStopBitsTexts)); ++index)
        if (StopBitsOfListEntry(index) == stopBits) return kStopBitsTexts[index];
    return "1";
}

// Why one line cannot be taken; empty when it is, and the switches then hold its value.
std::string AnswerLineRefusal(const AnswerLine& line, std::vector<std::string>& seen,
                              SwitchReader<SetupSwitches>& reader) {
    const std::string name = LowerSwitchName(line.key);
    if (name.rfind("accept", 0) == 0) return "the licence is accepted on the command line only (/accept-licence)";
    if (!IsAnswerKey(name)) return "no such key";
    if (std::find(seen.begin(), seen.end(), name) != seen.end()) return "given twice";
    seen.push_back(name);
    std::optional<std::string> value = line.value;
    if (SetupSwitchSyntax(name)->form == SwitchForm::Flag) {
        // A flag is written 1 where it is set; 0 says as much as its absence.
        if (line.value == "0") return {};
        if (line.value != "1") return "\"" + line.value + "\" is neither 0 nor 1";
        value.reset();
    }
    std::string refusal = reader.Apply(name, value);
    // The switch's refusal without its "/name: ", which the key already names.
    const std::string shown = ShownSwitchName(name) + ": ";
    if (refusal.rfind(shown, 0) == 0) refusal.erase(0, shown.size());
    return refusal;
}

// The whole file, when it is a plain disk file small enough to be an answer file; the
// Win32 code otherwise.
bool ReadSmallFile(const std::string& path, std::string& text, DWORD& code) {
    const UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    code = GetLastError();
    if (!file) return false;
    const DWORD size = GetFileSize(file.get(), nullptr);
    if (GetFileType(file.get()) != FILE_TYPE_DISK || size > kLargestAnswerFile) {
        code = ERROR_BAD_FORMAT;
        return false;
    }
    text.resize(size);
    DWORD read = 0;
    if (size > 0 && (!ReadFile(file.get(), text.data(), size, &read, nullptr) || read != size)) {
        code = GetLastError();
        return false;
    }
    return true;
}

}  // namespace

std::string ReadAnswerLines(const std::string& text, std::vector<AnswerLine>& lines) {
    lines.clear();
    // Editors save a byte-order mark where the file says nothing of its code page.
    std::size_t start = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    bool inAnswers = false;
    bool sawAnswers = false;
    for (int number = 1; start <= text.size(); ++number) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';') continue;
        const std::string at = "line " + std::to_string(number) + ": ";
        if (line[0] == '[') {
            if (LowerSwitchName(line) != kSection)
                return at + "section " + line.substr(0, 40) + ": only [Answers] is read";
            inAnswers = sawAnswers = true;
            continue;
        }
        const std::size_t equals = line.find('=');
        std::string key = equals == std::string::npos ? std::string() : Trim(line.substr(0, equals));
        if (key.empty()) return at + "\"" + line.substr(0, 40) + "\" is no key=value line";
        if (!inAnswers) return at + "key " + key + " before [Answers]";
        std::string value = Trim(line.substr(equals + 1));
        // As the profile functions read it: one pair of quotes around a value is not part of it.
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        lines.push_back({std::move(key), std::move(value), number});
    }
    return sawAnswers ? std::string() : "no [Answers] section";
}

std::string ApplyAnswerLines(const std::vector<AnswerLine>& lines, SetupSwitches& switches) {
    SwitchReader<SetupSwitches> reader(SetupSwitchTable(), switches);
    std::vector<std::string> seen;
    for (const AnswerLine& line : lines) {
        if (const std::string refusal = AnswerLineRefusal(line, seen, reader); !refusal.empty())
            return "line " + std::to_string(line.line) + ", key " + line.key + ": " + refusal;
    }
    return {};
}

ParsedSwitches ReadAnswerFile(const std::vector<std::string>& words, ParsedSwitches parsed) {
    if (!parsed.error.empty() || parsed.switches.help || parsed.switches.answersPath.empty()) return parsed;
    const std::string path = parsed.switches.answersPath;
    const std::string where = "/answers: \"" + path + "\"";
    std::string text;
    DWORD code = 0;
    if (!ReadSmallFile(path, text, code)) {
        parsed.error = where + " cannot be read, " + DescribeForJournal(code);
        return parsed;
    }
    std::vector<AnswerLine> lines;
    SetupSwitches merged;
    std::string refusal = ReadAnswerLines(text, lines);
    if (refusal.empty()) refusal = ApplyAnswerLines(lines, merged);
    if (!refusal.empty()) {
        parsed.error = where + ", " + refusal;
        return parsed;
    }
    // The command line again, over the file: a switch given there wins. It was taken once.
    SwitchReader<SetupSwitches>(SetupSwitchTable(), merged).ApplyWords(words);
    parsed.switches = merged;
    if (merged.model.empty()) parsed.error = "/model: required, as the switch or as the key Model of " + path;
    return parsed;
}

std::vector<AnswerLine> AnswersOfSelection(const InstallSelection& selection, bool renumbered) {
    std::vector<AnswerLine> answers = {{"Model", selection.modelName},
                                       {"Type", PrinterTypeName(selection.printerType)},
                                       {"Mode", InstallModeName(selection.installMode)},
                                       {"Port", selection.portName}};
    const PortControls controls = ControlsForPortKind(ClassifyPortName(selection.portName.c_str()));
    if (controls.ipEnabled) answers.push_back({"Ip", selection.ipAddress});
    if (controls.serialEnabled) {
        const SerialLineSettings& serial = selection.serial;
        answers.push_back({"Baud", std::to_string(serial.baudRate)});
        answers.push_back({"DataBits", std::to_string(serial.byteSize)});
        answers.push_back({"Parity", WordOfLetter("parity", serial.parity)});
        answers.push_back({"StopBits", StopBitsText(serial.stopBits)});
        answers.push_back({"Flow", WordOfLetter("flow", serial.protocol)});
    }
    answers.push_back({"Raster", std::to_string(selection.raster)});
    if (selection.setAsDefault) answers.push_back({"Default", "1"});
    if (renumbered) answers.push_back({"Renumber", "1"});
    return answers;
}

std::string AnswerFileText(const std::vector<AnswerLine>& answers, const std::string& date,
                           const std::string& version) {
    std::string text = "; Printer Driver Setup answers, recorded " + date + ", distribution version " + version +
                       "\r\n[Answers]\r\n";
    for (const AnswerLine& answer : answers) text += answer.key + "=" + answer.value + "\r\n";
    return text;
}

void SetWizardAnswerFile(const std::string& path) { wizardAnswerFile = path; }

void SaveWizardAnswers(HWND frame, const InstallSelection& selection, bool renumbered) {
    if (wizardAnswerFile.empty()) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string text = AnswerFileText(AnswersOfSelection(selection, renumbered),
                                            JournalTimeStamp(now).substr(0, 19), DistributionVersion());
    // A relative name is the current folder's, as on the command line it came from.
    const UniqueFileHandle file(CreateFileA(wizardAnswerFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    const bool saved = file && WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                       written == text.size();
    const DWORD code = saved ? 0 : GetLastError();
    JournalResult("Record the answers in " + wizardAnswerFile, saved, code);
    if (saved) return;
    std::string message = MessageText("IDS_ERR_SAVEANSWERS") + "\n" + wizardAnswerFile;
    std::string description;
    if (DescribeSystemError(code, description)) message += "\n" + description;
    ShowOwnedMessageBox(frame, message.c_str(), MB_OK | MB_ICONWARNING);
}
