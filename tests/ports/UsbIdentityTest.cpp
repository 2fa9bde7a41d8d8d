#include "ports/UsbIdentity.h"

#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "platform/ErrorText.h"
#include "platform/SystemLibraries.h"
#include "support/Overrides.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;
constexpr char kOnePrinterText[] = "Connect only one USB printer (test text)";
constexpr char kInstallerTitle[] = "USB driver installer (test title)";
using Texts = std::vector<std::string>;

bool IsWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::string ReadFileText(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

Texts Shown(const MessageBoxRecorder& boxes) {
    Texts texts;
    for (const ShownMessage& message : boxes.shown) texts.push_back(message.text);
    return texts;
}

class UsbEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ProcessSettings::SetIs64BitWindows(IsWow64());
        WriteTextFile(ProgramFolder(), "language\\setup.ini",
                      std::string("[Setup]\nCaptionName=") + kInstallerTitle + "\n[Message]\nIDS_ERR_ONEPRINTER=" +
                          kOnePrinterText + "\n");
    }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new UsbEnvironment);

// Fails the lookup of one name; every other lookup reaches the real function.
struct MissingExport {
    static inline const char* name = nullptr;
    static FARPROC WINAPI Lookup(HMODULE module, LPCSTR procName) {
        if (HIWORD(reinterpret_cast<DWORD_PTR>(procName)) != 0 && std::strcmp(procName, name) == 0) return nullptr;
        return DefaultSystemCalls().GetProcAddress(module, procName);
    }
};

// The simulated device-interface library beside the program, its printers and its call log.
class UsbLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveLibraryFiles();
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "usb-library\\VtUsbInt.dll").c_str(), Path("VtUsbInt.dll").c_str(),
                              FALSE));
    }
    // Whatever the path taken, the library is released and every printer handle closed.
    void TearDown() override {
        EXPECT_EQ(GetModuleHandleA(Path("VtUsbInt.dll").c_str()), nullptr) << "VtUsbInt.dll is still loaded";
        std::map<int, int> open;
        std::istringstream lines(Log());
        for (std::string line; std::getline(lines, line);) {
            int index = 0, handle = 0;
            if (std::sscanf(line.c_str(), "OpenDeviceX %d %d", &index, &handle) == 2 && handle != 0 && handle != -1)
                ++open[handle];
            if (std::sscanf(line.c_str(), "CloseDevice %d", &handle) == 1) --open[handle];
        }
        for (const auto& [handle, count] : open) EXPECT_LE(count, 0) << "handle " << handle << " open\n" << Log();
        RemoveLibraryFiles();
    }

    static std::string Path(const char* name) { return ProgramFolder() + name; }
    static void RemoveLibraryFiles() {
        for (const char* name : {"VtUsbInt.dll", "VtUsbInt.printers", "VtUsbInt.log"}) DeleteFileA(Path(name).c_str());
    }
    // "index number [flags]" per line; the log starts afresh.
    static void Connect(const std::string& printers) {
        WriteTextFile(ProgramFolder(), "VtUsbInt.printers", printers);
        DeleteFileA(Path("VtUsbInt.log").c_str());
    }
    static std::string Log() { return ReadFileText(Path("VtUsbInt.log")); }
};

TEST_F(UsbLibraryTest, TwoPrintersAreRefusedWhereverTheSecondIs) {
    for (const char* printers : {"0 1\n1 2\n", "0 1\n7 2\n", "6 1\n7 2\n"}) {
        Connect(printers);
        MessageBoxRecorder boxes;
        EXPECT_EQ(ReadUsbDeviceNumber(), UsbProbe::SeveralPrinters()) << printers;
        EXPECT_EQ(Shown(boxes), Texts{kOnePrinterText}) << printers;
        EXPECT_EQ(Log().find("GetDescriptor"), std::string::npos) << printers;
    }
    EXPECT_EQ(UsbPortNumberOfPrinter(UsbProbe::SeveralPrinters()), 0);
    EXPECT_EQ(UsbPortNumberOfPrinter(UsbProbe::Nothing()), 0);
}

