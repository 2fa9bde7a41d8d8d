#include "config/SetupConfig.h"

#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "framework/TextFormat.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace {

constexpr const char* kOsSuffixes[kOsIndexCount] = {".98", ".NT", ".2K", ".XP", ".2003", ".Vista", ".2008", ".Win7"};
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

bool IsNtFamilyIndex(int os) { return os >= 2 && os <= 7; }

template <std::size_t N>
std::size_t Read(const std::string& path, const std::string& section, const char* key, char (&buffer)[N]) {
    return ReadProfileText(path, section, key, buffer, N);
}

// A value read into a buffer that is larger than the value's own limit.
template <std::size_t N>
std::size_t Read(const std::string& path, const std::string& section, const char* key, char (&buffer)[N],
                 std::size_t maxChars) {
    return ReadProfileText(path, section, key, buffer, maxChars + 1 < N ? maxChars + 1 : N);
}

// A file-name key of the STD or GDI family (the prefix by raster flag), read into a
// 200-byte buffer.
static_assert(sizeof(DriverFileSet::driverPath) == CSetupConfig::kFileSize, "record and reader buffers agree");

struct FamilyFileKey {
    const char* word;
    char* buffer;
};

void ReadFamilyFiles(const std::string& path, const std::string& section, int raster,
                     std::initializer_list<FamilyFileKey> keys) {
    const std::string prefix = raster == 1 ? "GDI" : "STD";
    for (const FamilyFileKey& key : keys)
        ReadProfileText(path, section, prefix + key.word, key.buffer, CSetupConfig::kFileSize);
}


}  // namespace

const char* TypeFileRelativePath(int type, bool is64BitWindows) {
    if (type < 0 || type >= kPrinterTypeCount) return nullptr;
    return is64BitWindows ? kTypeFiles64[type] : kTypeFiles32[type];
}

const char* PrinterTypeName(int type) {
    static constexpr const char* kNames[kPrinterTypeCount] = {"receipt", "ticket", "label", "embedded"};
    return type >= 0 && type < kPrinterTypeCount ? kNames[type] : "?";
}

const char* OsSectionSuffix(int os) {
    return (os >= 0 && os < kOsIndexCount) ? kOsSuffixes[os] : "";
}

int ClassifyDeviceEntry(std::string& entry) {
    for (int type = 0; type < kPrinterTypeCount; ++type) {
        std::size_t at = entry.find(kTypeSuffixes[type]);
        if (at != std::string::npos) {
            entry.erase(at);
            return type;
        }
    }
    return -1;
}

std::size_t LongestModelName() {
    std::size_t shortest = CSetupConfig::kFileSize;
    for (const char* suffix : kTypeSuffixes) shortest = std::min(shortest, std::strlen(suffix));
    return CSetupConfig::kFileSize - 1 - shortest;
}

int EffectiveRaster(int raster, int kind, bool driverFamilyRule) {
    if (!driverFamilyRule) return raster;
    if (kind == 0) return 1;
    if (kind == 2) return 0;
    return raster;
}

const char* DriverNameKey(int os, int kind, bool printerSpelling) {
    if (os == 0 || os == 1) return printerSpelling ? "GDIDRIVERNAME" : "GDIDriverName";
    switch (kind) {
        case 0: return "DriverNameS";
        case 1: return "DriverNameP";
        case 2: return "DriverNameU";
        case 3: return "DriverNameN";
        default: return nullptr;
    }
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
        typeFilePaths_[type] = JoinPath(programFolder, TypeFileRelativePath(type, is64));
}

CSetupConfig::~CSetupConfig() = default;

const std::string& CSetupConfig::TypeFilePath(int type) const {
    static const std::string none;
    return (type >= 0 && type < kPrinterTypeCount) ? typeFilePaths_[type] : none;
}

void CSetupConfig::SelectWorkFile() { workPath_ = TypeFilePath(currentType); }

std::string CSetupConfig::ModelSection(const char* model, int os) const {
    if (model == nullptr || os < 0 || os >= kOsIndexCount) return std::string();
    return std::string(model) + kOsSuffixes[os];
}

int CSetupConfig::GetDeviceCount() {
    return ReadProfileInt(setupIniPath_, "DEVICENAME", "DEVICENUMBER");
}

int CSetupConfig::GetDeviceName(int n, char* buffer, std::size_t bufferSize) {
    if (buffer == nullptr || bufferSize == 0) return -1;
    std::string entry = ReadProfileString(setupIniPath_, "DEVICENAME", "DEVICENAME" + std::to_string(n), kFileSize - 1);
    int type = ClassifyDeviceEntry(entry);
    CopyBounded(buffer, bufferSize, entry.c_str());
    return type;
}

std::vector<CSetupConfig::DeviceEntry> CSetupConfig::GetDeviceList() {
    const CProfileSection section(setupIniPath_, "DEVICENAME");
    return ReadDeviceList(SectionLookup(section, "DEVICENAME"));
}

