#pragma once

#include "config/DomainTypes.h"

#include <string>

// The one classification of a port name, shared by the port page, the Install command
// and the engine. "USB_" is tested first: a USB port name carries the model name, and
// a model called "COMPACT" or "NET-80" must not make its USB port serial or network.
PortKind ClassifyPortName(const char* portName);

// The number of a USB port, from its name's final "_" and digit 1 ... 4
// ("USB_TP_2_1" gives 1); 0 when the name does not end so. The model name inside a USB
// port name never counts.
int UsbPortNumberOfName(const std::string& portName);