// The device number is bcdDevice, both bytes; the port it answers on is (d mod 8) + 1.
TEST_F(UsbLibraryTest, TheOnePrinterReportsItsDeviceNumberAndPort) {
    struct Case {
        const char* printer;
        int deviceNumber;
        int port;
    };
    for (const Case& c : {Case{"5 10", 10, 3}, Case{"0 0", 0, 1}, Case{"7 7", 7, 8}, Case{"3 4660", 0x1234, 5}}) {
        Connect(c.printer);
        MessageBoxRecorder boxes;
        const UsbProbe found = ReadUsbDeviceNumber();
        EXPECT_EQ(found, UsbProbe::Printer(c.deviceNumber)) << c.printer;
        EXPECT_EQ(UsbPortNumberOfPrinter(found), c.port) << c.printer;
        EXPECT_EQ(Shown(boxes), Texts{}) << c.printer;
    }
}

TEST_F(UsbLibraryTest, WritingAPortSendsTheDeviceNumberCommandWithPortMinusOne) {
    for (unsigned char port = 1; port <= 8; ++port) {
        Connect("2 0");
        MessageBoxRecorder boxes;
        EXPECT_TRUE(WriteUsbDeviceNumber(port).ok) << int(port);
        EXPECT_EQ(Shown(boxes), Texts{});
        int handle = 0, reserved = 0, count = 0;
        unsigned b[10] = {};
        const std::size_t at = Log().find("uWrite");
        ASSERT_NE(at, std::string::npos) << Log();
        ASSERT_EQ(std::sscanf(Log().c_str() + at, "uWrite %d %d %d %x %x %x %x %x %x %x %x %x %x", &handle, &reserved,
                              &count, &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &b[6], &b[7], &b[8], &b[9]),
                  13)
            << Log();
        EXPECT_EQ(handle, 0x5502) << "not the printer's handle";
        EXPECT_EQ(reserved, 0);
        EXPECT_EQ(count, 10);
        const std::vector<unsigned> checked = {b[0], b[6], b[7], b[8], b[9]};
        EXPECT_EQ(checked, (std::vector<unsigned>{0x1B, 0x1D, 0x49, 0x20, port - 1u})) << Log();
    }
}

TEST_F(UsbLibraryTest, FailuresGiveTheirCodesAndMessages) {
    struct Case {
        const char* printers;
        int port;  // 0: the read, which finds nothing; else the write, which fails
        Texts messages;
    };
    const Case cases[] = {
        {"", 0, {}},
        {"4 9 nodescriptor", 0, {"Get Device ID error"}},
        {"", 2, {"Can not find USB device."}},
        {"3 1 nowrite", 2, {"write ID error"}},
    };
    for (const Case& c : cases) {
        Connect(c.printers);
        MessageBoxRecorder boxes;
        if (c.port == 0)
            EXPECT_EQ(ReadUsbDeviceNumber(), UsbProbe::Nothing()) << c.printers;
        else
            EXPECT_FALSE(WriteUsbDeviceNumber(static_cast<unsigned char>(c.port)).ok) << c.printers << ", port " << c.port;
        EXPECT_EQ(Shown(boxes), c.messages) << c.printers << ", port " << c.port;
    }
}

