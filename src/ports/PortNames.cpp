#include "ports/PortNames.h"

#include <cstring>

int ClassifyPortName(const char* portName) {
    if (portName == nullptr) return kNoInterface;
    if (std::strstr(portName, "USB_") != nullptr) return kUsbInterface;
    if (std::strstr(portName, "COM") != nullptr) return kSerialInterface;
    if (std::strstr(portName, "LPT") != nullptr) return kParallelInterface;
    if (std::strstr(portName, "NET") != nullptr) return kNetworkInterface;
    return kNoInterface;
}

int UsbPortNumberOfName(const std::string& portName) {
    const std::size_t length = portName.size();
    if (length < 2 || portName[length - 2] != '_') return 0;
    const char digit = portName[length - 1];
    return digit >= '1' && digit <= '4' ? digit - '0' : 0;
}
