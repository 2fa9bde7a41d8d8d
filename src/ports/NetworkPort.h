#pragma once

#include "platform/OperationResult.h"

#include <windows.h>

// The record the Standard TCP/IP Port monitor takes with XcvData("AddPort"), as tcpxcv.h
// publishes it (MinGW-w64 ships no tcpxcv.h). The natural alignment puts two padding
// bytes before dwPortNumber; the published size, 964, counts them.
struct PORT_DATA_1 {
    WCHAR sztPortName[64];
    DWORD dwVersion;
    DWORD dwProtocol;
    DWORD cbSize;
    DWORD dwReserved;
    WCHAR sztHostAddress[49];
    WCHAR sztSNMPCommunity[33];
    DWORD dwDoubleSpool;
    WCHAR sztQueue[33];
    WCHAR sztIPAddress[16];
    BYTE Reserved[540];
    DWORD dwPortNumber;
    DWORD dwSNMPEnabled;
    DWORD dwSNMPDevIndex;
};
static_assert(sizeof(PORT_DATA_1) == 964, "the monitor rejects any other record size");

constexpr DWORD kRawTcpProtocol = 1;  // PROTOCOL_RAWTCP_TYPE
constexpr DWORD kRawTcpPortNumber = 9100;

// Creates the raw TCP/IP port portName (ANSI) printing to hostAddress through the Standard
// TCP/IP Port monitor. Ok when created (the value true), or already there (false); a
// failure after a message box captioned "ERROR" with the system's text for it (the
// result's text; the code stays the last error).
ResultWith<bool> AddTcpIpPort(const char* portName, const char* hostAddress);

// The record XcvData("DeletePort") takes, as tcpxcv.h publishes it.
struct DELETE_PORT_DATA_1 {
    WCHAR psztPortName[64];
    BYTE Reserved[98];
    DWORD dwVersion;
    DWORD dwReserved;
};
static_assert(sizeof(DELETE_PORT_DATA_1) == 236, "the monitor rejects any other record size");

// Deletes the port portName (ANSI) through the Standard TCP/IP Port monitor. A failure
// carries the call's or the monitor's code and no text: the caller tells it.
OperationResult DeleteTcpIpPort(const char* portName);
