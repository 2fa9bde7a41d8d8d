#include "config/CatalogueKeys.h"

// Grouped by section in the order the wizard meets them.
const CatalogueKey kCatalogueKeys[] = {
    {"Setup", "Caption"}, {"Setup", "Help"}, {"Setup", "Back"}, {"Setup", "Next"}, {"Setup", "Install"},
    {"Setup", "Cancel"}, {"Setup", "Close"}, {"Setup", "Nonsupport"}, {"Setup", "PortNull"},
    {"Setup", "CaptionName"},
    {"Legal", "Agreement"}, {"Legal", "Accept"}, {"Legal", "Reject"},
    {"About", "Caption"}, {"About", "Version"}, {"About", "Copyright"}, {"About", "OK"},
    {"Help Guide", "Caption"}, {"Help Guide", "Name"},
    {"Series", "Select"}, {"Series", "Receipt"}, {"Series", "Ticket"}, {"Series", "Label"},
    {"Series", "Embedded"}, {"Series", "Default"},
    {"System", "Select"},
    {"Mode", "Type"}, {"Mode", "Typical"}, {"Mode", "Advanced"}, {"Mode", "Remarks"}, {"Mode", "Note1"},
    {"Mode", "Note2"}, {"Mode", "Note3"},
    {"Confirm", "Set"}, {"Confirm", "Ports"}, {"Confirm", "Com"}, {"Confirm", "BaudRate"},
    {"Confirm", "Parity"}, {"Confirm", "ByteSize"}, {"Confirm", "StopBits"}, {"Confirm", "Protocol"},
    {"Confirm", "Raster"}, {"Confirm", "Parity.Even"}, {"Confirm", "Parity.Mark"}, {"Confirm", "Parity.None"},
    {"Confirm", "Parity.Odd"}, {"Confirm", "Parity.Space"}, {"Confirm", "Protocol.None"},
    {"Confirm", "Protocol.Xonoff"}, {"Confirm", "Protocol.Hardware"},
    {"Progress", "Wait"},
    {"Message", "IDS_ABOUTBOX"}, {"Message", "IDS_ADMIN"}, {"Message", "IDS_ERR_NOLEFT"},
    {"Message", "IDS_ERR_NOLICENSE"}, {"Message", "IDS_X64"}, {"Message", "IDS_X32"},
    {"Message", "IDS_TYPICAL_NOTES"}, {"Message", "IDS_NOTSUPPORTNT"}, {"Message", "IDS_NOTSUPPORT2003"},
    {"Message", "IDS_NOTSUPPORTVISTA"}, {"Message", "IDS_NOTSUPPORT2008"}, {"Message", "IDS_NOTSUPPORTWin7"},
    {"Message", "IDS_ERR_SELPRINTER"}, {"Message", "IDS_ERR_FIRSTSETUPUSB"},
    {"Message", "IDS_ERR_NOSUPPORTINTERFACE"}, {"Message", "IDS_ERR_IPADDRISNULL"},
    {"Message", "IDS_ERR_ADDPORTERROR"}, {"Message", "IDS_ERR_NOUSBDEVICE"}, {"Message", "IDS_INF_CHANGEID"},
    {"Message", "IDS_ERR_NOSUPPORTUSB"}, {"Message", "IDS_INF_NTRESTART"}, {"Message", "IDS_INF_RESTART"},
    {"Message", "IDS_ERR_EXITWIN"}, {"Message", "IDS_INF_USBRESTART"}, {"Message", "IDS_ERR_NEEDRESTART"},
    {"Message", "IDS_ERR_LOSTDRIVERFILE"}, {"Message", "IDS_ERR_ADDPRINTER"}, {"Message", "IDS_ERR_TOOMANY"},
    {"Message", "IDS_ERR_ADDPRNDRV3"}, {"Message", "IDS_ERR_ADDMONITOR"}, {"Message", "IDS_ERR_ADDPROCESSOR"},
    {"Message", "IDS_ERR_ALLOCMEMORY"}, {"Message", "IDS_ERR_GETDRIVERDIR"}, {"Message", "IDS_ERR_GETPRODIR"},
    {"Message", "IDS_ERR_GETSYSDIR"}, {"Message", "IDS_ERR_DIRTYPE"},
    {"Message", "IDS_ERR_COPYFIEL"}, {"Message", "IDS_ERR_COPYFIEL1"}, {"Message", "IDS_ERR_SYSTEM"},
    {"Message", "IDS_ERR_ONEPRINTER"}, {"Message", "IDS_ERR_UPDATEUSB"}, {"Message", "IDS_ERR_UNSUPPORTCOM"},
};

const std::size_t kCatalogueKeyCount = sizeof kCatalogueKeys / sizeof kCatalogueKeys[0];