int CSetupConfig::GetDefaultDevice(char* buffer, std::size_t bufferSize) {
    if (buffer == nullptr || bufferSize == 0) return -1;
    ReadProfileText(setupIniPath_, "DEVICENAME", "DEFAULTNAME", buffer, bufferSize < 260 ? bufferSize : 260);
    int n = ParseLeadingInt(buffer);
    return GetDeviceName(n, buffer, bufferSize);
}

unsigned int CSetupConfig::GetProcessorVersion() {
    return ReadProfileVersion(setupIniPath_, "ProcessorVersion", "DriverVersion");
}

void CSetupConfig::GetDriverInfo(const char* model, int os, DRIVER_INFO_3A* info, int raster, int kind) {
    if (info == nullptr) return;
    SelectWorkFile();
    const std::string section = ModelSection(model, os);

    if (const char* key = DriverNameKey(os, kind, false)) Read(workPath_, section, key, driverName_);

    if (IsNtFamilyIndex(os)) raster = EffectiveRaster(raster, kind, ProcessSettings::DriverFamilyRule());
    if (raster == 0 || raster == 1) {
        ReadFamilyFiles(workPath_, section, raster, {{"DataFile", dataFile_},
                                                     {"DriverPath", driverPath_},
                                                     {"HelpFile", helpFile_},
                                                     {"ConfigFile", configFile_},
                                                     {"DataFileDLLName", dataFileDll_},
                                                     {"DataOemuiDLL", oemuiDll_},
                                                     {"DataOemuniDLL", oemuniDll_},
                                                     {"DataOemuniini", oemuniIni_}});
    }

    info->cVersion = os == 0 ? 0 : (os == 1 ? 2 : 3);
    info->pName = driverName_;
    info->pEnvironment = os == 0 ? windows40_ : nullptr;
    info->pDriverPath = driverPath_;
    info->pDataFile = dataFile_;
    info->pConfigFile = configFile_;
    info->pHelpFile = helpFile_;

    // Any nonzero number here asks for the generic driver's core files, whatever the
    // raster flag; Is2kDdkDriver deliberately applies a narrower test.
    const int ddk = ReadProfileInt(workPath_, section, "GDI2KDDKDEV", 9);
    if (ddk != 0 && IsNtFamilyIndex(os))
        dependentFiles_ = BuildDependentFileList(dataFile_, {dataFileDll_, oemuiDll_, oemuniDll_, oemuniIni_});
    else
        dependentFiles_.assign(2, '\0');
    info->pDependentFiles = dependentFiles_.data();
}

void CSetupConfig::GetPrinterInfo(const char* model, int os, PRINTER_INFO_2A* info, int raster, int kind) {
    if (info == nullptr) return;
    SelectWorkFile();
    const std::string section = ModelSection(model, os);

    if (const char* key = DriverNameKey(os, kind, true)) Read(workPath_, section, key, printerDriverName_);

    if (IsNtFamilyIndex(os)) raster = EffectiveRaster(raster, kind, ProcessSettings::DriverFamilyRule());
    if (raster == 0 || raster == 1) {
        Read(workPath_, section, raster == 1 ? "GDIPrintProcessor" : "STDPrintProcessor", printProcessor_);
        Read(workPath_, section, "ATTRIBUTES", attributesText_);
    }

    info->Attributes = static_cast<DWORD>(ParseLeadingInt(attributesText_));
    info->pDriverName = printerDriverName_;
    info->pPrintProcessor = printProcessor_;
    CopyBounded(printerName_, sizeof printerName_, model);
    info->pPrinterName = printerName_;
}

void CSetupConfig::GetDriverFiles(const char* model, int os, DriverFileSet* files, int raster, int kind) {
    if (files == nullptr) return;
    SelectWorkFile();
    const std::string section = ModelSection(model, os);

    raster = EffectiveRaster(raster, kind, ProcessSettings::DriverFamilyRule());
    if (raster != 0 && raster != 1) return;
    ReadFamilyFiles(workPath_, section, raster, {{"DataFile", files->dataFile},
                                                 {"ConfigFile", files->configFile},
                                                 {"HelpFile", files->helpFile},
                                                 {"ProcessorDLLName", files->processorDll},
                                                 {"DriverPath", files->driverPath},
                                                 {"DataFileDLLName", files->dataFileDll},
                                                 {"DataOemuiDLL", files->oemuiDll},
                                                 {"DataOemuniDLL", files->oemuniDll},
                                                 {"DataOemuniini", files->oemuniIni}});
    Read(workPath_, section, "ControlFontFile", files->controlFontFile);
    // The USB identity file only travels with the 32-bit driver.
    if (!ProcessSettings::Is64BitWindows()) Read(workPath_, section, "USBInternalID", files->usbInternalId);
}

