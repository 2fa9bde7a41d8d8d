#pragma once

#include "config/DomainTypes.h"
#include "platform/OperationResult.h"

#include <string>

// Makes sure the universal driver's own files are present before the driver is added:
// on Windows 98/Me UNIDRV.DLL in the system directory (from the system's backup, else
// from the distribution) and the icon library; on Windows 2000 and later, for drivers
// built on the universal driver, its three shared files. Every file is tried; the result
// is the last failure told (a file in use is not told), ok when there was none.
// environment: whose driver directory (null: the caller's own).
OperationResult RestoreCoreFiles(OsIndex os, bool is2kDdkDriver, const char* environment = nullptr);

// Files of the universal driver, which Windows owns whatever driver names them: each name
// (upper case, without its folder) holding one of their families' names.
bool IsUniversalDriverFile(const char* upperName);
// A path, in any case, naming one of Windows' own driver files: the universal driver's,
// or the icon library Windows 98/Me keeps beside it. Never deleted by this program.
bool IsWindowsDriverFile(const std::string& path);
