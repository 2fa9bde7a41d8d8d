#include "check/DistributionCheck.h"

#include "config/CatalogueKeys.h"
#include "config/DomainTypes.h"
#include "config/ProfileReader.h"
#include "config/ProfileSnapshot.h"
#include "config/SetupConfig.h"
#include "engine/EnvironmentProbes.h"
#include "framework/GdiObjects.h"
#include "framework/UniqueResource.h"
#include "ports/PortList.h"
#include "ports/PortNames.h"
#include "ports/UsbIdentity.h"
#include "selection/SelectionRules.h"
#include "ui/LicencePage.h"

#include <windows.h>

#include <array>
#include <cstdlib>
#include <map>
#include <set>

namespace {

constexpr const char* kBitsNames[2] = {"32-bit", "64-bit"};
constexpr const char* kDriverFolders[2] = {"W32", "W64"};
constexpr const char* kUsbDriverFolders[2] = {"USBDRV\\USBDriver\\", "USBDRV\\USBDriver_x64\\"};
// The language file's texts are read up to 2047 characters; the configuration keys'
// limits are the schema's.
constexpr std::size_t kMaxText = 2047;
// The model name inside "USB_" + model + "_n" port names.
constexpr std::size_t kMaxUsbModelName = 45;
// The deepest folder a driver file is copied to ("C:\WINDOWS\system32\spool\drivers\w32x86\3\"
// and the like, with room for a longer Windows folder): a name beyond this does not fit MAX_PATH.
constexpr std::size_t kLongestTargetFolder = 64;
// The side panel of the frame, in dialog units: the bitmap is stretched to it.
constexpr double kSidePanelAspect = 100.0 / 162.0;
// Support files of drivers on the system's universal driver: the engine stages them.
constexpr const char* kCoreFiles[] = {"TTFSUB.GPD", "UNIRES.DLL", "STDNAMES.GPD"};

// Keys of the per-OS sections that name files of a driver family.
constexpr const ConfigKey* kRequiredFileKeys[] = {&ConfigKeys::DriverPath, &ConfigKeys::DataFile,
                                                  &ConfigKeys::DriverConfigFile, &ConfigKeys::HelpFile,
                                                  &ConfigKeys::ProcessorDll};
constexpr const ConfigKey* kOptionalFileKeys[] = {&ConfigKeys::DataFileDll, &ConfigKeys::OemUiDll,
                                                  &ConfigKeys::OemUniDll, &ConfigKeys::OemUniIni};
// The name of the system's own print processor, whose DLL is never copied.
constexpr const char* kSystemPrintProcessor = "WinPrint";

// A number of [DEVICENAME] as the program reads it.
int DeviceSetting(const CProfileSnapshot& setup, const ConfigKey& key) {
    return ParseLeadingInt(setup.Read(kDeviceNameSection, key.name, key.maxChars).c_str());
}

bool StartsWithDigits(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

std::string Fold(const std::string& name) { return FoldProfileName(name); }

std::string Quoted(const std::string& text) {
    constexpr std::size_t kShown = 60;
    return "\"" + (text.size() > kShown ? text.substr(0, kShown) + "..." : text) + "\"";
}

bool FileExists(const std::string& path) {
    DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& path) {
    DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The files of a folder by folded name, each with its name as stored.
std::map<std::string, std::string> ListFiles(const std::string& folder, const char* pattern = "*") {
    std::map<std::string, std::string> files;
    const std::string query = JoinPath(folder, pattern);
    if (query.empty()) return files;
    WIN32_FIND_DATAA data;
    UniqueFindHandle search(FindFirstFileA(query.c_str(), &data));
    if (!search) return files;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) files.emplace(Fold(data.cFileName), data.cFileName);
    } while (FindNextFileA(search.get(), &data));
    return files;
}

struct Device {
    int number;
    std::string model;
    PrinterType type;
};

// Which port kinds a model offers on an OS, per bitness (bit per interface kind).
using KindSet = unsigned;
constexpr KindSet KindBit(PortKind kind) { return ToNumber(kind) >= 0 ? 1u << ToNumber(kind) : 0u; }

class CChecker {
public:
    CChecker(const std::string& folder, const CheckOptions& options) : folder_(folder), options_(options) {}

