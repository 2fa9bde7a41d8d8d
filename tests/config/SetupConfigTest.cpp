#include "config/SetupConfig.h"

#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The names of a double-zero-terminated list, in order.
std::vector<std::string> ListNames(const char* list) {
    std::vector<std::string> names;
    for (const char* p = list; *p; p += std::strlen(p) + 1) names.emplace_back(p);
    return names;
}

// Writes configurations into the test program's own folder, where the reader looks.
class SetupConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ProgramFolder();
        RemoveTree(folder_ + "DRVCONFIG");
        ProcessSettings::SetIs64BitWindows(false);
        ProcessSettings::SetDriverFamilyRule(false);
    }
    void TearDown() override {
        RemoveTree(folder_ + "DRVCONFIG");
        ProcessSettings::SetIs64BitWindows(false);
        ProcessSettings::SetDriverFamilyRule(false);
    }
    void WriteSetupIni(const std::string& text) { WriteTextFile(folder_, "DRVCONFIG\\setup.ini", text); }
    void WriteTypeFile(const std::string& name, const std::string& text) {
        WriteTextFile(folder_, "DRVCONFIG\\" + name, text);
    }

    std::string folder_;
};

TEST(DeviceEntry, IsClassifiedByTheFirstSuffixInTheFixedOrderAndCutThere) {
    struct Case {
        const char* entry;
        const char* model;
        PrinterType type;
    } cases[] = {
        {"M1-TicketPrinter", "M1", PrinterType::Ticket},
        {"M1", "M1", PrinterType::None},
        {"A-TicketPrinterB", "A", PrinterType::Ticket},
        // Receipt is looked for before ticket, wherever each stands.
        {"X-TicketPrinter-ReceiptPrinter", "X-TicketPrinter", PrinterType::Receipt},
        {"Y-EmbeddedPrinter-LabelPrinter", "Y-EmbeddedPrinter", PrinterType::Label},
        {"-LabelPrinter", "", PrinterType::Label},
        {"Z-embeddedprinter", "Z-embeddedprinter", PrinterType::None},
        {"0", "0", PrinterType::None},
    };
    for (const Case& c : cases) {
        std::string entry = c.entry;
        EXPECT_EQ(ClassifyDeviceEntry(entry), c.type) << c.entry;
        EXPECT_EQ(entry, c.model) << c.entry;
    }
}

TEST_F(SetupConfigTest, DeviceListSkipsGapsAndEntriesWithoutSuffix) {
    WriteSetupIni(
        "[DEVICENAME]\nDEVICENUMBER=7\n"
        "DEVICENAME1=VT-R80-ReceiptPrinter\n"
        "DEVICENAME2=VT-T300-TicketPrinter\n"
        "DEVICENAME3=NoSuffixModel\n"
        "DEVICENAME5=A-TicketPrinterB\n"
        "DEVICENAME6=VT-E20-EmbeddedPrinter\n"
        "DEFAULTNAME=2\n");
    CSetupConfig config;
    ASSERT_EQ(config.GetDeviceCount(), 7);

    std::vector<std::pair<std::string, int>> accepted;
    char name[CSetupConfig::kFileSize];
    for (int n = 1; n <= config.GetDeviceCount(); ++n) {
        const int type = ToNumber(config.GetDeviceName(n, name, sizeof name));
        if (type >= 0) accepted.emplace_back(name, type);
    }
    const std::vector<std::pair<std::string, int>> expected = {
        {"VT-R80", 0}, {"VT-T300", 1}, {"A", 1}, {"VT-E20", 3}};
    EXPECT_EQ(accepted, expected);

    EXPECT_EQ(config.GetDeviceName(3, name, sizeof name), PrinterType::None);
    EXPECT_STREQ(name, "NoSuffixModel");
    EXPECT_EQ(config.GetDeviceName(4, name, sizeof name), PrinterType::None);
    EXPECT_STREQ(name, "0");
    EXPECT_EQ(config.GetDeviceName(7, name, sizeof name), PrinterType::None) << "DEVICENUMBER beyond the entries";
    EXPECT_STREQ(name, "0");
}

