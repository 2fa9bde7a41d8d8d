#pragma once

#include "platform/OperationResult.h"

// Makes the printer the user's default printer, by the method the running Windows
// understands, and tells the top-level windows. Nothing is shown; a failure carries no
// code (the installation only journals that it failed and goes on).
OperationResult SetDefaultPrinterByName(const char* printerName);