TEST_F(UsbLibraryTest, NothingIsCalledWithoutTheLibraryOrItsFunctionsOrAPortInRange) {
    for (const unsigned char port : {0, 9}) {
        Connect("1 6");
        MessageBoxRecorder boxes;
        EXPECT_FALSE(WriteUsbDeviceNumber(port).ok);
        EXPECT_EQ(Shown(boxes), Texts{}) << "port " << int(port);
        EXPECT_EQ(Log(), "") << "port " << int(port);
    }
    {
        ScopedSystemCall<decltype(SystemCallTable::GetProcAddress)> lookup(&SystemCallTable::GetProcAddress,
                                                                           &MissingExport::Lookup);
        for (const char* name : {"OpenDeviceX", "GetDescriptor", "uWrite", "CloseDevice"}) {
            MissingExport::name = name;
            MessageBoxRecorder boxes;
            const bool writeNeedsIt = std::strcmp(name, "GetDescriptor") != 0;
            Connect("1 6");
            EXPECT_EQ(WriteUsbDeviceNumber(3).ok, !writeNeedsIt) << name;
            if (writeNeedsIt) {
                EXPECT_EQ(Log(), "") << "the write called the library without " << name;
            }
            const bool readNeedsIt = std::strcmp(name, "uWrite") != 0;
            Connect("1 6");
            EXPECT_EQ(ReadUsbDeviceNumber(), readNeedsIt ? UsbProbe::Nothing() : UsbProbe::Printer(6)) << name;
            if (readNeedsIt) {
                EXPECT_EQ(Log(), "") << "the read called the library without " << name;
            }
            EXPECT_EQ(Shown(boxes), Texts(int(writeNeedsIt) + int(readNeedsIt), "open function error")) << name;
        }
    }
    ASSERT_TRUE(DeleteFileA(Path("VtUsbInt.dll").c_str()));
    MessageBoxRecorder boxes;
    EXPECT_EQ(ReadUsbDeviceNumber(), UsbProbe::Nothing());
    EXPECT_FALSE(WriteUsbDeviceNumber(4).ok);
    EXPECT_EQ(Shown(boxes), Texts(2, "Can not load VtUsbInt.dll"));
}

// The flags the device library was loaded with; the load itself is the real one.
struct LoadFlags {
    static inline std::vector<DWORD> seen;
    static HMODULE WINAPI Load(LPCSTR path, HANDLE reserved, DWORD flags) {
        seen.push_back(flags);
        return DefaultSystemCalls().LoadLibraryExA(path, reserved, flags);
    }
};