    CheckResult Run() {
        if (!FolderExists(JoinPath(folder_, "DRVCONFIG"))) return result_;
        result_.folderReadable = true;
        setup_ = CProfileSnapshot(JoinPath(folder_, kSetupIniRelativePath));
        for (int bits = 0; bits < 2; ++bits) {
            for (int type = 0; type < kPrinterTypeCount; ++type)
                typeFiles_[bits][type] =
                    CProfileSnapshot(JoinPath(folder_, TypeFileRelativePath(PrinterTypeFromNumber(type), bits == 1)));
            driverFiles_[bits] = ListFiles(JoinPath(folder_, kDriverFolders[bits]));
        }
        if (!setup_.Loaded()) {
            Error(kSetupIniRelativePath, "", "", "missing: no device, monitor or switch can be read");
            return result_;
        }
        SelectBitnesses();
        CheckFirstLine(setup_, kSetupIniRelativePath);
        for (int bits = 0; bits < 2; ++bits)
            for (int type = 0; type < kPrinterTypeCount; ++type)
                if (bits_[bits])
                    CheckFirstLine(typeFiles_[bits][type], TypeFileRelativePath(PrinterTypeFromNumber(type), bits == 1));
        CheckDeviceList();
        CheckDistributionVersion();
        for (const Device& device : devices_) CheckModel(device);
        CheckPortScan();
        CheckMonitors();
        CheckUsbPackage();
        CheckLanguageFiles();
        CheckLicenceAndBitmap();
        CheckUnnamedFiles();
        return result_;
    }

private:
    void Add(Severity severity, const std::string& file, const std::string& section, const std::string& key,
             const std::string& reason) {
        // One finding per place: the same key is met for several OS, kinds and families.
        if (!reported_.insert(file + "\n" + Fold(section) + "\n" + Fold(key) + "\n" + reason).second) return;
        result_.findings.push_back(Finding{severity, file, section, key, reason});
    }
    void Error(const std::string& file, const std::string& section, const std::string& key, const std::string& reason) {
        Add(Severity::Error, file, section, key, reason);
    }
    void Warning(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& reason) {
        Add(Severity::Warning, file, section, key, reason);
    }

    std::vector<OsIndex> OsIndexes(int bits) const {
        std::vector<OsIndex> wanted;
        for (int number : options_.osIndexes) wanted.push_back(OsIndexFromNumber(number));
        if (wanted.empty()) {
            for (int number = 0; number < kOsIndexCount; ++number)
                if (IsNtFamilyFrom2000(OsIndexFromNumber(number))) wanted.push_back(OsIndexFromNumber(number));
        }
        std::vector<OsIndex> result;
        for (OsIndex os : wanted)
            if (IsKnownOsIndex(os) && (bits == 0 || Has64BitEdition(os))) result.push_back(os);
        return result;
    }

    void SelectBitnesses() {
        const ConfigKey& key = ConfigKeys::Bitness;
        const int package = DeviceSetting(setup_, key);
        bits_[0] = options_.check32 && package != 2;
        bits_[1] = options_.check64 && package != 1;
        if (setup_.Find(kDeviceNameSection, key.name) && (package < 0 || package > 3))
            Warning(kSetupIniRelativePath, kDeviceNameSection, key.name,
                    std::to_string(package) + " is none of 0, 1, 2, 3: the package runs on 32-bit and 64-bit Windows");
    }

    // Windows' profile functions do not recognise a UTF-8 byte-order mark: it stays part of
    // the first line, so a section header there is never found (Wine reads the mark).
    void CheckFirstLine(const CProfileSnapshot& file, const std::string& relative) {
        const std::string& section = file.SectionBehindUtf8Mark();
        if (!section.empty())
            Error(relative, section, "",
                  "never read: the file starts with a UTF-8 byte-order mark, which the profile functions take "
                  "as part of this first line; save the file as ANSI or UTF-16");
    }

    // Deployment tools compare this version with a package's: a value they cannot
    // compare would make every installation look outdated, or none.
    void CheckDistributionVersion() {
        const ConfigKey& key = ConfigKeys::DistributionVersion;
        const std::optional<std::string> version = setup_.Find(kDeviceNameSection, key.name);
        if (version && !IsDottedVersion(*version))
            Error(kSetupIniRelativePath, kDeviceNameSection, key.name,
                  Quoted(*version) + " is not a version of dotted numbers such as 3.2.0.1: the install records "
                                     "hold Setup.exe's own version instead");
    }

    // --- Device list ------------------------------------------------------------------

