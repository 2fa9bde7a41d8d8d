#pragma once

#include "config/DomainTypes.h"
#include "config/ProfileReader.h"
#include "config/SetupConfig.h"
#include "ports/PortList.h"
#include "ports/SerialSettings.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The rules by which a model, its install mode, its Windows and its port are chosen:
// values in, values out, no windows. The wizard's pages and frame, the unattended mode
// and the checker all ask these, so that no face can offer what another would refuse.

// A mode's name as the journal writes it and the /mode switch spells it.
constexpr const char* InstallModeName(InstallMode mode) { return mode == InstallMode::Typical ? "typical" : "advanced"; }

// --- The model ---------------------------------------------------------------------------

struct ModelChoice {
    std::string name;   // in the spelling of the distribution
    PrinterType type = PrinterType::None;
};

// Every entry of the device list that the model page offers under this name (letter case
// aside), of the given printer type only when one is given. Entries without a type suffix
// are offered by no page.
std::vector<ModelChoice> ModelsNamed(const std::vector<CSetupConfig::DeviceEntry>& devices, const std::string& name,
                                     std::optional<PrinterType> printerType);

// --- Windows -----------------------------------------------------------------------------

// The OS index the operating-system page shows for a version as GetVersionExA and
// GetNativeSystemInfo report it, under the distribution's opt-in for newer Windows.
struct OsChoice {
    OsIndex osIndex = OsIndex::Windows9x;  // the value every later decision reads
    bool unknownPlatform = false;          // neither 9x nor NT: [Message] IDS_ERR_SYSTEM
};
OsChoice ChooseOsIndex(DWORD platformId, DWORD majorVersion, DWORD minorVersion, BYTE productType,
                       WORD processorArchitecture, bool newerWindows);
// The same for the running Windows and this distribution's opt-in.
OsChoice ChooseOsIndexOfRunningWindows();

// The model's support keys of its ".PORT" section.
struct OsSupport {
    int nt = 0;           // SystemNTSupported
    int server2003 = 0;   // System2003Supported
    int vista = 0;        // SystemVistaSupported
    int server2008 = 0;   // System2008Supported
    int windows7 = 0;     // SystemWin7Supported
};

// Reads the support keys of section in the type file at path (missing keys read 0).
OsSupport ReadOsSupport(const std::string& typeFilePath, const std::string& section);
// The same over any lookup of the type file (the checker reads its snapshot).
OsSupport ReadOsSupport(const ProfileLookup& typeFile, const std::string& section);

// [Message] key of the refusal when the model does not support the chosen OS index,
// null when it does. Windows 98/Me, 2000 and XP are always supported.
const char* UnsupportedOsMessageKey(OsIndex os, const OsSupport& support);

// --- The install mode --------------------------------------------------------------------

// AdvancedSetup nonzero in the model's ".PORT" section: the mode page offers Advanced.
bool AdvancedModeOffered(const std::string& typeFilePath, const std::string& section);
// The same over any lookup, the value read as text of up to maxChars characters.
bool AdvancedModeOffered(const ProfileLookup& typeFile, const std::string& section, std::size_t maxChars);

// --- The port ----------------------------------------------------------------------------

// What the port list of a model is planned from: its keys in the type file at path, the
// Windows, the mode. No USB printer answered yet: the caller sets usbPrinter from
// its probe before PlanPortList.
PortListInput PortListInputOf(const std::string& typeFilePath, const std::string& modelName, OsIndex os,
                              bool typical);

// The entry of the plan's list that names this port, letter case aside; nothing when
// the list does not offer it.
std::optional<std::string> OfferedPort(const PortListPlan& plan, const std::string& port);

// What the port page presets for a serial port of this model.
SerialLineSettings ModelSerialPresets(const std::string& typeFilePath, const std::string& section);

// The raster flag for a port of a kind in a planned list, and whether the user may
// change it: only where the kind enables the check box and the plan does not hide it.
struct RasterRule {
    int flag = 0;
    bool userMayChoose = false;
};
RasterRule RasterRuleOf(const PortListPlan& plan, PortKind portKind);

// --- The installing user and the driver family ------------------------------------------

// Windows 2000 to 7 install for an administrator only: true when the check answers that
// this user is none there.
bool AdministratorMissing(const std::function<bool()>& administratorCheck);
// The distribution's GDISTDSign turns the driver family rule on for the whole process.
void ApplyDriverFamilySetting();
