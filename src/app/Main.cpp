#include "config/SetupConfig.h"

#include <windows.h>

#include <string>

namespace {

constexpr const char* kTypeNames[kPrinterTypeCount] = {"receipt", "ticket", "label", "embedded"};

// Until the wizard exists, the program shows what the configuration beside it offers.
std::string DescribeConfiguration() {
    CSetupConfig config;
    std::string text = "Configuration: " + config.SetupIniPath() + "\n\n";
    const int count = config.GetDeviceCount();
    int listed = 0;
    for (int n = 1; n <= count && n <= kMaxDeviceEntries; ++n) {
        char name[CSetupConfig::kFileSize] = {};
        const int type = config.GetDeviceName(n, name, sizeof name);
        if (type < 0) continue;
        text += std::to_string(n) + ". " + name + " (" + kTypeNames[type] + " printer)\n";
        ++listed;
    }
    if (listed == 0) text += "No printer model is configured.\n";
    char defaultName[260] = {};
    if (config.GetDefaultDevice(defaultName, sizeof defaultName) >= 0)
        text += std::string("\nPreselected model: ") + defaultName + "\n";
    return text;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxA(nullptr, DescribeConfiguration().c_str(), "Printer Driver Setup", MB_OK | MB_ICONINFORMATION);
    return 0;
}
