#pragma once

// Makes the printer the user's default printer, by the method the running Windows
// understands, and tells the top-level windows. 1 done, 0 failed; nothing is shown.
int SetDefaultPrinterByName(const char* printerName);
