#include "config/ProcessSettings.h"

#include <atomic>

namespace {
// Set on the user-interface thread before the worker starts; atomics keep the
// worker's reads well-defined all the same.
std::atomic<bool> is64BitWindows{false};
std::atomic<bool> driverFamilyRule{false};
}  // namespace

namespace ProcessSettings {

bool Is64BitWindows() { return is64BitWindows.load(); }
void SetIs64BitWindows(bool value) { is64BitWindows.store(value); }

bool DriverFamilyRule() { return driverFamilyRule.load(); }
void SetDriverFamilyRule(bool value) { driverFamilyRule.store(value); }

}  // namespace ProcessSettings
