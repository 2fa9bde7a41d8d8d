#include "ports/PortList.h"

#include "config/DomainTypes.h"
#include "config/ProfileReader.h"
#include "ports/PortNames.h"

#include <algorithm>
#include <cctype>

namespace {

// The list control sorts without regard to case. The port families begin with
// different letters and a family's names differ only in their number, so this order
// agrees with the control's on every list we build.
bool ListOrder(const std::string& left, const std::string& right) {
    auto before = [](unsigned char a, unsigned char b) { return std::toupper(a) < std::toupper(b); };
    return std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end(), before);
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<std::string> ListedPorts(const PortListInput& input, bool& comNotice) {
    const PortListKeys& keys = input.keys;
    std::vector<std::string> entries;
    auto addNumbered = [&entries](const std::string& stem, int last, const char* end) {
        for (int n = 1; n <= last; ++n) entries.push_back(stem + std::to_string(n) + end);
    };
    comNotice = false;
    const OsIndex os = input.osIndex;
    if (!IsWindows9x(os)) {
        if (keys.lptSupported != 0) addNumbered("LPT", 3, ":");
        if (keys.comSupported != 0)
            // The serial monitor's own port names on 32-bit Windows; 64-bit Windows keeps the system's.
            addNumbered(input.is64BitWindows ? "COM" : "VTCOM", 8, ":");
        else
            comNotice = true;
    } else {
        // Windows 98/Me: the parallel key governs the two serial entries and the serial key
        // the one parallel entry, whatever their names say.
        if (keys.lptSupported != 0) addNumbered("COM", 2, ":");
        if (keys.comSupported != 0) entries.push_back("LPT1:");
    }
    if (keys.netSupported != 0) entries.push_back("NET:");
    // Windows NT has no USB printing.
    if (keys.usbSupported != 0 && os != OsIndex::WindowsNt4)
        addNumbered("USB_" + input.modelName + "_", input.typical ? 1 : 4, "");
    std::sort(entries.begin(), entries.end(), ListOrder);
    return entries;
}

// The first entry of a kind; with a suffix, the first of that kind ending in it. The
// USB number is matched at the end of the name: the model name in the middle may carry
// "_1" … "_4" itself.
int FirstOfKind(const std::vector<std::string>& entries, PortKind kind, const std::string& suffix = std::string()) {
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (ClassifyPortName(entries[i].c_str()) == kind && EndsWith(entries[i], suffix)) return static_cast<int>(i);
    return -1;
}

// A scan that finds nothing leaves the selection where it was.
void SelectFirstOfKind(const std::vector<std::string>& entries, PortKind kind, int& selection,
                       const std::string& suffix = std::string()) {
    const int found = FirstOfKind(entries, kind, suffix);
    if (found >= 0) selection = found;
}

int FirstEntry(const std::vector<std::string>& entries) { return entries.empty() ? -1 : 0; }

// LPTDEFAULT names the kind preselected when no USB printer decides it.
void SelectConfiguredDefault(const PortListInput& input, const std::vector<std::string>& entries, int& selection) {
    const PortListKeys& keys = input.keys;
    const PortKind kind = PortKindOfLptDefault(keys.lptDefault);
    const int supported = kind == PortKind::Parallel ? keys.lptSupported
                          : kind == PortKind::Usb    ? keys.usbSupported
                          : kind == PortKind::Network ? keys.netSupported
                                                      : 0;
    if (kind == PortKind::None || supported == 0)
        selection = FirstEntry(entries);
    else
        SelectFirstOfKind(entries, kind, selection);
}

}  // namespace

PortListKeys ReadPortListKeys(const std::string& typeFilePath, const std::string& section, bool typical) {
    return ReadPortListKeys(ProfileFileLookup(typeFilePath), section, typical);
}

PortListKeys ReadPortListKeys(const ProfileLookup& typeFile, const std::string& section, bool typical) {
    PortListKeys keys;
    keys.usbSupported = LookupInt(typeFile, section, ConfigKeys::UsbSupported);
    keys.lptSupported = LookupInt(typeFile, section, ConfigKeys::LptSupported);
    keys.comSupported = LookupInt(typeFile, section, ConfigKeys::ComSupported);
    keys.netSupported = LookupInt(typeFile, section, ConfigKeys::NetSupported);
    keys.lptDefault = LookupInt(typeFile, section, ConfigKeys::LptDefault);
    if (!typical) keys.rasterVisible = LookupInt(typeFile, section, ConfigKeys::RasterVisible);
    return keys;
}

