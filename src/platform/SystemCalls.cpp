#include "platform/SystemCalls.h"

#include "platform/SystemLibraries.h"

namespace {

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
const SystemCallTable kDefaults = {
    ::GetVersionExA,
    ::LoadLibraryA,
    ::LoadLibraryExA,
    ::GetProcAddress,
    ::AddPrinterA,
    ::AddPrinterDriverA,
    ::AddMonitorA,
    ::AddPrintProcessorA,
    ::EnumPortsA,
    ::OpenPrinterA,
    ::GetPrinterA,
    ::SetPrinterA,
    ::OpenSCManagerA,
    ::OpenServiceA,
    ::ControlService,
    ::StartServiceA,
    ::QueryServiceStatus,
    ::CopyFileA,
    ::FormatMessageA,
    ::SetupIterateCabinetA,
    ::ExitWindowsEx,
    ::CreateThread,
    ShellExecuteExFromSystemFolder,
    ::RegSetValueExA,
    ::DeletePrinter,
    ::EnumJobsA,
    ::SetJobA,
    ::DeletePrinterDriverExA,
    ::DeletePrinterDriverA,
    ::DeleteMonitorA,
    ::DeletePrintProcessorA,
    ::XcvDataW,
    ::DeleteFileA,
    ::MoveFileExA,
    ::CreateProcessA,
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

SystemCallTable current = kDefaults;

}  // namespace

SystemCallTable& SystemCalls() { return current; }

const SystemCallTable& DefaultSystemCalls() { return kDefaults; }

void ResetSystemCalls() { current = kDefaults; }
