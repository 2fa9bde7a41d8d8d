#pragma once

#include <windows.h>

#include <string>
#include <vector>

// One value of a key as the registry holds it: its type and its bytes, unread.
struct RegistryValue {
    std::string name;
    DWORD type = REG_NONE;
    std::string data;
    bool operator==(const RegistryValue&) const = default;
};

// One open key of the registry, owned by the object. Every open and create asks for the
// same rights, chosen by ProcessSettings::Is64BitWindows(): on 64-bit Windows this 32-bit
// program must name the 64-bit view explicitly, or WOW64 sends it to Wow6432Node.
//
// Every operation returns true on success. LastError() holds the status code of the
// object's most recent registry call (0 = success); the registry functions return their
// status instead of setting the thread's last error. Reads and writes on a closed object
// never reach the registry: they fail with ERROR_INVALID_HANDLE, so that a false result
// never comes with a zero error.
class CRegistryKey {
public:
    CRegistryKey() = default;
    ~CRegistryKey();
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;
    CRegistryKey(CRegistryKey&& other) noexcept;
    CRegistryKey& operator=(CRegistryKey&& other) noexcept;

    // Closes any open key first. The key must exist; Open never creates it.
    bool Open(HKEY root, const char* path);
    // Read access only, in the same view: what a user without administrator rights may
    // open, and all that a look at the registry needs.
    bool OpenForReading(HKEY root, const char* path);
    // False when no key was open.
    bool Close();
    bool IsOpen() const { return key_ != nullptr; }
    LONG LastError() const { return lastError_; }

    // Raw read of up to size bytes; the value's type and its real size are not handed back.
    bool QueryValue(const char* name, void* buffer, DWORD size);
    // The optional error place receives LastError() whenever the call returns.
    bool QueryDword(const char* name, DWORD* value, LONG* error = nullptr);
    // At most size - 1 bytes of the value, always terminated: a REG_SZ value may be stored
    // without its zero. A value that does not fit fails with ERROR_MORE_DATA and leaves
    // the buffer empty. Size 0 fails with ERROR_INSUFFICIENT_BUFFER.
    bool QueryString(const char* name, char* buffer, DWORD size, LONG* error = nullptr);
    bool SetDword(const char* name, DWORD value, LONG* error = nullptr);
    // Stores REG_SZ including the terminating zero.
    bool SetString(const char* name, const char* text, LONG* error = nullptr);
    bool SetValue(const char* name, const void* data, DWORD type, DWORD bytes);
    // True when the value is gone afterwards, deleted or never there.
    bool DeleteValue(const char* name);

    // The names of the key's subkeys and its values, in the registry's order; empty on
    // any failure.
    std::vector<std::string> SubKeyNames();
    std::vector<RegistryValue> Values();
    HKEY Handle() const { return key_; }

    // Needs no object. True when root\path exists afterwards, created or already present.
    static bool CreateKey(HKEY root, const char* path, const char* className = nullptr);
    // Needs no object. Deletes root\path with every subkey, in the same view; true when it
    // is gone afterwards, deleted or never there.
    static bool DeleteTree(HKEY root, const char* path);

private:
    bool Record(LONG status, LONG* error);

    HKEY key_ = nullptr;
    LONG lastError_ = ERROR_SUCCESS;
};
