#pragma once

#include <windows.h>

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
