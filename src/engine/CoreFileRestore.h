#pragma once

#include "config/DomainTypes.h"
#include "platform/OperationResult.h"

// Makes sure the universal driver's own files are present before the driver is added:
// on Windows 98/Me UNIDRV.DLL in the system directory (from the system's backup, else
// from the distribution) and the icon library; on Windows 2000 and later, for drivers
// built on the universal driver, its three shared files. Every file is tried; the result
// is the last failure told (a file in use is not told), ok when there was none.
// environment: whose driver directory (null: the caller's own).
OperationResult RestoreCoreFiles(OsIndex os, bool is2kDdkDriver, const char* environment = nullptr);
