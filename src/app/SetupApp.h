#pragma once

#include "config/SetupConfig.h"
#include "framework/UniqueResource.h"
#include "platform/SystemLibraries.h"

#include <windows.h>

#include <string>

// Titles a running wizard may carry (English, and Chinese in the GBK code page).
extern const char* const kWizardTitles[2];
// Titles of the uninstaller's window while it is open.
extern const char* const kUninstallerTitles[2];


// True when start-up accepts this Windows version: the NT family from 5.0 (2000)
// to 6.1 (7), and Windows 95 (9x, minor version 0), whose code paths the engine keeps.
// Windows 8 and later only with the distribution's opt-in (newerWindows), which
// installs them as the Windows 7 family; without it they would run the 98/Me paths.
bool IsAdmittedWindowsVersion(DWORD platformId, DWORD majorVersion, DWORD minorVersion, bool newerWindows);

// The start-up port family scan's target in this distribution's device list.
PortScanTarget FindPortScanTarget();

// True when any of USBSUPPORTED, LPTSUPPORTED, COMSUPPORTED, NETSUPPORTED is nonzero
// in the target's section of the four type files (the _64 ones on 64-bit Windows).
bool AnyPortFamilyOffered(const PortScanTarget& target);


// Why start-up refused, for an unattended run's exit code.
enum class Refusal {
    None,
    AnotherCopy,          // a second instance: the first is brought forward
    UninstallerRunning,   // [Setup] Close
    WindowsUnsupported,   // [Setup] Nonsupport
    WrongBitness,         // [Message] IDS_X64 or IDS_X32
    NoPortFamily,         // [Setup] PortNull
    ProtectedPrint,       // [Setup] ProtectedPrint: Windows takes no driver but its own
};

// The application object: its initialisation is the whole life of the program.
class CSetupApp {
public:
    CSetupApp();
    // Another single-instance name; tests use one per case.
    explicit CSetupApp(std::string applicationName);
    ~CSetupApp();
    CSetupApp(const CSetupApp&) = delete;
    CSetupApp& operator=(const CSetupApp&) = delete;

    // Runs the program. Always false: the process ends when it returns.
    bool InitInstance();

    // The admission checks in their order; false when start-up refuses (the reason
    // has been shown, except for a second instance, which only brings the first forward).
    bool PassAdmission();
    Refusal LastRefusal() const { return refusal_; }

    // An unattended run: a refusal is written to the journal instead of a message box,
    // and a running copy is left where it is.
    bool unattended = false;

    const std::string& ApplicationName() const { return applicationName_; }

private:
    bool Refuse(Refusal refusal, const char* section, const char* key);

    std::string applicationName_;
    Refusal refusal_ = Refusal::None;
    // Owned from the first check to the end of the process: its name is what a
    // second start finds.
    UniqueHandle instanceMutex_;
};
