#include "config/RegistryKey.h"

#include "config/ProcessSettings.h"

#include <cstring>
#include <utility>

namespace {

REGSAM AccessRights() {
    return ProcessSettings::Is64BitWindows() ? KEY_READ | KEY_WRITE | KEY_WOW64_64KEY : KEY_ALL_ACCESS;
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
