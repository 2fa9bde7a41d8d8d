#pragma once

// Process-wide switches, each set once early in the run and read everywhere after.
// The 64-bit flag says Windows itself is 64-bit (we are a 32-bit program under WOW64):
// it selects the _64 configuration files, the 64-bit driver folders and registry view.
// The driver-family flag makes serial ports read the GDI keys and USB ports the STD keys.
namespace ProcessSettings {

bool Is64BitWindows();
void SetIs64BitWindows(bool value);

bool DriverFamilyRule();
void SetDriverFamilyRule(bool value);

}  // namespace ProcessSettings
