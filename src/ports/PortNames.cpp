#include "ports/PortNames.h"

#include <cstring>

PortKind ClassifyPortName(const char* portName) {
    if (portName == nullptr) return PortKind::None;
    if (std::strstr(portName, "USB_") != nullptr) return PortKind::Usb;
    if (std::strstr(portName, "COM") != nullptr) return PortKind::Serial;
    if (std::strstr(portName, "LPT") != nullptr) return PortKind::Parallel;
    if (std::strstr(portName, "NET") != nullptr) return PortKind::Network;
    return PortKind::None;
}

int UsbPortNumberOfName(const std::string& portName) {
    const std::size_t length = portName.size();
    if (length < 2 || portName[length - 2] != '_') return 0;
    const char digit = portName[length - 1];
    return digit >= '1' && digit <= '4' ? digit - '0' : 0;
}
