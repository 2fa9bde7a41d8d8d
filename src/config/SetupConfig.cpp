#include "config/SetupConfig.h"

#include "config/DomainTypes.h"
#include "config/ProcessSettings.h"
#include "config/ProductVersion.h"
#include "config/ProfileReader.h"
#include "framework/TextFormat.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace {

constexpr const char* kTypeSuffixes[kPrinterTypeCount] = {"-ReceiptPrinter", "-TicketPrinter", "-LabelPrinter",
                                                          "-EmbeddedPrinter"};

// The reader object names every type file in lower case; the Install command and
// the wizard name two of them in mixed case. Windows (and Wine) match either.
constexpr const char* kTypeFiles32[kPrinterTypeCount] = {"DRVCONFIG\\setup_receipt.ini", "DRVCONFIG\\setup_ticket.ini",
                                                         "DRVCONFIG\\setup_label.ini", "DRVCONFIG\\setup_embedded.ini"};
constexpr const char* kTypeFiles64[kPrinterTypeCount] = {
    "DRVCONFIG\\setup_receipt_64.ini", "DRVCONFIG\\setup_ticket_64.ini", "DRVCONFIG\\setup_label_64.ini",
    "DRVCONFIG\\setup_embedded_64.ini"};
constexpr const char* kMixedCaseTypeFiles32[kPrinterTypeCount] = {
    "DRVCONFIG\\setup_receipt.ini", "DRVCONFIG\\setup_Ticket.ini", "DRVCONFIG\\setup_label.ini",
    "DRVCONFIG\\setup_Embedded.ini"};
constexpr const char* kMixedCaseTypeFiles64[kPrinterTypeCount] = {
    "DRVCONFIG\\setup_receipt_64.ini", "DRVCONFIG\\setup_Ticket_64.ini", "DRVCONFIG\\setup_label_64.ini",
    "DRVCONFIG\\setup_Embedded_64.ini"};

// The driver family rule and the universal driver's dependent files belong to the
// version-3 drivers of Windows 2000 and later.
bool ReadsNtDriverKeys(OsIndex os) { return IsNtFamilyFrom2000(os); }

// A key named as the schema builds it, read with the entry's limit or the buffer's,
// whichever is smaller: some buffers are larger than the value they hold.
std::size_t ReadKey(const std::string& path, const std::string& section, const ConfigKey& entry,
                    const std::string& name, char* buffer, std::size_t bufferSize) {
    const std::size_t size = entry.maxChars + 1 < bufferSize ? entry.maxChars + 1 : bufferSize;
    return ReadProfileText(path, section, name, buffer, size);
}

template <std::size_t N>
std::size_t Read(const std::string& path, const std::string& section, const ConfigKey& entry, char (&buffer)[N]) {
    return ReadKey(path, section, entry, entry.name, buffer, N);
}

template <std::size_t N>
std::size_t ReadMonitorKey(const std::string& path, const std::string& section, const ConfigKey& entry,
                           MonitorFamily family, char (&buffer)[N]) {
    return ReadKey(path, section, entry, MonitorKey(entry, family), buffer, N);
}

// File-name keys of the STD or GDI family (the prefix by raster flag), read into
// 200-byte buffers.
static_assert(sizeof(DriverFileSet::driverPath) == CSetupConfig::kFileSize, "record and reader buffers agree");

struct FamilyFileKey {
    const ConfigKey& entry;
    char* buffer;
};

void ReadFamilyFiles(const std::string& path, const std::string& section, int raster,
                     std::initializer_list<FamilyFileKey> keys) {
    for (const FamilyFileKey& key : keys)
        ReadKey(path, section, key.entry, FamilyKey(key.entry, raster), key.buffer, CSetupConfig::kFileSize);
}


}  // namespace

const char* TypeFileRelativePath(PrinterType type, bool is64BitWindows) {
    if (!IsKnownPrinterType(type)) return nullptr;
    return is64BitWindows ? kTypeFiles64[ToNumber(type)] : kTypeFiles32[ToNumber(type)];
}

const char* PrinterTypeName(PrinterType type) {
    static constexpr const char* kNames[kPrinterTypeCount] = {"receipt", "ticket", "label", "embedded"};
    return IsKnownPrinterType(type) ? kNames[ToNumber(type)] : "?";
}