    void CheckDeviceList() {
        const char* file = kSetupIniRelativePath;
        const char* section = kDeviceNameSection;
        const std::string countKey = ConfigKeys::DeviceCount.name;
        const std::optional<std::string> countText = setup_.Find(section, countKey);
        const int count = DeviceSetting(setup_, ConfigKeys::DeviceCount);
        if (!countText || count <= 0) {
            Error(file, section, countKey,
                  countText ? Quoted(*countText) + " counts no device: the wizard offers no model"
                            : "missing: reads as 0, the wizard offers no model");
        } else if (count > kMaxDeviceEntries) {
            Error(file, section, countKey, std::to_string(count) + " is beyond the 9999 entries the program reads");
        }
        const int last = count < 0 ? 0 : (count > kMaxDeviceEntries ? kMaxDeviceEntries : count);
        int missingFrom = 0;
        auto flushMissing = [&](int upTo) {
            if (missingFrom == 0) return;
            const std::string key =
                DeviceEntryKey(missingFrom) + (upTo > missingFrom ? " ... " + DeviceEntryKey(upTo) : "");
            Error(file, section, key, "missing: " + countKey + " counts " + std::to_string(count) + " entries");
            missingFrom = 0;
        };
        std::map<std::string, const Device*> byName;
        deviceList_ = ReadDeviceList(SnapshotLookup(setup_));
        for (int n = 1; n <= last; ++n) {
            const std::string key = DeviceEntryKey(n);
            const std::optional<std::string> value = setup_.Find(section, key);
            if (!value) {
                if (missingFrom == 0) missingFrom = n;
                continue;
            }
            flushMissing(n - 1);
            if (value->size() > ConfigKeys::DeviceEntry.maxChars)
                Error(file, section, key,
                      std::to_string(value->size()) + " characters: the program reads the first " +
                          std::to_string(ConfigKeys::DeviceEntry.maxChars));
            // The entry as the model page reads it.
            const std::string& model = deviceList_[n - 1].name;
            const PrinterType type = deviceList_[n - 1].type;
            if (type == PrinterType::None) {
                Error(file, section, key,
                      Quoted(*value) + " carries no type suffix (-ReceiptPrinter, -TicketPrinter, -LabelPrinter, "
                                       "-EmbeddedPrinter): the entry is skipped");
                continue;
            }
            if (model.empty()) {
                Error(file, section, key, "no model name before the type suffix");
                continue;
            }
            if (model.size() > kMaxUsbModelName)
                Warning(file, section, key,
                        "model name of " + std::to_string(model.size()) +
                            " characters: the port page's USB port names are made for 45 or fewer");
            devices_.push_back(Device{n, model, type});
        }
        flushMissing(last);
        for (const Device& device : devices_) {
            const std::string key = DeviceEntryKey(device.number);
            auto [at, fresh] = byName.emplace(Fold(device.model), &device);
            if (!fresh) {
                const Device& first = *at->second;
                Error(file, section, key,
                      "model " + Quoted(device.model) + " is listed already as " + DeviceEntryKey(first.number) +
                          (first.type == device.type ? " of the same type: both read the same sections"
                                                     : std::string(", a ") + PrinterTypeName(first.type) +
                                                           " printer: their printer and USB port names collide"));
            }
        }
        // Entries the count leaves out, or written so that the program never asks for them.
        const std::string entryStem = Fold(ConfigKeys::DeviceEntry.name);
        for (const CProfileSnapshot::Entry& entry : setup_.Entries(section)) {
            const std::string folded = Fold(entry.key);
            if (folded.compare(0, entryStem.size(), entryStem) != 0 || folded.size() == entryStem.size()) continue;
            const std::string digits = folded.substr(entryStem.size());
            if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
            const long long n = digits.size() > 9 ? 1LL << 40 : std::atoll(digits.c_str());
            if (digits[0] == '0' || n < 1)
                Warning(file, section, entry.key, "never read: device numbers carry no leading zeros");
            else if (n > last)
                Warning(file, section, entry.key,
                        "beyond " + countKey + " (" + std::to_string(count) + "): the entry is never read");
        }
        const std::optional<std::string> defaultText = setup_.Find(section, ConfigKeys::DefaultDevice.name);
        const int defaultNumber = DeviceSetting(setup_, ConfigKeys::DefaultDevice);
        bool found = false;
        for (const Device& device : devices_) found = found || device.number == defaultNumber;
        if (!found && !devices_.empty())
            Warning(file, section, ConfigKeys::DefaultDevice.name,
                    (defaultText ? Quoted(*defaultText) : std::string("missing, read as 0,")) +
                        " names no device: the model page preselects no model");
    }

    // --- Per model ----------------------------------------------------------------------

    bool TypeFileLoaded(int bits, PrinterType type) {
        if (typeFiles_[bits][ToNumber(type)].Loaded()) return true;
        Error(TypeFileRelativePath(type, bits == 1), "", "",
              std::string("missing: the ") + PrinterTypeName(type) + " printers cannot be installed on " + kBitsNames[bits] +
                  " Windows");
        return false;
    }

    static bool OsSupported(const CProfileSnapshot& file, const std::string& portSection, OsIndex os) {
        return UnsupportedOsMessageKey(os, ReadOsSupport(SnapshotLookup(file), portSection)) == nullptr;
    }

