#include "engine/CoreFileRestore.h"

#include "config/ProcessSettings.h"
#include "engine/EngineTestSupport.h"
#include "engine/FileStaging.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class CoreFileRestoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        EndCoreFileSearch();
        char buffer[MAX_PATH] = {};
        DWORD needed = 0;
        GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(buffer), sizeof buffer, &needed);
        driverDirectory = std::string(buffer) + "\\";
        GetSystemDirectoryA(buffer, sizeof buffer);
        systemDirectory = std::string(buffer) + "\\";
        const std::string distribution = ProgramFolder() + (ProcessSettings::Is64BitWindows() ? "W64\\" : "W32\\");
        for (const char* name : kFiles) {
            WriteTextFile(distribution, name, std::string("distribution's ") + name);
            Remove(driverDirectory + name);
        }
    }
    void TearDown() override { EndCoreFileSearch(); }

    static void Remove(const std::string& path) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }

    static constexpr const char* kFiles[] = {"TTFSUB.GPD", "STDNAMES.GPD", "UNIRES.DLL", "ICONLIB.DLL", "UNIDRV.DLL"};
    std::string driverDirectory, systemDirectory;
};

TEST_F(CoreFileRestoreTest, UniversalDriverFilesOnlyForDriversBuiltOnIt) {
    RestoreCoreFiles(OsIndex::WindowsXp, false);
    for (const char* name : kFiles) EXPECT_EQ("<missing>", ReadWholeFile(driverDirectory + name)) << name;

    const OperationResult restored = RestoreCoreFiles(OsIndex::WindowsXp, true);
    EXPECT_TRUE(restored.ok) << restored.text;
    for (const char* name : {"TTFSUB.GPD", "STDNAMES.GPD", "UNIRES.DLL"}) {
        EXPECT_EQ(std::string("distribution's ") + name, ReadWholeFile(driverDirectory + name)) << name;
    }
}

TEST_F(CoreFileRestoreTest, Windows98TakesTheUniversalDriverFromTheDistributionIntoTheDriverDirectory) {
    Remove(systemDirectory + "UNIDRV.DLL");
    const OperationResult restored = RestoreCoreFiles(OsIndex::Windows9x, false);
    EXPECT_TRUE(restored.ok) << restored.text;
    EXPECT_EQ("distribution's ICONLIB.DLL", ReadWholeFile(driverDirectory + "ICONLIB.DLL"));
    EXPECT_EQ("distribution's UNIDRV.DLL", ReadWholeFile(driverDirectory + "UNIDRV.DLL"));
    EXPECT_EQ("<missing>", ReadWholeFile(systemDirectory + "UNIDRV.DLL"));

    // Present in the system directory: the icon library alone.
    Remove(driverDirectory + "UNIDRV.DLL");
    WriteTextFile(systemDirectory, "UNIDRV.DLL", "system's own");
    RestoreCoreFiles(OsIndex::Windows9x, false);
    EXPECT_EQ("<missing>", ReadWholeFile(driverDirectory + "UNIDRV.DLL"));
    Remove(systemDirectory + "UNIDRV.DLL");
}

}  // namespace
