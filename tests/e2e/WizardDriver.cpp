#include "e2e/WizardDriver.h"

#include "framework/GdiObjects.h"
#include "res/WizardResources.h"

#include <commctrl.h>
#include <winspool.h>

#include <algorithm>
#include <fstream>
#include <utility>
#include <vector>

namespace {

// The message text of a standard message box.
constexpr int kMessageBoxText = 0xFFFF;

// Texts of another process's windows are read in UTF-16, which Wine carries across
// processes faithfully, and turned into the program's code page.
std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                         nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr, nullptr);
    return text;
}

std::string TextOf(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return Narrow(text);
}

std::string ListEntry(HWND list, WPARAM index) {
    const auto length = SendMessageW(list, CB_GETLBTEXTLEN, index, 0);
    if (length < 0) return std::string();
    std::wstring entry(static_cast<std::size_t>(length) + 1, L'\0');
    const auto copied = SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(entry.data()));
    entry.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
    return Narrow(entry);
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

struct WindowSearch {
    DWORD process;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectVisibleWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    if (ProcessOf(window) == search->process && IsWindowVisible(window)) search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindowsOf(DWORD process) {
    WindowSearch search{process, {}};
    EnumWindows(CollectVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::vector<PrinterOnPort> LocalPrinters() {
    std::vector<PrinterOnPort> printers;
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    std::string buffer(needed, '\0');
    if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, reinterpret_cast<BYTE*>(buffer.data()), needed, &needed,
                       &count))
        return printers;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        printers.push_back({info[i].pPrinterName ? info[i].pPrinterName : "", info[i].pPortName ? info[i].pPortName : ""});
    return printers;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeout) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeout) return false;
        Sleep(50);
    }
    return true;
}

WizardDriver::WizardDriver(std::string programFolder, std::string program)
    : folder_(std::move(programFolder)), program_(std::move(program)) {
    if (!folder_.empty() && folder_.back() != '\\') folder_ += '\\';
}

WizardDriver::~WizardDriver() {
    Kill();
    if (process_.hProcess != nullptr) CloseHandle(process_.hProcess);
    if (process_.hThread != nullptr) CloseHandle(process_.hThread);
}

bool WizardDriver::Start(const std::string& switches, const char* currentFolder) {
    const std::string program = folder_ + program_;
    std::string commandLine = "\"" + program + "\"";
    if (!switches.empty()) commandLine += " " + switches;
    // A driver may start the program again once the last run has ended.
    if (process_.hProcess != nullptr) CloseHandle(process_.hProcess);
    if (process_.hThread != nullptr) CloseHandle(process_.hThread);
    process_ = {};
    frame_ = nullptr;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    // Started from elsewhere, as from Explorer: the program finds its files by its own path.
    return CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, currentFolder,
                          &startup, &process_) != FALSE;
}

HWND WizardDriver::WaitForTopLevel(const std::function<bool(HWND)>& matches, DWORD timeout) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindowsOf(process_.dwProcessId)) {
                if (matches(window)) {
                    found = window;
                    return true;
                }
            }
            return !IsRunning();
        },
        timeout);
    return found;
}

HWND WizardDriver::WaitForWizard(DWORD timeout) {
    frame_ = WaitForTopLevel([](HWND window) { return GetDlgItem(window, IDC_PAGE_AREA) != nullptr; }, timeout);
    return frame_;
}

HWND WizardDriver::CurrentPage() const {
    for (HWND child = GetWindow(frame_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == "#32770" && IsWindowVisible(child)) return child;
    }
    return nullptr;
}

bool WizardDriver::WaitForPageWith(int controlId, DWORD timeout) {
    return WaitUntil(
        [&] {
            HWND page = CurrentPage();
            return page != nullptr && GetDlgItem(page, controlId) != nullptr;
        },
        timeout);
}

HWND WizardDriver::Control(int id) const {
    if (HWND page = CurrentPage()) {
        if (HWND control = GetDlgItem(page, id)) return control;
    }
    return frame_ != nullptr ? GetDlgItem(frame_, id) : nullptr;
}

bool WizardDriver::Click(int id) {
    HWND control = Control(id);
    if (control == nullptr || !IsWindowEnabled(control)) return false;
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_NORMAL, kStepTimeout, &result) != 0;
}

