#pragma once

#include "config/SetupConfig.h"
#include "engine/InstallObserver.h"
#include "engine/SpoolerObjects.h"
#include "ports/SerialSettings.h"

#include <windows.h>
#include <winspool.h>

#include <cstddef>
#include <string>

// What the worker installs: the user's choices and the spooler records the
// configuration reader filled from them. Handed over complete before the worker
// starts; read back only after the progress window has closed.
struct InstallRequest {
    static constexpr std::size_t kModelNameSize = 260;

    CSetupConfig* config = nullptr;  // owns the strings the records point to
    PrinterType printerType = PrinterType::None;
    OsIndex osIndex = OsIndex::Windows9x;
    int raster = 0;
    char modelName[kModelNameSize] = {};  // the printer's final name after a success
    std::string portName;
    PortKind portKind = PortKind::None;  // as ClassifyPortName gives it
    int setAsDefault = 0;
    SerialLineSettings serial;
    int installFlags = 0;

    DriverFileSet files = {};
    DRIVER_INFO_3A driver = {};
    LanguageMonitorInfo languageMonitor = {};
    PRINTER_INFO_2A printer = {};

    // A repair: the existing printer of this name is given the record's driver, port and
    // processor instead of adding a printer; empty adds one (with the next free number
    // where the name is taken).
    std::string keepPrinter;
    // A taken name is recognised by looking at the spooler's printers before adding, not
    // only by the spooler's refusal (AddPrinterObject's lookFirst).
    bool namesByLooking = false;
    // The USB port's value under HKLM\SOFTWARE\VANTORA\PRINTERPORT was written by this run.
    bool usbPrinterPortWritten = false;

    // The first failure's text, or the restart notice after a success.
    std::string resultText;
    // Every monitor, processor and driver this run added, with the environment it went
    // to: on 64-bit Windows an object may be in both "Windows NT x86" and "Windows x64".
    SpoolerRegistrations registrations;
};

// The request and who watches it, given to the worker as one pointer.
struct InstallContext {
    InstallRequest* request = nullptr;
    IInstallObserver* observer = nullptr;
};

// The installation, start to end; tells the observer each step and, last, the outcome.
// Returns 0 in every case: the outcome and the result text tell how it went.
unsigned int RunInstallation(InstallContext& context);

// Thread entry for RunInstallation; the parameter is an InstallContext*.
DWORD WINAPI InstallationThread(void* context);