// With the search restricted to the system folder, as start-up leaves it, a library that
// needs a DLL of its own beside it still loads, and a copy of that DLL in the current
// folder never does; where SetDefaultDllDirectories is missing the altered search order
// takes the library's folder first.
TEST_F(UsbLibraryTest, TheLibraryFindsItsOwnDllsBesideItAndNoneInTheCurrentFolder) {
    const std::string with = ProgramFolder() + "usb-library-with-helper\\";
    const std::string current = Path("current\\");
    CreateDirectoryA(current.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((with + "VtUsbInt.dll").c_str(), Path("VtUsbInt.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((with + "VtUsbHelper.dll").c_str(), Path("VtUsbHelper.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((with + "VtUsbHelper.dll").c_str(), (current + "VtUsbHelper.dll").c_str(), FALSE));
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof previous, previous);
    struct Case {
        const char* missingExport;
        DWORD flags;
    };
    // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
    for (const Case& c : {Case{"", 0x900}, Case{"SetDefaultDllDirectories", LOAD_WITH_ALTERED_SEARCH_PATH}}) {
        MissingExport::name = c.missingExport;
        ScopedSystemCall<decltype(SystemCallTable::GetProcAddress)> lookup(&SystemCallTable::GetProcAddress,
                                                                           &MissingExport::Lookup);
        ScopedSystemCall<decltype(SystemCallTable::LoadLibraryExA)> load(&SystemCallTable::LoadLibraryExA,
                                                                         &LoadFlags::Load);
        LoadFlags::seen.clear();
        Connect("2 13");
        MessageBoxRecorder boxes;
        SetCurrentDirectoryA(current.c_str());
        RestrictDllSearchToSystemFolder();
        const UsbProbe found = ReadUsbDeviceNumber();
        // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS: the search as the other tests expect it.
        SetDefaultDllDirectories(0x1000);
        SetCurrentDirectoryA(previous);
        EXPECT_EQ(found, UsbProbe::Printer(13)) << c.missingExport;
        EXPECT_EQ(Shown(boxes), Texts{}) << c.missingExport;
        EXPECT_EQ(LoadFlags::seen, std::vector<DWORD>{c.flags}) << c.missingExport;
        EXPECT_NE(GetFileAttributesA(Path("VtUsbHelper.dll.loaded").c_str()), INVALID_FILE_ATTRIBUTES)
            << "not the helper beside the library";
        EXPECT_EQ(GetFileAttributesA((current + "VtUsbHelper.dll.loaded").c_str()), INVALID_FILE_ATTRIBUTES)
            << "the current folder's copy was loaded";
        DeleteFileA(Path("VtUsbHelper.dll.loaded").c_str());
    }
    DeleteFileA(Path("VtUsbHelper.dll").c_str());
    RemoveTree(current);
}

// The port code owns no window: what it has to say goes to the application's sink, and
// without the wizard's sink no message box appears.
TEST_F(UsbLibraryTest, NoticesReachTheApplicationsSinkAndNoWindow) {
    Connect("1 6\n2 7");
    NoticeRecorder sink;
    EXPECT_EQ(ReadUsbDeviceNumber(), UsbProbe::SeveralPrinters());
    ASSERT_EQ(sink.notices.size(), 1u);
    EXPECT_EQ(sink.notices[0].text, MessageText("IDS_ERR_ONEPRINTER"));
    EXPECT_EQ(sink.notices[0].caption, "");
    EXPECT_EQ(sink.boxes.size(), 0u);
}

// The length VerQueryValueA gives bounds the text: a resource without a terminator
// must not be read past.
TEST(DriverVersionTest, VersionTextEndsAtItsLength) {
    const char unterminated[] = {'2', '.', '1', '.', '0', '.', '0', 'X', 'Y'};
    struct Case {
        const char* text;
        unsigned int length;
        const char* expected;
    };
    const Case cases[] = {
        {unterminated, 7, "2.1.0.0"}, {"2.1.0.0", 8, "2.1.0.0"}, {"2.1\0junk", 9, "2.1"},
        {"", 1, "0.0.0.0"},           {"2.1.0.0", 0, "0.0.0.0"}, {nullptr, 4, "0.0.0.0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VersionResourceText(c.text, c.length, "0.0.0.0"), c.expected) << c.length;
    }
}

TEST(DriverVersionTest, VersionsCompareNumberByNumber) {
    struct Case {
        const char* shipped;
        const char* installed;
        int expected;
    };
    const Case cases[] = {
        {"2.1.0.0", "1.9.9.9", 1}, {"1.9.9.9", "2.1.0.0", 0}, {"2.1.0.0", "0.0.0.0", -1}, {"0.0.0.0", "0.0.0.0", 0},
        // Read by character positions, 1.10 is 1.1 and the older driver wins.
        {"1.9.0.0", "1.10.0.0", 0}, {"1.10.0.0", "1.9.0.0", 1}, {"2, 1, 0, 0", "2.0.0.0", 1}, {"2.1", "2.1.0.0", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareDriverVersions(c.shipped, c.installed), c.expected) << c.shipped << " / " << c.installed;
    }
    const std::string versions = ProgramFolder() + "usb-driver-versions\\";
    EXPECT_EQ(GetFileVersionString((versions + "2.1.0.0\\VTPUSB.sys").c_str()), "2.1.0.0");
    // Its fixed version block says 3.0.0.0; only the text counts.
    EXPECT_EQ(GetFileVersionString((versions + "empty\\VTPUSB.sys").c_str()), "0.0.0.0");
    EXPECT_EQ(GetFileVersionString((versions + "missing\\VTPUSB.sys").c_str()), "0.0.0.0");
    EXPECT_EQ(GetFileVersionString((ProgramFolder() + "usb-library\\VtUsbInt.dll").c_str()), "0.0.0.0");
}

class RealSystemFolder {
public:
    RealSystemFolder() { off_ = Wow64DisableWow64FsRedirection(&saved_) != FALSE; }
    ~RealSystemFolder() {
        if (off_) Wow64RevertWow64FsRedirection(saved_);
    }

private:
    PVOID saved_ = nullptr;
    bool off_ = false;
};

std::string InstalledDriver() {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows) + "\\system32\\drivers\\VTPUSB.sys";
}

// Under WOW64 the drivers folder this program sees by name is syswow64\drivers; the driver
// lives in the real one. Every case puts a decoy into the redirected folder.
class UsbDriverUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!IsWow64()) GTEST_SKIP() << "needs a 32-bit process on 64-bit Windows";
        Clear();
    }
    void TearDown() override {
        Clear();
        ProcessSettings::SetIs64BitWindows(IsWow64());
    }
    // version nullptr: no file.
    static void Put(const char* version, const std::string& target, bool real = false) {
        if (version == nullptr) return;
        std::optional<RealSystemFolder> off;
        if (real) off.emplace();
        CreateFolders(target.substr(0, target.rfind('\\')));
        EXPECT_TRUE(CopyFileA((ProgramFolder() + "usb-driver-versions\\" + version + "\\VTPUSB.sys").c_str(),
                              target.c_str(), FALSE))
            << target;
    }
    static std::string Shipped(const char* package) {
        return ProgramFolder() + "USBDRV\\" + package + "\\VTPUSB.sys";
    }
    static void Clear() {
        RemoveTree(ProgramFolder() + "USBDRV");
        DeleteFileA(InstalledDriver().c_str());
        RealSystemFolder off;
        DeleteFileA(InstalledDriver().c_str());
    }
};

