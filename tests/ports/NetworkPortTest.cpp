#include "ports/NetworkPort.h"

#include "config/ProfileReader.h"
#include "engine/EngineTestSupport.h"
#include "support/Overrides.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;
constexpr char kMonitorName[] = "Standard TCP/IP Port";
constexpr char kMonitorFile[] = "TCPMONFX.DLL";

std::string SystemFolder() {
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, sizeof folder);
    return std::string(folder) + "\\";
}

std::string ReadFileBytes(const std::string& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

// The offsets at which the received record differs from the monitor's published layout,
// built from offsets rather than from the program's structure so a field out of place shows.
std::string RecordDifferences(const std::string& record, const std::string& name, const std::string& host) {
    std::string expected(964, '\0');
    auto text = [&](std::size_t offset, const std::string& value) {
        for (std::size_t i = 0; i < value.size(); ++i) expected[offset + 2 * i] = value[i];
    };
    auto number = [&](std::size_t offset, DWORD value) { std::memcpy(&expected[offset], &value, sizeof value); };
    text(0, name);        // sztPortName[64]
    number(128, 1);       // dwVersion
    number(132, 1);       // dwProtocol: raw
    number(136, 964);     // cbSize
    text(144, host);      // sztHostAddress[49]
    text(242, "public");  // sztSNMPCommunity[33]
    number(308, 1);       // dwDoubleSpool
    // sztQueue[33] at 312, sztIPAddress[16] at 378, Reserved[540] at 410: empty
    number(952, 9100);    // dwPortNumber, after two bytes of alignment
    number(956, 0);       // dwSNMPEnabled
    number(960, 1);       // dwSNMPDevIndex
    std::ostringstream offsets;
    if (record.size() != expected.size()) offsets << "size " << record.size();
    for (std::size_t i = 0; i < record.size() && i < expected.size(); ++i) {
        if (record[i] != expected[i]) offsets << i << " ";
    }
    return offsets.str();
}

// The stand-in monitor installed under the Standard TCP/IP Port's name, loaded into this
// process by the spooler, and the inputs it recorded beside itself.
class TcpIpMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveRecords();
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "tcpip-monitor\\" + kMonitorFile).c_str(),
                              (SystemFolder() + kMonitorFile).c_str(), FALSE))
            << GetLastError();
        MONITOR_INFO_2A monitor = {const_cast<char*>(kMonitorName), nullptr, const_cast<char*>(kMonitorFile)};
        ASSERT_TRUE(AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&monitor))) << GetLastError();
    }
    void TearDown() override {
        EXPECT_TRUE(DeleteMonitorA(nullptr, nullptr, const_cast<char*>(kMonitorName))) << GetLastError();
        RemoveRecords();
    }

    static void RemoveRecords() {
        DeleteFileA((SystemFolder() + "TCPMONFX.LOG").c_str());
        DeleteFileA((SystemFolder() + "TCPMONFX.REC").c_str());
    }
    static std::string Log() { return ReadFileBytes(SystemFolder() + "TCPMONFX.LOG"); }

    // Every XcvData input the monitor received, in order.
    static std::vector<std::string> Inputs() {
        const std::string bytes = ReadFileBytes(SystemFolder() + "TCPMONFX.REC");
        std::vector<std::string> inputs;
        for (std::size_t at = 0; at + 4 <= bytes.size();) {
            DWORD size = 0;
            std::memcpy(&size, &bytes[at], 4);
            at += 4;
            inputs.push_back(bytes.substr(at, size));
            at += size;
        }
        return inputs;
    }
};

TEST_F(TcpIpMonitorTest, TheMonitorReceivesARawPortRecordOf964BytesWithEveryField) {
    MessageBoxRecorder boxes;
    EXPECT_TRUE(AddTcpIpPort("IP_192.168.1.20", "192.168.1.20").ok);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;

    const std::vector<std::string> inputs = Inputs();
    ASSERT_EQ(inputs.size(), 1u) << Log();
    EXPECT_EQ(RecordDifferences(inputs[0], "IP_192.168.1.20", "192.168.1.20"), "");
    EXPECT_EQ(Log(), "XcvOpenPort access=1\r\nXcvDataPort AddPort size=964 status=0\r\n");
}

