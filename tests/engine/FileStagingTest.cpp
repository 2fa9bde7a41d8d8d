#include "engine/FileStaging.h"

#include "config/ProcessSettings.h"
#include "engine/EngineTestSupport.h"
#include "platform/FileSystemRedirection.h"
#include "support/Overrides.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Folder(UINT(WINAPI* query)(LPSTR, UINT)) {
    char buffer[MAX_PATH] = {};
    query(buffer, sizeof buffer);
    return buffer;
}

std::string DriverDirectory() {
    char buffer[MAX_PATH] = {};
    DWORD needed = 0;
    GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(buffer), sizeof buffer, &needed);
    return buffer;
}

std::string TemporaryFolder() {
    char buffer[MAX_PATH] = {};
    GetTempPathA(sizeof buffer, buffer);
    return buffer;
}

// Reads through WOW64's redirection or past it.
std::string ReadNative(const std::string& path) {
    CFileSystemRedirectionOff redirection;
    return ReadWholeFile(path);
}

void WriteNative(const std::string& folder, const std::string& name, const std::string& text) {
    CFileSystemRedirectionOff redirection;
    CreateFolders(folder);
    WriteTextFile(folder + "\\", name, text);
}

void RemoveFile(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

DWORD injectedCode;
BOOL WINAPI CopyFails(LPCSTR, LPCSTR, BOOL) {
    SetLastError(injectedCode);
    return FALSE;
}
HMODULE WINAPI LoadFails(LPCSTR) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

class FileStagingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ProcessSettings::Is64BitWindows()) << "these cases are about a WoW64 prefix";
        EndCoreFileSearch();
        distribution = ProgramFolder() + (ProcessSettings::Is64BitWindows() ? "W64\\" : "W32\\");
        driverDirectory = DriverDirectory();
        system = Folder(GetSystemDirectoryA);
        windows = Folder(GetWindowsDirectoryA);
    }
    void TearDown() override { EndCoreFileSearch(); }

    const OperationResult& Copy(const char* name, int kind, int os, bool prefixed = false) {
        std::strcpy(nameBuffer, name);
        copied = CopyDriverFile(nameBuffer, kind, OsIndexFromNumber(os), prefixed);
        return copied;
    }
    void Distribute(const std::string& name, const std::string& text) { WriteTextFile(distribution, name, text); }

    std::string distribution, driverDirectory, system, windows;
    OperationResult copied;
    char nameBuffer[200] = {};
};

TEST_F(FileStagingTest, SystemDirectoryKindReachesTheSixtyFourBitSystem) {
    Distribute("VTSTAGE.DLL", "W64 VTSTAGE");
    ASSERT_TRUE(Copy("vtstage.dll", kSystemDirectory, 7).ok) << copied.text;
    EXPECT_STREQ("VTSTAGE.DLL", nameBuffer);
    EXPECT_EQ("W64 VTSTAGE", ReadNative(system + "\\VTSTAGE.DLL"));
    EXPECT_EQ("<missing>", ReadWholeFile(system + "\\VTSTAGE.DLL")) << "landed in the 32-bit system folder";
}

TEST_F(FileStagingTest, TargetsByKindWithPrefixAndReadOnlyOverwrite) {
    Distribute("VTFONT.TTF", "font");
    ASSERT_TRUE(Copy("VTFONT.TTF", kDriverVersion3Directory, 7, true).ok) << copied.text;
    EXPECT_EQ("font", ReadWholeFile(driverDirectory + "\\3\\nVTFONT.TTF"));

    WriteTextFile(driverDirectory + "\\", "VTRO.DLL", "old");
    SetFileAttributesA((driverDirectory + "\\VTRO.DLL").c_str(), FILE_ATTRIBUTE_READONLY);
    Distribute("VTRO.DLL", "new");
    ASSERT_TRUE(Copy("VTRO.DLL", kPrinterDriverDirectory, 7).ok) << copied.text;
    EXPECT_EQ("new", ReadWholeFile(driverDirectory + "\\VTRO.DLL"));

    // Present in the system folder: left as it is.
    WriteTextFile(system + "\\", "VTKEEP.DLL", "system's own");
    Distribute("VTKEEP.DLL", "ours");
    ASSERT_TRUE(Copy("VTKEEP.DLL", kSystemDirectoryIfMissing, 3).ok) << copied.text;
    EXPECT_EQ("system's own", ReadWholeFile(system + "\\VTKEEP.DLL"));
    EXPECT_EQ("", copied.text);
}

