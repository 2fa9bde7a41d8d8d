#include "config/ConfigSchema.h"

// The table and the names it expands to serve the checker: kept apart from the section
// and key builders, so that the program, which reads keys by their entries, links neither.

const ConfigKey kConfigKeys[] = {
    ConfigKeys::DeviceCount, ConfigKeys::DeviceEntry, ConfigKeys::DefaultDevice, ConfigKeys::LoadLicence,
    ConfigKeys::Language, ConfigKeys::Bitness, ConfigKeys::NewerWindows, ConfigKeys::DriverFamilyRule,
    ConfigKeys::DistributionVersion,
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

std::vector<std::string> KeyNames(const ConfigKey& key) {
    switch (key.form) {
        case KeyForm::Whole: return {key.name};
        case KeyForm::Family: return {FamilyKey(key, 0), FamilyKey(key, 1)};
        case KeyForm::MonitorPrefix:
            return {MonitorKey(key, MonitorFamily::Usb), MonitorKey(key, MonitorFamily::Serial)};
        case KeyForm::PortLetter: {
            std::vector<std::string> names;
            for (int kind = 0; kind + 1 < static_cast<int>(sizeof kPortLetters); ++kind)
                names.push_back(DriverNameKeyOfKind(PortKindFromNumber(kind)));
            return names;
        }
        case KeyForm::Numbered:
        case KeyForm::UsbPortName: break;
    }
    return {};
}
