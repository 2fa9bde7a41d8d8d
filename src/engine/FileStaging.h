#pragma once

#include "config/DomainTypes.h"
#include "framework/UniqueResource.h"
#include "platform/OperationResult.h"

#include <string>

// Where CopyDriverFile puts a file.
enum TargetKind {
    kPrinterDriverDirectory = 66000,
    kPrintProcessorDirectory = 66001,
    kSystemDirectory = 66002,
    kSystemDirectoryIfMissing = 66003,  // an existing file counts as in place
    kWbemDirectory = 66004,             // likewise; on Vista and later also one in the system directory
    kDriverVersion3Directory = 999,
};

// Puts one file of the distribution's W32 (W64 on 64-bit Windows) folder in place.
// The universal driver's core files (names containing UNIDRV, STDNAMES, TTFSUB or
// UNIRES) are first looked for where the system keeps its own copies.
//   ok                     the file is in place (copied, or found where the kind allows);
//   failed with a text     what the user is told;
//   failed without a text  the target is in use or protected (code 32 or 5, see
//                          IsFileInUse: the caller decides), or the name begins with "0"
//                          (the configuration's "none"; code 0).
// fileName is upper-cased in place (the records and registry values show it); prefixed
// copies the file under "n" + its name. environment names the spooler environment whose
// driver and processor directories are meant (null: the caller's own, as the spooler
// gives them for no environment).
OperationResult CopyDriverFile(char* fileName, int kind, OsIndex os, bool prefixed, const char* environment = nullptr);
// For names the caller does not own: works on a copy.
OperationResult CopyDriverFile(const std::string& fileName, int kind, OsIndex os, bool prefixed,
                               const char* environment = nullptr);

// A copy refused because the target is held open or protected, left to the caller.
bool IsFileInUse(const OperationResult& copy);

// Extracts the six core files from every cabinet of the Windows driver cache into a
// folder made for this run. Done when the last cabinet was iterated successfully; a
// failure carries the Win32 code of the step that failed (none for a Windows or temporary
// folder path that cannot be had) and no text: the caller falls back to the general copy.
OperationResult ExtractCoreFilesFromCabinets();

// The security descriptor the extraction folder is created with (null when it cannot be
// built, and then nothing is extracted): Administrators and SYSTEM only, nothing inherited.
UniqueLocalMemory ExtractionFolderSecurity();

// Ends the run's core-file search: removes the extraction folder and lets the next
// run extract again.
void EndCoreFileSearch();
