#include "config/ConfigSchema.h"

#include "config/DomainTypes.h"

namespace {

bool HasSection(OsIndex os) { return IsKnownOsIndex(os); }

}  // namespace

const char* OsSectionSuffix(OsIndex os) { return HasSection(os) ? kOsSectionSuffixes[ToNumber(os)] : ""; }

std::string PortSectionOf(const std::string& model) { return model + kPortSectionSuffix; }

std::string OsSectionOf(const std::string& model, OsIndex os) {
    return HasSection(os) ? model + kOsSectionSuffixes[ToNumber(os)] : std::string();
}

std::string MonitorSectionOf(OsIndex os) {
    return HasSection(os) ? std::string(kMonitorSectionStem) + kOsSectionSuffixes[ToNumber(os)] : std::string();
}

std::string DeviceEntryKey(int n) { return ConfigKeys::DeviceEntry.name + std::to_string(n); }

std::string FamilyKey(const ConfigKey& key, int raster) {
    return kFamilyPrefixes[raster == 1 ? 1 : 0] + std::string(key.name);
}

std::string DriverNameKeyOfKind(PortKind kind) {
    const int letter = ToNumber(kind);
    if (letter < 0 || letter >= static_cast<int>(sizeof kPortLetters) - 1) return std::string();
    return ConfigKeys::DriverName.name + std::string(1, kPortLetters[letter]);
}

std::string MonitorKey(const ConfigKey& key, MonitorFamily family) {
    return kMonitorPrefixes[static_cast<int>(family)] + std::string(key.name);
}
