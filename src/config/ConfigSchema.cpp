#include "config/ConfigSchema.h"

const ConfigKey kConfigKeys[] = {
    ConfigKeys::DeviceCount, ConfigKeys::DeviceEntry, ConfigKeys::DefaultDevice, ConfigKeys::LoadLicence,
    ConfigKeys::Language, ConfigKeys::Bitness, ConfigKeys::NewerWindows, ConfigKeys::DriverFamilyRule,
    ConfigKeys::ProcessorVersion,
    ConfigKeys::MonitorName, ConfigKeys::MonitorDll, ConfigKeys::MonitorUiDll, ConfigKeys::MonitorVersion,
    ConfigKeys::LanguageMonitorName, ConfigKeys::LanguageMonitorDll, ConfigKeys::LanguageMonitorVersion,
    ConfigKeys::UsbDeviceNumber,
    ConfigKeys::UsbSupported, ConfigKeys::LptSupported, ConfigKeys::ComSupported, ConfigKeys::NetSupported,
    ConfigKeys::LptDefault, ConfigKeys::RasterVisible, ConfigKeys::AdvancedSetup, ConfigKeys::BaudRate,
    ConfigKeys::NtSupported, ConfigKeys::Server2003Supported, ConfigKeys::VistaSupported,
    ConfigKeys::Server2008Supported, ConfigKeys::Windows7Supported,
    ConfigKeys::DriverName, ConfigKeys::GdiDriverName, ConfigKeys::DriverPath, ConfigKeys::DataFile,
    ConfigKeys::DriverConfigFile, ConfigKeys::HelpFile, ConfigKeys::ProcessorDll, ConfigKeys::DataFileDll,
    ConfigKeys::OemUiDll, ConfigKeys::OemUniDll, ConfigKeys::OemUniIni, ConfigKeys::PrintProcessor,
    ConfigKeys::UniversalDriver, ConfigKeys::Attributes, ConfigKeys::ControlFontFile, ConfigKeys::UsbIdentityFile,
};
const std::size_t kConfigKeyCount = sizeof kConfigKeys / sizeof kConfigKeys[0];

namespace {

constexpr int kOsSuffixCount = static_cast<int>(sizeof kOsSectionSuffixes / sizeof kOsSectionSuffixes[0]);

}  // namespace

const char* OsSectionSuffix(int os) { return os >= 0 && os < kOsSuffixCount ? kOsSectionSuffixes[os] : ""; }

std::string PortSectionOf(const std::string& model) { return model + kPortSectionSuffix; }

std::string OsSectionOf(const std::string& model, int os) {
    return os >= 0 && os < kOsSuffixCount ? model + kOsSectionSuffixes[os] : std::string();
}

std::string MonitorSectionOf(int os) {
    return os >= 0 && os < kOsSuffixCount ? std::string(kMonitorSectionStem) + kOsSectionSuffixes[os] : std::string();
}

std::string DeviceEntryKey(int n) { return ConfigKeys::DeviceEntry.name + std::to_string(n); }

std::string FamilyKey(const ConfigKey& key, int raster) {
    return kFamilyPrefixes[raster == 1 ? 1 : 0] + std::string(key.name);
}

std::string DriverNameKeyOfKind(int kind) {
    if (kind < 0 || kind >= static_cast<int>(sizeof kPortLetters) - 1) return std::string();
    return ConfigKeys::DriverName.name + std::string(1, kPortLetters[kind]);
}

std::string MonitorKey(const ConfigKey& key, MonitorFamily family) {
    return kMonitorPrefixes[static_cast<int>(family)] + std::string(key.name);
}

std::vector<std::string> KeyNames(const ConfigKey& key) {
    switch (key.form) {
        case KeyForm::Whole: return {key.name};
        case KeyForm::Family: return {FamilyKey(key, 0), FamilyKey(key, 1)};
        case KeyForm::MonitorPrefix:
            return {MonitorKey(key, MonitorFamily::Usb), MonitorKey(key, MonitorFamily::Serial)};
        case KeyForm::PortLetter: {
            std::vector<std::string> names;
            for (int kind = 0; kind + 1 < static_cast<int>(sizeof kPortLetters); ++kind)
                names.push_back(DriverNameKeyOfKind(kind));
            return names;
        }
        case KeyForm::Numbered:
        case KeyForm::UsbPortName: break;
    }
    return {};
}
