#include "ui/PageWalkRules.h"

#include "config/ProfileReader.h"

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