    void CheckModel(const Device& device) {
        for (int bits = 0; bits < 2; ++bits) {
            if (!bits_[bits] || !TypeFileLoaded(bits, device.type)) continue;
            const CProfileSnapshot& types = typeFiles_[bits][ToNumber(device.type)];
            const std::string file = TypeFileRelativePath(device.type, bits == 1);
            const std::string portSection = PortSectionOf(device.model);
            if (!types.HasSection(portSection)) {
                Error(file, portSection, "", "missing: the model offers no port and cannot be installed");
                continue;
            }
            // The advanced list's keys include the typical list's.
            const PortListKeys keys = ReadPortListKeys(SnapshotLookup(types), portSection, false);
            CheckNumbers(types, file, kPortSectionPattern, portSection);
            if (!keys.usbSupported && !keys.lptSupported && !keys.comSupported && !keys.netSupported) {
                Error(file, portSection, "",
                      std::string("offers no port family (") + ConfigKeys::UsbSupported.name + ", " +
                          ConfigKeys::LptSupported.name + ", " + ConfigKeys::ComSupported.name + ", " +
                          ConfigKeys::NetSupported.name + " all 0)");
                continue;
            }
            // Read here with room for 199 characters; the mode page and the unattended mode
            // read it with the schema's 31.
            const bool advanced = AdvancedModeOffered(SnapshotLookup(types), portSection, 199);
            const ConfigKey& baudRate = ConfigKeys::BaudRate;
            if (const std::optional<std::string> baud = types.Find(portSection, baudRate.name)) {
                if (!IsListedBaudRate(LookupInt(SnapshotLookup(types), portSection, baudRate)))
                    Warning(file, portSection, baudRate.name,
                            Quoted(*baud) + " is no baud rate of the list: 38400 is used");
            }
            for (OsIndex os : OsIndexes(bits)) {
                if (!OsSupported(types, portSection, os)) continue;
                CheckModelOnOs(device, bits, os, keys, advanced);
            }
        }
    }

    void CheckModelOnOs(const Device& device, int bits, OsIndex os, const PortListKeys& keys, bool advanced) {
        const CProfileSnapshot& types = typeFiles_[bits][ToNumber(device.type)];
        const std::string file = TypeFileRelativePath(device.type, bits == 1);
        const std::string portSection = PortSectionOf(device.model);
        const std::string where = std::string(OsIndexName(os)) + " (" + kBitsNames[bits] + ")";
        KindSet kinds = 0;
        // Only a box the advanced list shows counts here; the unattended mode also lets
        // /raster change a box the plan leaves as it was (RasterRuleOf).
        bool rasterBoxShown = false;
        for (bool typical : {true, false}) {
            if (!typical && !advanced) continue;
            PortListInput input{keys, device.model, os, bits == 1, typical, UsbProbe::Nothing()};
            const PortListPlan plan = PlanPortList(input);
            rasterBoxShown = rasterBoxShown || plan.rasterBox == Visibility::Show;
            for (const std::string& entry : plan.entries) kinds |= KindBit(ClassifyPortName(entry.c_str()));
            const PortKind wanted = PortKindOfLptDefault(keys.lptDefault);
            if (typical && wanted != PortKind::None && !plan.entries.empty() &&
                ClassifyPortName(plan.portText.c_str()) != wanted)
                Warning(file, portSection, ConfigKeys::LptDefault.name,
                        std::to_string(keys.lptDefault) + " preselects a port kind the model does not offer on " +
                            where + ": the first port is preselected");
        }
        if (kinds == 0) {
            Error(file, portSection, "", "offers no port on " + where);
            return;
        }
        needs_[bits][ToNumber(os)] |= kinds;
        const std::string section = OsSectionOf(device.model, os);
        if (!types.HasSection(section)) {
            Error(file, section, "", "missing: the model cannot be installed on " + where);
            return;
        }
        const bool driverFamilyRule = DriverFamilyRuleOf(SnapshotLookup(setup_));
        std::set<int> families;
        for (PortKind kind : {PortKind::Serial, PortKind::Parallel, PortKind::Usb, PortKind::Network}) {
            if ((kinds & KindBit(kind)) == 0) continue;
            const std::string nameKey = DriverNameKey(os, kind);
            if (!nameKey.empty()) CheckName(types, file, section, ConfigKeys::DriverName, nameKey, true);
            // Serial ports print with raster flag 0; the others with 1, or 0 when the
            // advanced mode shows the raster check box and the user clears it.
            std::set<int> rasters = {kind == PortKind::Serial ? 0 : 1};
            if (kind != PortKind::Serial && rasterBoxShown) rasters.insert(0);
            for (int raster : rasters) {
                families.insert(raster);                                      // the driver record on 98/NT
                families.insert(EffectiveRaster(raster, kind, driverFamilyRule));   // the files, and the record on 2000+
            }
        }
        for (int raster : families) {
            const ConfigKey& processor = ConfigKeys::PrintProcessor;
            const std::string processorKey = FamilyKey(processor, raster);
            // The system's own processor is never copied: its DLL need not be shipped.
            const bool ownProcessor = types.Read(section, processorKey, processor.maxChars) == kSystemPrintProcessor;
            for (const ConfigKey* key : kRequiredFileKeys)
                if (!ownProcessor || key != &ConfigKeys::ProcessorDll)
                    CheckFileKey(types, bits, file, section, *key, FamilyKey(*key, raster), true);
            for (const ConfigKey* key : kOptionalFileKeys)
                CheckFileKey(types, bits, file, section, *key, FamilyKey(*key, raster), false);
            CheckName(types, file, section, processor, processorKey, true);
        }
        CheckFileKey(types, bits, file, section, ConfigKeys::ControlFontFile, ConfigKeys::ControlFontFile.name, false);
        if (bits == 0)
            CheckFileKey(types, bits, file, section, ConfigKeys::UsbIdentityFile, ConfigKeys::UsbIdentityFile.name,
                         false);
        CheckNumbers(types, file, kOsSectionPattern, section);
    }