bool WizardDriver::Press(int id) {
    HWND control = Control(id);
    if (control == nullptr || !IsWindowEnabled(control)) return false;
    return PostMessageA(control, BM_CLICK, 0, 0) != FALSE;
}

bool WizardDriver::Choose(int id, const std::string& text) {
    HWND list = Control(id);
    if (list == nullptr || !IsWindowEnabled(list)) return false;
    const int count = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (ListEntry(list, static_cast<WPARAM>(i)) != text) continue;
        SendMessageA(list, CB_SETCURSEL, i, 0);
        // What the list tells its page when the user picks an entry.
        DWORD_PTR result = 0;
        SendMessageTimeoutA(GetParent(list), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list),
                            SMTO_NORMAL, kStepTimeout, &result);
        return true;
    }
    return false;
}

std::string WizardDriver::SelectedText(int id) const {
    HWND list = Control(id);
    const auto index = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (index < 0) return std::string();
    return ListEntry(list, static_cast<WPARAM>(index));
}

bool WizardDriver::TypeAddress(int id, const std::string& dotted) {
    HWND address = Control(id);
    if (address == nullptr || !IsWindowEnabled(address)) return false;
    std::vector<HWND> fields;
    for (HWND child = GetWindow(address, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        fields.push_back(child);
    if (fields.size() != 4) return false;
    std::sort(fields.begin(), fields.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.left < rb.left;
    });
    std::size_t field = 0, at = 0;
    while (field < 4) {
        const std::size_t dot = dotted.find('.', at);
        const std::string part = dotted.substr(at, dot == std::string::npos ? std::string::npos : dot - at);
        // Over whatever the field held, as a user selecting it first would.
        SendMessageA(fields[field], EM_SETSEL, 0, -1);
        for (char c : part) SendMessageA(fields[field], WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
        ++field;
        if (dot == std::string::npos) break;
        at = dot + 1;
    }
    return field == 4;
}

bool WizardDriver::IsChecked(int id) const { return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

std::optional<WizardDriver::Box> WizardDriver::WaitForMessageBox(DWORD timeout) {
    HWND window = WaitForTopLevel(
        [](HWND candidate) { return ClassOf(candidate) == "#32770" && GetDlgItem(candidate, kMessageBoxText) != nullptr; },
        timeout);
    if (window == nullptr) return std::nullopt;
    return Box{window, TextOf(GetDlgItem(window, kMessageBoxText)), TextOf(window)};
}

bool WizardDriver::Answer(const Box& box, int button) {
    HWND control = GetDlgItem(box.window, button);
    if (control == nullptr) return false;
    PostMessageA(control, BM_CLICK, 0, 0);
    return WaitUntil([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); }, kStepTimeout);
}

HWND WizardDriver::WaitForWindow(const std::string& title, DWORD timeout) {
    return WaitForTopLevel([&](HWND window) { return TextOf(window) == title; }, timeout);
}

HWND WizardDriver::WaitForDialogWith(int controlId, DWORD timeout) {
    return WaitForTopLevel([&](HWND window) { return GetDlgItem(window, controlId) != nullptr; }, timeout);
}

bool WizardDriver::IsRunning() const {
    return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> WizardDriver::WaitForExit(DWORD timeout) {
    if (process_.hProcess == nullptr || WaitForSingleObject(process_.hProcess, timeout) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

void WizardDriver::Kill() {
    if (IsRunning()) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 10000);
    }
}

bool WizardDriver::Screenshot(const std::string& bmpPath) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    WindowDc screen(nullptr);
    MemoryDc memory(screen.get());
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const UniqueBitmap bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return false;
    {
        SelectedObject selected(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, width, height, screen.get(), 0, 0, SRCCOPY);
    }
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD size = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + size;
    std::ofstream file(bmpPath, std::ios::binary);
    file.write(reinterpret_cast<const char*>(&header), sizeof header);
    file.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    file.write(static_cast<const char*>(bits), size);
    return file.good();
}

std::string NewestJournalPath() {
    char folder[MAX_PATH] = {};
    const DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder) return {};
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(folder) + "PrinterDriverSetup-*.log").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    // The names begin with the date and time: the greatest is the newest.
    std::string newest;
    do {
        if (std::string(found.cFileName) > newest) newest = found.cFileName;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return std::string(folder) + newest;
}
