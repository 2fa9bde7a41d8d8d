#pragma once

// What asking the device library for the connected USB printer found: nothing (no
// printer, or the library could not be asked), the one printer and its device number
// (bcdDevice of its device descriptor), or more than one printer, which the probe has
// already told the user about.
struct UsbProbe {
    enum class Found { None, One, Several };
    Found found = Found::None;
    int deviceNumber = 0;   // 0 ... 65535 when found is One; 0 otherwise

    static UsbProbe Nothing() { return {}; }
    static UsbProbe Printer(int deviceNumber) { return {Found::One, deviceNumber}; }
    static UsbProbe SeveralPrinters() { return {Found::Several, 0}; }

    bool operator==(const UsbProbe&) const = default;
};

// The USB port a device number answers on: (d mod 8) + 1, so 1 ... 8.
inline int UsbPortNumberOfDevice(int deviceNumber) { return deviceNumber % 8 + 1; }