    // The schema's keys of a section pattern that must hold numbers, in the schema's order.
    void CheckNumbers(const CProfileSnapshot& source, const std::string& file, const char* sectionPattern,
                      const std::string& section) {
        for (std::size_t i = 0; i < kConfigKeyCount; ++i) {
            const ConfigKey& key = kConfigKeys[i];
            if (key.check != ConfigCheck::Number || std::string(key.section) != sectionPattern) continue;
            for (const std::string& name : KeyNames(key)) {
                const std::optional<std::string> text = source.Find(section, name);
                if (text && !StartsWithDigits(*text))
                    Warning(file, section, name, Quoted(*text) + " is not a number: it reads as 0");
            }
        }
    }

    // A name the spooler gets (driver, processor, monitor): present, not "0", within the
    // entry's limit (49 characters).
    void CheckName(const CProfileSnapshot& source, const std::string& file, const std::string& section,
                   const ConfigKey& entry, const std::string& key, bool required) {
        const std::optional<std::string> value = source.Find(section, key);
        if (!value) {
            if (required) Error(file, section, key, "missing: reads as \"0\"");
            return;
        }
        if (value->empty() || *value == "0")
            Error(file, section, key, value->empty() ? "empty" : "\"0\" names nothing");
        else if (value->size() > entry.maxChars)
            Error(file, section, key,
                  std::to_string(value->size()) + " characters: the program reads the first " +
                      std::to_string(entry.maxChars) + " and cuts the rest");
    }

    // A file of the W32 or W64 folder: present with exactly this letter case; "0" means
    // none where the key allows it.
    void CheckFileKey(const CProfileSnapshot& source, int bits, const std::string& file, const std::string& section,
                      const ConfigKey& entry, const std::string& key, bool required) {
        const std::size_t maxChars = entry.maxChars;
        const std::optional<std::string> value = source.Find(section, key);
        if (!value) {
            if (required) Error(file, section, key, "missing: reads as \"0\", so no file is installed");
            return;
        }
        if (value->size() > maxChars)
            Error(file, section, key,
                  std::to_string(value->size()) + " characters: the program reads the first " +
                      std::to_string(maxChars) + " and cuts the rest");
        const std::string name = value->substr(0, maxChars);
        if (name.empty() || name[0] == '0') {
            if (required) Error(file, section, key, name.empty() ? "empty" : "\"0\" names no file, but one is required");
            return;
        }
        CheckDriverFile(bits, file, section, key, name);
    }

    void CheckDriverFile(int bits, const std::string& file, const std::string& section, const std::string& key,
                         const std::string& name) {
        if (name.find_first_of("\\/:") != std::string::npos) {
            Error(file, section, key, Quoted(name) + " is a path: a plain file name of the " + kDriverFolders[bits] +
                                          " folder is expected");
            return;
        }
        if (name.size() + kLongestTargetFolder >= MAX_PATH) {
            Error(file, section, key,
                  "a name of " + std::to_string(name.size()) +
                      " characters does not fit the system's path limit once installed");
            return;
        }
        const auto found = driverFiles_[bits].find(Fold(name));
        if (found == driverFiles_[bits].end())
            Error(file, section, key, std::string(kDriverFolders[bits]) + "\\" + name + " is missing");
        else if (found->second != name)
            Error(file, section, key,
                  std::string(kDriverFolders[bits]) + "\\" + found->second + " differs in letter case from " +
                      Quoted(name));
    }

    // --- Start-up's port scan -------------------------------------------------------------

    void CheckPortScan() {
        if (devices_.empty()) return;
        const PortScanTarget target = PortScanTargetOf(deviceList_);
        int number = static_cast<int>(deviceList_.size());
        while (number > 0 && deviceList_[number - 1].type == PrinterType::None) --number;
        for (int bits = 0; bits < 2; ++bits) {
            if (!bits_[bits]) continue;
            bool offered = false;
            for (int type = 0; type < kPrinterTypeCount; ++type)
                offered = offered || PortSectionOffersAPort(SnapshotLookup(typeFiles_[bits][type]), target.section);
            if (!offered)
                Error(kSetupIniRelativePath, kDeviceNameSection, DeviceEntryKey(number),
                      std::string("start-up refuses with PortNull on ") + kBitsNames[bits] +
                          " Windows: the last model's " + kPortSectionSuffix +
                          " section offers no port in any type file");
        }
    }

    // --- Monitors, processor version, USB port names ------------------------------------------

