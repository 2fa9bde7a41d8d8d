#include "ports/PortList.h"

#include "ports/PortNames.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kWin98Me = 0, kWinNT = 1, kWinXP = 3, kWin7 = 7;
constexpr bool kTypical = true, kAdvanced = false;
constexpr bool k32Bit = false, k64Bit = true;
// The tables' shorthand for what the USB probe found: a device number, or one of these.
constexpr int kNoPrinter = -1, kSeveralPrinters = -2;

// USBSUPPORTED, LPTSUPPORTED, COMSUPPORTED, NETSUPPORTED, LPTDEFAULT, RASTERVISIABLE.
constexpr PortListKeys kAllPorts = {1, 1, 1, 1, 1, 0};

PortListKeys With(PortListKeys keys, int usb, int lpt, int com, int net) {
    keys.usbSupported = usb;
    keys.lptSupported = lpt;
    keys.comSupported = com;
    keys.netSupported = net;
    return keys;
}

PortListKeys WithDefault(PortListKeys keys, int lptDefault) {
    keys.lptDefault = lptDefault;
    return keys;
}

PortListInput Input(PortListKeys keys, int os, bool is64Bit, bool typical, int device,
                    const std::string& model = "VT-R80") {
    PortListInput input;
    input.keys = keys;
    input.modelName = model;
    input.osIndex = OsIndexFromNumber(os);
    input.is64BitWindows = is64Bit;
    input.typical = typical;
    input.usbPrinter = device == kNoPrinter         ? UsbProbe::Nothing()
                       : device == kSeveralPrinters ? UsbProbe::SeveralPrinters()
                                                    : UsbProbe::Printer(device);
    return input;
}

std::string Joined(const std::vector<std::string>& entries) {
    std::ostringstream text;
    for (const std::string& entry : entries) text << entry << ' ';
    return text.str();
}

std::vector<std::string> Numbered(const std::string& stem, int last, const std::string& end) {
    std::vector<std::string> names;
    for (int n = 1; n <= last; ++n) names.push_back(stem + std::to_string(n) + end);
    return names;
}

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Which ports are listed, in the list's order, and whether the serial notice shows.
TEST(PortListEntries, FollowSystemBitnessModeAndKeys) {
    const std::vector<std::string> lpt = Numbered("LPT", 3, ":");
    const struct {
        const char* name;
        PortListInput input;
        std::vector<std::string> entries;
        bool comNotice;
    } cases[] = {
        {"XP 32-bit typical", Input(kAllPorts, kWinXP, k32Bit, kTypical, kNoPrinter),
         Concat({lpt, {"NET:", "USB_VT-R80_1"}, Numbered("VTCOM", 8, ":")}), false},
        {"Windows 7 64-bit typical: the system's serial names sort first",
         Input(kAllPorts, kWin7, k64Bit, kTypical, kNoPrinter),
         Concat({Numbered("COM", 8, ":"), lpt, {"NET:", "USB_VT-R80_1"}}), false},
        {"advanced: four USB ports", Input(With(kAllPorts, 1, 0, 1, 0), kWinXP, k32Bit, kAdvanced, kNoPrinter),
         Concat({Numbered("USB_VT-R80_", 4, ""), Numbered("VTCOM", 8, ":")}), false},
        {"NT: no USB port", Input(kAllPorts, kWinNT, k32Bit, kAdvanced, 0),
         Concat({lpt, {"NET:"}, Numbered("VTCOM", 8, ":")}), false},
        {"98/Me: the parallel key lists two serial ports, no notice",
         Input(With(kAllPorts, 0, 1, 0, 0), kWin98Me, k32Bit, kTypical, kNoPrinter), {"COM1:", "COM2:"}, false},
        {"98/Me: the serial key lists the parallel port",
         Input(With(kAllPorts, 0, 0, 1, 0), kWin98Me, k32Bit, kTypical, kNoPrinter), {"LPT1:"}, false},
        {"no serial ports: the notice", Input(With(kAllPorts, 0, 1, 0, 1), kWinXP, k32Bit, kTypical, kNoPrinter),
         Concat({lpt, {"NET:"}}), true},
        {"no serial ports on 64-bit Windows 7", Input(With(kAllPorts, 1, 0, 0, 0), kWin7, k64Bit, kAdvanced, 0),
         Numbered("USB_VT-R80_", 4, ""), true},
        {"no keys at all", Input({}, kWinXP, k32Bit, kTypical, kNoPrinter), {}, true},
    };
    for (const auto& c : cases) {
        const PortListPlan plan = PlanPortList(c.input);
        EXPECT_EQ(Joined(plan.entries), Joined(c.entries)) << c.name;
        EXPECT_EQ(plan.showComNotice, c.comNotice) << c.name;
    }
}

