#pragma once

#include "config/DomainTypes.h"

#include <cstddef>
#include <string>
#include <vector>

// Every key the program reads from the distribution's configuration files
// (DRVCONFIG\setup.ini and the type files setup_<type>[_64].ini), in one place: the
// readers name a key through its entry here, with the entry's length limit, and the
// checker walks the same entries. The language file's keys are listed in CatalogueKeys.
// A test that reads the sources (tests/check/config_keys.py) fails on a key read
// anywhere in src/ that is not listed here.

enum class ConfigFile {
    SetupIni,   // DRVCONFIG\setup.ini
    TypeFile,   // DRVCONFIG\setup_<type>.ini, setup_<type>_64.ini on 64-bit Windows
};

// How the program builds a key's full name from the entry's name.
enum class KeyForm {
    Whole,           // the name itself
    Numbered,        // name + a number from 1: DEVICENAME1, DEVICENAME2, ...
    Family,          // "STD" or "GDI" + name, by the raster flag
    PortLetter,      // name + the port kind's letter: S serial, P parallel, U USB, N network
    MonitorPrefix,   // "USBMONitor" or "COMMONitor" + name
    UsbPortName,     // the USB port's own name, USB_<model>_<n>
};

// How the program reads a value.
enum class ConfigKind {
    Integer,       // its leading decimal digits; text and a missing key read 0
    ListedValue,   // an integer that must be one of a fixed list (the port page's baud rates)
    Version,       // the leading digits as an unsigned version number
    Text,          // a text the program takes apart itself (a device entry and its type suffix)
    Name,          // a name handed to the spooler: driver, processor, monitor
    FileName,      // a plain file name of the W32 or W64 folder; "0" means none
    DottedVersion, // dotted numbers, 3.2.0.1 (IsDottedVersion)
};

// What the checker proves of every value of the entry on its own, whatever else it
// checks where the key is used.
enum class ConfigCheck {
    InContext,   // only where the key is used
    Number,      // warns when the value is not a number: it reads as 0
};

struct ConfigKey {
    ConfigFile file;
    const char* section;   // the section's name, or its pattern (below)
    const char* name;
    KeyForm form;
    ConfigKind kind;
    std::size_t maxChars;  // the longest value the program reads: the profile buffer less one
    ConfigCheck check = ConfigCheck::InContext;
    // Every lookup passes the default "0": a missing file, section or key reads "0".
    const char* defaultValue = "0";
};

// Sections and the patterns of the sections named after a model or an OS index.
constexpr const char* kDeviceNameSection = "DEVICENAME";
constexpr const char* kProcessorVersionSection = "ProcessorVersion";
constexpr const char* kUsbDeviceSection = "SUPPORTED-USB-DEVICE";
constexpr const char* kMonitorSectionPattern = "COMMON-MONITOR<OS>";
constexpr const char* kPortSectionPattern = "<model>.PORT";
constexpr const char* kOsSectionPattern = "<model>.<OS>";
// The fixed parts of the patterns.
constexpr const char* kPortSectionSuffix = ".PORT";
constexpr const char* kMonitorSectionStem = "COMMON-MONITOR";

// The OS index's section suffix, in index order (0 Windows 98/Me .. 7 Windows 7).
constexpr const char* kOsSectionSuffixes[] = {".98", ".NT", ".2K", ".XP", ".2003", ".Vista", ".2008", ".Win7"};
static_assert(sizeof kOsSectionSuffixes / sizeof kOsSectionSuffixes[0] == kOsIndexCount, "one suffix per OS index");
constexpr const char* kFamilyPrefixes[] = {"STD", "GDI"};              // by raster flag 0, 1
constexpr const char* kMonitorPrefixes[] = {"USBMONitor", "COMMONitor"};
constexpr char kPortLetters[] = "SPUN";                                // by port kind 0 .. 3

enum class MonitorFamily { Usb = 0, Serial = 1 };

