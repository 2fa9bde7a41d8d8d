#pragma once

// The fault sweeps' counting shim, for the installation and the removal alike.
#include "platform/SystemCalls.h"

#include <string>
#include <type_traits>
#include <vector>

// Every call through the system-call table is counted; the call numbered `failAt` fails
// with the code realistic for its function, as Windows would fail it.
struct Sweep {
    static inline int calls = 0;
    static inline int failAt = -1;
    static inline DWORD injected = 0;
    static inline std::string failedEntry;
    static inline std::vector<std::string> names;

    static bool Fails(const char* name, DWORD code) {
        const int call = calls++;
        if (failAt < 0) names.emplace_back(name);
        if (call != failAt) return false;
        failedEntry = name;
        injected = code;
        return true;
    }
};

template <typename F>
struct Shim;
template <typename R, typename... A>
struct Shim<R(WINAPI*)(A...)> {
    template <R(WINAPI* SystemCallTable::*Entry)(A...), const char* Name, DWORD Code>
    static R WINAPI Call(A... arguments) {
        if (Sweep::Fails(Name, Code)) {
            SetLastError(Code);
            // The registry's functions answer with the code itself.
            if constexpr (std::is_same_v<R, LONG>) return static_cast<LONG>(Code);
            return R{};
        }
        return (DefaultSystemCalls().*Entry)(arguments...);
    }
};

template <auto Entry, const char* Name, DWORD Code>
inline void Wrap() {
    using Function = std::remove_reference_t<decltype(SystemCalls().*Entry)>;
    SystemCalls().*Entry = &Shim<Function>::template Call<Entry, Name, Code>;
}

#define SWEPT(entry, code)                                    \
    static constexpr char entry##Name[] = #entry;             \
    Wrap<&SystemCallTable::entry, entry##Name, code>();

// The codes each call gives when it fails in the field.
inline void WrapEverySystemCall() {
    SWEPT(GetVersionExA, ERROR_INVALID_PARAMETER)
    SWEPT(LoadLibraryA, ERROR_MOD_NOT_FOUND)
    SWEPT(LoadLibraryExA, ERROR_MOD_NOT_FOUND)
    SWEPT(GetProcAddress, ERROR_PROC_NOT_FOUND)
    SWEPT(AddPrinterA, ERROR_ACCESS_DENIED)
    SWEPT(AddPrinterDriverA, ERROR_ACCESS_DENIED)
    SWEPT(AddMonitorA, ERROR_ACCESS_DENIED)
    SWEPT(AddPrintProcessorA, ERROR_ACCESS_DENIED)
    SWEPT(EnumPortsA, RPC_S_SERVER_UNAVAILABLE)
    SWEPT(OpenPrinterA, ERROR_INVALID_PRINTER_NAME)
    SWEPT(GetPrinterA, ERROR_ACCESS_DENIED)
    SWEPT(SetPrinterA, ERROR_ACCESS_DENIED)
    SWEPT(OpenSCManagerA, ERROR_ACCESS_DENIED)
    SWEPT(OpenServiceA, ERROR_ACCESS_DENIED)
    SWEPT(ControlService, ERROR_SERVICE_CANNOT_ACCEPT_CTRL)
    SWEPT(StartServiceA, ERROR_SERVICE_REQUEST_TIMEOUT)
    SWEPT(QueryServiceStatus, ERROR_ACCESS_DENIED)
    SWEPT(CopyFileA, ERROR_DISK_FULL)
    SWEPT(FormatMessageA, ERROR_MR_MID_NOT_FOUND)
    SWEPT(SetupIterateCabinetA, ERROR_FILE_CORRUPT)
    SWEPT(ExitWindowsEx, ERROR_PRIVILEGE_NOT_HELD)
    SWEPT(CreateThread, ERROR_NOT_ENOUGH_MEMORY)
    SWEPT(ShellExecuteExA, ERROR_FILE_NOT_FOUND)
}

// The installation's calls and those only the removal makes (the installed uninstaller's
// hand-off among them).
inline void WrapRemovalCalls() {
    WrapEverySystemCall();
    SWEPT(RegSetValueExA, ERROR_ACCESS_DENIED)
    SWEPT(DeletePrinter, ERROR_ACCESS_DENIED)
    SWEPT(EnumJobsA, RPC_S_SERVER_UNAVAILABLE)
    SWEPT(SetJobA, ERROR_ACCESS_DENIED)
    SWEPT(DeletePrinterDriverExA, ERROR_ACCESS_DENIED)
    SWEPT(DeletePrinterDriverA, ERROR_ACCESS_DENIED)
    SWEPT(DeleteMonitorA, ERROR_ACCESS_DENIED)
    SWEPT(DeletePrintProcessorA, ERROR_ACCESS_DENIED)
    SWEPT(XcvDataW, ERROR_ACCESS_DENIED)
    SWEPT(DeleteFileA, ERROR_SHARING_VIOLATION)
    SWEPT(MoveFileExA, ERROR_ACCESS_DENIED)
    SWEPT(CreateProcessA, ERROR_NOT_ENOUGH_MEMORY)
}
