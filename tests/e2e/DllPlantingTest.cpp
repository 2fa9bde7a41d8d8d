// A DLL planted beside Setup.exe or in the current folder under the name of a DLL the
// program imports or loads must never run: the wizard is walked to the port page (which
// reads the USB driver's version, the spooler's ports and probes the device library),
// F1 help and an installation, with Wine told to prefer a DLL of that name found on the
// search path over its own, as Windows does for every DLL that is not a known DLL.
#include "e2e/WizardDriver.h"
#include "framework/ProgramPaths.h"
#include "res/WizardResources.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct PlantedName {
    const char* file;
    // The name Wine's override list knows the DLL by.
    const char* overrideName;
    // The common controls are imported, and found through the manifest's dependency on
    // their side-by-side assembly, never by searching folders.
    bool importedThroughManifest;
    // Wine's own user32 imports version.dll, so Wine's loader looks for it before the
    // program's first instruction, where no program can restrict the search yet (the
    // user32 of Windows imports no such DLL). The program must neither import it nor
    // load it later.
    bool loadedByWineBeforeTheProgram;
};

// Every DLL the program imports or loads that is not a known DLL.
const PlantedName kPlantedNames[] = {
    {"version.dll", "version", false, true},       {"winspool.drv", "winspool.drv", false, false},
    {"setupapi.dll", "setupapi", false, false},    {"shell32.dll", "shell32", false, false},
    {"comctl32.dll", "comctl32", true, false},
};

std::vector<std::string> MarkersIn(const std::string& folder, const char* kind) {
    std::vector<std::string> found;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*" + kind).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    do found.push_back(folder + entry.cFileName);
    while (FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

std::string EnvironmentValue(const char* name) {
    char value[1024] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length < sizeof value ? std::string(value, length) : std::string();
}

// The DLL names in an executable's import table, upper case.
std::vector<std::string> ImportedDllNames(const std::string& path) {
    std::vector<std::string> names;
    HMODULE image = LoadLibraryExA(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (image == nullptr) return names;
    const auto* base = reinterpret_cast<const unsigned char*>(image);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         directory.VirtualAddress != 0 && entry->Name != 0; ++entry) {
        std::string name = reinterpret_cast<const char*>(base + entry->Name);
        CharUpperBuffA(name.data(), static_cast<DWORD>(name.size()));
        names.push_back(name);
    }
    FreeLibrary(image);
    return names;
}

bool WalkToPortPage(WizardDriver& wizard) {
    if (!wizard.Start() || wizard.WaitForWizard() == nullptr || !wizard.WaitForPageWith(IDC_ACCEPT) ||
        !wizard.Click(IDC_ACCEPT))
        return false;
    for (int nextPageControl : {IDC_TYPE_RECEIPT, IDC_TYPICAL, IDC_OS_WIN7, IDC_PORT_LIST}) {
        if (!wizard.Press(IDOK) || !wizard.WaitForPageWith(nextPageControl)) return false;
    }
    return true;
}

bool HasModule(DWORD process, const char* name) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, process);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    MODULEENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Module32First(snapshot, &entry); more && !found; more = Module32Next(snapshot, &entry))
        found = lstrcmpiA(entry.szModule, name) == 0;
    CloseHandle(snapshot);
    return found;
}

// On to where the DLLs loaded late load: F1 help (shell32) and an installation with what
// the wizard preselects (winspool, setupapi, version; shell32 for the USB driver's
// installer). True when the program had each of them loaded.
bool HelpThenInstall(WizardDriver& wizard) {
    DWORD process = 0;
    GetWindowThreadProcessId(wizard.Frame(), &process);
    SetForegroundWindow(wizard.Frame());
    SetFocus(wizard.Control(IDC_PORT_LIST));
    INPUT keys[2] = {};
    keys[0].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_F1;
    keys[1] = keys[0];
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
    bool reached = WaitUntil([&] { return HasModule(process, "shell32.dll"); }, WizardDriver::kStepTimeout);
    if (!wizard.Press(IDOK) || wizard.WaitForDialogWith(IDC_PROGRESS_BAR) == nullptr) return false;
    for (const char* name : {"winspool.drv", "setupapi.dll", "version.dll"})
        reached = reached && WaitUntil([&] { return HasModule(process, name); }, WizardDriver::kStepTimeout);
    // The closing message, and any question before it, answered "no" where it asks.
    DWORD wait = 3 * 60 * 1000;
    while (const auto box = wizard.WaitForMessageBox(wait)) {
        if (!wizard.Answer(*box, IDNO)) wizard.Answer(*box, IDOK);
        wait = 10000;
    }
    return reached;
}

