#pragma once

#include "config/ConfigSchema.h"
#include "config/DomainTypes.h"

#include <windows.h>
#include <winspool.h>

#include "config/ProfileReader.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

// The readers take printer types, OS indexes and port kinds as the types of
// DomainTypes.h, whose numbers the files' sections are named by; raster 0 reads STD
// keys, 1 GDI keys.

// Device loops stop here whatever DEVICENUMBER says: a garbage count must not
// turn into billions of profile lookups.
constexpr int kMaxDeviceEntries = 9999;

// Relative path of DRVCONFIG\setup.ini, and of a printer type's file as the reader
// object and the start-up name it (lower case; _64 on 64-bit Windows); null for no known type.
constexpr const char* kSetupIniRelativePath = "DRVCONFIG\\setup.ini";
const char* TypeFileRelativePath(PrinterType type, bool is64BitWindows);
// The printer type in a word, as switches and reports name it: "receipt", "ticket",
// "label", "embedded"; "?" for no known type.
const char* PrinterTypeName(PrinterType type);

// Cuts the first known type suffix ("-ReceiptPrinter", "-TicketPrinter",
// "-LabelPrinter", "-EmbeddedPrinter", tried in that order) off a device entry
// and returns its type; PrinterType::None and the entry unchanged when it carries none.
PrinterType ClassifyDeviceEntry(std::string& entry);
// The longest model name a device entry can carry: the entry as the device list reads it,
// less the shortest type suffix. The model page offers no longer name.
std::size_t LongestModelName();

// Raster flag after the driver-family rule: serial reads GDI, USB reads STD.
int EffectiveRaster(int raster, PortKind kind, bool driverFamilyRule);

// Key of the driver name for an OS index and interface kind; empty when no name is
// read (an unknown kind from Windows 2000 on).
std::string DriverNameKey(OsIndex os, PortKind kind);

// The spooler's dependent-file list: each name zero-terminated, then an empty name.
// Names that are empty or begin with "0" (meaning "none") are left out.
std::vector<char> BuildDependentFileList(const char* dataFile,
                                         const std::array<const char*, 4>& additionalFiles);

// Monitor description plus the version this distribution carries.
struct LanguageMonitorInfo {
    MONITOR_INFO_2A monitor;
    unsigned int version;
};

struct PortMonitorPair {
    MONITOR_INFO_2A serial;
    MONITOR_INFO_2A usb;
    char serialUiDll[200];
    char usbUiDll[200];
    unsigned int serialVersion;
    unsigned int usbVersion;
};

// File names of one driver installation; the caller zero-fills the record.
struct DriverFileSet {
    char driverPath[200];
    char dataFile[200];
    char configFile[200];
    char helpFile[200];
    char processorDll[200];
    char dataFileDll[200];
    char oemuniDll[200];
    char oemuniIni[200];
    char oemuiDll[200];
    char controlFontFile[200];
    char usbInternalId[200];
};

// Reader of DRVCONFIG\setup.ini and the four type files beside the program. The
// string pointers it stores in the records point into this object; they stay valid
// until the same operation runs again or the reader goes.
class CSetupConfig {
public:
    static constexpr std::size_t kNameSize = 50;
    static constexpr std::size_t kFileSize = 200;
    // Room for a monitor DLL name plus the one-letter prefix of an in-use copy.
    static constexpr std::size_t kMonitorDllSize = kFileSize + 2;
    // The spooler operations and the Install command extend the printer name in place.
    static constexpr std::size_t kPrinterNameSize = 260;

    CSetupConfig();
    // Reads the files below programFolder instead of the executable's folder.
    explicit CSetupConfig(const std::string& programFolder);
    virtual ~CSetupConfig();
    CSetupConfig(const CSetupConfig&) = delete;
    CSetupConfig& operator=(const CSetupConfig&) = delete;

    int GetDeviceCount();
    // n from 1; buffer of bufferSize bytes (the entry is read up to 199 characters).
    PrinterType GetDeviceName(int n, char* buffer, std::size_t bufferSize = kFileSize);
    PrinterType GetDefaultDevice(char* buffer, std::size_t bufferSize = 260);
    // Entries 1 .. DEVICENUMBER (at most kMaxDeviceEntries) as GetDeviceName reads them
    // one by one, from one read of the section: the device list may be long.
    struct DeviceEntry {
        std::string name;
        PrinterType type;
    };
    std::vector<DeviceEntry> GetDeviceList();
    unsigned int GetProcessorVersion();

