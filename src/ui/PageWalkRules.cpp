#include "ui/PageWalkRules.h"

#include "config/ProfileReader.h"

int BaudRateListIndex(int baudRate) {
    switch (baudRate) {
        case 110: return 0;
        case 300: return 1;
        case 1200: return 2;
        case 2400: return 3;
        case 4800: return 4;
        case 9600: return 5;
        case 19200: return 6;
        case 57600: return 8;
        case 115200: return 9;
        default: return 7;
    }
}

OsSupport ReadOsSupport(const std::string& typeFilePath, const std::string& section) {
    OsSupport support;
    support.server2003 = ReadProfileInt(typeFilePath, section, "System2003Supported");
    support.vista = ReadProfileInt(typeFilePath, section, "SystemVistaSupported");
    support.nt = ReadProfileInt(typeFilePath, section, "SystemNTSupported");
    support.server2008 = ReadProfileInt(typeFilePath, section, "System2008Supported");
    support.windows7 = ReadProfileInt(typeFilePath, section, "SystemWin7Supported");
    return support;
}

const char* UnsupportedOsMessageKey(int os, const OsSupport& support) {
    switch (os) {
        case 1: return support.nt == 0 ? "IDS_NOTSUPPORTNT" : nullptr;
        case 4: return support.server2003 == 0 ? "IDS_NOTSUPPORT2003" : nullptr;
        case 5: return support.vista == 0 ? "IDS_NOTSUPPORTVISTA" : nullptr;
        case 6: return support.server2008 == 0 ? "IDS_NOTSUPPORT2008" : nullptr;
        case 7: return support.windows7 == 0 ? "IDS_NOTSUPPORTWin7" : nullptr;
        default: return nullptr;
    }
}
