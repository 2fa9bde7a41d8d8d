#pragma once

#include "config/DomainTypes.h"
#include "config/ProfileReader.h"
#include "ports/UsbProbe.h"

#include <optional>
#include <string>
#include <vector>

// Which ports the port page offers for a model and which one it preselects: values in,
// values out, no windows. The port page reads the inputs and applies the plan.

// The model's keys of its ".PORT" section in the type file; a missing key reads 0.
struct PortListKeys {
    int usbSupported = 0;    // USBSUPPORTED
    int lptSupported = 0;    // LPTSUPPORTED
    int comSupported = 0;    // COMSUPPORTED
    int netSupported = 0;    // NETSUPPORTED
    int lptDefault = 0;      // LPTDEFAULT: 1 parallel, 2 USB, 3 network, else the first entry
    int rasterVisible = 0;   // RASTERVISIABLE (advanced only): 0 show, 1 hide, else as it is
};

// The keys of section in the type file at path, as the port page reads them; the raster
// visibility key counts for the advanced list only.
PortListKeys ReadPortListKeys(const std::string& typeFilePath, const std::string& section, bool typical);
// The same over any lookup of the type file (the checker reads its snapshot).
PortListKeys ReadPortListKeys(const ProfileLookup& typeFile, const std::string& section, bool typical);

// The start-up port family scan's rule for one type file: any of USBSUPPORTED,
// LPTSUPPORTED, COMSUPPORTED, NETSUPPORTED nonzero in the section.
bool PortSectionOffersAPort(const ProfileLookup& typeFile, const std::string& section);

// The port kind LPTDEFAULT asks to preselect: 1 parallel, 2 USB, 3 network; any other
// value PortKind::None, which leaves the first entry preselected.
PortKind PortKindOfLptDefault(int lptDefault);

struct PortListInput {
    PortListKeys keys;
    std::string modelName;
    OsIndex osIndex = OsIndex::Windows9x;
    bool is64BitWindows = false;
    bool typical = true;        // which builder: typical or advanced
    UsbProbe usbPrinter;        // what the device library found
};

// A control whose visibility a step may leave as an earlier build or the user left it.
enum class Visibility { Keep, Show, Hide };

// The USB driver notice (control 1065) after a build, before the driver is looked at.
enum class UsbNoticeRule {
    Keep,                  // a USB port on Windows 98/Me: no driver to speak of
    Hide,                  // not a USB port
    FollowInstalledDriver  // decided by UsbNoticeAfterBuild once the driver's version is read
};

// States of the controls that depend on the chosen port.
struct PortControls {
    bool serialEnabled = false;   // baud rate, byte size, stop bits, parity, protocol
    bool rasterEnabled = false;   // the raster check box
    bool ipEnabled = false;       // the IP address control
    int rasterFlag = 0;
};

// The controls for a port of a kind as ClassifyPortName gives it. No port at all (an
// empty list, or a scan that left nothing selected) has nothing to set: all disabled.
PortControls ControlsForPortKind(PortKind kind);

struct PortListPlan {
    std::vector<std::string> entries;   // in the order the sorted list shows them
    int selection = -1;                 // index into entries; -1 nothing selected
    std::string portText;               // entries[selection], or empty when nothing is selected
    PortControls controls;
    bool showComNotice = false;         // set 1105 to IDS_ERR_UNSUPPORTCOM and show it; else as it is
    UsbNoticeRule usbNotice = UsbNoticeRule::Keep;
    Visibility rasterBox = Visibility::Keep;
    std::optional<int> usbPortNumber;   // set when a USB printer answered (kNoUsbPortNumber for
                                        // several); else as it is
};

PortListPlan PlanPortList(const PortListInput& input);

// The USB port number several connected printers give: one no port name carries.
constexpr int kNoUsbPortNumber = -1;

// The version text of a driver file that is absent or carries no version data.
constexpr const char* kNoFileVersion = "0.0.0.0";

// What becomes of the USB driver notice once the installed driver's version is known.
struct UsbNoticeChange {
    bool setText = false;   // IDS_ERR_UPDATEUSB
    Visibility visibility = Visibility::Keep;
};

// After a build that ends on a USB port: with the driver missing the typical build only
// sets the text, the advanced one shows it; a present driver hides it.
UsbNoticeChange UsbNoticeAfterBuild(const std::string& installedVersion, bool typical);

// After the user picks a USB port. Not the builders' rule: the text is always set, and
// the notice shows only in advanced mode with a driver present.
UsbNoticeChange UsbNoticeAfterSelection(const std::string& installedVersion, bool typical);