// The preselected port: the connected USB printer's, else the configured default.
TEST(PortListSelection, ConnectedPrinterOrConfiguredDefault) {
    const struct {
        const char* name;
        PortListInput input;
        const char* portText;
        std::optional<int> usbPort;
    } cases[] = {
        {"typical, no printer, parallel default", Input(kAllPorts, kWinXP, k32Bit, kTypical, kNoPrinter), "LPT1:", {}},
        {"typical, a printer on device number 6", Input(kAllPorts, kWinXP, k32Bit, kTypical, 6), "USB_VT-R80_1", 7},
        {"typical, USB default", Input(WithDefault(kAllPorts, 2), kWin7, k64Bit, kTypical, kNoPrinter), "USB_VT-R80_1",
         {}},
        {"typical, network default", Input(WithDefault(kAllPorts, 3), kWinXP, k32Bit, kTypical, kNoPrinter), "NET:",
         {}},
        {"network default without the network entry: the first entry",
         Input(WithDefault(With(kAllPorts, 1, 1, 1, 0), 3), kWinXP, k32Bit, kTypical, kNoPrinter), "LPT1:", {}},
        {"no default: the first entry", Input(WithDefault(kAllPorts, 0), kWin7, k64Bit, kTypical, kNoPrinter), "COM1:",
         {}},
        {"typical, several printers: a device number all the same",
         Input(kAllPorts, kWinXP, k32Bit, kTypical, kSeveralPrinters), "USB_VT-R80_1", -1},
        {"advanced, device number 2", Input(kAllPorts, kWinXP, k32Bit, kAdvanced, 2), "USB_VT-R80_3", 3},
        {"advanced, device number 10", Input(kAllPorts, kWinXP, k32Bit, kAdvanced, 10), "USB_VT-R80_3", 3},
        {"advanced, device number 5: no such USB port, the first entry",
         Input(kAllPorts, kWinXP, k32Bit, kAdvanced, 5), "LPT1:", 6},
        {"advanced, several printers: no port matches, nothing was selected",
         Input(kAllPorts, kWinXP, k32Bit, kAdvanced, kSeveralPrinters), "", -1},
        {"advanced, several printers, no parallel ports: the first entry",
         Input(With(kAllPorts, 1, 0, 1, 1), kWinXP, k32Bit, kAdvanced, kSeveralPrinters), "NET:", -1},
        {"advanced, a printer but no USB support: the default",
         Input(With(kAllPorts, 0, 1, 1, 1), kWinXP, k32Bit, kAdvanced, 2), "LPT1:", {}},
        {"advanced, model name carrying a port number",
         Input(kAllPorts, kWinXP, k32Bit, kAdvanced, 1, "TP_3"), "USB_TP_3_2", 2},
        {"typical NT with a printer: no USB port to select", Input(kAllPorts, kWinNT, k32Bit, kTypical, 0), "", 1},
        {"98/Me, parallel default without a parallel entry",
         Input(With(kAllPorts, 0, 1, 0, 0), kWin98Me, k32Bit, kTypical, kNoPrinter), "", {}},
        {"empty list", Input({}, kWinXP, k32Bit, kAdvanced, kNoPrinter), "", {}},
    };
    for (const auto& c : cases) {
        const PortListPlan plan = PlanPortList(c.input);
        EXPECT_EQ(plan.portText, c.portText) << c.name << "; list: " << Joined(plan.entries);
        EXPECT_EQ(plan.usbPortNumber, c.usbPort) << c.name;
        // What Install takes is what the list shows.
        if (plan.selection >= 0) {
            ASSERT_LT(plan.selection, static_cast<int>(plan.entries.size())) << c.name;
            EXPECT_EQ(plan.entries[static_cast<std::size_t>(plan.selection)], plan.portText) << c.name;
        } else {
            EXPECT_EQ(plan.portText, "") << c.name;
        }
    }
}

std::string Describe(const PortControls& c) {
    std::ostringstream text;
    text << "{serial " << c.serialEnabled << ", raster box " << c.rasterEnabled << ", IP " << c.ipEnabled
         << ", raster flag " << c.rasterFlag << "}";
    return text.str();
}

std::string Describe(const UsbNoticeChange& c) {
    static const char* const kVisibility[] = {"keep", "show", "hide"};
    return std::string(c.setText ? "set text, " : "no text, ") + kVisibility[static_cast<int>(c.visibility)];
}

constexpr PortControls kSerialPort = {true, false, false, 0};
constexpr PortControls kParallelOrUsbPort = {false, true, false, 1};
constexpr PortControls kNetworkPort = {false, true, true, 1};
constexpr PortControls kNoPort = {false, false, false, 0};