PrinterType ClassifyDeviceEntry(std::string& entry) {
    for (int type = 0; type < kPrinterTypeCount; ++type) {
        std::size_t at = entry.find(kTypeSuffixes[type]);
        if (at != std::string::npos) {
            entry.erase(at);
            return PrinterTypeFromNumber(type);
        }
    }
    return PrinterType::None;
}

std::size_t LongestModelName() {
    std::size_t shortest = CSetupConfig::kFileSize;
    for (const char* suffix : kTypeSuffixes) shortest = std::min(shortest, std::strlen(suffix));
    return CSetupConfig::kFileSize - 1 - shortest;
}

int EffectiveRaster(int raster, PortKind kind, bool driverFamilyRule) {
    if (!driverFamilyRule) return raster;
    if (kind == PortKind::Serial) return 1;
    if (kind == PortKind::Usb) return 0;
    return raster;
}

std::string DriverNameKey(OsIndex os, PortKind kind) {
    if (os == OsIndex::Windows9x || os == OsIndex::WindowsNt4) return ConfigKeys::GdiDriverName.name;
    return DriverNameKeyOfKind(kind);
}

std::vector<char> BuildDependentFileList(const char* dataFile, const std::array<const char*, 4>& additionalFiles) {
    std::vector<char> list;
    auto add = [&list](const char* name) {
        if (name == nullptr || name[0] == '\0') return;  // an empty name would end the list early
        list.insert(list.end(), name, name + std::strlen(name));
        list.push_back('\0');
    };
    add(dataFile);
    add("TTFSUB.GPD");
    add("UNIRES.DLL");
    add("STDNAMES.GPD");
    for (const char* name : additionalFiles) {
        if (name != nullptr && name[0] != '0') add(name);
    }
    list.push_back('\0');
    return list;
}

CSetupConfig::CSetupConfig() : CSetupConfig(ProgramFolder()) {}

CSetupConfig::CSetupConfig(const std::string& programFolder) : dependentFiles_(2, '\0') {
    const bool is64 = ProcessSettings::Is64BitWindows();
    setupIniPath_ = JoinPath(programFolder, kSetupIniRelativePath);
    for (int type = 0; type < kPrinterTypeCount; ++type)
        typeFilePaths_[type] = JoinPath(programFolder, TypeFileRelativePath(PrinterTypeFromNumber(type), is64));
}

CSetupConfig::~CSetupConfig() = default;

const std::string& CSetupConfig::TypeFilePath(PrinterType type) const {
    static const std::string none;
    return IsKnownPrinterType(type) ? typeFilePaths_[ToNumber(type)] : none;
}

void CSetupConfig::SelectWorkFile() { workPath_ = TypeFilePath(currentType); }

std::string CSetupConfig::ModelSection(const char* model, OsIndex os) const {
    return model == nullptr ? std::string() : OsSectionOf(model, os);
}

int CSetupConfig::GetDeviceCount() {
    return ReadProfileInt(setupIniPath_, kDeviceNameSection, ConfigKeys::DeviceCount);
}

PrinterType CSetupConfig::GetDeviceName(int n, char* buffer, std::size_t bufferSize) {
    if (buffer == nullptr || bufferSize == 0) return PrinterType::None;
    std::string entry =
        ReadProfileString(setupIniPath_, kDeviceNameSection, DeviceEntryKey(n), ConfigKeys::DeviceEntry.maxChars);
    const PrinterType type = ClassifyDeviceEntry(entry);
    CopyBounded(buffer, bufferSize, entry.c_str());
    return type;
}

std::vector<CSetupConfig::DeviceEntry> CSetupConfig::GetDeviceList() {
    const CProfileSection section(setupIniPath_, kDeviceNameSection);
    return ReadDeviceList(SectionLookup(section, kDeviceNameSection));
}

PrinterType CSetupConfig::GetDefaultDevice(char* buffer, std::size_t bufferSize) {
    if (buffer == nullptr || bufferSize == 0) return PrinterType::None;
    ReadKey(setupIniPath_, kDeviceNameSection, ConfigKeys::DefaultDevice, ConfigKeys::DefaultDevice.name, buffer,
            bufferSize);
    int n = ParseLeadingInt(buffer);
    return GetDeviceName(n, buffer, bufferSize);
}

