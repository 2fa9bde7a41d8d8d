#include "app/AnswerFile.h"

#include "framework/ProgramPaths.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

SetupSwitches Read(const std::string& text, std::string& refusal) {
    SetupSwitches switches;
    std::vector<AnswerLine> lines;
    refusal = ReadAnswerLines(text, lines);
    if (refusal.empty()) refusal = ApplyAnswerLines(lines, switches);
    return switches;
}

// The file's reading, case by case: what is refused names the line, the key and why.
TEST(AnswerFile, ReadsTheAnswersSectionAsSwitchesAndRefusesWhatTheSwitchesWould) {
    const struct {
        std::string text;
        std::string refusal;  // empty: taken
    } cases[] = {
        {"; recorded\r\n[Answers]\r\nModel=VT-T300\r\nPort=COM2:\r\nBaud=19200\r\nParity=even\r\nDataBits=7\r\n"
         "StopBits=1.5\r\nFlow=xonxoff\r\nDefault=1\r\nRenumber=0\r\n", ""},
        {"\xEF\xBB\xBF[ANSWERS]\n  model = \"VT R80\"  \n\n; Port=LPT9:\nMODE=Advanced\n", ""},
        {"[Answers]\nColour=red\n", "line 2, key Colour: no such key"},
        {"[Answers]\nLog=C:\\j.log\n", "line 2, key Log: no such key"},
        {"[Answers]\nQuiet=1\n", "line 2, key Quiet: no such key"},
        {"[Answers]\nBaud=9600\nModel=x\nbaud=19200\n", "line 4, key baud: given twice"},
        {"[Answers]\nBaud=fast\n", "line 2, key Baud: \"fast\" is no baud rate"},
        {"[Answers]\nParity=maybe\n", "line 2, key Parity: \"maybe\" is none of even, mark, none, odd, space"},
        {"[Answers]\nIp=10.0.0\n", "line 2, key Ip: \"10.0.0\" is no dotted address a.b.c.d"},
        {"[Answers]\nPort=\n", "line 2, key Port: the value is empty"},
        {"[Answers]\nDefault=yes\n", "line 2, key Default: \"yes\" is neither 0 nor 1"},
        {"[Answers]\nAcceptLicence=1\n",
         "line 2, key AcceptLicence: the licence is accepted on the command line only (/accept-licence)"},
        {"Model=VT-R80\n[Answers]\n", "line 1: key Model before [Answers]"},
        {"[Answers]\n[Other]\nModel=x\n", "line 2: section [Other]: only [Answers] is read"},
        {"[Answers]\nModel\n", "line 2: \"Model\" is no key=value line"},
        {"[Answers]\n=x\n", "line 2: \"=x\" is no key=value line"},
        {"; nothing\n", "no [Answers] section"},
        {"", "no [Answers] section"},
    };
    for (const auto& c : cases) {
        std::string refusal = "0xDEADBEEF";
        Read(c.text, refusal);
        EXPECT_EQ(refusal, c.refusal) << c.text;
    }

    std::string refusal;
    const SetupSwitches s = Read(cases[0].text, refusal);
    EXPECT_EQ(s.model, "VT-T300");
    EXPECT_EQ(s.port, "COM2:");
    EXPECT_EQ(s.baudRate, 19200);
    EXPECT_EQ(s.parity, 'e');
    EXPECT_EQ(s.dataBits, 7);
    EXPECT_EQ(s.stopBits, 1.5);
    EXPECT_EQ(s.flow, 'x');
    EXPECT_TRUE(s.setAsDefault);
    EXPECT_FALSE(s.renumber);
    const SetupSwitches quoted = Read(cases[1].text, refusal);
    EXPECT_EQ(quoted.model, "VT R80");
    EXPECT_EQ(quoted.port, "") << "a comment is no key";
    EXPECT_EQ(quoted.installMode, InstallMode::Advanced);
}

// What the wizard chose, in the keys that apply to the port's kind and the switches' words.
TEST(AnswerFile, RecordsTheKeysOfThePortsKindInTheSwitchesForms) {
    InstallSelection serial;
    serial.modelName = "VT-T300";
    serial.printerType = PrinterType::Ticket;
    serial.portName = "COM2:";
    serial.serial = {19200, 7, 1.5, 'o', 'p'};
    serial.setAsDefault = 1;
    InstallSelection network;
    network.modelName = "VT-T300";
    network.printerType = PrinterType::Ticket;
    network.portName = "NET:";
    network.ipAddress = "10.0.0.5";
    InstallSelection usb;
    usb.modelName = "QXL-K6";
    usb.printerType = PrinterType::Label;
    usb.installMode = InstallMode::Advanced;
    usb.portName = "USB_QXL-K6_3";
    usb.raster = 1;
    const struct {
        const InstallSelection& selection;
        bool renumbered;
        std::string text;
    } cases[] = {
        {serial, false,
         "Model=VT-T300\r\nType=ticket\r\nMode=typical\r\nPort=COM2:\r\nBaud=19200\r\nDataBits=7\r\nParity=odd\r\n"
         "StopBits=1.5\r\nFlow=hardware\r\nRaster=0\r\nDefault=1\r\n"},
        {network, false, "Model=VT-T300\r\nType=ticket\r\nMode=typical\r\nPort=NET:\r\nIp=10.0.0.5\r\nRaster=0\r\n"},
        {usb, true, "Model=QXL-K6\r\nType=label\r\nMode=advanced\r\nPort=USB_QXL-K6_3\r\nRaster=1\r\nRenumber=1\r\n"},
    };
    for (const auto& c : cases) {
        const std::string text =
            AnswerFileText(AnswersOfSelection(c.selection, c.renumbered), "2026-12-09 10:11:12", "1.2.3.4");
        EXPECT_EQ(text, "; Printer Driver Setup answers, recorded 2026-12-09 10:11:12, distribution version 1.2.3.4\r\n"
                        "[Answers]\r\n" + c.text);
        std::string refusal = "0xDEADBEEF";
        Read(text, refusal);
        EXPECT_EQ(refusal, "") << "read back as written\n" << text;
    }
}

// The file under the command line: a switch given there wins, and the model may come
// from either.
TEST(AnswerFile, TheCommandLineWinsOverTheFile) {
    const std::string path = ProgramFolder() + "answers-test.ini";
    WriteBinaryFile(ProgramFolder(), "answers-test.ini", "[Answers]\r\nModel=VT-T300\r\nBaud=9600\r\nParity=even\r\n");
    const std::vector<std::string> words = {"/quiet", "/answers", path, "/baud", "19200"};
    const ParsedSwitches parsed = ReadAnswerFile(words, ParseSwitches(words));
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.switches.model, "VT-T300");
    EXPECT_EQ(parsed.switches.baudRate, 19200) << "the command line's";
    EXPECT_EQ(parsed.switches.parity, 'e') << "the file's";

    WriteBinaryFile(ProgramFolder(), "answers-test.ini", "[Answers]\r\nPort=LPT1:\r\n");
    EXPECT_EQ(ReadAnswerFile(words, ParseSwitches(words)).error, "/model: required, as the switch or as the key Model of " + path);
}

}  // namespace
