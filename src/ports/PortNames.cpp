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