    void GetDriverInfo(const char* model, OsIndex os, DRIVER_INFO_3A* info, int raster, PortKind kind);
    void GetPrinterInfo(const char* model, OsIndex os, PRINTER_INFO_2A* info, int raster, PortKind kind);
    void GetDriverFiles(const char* model, OsIndex os, DriverFileSet* files, int raster, PortKind kind);
    bool Is2kDdkDriver(const char* model, OsIndex os, int raster);
    void GetPortMonitors(OsIndex os, PortMonitorPair* pair);
    void GetLanguageMonitorInfo(const char* model, OsIndex os, LanguageMonitorInfo* info, PortKind kind);

    const std::string& SetupIniPath() const { return setupIniPath_; }
    // Empty for no known type: every lookup then reads its default.
    const std::string& TypeFilePath(PrinterType type) const;

    // Type file the per-model operations read; none until the owner sets it.
    PrinterType currentType = PrinterType::None;

private:
    void SelectWorkFile();
    std::string ModelSection(const char* model, OsIndex os) const;

    std::string setupIniPath_;
    std::array<std::string, kPrinterTypeCount> typeFilePaths_;
    std::string workPath_;

    char driverName_[kNameSize] = {};
    char dataFile_[kFileSize] = {};
    char driverPath_[kFileSize] = {};
    char helpFile_[kFileSize] = {};
    char configFile_[kFileSize] = {};
    char dataFileDll_[kFileSize] = {};
    char oemuiDll_[kFileSize] = {};
    char oemuniDll_[kFileSize] = {};
    char oemuniIni_[kFileSize] = {};
    std::vector<char> dependentFiles_;

    char usbMonitorName_[kNameSize] = {};
    char usbMonitorDll_[kMonitorDllSize] = {};
    char serialMonitorName_[kNameSize] = {};
    char serialMonitorDll_[kMonitorDllSize] = {};
    char languageMonitorName_[kNameSize] = {};
    char languageMonitorDll_[kMonitorDllSize] = {};

    char printerDriverName_[kNameSize] = {};
    char attributesText_[kNameSize] = {};
    char printProcessor_[kNameSize] = {};
    char printerName_[kPrinterNameSize] = {};

    // Writable copies: the spooler structures take non-const pointers.
    char windows40_[12] = "Windows 4.0";
    char emptyText_[1] = {};
};

// Full paths of DRVCONFIG\setup.ini and of the type file of a printer type as the
// Install command and the wizard name them; for no known type the type file
// path is the program folder alone (no file). Empty paths when they cannot be formed.
void BuildConfigPaths(PrinterType type, std::string& setupIniPath, std::string& typeFilePath);
void BuildConfigPaths(const std::string& programFolder, PrinterType type, std::string& setupIniPath,
                      std::string& typeFilePath);

// Integer switch of section DEVICENAME in DRVCONFIG\setup.ini beside the program.
int ReadDeviceSetting(const char* key);
int ReadDeviceSetting(const ConfigKey& key);

// One to four numbers of at most five digits each, up to 65535, joined by dots: the
// form of a version resource and of the version a deployment tool compares.
bool IsDottedVersion(const std::string& text);
// The distribution's version, [DEVICENAME] Version of DRVCONFIG\setup.ini beside the
// program; the program's own version where the key is missing or not dotted numbers.
std::string DistributionVersion();

// Rules of DRVCONFIG\setup.ini that the program and the checker both apply, each over
// the lookup it reads the file with.

// The model page's device list: entries 1 .. DEVICENUMBER (at most kMaxDeviceEntries),
// each cut at 199 characters and classified by its type suffix (PrinterType::None: none).
std::vector<CSetupConfig::DeviceEntry> ReadDeviceList(const ProfileLookup& setupIni);

// What the start-up port family scan reads: the ".PORT" section of the last device entry
// that carries a type suffix, or just ".PORT" when none does, and that entry's type.
struct PortScanTarget {
    std::string section;
    PrinterType type = PrinterType::None;
};
PortScanTarget PortScanTargetOf(const std::vector<CSetupConfig::DeviceEntry>& devices);

// GDISTDSign nonzero: the files and driver records follow the driver family rule.
bool DriverFamilyRuleOf(const ProfileLookup& setupIni);

// Switches of DRVCONFIG\setup.ini that shape the wizard, and the uninstaller's window.
struct StartFlags {
    bool licencePage;   // LOADLICENSE nonzero
    bool chineseFont;   // LANGUAGE zero or missing
};
StartFlags ReadStartFlags();