TEST_F(SetupConfigTest, DefaultDeviceIsTheEntryDefaultNameNumbers) {
    WriteSetupIni(
        "[DEVICENAME]\nDEVICENUMBER=3\nDEVICENAME1=VT-R80-ReceiptPrinter\nDEVICENAME2=VT-L40-LabelPrinter\n"
        "DEVICENAME3=Plain\nDEFAULTNAME=2\n");
    CSetupConfig config;
    char name[300];
    std::memset(name, 0xCD, sizeof name);
    EXPECT_EQ(config.GetDefaultDevice(name, 260), PrinterType::Label);
    EXPECT_STREQ(name, "VT-L40");
    for (std::size_t i = 260; i < sizeof name; ++i) ASSERT_EQ(static_cast<unsigned char>(name[i]), 0xCD);

    WriteSetupIni("[DEVICENAME]\nDEVICENUMBER=3\nDEVICENAME3=Plain\nDEFAULTNAME=3\n");
    EXPECT_EQ(config.GetDefaultDevice(name, 260), PrinterType::None) << "an entry without suffix preselects no type";
    WriteSetupIni("[DEVICENAME]\nDEVICENUMBER=1\nDEVICENAME1=VT-R80-ReceiptPrinter\n");
    EXPECT_EQ(config.GetDefaultDevice(name, 260), PrinterType::None) << "missing DEFAULTNAME reads 0: no such entry";
}

TEST_F(SetupConfigTest, OverlongDeviceEntriesAreCutAt199Characters) {
    const std::string model199(199 - std::strlen("-LabelPrinter"), 'm');
    WriteSetupIni("[DEVICENAME]\nDEVICENUMBER=2\nDEVICENAME1=" + model199 + "-LabelPrinter\nDEVICENAME2=" +
                  std::string(10000, 'x') + "-ReceiptPrinter\n");
    CSetupConfig config;
    char name[300];
    std::memset(name, 0xCD, sizeof name);
    EXPECT_EQ(config.GetDeviceName(1, name, 200), PrinterType::Label);
    EXPECT_EQ(std::string(name), model199);
    // The suffix lies beyond the 199 characters read: not a device.
    EXPECT_EQ(config.GetDeviceName(2, name, 200), PrinterType::None);
    EXPECT_EQ(std::strlen(name), 199u);
    for (std::size_t i = 200; i < sizeof name; ++i) ASSERT_EQ(static_cast<unsigned char>(name[i]), 0xCD);
    // A smaller caller buffer is honoured too.
    EXPECT_EQ(config.GetDeviceName(1, name, 20), PrinterType::Label);
    EXPECT_EQ(std::strlen(name), 19u);
}

// One model section per OS with distinct STD and GDI values, so a test sees which keys were read.
std::string ModelSection(const std::string& section, const std::string& tag) {
    return "[" + section + "]\n"
           "GDIDriverName=" + tag + " GDI name\n"
           "DriverNameS=" + tag + " serial\nDriverNameP=" + tag + " parallel\n"
           "DriverNameU=" + tag + " usb\nDriverNameN=" + tag + " network\n"
           "STDDriverPath=UNIDRV.DLL\nGDIDriverPath=VTGDI.DLL\n"
           "STDDataFile=STD.GPD\nGDIDataFile=GDI.VTD\n"
           "STDConfigFile=UNIDRVUI.DLL\nGDIConfigFile=VTGDIUI.DLL\n"
           "STDHelpFile=UNIDRV.HLP\nGDIHelpFile=VTGDI.HLP\n"
           "STDProcessorDLLName=WINPRINT.DLL\nGDIProcessorDLLName=VTPRTPRC.DLL\n"
           "STDPrintProcessor=WinPrint\nGDIPrintProcessor=VantoraPrint\n"
           "STDDataFileDLLName=0\nGDIDataFileDLLName=VTDATA.DLL\n"
           "STDDataOemuiDLL=0\nGDIDataOemuiDLL=VTOEMUI.DLL\n"
           "STDDataOemuniDLL=0\nGDIDataOemuniDLL=VTOEMUNI.DLL\n"
           "STDDataOemuniini=0\nGDIDataOemuniini=VTOEM.INI\n"
           "ATTRIBUTES=2624\nControlFontFile=VTBARC.TTF\nUSBInternalID=VTR80.UID\n";
}

std::string AllOsSections(const std::string& model, const std::string& tag) {
    std::string text;
    for (int os = 0; os < kOsIndexCount; ++os)
        text += ModelSection(model + OsSectionSuffix(OsIndexFromNumber(os)), tag);
    return text;
}

TEST_F(SetupConfigTest, DriverInfoVersionAndEnvironmentFollowTheOsIndex) {
    WriteTypeFile("setup_receipt.ini", AllOsSections("VT-R80", "R80"));
    CSetupConfig config;
    config.currentType = PrinterType::Receipt;
    const DWORD versions[kOsIndexCount] = {0, 2, 3, 3, 3, 3, 3, 3};
    for (int os = 0; os < kOsIndexCount; ++os) {
        DRIVER_INFO_3A info;
        std::memset(&info, 0, sizeof info);
        config.GetDriverInfo("VT-R80", OsIndexFromNumber(os), &info, 0, PortKind::Parallel);
        EXPECT_EQ(info.cVersion, versions[os]) << "os " << os;
        if (os == 0)
            EXPECT_STREQ(info.pEnvironment, "Windows 4.0");
        else
            EXPECT_EQ(info.pEnvironment, nullptr) << "os " << os;
        EXPECT_STREQ(info.pDriverPath, "UNIDRV.DLL");
    }
}