bool CSetupConfig::Is2kDdkDriver(const char* model, int os, int raster) {
    if (raster != 0 && raster != 1) return false;
    SelectWorkFile();
    char value[5] = {};
    Read(workPath_, ModelSection(model, os), raster == 1 ? "GDI2KDDKDEV" : "STD2KDDKDEV", value);
    return value[0] == '1';
}

void CSetupConfig::GetPortMonitors(int os, PortMonitorPair* pair) {
    if (pair == nullptr) return;
    const std::string section = (os >= 0 && os < kOsIndexCount) ? std::string("COMMON-MONITOR") + kOsSuffixes[os]
                                                                 : std::string();
    Read(setupIniPath_, section, "USBMONitorPName", usbMonitorName_);
    Read(setupIniPath_, section, "USBMONitorPDLLName", usbMonitorDll_, kFileSize - 1);
    Read(setupIniPath_, section, "USBMONitorPUIDLLName", pair->usbUiDll, kNameSize - 1);
    pair->usbVersion = ReadProfileVersion(setupIniPath_, section, "USBMONitorVersion", 9);
    Read(setupIniPath_, section, "COMMONitorPName", serialMonitorName_);
    Read(setupIniPath_, section, "COMMONitorPDLLName", serialMonitorDll_, kFileSize - 1);
    Read(setupIniPath_, section, "COMMONitorPUIDLLName", pair->serialUiDll, kNameSize - 1);
    pair->serialVersion = ReadProfileVersion(setupIniPath_, section, "COMMONitorVersion", 9);

    char* environment = os == 0 ? windows40_ : nullptr;
    pair->usb.pName = usbMonitorName_;
    pair->usb.pEnvironment = environment;
    pair->usb.pDLLName = usbMonitorDll_;
    pair->serial.pName = serialMonitorName_;
    pair->serial.pEnvironment = environment;
    pair->serial.pDLLName = serialMonitorDll_;
}

void CSetupConfig::GetLanguageMonitorInfo(const char* /*model*/, int os, LanguageMonitorInfo* info, int kind) {
    if (info == nullptr) return;
    if (kind == 0 || kind == 1 || kind == 3) {
        info->monitor.pName = emptyText_;
        info->monitor.pDLLName = emptyText_;
        return;
    }
    if (kind != 2) return;

    const std::string section = (os >= 0 && os < kOsIndexCount) ? std::string("COMMON-MONITOR") + kOsSuffixes[os]
                                                                 : std::string();
    char version[10] = {};
    const std::size_t nameLength = Read(setupIniPath_, section, "USBLMONitorName", languageMonitorName_);
    const std::size_t dllLength =
        Read(setupIniPath_, section, "USBLMONitorDLLName", languageMonitorDll_, kFileSize - 1);
    const std::size_t versionLength = Read(setupIniPath_, section, "USBLMONitorVersion", version);

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
    info->monitor.pEnvironment = os == 0 ? windows40_ : nullptr;
}

void BuildConfigPaths(const std::string& programFolder, int type, std::string& setupIniPath,
                      std::string& typeFilePath) {
    const bool is64 = ProcessSettings::Is64BitWindows();
    setupIniPath = JoinPath(programFolder, kSetupIniRelativePath);
    if (type >= 0 && type < kPrinterTypeCount)
        typeFilePath = JoinPath(programFolder, is64 ? kMixedCaseTypeFiles64[type] : kMixedCaseTypeFiles32[type]);
    else
        typeFilePath = programFolder;
}

void BuildConfigPaths(int type, std::string& setupIniPath, std::string& typeFilePath) {
    BuildConfigPaths(ProgramFolder(), type, setupIniPath, typeFilePath);
}

int ReadDeviceSetting(const char* key) {
    if (key == nullptr) return 0;
    return ReadProfileInt(JoinPath(ProgramFolder(), kSetupIniRelativePath), "DEVICENAME", key, 199);
}

std::vector<CSetupConfig::DeviceEntry> ReadDeviceList(const ProfileLookup& setupIni) {
    const int count = LookupInt(setupIni, "DEVICENAME", "DEVICENUMBER");
    std::vector<CSetupConfig::DeviceEntry> list;
    for (int n = 1; n <= count && n <= kMaxDeviceEntries; ++n) {
        std::string entry = setupIni("DEVICENAME", "DEVICENAME" + std::to_string(n), CSetupConfig::kFileSize - 1);
        const int type = ClassifyDeviceEntry(entry);
        list.push_back({std::move(entry), type});
    }
    return list;
}

PortScanTarget PortScanTargetOf(const std::vector<CSetupConfig::DeviceEntry>& devices) {
    PortScanTarget target;
    std::string model;
    for (const CSetupConfig::DeviceEntry& device : devices) {
        if (device.type < 0) continue;
        model = device.name;
        target.type = device.type;
    }
    target.section = model + ".PORT";
    return target;
}

bool DriverFamilyRuleOf(const ProfileLookup& setupIni) {
    return LookupInt(setupIni, "DEVICENAME", "GDISTDSign", 199) != 0;
}
