#include "config/RegistryKey.h"

#include "config/ProcessSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>
#include <windows.h>

namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;
constexpr unsigned char kGuard = 0xCD;
constexpr char kVendorPath[] = "SOFTWARE\\VANTORA";
constexpr char kTestName[] = "RegistryKeyTest";
constexpr char kTestPath[] = "SOFTWARE\\VANTORA\\RegistryKeyTest";
// Where the 32-bit view of HKLM\SOFTWARE lives inside the 64-bit view.
constexpr char kRedirectedTestPath[] = "SOFTWARE\\Wow6432Node\\VANTORA\\RegistryKeyTest";
constexpr REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

bool IsWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// What the registry holds for one value, read past CRegistryKey.
struct RawValue {
    LONG status = static_cast<LONG>(kSentinel);
    DWORD type = kSentinel;
    std::vector<unsigned char> bytes;
};

RawValue ReadRaw(REGSAM view, const std::string& path, const char* name) {
    RawValue value;
    HKEY key = nullptr;
    value.status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key);
    if (value.status != ERROR_SUCCESS) return value;
    value.bytes.resize(256);
    DWORD size = static_cast<DWORD>(value.bytes.size());
    value.status = RegQueryValueExA(key, name, nullptr, &value.type, value.bytes.data(), &size);
    value.bytes.resize(value.status == ERROR_SUCCESS ? size : 0);
    RegCloseKey(key);
    return value;
}

LONG WriteRaw(REGSAM view, const std::string& path, const char* name, DWORD type, const void* data, DWORD bytes) {
    HKEY key = nullptr;
    LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                                  &key, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
    RegCloseKey(key);
    return status;
}

LONG OpenStatus(REGSAM view, const std::string& path) {
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    return status;
}

// kSentinel when the key cannot be opened.
DWORD ValueCount(REGSAM view, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return kSentinel;
    DWORD count = kSentinel;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                         nullptr) != ERROR_SUCCESS)
        count = kSentinel;
    RegCloseKey(key);
    return count;
}

std::string Text(const RawValue& value) {
    return std::string(value.bytes.begin(), value.bytes.end());
}

// Every test works below HKLM\SOFTWARE\VANTORA\RegistryKeyTest in both views and leaves
// neither that key nor a vendor key it created behind. The 64-bit flag starts as the
// start-up would set it on this system.
class RegistryKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 2; ++i) {
            vendorKeyExisted_[i] = OpenStatus(kViews[i], kVendorPath) == ERROR_SUCCESS;
            DeleteTestTree(kViews[i]);
        }
        ProcessSettings::SetIs64BitWindows(IsWow64());
    }

    void TearDown() override {
        ProcessSettings::SetIs64BitWindows(false);
        for (int i = 0; i < 2; ++i) {
            DeleteTestTree(kViews[i]);
            if (!vendorKeyExisted_[i]) RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kVendorPath, kViews[i], 0);
        }
    }

    static void DeleteTestTree(REGSAM view) {
        HKEY vendor = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVendorPath, 0, KEY_ALL_ACCESS | view, &vendor) != ERROR_SUCCESS) return;
        RegDeleteTreeA(vendor, kTestName);
        RegCloseKey(vendor);
    }

    // The view the object under test should reach with the current flag.
    static REGSAM ExpectedView() { return ProcessSettings::Is64BitWindows() ? KEY_WOW64_64KEY : KEY_WOW64_32KEY; }

    static std::string Path(const char* child) { return std::string(kTestPath) + "\\" + child; }

    bool vendorKeyExisted_[2] = {};
};

