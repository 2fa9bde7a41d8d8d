#pragma once

#include <windows.h>

#include <optional>
#include <string>

// Line settings of a serial port as the port page holds them: parity 'e', 'm', 'n',
// 'o' or 's' (lower case), protocol 'x' (Xon/Xoff), 'p' (hardware) or ' ' (none).
struct SerialLineSettings {
    int baudRate = 9600;
    int byteSize = 8;
    double stopBits = 1.0;
    char parity = 'n';
    char protocol = ' ';
};

// The port page's baud-rate list, in its order.
constexpr int kBaudRateList[] = {110, 300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
constexpr int kBaudRateListSize = static_cast<int>(sizeof kBaudRateList / sizeof kBaudRateList[0]);

// Entry of the baud-rate list for a configured BaudRate: 110 → 0, 300 → 1, 1200 → 2,
// 2400 → 3, 4800 → 4, 9600 → 5, 19200 → 6, 57600 → 8, 115200 → 9; anything else, 38400
// and a missing key included, → 7 (38400).
int BaudRateListIndex(int baudRate);
int BaudRateListSize();               // the entries of the baud-rate list
int BaudRateOfListEntry(int index);   // 110 … 115200; 38400 for an index outside the list
bool IsListedBaudRate(int baudRate);
// The stop-bits list as the port page shows it and a switch spells it, and its values;
// nothing for an index outside it.
constexpr const char* kStopBitsTexts[] = {"1", "1.5", "2"};
std::optional<double> StopBitsOfListEntry(int index);

// The parity and flow-control lists' letters in their order. The entries the port page
// shows are the language file's words, so only their position says which setting they
// are: parity Even, Mark, None, Odd, Space; protocol None, Xon/Xoff, Hardware.
constexpr char kParityLetters[] = {'e', 'm', 'n', 'o', 's'};
constexpr char kProtocolLetters[] = {' ', 'x', 'p'};
// The letter at a list position; nothing for a position outside the list.
std::optional<char> ParityOfListEntry(int index);
std::optional<char> ProtocolOfListEntry(int index);

// What the port page preselects for a serial port before the user changes anything:
// the model's BaudRate as the list shows it, 8 data bits, 1 stop bit, no parity,
// hardware flow control. The unattended mode starts from the same.
SerialLineSettings SerialPresets(int configuredBaudRate);

// "9600,n,8,1,p": the text Windows keeps per serial port; 1.5 stop bits keep their decimal.
std::string FormatSerialSettings(const SerialLineSettings& settings);

// The device control block Windows 98/Me keeps in a serial port's class key.
DCB BuildSerialDcb(const SerialLineSettings& settings);

// The port name from its "COM" on ("VTCOM3:" → "COM3:") and the digit after it
// (0 when there is none).
std::string SerialPortName(const char* portName);
int SerialPortNumber(const char* portName);

// Windows 98/Me: [Ports] of win.ini and, for COM1 and COM2, the DCB of the port's class key.
void WriteSerialSettings9x(unsigned char portNumber, const char* portName, const SerialLineSettings& settings);
// NT-family Windows: the value named after the port under ...\Windows NT\CurrentVersion\Ports.
void WriteSerialSettingsNT(const char* portName, const SerialLineSettings& settings);
// The settings text either of them keeps for the port now; empty when it keeps none.
std::string ReadSerialSettingsText(const char* portName, bool windows9x);

// Puts a settings text back as it was, where either of them keeps it. False when it
// could not be written.
bool RestoreSerialSettingsText(const char* portName, const std::string& text, bool windows9x);
