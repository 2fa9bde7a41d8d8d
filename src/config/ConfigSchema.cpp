#include "config/ConfigSchema.h"

#include "config/DomainTypes.h"

namespace {

bool HasSection(int os) { return IsKnownOsIndex(OsIndexFromNumber(os)); }

}  // namespace

const char* OsSectionSuffix(int os) { return HasSection(os) ? kOsSectionSuffixes[os] : ""; }

std::string PortSectionOf(const std::string& model) { return model + kPortSectionSuffix; }

std::string OsSectionOf(const std::string& model, int os) {
    return HasSection(os) ? model + kOsSectionSuffixes[os] : std::string();
}

std::string MonitorSectionOf(int os) {
    return HasSection(os) ? std::string(kMonitorSectionStem) + kOsSectionSuffixes[os] : std::string();
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
