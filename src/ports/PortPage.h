#pragma once

#include "framework/Controls.h"
#include "framework/WizardPage.h"

#include <windows.h>

#include <string>

// Serial line values as the port page's lists show them.
int BaudRateOfListEntry(int index);   // 110 … 115200; 38400 for an index outside the list
char ProtocolOfText(const std::string& text, char previous);  // 'x', 'p', ' ' or previous

// The last page of the wizard: the port and its serial line settings. Its port list is
// built by the port list builders when the user reaches it; until then it holds the
// serial settings, which the frame presets from the model's configured baud rate.
class CPortPage : public CWizardPage {
public:
    CPortPage();

    // The frame's preset: selects the list entry of the configured rate and keeps the
    // selected entry's rate, so that what is shown is what is stored.
    void PresetBaudRate(int configuredBaudRate);

    int BaudRate() const { return baudRate_; }
    int ByteSize() const { return byteSize_; }
    double StopBits() const { return stopBits_; }
    char Parity() const { return parity_; }
    char Protocol() const { return protocol_; }
    int RasterFlag() const { return rasterFlag_; }

protected:
    BOOL OnInitDialog() override;
    bool DoDataExchange(bool save) override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnShowWindow(bool shown) override;

private:
    std::string SelectedText(int id) const;

    int baudRate_ = 0;
    int byteSize_ = 8;
    double stopBits_ = 1.0;
    char parity_ = 'n';
    char protocol_ = 'p';
    int rasterFlag_ = 0;
};