// The controls, notices and raster box follow the entry the build ends on.
TEST(PortListControls, FollowThePreselectedPort) {
    const struct {
        const char* name;
        PortListInput input;
        PortControls controls;
        UsbNoticeRule usbNotice;
        Visibility rasterBox;
    } cases[] = {
        {"typical parallel", Input(kAllPorts, kWinXP, k32Bit, kTypical, kNoPrinter), kParallelOrUsbPort,
         UsbNoticeRule::Hide, Visibility::Hide},
        {"typical USB", Input(kAllPorts, kWin7, k64Bit, kTypical, 0), kParallelOrUsbPort,
         UsbNoticeRule::FollowInstalledDriver, Visibility::Hide},
        {"typical USB on 98/Me: no driver of ours", Input(kAllPorts, kWin98Me, k32Bit, kTypical, 0),
         kParallelOrUsbPort, UsbNoticeRule::Keep, Visibility::Hide},
        {"advanced network, raster box shown", Input(WithDefault(kAllPorts, 3), kWinXP, k32Bit, kAdvanced, kNoPrinter),
         kNetworkPort, UsbNoticeRule::Hide, Visibility::Show},
        {"advanced serial: its line settings can be set",
         Input(With(kAllPorts, 0, 0, 1, 0), kWinXP, k32Bit, kAdvanced, kNoPrinter), kSerialPort, UsbNoticeRule::Hide,
         Visibility::Show},
        {"advanced USB, a model named like a serial port", Input(kAllPorts, kWinXP, k32Bit, kAdvanced, 0, "COMPACT"),
         kParallelOrUsbPort, UsbNoticeRule::FollowInstalledDriver, Visibility::Show},
        {"advanced, device number 5 ends on the parallel entry, not the last one",
         Input(kAllPorts, kWinXP, k32Bit, kAdvanced, 5), kParallelOrUsbPort, UsbNoticeRule::Hide, Visibility::Show},
        {"advanced with the raster box hidden by configuration",
         Input({1, 1, 1, 1, 1, 1}, kWinXP, k32Bit, kAdvanced, kNoPrinter), kParallelOrUsbPort, UsbNoticeRule::Hide,
         Visibility::Hide},
        {"advanced with another raster value: the box as it was",
         Input({1, 1, 1, 1, 1, 2}, kWinXP, k32Bit, kAdvanced, kNoPrinter), kParallelOrUsbPort, UsbNoticeRule::Hide,
         Visibility::Keep},
        {"typical ignores the raster value", Input({1, 1, 1, 1, 1, 0}, kWinXP, k32Bit, kTypical, kNoPrinter),
         kParallelOrUsbPort, UsbNoticeRule::Hide, Visibility::Hide},
        {"empty list", Input({}, kWinXP, k32Bit, kTypical, kNoPrinter), kNoPort, UsbNoticeRule::Hide,
         Visibility::Hide},
    };
    for (const auto& c : cases) {
        const PortListPlan plan = PlanPortList(c.input);
        EXPECT_EQ(Describe(plan.controls), Describe(c.controls)) << c.name << " (" << plan.portText << ")";
        EXPECT_EQ(static_cast<int>(plan.usbNotice), static_cast<int>(c.usbNotice)) << c.name;
        EXPECT_EQ(static_cast<int>(plan.rasterBox), static_cast<int>(c.rasterBox)) << c.name;
    }
}

// The builders show the notice when the driver is missing; a picked port shows it only
// in advanced mode with a driver present, never in typical mode.
TEST(PortListUsb, DriverNoticeAfterBuildAndAfterSelection) {
    const struct {
        const char* version;
        bool typical;
        UsbNoticeChange afterBuild;
        UsbNoticeChange afterSelection;
    } cases[] = {
        {"0.0.0.0", kTypical, {true, Visibility::Keep}, {true, Visibility::Hide}},
        {"0.0.0.0", kAdvanced, {true, Visibility::Show}, {true, Visibility::Hide}},
        {"1.2.0.0", kTypical, {false, Visibility::Hide}, {true, Visibility::Hide}},
        {"1.2.0.0", kAdvanced, {false, Visibility::Hide}, {true, Visibility::Show}},
        // Redirection could not be switched off: the version was not read.
        {"", kAdvanced, {false, Visibility::Hide}, {true, Visibility::Show}},
    };
    for (const auto& c : cases) {
        const std::string where = std::string("version '") + c.version + (c.typical ? "', typical" : "', advanced");
        EXPECT_EQ(Describe(UsbNoticeAfterBuild(c.version, c.typical)), Describe(c.afterBuild)) << where;
        EXPECT_EQ(Describe(UsbNoticeAfterSelection(c.version, c.typical)), Describe(c.afterSelection)) << where;
    }
}

}  // namespace