namespace ConfigKeys {

using F = ConfigFile;
using K = ConfigKind;

// DRVCONFIG\setup.ini [DEVICENAME]: the device list and the distribution's switches.
// The switches are read with room for 199 characters, the count with 31.
inline constexpr ConfigKey DeviceCount{F::SetupIni, kDeviceNameSection, "DEVICENUMBER", KeyForm::Whole, K::Integer, 31};
inline constexpr ConfigKey DeviceEntry{F::SetupIni, kDeviceNameSection, "DEVICENAME", KeyForm::Numbered, K::Text, 199};
inline constexpr ConfigKey DefaultDevice{F::SetupIni, kDeviceNameSection, "DEFAULTNAME", KeyForm::Whole, K::Integer, 259};
inline constexpr ConfigKey LoadLicence{F::SetupIni, kDeviceNameSection, "LOADLICENSE", KeyForm::Whole, K::Integer, 199};
inline constexpr ConfigKey Language{F::SetupIni, kDeviceNameSection, "LANGUAGE", KeyForm::Whole, K::Integer, 199};
inline constexpr ConfigKey Bitness{F::SetupIni, kDeviceNameSection, "Supported32OR64", KeyForm::Whole, K::Integer, 199};
inline constexpr ConfigKey NewerWindows{F::SetupIni, kDeviceNameSection, "NewerWindows", KeyForm::Whole, K::Integer, 199};
inline constexpr ConfigKey DriverFamilyRule{F::SetupIni, kDeviceNameSection, "GDISTDSign", KeyForm::Whole, K::Integer, 199};
// Optional: without it the install record holds the program's own version.
inline constexpr ConfigKey DistributionVersion{F::SetupIni, kDeviceNameSection, "Version", KeyForm::Whole,
                                               K::DottedVersion, 31, ConfigCheck::InContext, ""};

// DRVCONFIG\setup.ini [ProcessorVersion].
inline constexpr ConfigKey ProcessorVersion{F::SetupIni, kProcessorVersionSection, "DriverVersion", KeyForm::Whole,
                                     K::Version, 31};

// DRVCONFIG\setup.ini [COMMON-MONITOR<OS>]: the USB and serial port monitors, the USB
// language monitor.
inline constexpr ConfigKey MonitorName{F::SetupIni, kMonitorSectionPattern, "PName", KeyForm::MonitorPrefix, K::Name, 49};
inline constexpr ConfigKey MonitorDll{F::SetupIni, kMonitorSectionPattern, "PDLLName", KeyForm::MonitorPrefix, K::FileName,
                               199};
inline constexpr ConfigKey MonitorUiDll{F::SetupIni, kMonitorSectionPattern, "PUIDLLName", KeyForm::MonitorPrefix,
                                 K::FileName, 49};
inline constexpr ConfigKey MonitorVersion{F::SetupIni, kMonitorSectionPattern, "Version", KeyForm::MonitorPrefix, K::Version,
                                   9};
inline constexpr ConfigKey LanguageMonitorName{F::SetupIni, kMonitorSectionPattern, "USBLMONitorName", KeyForm::Whole,
                                        K::Name, 49};
inline constexpr ConfigKey LanguageMonitorDll{F::SetupIni, kMonitorSectionPattern, "USBLMONitorDLLName", KeyForm::Whole,
                                       K::FileName, 199};
inline constexpr ConfigKey LanguageMonitorVersion{F::SetupIni, kMonitorSectionPattern, "USBLMONitorVersion", KeyForm::Whole,
                                           K::Version, 9};

// DRVCONFIG\setup.ini [SUPPORTED-USB-DEVICE]: the device number recorded per USB port.
inline constexpr ConfigKey UsbDeviceNumber{F::SetupIni, kUsbDeviceSection, "USB_<model>_<n>", KeyForm::UsbPortName,
                                    K::Integer, 31};

// Type file [<model>.PORT]: the port families, the port page's and the mode page's
// switches and the OS support of a model.
inline constexpr ConfigKey UsbSupported{F::TypeFile, kPortSectionPattern, "USBSUPPORTED", KeyForm::Whole, K::Integer, 31,
                                 ConfigCheck::Number};
inline constexpr ConfigKey LptSupported{F::TypeFile, kPortSectionPattern, "LPTSUPPORTED", KeyForm::Whole, K::Integer, 31,
                                 ConfigCheck::Number};
inline constexpr ConfigKey ComSupported{F::TypeFile, kPortSectionPattern, "COMSUPPORTED", KeyForm::Whole, K::Integer, 31,
                                 ConfigCheck::Number};
inline constexpr ConfigKey NetSupported{F::TypeFile, kPortSectionPattern, "NETSUPPORTED", KeyForm::Whole, K::Integer, 31,
                                 ConfigCheck::Number};
inline constexpr ConfigKey LptDefault{F::TypeFile, kPortSectionPattern, "LPTDEFAULT", KeyForm::Whole, K::Integer, 31,
                               ConfigCheck::Number};
inline constexpr ConfigKey RasterVisible{F::TypeFile, kPortSectionPattern, "RASTERVISIABLE", KeyForm::Whole, K::Integer, 31,
                                  ConfigCheck::Number};
inline constexpr ConfigKey AdvancedSetup{F::TypeFile, kPortSectionPattern, "AdvancedSetup", KeyForm::Whole, K::Integer, 31};
inline constexpr ConfigKey BaudRate{F::TypeFile, kPortSectionPattern, "BaudRate", KeyForm::Whole, K::ListedValue, 31};
inline constexpr ConfigKey NtSupported{F::TypeFile, kPortSectionPattern, "SystemNTSupported", KeyForm::Whole, K::Integer, 31};
inline constexpr ConfigKey Server2003Supported{F::TypeFile, kPortSectionPattern, "System2003Supported", KeyForm::Whole,
                                        K::Integer, 31};
inline constexpr ConfigKey VistaSupported{F::TypeFile, kPortSectionPattern, "SystemVistaSupported", KeyForm::Whole,
                                   K::Integer, 31};
inline constexpr ConfigKey Server2008Supported{F::TypeFile, kPortSectionPattern, "System2008Supported", KeyForm::Whole,
                                        K::Integer, 31};
inline constexpr ConfigKey Windows7Supported{F::TypeFile, kPortSectionPattern, "SystemWin7Supported", KeyForm::Whole,
                                      K::Integer, 31};

// Type file [<model>.<OS>]: the driver, its files and the printer record.
inline constexpr ConfigKey DriverName{F::TypeFile, kOsSectionPattern, "DriverName", KeyForm::PortLetter, K::Name, 49};
// Windows 98/Me and NT name the driver once, whatever the port.
inline constexpr ConfigKey GdiDriverName{F::TypeFile, kOsSectionPattern, "GDIDriverName", KeyForm::Whole, K::Name, 49};
inline constexpr ConfigKey DriverPath{F::TypeFile, kOsSectionPattern, "DriverPath", KeyForm::Family, K::FileName, 199};
inline constexpr ConfigKey DataFile{F::TypeFile, kOsSectionPattern, "DataFile", KeyForm::Family, K::FileName, 199};
inline constexpr ConfigKey DriverConfigFile{F::TypeFile, kOsSectionPattern, "ConfigFile", KeyForm::Family, K::FileName, 199};
inline constexpr ConfigKey HelpFile{F::TypeFile, kOsSectionPattern, "HelpFile", KeyForm::Family, K::FileName, 199};
inline constexpr ConfigKey ProcessorDll{F::TypeFile, kOsSectionPattern, "ProcessorDLLName", KeyForm::Family, K::FileName,
                                 199};
inline constexpr ConfigKey DataFileDll{F::TypeFile, kOsSectionPattern, "DataFileDLLName", KeyForm::Family, K::FileName, 199};
inline constexpr ConfigKey OemUiDll{F::TypeFile, kOsSectionPattern, "DataOemuiDLL", KeyForm::Family, K::FileName, 199};
inline constexpr ConfigKey OemUniDll{F::TypeFile, kOsSectionPattern, "DataOemuniDLL", KeyForm::Family, K::FileName, 199};
inline constexpr ConfigKey OemUniIni{F::TypeFile, kOsSectionPattern, "DataOemuniini", KeyForm::Family, K::FileName, 199};
inline constexpr ConfigKey PrintProcessor{F::TypeFile, kOsSectionPattern, "PrintProcessor", KeyForm::Family, K::Name, 49};
// Nonzero: the driver is built on the system's universal driver and needs its core files.
inline constexpr ConfigKey UniversalDriver{F::TypeFile, kOsSectionPattern, "2KDDKDEV", KeyForm::Family, K::Integer, 9};
inline constexpr ConfigKey Attributes{F::TypeFile, kOsSectionPattern, "ATTRIBUTES", KeyForm::Whole, K::Integer, 49,
                               ConfigCheck::Number};
inline constexpr ConfigKey ControlFontFile{F::TypeFile, kOsSectionPattern, "ControlFontFile", KeyForm::Whole, K::FileName,
                                    199};
inline constexpr ConfigKey UsbIdentityFile{F::TypeFile, kOsSectionPattern, "USBInternalID", KeyForm::Whole, K::FileName, 199};

}  // namespace ConfigKeys

// Every entry above, in their order (ConfigKeyTable.cpp).
extern const ConfigKey kConfigKeys[];
extern const std::size_t kConfigKeyCount;

// Section names: "<model>.PORT"; "<model>" + the OS suffix and "COMMON-MONITOR" + the OS
// suffix, empty for an OS index outside the known ones (a lookup into no section reads "0").
std::string PortSectionOf(const std::string& model);
std::string OsSectionOf(const std::string& model, OsIndex os);
std::string MonitorSectionOf(OsIndex os);
// Suffix of the per-OS section names (".98" ... ".Win7"); empty outside the known ones.
const char* OsSectionSuffix(OsIndex os);

// Full key names of the entries the program builds.
std::string DeviceEntryKey(int n);                                   // DEVICENAME<n>
std::string FamilyKey(const ConfigKey& key, int raster);             // 1 "GDI", else "STD"
std::string DriverNameKeyOfKind(PortKind kind);                      // empty for no known kind
std::string MonitorKey(const ConfigKey& key, MonitorFamily family);
// Every name an entry stands for: its prefixed and lettered names; none for the
// numbered and USB port forms, whose names have no end.
std::vector<std::string> KeyNames(const ConfigKey& key);