unsigned int CSetupConfig::GetProcessorVersion() {
    const ConfigKey& key = ConfigKeys::ProcessorVersion;
    return ReadProfileVersion(setupIniPath_, kProcessorVersionSection, key.name, key.maxChars);
}

void CSetupConfig::GetDriverInfo(const char* model, OsIndex os, DRIVER_INFO_3A* info, int raster, PortKind kind) {
    if (info == nullptr) return;
    SelectWorkFile();
    const std::string section = ModelSection(model, os);

    const std::string nameKey = DriverNameKey(os, kind);
    if (!nameKey.empty()) ReadKey(workPath_, section, ConfigKeys::DriverName, nameKey, driverName_, sizeof driverName_);

    if (ReadsNtDriverKeys(os)) raster = EffectiveRaster(raster, kind, ProcessSettings::DriverFamilyRule());
    if (raster == 0 || raster == 1) {
        ReadFamilyFiles(workPath_, section, raster, {{ConfigKeys::DataFile, dataFile_},
                                                     {ConfigKeys::DriverPath, driverPath_},
                                                     {ConfigKeys::HelpFile, helpFile_},
                                                     {ConfigKeys::DriverConfigFile, configFile_},
                                                     {ConfigKeys::DataFileDll, dataFileDll_},
                                                     {ConfigKeys::OemUiDll, oemuiDll_},
                                                     {ConfigKeys::OemUniDll, oemuniDll_},
                                                     {ConfigKeys::OemUniIni, oemuniIni_}});
    }

    // The spooler's driver versions: 0 for 9x, 2 for NT 4.0's kernel-mode drivers, 3 after.
    info->cVersion = os == OsIndex::Windows9x ? 0 : (os == OsIndex::WindowsNt4 ? 2 : 3);
    info->pName = driverName_;
    info->pEnvironment = IsWindows9x(os) ? windows40_ : nullptr;
    info->pDriverPath = driverPath_;
    info->pDataFile = dataFile_;
    info->pConfigFile = configFile_;
    info->pHelpFile = helpFile_;

    // Any nonzero number here asks for the generic driver's core files, whatever the
    // raster flag; Is2kDdkDriver deliberately applies a narrower test.
    const int ddk = ReadProfileInt(workPath_, section, FamilyKey(ConfigKeys::UniversalDriver, 1),
                                   ConfigKeys::UniversalDriver.maxChars);
    if (ddk != 0 && ReadsNtDriverKeys(os))
        dependentFiles_ = BuildDependentFileList(dataFile_, {dataFileDll_, oemuiDll_, oemuniDll_, oemuniIni_});
    else
        dependentFiles_.assign(2, '\0');
    info->pDependentFiles = dependentFiles_.data();
}

void CSetupConfig::GetPrinterInfo(const char* model, OsIndex os, PRINTER_INFO_2A* info, int raster, PortKind kind) {
    if (info == nullptr) return;
    SelectWorkFile();
    const std::string section = ModelSection(model, os);

    const std::string nameKey = DriverNameKey(os, kind);
    if (!nameKey.empty())
        ReadKey(workPath_, section, ConfigKeys::DriverName, nameKey, printerDriverName_, sizeof printerDriverName_);

    if (ReadsNtDriverKeys(os)) raster = EffectiveRaster(raster, kind, ProcessSettings::DriverFamilyRule());
    if (raster == 0 || raster == 1) {
        ReadKey(workPath_, section, ConfigKeys::PrintProcessor, FamilyKey(ConfigKeys::PrintProcessor, raster),
                printProcessor_, sizeof printProcessor_);
        Read(workPath_, section, ConfigKeys::Attributes, attributesText_);
    }

    info->Attributes = static_cast<DWORD>(ParseLeadingInt(attributesText_));
    info->pDriverName = printerDriverName_;
    info->pPrintProcessor = printProcessor_;
    CopyBounded(printerName_, sizeof printerName_, model);
    info->pPrinterName = printerName_;
}

