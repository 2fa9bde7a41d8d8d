#pragma once

#include "config/ProfileReader.h"
#include "support/TestFiles.h"

#include <windows.h>
#include <winspool.h>

#include <string>

// Every engine failure text starts with a catalogue text; the tests' language file
// makes each one "<key> text", so a test can tell which key was used.
inline std::string Text(const char* key) { return std::string(key) + " text"; }

inline void WriteEngineMessages() {
    std::string file = "[Message]\n";
    for (const char* key :
         {"IDS_ERR_TOOMANY", "IDS_ERR_ADDPRINTER", "IDS_ERR_ADDPRNDRV3", "IDS_ERR_ADDMONITOR", "IDS_ERR_ALLOCMEMORY",
          "IDS_ERR_GETDRIVERDIR", "IDS_ERR_GETPRODIR", "IDS_ERR_GETSYSDIR", "IDS_ERR_DIRTYPE", "IDS_ERR_COPYFIEL",
          "IDS_ERR_COPYFIEL1", "IDS_ERR_ADDPROCESSOR", "IDS_ERR_NEEDRESTART"}) {
        file += std::string(key) + "=" + Text(key) + "\n";
    }
    WriteTextFile(ProgramFolder(), "language\\setup.ini", file);
}

// FormatMessageA that knows no code, for the texts written without a description.
inline DWORD WINAPI FormatMessageFails(DWORD, LPCVOID, DWORD, DWORD, LPSTR, DWORD, va_list*) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
}

// The system's own description of a code, as the engine appends it.
inline std::string SystemText(DWORD code) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text(buffer != nullptr ? buffer : "", length);
    LocalFree(buffer);
    return text;
}

inline std::string ReadWholeFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string content(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
    CloseHandle(file);
    content.resize(read);
    return content;
}

inline DWORD SpoolerState() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, "Spooler", SERVICE_QUERY_STATUS);
    SERVICE_STATUS status = {};
    QueryServiceStatus(service, &status);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return status.dwCurrentState;
}
