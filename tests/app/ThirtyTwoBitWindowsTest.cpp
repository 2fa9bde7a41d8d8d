// Start-up on a 32-bit Windows (a WINEARCH=win32 prefix): no WOW64, the plain type
// files, and a 64-bit-only package refused.
#include "app/SetupApp.h"

#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "config/RegistryKey.h"
#include "engine/EnvironmentProbes.h"
#include "support/Overrides.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

namespace {

class ThirtyTwoBitWindows : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ProgramFolder();
        WriteTextFile(folder_, "language\\setup.ini",
                      "[Setup]\nPortNull=No port.\n[Message]\nIDS_X32=This package is for 64-bit Windows.\n");
        WriteTextFile(folder_, "DRVCONFIG\\setup_receipt.ini", "[VT-R80.PORT]\nLPTSUPPORTED=1\n");
        WriteTextFile(folder_, "DRVCONFIG\\setup_receipt_64.ini", "[VT-R80.PORT]\nLPTSUPPORTED=0\n");
    }
    void TearDown() override {
        RemoveTree(folder_ + "DRVCONFIG");
        RemoveTree(folder_ + "language");
    }
    void WritePackage(const char* width) {
        WriteTextFile(folder_, "DRVCONFIG\\setup.ini",
                      std::string("[DEVICENAME]\nSupported32OR64=") + width +
                          "\nDEVICENUMBER=1\nDEVICENAME1=VT-R80-ReceiptPrinter\n");
    }
    std::string folder_;
};

TEST_F(ThirtyTwoBitWindows, IsDetectedWithoutWow64) {
    EXPECT_FALSE(IsWow64Windows());
    SYSTEM_INFO system = {};
    GetNativeSystemInfo(&system);
    EXPECT_EQ(system.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL);
    EXPECT_EQ(DetectSystem(), OsIndex::Windows7) << "the prefix reports Windows 7";
}

TEST_F(ThirtyTwoBitWindows, AdmitsThirtyTwoBitPackagesFromThePlainTypeFiles) {
    for (const char* width : {"0", "1"}) {
        WritePackage(width);
        MessageBoxRecorder boxes;
        CSetupApp app(std::string("PrinterDriverSetupTest.Win32.") + width);
        EXPECT_TRUE(app.PassAdmission()) << "Supported32OR64=" << width;
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_FALSE(ProcessSettings::Is64BitWindows());
    }
}

TEST_F(ThirtyTwoBitWindows, RefusesASixtyFourBitPackage) {
    WritePackage("2");
    MessageBoxRecorder boxes;
    CSetupApp app("PrinterDriverSetupTest.Win32.2");
    EXPECT_FALSE(app.PassAdmission());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "This package is for 64-bit Windows.");
}

TEST_F(ThirtyTwoBitWindows, RegistryKeysAreOpenedWithFullAccess) {
    ProcessSettings::SetIs64BitWindows(false);
    ASSERT_TRUE(CRegistryKey::CreateKey(HKEY_CURRENT_USER, "Software\\VANTORA\\Win32Test"));
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "Software\\VANTORA\\Win32Test"));
    EXPECT_TRUE(key.SetDword("Value", 7));
    DWORD value = 0xDEADBEEF;
    EXPECT_TRUE(key.QueryDword("Value", &value));
    EXPECT_EQ(value, 7u);
    key.Close();
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\VANTORA");
}

}  // namespace