// A 32-bit program on 64-bit Windows that forgets KEY_WOW64_64KEY writes to Wow6432Node,
// where the 64-bit spooler never looks.
TEST_F(RegistryKeyTest, On64BitWindowsValuesLandInThe64BitView) {
    if (!IsWow64()) GTEST_SKIP() << "needs a 32-bit process on 64-bit Windows";
    ProcessSettings::SetIs64BitWindows(true);
    const std::string path = Path("View64");

    ASSERT_TRUE(CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, path.c_str()));
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, path.c_str())) << "last error " << key.LastError();
    EXPECT_TRUE(key.SetString("Port", "COM1"));
    EXPECT_TRUE(key.SetDword("Version", 3));
    key.Close();

    const RawValue port = ReadRaw(KEY_WOW64_64KEY, path, "Port");
    ASSERT_EQ(port.status, ERROR_SUCCESS);
    EXPECT_EQ(Text(port), std::string("COM1", 5));
    const RawValue version = ReadRaw(KEY_WOW64_64KEY, path, "Version");
    ASSERT_EQ(version.status, ERROR_SUCCESS);
    EXPECT_EQ(version.type, static_cast<DWORD>(REG_DWORD));

    EXPECT_EQ(OpenStatus(KEY_WOW64_32KEY, path), ERROR_FILE_NOT_FOUND) << "the key also appeared in the 32-bit view";
}

TEST_F(RegistryKeyTest, On32BitWindowsValuesLandInThe32BitView) {
    if (!IsWow64()) GTEST_SKIP() << "needs a 32-bit process on 64-bit Windows to tell the views apart";
    ProcessSettings::SetIs64BitWindows(false);
    const std::string path = Path("View32");

    ASSERT_TRUE(CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, path.c_str()));
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, path.c_str())) << "last error " << key.LastError();
    EXPECT_TRUE(key.SetString("Port", "COM2"));
    key.Close();

    const RawValue port = ReadRaw(KEY_WOW64_32KEY, path, "Port");
    ASSERT_EQ(port.status, ERROR_SUCCESS);
    EXPECT_EQ(Text(port), std::string("COM2", 5));
    const RawValue redirected = ReadRaw(KEY_WOW64_64KEY, std::string(kRedirectedTestPath) + "\\View32", "Port");
    ASSERT_EQ(redirected.status, ERROR_SUCCESS) << "the 32-bit view is expected below Wow6432Node";
    EXPECT_EQ(Text(redirected), std::string("COM2", 5));

    EXPECT_EQ(OpenStatus(KEY_WOW64_64KEY, path), ERROR_FILE_NOT_FOUND) << "the key also appeared in the 64-bit view";
}

// Open must use the same view as CreateKey, or the create-then-open pattern of the callers
// fails on a key that CreateKey just made.
TEST_F(RegistryKeyTest, OpenReachesOnlyTheViewTheFlagSelects) {
    if (!IsWow64()) GTEST_SKIP() << "needs a 32-bit process on 64-bit Windows";
    const DWORD one = 1;
    ASSERT_EQ(WriteRaw(KEY_WOW64_64KEY, Path("Only64"), "Marker", REG_DWORD, &one, sizeof one), ERROR_SUCCESS);
    ASSERT_EQ(WriteRaw(KEY_WOW64_32KEY, Path("Only32"), "Marker", REG_DWORD, &one, sizeof one), ERROR_SUCCESS);

    struct Case {
        bool is64BitWindows;
        const char* child;
        LONG expected;
    };
    const Case cases[] = {
        {true, "Only64", ERROR_SUCCESS},
        {true, "Only32", ERROR_FILE_NOT_FOUND},
        {false, "Only32", ERROR_SUCCESS},
        {false, "Only64", ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        ProcessSettings::SetIs64BitWindows(c.is64BitWindows);
        CRegistryKey key;
        EXPECT_EQ(key.Open(HKEY_LOCAL_MACHINE, Path(c.child).c_str()), c.expected == ERROR_SUCCESS)
            << "64-bit flag " << c.is64BitWindows << ", key " << c.child;
        EXPECT_EQ(key.LastError(), c.expected) << "64-bit flag " << c.is64BitWindows << ", key " << c.child;
    }
}

TEST_F(RegistryKeyTest, OpeningAMissingKeyFailsWithFileNotFoundUntilCreateKeyMakesIt) {
    const std::string path = Path("Monitors\\Serial");
    CRegistryKey key;
    EXPECT_FALSE(key.Open(HKEY_LOCAL_MACHINE, path.c_str()));
    EXPECT_EQ(key.LastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(OpenStatus(ExpectedView(), path), ERROR_FILE_NOT_FOUND) << "Open created the key";

    ASSERT_TRUE(CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, path.c_str()));
    EXPECT_TRUE(key.Open(HKEY_LOCAL_MACHINE, path.c_str()));
    EXPECT_EQ(key.LastError(), ERROR_SUCCESS);
    EXPECT_TRUE(key.IsOpen());

    EXPECT_TRUE(CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, path.c_str())) << "an existing key counts as created";
    EXPECT_FALSE(CRegistryKey::CreateKey(nullptr, path.c_str()));
}