TEST_F(SetupConfigTest, DriverNameKeyIsTheGdiNameOn98AndNtAndThePortLetterElsewhere) {
    WriteTypeFile("setup_ticket.ini", AllOsSections("VT-T300", "T300"));
    CSetupConfig config;
    config.currentType = PrinterType::Ticket;
    const char* expectedXp[] = {"T300 serial", "T300 parallel", "T300 usb", "T300 network"};
    for (int kind = 0; kind < 4; ++kind) {
        DRIVER_INFO_3A driver = {};
        PRINTER_INFO_2A printer = {};
        config.GetDriverInfo("VT-T300", OsIndex::WindowsXp, &driver, 0, PortKindFromNumber(kind));
        config.GetPrinterInfo("VT-T300", OsIndex::WindowsXp, &printer, 0, PortKindFromNumber(kind));
        EXPECT_STREQ(driver.pName, expectedXp[kind]);
        EXPECT_STREQ(printer.pDriverName, expectedXp[kind]);
        for (int os : {0, 1}) {
            config.GetDriverInfo("VT-T300", OsIndexFromNumber(os), &driver, 0, PortKindFromNumber(kind));
            config.GetPrinterInfo("VT-T300", OsIndexFromNumber(os), &printer, 0, PortKindFromNumber(kind));
            EXPECT_STREQ(driver.pName, "T300 GDI name") << "os " << os << " kind " << kind;
            EXPECT_STREQ(printer.pDriverName, "T300 GDI name") << "os " << os << " kind " << kind;
        }
    }
    // An unknown kind reads no name: the previous one stays.
    DRIVER_INFO_3A driver = {};
    config.GetDriverInfo("VT-T300", OsIndex::WindowsXp, &driver, 0, PortKind::Usb);
    config.GetDriverInfo("VT-T300", OsIndex::WindowsVista, &driver, 0, PortKindFromNumber(9));
    EXPECT_STREQ(driver.pName, "T300 usb");
}

TEST_F(SetupConfigTest, RasterFlagSelectsStdOrGdiKeysInAllThreeRecords) {
    WriteTypeFile("setup_receipt.ini", AllOsSections("VT-R80", "R80"));
    CSetupConfig config;
    config.currentType = PrinterType::Receipt;
    for (int raster : {0, 1}) {
        DRIVER_INFO_3A driver = {};
        PRINTER_INFO_2A printer = {};
        DriverFileSet files = {};
        config.GetDriverInfo("VT-R80", OsIndex::WindowsXp, &driver, raster, PortKind::Parallel);
        config.GetPrinterInfo("VT-R80", OsIndex::WindowsXp, &printer, raster, PortKind::Parallel);
        config.GetDriverFiles("VT-R80", OsIndex::WindowsXp, &files, raster, PortKind::Parallel);
        const bool gdi = raster == 1;
        EXPECT_STREQ(driver.pDriverPath, gdi ? "VTGDI.DLL" : "UNIDRV.DLL");
        EXPECT_STREQ(driver.pDataFile, gdi ? "GDI.VTD" : "STD.GPD");
        EXPECT_STREQ(driver.pConfigFile, gdi ? "VTGDIUI.DLL" : "UNIDRVUI.DLL");
        EXPECT_STREQ(driver.pHelpFile, gdi ? "VTGDI.HLP" : "UNIDRV.HLP");
        EXPECT_STREQ(printer.pPrintProcessor, gdi ? "VantoraPrint" : "WinPrint");
        EXPECT_EQ(printer.Attributes, 2624u);
        EXPECT_STREQ(printer.pPrinterName, "VT-R80");
        EXPECT_STREQ(files.driverPath, gdi ? "VTGDI.DLL" : "UNIDRV.DLL");
        EXPECT_STREQ(files.processorDll, gdi ? "VTPRTPRC.DLL" : "WINPRINT.DLL");
        EXPECT_STREQ(files.dataFileDll, gdi ? "VTDATA.DLL" : "0");
        EXPECT_STREQ(files.oemuiDll, gdi ? "VTOEMUI.DLL" : "0");
        EXPECT_STREQ(files.oemuniDll, gdi ? "VTOEMUNI.DLL" : "0");
        EXPECT_STREQ(files.oemuniIni, gdi ? "VTOEM.INI" : "0");
        EXPECT_STREQ(files.controlFontFile, "VTBARC.TTF");
        EXPECT_STREQ(files.usbInternalId, "VTR80.UID");
    }
    // A raster value other than 0 and 1 reads no file keys.
    DriverFileSet files = {};
    config.GetDriverFiles("VT-R80", OsIndex::WindowsXp, &files, 2, PortKind::Parallel);
    EXPECT_STREQ(files.driverPath, "");
    EXPECT_STREQ(files.controlFontFile, "");
}