// Installing again on the same address meets the port from the first time.
TEST_F(TcpIpMonitorTest, AnExistingPortCountsAsCreated) {
    MessageBoxRecorder boxes;
    EXPECT_TRUE(AddTcpIpPort("IP_10.0.0.7", "10.0.0.7").ok);
    EXPECT_TRUE(AddTcpIpPort("IP_10.0.0.7", "10.0.0.7").ok);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
    EXPECT_NE(Log().find("status=183"), std::string::npos) << Log();
}

// A monitor's refusal comes back as the status of a successful XcvData; a text longer than
// its field (name 63 units and its zero, host 48) never reaches the monitor.
TEST_F(TcpIpMonitorTest, RefusedPortsFailWithTheSystemsTextUnderError) {
    struct Case {
        std::string name;
        std::string host;
        DWORD error;
        const char* log;  // nullptr: anything
    };
    const Case cases[] = {
        {"", "10.0.0.8", ERROR_INVALID_PARAMETER, nullptr},
        {"IP_" + std::string(61, 'n'), "10.0.0.9", ERROR_INSUFFICIENT_BUFFER, ""},
        {"IP_10.0.0.10", std::string(49, 'h'), ERROR_INSUFFICIENT_BUFFER, ""},
    };
    for (const Case& c : cases) {
        RemoveRecords();
        MessageBoxRecorder boxes;
        SetLastError(kSentinel);
        EXPECT_FALSE(AddTcpIpPort(c.name.c_str(), c.host.c_str()).ok) << c.name << " " << c.host;
        EXPECT_EQ(GetLastError(), c.error) << c.name << " " << c.host;
        ASSERT_EQ(boxes.shown.size(), 1u) << c.name << " " << c.host;
        EXPECT_EQ(boxes.shown[0].text, SystemText(c.error));
        EXPECT_EQ(boxes.shown[0].caption, "ERROR");
        EXPECT_EQ(boxes.shown[0].type, static_cast<UINT>(MB_ICONINFORMATION));
        EXPECT_EQ(boxes.shown[0].owner, nullptr);
        if (c.log != nullptr) {
            EXPECT_EQ(Log(), c.log) << c.name << " " << c.host;
        }
    }
    const std::string longest = "IP_" + std::string(60, 'n'), host(48, 'h');
    MessageBoxRecorder boxes;
    EXPECT_TRUE(AddTcpIpPort(longest.c_str(), host.c_str()).ok);
    ASSERT_EQ(Inputs().size(), 1u);
    EXPECT_EQ(RecordDifferences(Inputs()[0], longest, host), "");
}

BOOL WINAPI OpenPrinterDenied(LPSTR, LPHANDLE printer, LPPRINTER_DEFAULTSA) {
    *printer = nullptr;
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

TEST_F(TcpIpMonitorTest, WhenTheTransceiverDoesNotOpenXcvDataIsNeverCalled) {
    ScopedSystemCall<decltype(SystemCallTable::OpenPrinterA)> open(&SystemCallTable::OpenPrinterA,
                                                                   &OpenPrinterDenied);
    MessageBoxRecorder boxes;
    EXPECT_FALSE(AddTcpIpPort("IP_192.168.1.21", "192.168.1.21").ok);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, SystemText(ERROR_ACCESS_DENIED));
    EXPECT_EQ(boxes.shown[0].caption, "ERROR");
    EXPECT_EQ(Log(), "");
    EXPECT_TRUE(Inputs().empty());
}

// Wine has no Standard TCP/IP Port monitor of its own.
TEST(NetworkPortWithoutMonitorTest, TheSystemsTextForTheOpenFailureIsShownUnderError) {
    HANDLE printer = reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(kSentinel));
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    SetLastError(kSentinel);
    ASSERT_FALSE(OpenPrinterA(const_cast<char*>(",XcvMonitor Standard TCP/IP Port"), &printer, &defaults))
        << "a Standard TCP/IP Port monitor is installed";
    const DWORD code = GetLastError();

    MessageBoxRecorder boxes;
    EXPECT_FALSE(AddTcpIpPort("IP_192.168.1.20", "192.168.1.20").ok);
    EXPECT_EQ(GetLastError(), code);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, SystemText(code)) << "code " << code;
    EXPECT_EQ(boxes.shown[0].caption, "ERROR");
    EXPECT_EQ(boxes.shown[0].type, static_cast<UINT>(MB_ICONINFORMATION));
}

}  // namespace
