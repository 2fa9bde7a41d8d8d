#include "selection/SelectionRules.h"

#include "config/ProcessSettings.h"
#include "engine/EnvironmentProbes.h"

std::vector<ModelChoice> ModelsNamed(const std::vector<CSetupConfig::DeviceEntry>& devices, const std::string& name,
                                     std::optional<PrinterType> printerType) {
    std::vector<ModelChoice> found;
    for (const CSetupConfig::DeviceEntry& entry : devices) {
        if (!IsKnownPrinterType(entry.type) || lstrcmpiA(entry.name.c_str(), name.c_str()) != 0)
            continue;
        if (printerType && entry.type != *printerType) continue;
        found.push_back({entry.name, entry.type});
    }
    return found;
}

OsChoice ChooseOsIndex(DWORD platformId, DWORD majorVersion, DWORD minorVersion, BYTE productType,
                       WORD processorArchitecture, bool newerWindows) {
    const std::optional<OsIndex> os = MapWindowsVersionToOsIndex(platformId, majorVersion, minorVersion, productType,
                                                                 processorArchitecture, newerWindows);
    if (!os) return {OsIndex::Windows9x, true};
    return {*os, false};
}

OsChoice ChooseOsIndexOfRunningWindows() {
    const RunningWindows running = ReadRunningWindows();
    return ChooseOsIndex(running.version.dwPlatformId, running.version.dwMajorVersion, running.version.dwMinorVersion,
                         running.version.wProductType, running.processorArchitecture, NewerWindowsAllowed());
}

OsSupport ReadOsSupport(const std::string& typeFilePath, const std::string& section) {
    return ReadOsSupport(ProfileFileLookup(typeFilePath), section);
}

OsSupport ReadOsSupport(const ProfileLookup& typeFile, const std::string& section) {
    OsSupport support;
    support.server2003 = LookupInt(typeFile, section, ConfigKeys::Server2003Supported);
    support.vista = LookupInt(typeFile, section, ConfigKeys::VistaSupported);
    support.nt = LookupInt(typeFile, section, ConfigKeys::NtSupported);
    support.server2008 = LookupInt(typeFile, section, ConfigKeys::Server2008Supported);
    support.windows7 = LookupInt(typeFile, section, ConfigKeys::Windows7Supported);
    return support;
}

const char* UnsupportedOsMessageKey(OsIndex os, const OsSupport& support) {
    switch (os) {
        case OsIndex::WindowsNt4: return support.nt == 0 ? "IDS_NOTSUPPORTNT" : nullptr;
        case OsIndex::WindowsServer2003: return support.server2003 == 0 ? "IDS_NOTSUPPORT2003" : nullptr;
        case OsIndex::WindowsVista: return support.vista == 0 ? "IDS_NOTSUPPORTVISTA" : nullptr;
        case OsIndex::WindowsServer2008: return support.server2008 == 0 ? "IDS_NOTSUPPORT2008" : nullptr;
        case OsIndex::Windows7: return support.windows7 == 0 ? "IDS_NOTSUPPORTWin7" : nullptr;
        default: return nullptr;
    }
}

bool AdvancedModeOffered(const std::string& typeFilePath, const std::string& section) {
    return ReadProfileInt(typeFilePath, section, ConfigKeys::AdvancedSetup) != 0;
}

bool AdvancedModeOffered(const ProfileLookup& typeFile, const std::string& section, std::size_t maxChars) {
    return LookupInt(typeFile, section, ConfigKeys::AdvancedSetup.name, maxChars) != 0;
}

PortListInput PortListInputOf(const std::string& typeFilePath, const std::string& modelName, OsIndex os,
                              bool typical) {
    PortListInput input;
    input.keys = ReadPortListKeys(typeFilePath, PortSectionOf(modelName), typical);
    input.modelName = modelName;
    input.osIndex = os;
    input.is64BitWindows = ProcessSettings::Is64BitWindows();
    input.typical = typical;
    return input;
}

std::optional<std::string> OfferedPort(const PortListPlan& plan, const std::string& port) {
    std::optional<std::string> offered;
    for (const std::string& entry : plan.entries)
        if (lstrcmpiA(entry.c_str(), port.c_str()) == 0) offered = entry;
    return offered;
}

SerialLineSettings ModelSerialPresets(const std::string& typeFilePath, const std::string& section) {
    return SerialPresets(ReadProfileInt(typeFilePath, section, ConfigKeys::BaudRate));
}

RasterRule RasterRuleOf(const PortListPlan& plan, PortKind portKind) {
    const PortControls controls = ControlsForPortKind(portKind);
    // A box the plan leaves as it was counts as offered: no earlier build has hidden it here.
    return {controls.rasterFlag, controls.rasterEnabled && plan.rasterBox != Visibility::Hide};
}

bool AdministratorMissing(const std::function<bool()>& administratorCheck) {
    return IsNtFamilyFrom2000(DetectSystem()) && administratorCheck && !administratorCheck();
}

void ApplyDriverFamilySetting() {
    const std::string setupIni = JoinPath(ProgramFolder(), kSetupIniRelativePath);
    if (DriverFamilyRuleOf(ProfileFileLookup(setupIni))) ProcessSettings::SetDriverFamilyRule(true);
}