TEST_F(FileStagingTest, NamesAndKindsThatCopyNothing) {
    EXPECT_FALSE(Copy("0", kPrinterDriverDirectory, 7).ok);
    EXPECT_EQ("", copied.text);
    EXPECT_FALSE(Copy("VTFONT.TTF", 12345, 7).ok);
    EXPECT_EQ(Text("IDS_ERR_DIRTYPE"), copied.text);
    // Constant names are copied before they are upper-cased.
    EXPECT_FALSE(CopyDriverFile(std::string("0"), kPrinterDriverDirectory, OsIndex::Windows7, false).ok);
}

TEST_F(FileStagingTest, FailedCopyTexts) {
    ASSERT_FALSE(Copy("vtnone.dll", kPrinterDriverDirectory, 7).ok);
    EXPECT_EQ(Text("IDS_ERR_COPYFIEL") + "VTNONE.DLL\n" + SystemText(ERROR_FILE_NOT_FOUND) + Text("IDS_ERR_COPYFIEL1"),
              copied.text);
    {
        ScopedSystemCall<decltype(SystemCallTable::FormatMessageA)> noText(&SystemCallTable::FormatMessageA,
                                                                           &FormatMessageFails);
        ASSERT_FALSE(Copy("vtnone.dll", kPrinterDriverDirectory, 7, true).ok);
        EXPECT_EQ(Text("IDS_ERR_COPYFIEL"), copied.text);
    }
    {
        ScopedSystemCall<decltype(SystemCallTable::LoadLibraryA)> noKernel(&SystemCallTable::LoadLibraryA, &LoadFails);
        Distribute("VTSTAGE.DLL", "W64 VTSTAGE");
        ASSERT_FALSE(Copy("VTSTAGE.DLL", kSystemDirectory, 7).ok);
        EXPECT_EQ(Text("IDS_ERR_COPYFIEL") + "VTSTAGE.DLL", copied.text);
    }
}

TEST_F(FileStagingTest, TargetInUseIsReportedWithoutText) {
    Distribute("VTBUSY.DLL", "busy");
    ScopedSystemCall<decltype(SystemCallTable::CopyFileA)> busy(&SystemCallTable::CopyFileA, &CopyFails);
    for (DWORD code : {ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED}) {
        injectedCode = code;
        EXPECT_TRUE(IsFileInUse(Copy("VTBUSY.DLL", kSystemDirectory, 7)));
        EXPECT_EQ(code, copied.code);
        EXPECT_EQ("", copied.text);
    }
}

TEST_F(FileStagingTest, XpCoreFileAlreadyInTheDriverDirectoryIsKept) {
    WriteTextFile(driverDirectory + "\\", "UNIDRV.DLL", "system's own");
    ASSERT_TRUE(Copy("unidrv.dll", kPrinterDriverDirectory, 3).ok) << copied.text;
    EXPECT_STREQ("UNIDRV.DLL", nameBuffer);
    EXPECT_EQ("system's own", ReadWholeFile(driverDirectory + "\\UNIDRV.DLL"));
    RemoveFile(driverDirectory + "\\UNIDRV.DLL");
}

// Without cabinets the distribution's copy is used, never a file someone left in the
// shared temporary folder.
TEST_F(FileStagingTest, XpCoreFileWithoutCabinetsComesFromTheDistribution) {
    RemoveFile(driverDirectory + "\\UNIRES.DLL");
    WriteTextFile(TemporaryFolder(), "UNIRES.DLL", "planted");
    Distribute("UNIRES.DLL", "distribution's");
    ASSERT_TRUE(Copy("unires.dll", kPrinterDriverDirectory, 3).ok) << copied.text;
    EXPECT_EQ("distribution's", ReadWholeFile(driverDirectory + "\\UNIRES.DLL"));
    RemoveFile(TemporaryFolder() + "UNIRES.DLL");
    RemoveFile(driverDirectory + "\\UNIRES.DLL");
}

TEST_F(FileStagingTest, WindowsSevenCoreFileComesFromTheDriverStore) {
    RemoveFile(driverDirectory + "\\TTFSUB.GPD");
    const std::string repository = windows + "\\System32\\DriverStore\\FileRepository";
    ASSERT_FALSE(Copy("ttfsub.gpd", kPrinterDriverDirectory, 7).ok);
    EXPECT_EQ(0u, copied.text.rfind("Couldn't find system files.", 0)) << copied.text;

    WriteNative(repository + "\\ntprint.inf_amd64_test\\AMD64", "TTFSUB.GPD", "driver store's");
    ASSERT_TRUE(Copy("ttfsub.gpd", kPrinterDriverDirectory, 7).ok) << copied.text;
    EXPECT_EQ("driver store's", ReadWholeFile(driverDirectory + "\\TTFSUB.GPD"));
    RemoveFile(driverDirectory + "\\TTFSUB.GPD");
}

