#include "app/CommandLine.h"

#include "app/UnattendedInstall.h"
#include "support/Overrides.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Words = std::vector<std::string>;

TEST(CommandLine, SplitsAsTheRuntimeDoes) {
    const struct {
        std::string line;
        Words words;
    } cases[] = {
        {"", {}},
        {"  /quiet\t/model  VT-R80 ", {"/quiet", "/model", "VT-R80"}},
        {R"(/log "C:\Program Files\j.log" /model:"VT R80")", {"/log", R"(C:\Program Files\j.log)", "/model:VT R80"}},
        {R"(a\\"b c" d)", {R"(a\b c)", "d"}},
        {R"(a\"b)", {R"(a"b)"}},
        {R"("a""b")", {R"(a"b)"}},
        {R"(C:\dir\ x)", {R"(C:\dir\)", "x"}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.words) << c.line;
    EXPECT_EQ(ArgumentsOf(R"("C:\My Setup\Setup.exe" /quiet)"), " /quiet");
    EXPECT_EQ(ArgumentsOf(R"(C:\e2e\Setup.exe)"), "");
}

TEST(CommandLine, TakesEveryFormAndRefusesWhatItCannotUse) {
    const struct {
        Words words;
        std::string error;  // empty: taken
    } cases[] = {
        {{"/quiet", "/model", "VT-R80"}, ""},
        {{"-PASSIVE", "/Model:VT-R80", "-port", "LPT1:", "/default", "/renumber", "/accept-licence"}, ""},
        {{"/quiet", "/model", "VT-T300", "/baud", "19200", "/parity", "Even", "/databits", "7", "/stopbits", "1.5",
          "/flow", "xonxoff", "/raster", "0", "/mode", "ADVANCED", "/type", "ticket", "/ip", "10.0.0.5"}, ""},
        {{"/?"}, ""},
        {{"/quiet"}, "/model: required"},
        {{"/model", "VT-R80"}, "/quiet or /passive: an unattended installation needs one of them"},
        {{"/quiet", "/passive", "/model", "x"}, "/quiet and /passive: choose one"},
        {{"/quiet", "/quiet", "/model", "x"}, "/quiet: given twice"},
        {{"/quiet", "/model", "x", "/Model", "y"}, "/model: given twice"},
        {{"/quiet", "/model"}, "/model: the value is missing"},
        {{"/quiet", "/model:"}, "/model: the value is empty"},
        {{"/quiet:yes", "/model", "x"}, "/quiet: takes no value"},
        {{"/quiet", "/colour", "red"}, "/colour: no such switch"},
        {{"quiet"}, "\"quiet\" is no switch"},
        {{"/quiet", "/model", std::string(10000, 'M')}, "/model: the value is 10000 characters long, more than 259"},
        {{"/quiet", "/model", "VT\xB9R80"}, ""},
        {{"/quiet", "/model", "VT\x1BR80"}, "/model: the value holds control characters"},
        {{"/quiet", "/model", "x", "/port", "LPT\xB9:"}, "/port: the value holds characters other than printable ASCII"},
        {{"/quiet", "/model", "x", "/ip", "10.0.0"}, "/ip: \"10.0.0\" is no dotted address a.b.c.d"},
        {{"/quiet", "/model", "x", "/ip", "10.0.0.256"}, "/ip: \"10.0.0.256\" is no dotted address a.b.c.d"},
        {{"/quiet", "/model", "x", "/ip", "010.0.0.1"}, "/ip: \"010.0.0.1\" is no dotted address a.b.c.d"},
        {{"/quiet", "/model", "x", "/ip", "00.0.0.0"}, "/ip: \"00.0.0.0\" is no dotted address a.b.c.d"},
        {{"/quiet", "/model", "x", "/ip", "10.0.0.0"}, ""},
        {{"/quiet", "/model", "x", "/databits", "9"}, "/databits: \"9\" is none of 5, 6, 7, 8"},
        {{"/quiet", "/model", "x", "/stopbits", "3"}, "/stopbits: \"3\" is none of 1, 1.5, 2"},
        {{"/quiet", "/model", "x", "/parity", "maybe"}, "/parity: \"maybe\" is none of even, mark, none, odd, space"},
        {{"/quiet", "/model", "x", "/raster", "yes"}, "/raster: \"yes\" is neither 0 nor 1"},
        {{"/quiet", "/model", "x", "/type", "lamp"}, "/type: \"lamp\" is none of receipt, ticket, label, embedded"},
        {{"/quiet", "/model", "x", "/mode", "expert"}, "/mode: \"expert\" is neither typical nor advanced"},
        {{"/quiet", "/model", "x", "/log", "NUL"}, "/log: \"NUL\" names the device NUL, not a file"},
        {{"/quiet", "/model", "x", "/log:\\\\.\\pipe\\x"}, "/log: \"\\\\.\\pipe\\x\" is a device path, not a file"},
        {{"/quiet", "/model", "x", "/new-printer"}, ""},
        // /query is a mode of its own: no /quiet, no /model needed, nothing else taken.
        {{"/query"}, ""},
        {{"/QUERY", "/model", "VT-R80", "/port:LPT1:"}, ""},
        {{"/query", "/quiet", "/model", "x"}, "/query: takes no switch but /model and /port"},
        {{"/query", "/new-printer"}, "/query: takes no switch but /model and /port"},
        {{"/query", "/log", "C:\\q.log"}, "/query: takes no switch but /model and /port"},
    };
    for (const auto& c : cases) {
        const ParsedSwitches parsed = ParseSwitches(c.words);
        std::string shown;
        for (const std::string& word : c.words) shown += word.substr(0, 20) + " ";
        EXPECT_EQ(parsed.error, c.error) << shown;
        EXPECT_TRUE(parsed.any) << shown;
    }

    const SetupSwitches s = ParseSwitches(cases[2].words).switches;
    EXPECT_EQ(s.baudRate, 19200);
    EXPECT_EQ(s.parity, 'e');
    EXPECT_EQ(s.dataBits, 7);
    EXPECT_EQ(s.stopBits, 1.5);
    EXPECT_EQ(s.flow, 'x');
    EXPECT_EQ(s.raster, 0);
    EXPECT_EQ(s.installMode, InstallMode::Advanced);
    EXPECT_EQ(s.printerType, PrinterType::Ticket);
    EXPECT_EQ(s.ipAddress, "10.0.0.5");
    EXPECT_FALSE(ParseSwitches({}).any) << "no switch at all: the wizard";
    // A refused command line still finds its journal.
    EXPECT_EQ(JournalPathOf({"/quiet", "/colour", "/LOG", "C:\\j.log"}), "C:\\j.log");
    EXPECT_EQ(JournalPathOf({"-log:C:\\k.log"}), "C:\\k.log");
    EXPECT_EQ(JournalPathOf({"/quiet", "/colour", "/log", "COM1"}), "") << "a device is never opened";
}

// /? names every switch and every exit code, in a box as the platform's installers do.
TEST(CommandLine, HelpNamesEverySwitchAndExitCode) {
    MessageBoxRecorder boxes;
    EXPECT_EQ(ShowSwitchesHelp(), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    for (const char* text : {"/quiet", "/passive", "/model", "/type", "/port", "/ip", "/baud", "/databits", "/parity",
                             "/stopbits", "/flow", "/raster", "/default", "/mode", "/renumber", "/accept-licence", "/log",
                             "/new-printer", "/query", "/?", "3010", "1603", "1605", "1618", "1633", "87", "1602"})
        EXPECT_NE(boxes.shown[0].text.find(text), std::string::npos) << text;
}


// An answer file's key is a switch's name: the same checks, the same refusal texts.
TEST(SwitchTable, AppliesAnswerFileKeysThroughTheProgramsTable) {
    SetupSwitches s;
    SwitchReader<SetupSwitches> reader(SetupSwitchTable(), s);
    const struct {
        const char* key;
        std::optional<std::string> value;
        std::string error;
    } cases[] = {
        {"Baud", "19200", ""},
        {"parity", "S", ""},
        {"flow", "Xon/Xoff", ""},
        {"default", std::nullopt, ""},
        {"baud", "9600", "/baud: given twice"},
        {"renumber", "yes", "/renumber: takes no value"},
        {"databits", "4", "/databits: \"4\" is none of 5, 6, 7, 8"},
        {"colour", "red", "/colour: no such switch"},
    };
    for (const auto& c : cases) EXPECT_EQ(reader.Apply(c.key, c.value), c.error) << c.key;
    EXPECT_EQ(s.baudRate, 19200);
    EXPECT_EQ(s.parity, 's');
    EXPECT_EQ(s.flow, 'x');
    EXPECT_TRUE(s.setAsDefault);
}

// A second program's table: a repeatable switch takes each value in turn, its help line
// comes from its entry.
TEST(SwitchTable, ServesAnotherProgramsTable) {
    struct Removal {
        std::vector<std::string> printers;
        bool quiet = false;
    };
    constexpr SwitchRule<Removal> kTable[] = {
        {{.name = "printer", .form = SwitchForm::AnyText, .help = "a printer to remove", .placeholder = "name",
          .repeatable = true},
         [](Removal& r, const SwitchValue& v) { r.printers.push_back(v.text); }},
        {{.name = "quiet", .help = "no window"}, [](Removal& r, const SwitchValue&) { r.quiet = true; }},
    };
    Removal removal;
    SwitchReader<Removal> reader(kTable, removal);
    EXPECT_EQ(reader.ApplyWords({"/printer", "VT-R80(P)", "-PRINTER:VT-T300", "/quiet"}), "");
    EXPECT_EQ(removal.printers, (std::vector<std::string>{"VT-R80(P)", "VT-T300"}));
    EXPECT_TRUE(removal.quiet);
    EXPECT_EQ(reader.ApplyWords({"/quiet"}), "/quiet: given twice");
    EXPECT_EQ(SwitchHelpLines<Removal>(kTable), "  /printer <name>       a printer to remove\r\n  /quiet                no window\r\n");
}

}  // namespace