void CSetupConfig::GetDriverFiles(const char* model, OsIndex os, DriverFileSet* files, int raster, PortKind kind) {
    if (files == nullptr) return;
    SelectWorkFile();
    const std::string section = ModelSection(model, os);

    raster = EffectiveRaster(raster, kind, ProcessSettings::DriverFamilyRule());
    if (raster != 0 && raster != 1) return;
    ReadFamilyFiles(workPath_, section, raster, {{ConfigKeys::DataFile, files->dataFile},
                                                 {ConfigKeys::DriverConfigFile, files->configFile},
                                                 {ConfigKeys::HelpFile, files->helpFile},
                                                 {ConfigKeys::ProcessorDll, files->processorDll},
                                                 {ConfigKeys::DriverPath, files->driverPath},
                                                 {ConfigKeys::DataFileDll, files->dataFileDll},
                                                 {ConfigKeys::OemUiDll, files->oemuiDll},
                                                 {ConfigKeys::OemUniDll, files->oemuniDll},
                                                 {ConfigKeys::OemUniIni, files->oemuniIni}});
    Read(workPath_, section, ConfigKeys::ControlFontFile, files->controlFontFile);
    // The USB identity file only travels with the 32-bit driver.
    if (!ProcessSettings::Is64BitWindows()) Read(workPath_, section, ConfigKeys::UsbIdentityFile, files->usbInternalId);
}

bool CSetupConfig::Is2kDdkDriver(const char* model, OsIndex os, int raster) {
    if (raster != 0 && raster != 1) return false;
    SelectWorkFile();
    // Four characters here, nine where the driver record decides on the core files.
    char value[5] = {};
    const ConfigKey& key = ConfigKeys::UniversalDriver;
    ReadKey(workPath_, ModelSection(model, os), key, FamilyKey(key, raster), value, sizeof value);
    return value[0] == '1';
}

void CSetupConfig::GetPortMonitors(OsIndex os, PortMonitorPair* pair) {
    if (pair == nullptr) return;
    const std::string section = MonitorSectionOf(os);
    const ConfigKey& version = ConfigKeys::MonitorVersion;
    ReadMonitorKey(setupIniPath_, section, ConfigKeys::MonitorName, MonitorFamily::Usb, usbMonitorName_);
    ReadMonitorKey(setupIniPath_, section, ConfigKeys::MonitorDll, MonitorFamily::Usb, usbMonitorDll_);
    ReadMonitorKey(setupIniPath_, section, ConfigKeys::MonitorUiDll, MonitorFamily::Usb, pair->usbUiDll);
    pair->usbVersion =
        ReadProfileVersion(setupIniPath_, section, MonitorKey(version, MonitorFamily::Usb), version.maxChars);
    ReadMonitorKey(setupIniPath_, section, ConfigKeys::MonitorName, MonitorFamily::Serial, serialMonitorName_);
    ReadMonitorKey(setupIniPath_, section, ConfigKeys::MonitorDll, MonitorFamily::Serial, serialMonitorDll_);
    ReadMonitorKey(setupIniPath_, section, ConfigKeys::MonitorUiDll, MonitorFamily::Serial, pair->serialUiDll);
    pair->serialVersion =
        ReadProfileVersion(setupIniPath_, section, MonitorKey(version, MonitorFamily::Serial), version.maxChars);

    char* environment = IsWindows9x(os) ? windows40_ : nullptr;
    pair->usb.pName = usbMonitorName_;
    pair->usb.pEnvironment = environment;
    pair->usb.pDLLName = usbMonitorDll_;
    pair->serial.pName = serialMonitorName_;
    pair->serial.pEnvironment = environment;
    pair->serial.pDLLName = serialMonitorDll_;
}

void CSetupConfig::GetLanguageMonitorInfo(const char* /*model*/, OsIndex os, LanguageMonitorInfo* info,
                                          PortKind kind) {
    if (info == nullptr) return;
    if (kind == PortKind::Serial || kind == PortKind::Parallel || kind == PortKind::Network) {
        info->monitor.pName = emptyText_;
        info->monitor.pDLLName = emptyText_;
        return;
    }
    if (kind != PortKind::Usb) return;

    const std::string section = MonitorSectionOf(os);
    char version[10] = {};
    const std::size_t nameLength = Read(setupIniPath_, section, ConfigKeys::LanguageMonitorName, languageMonitorName_);
    const std::size_t dllLength = Read(setupIniPath_, section, ConfigKeys::LanguageMonitorDll, languageMonitorDll_);
    const std::size_t versionLength = Read(setupIniPath_, section, ConfigKeys::LanguageMonitorVersion, version);

    // All three reading one character is how the default "0" shows: no monitor.
    if (nameLength == 1 && dllLength == 1 && versionLength == 1) {
        languageMonitorName_[0] = '\0';
        languageMonitorDll_[0] = '\0';
        info->version = 0;
    } else {
        info->version = ParseLeadingUnsigned(version);
    }
    info->monitor.pName = languageMonitorName_;
    info->monitor.pDLLName = languageMonitorDll_;
    info->monitor.pEnvironment = IsWindows9x(os) ? windows40_ : nullptr;
}

