#include "config/RegistryKey.h"

#include "config/ProcessSettings.h"

#include <cstring>
#include <utility>

namespace {

REGSAM View() { return ProcessSettings::Is64BitWindows() ? KEY_WOW64_64KEY : 0; }

REGSAM AccessRights() {
    return ProcessSettings::Is64BitWindows() ? KEY_READ | KEY_WRITE | KEY_WOW64_64KEY : KEY_ALL_ACCESS;
}

// RegDeleteKeyA always deletes in the caller's own view: a 32-bit program on 64-bit
// Windows would delete under Wow6432Node. RegDeleteKeyExA names the view, but Windows
// 2000 and 32-bit XP lack it, and they have one view only.
LONG DeleteKeyInView(HKEY root, const char* path) {
    using DeleteKeyEx = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
    const auto deleteKeyEx = reinterpret_cast<DeleteKeyEx>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA")));
    if (deleteKeyEx != nullptr && View() != 0) return deleteKeyEx(root, path, View(), 0);
    return RegDeleteKeyA(root, path);
}

}  // namespace

CRegistryKey::~CRegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
}

CRegistryKey::CRegistryKey(CRegistryKey&& other) noexcept
    : key_(std::exchange(other.key_, nullptr)), lastError_(other.lastError_) {}

CRegistryKey& CRegistryKey::operator=(CRegistryKey&& other) noexcept {
    if (this != &other) {
        if (key_ != nullptr) RegCloseKey(key_);
        key_ = std::exchange(other.key_, nullptr);
        lastError_ = other.lastError_;
    }
    return *this;
}

bool CRegistryKey::Open(HKEY root, const char* path) {
    if (key_ != nullptr) Close();
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExA(root, path, 0, AccessRights(), &opened);
    if (status == ERROR_SUCCESS) key_ = opened;
    return Record(status, nullptr);
}

bool CRegistryKey::OpenForReading(HKEY root, const char* path) {
    if (key_ != nullptr) Close();
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExA(root, path, 0, KEY_READ | View(), &opened);
    if (status == ERROR_SUCCESS) key_ = opened;
    return Record(status, nullptr);
}

bool CRegistryKey::Close() {
    if (key_ == nullptr) return Record(ERROR_INVALID_HANDLE, nullptr);
    const LONG status = RegCloseKey(std::exchange(key_, nullptr));
    return Record(status, nullptr);
}

bool CRegistryKey::QueryValue(const char* name, void* buffer, DWORD size) {
    if (key_ == nullptr) return Record(ERROR_INVALID_HANDLE, nullptr);
    return Record(RegQueryValueExA(key_, name, nullptr, nullptr, static_cast<BYTE*>(buffer), &size), nullptr);
}

bool CRegistryKey::QueryDword(const char* name, DWORD* value, LONG* error) {
    if (key_ == nullptr) return Record(ERROR_INVALID_HANDLE, error);
    QueryValue(name, value, sizeof(DWORD));
    return Record(lastError_, error);
}

bool CRegistryKey::QueryString(const char* name, char* buffer, DWORD size, LONG* error) {
    if (key_ == nullptr) return Record(ERROR_INVALID_HANDLE, error);
    if (size == 0) return Record(ERROR_INSUFFICIENT_BUFFER, error);
    buffer[0] = '\0';
    // QueryValue hides the byte count, and the terminator must go right after the data.
    DWORD bytes = size - 1;
    const LONG status = RegQueryValueExA(key_, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &bytes);
    buffer[status == ERROR_SUCCESS && bytes < size ? bytes : 0] = '\0';
    return Record(status, error);
}

bool CRegistryKey::SetDword(const char* name, DWORD value, LONG* error) {
    if (key_ == nullptr) return Record(ERROR_INVALID_HANDLE, error);
    SetValue(name, &value, REG_DWORD, sizeof value);
    return Record(lastError_, error);
}

bool CRegistryKey::SetString(const char* name, const char* text, LONG* error) {
    if (key_ == nullptr) return Record(ERROR_INVALID_HANDLE, error);
    SetValue(name, text, REG_SZ, static_cast<DWORD>(std::strlen(text) + 1));
    return Record(lastError_, error);
}

bool CRegistryKey::SetValue(const char* name, const void* data, DWORD type, DWORD bytes) {
    if (key_ == nullptr) return Record(ERROR_INVALID_HANDLE, nullptr);
    return Record(RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), bytes), nullptr);
}

bool CRegistryKey::DeleteValue(const char* name) {
    if (key_ == nullptr) return Record(ERROR_INVALID_HANDLE, nullptr);
    const LONG status = RegDeleteValueA(key_, name);
    return Record(status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status, nullptr);
}

std::vector<std::string> CRegistryKey::SubKeyNames() {
    std::vector<std::string> names;
    if (key_ == nullptr) return names;
    // A key name is at most 255 characters.
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        const LONG status = RegEnumKeyExA(key_, index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) return {};
        names.emplace_back(name, size);
    }
    return names;
}

std::vector<RegistryValue> CRegistryKey::Values() {
    std::vector<RegistryValue> values;
    DWORD count = 0;
    DWORD longestName = 0;
    DWORD longestData = 0;
    if (key_ == nullptr || RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                                            &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return values;
    std::string name(longestName + 1, '\0');
    std::string data(longestData, '\0');
    for (DWORD index = 0; index < count; ++index) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        // A value changed since the sizes were read fails with ERROR_MORE_DATA: the whole
        // read fails rather than hand back a cut value.
        if (RegEnumValueA(key_, index, name.data(), &nameSize, nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &dataSize) != ERROR_SUCCESS)
            return {};
        values.push_back({name.substr(0, nameSize), type, data.substr(0, dataSize)});
    }
    return values;
}

bool CRegistryKey::DeleteTree(HKEY root, const char* path) {
    {
        CRegistryKey key;
        if (!key.Open(root, path)) return key.LastError() == ERROR_FILE_NOT_FOUND;
        for (const std::string& sub : key.SubKeyNames()) DeleteTree(key.Handle(), sub.c_str());
    }
    const LONG status = DeleteKeyInView(root, path);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool CRegistryKey::CreateKey(HKEY root, const char* path, const char* className) {
    HKEY created = nullptr;
    // The class parameter is LPSTR in the ANSI prototype but is only read.
    const LONG status = RegCreateKeyExA(root, path, 0, const_cast<char*>(className), REG_OPTION_NON_VOLATILE,
                                        AccessRights(), nullptr, &created, nullptr);
    if (status != ERROR_SUCCESS) return false;
    RegCloseKey(created);
    return true;
}

bool CRegistryKey::Record(LONG status, LONG* error) {
    lastError_ = status;
    if (error != nullptr) *error = status;
    return status == ERROR_SUCCESS;
}
