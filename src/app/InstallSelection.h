#pragma once

#include "config/DomainTypes.h"
#include "ports/SerialSettings.h"

#include <string>

// The user's choices, gathered from the pages as the user walks them; the Install
// command reads them when Install is pressed.
struct InstallSelection {
    PrinterType printerType = PrinterType::None;
    OsIndex osIndex = OsIndex::Windows9x;
    InstallMode installMode = InstallMode::Typical;
    std::string modelName;
    int setAsDefault = 0;
    int installFlags = 0;   // cleared at every Next and at Install; the engine sets its bits
    std::string configPath;    // DRVCONFIG\setup.ini
    std::string typeFilePath;  // the printer type's file
    // From the port page, as it shows them when the user presses Install.
    std::string portName;      // empty: no port chosen
    int raster = 0;
    SerialLineSettings serial;
    std::string ipAddress;        // the address control's dotted text
    bool ipAddressBlank = true;   // all four fields 0
};