TEST(DllPlanting, NoPlantedDllRunsBesideTheProgramOrInTheCurrentFolder) {
    const std::string programFolder = ProgramFolder() + "dist\\";
    const std::string currentFolder = ProgramFolder() + "current\\";
    const std::string marker = ProgramFolder() + "PlantedMarker.dll";
    CreateDirectoryA(currentFolder.c_str(), nullptr);
    ASSERT_TRUE(SetCurrentDirectoryA(currentFolder.c_str()));

    for (const PlantedName& name : kPlantedNames) {
        SCOPED_TRACE(name.file);
        for (const std::string& folder : {programFolder, currentFolder})
            ASSERT_TRUE(CopyFileA(marker.c_str(), (folder + name.file).c_str(), FALSE)) << folder << name.file;
        bool walked = false;
        {
            // Wine reads its overrides when a process starts, from the environment the
            // test program was started with (tests/CMakeLists.txt sets them).
            ASSERT_NE(EnvironmentValue("WINEDLLOVERRIDES").find(name.overrideName), std::string::npos)
                << "Wine is not told to prefer a planted " << name.file;
            WizardDriver wizard(programFolder);
            walked = WalkToPortPage(wizard) && HelpThenInstall(wizard);
            wizard.Kill();
        }
        // The markers first: a planted DLL may well keep the wizard from showing at all.
        std::string upperName = name.file;
        CharUpperBuffA(upperName.data(), static_cast<DWORD>(upperName.size()));
        const std::vector<std::string> imports = ImportedDllNames(programFolder + "Setup.exe");
        if (!name.importedThroughManifest) {
            EXPECT_EQ(std::count(imports.begin(), imports.end(), upperName), 0) << "Setup.exe imports " << name.file;
        }
        for (const std::string& folder : {programFolder, currentFolder}) {
            EXPECT_EQ(MarkersIn(folder, ".ran"), std::vector<std::string>{}) << "a planted " << name.file << " ran";
            if (!name.loadedByWineBeforeTheProgram) {
                EXPECT_EQ(MarkersIn(folder, ".static"), std::vector<std::string>{})
                    << "a planted " << name.file << " ran before the program";
            }
            for (const char* kind : {".ran", ".static"})
                for (const std::string& found : MarkersIn(folder, kind)) DeleteFileA(found.c_str());
            DeleteFileA((folder + name.file).c_str());
        }
        // Under Wine, Wine's user32 calls into the planted version.dll, which ends the program.
        if (!name.loadedByWineBeforeTheProgram) {
            EXPECT_TRUE(walked) << "the run did not reach help and the installation";
        }
    }
    SetCurrentDirectoryA(ProgramFolder().c_str());
}

// Without the flag, on a terminal server in application mode, GetWindowsDirectoryA
// answers each user's private Windows folder.
TEST(SetupExecutable, IsMarkedTerminalServerAware) {
    const std::string path = ProgramFolder() + "dist\\Setup.exe";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    std::vector<unsigned char> image(4096);
    DWORD read = 0;
    ReadFile(file, image.data(), static_cast<DWORD>(image.size()), &read, nullptr);
    CloseHandle(file);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
    ASSERT_LT(static_cast<DWORD>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32), read);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image.data() + dos->e_lfanew);
    ASSERT_EQ(headers->Signature, IMAGE_NT_SIGNATURE);
    const WORD characteristics = headers->OptionalHeader.DllCharacteristics;
    EXPECT_EQ(characteristics & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE, 0x8000)
        << "DllCharacteristics 0x" << std::hex << characteristics;
}

}  // namespace