void BuildConfigPaths(const std::string& programFolder, PrinterType type, std::string& setupIniPath,
                      std::string& typeFilePath) {
    const bool is64 = ProcessSettings::Is64BitWindows();
    setupIniPath = JoinPath(programFolder, kSetupIniRelativePath);
    const int index = ToNumber(type);
    if (IsKnownPrinterType(type))
        typeFilePath = JoinPath(programFolder, is64 ? kMixedCaseTypeFiles64[index] : kMixedCaseTypeFiles32[index]);
    else
        typeFilePath = programFolder;
}

void BuildConfigPaths(PrinterType type, std::string& setupIniPath, std::string& typeFilePath) {
    BuildConfigPaths(ProgramFolder(), type, setupIniPath, typeFilePath);
}

int ReadDeviceSetting(const char* key) {
    if (key == nullptr) return 0;
    return ReadProfileInt(JoinPath(ProgramFolder(), kSetupIniRelativePath), kDeviceNameSection, key, 199);
}

int ReadDeviceSetting(const ConfigKey& key) {
    return ReadProfileInt(JoinPath(ProgramFolder(), kSetupIniRelativePath), kDeviceNameSection, key);
}

bool IsDottedVersion(const std::string& text) {
    int parts = 0;
    std::size_t i = 0;
    while (true) {
        std::size_t digits = 0;
        unsigned long value = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 6; ++i, ++digits)
            value = value * 10 + static_cast<unsigned long>(text[i] - '0');
        if (digits == 0 || digits > 5 || value > 65535 || ++parts > 4) return false;
        if (i == text.size()) return true;
        if (text[i++] != '.') return false;
    }
}

std::string DistributionVersion() {
    const ConfigKey& key = ConfigKeys::DistributionVersion;
    char text[32] = {};
    GetPrivateProfileStringA(kDeviceNameSection, key.name, key.defaultValue, text, sizeof text,
                             JoinPath(ProgramFolder(), kSetupIniRelativePath).c_str());
    return IsDottedVersion(text) ? std::string(text) : std::string(PRODUCT_VERSION_TEXT);
}

std::vector<CSetupConfig::DeviceEntry> ReadDeviceList(const ProfileLookup& setupIni) {
    const int count = LookupInt(setupIni, kDeviceNameSection, ConfigKeys::DeviceCount);
    std::vector<CSetupConfig::DeviceEntry> list;
    for (int n = 1; n <= count && n <= kMaxDeviceEntries; ++n) {
        std::string entry = setupIni(kDeviceNameSection, DeviceEntryKey(n), ConfigKeys::DeviceEntry.maxChars);
        const PrinterType type = ClassifyDeviceEntry(entry);
        list.push_back({std::move(entry), type});
    }
    return list;
}

PortScanTarget PortScanTargetOf(const std::vector<CSetupConfig::DeviceEntry>& devices) {
    PortScanTarget target;
    std::string model;
    for (const CSetupConfig::DeviceEntry& device : devices) {
        if (device.type == PrinterType::None) continue;
        model = device.name;
        target.type = device.type;
    }
    target.section = PortSectionOf(model);
    return target;
}

bool DriverFamilyRuleOf(const ProfileLookup& setupIni) {
    return LookupInt(setupIni, kDeviceNameSection, ConfigKeys::DriverFamilyRule) != 0;
}

StartFlags ReadStartFlags() {
    return StartFlags{ReadDeviceSetting(ConfigKeys::LoadLicence) != 0, ReadDeviceSetting(ConfigKeys::Language) == 0};
}
