#pragma once

// The values the whole system speaks of: which Windows, which kind of port, which
// printer type, which install mode. Each keeps the number the configuration files,
// the texts and the journal use for it; ToNumber and the ...FromNumber functions
// convert where an INI value, a journal line or a Win32 structure needs the number.
// A number outside the known range converts unchanged, and no predicate holds for it,
// so a garbage value read from a file stays a garbage value that matches nothing.

// The Windows the installation is for, as the OS page's buttons, the model sections'
// suffixes and the journal number them.
enum class OsIndex : int {
    Windows9x = 0,  // Windows 98 and Me
    WindowsNt4 = 1,
    Windows2000 = 2,
    WindowsXp = 3,
    WindowsServer2003 = 4,
    WindowsVista = 5,
    WindowsServer2008 = 6,
    Windows7 = 7,  // and the newer Windows, installed as the Windows 7 family
};
constexpr int kOsIndexCount = 8;

constexpr int ToNumber(OsIndex os) { return static_cast<int>(os); }
constexpr OsIndex OsIndexFromNumber(int number) { return static_cast<OsIndex>(number); }
constexpr bool IsKnownOsIndex(OsIndex os) { return ToNumber(os) >= 0 && ToNumber(os) < kOsIndexCount; }

// Windows 98 and Me: the "Windows 4.0" spooler environment, the profile's [Ports].
constexpr bool IsWindows9x(OsIndex os) { return os == OsIndex::Windows9x; }
// Two meanings of "the NT family" live in this system, each with its own callers.
// The installation counts NT 4.0 in: its spooler, its restart notice and the in-place
// update of the components are NT's.
constexpr bool IsNtFamilyFromNt4(OsIndex os) { return os >= OsIndex::WindowsNt4 && os <= OsIndex::Windows7; }
// The driver files, the start-up's administrator check and the core-file restore start
// at Windows 2000, whose drivers and spooler NT 4.0 does not share.
constexpr bool IsNtFamilyFrom2000(OsIndex os) { return os >= OsIndex::Windows2000 && os <= OsIndex::Windows7; }
// Windows 2000, XP and Server 2003 keep the universal driver's core files in their
// Driver Cache; Vista and later in the driver store.
constexpr bool KeepsDriverCache(OsIndex os) { return os >= OsIndex::Windows2000 && os <= OsIndex::WindowsServer2003; }
constexpr bool KeepsDriverStore(OsIndex os) { return os >= OsIndex::WindowsVista && os <= OsIndex::Windows7; }
// Windows 98/Me and NT 4.0 have no USB driver of ours: the port page's notice about it
// does not follow the installed one there.
constexpr bool TakesOurUsbDriver(OsIndex os) { return !IsWindows9x(os) && os != OsIndex::WindowsNt4; }
// No 64-bit Windows 98/Me, NT 4.0 or 2000 exists: the 64-bit editions start at XP.
constexpr bool Has64BitEdition(OsIndex os) { return os >= OsIndex::WindowsXp && os <= OsIndex::Windows7; }
// This 32-bit program reaches the 64-bit system folder, where 64-bit Windows wants the
// monitors and the components the spooler loads, only with file system redirection off.
constexpr bool Uses64BitSystemFolder(bool is64BitWindows) { return is64BitWindows; }

// Kinds of port, as the driver-name keys' letters S, P, U and N order them.
enum class PortKind : int {
    None = -1,
    Serial = 0,
    Parallel = 1,
    Usb = 2,
    Network = 3,
};

constexpr int ToNumber(PortKind kind) { return static_cast<int>(kind); }
constexpr PortKind PortKindFromNumber(int number) { return static_cast<PortKind>(number); }
// As the journal and the install record name a kind.
constexpr const char* PortKindName(PortKind kind) {
    switch (kind) {
        case PortKind::Serial: return "serial";
        case PortKind::Parallel: return "parallel";
        case PortKind::Usb: return "USB";
        case PortKind::Network: return "network";
        default: return "none";
    }
}

// Printer types, as the device entries' suffixes and the type files name them.
enum class PrinterType : int {
    None = -1,  // no type chosen, or a device entry without a type suffix
    Receipt = 0,
    Ticket = 1,
    Label = 2,
    Embedded = 3,
};
constexpr int kPrinterTypeCount = 4;

constexpr int ToNumber(PrinterType type) { return static_cast<int>(type); }
constexpr PrinterType PrinterTypeFromNumber(int number) { return static_cast<PrinterType>(number); }
constexpr bool IsKnownPrinterType(PrinterType type) {
    return ToNumber(type) >= 0 && ToNumber(type) < kPrinterTypeCount;
}

// The install mode, with the numbers the mode page saves and the selection carries.
enum class InstallMode : int {
    Advanced = 0,
    Typical = 1,
};

constexpr int ToNumber(InstallMode mode) { return static_cast<int>(mode); }
constexpr InstallMode InstallModeFromNumber(int number) { return static_cast<InstallMode>(number); }
