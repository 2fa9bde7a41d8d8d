#pragma once

#include <windows.h>
#include <setupapi.h>
#include <shellapi.h>
#include <winspool.h>

// Platform calls whose failures the tests must be able to produce on demand (Wine
// cannot make them fail: its spooler never answers "already exists", files are never
// in use, FormatMessage always knows the code). Product code calls them through this
// one table; a test swaps a single entry for its own length and puts the default back.
// Everything else calls Windows directly.
struct SystemCallTable {
    BOOL(WINAPI* GetVersionExA)(LPOSVERSIONINFOA info);
    HMODULE(WINAPI* LoadLibraryA)(LPCSTR fileName);
    HMODULE(WINAPI* LoadLibraryExA)(LPCSTR fileName, HANDLE reserved, DWORD flags);
    FARPROC(WINAPI* GetProcAddress)(HMODULE module, LPCSTR procName);

    HANDLE(WINAPI* AddPrinterA)(LPSTR server, DWORD level, LPBYTE printer);
    BOOL(WINAPI* AddPrinterDriverA)(LPSTR server, DWORD level, LPBYTE driver);
    BOOL(WINAPI* AddMonitorA)(LPSTR server, DWORD level, LPBYTE monitor);
    BOOL(WINAPI* AddPrintProcessorA)(LPSTR server, LPSTR environment, LPSTR pathName,
                                     LPSTR processorName);
    BOOL(WINAPI* EnumPortsA)(LPSTR server, DWORD level, LPBYTE ports, DWORD size, LPDWORD needed,
                             LPDWORD returned);
    BOOL(WINAPI* OpenPrinterA)(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults);
    BOOL(WINAPI* GetPrinterA)(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed);
    BOOL(WINAPI* SetPrinterA)(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command);

    SC_HANDLE(WINAPI* OpenSCManagerA)(LPCSTR machine, LPCSTR database, DWORD access);
    SC_HANDLE(WINAPI* OpenServiceA)(SC_HANDLE manager, LPCSTR name, DWORD access);
    BOOL(WINAPI* ControlService)(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status);
    BOOL(WINAPI* StartServiceA)(SC_HANDLE service, DWORD argumentCount, LPCSTR* arguments);
    BOOL(WINAPI* QueryServiceStatus)(SC_HANDLE service, LPSERVICE_STATUS status);

    BOOL(WINAPI* CopyFileA)(LPCSTR source, LPCSTR target, BOOL failIfExists);
    DWORD(WINAPI* FormatMessageA)(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                                  LPSTR buffer, DWORD size, va_list* arguments);
    BOOL(WINAPI* SetupIterateCabinetA)(PCSTR cabinet, DWORD reserved, PSP_FILE_CALLBACK_A callback,
                                       PVOID context);
    // Tests must be able to answer a restart without restarting anything.
    BOOL(WINAPI* ExitWindowsEx)(UINT flags, DWORD reason);
    // An installation whose worker cannot start must leave the wizard usable.
    HANDLE(WINAPI* CreateThread)(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize,
                                 LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags, LPDWORD threadId);
    // Tests read how the USB driver package's installer was asked to show itself. From
    // shell32 in the system folder, loaded on first use (ShellExecuteExFromSystemFolder).
    BOOL(WINAPI* ShellExecuteExA)(SHELLEXECUTEINFOA* info);
    // The install record's writes: a record cut short must not stay behind as one.
    LONG(WINAPI* RegSetValueExA)(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);

    // The removal: Wine's spooler lists no documents (EnumJobs is a stub), never holds a
    // driver in use and answers yes to any print processor's deletion; its files are
    // never in use either.
    BOOL(WINAPI* DeletePrinter)(HANDLE printer);
    BOOL(WINAPI* EnumJobsA)(HANDLE printer, DWORD firstJob, DWORD jobs, DWORD level, LPBYTE buffer, DWORD size,
                            LPDWORD needed, LPDWORD returned);
    BOOL(WINAPI* SetJobA)(HANDLE printer, DWORD jobId, DWORD level, LPBYTE job, DWORD command);
    BOOL(WINAPI* DeletePrinterDriverExA)(LPSTR server, LPSTR environment, LPSTR driver, DWORD deleteFlag,
                                         DWORD versionFlag);
    BOOL(WINAPI* DeletePrinterDriverA)(LPSTR server, LPSTR environment, LPSTR driver);
    BOOL(WINAPI* DeleteMonitorA)(LPSTR server, LPSTR environment, LPSTR monitor);
    BOOL(WINAPI* DeletePrintProcessorA)(LPSTR server, LPSTR environment, LPSTR processor);
    BOOL(WINAPI* XcvDataW)(HANDLE xcv, PCWSTR dataName, PBYTE input, DWORD inputSize, PBYTE output, DWORD outputSize,
                           PDWORD outputNeeded, PDWORD status);
    BOOL(WINAPI* DeleteFileA)(LPCSTR path);
    BOOL(WINAPI* MoveFileExA)(LPCSTR existing, LPCSTR target, DWORD flags);
    // The installed uninstaller hands the deletion of its own file to a copy of itself;
    // where that copy cannot start, the deletion waits for the restart instead.
    BOOL(WINAPI* CreateProcessA)(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES process,
                                 LPSECURITY_ATTRIBUTES thread, BOOL inheritHandles, DWORD flags, LPVOID environment,
                                 LPCSTR folder, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION information);
};

// The table in force.
SystemCallTable& SystemCalls();
// The real functions.
const SystemCallTable& DefaultSystemCalls();
// Puts every entry back to the real function.
void ResetSystemCalls();