TEST_F(UsbDriverUpdateTest, TheShippedDriverIsComparedWithTheInstalledOneOfTheRunningWindows) {
    struct Case {
        bool is64;
        const char* shipped;
        const char* installedReal;
        const char* installedRedirected;
        int expected;
    };
    const Case cases[] = {
        {true, "2.1.0.0", "1.9.9.9", "2.1.0.0", 1},  {true, "2.1.0.0", nullptr, "2.1.0.0", -1},
        {true, "2.1.0.0", "empty", "2.1.0.0", -1},   {true, nullptr, nullptr, nullptr, 0},
        {true, "1.9.9.9", "2.1.0.0", "1.9.9.9", 0},  {false, "2.1.0.0", "2.1.0.0", "1.9.9.9", 1},
    };
    for (const Case& c : cases) {
        Clear();
        ProcessSettings::SetIs64BitWindows(c.is64);
        // The other width's package holds the installed version: taking it shows.
        Put(c.shipped, Shipped(c.is64 ? "USBDriver_x64" : "USBDriver"));
        Put(c.is64 ? c.installedReal : c.installedRedirected, Shipped(c.is64 ? "USBDriver" : "USBDriver_x64"));
        Put(c.installedReal, InstalledDriver(), true);
        Put(c.installedRedirected, InstalledDriver());
        MessageBoxRecorder boxes;
        EXPECT_EQ(CheckUsbDriverUpdate(), c.expected)
            << (c.is64 ? "64" : "32") << "-bit, shipped " << (c.shipped ? c.shipped : "none") << ", installed "
            << (c.installedReal ? c.installedReal : "none") << " / " << (c.installedRedirected ? "decoy" : "none");
        EXPECT_EQ(Shown(boxes), Texts{});
    }
}

HMODULE WINAPI LoadAllButKernel32(LPCSTR name) {
    if (NamesSystemLibrary(name, "Kernel32.dll")) return nullptr;
    return DefaultSystemCalls().LoadLibraryA(name);
}

TEST_F(UsbDriverUpdateTest, MissingRedirectionPartsAreToldAndTheRedirectedReadingStays) {
    ProcessSettings::SetIs64BitWindows(true);
    Put("2.1.0.0", Shipped("USBDriver_x64"));
    Put("1.9.9.9", InstalledDriver(), true);
    Put("2.1.0.0", InstalledDriver());
    {
        ScopedSystemCall<decltype(SystemCallTable::LoadLibraryA)> load(&SystemCallTable::LoadLibraryA,
                                                                       &LoadAllButKernel32);
        MessageBoxRecorder boxes;
        EXPECT_EQ(CheckUsbDriverUpdate(), 0);
        EXPECT_EQ(Shown(boxes), Texts{"Can't Load Kernel32.dll"});
    }
    ScopedSystemCall<decltype(SystemCallTable::GetProcAddress)> lookup(&SystemCallTable::GetProcAddress,
                                                                       &MissingExport::Lookup);
    for (const char* name : {"Wow64DisableWow64FsRedirection", "Wow64RevertWow64FsRedirection"}) {
        MissingExport::name = name;
        MessageBoxRecorder boxes;
        EXPECT_EQ(CheckUsbDriverUpdate(), 0) << name;
        EXPECT_EQ(Shown(boxes), Texts{std::string("Can't Get Function ") + name + " Address"});
        // Redirection is on again for this thread's later file work.
        EXPECT_EQ(GetFileVersionString(InstalledDriver().c_str()), "2.1.0.0") << name;
    }
}