struct CountingCabinets {
    static inline int iterations = 0;
    static BOOL WINAPI Iterate(PCSTR cabinet, DWORD reserved, PSP_FILE_CALLBACK_A callback, PVOID context) {
        ++iterations;
        return DefaultSystemCalls().SetupIterateCabinetA(cabinet, reserved, callback, context);
    }
};

// The driver cache is read once per run, only its six core files by their exact
// names, and only into a folder of the run's own that goes at the end.
TEST_F(FileStagingTest, XpCoreFilesComeFromTheDriverCacheExtractedOnce) {
    const std::string cache = windows + "\\Driver Cache\\AMD64";
    CreateFolders(cache);
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "cabinets\\driver.cab").c_str(), (cache + "\\driver.cab").c_str(), FALSE));
    ScopedSystemCall<decltype(SystemCallTable::SetupIterateCabinetA)> counting(&SystemCallTable::SetupIterateCabinetA,
                                                                             &CountingCabinets::Iterate);
    for (const char* name : {"UNIDRV.DLL", "STDNAMES.GPD"}) RemoveFile(driverDirectory + "\\" + name);

    ASSERT_TRUE(Copy("unidrv.dll", kPrinterDriverDirectory, 3).ok) << copied.text;
    EXPECT_EQ("cabinet fixture unidrv.dll\r\n", ReadWholeFile(driverDirectory + "\\UNIDRV.DLL"));
    ASSERT_TRUE(Copy("stdnames.gpd", kPrinterDriverDirectory, 3).ok) << copied.text;
    EXPECT_EQ("cabinet fixture stdnames.gpd\r\n", ReadWholeFile(driverDirectory + "\\STDNAMES.GPD"));
    EXPECT_EQ(1, CountingCabinets::iterations);

    EndCoreFileSearch();
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((TemporaryFolder() + "PrinterSetup-*").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search) << "left behind: " << found.cFileName;
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    DeleteFileA((cache + "\\driver.cab").c_str());
    for (const char* name : {"UNIDRV.DLL", "STDNAMES.GPD"}) RemoveFile(driverDirectory + "\\" + name);
}

struct CorruptCabinets {
    static BOOL WINAPI Iterate(PCSTR, DWORD, PSP_FILE_CALLBACK_A, PVOID) {
        SetLastError(ERROR_FILE_CORRUPT);
        return FALSE;
    }
};

// The extraction answers with the code of the cabinet that could not be read.
TEST_F(FileStagingTest, CabinetExtractionCarriesTheCabinetsCode) {
    const std::string cache = windows + "\\Driver Cache\\AMD64";
    CreateFolders(cache);
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "cabinets\\driver.cab").c_str(), (cache + "\\driver.cab").c_str(), FALSE));
    EXPECT_TRUE(ExtractCoreFilesFromCabinets().ok);
    {
        ScopedSystemCall<decltype(SystemCallTable::SetupIterateCabinetA)> corrupt(&SystemCallTable::SetupIterateCabinetA,
                                                                                &CorruptCabinets::Iterate);
        const OperationResult extracted = ExtractCoreFilesFromCabinets();
        EXPECT_FALSE(extracted.ok);
        EXPECT_EQ(extracted.code, static_cast<DWORD>(ERROR_FILE_CORRUPT));
        EXPECT_EQ(extracted.text, "");
    }
    EndCoreFileSearch();
    DeleteFileA((cache + "\\driver.cab").c_str());
}