bool PortSectionOffersAPort(const ProfileLookup& typeFile, const std::string& section) {
    // The scan reads the four with room for 199 characters, the port page with the
    // schema's 31: a value behind 31 or more leading zeros offers a port here only.
    for (const ConfigKey* key : {&ConfigKeys::UsbSupported, &ConfigKeys::LptSupported, &ConfigKeys::ComSupported,
                                 &ConfigKeys::NetSupported}) {
        if (LookupInt(typeFile, section, key->name, 199) != 0) return true;
    }
    return false;
}

PortKind PortKindOfLptDefault(int lptDefault) {
    switch (lptDefault) {
        case 1: return PortKind::Parallel;
        case 2: return PortKind::Usb;
        case 3: return PortKind::Network;
        default: return PortKind::None;
    }
}

PortControls ControlsForPortKind(PortKind kind) {
    switch (kind) {
        case PortKind::Serial: return {true, false, false, 0};
        case PortKind::Parallel:
        case PortKind::Usb: return {false, true, false, 1};
        case PortKind::Network: return {false, true, true, 1};
        default: return {false, false, false, 0};
    }
}

PortListPlan PlanPortList(const PortListInput& input) {
    const PortListKeys& keys = input.keys;
    PortListPlan plan;
    plan.entries = ListedPorts(input, plan.showComNotice);
    const std::vector<std::string>& entries = plan.entries;

    int selection = -1;
    // Several printers answer on no port: the typical list still takes its USB port, the
    // advanced one finds no USB port of that number.
    const UsbProbe& printer = input.usbPrinter;
    const bool printerAnswered = keys.usbSupported != 0 && printer.found != UsbProbe::Found::None;
    const int printerPort = printer.found == UsbProbe::Found::One ? UsbPortNumberOfDevice(printer.deviceNumber)
                                                                   : kNoUsbPortNumber;
    if (input.typical) {
        if (printerAnswered) {
            // The connected printer decides, whichever USB port number it answers on: the
            // typical list has only the first USB port.
            plan.usbPortNumber = printerPort;
            SelectFirstOfKind(entries, PortKind::Usb, selection);
        } else {
            SelectConfiguredDefault(input, entries, selection);
        }
    } else {
        if (keys.lptSupported == 0) selection = FirstEntry(entries);
        if (!printerAnswered) {
            SelectConfiguredDefault(input, entries, selection);
        } else {
            if (printerPort > 4) selection = FirstEntry(entries);
            plan.usbPortNumber = printerPort;
            if (printerPort != kNoUsbPortNumber)
                SelectFirstOfKind(entries, PortKind::Usb, selection, "_" + std::to_string(printerPort));
        }
    }
    plan.selection = selection;
    // What Install uses is always what the list shows.
    if (selection >= 0) plan.portText = entries[static_cast<std::size_t>(selection)];

    const PortKind kind = ClassifyPortName(plan.portText.c_str());
    plan.controls = ControlsForPortKind(kind);
    if (kind != PortKind::Usb)
        plan.usbNotice = UsbNoticeRule::Hide;
    else if (TakesOurUsbDriver(input.osIndex))
        plan.usbNotice = UsbNoticeRule::FollowInstalledDriver;

    if (input.typical)
        plan.rasterBox = Visibility::Hide;
    else if (keys.rasterVisible == 0)
        plan.rasterBox = Visibility::Show;
    else if (keys.rasterVisible == 1)
        plan.rasterBox = Visibility::Hide;
    return plan;
}

UsbNoticeChange UsbNoticeAfterBuild(const std::string& installedVersion, bool typical) {
    const bool driverMissing = installedVersion == kNoFileVersion;
    if (!driverMissing) return {false, Visibility::Hide};
    return {true, typical ? Visibility::Keep : Visibility::Show};
}

UsbNoticeChange UsbNoticeAfterSelection(const std::string& installedVersion, bool typical) {
    const bool driverMissing = installedVersion == kNoFileVersion;
    return {true, driverMissing || typical ? Visibility::Hide : Visibility::Show};
}
