#pragma once

#include <string>

// Makes sure the universal driver's own files are present before the driver is added:
// on Windows 98/Me UNIDRV.DLL in the system directory (from the system's backup, else
// from the distribution) and the icon library; on Windows 2000 and later, for drivers
// built on the universal driver, its three shared files. Failures are left in errorText.
// environment: whose driver directory (null: the caller's own).
void RestoreCoreFiles(int os, bool is2kDdkDriver, std::string& errorText, const char* environment = nullptr);