TEST_F(SetupConfigTest, DriverFamilyRuleAppliesByOperationAndOsIndex) {
    WriteTypeFile("setup_receipt.ini", AllOsSections("VT-R80", "R80"));
    ProcessSettings::SetDriverFamilyRule(true);
    CSetupConfig config;
    config.currentType = PrinterType::Receipt;
    DRIVER_INFO_3A driver = {};
    PRINTER_INFO_2A printer = {};
    DriverFileSet files = {};

    // USB with raster 1 on XP: every operation reads the STD keys.
    config.GetDriverInfo("VT-R80", OsIndex::WindowsXp, &driver, 1, PortKind::Usb);
    config.GetPrinterInfo("VT-R80", OsIndex::WindowsXp, &printer, 1, PortKind::Usb);
    config.GetDriverFiles("VT-R80", OsIndex::WindowsXp, &files, 1, PortKind::Usb);
    EXPECT_STREQ(driver.pDriverPath, "UNIDRV.DLL");
    EXPECT_STREQ(printer.pPrintProcessor, "WinPrint");
    EXPECT_STREQ(files.driverPath, "UNIDRV.DLL");

    // On 98/Me only the file set applies the rule.
    std::memset(&files, 0, sizeof files);
    config.GetDriverInfo("VT-R80", OsIndex::Windows9x, &driver, 1, PortKind::Usb);
    config.GetPrinterInfo("VT-R80", OsIndex::Windows9x, &printer, 1, PortKind::Usb);
    config.GetDriverFiles("VT-R80", OsIndex::Windows9x, &files, 1, PortKind::Usb);
    EXPECT_STREQ(driver.pDriverPath, "VTGDI.DLL");
    EXPECT_STREQ(printer.pPrintProcessor, "VantoraPrint");
    EXPECT_STREQ(files.driverPath, "UNIDRV.DLL");

    // Serial forces the GDI keys; parallel and network keep the caller's flag.
    config.GetDriverInfo("VT-R80", OsIndex::WindowsVista, &driver, 0, PortKind::Serial);
    EXPECT_STREQ(driver.pDriverPath, "VTGDI.DLL");
    config.GetDriverInfo("VT-R80", OsIndex::WindowsVista, &driver, 0, PortKind::Network);
    EXPECT_STREQ(driver.pDriverPath, "UNIDRV.DLL");

    // Without the flag the caller's raster flag holds for USB.
    ProcessSettings::SetDriverFamilyRule(false);
    config.GetDriverInfo("VT-R80", OsIndex::WindowsXp, &driver, 1, PortKind::Usb);
    EXPECT_STREQ(driver.pDriverPath, "VTGDI.DLL");
}

