#include "app/CommandLine.h"

#include "config/SetupConfig.h"
#include "platform/Journal.h"
#include "ports/SerialSettings.h"
#include "ui/ModePage.h"

namespace {

// Names the checks after the table speak of too.
constexpr char kQuiet[] = "quiet";
constexpr char kPassive[] = "passive";
constexpr char kModel[] = "model";
constexpr char kModelPlaceholder[] = "name";
constexpr char kLog[] = "log";
constexpr char kQuery[] = "query";
constexpr char kPort[] = "port";
constexpr char kSaveAnswers[] = "save-answers";

// English names of the port page's parity and protocol entries, in the lists' order; each
// entry's letter is taken too, except the blank that stands for none.
constexpr const char* kParityNames[] = {"even", "mark", "none", "odd", "space"};
constexpr const char* kProtocolNames[] = {"none", "xonxoff|xon/xoff", "hardware"};
static_assert(std::size(kParityNames) == std::size(kParityLetters));
static_assert(std::size(kProtocolNames) == std::size(kProtocolLetters));

// The modes in the order the mode page offers them.
constexpr InstallMode kInstallModes[] = {InstallMode::Typical, InstallMode::Advanced};
constexpr const char* kRasterNames[] = {"0", "1"};

using F = SwitchForm;
using S = SetupSwitches;
using V = const SwitchValue&;

constexpr SwitchRule<SetupSwitches> kSetupSwitches[] = {
    {{.name = kQuiet, .help = "no window at all"}, [](S& s, V) { s.quiet = true; }},
    {{.name = kPassive, .help = "only the progress window; nothing is asked"}, [](S& s, V) { s.passive = true; }},
    // The model page offers the device list's names in the distribution's code page,
    // whatever their characters.
    {{.name = kModel, .form = F::AnyText, .help = "the printer model (required)", .placeholder = kModelPlaceholder},
     [](S& s, V v) { s.model = v.text; }},
    {{.name = "type", .form = F::Words, .help = ", where two types carry the model", .helpNamesWords = true,
      .placeholder = "t",
      .wordAt = [](int index) { return index < kPrinterTypeCount ? PrinterTypeName(PrinterTypeFromNumber(index)) : nullptr; }},
     [](S& s, V v) { s.printerType = PrinterTypeFromNumber(v.number); }},
    {{.name = kPort, .form = F::Text,
      .help = "LPT1:, COM2:, USB_<model>_<n> or NET: (default: the port the wizard preselects)", .placeholder = "port"},
     [](S& s, V v) { s.port = v.text; }},
    {{.name = "ip", .form = F::DottedAddress, .help = "the printer's address, for NET:", .placeholder = "a.b.c.d"},
     [](S& s, V v) { s.ipAddress = v.text; }},
    {{.name = "baud", .form = F::Number, .sharesLine = true, .placeholder = "n", .low = 1, .high = 999999,
      .noun = "baud rate"},
     [](S& s, V v) { s.baudRate = v.number; }},
    {{.name = "databits", .form = F::Number, .sharesLine = true, .low = 5, .high = 8},
     [](S& s, V v) { s.dataBits = v.number; }},
    {{.name = "parity", .form = F::Words,
      .wordAt = [](int index) { return ListedWord(kParityNames, index); }, .letters = kParityLetters},
     [](S& s, V v) { s.parity = kParityLetters[v.number]; }},
    {{.name = "stopbits", .form = F::Words, .sharesLine = true,
      .wordAt = [](int index) { return ListedWord(kStopBitsTexts, index); }},
     [](S& s, V v) { s.stopBits = StopBitsOfListEntry(v.number); }},
    {{.name = "flow", .form = F::Words, .help = "for COM ports",
      .wordAt = [](int index) { return ListedWord(kProtocolNames, index); }, .letters = kProtocolLetters},
     [](S& s, V v) { s.flow = kProtocolLetters[v.number]; }},
    {{.name = "raster", .form = F::Words, .help = "the raster driver",
      .wordAt = [](int index) { return ListedWord(kRasterNames, index); }},
     [](S& s, V v) { s.raster = v.number; }},
    {{.name = "default", .help = "set the printer as the default printer"}, [](S& s, V) { s.setAsDefault = true; }},
    {{.name = "mode", .form = F::Words, .help = "default: typical",
      .wordAt = [](int index) {
          return index < static_cast<int>(std::size(kInstallModes)) ? InstallModeName(kInstallModes[index]) : nullptr;
      }},
     [](S& s, V v) { s.installMode = kInstallModes[v.number]; }},
    {{.name = "renumber", .help = "allow rewriting the connected USB printer's number"},
     [](S& s, V) { s.renumber = true; }},
    {{.name = "new-printer", .help = "another printer even where the model is installed on the port"},
     [](S& s, V) { s.newPrinter = true; }},
    {{.name = "accept-licence", .help = "accept the licence (required where it must be accepted)"},
     [](S& s, V) { s.acceptLicence = true; }},
    {{.name = kLog, .form = F::Path, .help = "the installation journal (default: a new file in %TEMP%)",
      .placeholder = "path", .refusal = JournalPathRefusal},
     [](S& s, V v) { s.logPath = v.text; }},
    {{.name = kQuery, .help = "with /model, /port: list the installed printers, nothing else"},
     [](S& s, V) { s.query = true; }},
    {{.name = "answers", .form = F::Path, .help = "the choices of an answer file; switches given win",
      .placeholder = "file", .refusal = JournalPathRefusal},
     [](S& s, V v) { s.answersPath = v.text; }},
    {{.name = kSaveAnswers, .form = F::Path, .help = "alone, with the wizard: record its choices once it has installed",
      .placeholder = "file", .refusal = JournalPathRefusal},
     [](S& s, V v) { s.saveAnswersPath = v.text; }},
    {{.name = "?", .help = "this text"}, [](S& s, V) { s.help = true; }},
};

}  // namespace