// A failed Open must not leave the previous key in use: a caller checking the result of
// its writes would otherwise write into the wrong key.
TEST_F(RegistryKeyTest, AFailedOpenDropsThePreviouslyOpenKey) {
    const std::string first = Path("First");
    ASSERT_TRUE(CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, first.c_str()));
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, first.c_str()));
    EXPECT_FALSE(key.Open(HKEY_LOCAL_MACHINE, Path("Missing").c_str()));
    EXPECT_FALSE(key.IsOpen());
    EXPECT_FALSE(key.SetDword("Stray", 1));
    EXPECT_EQ(ValueCount(ExpectedView(), first), 0u);
}

// None of these may reach the registry; a false result always comes with a nonzero error.
TEST_F(RegistryKeyTest, ReadsAndWritesOnAClosedObjectFailWithoutTouchingTheRegistry) {
    const std::string path = Path("Closed");
    ASSERT_TRUE(CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, path.c_str()));

    struct State {
        const char* name;
        void (*prepare)(CRegistryKey& key, const std::string& path);
    };
    const State states[] = {
        {"never opened", [](CRegistryKey&, const std::string&) {}},
        {"after Close",
         [](CRegistryKey& key, const std::string& path) {
             ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, path.c_str()));
             ASSERT_TRUE(key.Close());
         }},
        {"after a failed Open",
         [](CRegistryKey& key, const std::string& path) {
             ASSERT_FALSE(key.Open(HKEY_LOCAL_MACHINE, (path + "\\Missing").c_str()));
         }},
    };
    for (const State& state : states) {
        SCOPED_TRACE(state.name);
        CRegistryKey key;
        state.prepare(key, path);

        LONG error = static_cast<LONG>(kSentinel);
        EXPECT_FALSE(key.SetString("Name", "text", &error));
        EXPECT_EQ(error, ERROR_INVALID_HANDLE);
        error = static_cast<LONG>(kSentinel);
        EXPECT_FALSE(key.SetDword("Number", 5, &error));
        EXPECT_EQ(error, ERROR_INVALID_HANDLE);
        const DWORD data = 7;
        EXPECT_FALSE(key.SetValue("Raw", &data, REG_DWORD, sizeof data));
        EXPECT_EQ(key.LastError(), ERROR_INVALID_HANDLE);
        EXPECT_FALSE(key.SetString("Name", "text"));
        EXPECT_FALSE(key.SetDword("Number", 5));

        DWORD number = kSentinel;
        error = static_cast<LONG>(kSentinel);
        EXPECT_FALSE(key.QueryDword("Number", &number, &error));
        EXPECT_EQ(number, kSentinel);
        EXPECT_EQ(error, ERROR_INVALID_HANDLE);
        EXPECT_FALSE(key.QueryDword("Number", &number));

        char buffer[8];
        std::memset(buffer, kGuard, sizeof buffer);
        error = static_cast<LONG>(kSentinel);
        EXPECT_FALSE(key.QueryString("Name", buffer, sizeof buffer, &error));
        EXPECT_EQ(error, ERROR_INVALID_HANDLE);
        EXPECT_FALSE(key.QueryString("Name", buffer, sizeof buffer));
        for (unsigned char byte : buffer) EXPECT_EQ(byte, kGuard) << "the buffer of a refused read was written";
        EXPECT_FALSE(key.QueryValue("Name", buffer, sizeof buffer));
        EXPECT_FALSE(key.Close());
        EXPECT_NE(key.LastError(), ERROR_SUCCESS);

        EXPECT_EQ(ValueCount(ExpectedView(), path), 0u) << "a refused write reached the registry";
    }
}