// The allowed entries of an access list: who, and whether it may add or change files.
struct Grant {
    std::string sid;
    bool writes;
};
std::vector<Grant> AllowedEntries(PACL list) {
    std::vector<Grant> grants;
    for (DWORD index = 0; list != nullptr && index < list->AceCount; ++index) {
        ACE_HEADER* ace = nullptr;
        if (!GetAce(list, index, reinterpret_cast<void**>(&ace)) || ace->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
        char* sid = nullptr;
        if (!ConvertSidToStringSidA(&allowed->SidStart, &sid)) continue;
        const ACCESS_MASK write = GENERIC_ALL | GENERIC_WRITE | FILE_ADD_FILE | FILE_WRITE_DATA | FILE_APPEND_DATA |
                                  FILE_ADD_SUBDIRECTORY | WRITE_DAC | WRITE_OWNER | DELETE;
        grants.push_back({sid, (allowed->Mask & write) != 0});
        LocalFree(sid);
    }
    return grants;
}

// Plants a core file in the run's extraction folder before the cabinets are read, as
// anyone allowed to write there could, and reads the folder's access list.
struct PlantingCabinets {
    static inline std::string folder;
    static inline std::vector<Grant> grants;
    static BOOL WINAPI Iterate(PCSTR cabinet, DWORD reserved, PSP_FILE_CALLBACK_A callback, PVOID context) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((TemporaryFolder() + "PrinterSetup-*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            folder = TemporaryFolder() + found.cFileName;
            WriteTextFile(folder + "\\", "UNIDRV.DLL", "planted");
            PACL list = nullptr;
            PSECURITY_DESCRIPTOR descriptor = nullptr;
            if (GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                      &list, nullptr, &descriptor) == ERROR_SUCCESS) {
                grants = AllowedEntries(list);
                LocalFree(descriptor);
            }
        }
        return DefaultSystemCalls().SetupIterateCabinetA(cabinet, reserved, callback, context);
    }
};

bool IsOrdinaryUsers(const std::string& sid) {
    return sid == "S-1-5-32-545" || sid == "S-1-1-0" || sid == "S-1-5-11" || sid == "S-1-5-4";
}

// The folder is made with Administrators and SYSTEM alone; Wine keeps no access list of
// its own on a new folder, so the descriptor is checked as well as what the folder shows.
TEST_F(FileStagingTest, ExtractionFolderIsForAdministratorsAndSystemOnly) {
    UniqueLocalMemory descriptor = ExtractionFolderSecurity();
    ASSERT_TRUE(descriptor);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor.get(), &control, &revision));
    EXPECT_NE(0, control & SE_DACL_PROTECTED) << "inherits what the temporary folder grants";
    BOOL present = FALSE, defaulted = FALSE;
    PACL list = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor.get(), &present, &list, &defaulted));
    ASSERT_TRUE(present && list != nullptr) << "a null list grants everyone everything";
    std::vector<std::string> grantees;
    for (const Grant& grant : AllowedEntries(list)) grantees.push_back(grant.sid);
    EXPECT_EQ((std::vector<std::string>{"S-1-5-32-544", "S-1-5-18"}), grantees);
}

// Only what this run's cabinets gave is installed from the extraction folder, and only
// Administrators and SYSTEM may put anything there.
TEST_F(FileStagingTest, FilePlantedInTheExtractionFolderIsNotInstalled) {
    const std::string cache = windows + "\\Driver Cache\\AMD64";
    CreateFolders(cache);
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "cabinets\\second.cab").c_str(), (cache + "\\second.cab").c_str(), FALSE));
    ScopedSystemCall<decltype(SystemCallTable::SetupIterateCabinetA)> planting(&SystemCallTable::SetupIterateCabinetA,
                                                                             &PlantingCabinets::Iterate);
    for (const char* name : {"UNIDRV.DLL", "TTFSUB.GPD"}) RemoveFile(driverDirectory + "\\" + name);
    Distribute("UNIDRV.DLL", "distribution's");

    ASSERT_TRUE(Copy("unidrv.dll", kPrinterDriverDirectory, 3).ok) << copied.text;
    ASSERT_FALSE(PlantingCabinets::folder.empty()) << "the cabinets were not read";
    EXPECT_EQ("distribution's", ReadWholeFile(driverDirectory + "\\UNIDRV.DLL"));
    ASSERT_TRUE(Copy("ttfsub.gpd", kPrinterDriverDirectory, 3).ok) << copied.text;
    EXPECT_EQ("second cabinet fixture ttfsub.gpd\r\n", ReadWholeFile(driverDirectory + "\\TTFSUB.GPD"));

    for (const Grant& grant : PlantingCabinets::grants) {
        EXPECT_FALSE(grant.writes && IsOrdinaryUsers(grant.sid)) << "the folder lets " << grant.sid << " write";
    }
    EndCoreFileSearch();
    DeleteFileA((cache + "\\second.cab").c_str());
    for (const char* name : {"UNIDRV.DLL", "TTFSUB.GPD"}) RemoveFile(driverDirectory + "\\" + name);
}

}  // namespace
