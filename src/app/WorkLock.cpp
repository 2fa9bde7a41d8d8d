#include "app/WorkLock.h"

#include <windows.h>

namespace {

// Every session's programs meet under Global\, which Windows 98/Me and NT 4 do not know.
const char* LockName() {
    return (GetVersion() & 0x80000000u) != 0 || LOBYTE(LOWORD(GetVersion())) < 5
               ? "VANTORA Printer Driver Setup installing or removing"
               : "Global\\VANTORA Printer Driver Setup installing or removing";
}

}  // namespace

bool CWorkLock::Take() {
    if (held_) return true;
    mutex_.reset(CreateMutexA(nullptr, FALSE, LockName()));
    if (!mutex_) return false;
    // A holder that died without letting go leaves it abandoned: ours then.
    const DWORD waited = WaitForSingleObject(mutex_.get(), 0);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    if (!held_) mutex_.reset();
    return held_;
}

CWorkLock::~CWorkLock() {
    if (held_) ReleaseMutex(mutex_.get());
}