    void CheckMonitors() {
        const char* file = kSetupIniRelativePath;
        std::set<OsIndex> osIndexes;
        for (int bits = 0; bits < 2; ++bits)
            if (bits_[bits])
                for (OsIndex os : OsIndexes(bits)) osIndexes.insert(os);
        for (OsIndex os : osIndexes) {
            const std::string section = MonitorSectionOf(os);
            KindSet needs = needs_[0][ToNumber(os)] | needs_[1][ToNumber(os)];
            if (!setup_.HasSection(section)) {
                if (needs & (KindBit(PortKind::Usb) | KindBit(PortKind::Serial)))
                    Error(file, section, "", std::string("missing: no port monitor for ") + OsIndexName(os));
                continue;
            }
            // Windows 98/Me prints to serial ports through its own driver: no serial monitor there.
            CheckMonitor(section, os, MonitorFamily::Usb, (needs & KindBit(PortKind::Usb)) != 0);
            const bool serialMonitor = !IsWindows9x(os) && (needs & KindBit(PortKind::Serial)) != 0;
            CheckMonitor(section, os, MonitorFamily::Serial, serialMonitor);
            CheckLanguageMonitor(section, os);
        }
        const char* versionKey = ConfigKeys::ProcessorVersion.name;
        const std::optional<std::string> version = setup_.Find(kProcessorVersionSection, versionKey);
        if (!version || !StartsWithDigits(*version))
            Error(file, kProcessorVersionSection, versionKey,
                  version ? Quoted(*version) + " is not a number" : "missing: the print processor's version reads as 0");
        CheckUsbDeviceNames();
    }

    // Bitnesses whose folders an OS index installs from.
    std::vector<int> BitsOf(OsIndex os) const {
        std::vector<int> result;
        for (int bits = 0; bits < 2; ++bits)
            if (bits_[bits] && (bits == 0 || Has64BitEdition(os))) result.push_back(bits);
        return result;
    }

    void CheckMonitor(const std::string& section, OsIndex os, MonitorFamily family, bool needed) {
        const std::string nameKey = MonitorKey(ConfigKeys::MonitorName, family),
                          dllKey = MonitorKey(ConfigKeys::MonitorDll, family),
                          uiKey = MonitorKey(ConfigKeys::MonitorUiDll, family),
                          versionKey = MonitorKey(ConfigKeys::MonitorVersion, family);
        bool present = false;
        for (const std::string& key : {nameKey, dllKey, uiKey, versionKey}) present = present || setup_.Find(section, key);
        if (!needed && !present) return;
        CheckName(setup_, kSetupIniRelativePath, section, ConfigKeys::MonitorName, nameKey, true);
        for (int bits : BitsOf(os)) {
            CheckFileKey(setup_, bits, kSetupIniRelativePath, section, ConfigKeys::MonitorDll, dllKey, true);
            CheckFileKey(setup_, bits, kSetupIniRelativePath, section, ConfigKeys::MonitorUiDll, uiKey, true);
        }
        CheckVersion(section, versionKey);
    }

    void CheckVersion(const std::string& section, const std::string& key) {
        const std::optional<std::string> version = setup_.Find(section, key);
        if (!version || !StartsWithDigits(*version))
            Error(kSetupIniRelativePath, section, key,
                  version ? Quoted(*version) + " is not a number: it reads as version 0" : "missing: reads as version 0");
    }

    void CheckLanguageMonitor(const std::string& section, OsIndex os) {
        const char* keys[] = {ConfigKeys::LanguageMonitorName.name, ConfigKeys::LanguageMonitorDll.name,
                              ConfigKeys::LanguageMonitorVersion.name};
        int present = 0;
        for (const char* key : keys) present += setup_.Find(section, key) ? 1 : 0;
        if (present == 0) return;
        if (present < 3) {
            for (const char* key : keys)
                if (!setup_.Find(section, key))
                    Error(kSetupIniRelativePath, section, key,
                          "missing while the other USB language monitor keys are present: the three go together");
            return;
        }
        CheckName(setup_, kSetupIniRelativePath, section, ConfigKeys::LanguageMonitorName, keys[0], true);
        // The language monitor is installed on 32-bit Windows only.
        const ConfigKey& dll = ConfigKeys::LanguageMonitorDll;
        if (bits_[0]) CheckFileKey(setup_, 0, kSetupIniRelativePath, section, dll, keys[1], true);
        else MarkNamed(0, setup_.Read(section, keys[1], dll.maxChars));
        CheckVersion(section, keys[2]);
        (void)os;
    }

    void CheckUsbDeviceNames() {
        std::set<std::string> usbModels;
        for (const Device& device : devices_) usbModels.insert(Fold(device.model));
        for (const CProfileSnapshot::Entry& entry : setup_.Entries(kUsbDeviceSection)) {
            const int number = UsbPortNumberOfName(entry.key);
            const bool usbName = ClassifyPortName(entry.key.c_str()) == PortKind::Usb && number > 0 &&
                                 entry.key.size() > 6 && Fold(entry.key.substr(0, 4)) == "usb_";
            const std::string model = usbName ? entry.key.substr(4, entry.key.size() - 6) : std::string();
            if (!usbName || usbModels.count(Fold(model)) == 0)
                Warning(kSetupIniRelativePath, kUsbDeviceSection, entry.key,
                        "names no USB port the wizard offers (USB_<model>_1 ... _4 of a listed model)");
            else if (!entry.hasValue || !StartsWithDigits(entry.value))
                Warning(kSetupIniRelativePath, kUsbDeviceSection, entry.key,
                        Quoted(entry.value) + " is not a number: it is stored as 0");
        }
    }

