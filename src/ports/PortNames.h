#pragma once

// Interface kinds, as the driver-name keys' letters S, P, U and N order them.
enum InterfaceKind {
    kNoInterface = -1,
    kSerialInterface = 0,
    kParallelInterface = 1,
    kUsbInterface = 2,
    kNetworkInterface = 3,
};

// The one classification of a port name, shared by the port page, the Install command
// and the engine. "USB_" is tested first: a USB port name carries the model name, and
// a model called "COMPACT" or "NET-80" must not make its USB port serial or network.
int ClassifyPortName(const char* portName);
