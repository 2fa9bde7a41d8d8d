#pragma once

#include "framework/Controls.h"
#include "framework/UniqueResource.h"
#include "framework/WizardPage.h"
#include "ports/PortList.h"
#include "ui/CustomControls.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

// The last page of the wizard: the port, its serial line settings, the IP address of
// the network entry and raster printing. Its port list is built when the user reaches
// the page; until then it holds the serial settings, which the frame presets from the
// model's configured baud rate.
class CPortPage : public CWizardPage {
public:
    CPortPage();

    bool DestroyWindow() override;

    // The frame's preset: selects the list entry of the configured rate and keeps the
    // selected entry's rate, so that what is shown is what is stored.
    void PresetBaudRate(int configuredBaudRate);

    // The install mode, copied in by the frame before it builds the list: 1 typical, 0 advanced.
    void SetTypicalFlag(InstallMode mode) { typicalFlag_ = mode == InstallMode::Typical ? 1 : 0; }

    // Fill the port list for a model (its ".PORT" keys in the type file of printerType),
    // preselect the connected USB printer's port or the configured default, and set the
    // controls that depend on it. Nothing changes, not even a selection the user made,
    // while model, printer type and mode stay those of the last build.
    void BuildPortListTypical(const std::string& modelName, OsIndex os, PrinterType printerType);
    void BuildPortListAdvanced(const std::string& modelName, OsIndex os, PrinterType printerType);

    // The selected port's name; empty when none is selected.
    const std::string& PortText() const { return portText_; }
    int BaudRate() const { return baudRate_; }
    int ByteSize() const { return byteSize_; }
    double StopBits() const { return stopBits_; }
    char Parity() const { return parity_; }
    char Protocol() const { return protocol_; }
    // As last saved from the check box or set by a build or a port selection.
    int RasterFlag() const { return rasterFlag_; }
    // The USB port the connected printer answers on; -1 until a build found one.
    int UsbPortNumber() const { return usbPortNumber_; }
    // The network entry's address: host order (first field in the high byte), and dotted.
    DWORD IpAddress() const;
    std::string IpAddressText() const;

    // The connected USB printer's device number; -1 none, -2 several. Asked once per build.
    std::function<UsbProbe()> usbDeviceProbe;
    // The version text of a file; "0.0.0.0" when it has none or is missing.
    std::function<std::string(const std::string& path)> fileVersionReader;

protected:
    BOOL OnInitDialog() override;
    // Return contract: always true; every state of the page is a valid choice.
    bool DoDataExchange(bool save) override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnShowWindow(bool shown) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    // A popup's owner is always a top-level window, here the frame: the page's tool tip
    // would outlive the page's window, so the page destroys it itself.
    struct ToolTipTraits {
        using Type = HWND;
        static Type Invalid() { return nullptr; }
        static void Close(Type window) {
            if (IsWindow(window)) ::DestroyWindow(window);
        }
    };

    void CreateRasterToolTip();
    void BuildPortList(const std::string& modelName, OsIndex os, PrinterType printerType, bool typical);
    void ApplyPlan(const PortListPlan& plan, bool typical);
    void ApplyControls(const PortControls& controls);
    void ApplyUsbNotice(const UsbNoticeChange& change);
    void OnPortSelected();
    std::string InstalledUsbDriverVersion() const;
    std::string SelectedText(int id) const;
    int SelectedIndex(int id) const;

    CStaticEx usbNotice_;
    // A member, so it goes before the base class destroys the page's window.
    UniqueResource<ToolTipTraits> toolTip_;
    std::string portText_;
    // The list is rebuilt only when one of these differs from the request.
    std::string modelCache_;
    PrinterType typeCache_ = PrinterType::None;
    int modeCache_ = 1;
    OsIndex osIndex_ = OsIndex::Windows9x;
    int baudRate_ = 0;
    int byteSize_ = 8;
    double stopBits_ = 1.0;
    char parity_ = 'n';
    char protocol_ = 'p';
    int usbPortNumber_ = -1;
    int typicalFlag_ = 1;
    int rasterFlag_ = 0;
};
