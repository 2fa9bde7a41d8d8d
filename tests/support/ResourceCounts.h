#pragma once

#include <windows.h>

#include <ostream>

// What the process holds: kernel handles, USER and GDI objects. Wine answers
// GetProcessHandleCount and GetGuiResources with 0 (not implemented); there the handle
// figure counts the values its handle table answers for (multiples of four), the USER
// figure the process's windows, and the GDI figure the live entries of Wine's GDI handle
// table, which a handle's low word alone names.
struct ResourceCounts {
    DWORD handles = 0;
    DWORD user = 0;
    DWORD gdi = 0;
    bool operator==(const ResourceCounts&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const ResourceCounts& counts) {
    return out << counts.handles << " handles, " << counts.user << " USER, " << counts.gdi << " GDI";
}

namespace resource_counts {

inline BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<DWORD*>(count);
    return TRUE;
}

inline BOOL CALLBACK CountTopLevel(HWND window, LPARAM count) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return TRUE;
    ++*reinterpret_cast<DWORD*>(count);
    EnumChildWindows(window, CountChild, count);
    return TRUE;
}

}  // namespace resource_counts

inline ResourceCounts CountResources() {
    ResourceCounts counts;
    GetProcessHandleCount(GetCurrentProcess(), &counts.handles);
    if (counts.handles == 0) {
        DWORD flags = 0;
        for (ULONG_PTR value = 4; value <= 0x10000; value += 4) {
            if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++counts.handles;
        }
    }
    counts.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    counts.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (counts.user == 0) EnumWindows(resource_counts::CountTopLevel, reinterpret_cast<LPARAM>(&counts.user));
    if (counts.gdi == 0) {
        for (ULONG_PTR index = 1; index <= 0xFFFF; ++index) {
            if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++counts.gdi;
        }
    }
    return counts;
}