TEST_F(SetupConfigTest, DependentFilesListCoreFilesThenTheAdditionalFilesNotStartingWithZero) {
    WriteTypeFile("setup_label.ini",
                  "[QXL-K6.XP]\nGDIDataFile=K6.VTD\nGDI2KDDKDEV=2\nGDIDataFileDLLName=VTDATA.DLL\n"
                  "GDIDataOemuiDLL=0UI.DLL\nGDIDataOemuniDLL=VTOEMUNI.DLL\nGDIDataOemuniini=VTOEM.INI\n"
                  "[QXL-K6.Win7]\nGDIDataFile=K6.VTD\nGDI2KDDKDEV=1\nGDIDataFileDLLName=VTDATA.DLL\n"
                  "GDIDataOemuiDLL=VTOEMUI.DLL\nGDIDataOemuniDLL=VTOEMUNI.DLL\nGDIDataOemuniini=VTOEM.INI\n"
                  "[QXL-K6.NT]\nGDIDataFile=K6.VTD\nGDI2KDDKDEV=1\n"
                  "[QXL-K6.2K]\nSTDDataFile=K6.GPD\nSTD2KDDKDEV=1\n");
    CSetupConfig config;
    config.currentType = PrinterType::Label;
    DRIVER_INFO_3A driver = {};

    config.GetDriverInfo("QXL-K6", OsIndex::WindowsXp, &driver, 1, PortKind::Parallel);
    const std::vector<std::string> seven = {"K6.VTD", "TTFSUB.GPD", "UNIRES.DLL", "STDNAMES.GPD",
                                            "VTDATA.DLL", "VTOEMUNI.DLL", "VTOEM.INI"};
    EXPECT_EQ(ListNames(driver.pDependentFiles), seven);
    // Any nonzero number builds the list; the DDK test wants a leading "1".
    EXPECT_FALSE(config.Is2kDdkDriver("QXL-K6", OsIndex::WindowsXp, 1));

    config.GetDriverInfo("QXL-K6", OsIndex::Windows7, &driver, 1, PortKind::Parallel);
    const std::vector<std::string> eight = {"K6.VTD", "TTFSUB.GPD", "UNIRES.DLL", "STDNAMES.GPD",
                                            "VTDATA.DLL", "VTOEMUI.DLL", "VTOEMUNI.DLL", "VTOEM.INI"};
    EXPECT_EQ(ListNames(driver.pDependentFiles), eight);
    EXPECT_TRUE(config.Is2kDdkDriver("QXL-K6", OsIndex::Windows7, 1));
    EXPECT_FALSE(config.Is2kDdkDriver("QXL-K6", OsIndex::Windows7, 0));
    EXPECT_FALSE(config.Is2kDdkDriver("QXL-K6", OsIndex::Windows7, 5));

    // NT has no generic-driver core files, whatever the flag says.
    config.GetDriverInfo("QXL-K6", OsIndex::WindowsNt4, &driver, 1, PortKind::Parallel);
    ASSERT_NE(driver.pDependentFiles, nullptr);
    EXPECT_EQ(driver.pDependentFiles[0], '\0');

    // STD2KDDKDEV alone: a DDK driver for the check, but no dependent files.
    config.GetDriverInfo("QXL-K6", OsIndex::Windows2000, &driver, 0, PortKind::Parallel);
    EXPECT_EQ(driver.pDependentFiles[0], '\0');
    EXPECT_TRUE(config.Is2kDdkDriver("QXL-K6", OsIndex::Windows2000, 0));
}

TEST_F(SetupConfigTest, DependentFilesListGrowsPastTwoHundredBytes) {
    const std::string a(199, 'A'), b(199, 'B'), c(199, 'C'), d(199, 'D'), e(199, 'E');
    WriteTypeFile("setup_embedded.ini", "[VT-E20.XP]\nGDI2KDDKDEV=1\nSTDDataFile=" + a + "\nSTDDataFileDLLName=" +
                                            b + "\nSTDDataOemuiDLL=" + c + "\nSTDDataOemuniDLL=" + d +
                                            "\nSTDDataOemuniini=" + e + "\n");
    CSetupConfig config;
    config.currentType = PrinterType::Embedded;
    DRIVER_INFO_3A driver = {};
    config.GetDriverInfo("VT-E20", OsIndex::WindowsXp, &driver, 0, PortKind::Parallel);
    const std::vector<std::string> expected = {a, "TTFSUB.GPD", "UNIRES.DLL", "STDNAMES.GPD", b, c, d, e};
    EXPECT_EQ(ListNames(driver.pDependentFiles), expected);
}

TEST_F(SetupConfigTest, SixtyFourBitWindowsReadsTheSixtyFourBitFilesWithoutUsbIdentity) {
    WriteTypeFile("setup_receipt.ini", ModelSection("VT-R80.Win7", "32-bit"));
    WriteTypeFile("setup_receipt_64.ini", ModelSection("VT-R80.Win7", "64-bit"));
    ProcessSettings::SetIs64BitWindows(true);
    CSetupConfig config;
    config.currentType = PrinterType::Receipt;
    EXPECT_NE(config.TypeFilePath(PrinterType::Receipt).find("setup_receipt_64.ini"), std::string::npos)
        << config.TypeFilePath(PrinterType::Receipt);
    DRIVER_INFO_3A driver = {};
    DriverFileSet files = {};
    config.GetDriverInfo("VT-R80", OsIndex::Windows7, &driver, 0, PortKind::Parallel);
    config.GetDriverFiles("VT-R80", OsIndex::Windows7, &files, 0, PortKind::Parallel);
    EXPECT_STREQ(driver.pName, "64-bit parallel");
    EXPECT_STREQ(files.driverPath, "UNIDRV.DLL");
    EXPECT_STREQ(files.usbInternalId, "") << "the USB identity file is 32-bit only";

    ProcessSettings::SetIs64BitWindows(false);
    CSetupConfig config32;
    config32.currentType = PrinterType::Receipt;
    config32.GetDriverInfo("VT-R80", OsIndex::Windows7, &driver, 0, PortKind::Parallel);
    config32.GetDriverFiles("VT-R80", OsIndex::Windows7, &files, 0, PortKind::Parallel);
    EXPECT_STREQ(driver.pName, "32-bit parallel");
    EXPECT_STREQ(files.usbInternalId, "VTR80.UID");
}