SwitchTable<SetupSwitches> SetupSwitchTable() { return kSetupSwitches; }

std::string JournalPathOf(const std::vector<std::string>& words) {
    const std::string path = FindSwitchValue(words, kLog).value_or("");
    // A device is never opened, not even to say why it was refused.
    return JournalPathRefusal(path).empty() ? path : std::string();
}

ParsedSwitches ParseSwitches(const std::vector<std::string>& words) {
    ParsedSwitches parsed;
    parsed.any = !words.empty();
    SwitchReader<SetupSwitches> reader(SetupSwitchTable(), parsed.switches);
    parsed.error = reader.ApplyWords(words);
    if (!parsed.error.empty()) return parsed;
    const SetupSwitches& s = parsed.switches;
    if (s.help) return parsed;
    if (s.query) {
        // A mode of its own: it reads the install records and changes nothing.
        SetupSwitches only;
        only.query = true;
        only.model = s.model;
        only.port = s.port;
        if (!(only == s))
            parsed.error = ShownSwitchName(kQuery) + ": takes no switch but " + ShownSwitchName(kModel) + " and " +
                           ShownSwitchName(kPort);
        return parsed;
    }
    const std::string quietOrPassive = ShownSwitchName(kQuiet) + (s.quiet && s.passive ? " and " : " or ") +
                                       ShownSwitchName(kPassive);
    if (s.quiet && s.passive) {
        parsed.error = quietOrPassive + ": choose one";
    } else if (!s.saveAnswersPath.empty()) {
        // The one switch that keeps the wizard: the user makes the choices it records.
        if (s.quiet || s.passive)
            parsed.error = ShownSwitchName(kSaveAnswers) + ": records the wizard, not with " + quietOrPassive;
        else if (reader.GivenCount() > 1)
            parsed.error = ShownSwitchName(kSaveAnswers) + ": the wizard takes no other switch";
    } else if (parsed.any && !s.quiet && !s.passive) {
        parsed.error = quietOrPassive + ": an unattended installation needs one of them";
    } else if (parsed.any && s.model.empty() && s.answersPath.empty()) {
        parsed.error = ShownSwitchName(kModel) + ": required";
    }
    return parsed;
}

std::string SwitchesHelpText() {
    std::string text = "Printer Driver Setup: unattended installation\r\n\r\nSetup.exe /";
    text += kQuiet;
    text += "|/";
    text += kPassive;
    text += " /";
    text += kModel;
    text += " <";
    text += kModelPlaceholder;
    text += "> [switches]\r\n       Setup.exe /";
    text += kQuery;
    text += " [/model <name>] [/port <port>]\r\n       Setup.exe /";
    text += kSaveAnswers;
    text += " <file>\r\n";
    text += SwitchHelpLines(SetupSwitchTable());
    text += "Switches also take the forms /name:value and -name.\r\n"
            "\r\n"
            "Exit codes:\r\n"
            "  0     installed\r\n"
            "  3010  installed, restart required\r\n"
            "  1603  the installation failed (the journal names the step)\r\n"
            "  1605  /query: no such printer installed\r\n"
            "  1618  another copy of Setup or the uninstaller is running\r\n"
            "  1633  this Windows or bitness is not supported by the distribution,"
            " or this Windows refuses its drivers\r\n"
            "  87    a switch or value is invalid\r\n"
            "  1602  cancelled by the user\r\n";
    return text;
}
