#pragma once

#include <windows.h>

// A critical section with the lock()/unlock() pair std::lock_guard takes. Not std::mutex:
// the thread library that std::mutex brings with it would be the largest part of the
// executable's growth.
class CLock {
public:
    CLock() { InitializeCriticalSection(&section_); }
    ~CLock() { DeleteCriticalSection(&section_); }
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;
    void lock() { EnterCriticalSection(&section_); }
    void unlock() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};