    // --- USB driver package and device library -----------------------------------------

    void CheckUsbPackage() {
        bool anyUsb = false;
        for (int bits = 0; bits < 2; ++bits) {
            bool usb = false;
            for (int os = 0; os < kOsIndexCount; ++os)
                if (IsNtFamilyFrom2000(OsIndexFromNumber(os))) usb = usb || (needs_[bits][os] & KindBit(PortKind::Usb));
            anyUsb = anyUsb || usb || (needs_[bits][ToNumber(OsIndex::Windows9x)] & KindBit(PortKind::Usb));
            if (!usb) continue;
            for (const char* name : {"Install.exe", "VTPUSB.sys", "VTPUSB.INF"}) {
                const std::string relative = std::string(kUsbDriverFolders[bits]) + name;
                if (!FileExists(JoinPath(folder_, relative)))
                    Error(relative, "", "",
                          std::string("missing: the USB driver package cannot be installed on ") + kBitsNames[bits] +
                              " Windows");
            }
            const std::string driver = JoinPath(folder_, std::string(kUsbDriverFolders[bits]) + "VTPUSB.sys");
            if (FileExists(driver) && GetFileVersionString(driver.c_str()) == kNoFileVersion)
                Error(std::string(kUsbDriverFolders[bits]) + "VTPUSB.sys", "", "",
                      "carries no file version: it cannot be compared with the installed driver");
        }
        if (anyUsb && !FileExists(JoinPath(folder_, "VtUsbInt.dll")))
            Error("VtUsbInt.dll", "", "", "missing: the USB printer cannot be found or renumbered");
    }

    // --- Language files ----------------------------------------------------------------

    void CheckLanguageFiles() {
        const std::map<std::string, std::string> files = ListFiles(JoinPath(folder_, "language"), "*.ini");
        if (files.count("setup.ini") == 0)
            Error("language\\setup.ini", "", "", "missing: every text of the wizard is empty");
        const int language = DeviceSetting(setup_, ConfigKeys::Language);
        for (const auto& [folded, name] : files) {
            const bool program = folded == "setup.ini";
            const std::string relative = "language\\" + name;
            // The Chinese font (LANGUAGE 0) draws GBK; a Chinese file is written to be switched in.
            const bool gbk = program ? language == 0 : folded.size() > 8 && folded.substr(folded.size() - 8) == "_chs.ini";
            CheckLanguageFile(relative, program ? Severity::Error : Severity::Warning, gbk);
        }
    }

    void CheckLanguageFile(const std::string& relative, Severity missing, bool gbk) {
        const CProfileSnapshot texts(JoinPath(folder_, relative));
        CheckFirstLine(texts, relative);
        for (std::size_t i = 0; i < kCatalogueKeyCount; ++i) {
            const CatalogueKey& entry = kCatalogueKeys[i];
            const std::optional<std::string> text = texts.Find(entry.section, entry.key);
            if (!text || text->empty()) {
                Add(missing, relative, entry.section, entry.key,
                    std::string(text ? "empty" : "missing") + ": the program shows an empty text");
                continue;
            }
            if (text->size() > kMaxText)
                Warning(relative, entry.section, entry.key,
                        std::to_string(text->size()) + " characters: the program reads the first 2047");
            for (std::size_t at = text->find('\\'); at != std::string::npos; at = text->find('\\', at + 1)) {
                const char digit = at + 1 < text->size() ? (*text)[at + 1] : '\0';
                if (digit >= '1' && digit <= '3') {
                    if (text->find(std::string("\\") + digit, at + 2) != std::string::npos)
                        Warning(relative, entry.section, entry.key,
                                std::string("\\") + digit + " stands twice: only the first becomes a line break");
                } else if (digit >= '0' && digit <= '9') {
                    Warning(relative, entry.section, entry.key,
                            std::string("\\") + digit + " is no line-break marker (\\1, \\2 and \\3 are)");
                }
            }
            if (gbk && MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text->data(), static_cast<int>(text->size()),
                                           nullptr, 0) == 0)
                Warning(relative, entry.section, entry.key, "does not decode as GBK (code page 936)");
        }
    }

    // --- Licence and side bitmap ------------------------------------------------------------

