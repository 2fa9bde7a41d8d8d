#pragma once

#include "framework/UniqueResource.h"

// Held by Setup.exe while it installs and by Uninstall.exe while it removes, never at
// start-up: a quiet run has no window for the other to find, so this name is what each
// checks before it changes anything. Separate from Setup.exe's single-instance name.
class CWorkLock {
public:
    // False, holding nothing, while the other program (or another copy) holds it.
    bool Take();
    ~CWorkLock();

private:
    UniqueHandle mutex_;
    bool held_ = false;
};
