#include "ports/SerialSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <windows.h>

namespace {

struct TextCase {
    SerialLineSettings settings;
    const char* text;
};

TEST(SerialSettingsText, FormatsAsWindowsKeepsIt) {
    const TextCase cases[] = {
        {{9600, 8, 1.0, 'n', 'p'}, "9600,n,8,1,p"},
        {{9600, 8, 1.5, 'n', 'x'}, "9600,n,8,1.5,x"},
        {{19200, 7, 2.0, 'e', 'x'}, "19200,e,7,2,x"},
        {{115200, 8, 1.0, 's', ' '}, "115200,s,8,1, "},
    };
    for (const TextCase& c : cases) EXPECT_EQ(c.text, FormatSerialSettings(c.settings));
}

// The presets the port page shows and the unattended mode starts from: the model's rate
// where the list has it, 38400 where it does not, then 8 data bits, 1 stop bit, no parity,
// hardware flow control.
TEST(SerialPresets, TheModelsListedRateAndThePagesFixedChoices) {
    const struct {
        int configured;
        const char* text;
    } cases[] = {{9600, "9600,n,8,1,p"}, {115200, "115200,n,8,1,p"}, {0, "38400,n,8,1,p"}, {14400, "38400,n,8,1,p"}};
    for (const auto& c : cases) EXPECT_EQ(c.text, FormatSerialSettings(SerialPresets(c.configured))) << c.configured;
    EXPECT_TRUE(IsListedBaudRate(110));
    EXPECT_FALSE(IsListedBaudRate(14400));
}

TEST(SerialSettingsDcb, ParityStopBitsAndFlowControl) {
    const DCB space = BuildSerialDcb({9600, 8, 2.0, 's', 'x'});
    EXPECT_EQ(28u, space.DCBlength);
    EXPECT_EQ(9600u, space.BaudRate);
    EXPECT_EQ(SPACEPARITY, space.Parity);
    EXPECT_EQ(1u, space.fParity);
    EXPECT_EQ(1u, space.fErrorChar);
    EXPECT_EQ(TWOSTOPBITS, space.StopBits);
    EXPECT_EQ(1u, space.fOutX);
    EXPECT_EQ(1u, space.fInX);
    EXPECT_EQ(0x11, space.XonChar);
    EXPECT_EQ(0x13, space.XoffChar);
    EXPECT_EQ(0u, space.fOutxCtsFlow);

    const DCB none = BuildSerialDcb({4800, 7, 1.5, 'n', 'p'});
    EXPECT_EQ(NOPARITY, none.Parity);
    EXPECT_EQ(0u, none.fParity);
    EXPECT_EQ(0u, none.fErrorChar);
    EXPECT_EQ(ONE5STOPBITS, none.StopBits);
    EXPECT_EQ(7, none.ByteSize);
    EXPECT_EQ(1u, none.fOutxCtsFlow);
    EXPECT_EQ(static_cast<DWORD>(RTS_CONTROL_ENABLE), none.fRtsControl);
    EXPECT_EQ(0u, none.fOutX);
    EXPECT_EQ(0u, none.fDtrControl);
}

TEST(SerialPortNames, NameAndNumberFromTheirCom) {
    EXPECT_EQ("COM3:", SerialPortName("VTCOM3:"));
    EXPECT_EQ(3, SerialPortNumber("VTCOM3:"));
    EXPECT_EQ(5, SerialPortNumber("COM5:"));
    EXPECT_EQ(0, SerialPortNumber("LPT1:"));
}

std::string ReadValue(REGSAM view, const char* path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return "<no key>";
    char value[256] = {};
    DWORD size = sizeof value - 1;
    const LONG status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(value, size) : "<no value>";
}

void CreateClassKey(int i, unsigned char subClass) {
    HKEY key = nullptr;
    const std::string path = "System\\CurrentControlSet\\Services\\Class\\Ports\\000" + std::to_string(i);
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key,
                    nullptr);
    RegSetValueExA(key, "PortSubClass", 0, REG_BINARY, &subClass, 1);
    RegDeleteValueA(key, "DCB");
    RegCloseKey(key);
}

TEST(SerialSettingsStore, Windows98ProfileAndTheClassKeyOfItsPort) {
    for (int i = 0; i <= 3; ++i) CreateClassKey(i, i == 0 ? 0 : 1);
    const char* classKey = "System\\CurrentControlSet\\Services\\Class\\Ports\\000";

    // COM5 has no class key of its own: the profile alone.
    WriteSerialSettings9x(5, "COM5:", {9600, 8, 1.0, 'n', 'p'});
    char profile[64] = {};
    GetProfileStringA("Ports", "COM5:", "", profile, sizeof profile);
    EXPECT_STREQ("9600,n,8,1,p", profile);
    for (int i = 0; i <= 3; ++i) {
        EXPECT_EQ("<no value>", ReadValue(KEY_WOW64_64KEY, (classKey + std::to_string(i)).c_str(), "DCB"));
    }

    // COM2 is the second key that describes a serial port.
    WriteSerialSettings9x(2, "COM2:", {4800, 7, 1.0, 'e', 'x'});
    EXPECT_EQ("<no value>", ReadValue(KEY_WOW64_64KEY, (classKey + std::string("1")).c_str(), "DCB"));
    EXPECT_EQ(28u, ReadValue(KEY_WOW64_64KEY, (classKey + std::string("2")).c_str(), "DCB").size());
}

TEST(SerialSettingsStore, NtValueInTheSixtyFourBitView) {
    const char* ports = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
    WriteSerialSettingsNT("COM3:", {9600, 8, 1.0, 'o', ' '});
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    EXPECT_EQ(std::string("9600,o,8,1, ") + '\0', ReadValue(wow64 ? KEY_WOW64_64KEY : 0, ports, "COM3:"));
}

}  // namespace
