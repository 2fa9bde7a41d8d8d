#include "ports/NetworkPort.h"

#include "framework/UniqueResource.h"
#include "platform/ErrorText.h"
#include "platform/Notices.h"
#include "platform/SystemCalls.h"

#include <winspool.h>

#include <array>
#include <string>

namespace {

// The monitor's transceiver: the only way to create its ports without its dialog.
constexpr char kMonitorTransceiver[] = ",XcvMonitor Standard TCP/IP Port";

// The system's text for code under the caption "ERROR"; the code stays the last error.
OperationResult Fail(DWORD code) {
    std::string description;
    if (!DescribeSystemError(code, description)) description = "Error " + std::to_string(code);
    Notify(Notice{description, "ERROR", MB_ICONINFORMATION});
    SetLastError(code);
    return OperationResult::Failed(code, description);
}

// MultiByteToWideChar refuses a text that does not fit with its zero (ERROR_INSUFFICIENT_BUFFER)
// instead of cutting it; a cut port name would create a port other than the one the printer
// is then installed on.
template <std::size_t Units>
bool ConvertInto(const char* text, WCHAR (&field)[Units]) {
    return MultiByteToWideChar(CP_ACP, 0, text, -1, field, static_cast<int>(Units)) > 0;
}

}  // namespace

ResultWith<bool> AddTcpIpPort(const char* portName, const char* hostAddress) {
    const auto Fail = [](DWORD code) { return WithValue(::Fail(code), false); };
    if (portName == nullptr || hostAddress == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    // LPTR: fixed and zero-filled, so every field not set below, padding included, is zero.
    UniqueLocalMemory memory(LocalAlloc(LPTR, sizeof(PORT_DATA_1)));
    if (!memory) return Fail(GetLastError());
    auto* record = static_cast<PORT_DATA_1*>(memory.get());
    if (!ConvertInto(portName, record->sztPortName) || !ConvertInto(hostAddress, record->sztHostAddress)) {
        return Fail(GetLastError());
    }
    record->dwVersion = 1;
    record->dwProtocol = kRawTcpProtocol;
    record->cbSize = sizeof(PORT_DATA_1);
    lstrcpyW(record->sztSNMPCommunity, L"public");
    record->dwDoubleSpool = 1;
    record->dwPortNumber = kRawTcpPortNumber;
    record->dwSNMPEnabled = 0;
    record->dwSNMPDevIndex = 1;

    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    UniquePrinterHandle monitor;
    if (!SystemCalls().OpenPrinterA(const_cast<char*>(kMonitorTransceiver), monitor.put(), &defaults)) {
        return Fail(GetLastError());
    }
    std::array<BYTE, 260> output = {};
    DWORD needed = 0;
    DWORD status = ERROR_SUCCESS;
    if (!SystemCalls().XcvDataW(monitor.get(), L"AddPort", reinterpret_cast<BYTE*>(record), sizeof(PORT_DATA_1), output.data(),
                  static_cast<DWORD>(output.size()), &needed, &status)) {
        return Fail(GetLastError());
    }
    // The call only carried the command; the monitor's own answer is the status. A port
    // that already exists is what installing again on the same address meets.
    if (status != ERROR_SUCCESS && status != ERROR_ALREADY_EXISTS) return Fail(status);
    return WithValue(OperationResult::Ok(), status == ERROR_SUCCESS);
}

OperationResult DeleteTcpIpPort(const char* portName) {
    DELETE_PORT_DATA_1 record = {};
    if (portName == nullptr || !ConvertInto(portName, record.psztPortName)) return OperationResult::Failed(ERROR_INVALID_PARAMETER);
    record.dwVersion = 1;
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    UniquePrinterHandle monitor;
    if (!SystemCalls().OpenPrinterA(const_cast<char*>(kMonitorTransceiver), monitor.put(), &defaults))
        return OperationResult::Failed(GetLastError());
    std::array<BYTE, 260> output = {};
    DWORD needed = 0;
    DWORD status = ERROR_SUCCESS;
    if (!SystemCalls().XcvDataW(monitor.get(), L"DeletePort", reinterpret_cast<BYTE*>(&record), sizeof record,
                                output.data(), static_cast<DWORD>(output.size()), &needed, &status))
        return OperationResult::Failed(GetLastError());
    return status == ERROR_SUCCESS ? OperationResult::Ok() : OperationResult::Failed(status);
}