// With the query size passed unchanged, a REG_SZ stored without its zero that exactly fills
// the area comes back unterminated and callers read past the buffer.
TEST_F(RegistryKeyTest, AStringStoredWithoutItsZeroComesBackTerminated) {
    const std::string path = Path("Unterminated");
    const char text[] = "RECEIPT";
    const DWORD length = static_cast<DWORD>(std::strlen(text));
    // RegSetValueExA counts a zero right after the data as the terminator the caller forgot
    // to count, so the stored bytes must be followed by something else.
    const char stored[] = "RECEIPT*";
    ASSERT_EQ(WriteRaw(ExpectedView(), path, "Model", REG_SZ, stored, length), ERROR_SUCCESS);
    ASSERT_EQ(ReadRaw(ExpectedView(), path, "Model").bytes.size(), length) << "the value was stored with a zero";
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, path.c_str()));

    // The text exactly fills the part of the buffer before the terminator's place.
    char buffer[16];
    std::memset(buffer, kGuard, sizeof buffer);
    LONG error = static_cast<LONG>(kSentinel);
    EXPECT_TRUE(key.QueryString("Model", buffer, length + 1, &error));
    EXPECT_EQ(error, ERROR_SUCCESS);
    ASSERT_NE(std::memchr(buffer, '\0', length + 1), nullptr) << "no terminator inside the buffer";
    EXPECT_STREQ(buffer, text);
    for (DWORD i = length + 1; i < sizeof buffer; ++i)
        EXPECT_EQ(static_cast<unsigned char>(buffer[i]), kGuard) << "byte " << i << " written past the buffer";

    // The text alone fills the whole buffer: there is no room for the terminator.
    std::memset(buffer, kGuard, sizeof buffer);
    error = static_cast<LONG>(kSentinel);
    EXPECT_FALSE(key.QueryString("Model", buffer, length, &error));
    EXPECT_EQ(error, ERROR_MORE_DATA);
    EXPECT_EQ(buffer[0], '\0') << "a string that did not fit must read empty";
    for (DWORD i = length; i < sizeof buffer; ++i)
        EXPECT_EQ(static_cast<unsigned char>(buffer[i]), kGuard) << "byte " << i << " written past the buffer";

    std::memset(buffer, kGuard, sizeof buffer);
    EXPECT_FALSE(key.QueryString("Model", buffer, 0, &error));
    EXPECT_NE(error, ERROR_SUCCESS);
    EXPECT_EQ(static_cast<unsigned char>(buffer[0]), kGuard) << "a zero-size buffer was written";
}

TEST_F(RegistryKeyTest, AMissingValueReadsAsAnEmptyStringWithFileNotFound) {
    const std::string path = Path("Empty");
    ASSERT_TRUE(CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, path.c_str()));
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, path.c_str()));
    char buffer[8];
    std::memset(buffer, kGuard, sizeof buffer);
    LONG error = static_cast<LONG>(kSentinel);
    EXPECT_FALSE(key.QueryString("Missing", buffer, sizeof buffer, &error));
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.LastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(buffer[0], '\0');
}