TEST_F(SetupConfigTest, WithoutATypeEveryPerModelLookupReadsItsDefault) {
    WriteTypeFile("setup_receipt.ini", AllOsSections("VT-R80", "R80"));
    CSetupConfig config;  // currentType never set
    EXPECT_EQ(config.currentType, PrinterType::None);
    DRIVER_INFO_3A driver = {};
    PRINTER_INFO_2A printer = {};
    config.GetDriverInfo("VT-R80", OsIndex::WindowsXp, &driver, 0, PortKind::Parallel);
    config.GetPrinterInfo("VT-R80", OsIndex::WindowsXp, &printer, 0, PortKind::Parallel);
    EXPECT_STREQ(driver.pName, "0");
    EXPECT_STREQ(driver.pDriverPath, "0");
    EXPECT_STREQ(printer.pPrintProcessor, "0");
    EXPECT_EQ(printer.Attributes, 0u);
    config.currentType = PrinterTypeFromNumber(7);
    config.GetDriverInfo("VT-R80", OsIndex::WindowsXp, &driver, 0, PortKind::Parallel);
    EXPECT_STREQ(driver.pName, "0");
    // An OS index outside 0..7 has no section either.
    config.currentType = PrinterType::Receipt;
    config.GetDriverInfo("VT-R80", OsIndexFromNumber(8), &driver, 0, PortKind::Parallel);
    EXPECT_STREQ(driver.pDriverPath, "0");
}

TEST_F(SetupConfigTest, LongModelNamesAndValuesStayWithinTheirLimits) {
    const std::string model(199 - std::strlen("-ReceiptPrinter"), 'M');
    std::string section = "[" + model + ".XP]\n";
    for (const char* key : {"DriverNameP", "STDDriverPath", "STDDataFile", "STDPrintProcessor", "ATTRIBUTES",
                            "ControlFontFile", "USBInternalID", "STDProcessorDLLName"})
        section += std::string(key) + "=" + std::string(10000, 'v') + "\n";
    WriteTypeFile("setup_receipt.ini", section);
    CSetupConfig config;
    config.currentType = PrinterType::Receipt;
    DRIVER_INFO_3A driver = {};
    PRINTER_INFO_2A printer = {};
    DriverFileSet files = {};
    config.GetDriverInfo(model.c_str(), OsIndex::WindowsXp, &driver, 0, PortKind::Parallel);
    config.GetPrinterInfo(model.c_str(), OsIndex::WindowsXp, &printer, 0, PortKind::Parallel);
    config.GetDriverFiles(model.c_str(), OsIndex::WindowsXp, &files, 0, PortKind::Parallel);
    EXPECT_EQ(std::strlen(driver.pName), 49u);
    EXPECT_EQ(std::strlen(driver.pDriverPath), 199u);
    EXPECT_EQ(std::strlen(printer.pPrintProcessor), 49u);
    EXPECT_EQ(std::strlen(printer.pDriverName), 49u);
    EXPECT_EQ(printer.pPrinterName, std::string(model));
    EXPECT_EQ(std::strlen(files.controlFontFile), 199u);
    EXPECT_EQ(std::strlen(files.usbInternalId), 199u);
    EXPECT_EQ(std::strlen(files.processorDll), 199u);
    // 10,000 digits saturate rather than overflow.
    EXPECT_EQ(printer.Attributes, static_cast<DWORD>(0)) << "49 'v' characters hold no digits";
}