// The package's installer, started as the Install command starts it.
TEST_F(UsbDriverUpdateTest, ThePackageInstallerShowsItsWindowThenInstallsTheDriver) {
    ProcessSettings::SetIs64BitWindows(true);
    const std::string package = ProgramFolder() + "USBDRV\\USBDriver_x64\\";
    CreateFolders(package.substr(0, package.size() - 1));
    for (const char* file : {"VTPUSB.sys", "VTPUSB.INF", "Install.exe"}) {
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "usb-driver-package\\USBDriver_x64\\" + file).c_str(),
                              (package + file).c_str(), FALSE));
    }
    MessageBoxRecorder boxes;
    ASSERT_EQ(CheckUsbDriverUpdate(), -1);
    ASSERT_GT(reinterpret_cast<INT_PTR>(
                  ShellExecuteA(nullptr, "open", (package + "Install.exe").c_str(), "2", nullptr, SW_SHOWNORMAL)),
              32);
    auto waitFor = [](bool shown) {
        for (int waited = 0; waited < 60000; waited += 100, Sleep(100))
            if ((FindWindowA(nullptr, kInstallerTitle) != nullptr) == shown) return true;
        return false;
    };
    EXPECT_TRUE(waitFor(true)) << "no window titled \"" << kInstallerTitle << "\"";
    ASSERT_TRUE(waitFor(false)) << "the installer's window stayed";
    EXPECT_EQ(CheckUsbDriverUpdate(), 0) << ReadFileText(package + "Install.log");
    EXPECT_EQ(Shown(boxes), Texts{});
    EXPECT_EQ(ReadFileText(package + "Install.log").rfind("started with \"2\"", 0), 0u);
}

DWORD ReadDword(REGSAM view, const char* path, const char* name, LONG* status) {
    DWORD value = kSentinel, type = kSentinel, size = sizeof value;
    HKEY key = nullptr;
    *status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view, &key);
    if (*status != ERROR_SUCCESS) return kSentinel;
    *status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return type == REG_DWORD ? value : kSentinel;
}

TEST(UsbPortRecordTest, ThePortsDeviceValueLandsInThe64BitViewBesideThePrinterPortKey) {
    if (!IsWow64()) GTEST_SKIP() << "needs a 32-bit process on 64-bit Windows to tell the views apart";
    ProcessSettings::SetIs64BitWindows(true);
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VANTORA\\PORTNAME", view, 0);
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VANTORA\\PRINTERPORT", view, 0);
    }
    WriteTextFile(ProgramFolder(), "DRVCONFIG\\setup.ini", "[SUPPORTED-USB-DEVICE]\nUSB_VT-R80_2=6\nUSB_VT-T300_1=3\n");
    // The first call creates both keys, the later ones open them.
    for (const auto& [port, value] : std::map<std::string, DWORD>{{"USB_VT-R80_2", 6}, {"USB_VT-T300_1", 3},
                                                                  {"USB_VT-L40_4", 0}}) {
        MessageBoxRecorder boxes;
        EXPECT_TRUE(RegisterUsbPort(port.c_str()).ok) << port;
        EXPECT_EQ(Shown(boxes), Texts{});
        LONG status = static_cast<LONG>(kSentinel);
        EXPECT_EQ(ReadDword(KEY_WOW64_64KEY, "SOFTWARE\\VANTORA\\PORTNAME", port.c_str(), &status), value) << port;
        ReadDword(KEY_WOW64_32KEY, "SOFTWARE\\VANTORA\\PORTNAME", port.c_str(), &status);
        EXPECT_EQ(status, ERROR_FILE_NOT_FOUND) << port << " landed in the 32-bit view";
    }
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VANTORA\\PRINTERPORT", 0, KEY_READ | KEY_WOW64_64KEY, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
    ProcessSettings::SetIs64BitWindows(IsWow64());
}

}  // namespace
