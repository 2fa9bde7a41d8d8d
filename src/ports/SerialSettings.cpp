#include "ports/SerialSettings.h"

#include "config/RegistryKey.h"

#include <cstring>

int BaudRateListIndex(int baudRate) {
    for (int index = 0; index < kBaudRateListSize; ++index)
        if (kBaudRateList[index] == baudRate) return index;
    return 7;
}

int BaudRateListSize() { return kBaudRateListSize; }

int BaudRateOfListEntry(int index) {
    if (index < 0 || index >= kBaudRateListSize) index = BaudRateListIndex(38400);
    return kBaudRateList[index];
}

bool IsListedBaudRate(int baudRate) {
    for (int listed : kBaudRateList)
        if (listed == baudRate) return true;
    return false;
}

std::optional<double> StopBitsOfListEntry(int index) {
    constexpr double kStopBits[] = {1.0, 1.5, 2.0};
    static_assert(std::size(kStopBits) == std::size(kStopBitsTexts));
    if (index < 0 || index >= static_cast<int>(std::size(kStopBits))) return std::nullopt;
    return kStopBits[index];
}

namespace {

template <std::size_t N>
std::optional<char> LetterAt(const char (&letters)[N], int index) {
    if (index < 0 || index >= static_cast<int>(N)) return std::nullopt;
    return letters[index];
}

}  // namespace

std::optional<char> ParityOfListEntry(int index) { return LetterAt(kParityLetters, index); }

std::optional<char> ProtocolOfListEntry(int index) { return LetterAt(kProtocolLetters, index); }

SerialLineSettings SerialPresets(int configuredBaudRate) {
    SerialLineSettings presets;
    presets.baudRate = BaudRateOfListEntry(BaudRateListIndex(configuredBaudRate));
    presets.byteSize = 8;
    presets.stopBits = 1.0;
    presets.parity = 'n';
    presets.protocol = 'p';
    return presets;
}

std::string FormatSerialSettings(const SerialLineSettings& settings) {
    // Whole stop bits without a decimal, 1.5 with one, as Windows writes them.
    const std::string stopBits =
        settings.stopBits == 1.5 ? "1.5" : std::to_string(static_cast<int>(settings.stopBits + 0.5));
    return std::to_string(settings.baudRate) + "," + settings.parity + "," + std::to_string(settings.byteSize) + "," +
           stopBits + "," + settings.protocol;
}

DCB BuildSerialDcb(const SerialLineSettings& settings) {
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = static_cast<DWORD>(settings.baudRate);
    dcb.fBinary = 1;
    switch (settings.parity) {
        case 'e': dcb.Parity = EVENPARITY; break;
        case 'm': dcb.Parity = MARKPARITY; break;
        case 'o': dcb.Parity = ODDPARITY; break;
        case 's': dcb.Parity = SPACEPARITY; break;
        default: dcb.Parity = NOPARITY; break;
    }
    if (settings.parity == 'e' || settings.parity == 'm' || settings.parity == 'o' || settings.parity == 's') {
        dcb.fParity = 1;
        dcb.fErrorChar = 1;
    }
    dcb.ByteSize = static_cast<BYTE>(settings.byteSize & 0xFF);
    if (settings.stopBits == 1.5) {
        dcb.StopBits = ONE5STOPBITS;
    } else if (settings.stopBits == 2.0) {
        dcb.StopBits = TWOSTOPBITS;
    } else {
        dcb.StopBits = ONESTOPBIT;
    }
    if (settings.protocol == 'p') {
        dcb.fOutxCtsFlow = 1;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
    } else if (settings.protocol == 'x') {
        dcb.fOutX = 1;
        dcb.fInX = 1;
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
    }
    return dcb;
}

std::string SerialPortName(const char* portName) {
    if (portName == nullptr) return std::string();
    const char* com = std::strstr(portName, "COM");
    return com != nullptr ? std::string(com) : std::string();
}

int SerialPortNumber(const char* portName) {
    const std::string name = SerialPortName(portName);
    if (name.size() < 4 || name[3] < '0' || name[3] > '9') return 0;
    return name[3] - '0';
}

void WriteSerialSettings9x(unsigned char portNumber, const char* portName, const SerialLineSettings& settings) {
    DCB dcb = BuildSerialDcb(settings);

    // COM1 and COM2 are the first and second class keys that describe a serial port.
    if (portNumber == 1 || portNumber == 2) {
        int serialKeysSeen = 0;
        for (int i = 0; i <= 3; ++i) {
            const std::string path = "System\\CurrentControlSet\\Services\\Class\\Ports\\000" + std::to_string(i);
            CRegistryKey key;
            if (!key.Open(HKEY_LOCAL_MACHINE, path.c_str())) continue;
            unsigned char subClass[3] = {};
            key.QueryValue("PortSubClass", subClass, sizeof subClass);
            if (subClass[0] != 1) continue;
            if (++serialKeysSeen == portNumber) {
                key.SetValue("DCB", &dcb, REG_NONE, sizeof dcb);
                break;
            }
        }
    }

    const std::string text = FormatSerialSettings(settings);
    WriteProfileStringA("Ports", portName, text.c_str());
    SendNotifyMessageA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>("Ports"));
    WriteProfileStringA(nullptr, nullptr, nullptr);
}

void WriteSerialSettingsNT(const char* portName, const SerialLineSettings& settings) {
    const std::string text = FormatSerialSettings(settings);
    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports")) {
        key.SetString(portName, text.c_str());
    }
}

std::string ReadSerialSettingsText(const char* portName, bool windows9x) {
    char text[128] = {};
    if (windows9x) {
        GetProfileStringA("Ports", portName, "", text, sizeof text);
        return text;
    }
    CRegistryKey key;
    if (!key.OpenForReading(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports") ||
        !key.QueryString(portName, text, sizeof text))
        return {};
    return text;
}

bool RestoreSerialSettingsText(const char* portName, const std::string& text, bool windows9x) {
    if (windows9x) {
        const bool written = WriteProfileStringA("Ports", portName, text.c_str()) != FALSE;
        SendNotifyMessageA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>("Ports"));
        WriteProfileStringA(nullptr, nullptr, nullptr);
        return written;
    }
    CRegistryKey key;
    return key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports") &&
           key.SetString(portName, text.c_str());
}