    void CheckLicenceAndBitmap() {
        if (DeviceSetting(setup_, ConfigKeys::LoadLicence) != 0) {
            const LicenceFile licence = ReadLicenceFile(JoinPath(folder_, "License.txt"));
            if (licence.status == LicenceFileStatus::Unreadable)
                Error("License.txt", "", "",
                      std::string("missing or unreadable while ") + ConfigKeys::LoadLicence.name +
                          " is on: the wizard ends at start");
            else if (licence.status == LicenceFileStatus::TooLarge)
                Error("License.txt", "", "", "larger than 4 MiB: the licence page stays empty");
            else if (licence.text.empty())
                Warning("License.txt", "", "", "empty: the licence page shows no text");
        }
        const std::string bitmapPath = JoinPath(folder_, "DRVCONFIG\\Left.bmp");
        UniqueBitmap bitmap(bitmapPath.empty() ? nullptr
                                               : static_cast<HBITMAP>(LoadImageA(nullptr, bitmapPath.c_str(),
                                                                                 IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
        if (!bitmap) {
            Error("DRVCONFIG\\Left.bmp", "", "", "missing or not a readable bitmap: the wizard ends at start");
            return;
        }
        BITMAP info = {};
        GetObjectA(bitmap.get(), sizeof info, &info);
        const double aspect = info.bmHeight > 0 ? static_cast<double>(info.bmWidth) / info.bmHeight : 0.0;
        if (aspect < kSidePanelAspect * 0.75 || aspect > kSidePanelAspect / 0.75)
            Warning("DRVCONFIG\\Left.bmp", "", "",
                    std::to_string(info.bmWidth) + " x " + std::to_string(info.bmHeight) +
                        " pixels: the side panel (100 x 162 dialog units) shows it distorted");
    }

    // --- Files nothing names ------------------------------------------------------------------

    void MarkNamed(int bits, const std::string& name) {
        if (!name.empty() && name[0] != '0') named_[bits].insert(Fold(name));
    }

    void CheckUnnamedFiles() {
        // Every file key of every section counts, whichever OS and port it serves.
        std::set<std::string> fileKeys;
        for (std::size_t i = 0; i < kConfigKeyCount; ++i)
            if (kConfigKeys[i].file == ConfigFile::TypeFile && kConfigKeys[i].kind == ConfigKind::FileName)
                for (const std::string& name : KeyNames(kConfigKeys[i])) fileKeys.insert(Fold(name));
        // A name counts for both folders: the sample carries each driver file in W32 and W64.
        for (int bits = 0; bits < 2; ++bits) {
            for (const CProfileSnapshot& types : typeFiles_[bits])
                for (const std::string& section : types.Sections())
                    for (const CProfileSnapshot::Entry& entry : types.Entries(section))
                        if (fileKeys.count(Fold(entry.key))) MarkNamed(bits, entry.value);
            for (const std::string& section : setup_.Sections()) {
                if (Fold(section).compare(0, 14, "common-monitor") != 0) continue;
                for (const CProfileSnapshot::Entry& entry : setup_.Entries(section)) {
                    const std::string key = Fold(entry.key);
                    if (key.size() > 7 && key.substr(key.size() - 7) == "dllname") MarkNamed(bits, entry.value);
                }
            }
            for (const char* core : kCoreFiles) MarkNamed(bits, core);
        }
        for (int bits = 0; bits < 2; ++bits) {
            if (!bits_[bits]) continue;
            for (const auto& [folded, name] : driverFiles_[bits]) {
                const std::string relative = std::string(kDriverFolders[bits]) + "\\" + name;
                if (named_[0].count(folded) == 0 && named_[1].count(folded) == 0)
                    Warning(relative, "", "", "named by no model or monitor: it is never installed");
                if (name.size() + kLongestTargetFolder >= MAX_PATH)
                    Error(relative, "", "", "the name does not fit the system's path limit once installed");
            }
        }
    }

    std::string folder_;
    CheckOptions options_;
    CheckResult result_;
    std::set<std::string> reported_;
    CProfileSnapshot setup_;
    std::array<std::array<CProfileSnapshot, kPrinterTypeCount>, 2> typeFiles_;
    std::array<std::map<std::string, std::string>, 2> driverFiles_;
    std::array<std::set<std::string>, 2> named_;
    std::array<std::array<KindSet, kOsIndexCount>, 2> needs_ = {};
    bool bits_[2] = {true, true};
    std::vector<CSetupConfig::DeviceEntry> deviceList_;   // as the program reads it
    std::vector<Device> devices_;
};

}  // namespace

CheckResult CheckDistribution(const std::string& folder, const CheckOptions& options) {
    return CChecker(folder, options).Run();
}

int CheckExitCode(const CheckResult& result) {
    if (!result.folderReadable) return 3;
    int code = 0;
    for (const Finding& finding : result.findings) code = std::max(code, finding.severity == Severity::Error ? 2 : 1);
    return code;
}

std::string FormatFinding(const Finding& finding) {
    std::string line = finding.severity == Severity::Error ? "error  " : "warning  ";
    line += finding.file;
    if (!finding.section.empty()) line += " [" + finding.section + "]";
    if (!finding.key.empty()) line += " " + finding.key;
    return line + ": " + finding.reason;
}