TEST_F(SetupConfigTest, PortMonitorsComeFromTheCommonMonitorSectionOfTheOs) {
    WriteSetupIni(
        "[COMMON-MONITOR.XP]\nUSBMONitorPName=Vantora USB Port\nUSBMONitorPDLLName=VTUSBMON.DLL\n"
        "USBMONitorPUIDLLName=VTUSBMUI.DLL\nUSBMONitorVersion=5\nCOMMONitorPName=Vantora Serial Port\n"
        "COMMONitorPDLLName=VTCOMMON.DLL\nCOMMONitorPUIDLLName=VTCOMMUI.DLL\nCOMMONitorVersion=4\n"
        "[COMMON-MONITOR.98]\nUSBMONitorPName=Vantora USB 9x\nUSBMONitorPDLLName=VTUSBM9X.DLL\n"
        "USBMONitorPUIDLLName=" + std::string(300, 'u') + "\nUSBMONitorVersion=99999999999\n"
        "[ProcessorVersion]\nDriverVersion=3\n");
    CSetupConfig config;
    PortMonitorPair pair;
    std::memset(&pair, 0, sizeof pair);
    config.GetPortMonitors(OsIndex::WindowsXp, &pair);
    EXPECT_STREQ(pair.usb.pName, "Vantora USB Port");
    EXPECT_STREQ(pair.usb.pDLLName, "VTUSBMON.DLL");
    EXPECT_STREQ(pair.usbUiDll, "VTUSBMUI.DLL");
    EXPECT_EQ(pair.usbVersion, 5u);
    EXPECT_STREQ(pair.serial.pName, "Vantora Serial Port");
    EXPECT_STREQ(pair.serial.pDLLName, "VTCOMMON.DLL");
    EXPECT_STREQ(pair.serialUiDll, "VTCOMMUI.DLL");
    EXPECT_EQ(pair.serialVersion, 4u);
    EXPECT_EQ(pair.usb.pEnvironment, nullptr);
    EXPECT_EQ(pair.serial.pEnvironment, nullptr);

    config.GetPortMonitors(OsIndex::Windows9x, &pair);
    EXPECT_STREQ(pair.usb.pEnvironment, "Windows 4.0");
    EXPECT_STREQ(pair.serial.pEnvironment, "Windows 4.0");
    EXPECT_EQ(std::strlen(pair.usbUiDll), 49u);
    // Nine characters are read: "999999999".
    EXPECT_EQ(pair.usbVersion, 999999999u);
    EXPECT_STREQ(pair.serial.pName, "0") << "no serial monitor on 98/Me: the default";
    EXPECT_EQ(pair.serialVersion, 0u);
    EXPECT_EQ(config.GetProcessorVersion(), 3u);
}

TEST_F(SetupConfigTest, LanguageMonitorIsAbsentWhenAllThreeKeysReadOneCharacter) {
    WriteSetupIni(
        "[COMMON-MONITOR.XP]\nUSBLMONitorName=Vantora Language Monitor\nUSBLMONitorDLLName=VTLMON.DLL\n"
        "USBLMONitorVersion=3\n"
        "[COMMON-MONITOR.2K]\nUSBLMONitorDLLName=VTLMON.DLL\n"
        "[COMMON-MONITOR.Vista]\nUSBLMONitorName=L\nUSBLMONitorDLLName=D\nUSBLMONitorVersion=7\n");
    CSetupConfig config;
    LanguageMonitorInfo info;

    info = {{reinterpret_cast<LPSTR>(0xDEADBEEF), reinterpret_cast<LPSTR>(0xDEADBEEF),
             reinterpret_cast<LPSTR>(0xDEADBEEF)}, 0xDEADBEEF};
    config.GetLanguageMonitorInfo("VT-R80", OsIndex::WindowsXp, &info, PortKind::Usb);
    EXPECT_STREQ(info.monitor.pName, "Vantora Language Monitor");
    EXPECT_STREQ(info.monitor.pDLLName, "VTLMON.DLL");
    EXPECT_EQ(info.version, 3u);
    EXPECT_EQ(info.monitor.pEnvironment, nullptr);

    // Name absent, DLL present: present, named "0".
    config.GetLanguageMonitorInfo("VT-R80", OsIndex::Windows2000, &info, PortKind::Usb);
    EXPECT_STREQ(info.monitor.pName, "0");
    EXPECT_STREQ(info.monitor.pDLLName, "VTLMON.DLL");

    // Each key one character long, as the default "0" is: absent, even though they are set.
    config.GetLanguageMonitorInfo("VT-R80", OsIndex::WindowsVista, &info, PortKind::Usb);
    EXPECT_STREQ(info.monitor.pName, "");
    EXPECT_STREQ(info.monitor.pDLLName, "");
    EXPECT_EQ(info.version, 0u);

    // Nothing configured on 98/Me: absent, with the 9x environment.
    config.GetLanguageMonitorInfo("VT-R80", OsIndex::Windows9x, &info, PortKind::Usb);
    EXPECT_STREQ(info.monitor.pName, "");
    EXPECT_STREQ(info.monitor.pEnvironment, "Windows 4.0");

    // Other port kinds: empty names, version and environment untouched.
    info.version = 0xDEADBEEF;
    info.monitor.pEnvironment = reinterpret_cast<LPSTR>(0xDEADBEEF);
    for (int kind : {0, 1, 3}) {
        config.GetLanguageMonitorInfo("VT-R80", OsIndex::WindowsXp, &info, PortKindFromNumber(kind));
        EXPECT_STREQ(info.monitor.pName, "") << "kind " << kind;
        EXPECT_STREQ(info.monitor.pDLLName, "") << "kind " << kind;
        EXPECT_EQ(info.version, 0xDEADBEEFu);
        EXPECT_EQ(info.monitor.pEnvironment, reinterpret_cast<LPSTR>(0xDEADBEEF));
    }
    // An unknown kind leaves the record alone.
    info.monitor.pName = reinterpret_cast<LPSTR>(0xDEADBEEF);
    config.GetLanguageMonitorInfo("VT-R80", OsIndex::WindowsXp, &info, PortKindFromNumber(7));
    EXPECT_EQ(info.monitor.pName, reinterpret_cast<LPSTR>(0xDEADBEEF));
}