TEST_F(RegistryKeyTest, ADwordWrittenIsReadBackAsTheSameDword) {
    const std::string path = Path("Dword");
    ASSERT_TRUE(CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, path.c_str()));
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, path.c_str()));

    LONG error = static_cast<LONG>(kSentinel);
    EXPECT_TRUE(key.SetDword("Version", 0x01020304, &error));
    EXPECT_EQ(error, ERROR_SUCCESS);
    const RawValue raw = ReadRaw(ExpectedView(), path, "Version");
    ASSERT_EQ(raw.status, ERROR_SUCCESS);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(raw.bytes.size(), 4u);

    DWORD value = kSentinel;
    error = static_cast<LONG>(kSentinel);
    EXPECT_TRUE(key.QueryDword("Version", &value, &error));
    EXPECT_EQ(value, 0x01020304u);
    EXPECT_EQ(error, ERROR_SUCCESS);

    error = static_cast<LONG>(kSentinel);
    EXPECT_FALSE(key.QueryDword("Missing", &value, &error));
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
}

// QueryDword reads exactly four bytes: a longer value must fail, not spill past the DWORD.
TEST_F(RegistryKeyTest, QueryDwordNeverWritesPastItsFourBytes) {
    const std::string path = Path("Wide");
    const char text[] = "ABCDEF";
    ASSERT_EQ(WriteRaw(ExpectedView(), path, "Text", REG_SZ, text, sizeof text), ERROR_SUCCESS);
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, path.c_str()));

    alignas(DWORD) unsigned char bytes[12];
    std::memset(bytes, kGuard, sizeof bytes);
    LONG error = static_cast<LONG>(kSentinel);
    EXPECT_FALSE(key.QueryDword("Text", reinterpret_cast<DWORD*>(bytes), &error));
    EXPECT_EQ(error, ERROR_MORE_DATA);
    for (std::size_t i = sizeof(DWORD); i < sizeof bytes; ++i)
        EXPECT_EQ(bytes[i], kGuard) << "byte " << i << " written past the DWORD";
}

// Readers elsewhere take the stored byte count as the string and trust it to end in a zero.
TEST_F(RegistryKeyTest, SetStringStoresTheTerminatingZero) {
    const std::string path = Path("String");
    ASSERT_TRUE(CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, path.c_str()));
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, path.c_str()));

    struct Case {
        const char* name;
        const char* text;
    };
    const Case cases[] = {{"PortName", "USB001"}, {"Empty", ""}};
    for (const Case& c : cases) {
        LONG error = static_cast<LONG>(kSentinel);
        EXPECT_TRUE(key.SetString(c.name, c.text, &error));
        EXPECT_EQ(error, ERROR_SUCCESS);
        const RawValue raw = ReadRaw(ExpectedView(), path, c.name);
        ASSERT_EQ(raw.status, ERROR_SUCCESS) << c.name;
        EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ)) << c.name;
        EXPECT_EQ(raw.bytes.size(), std::strlen(c.text) + 1) << c.name;
        EXPECT_EQ(Text(raw), std::string(c.text, std::strlen(c.text) + 1)) << c.name;

        char buffer[16];
        EXPECT_TRUE(key.QueryString(c.name, buffer, sizeof buffer));
        EXPECT_STREQ(buffer, c.text);
    }
}

TEST_F(RegistryKeyTest, TheOpenKeyMovesWithTheObject) {
    const std::string path = Path("Moved");
    ASSERT_TRUE(CRegistryKey::CreateKey(HKEY_LOCAL_MACHINE, path.c_str()));
    CRegistryKey source;
    ASSERT_TRUE(source.Open(HKEY_LOCAL_MACHINE, path.c_str()));

    CRegistryKey target(std::move(source));
    EXPECT_FALSE(source.IsOpen());
    EXPECT_FALSE(source.SetDword("FromSource", 1));
    EXPECT_TRUE(target.SetDword("FromTarget", 2));

    CRegistryKey assigned;
    assigned = std::move(target);
    EXPECT_FALSE(target.IsOpen());
    EXPECT_TRUE(assigned.SetDword("FromAssigned", 3));
    EXPECT_EQ(ValueCount(ExpectedView(), path), 2u);
}

}  // namespace