TEST_F(SetupConfigTest, BuildConfigPathsNamesMixedCaseFilesThatFindTheLowerCaseOnes) {
    WriteTypeFile("setup_ticket.ini", "[VT-T300.PORT]\nUSBSUPPORTED=1\n");
    WriteTypeFile("setup_embedded_64.ini", "[VT-E20.PORT]\nCOMSUPPORTED=1\n");
    std::string setupIni, typeFile;

    BuildConfigPaths(PrinterType::Ticket, setupIni, typeFile);
    EXPECT_EQ(setupIni, folder_ + "DRVCONFIG\\setup.ini");
    EXPECT_EQ(typeFile, folder_ + "DRVCONFIG\\setup_Ticket.ini");
    EXPECT_EQ(ReadProfileInt(typeFile, "VT-T300.PORT", "USBSUPPORTED"), 1) << "case-insensitive file name";

    ProcessSettings::SetIs64BitWindows(true);
    BuildConfigPaths(PrinterType::Embedded, setupIni, typeFile);
    EXPECT_EQ(typeFile, folder_ + "DRVCONFIG\\setup_Embedded_64.ini");
    EXPECT_EQ(ReadProfileInt(typeFile, "VT-E20.PORT", "COMSUPPORTED"), 1);

    for (int type : {-1, 4, 1000}) {
        BuildConfigPaths(PrinterTypeFromNumber(type), setupIni, typeFile);
        EXPECT_EQ(typeFile, folder_) << "type " << type << ": no type file";
        EXPECT_EQ(ReadProfileInt(typeFile, "VT-E20.PORT", "COMSUPPORTED"), 0);
    }
}

TEST_F(SetupConfigTest, ReadDeviceSettingReadsTheDeviceNameSection) {
    WriteSetupIni("[DEVICENAME]\nGDISTDSign=1\nLANGUAGE=abc\nLOADLICENSE=5 pages\n");
    EXPECT_EQ(ReadDeviceSetting("GDISTDSign"), 1);
    EXPECT_EQ(ReadDeviceSetting("LANGUAGE"), 0);
    EXPECT_EQ(ReadDeviceSetting("LOADLICENSE"), 5);
    EXPECT_EQ(ReadDeviceSetting("Supported32OR64"), 0);
    EXPECT_EQ(ReadDeviceSetting(nullptr), 0);
}

// A distribution unpacked deep in the file system: the paths that fit are read,
// the ones that do not count as missing files.
TEST_F(SetupConfigTest, DeepProgramFoldersNeverOverrun) {
    const std::string base = folder_ + "DRVCONFIG\\deep\\";
    const std::size_t wanted[] = {200, 225, 240};
    for (std::size_t length : wanted) {
        ASSERT_LT(base.size() + 10, length) << "test folder already too deep";
        std::string folder = base;
        while (folder.size() + 1 < length) {
            std::size_t part = std::min<std::size_t>(length - folder.size() - 1, 100);
            folder += std::string(part, 'f') + "\\";
        }
        ASSERT_TRUE(CreateFolders(folder.substr(0, folder.size() - 1))) << folder;
        WriteTextFile(folder, "DRVCONFIG\\setup.ini", "[DEVICENAME]\nDEVICENUMBER=1\nDEVICENAME1=VT-E20-EmbeddedPrinter\n");
        WriteTextFile(folder, "DRVCONFIG\\setup_embedded.ini", "[VT-E20.XP]\nDriverNameU=Embedded USB\n");

        CSetupConfig config(folder);
        config.currentType = PrinterType::Embedded;
        DRIVER_INFO_3A driver = {};
        config.GetDriverInfo("VT-E20", OsIndex::WindowsXp, &driver, 0, PortKind::Usb);
        const bool fits = folder.size() + std::strlen("DRVCONFIG\\setup_embedded.ini") < MAX_PATH;
        EXPECT_EQ(config.GetDeviceCount(), fits || folder.size() + 19 < MAX_PATH ? 1 : 0) << folder.size();
        EXPECT_STREQ(driver.pName, fits ? "Embedded USB" : "0") << "folder of " << folder.size() << " characters";

        std::string setupIni, typeFile;
        BuildConfigPaths(folder, PrinterType::Embedded, setupIni, typeFile);
        EXPECT_LT(typeFile.size(), static_cast<std::size_t>(MAX_PATH));
    }
}

}  // namespace
