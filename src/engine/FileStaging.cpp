#include "engine/FileStaging.h"

#include "engine/CoreFileRestore.h"

#include "config/DomainTypes.h"
#include "config/ProcessSettings.h"
#include "config/ProfileReader.h"
#include "framework/UniqueResource.h"
#include "platform/ErrorText.h"
#include "platform/FileSystemRedirection.h"
#include "platform/Journal.h"
#include "platform/SystemCalls.h"

#include <windows.h>
#include <sddl.h>
#include <setupapi.h>
#include <winspool.h>

#include <array>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr std::array<const char*, 6> kCabinetCoreFiles = {
    "unidrvui.dll", "unidrv.dll", "unires.dll", "unidrv.hlp", "stdnames.gpd", "ttfsub.gpd",
};

// The search lasts one run: the cabinets are listed and extracted once, into a folder
// of our own, so that only files this run extracted are ever installed from it.
struct CoreFileSearch {
    bool extractionPending = true;
    std::vector<std::string> cabinets;
    std::string driverCacheFolder;
    std::string extractionFolder;
    // What the cabinets really put in the folder: a name found there but not reported
    // as extracted was put there by someone else.
    std::set<std::string> extracted;

    ~CoreFileSearch() { RemoveExtractionFolder(); }

    void RemoveExtractionFolder() {
        if (extractionFolder.empty()) return;
        WIN32_FIND_DATAA found;
        if (const UniqueFindHandle search{FindFirstFileA((extractionFolder + "\\*").c_str(), &found)}) {
            do {
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                    const std::string path = extractionFolder + "\\" + found.cFileName;
                    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileA(path.c_str());
                }
            } while (FindNextFileA(search.get(), &found));
        }
        RemoveDirectoryA(extractionFolder.c_str());
        extractionFolder.clear();
        extracted.clear();
    }
};

CoreFileSearch coreFileSearch;

bool FileExists(const std::string& path) {
    WIN32_FIND_DATAA found;
    return static_cast<bool>(UniqueFindHandle(FindFirstFileA(path.c_str(), &found)));
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The spooler only reads the environment it is given.
LPSTR EnvironmentArgument(const char* environment) { return const_cast<LPSTR>(environment); }

// The directory queries fill fixed buffers: a result that does not fit is a failure.
bool PrinterDriverDirectory(std::string& directory, const char* environment, DWORD bufferSize = 256) {
    std::vector<char> buffer(bufferSize, '\0');
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryA(nullptr, EnvironmentArgument(environment), 1,
                                    reinterpret_cast<BYTE*>(buffer.data()), bufferSize, &needed)) {
        return false;
    }
    directory.assign(buffer.data(), strnlen(buffer.data(), bufferSize));
    return !directory.empty();
}

bool PrintProcessorDirectory(std::string& directory, const char* environment) {
    char buffer[256] = {};
    DWORD needed = 0;
    if (!GetPrintProcessorDirectoryA(nullptr, EnvironmentArgument(environment), 1, reinterpret_cast<BYTE*>(buffer),
                                     sizeof buffer, &needed)) {
        return false;
    }
    directory.assign(buffer, strnlen(buffer, sizeof buffer));
    return !directory.empty();
}

bool SystemDirectory(std::string& directory) {
    char buffer[256] = {};
    const UINT length = GetSystemDirectoryA(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return false;
    directory.assign(buffer, length);
    return true;
}

bool WindowsDirectory(std::string& directory) {
    char buffer[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return false;
    directory.assign(buffer, length);
    return true;
}

bool TemporaryFolder(std::string& folder) {
    char buffer[MAX_PATH] = {};
    const DWORD length = GetTempPathA(sizeof buffer, buffer);
    if (length == 0 || length >= sizeof buffer) return false;
    folder.assign(buffer, length);
    return true;
}

bool IsInUse(DWORD code) { return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED; }

// Nothing to tell: the caller decides what an occupied target means.
OperationResult InUse(DWORD code) { return OperationResult::Failed(code); }

// Creation attributes carrying the extraction folder's own security.
class CPrivateFolderSecurity {
public:
    CPrivateFolderSecurity() : descriptor_(ExtractionFolderSecurity()) {
        attributes_.nLength = sizeof attributes_;
        attributes_.lpSecurityDescriptor = descriptor_.get();
        attributes_.bInheritHandle = FALSE;
    }
    bool Usable() const { return static_cast<bool>(descriptor_); }
    SECURITY_ATTRIBUTES* Attributes() { return &attributes_; }

private:
    UniqueLocalMemory descriptor_;
    SECURITY_ATTRIBUTES attributes_ = {};
};

// A fresh folder below the temporary folder: nothing in it that this run did not put there.
// The folder's path in folder. A failure carries CreateDirectoryA's code; the temporary
// folder's path and the security have none of their own.
OperationResult CreateExtractionFolder(std::string& folder) {
    std::string temporary;
    if (!TemporaryFolder(temporary)) return OperationResult::Failed(ERROR_SUCCESS);
    CPrivateFolderSecurity security;
    if (!security.Usable()) return OperationResult::Failed(ERROR_SUCCESS);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = temporary + "PrinterSetup-" + std::to_string(GetCurrentProcessId()) + "-" +
                                      std::to_string(GetTickCount() + attempt);
        if (CreateDirectoryA(candidate.c_str(), security.Attributes())) {
            folder = candidate;
            return OperationResult::Ok();
        }
        const DWORD code = GetLastError();
        if (code != ERROR_ALREADY_EXISTS) return OperationResult::Failed(code);
    }
    return OperationResult::Failed(ERROR_ALREADY_EXISTS);
}

bool IsCabinetCoreFile(const char* nameInCabinet) {
    for (const char* name : kCabinetCoreFiles) {
        if (std::strcmp(nameInCabinet, name) == 0) return true;
    }
    return false;
}

UINT CALLBACK CabinetCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR /*param2*/) {
    auto& search = *static_cast<CoreFileSearch*>(context);
    if (notification == SPFILENOTIFY_FILEEXTRACTED) {
        const auto* paths = reinterpret_cast<const FILEPATHS_A*>(param1);
        const std::string prefix = search.extractionFolder + "\\";
        if (paths->Win32Error == NO_ERROR && paths->Target != nullptr &&
            std::strncmp(paths->Target, prefix.c_str(), prefix.size()) == 0) {
            std::string name = paths->Target + prefix.size();
            CharUpperA(name.data());
            search.extracted.insert(name);
        }
        return NO_ERROR;
    }
    if (notification != SPFILENOTIFY_FILEINCABINET) return NO_ERROR;
    auto* info = reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1);
    const std::string target = search.extractionFolder + "\\" + info->NameInCabinet;
    if (!IsCabinetCoreFile(info->NameInCabinet) || target.size() >= sizeof info->FullTargetName) return FILEOP_SKIP;
    std::memcpy(info->FullTargetName, target.c_str(), target.size() + 1);
    return FILEOP_DOIT;
}

// A failed copy: the catalogue's two texts around the name and the system's
// description, or the first text alone when there is no description.
OperationResult CopyFailure(const std::string& targetName, DWORD code) {
    std::string text = MessageText("IDS_ERR_COPYFIEL");
    std::string description;
    if (DescribeSystemError(code, description)) {
        text += targetName + "\n" + description;
        text += MessageText("IDS_ERR_COPYFIEL1");
    }
    return OperationResult::Failed(code, text);
}

// Redirection could not be switched off: the file cannot be reached at all.
OperationResult Unreachable(const char* fileName) {
    return OperationResult::Failed(ERROR_SUCCESS, MessageText("IDS_ERR_COPYFIEL") + fileName);
}

struct TargetDirectory {
    std::string path;
    const char* errorKey = nullptr;  // set when the directory cannot be named
};

TargetDirectory ResolveTargetDirectory(int kind, const char* environment) {
    TargetDirectory target;
    switch (kind) {
        case kPrinterDriverDirectory:
            if (!PrinterDriverDirectory(target.path, environment)) target.errorKey = "IDS_ERR_GETDRIVERDIR";
            break;
        case kDriverVersion3Directory:
            if (PrinterDriverDirectory(target.path, environment)) {
                target.path += "\\3";
            } else {
                target.errorKey = "IDS_ERR_GETDRIVERDIR";
            }
            break;
        case kPrintProcessorDirectory:
            if (!PrintProcessorDirectory(target.path, environment)) target.errorKey = "IDS_ERR_GETPRODIR";
            break;
        case kSystemDirectory:
        case kSystemDirectoryIfMissing:
            if (!SystemDirectory(target.path)) target.errorKey = "IDS_ERR_GETSYSDIR";
            break;
        case kWbemDirectory:
            if (SystemDirectory(target.path)) {
                target.path += "\\wbem";
            } else {
                target.errorKey = "IDS_ERR_GETSYSDIR";
            }
            break;
        default:
            target.errorKey = "IDS_ERR_DIRTYPE";
            break;
    }
    return target;
}

bool CreatedWhenMissing(int kind) {
    return kind == kPrinterDriverDirectory || kind == kPrintProcessorDirectory || kind == kWbemDirectory ||
           kind == kDriverVersion3Directory;
}

OperationResult GeneralCopy(const char* fileName, int kind, OsIndex os, bool prefixed, const char* environment) {
    if (fileName[0] == '0') return OperationResult::Failed(ERROR_SUCCESS);

    const TargetDirectory target = ResolveTargetDirectory(kind, environment);
    if (target.errorKey != nullptr) return OperationResult::FailedWith(target.errorKey);
    if (CreatedWhenMissing(kind) && !IsDirectory(target.path)) CreateDirectoryA(target.path.c_str(), nullptr);
    if (kind == kSystemDirectoryIfMissing && FileExists(target.path + "\\" + fileName)) return OperationResult::Ok();
    if (kind == kWbemDirectory) {
        if (FileExists(target.path + "\\" + fileName)) return OperationResult::Ok();
        std::string system;
        if (KeepsDriverStore(os) && SystemDirectory(system) && FileExists(system + "\\" + fileName)) {
            return OperationResult::Ok();
        }
    }

    const bool is64 = ProcessSettings::Is64BitWindows();
    const std::string source = JoinPath(ProgramFolder(), std::string(is64 ? "W64\\" : "W32\\") + fileName);
    std::string targetName = prefixed ? "n" : "";
    targetName += fileName;
    const std::string targetPath = target.path + "\\" + targetName;

    BOOL copied = FALSE;
    DWORD code = ERROR_SUCCESS;
    auto copy = [&] {
        SetFileAttributesA(targetPath.c_str(), FILE_ATTRIBUTE_ARCHIVE);
        copied = CopyFileWithJournal(source, targetPath, FALSE);
        code = GetLastError();
    };
    if (kind == kSystemDirectory && Uses64BitSystemFolder(is64)) {
        CFileSystemRedirectionOff redirection;
        if (!redirection.Usable()) return Unreachable(fileName);
        copy();
    } else {
        copy();
    }

    if (copied) return OperationResult::Ok();
    if (IsInUse(code)) return InUse(code);
    return CopyFailure(targetName, code);
}

// A core file the system already has in its driver directory is used as it is: in place
// when present, a failure when the directory cannot be named, nothing when it is absent.
std::optional<OperationResult> FindInDriverDirectory(const char* fileName, const char* environment) {
    std::string driverDirectory;
    if (!PrinterDriverDirectory(driverDirectory, environment)) return OperationResult::FailedWith("IDS_ERR_GETDRIVERDIR");
    if (FileExists(driverDirectory + "\\" + fileName)) return OperationResult::Ok();
    return std::nullopt;
}

// "Couldn't find system files.", with the system's description of code when it has one.
OperationResult SystemFilesMissing(DWORD code) {
    std::string text = "Couldn't find system files.";
    std::string description;
    if (DescribeSystemError(code, description)) text += "\n" + description;
    return OperationResult::Failed(code, text);
}

// Windows 2000, XP and Server 2003: the driver directory, then the driver cache cabinets.
// Nothing when the file is in neither: the general copy goes on.
std::optional<OperationResult> CopyCoreFileFromDriverCache(const char* fileName, const char* environment) {
    if (auto found = FindInDriverDirectory(fileName, environment)) return found;

    if (coreFileSearch.extractionPending) {
        coreFileSearch.extractionPending = false;
        if (!ExtractCoreFilesFromCabinets().ok) return std::nullopt;
    }
    if (coreFileSearch.extractionFolder.empty()) return std::nullopt;

    std::string target;
    if (!PrinterDriverDirectory(target, environment, MAX_PATH)) return OperationResult::FailedWith("IDS_ERR_GETDRIVERDIR");
    const std::string source = coreFileSearch.extractionFolder + "\\" + fileName;
    if (coreFileSearch.extracted.count(fileName) != 0 && FileExists(source) &&
        CopyFileWithJournal(source, target + "\\" + fileName, FALSE)) {
        return OperationResult::Ok();
    }
    return std::nullopt;
}

// Vista and later: the driver directory, then the system's own printer driver package.
OperationResult CopyCoreFileFromDriverStore(const char* fileName, const char* environment) {
    if (auto found = FindInDriverDirectory(fileName, environment)) return *found;

    std::string windows;
    if (!WindowsDirectory(windows)) return OperationResult::Failed(ERROR_SUCCESS, "Couldn't find system files.");
    const bool is64 = ProcessSettings::Is64BitWindows();
    const std::string repository = windows + "\\System32\\DriverStore\\FileRepository\\";

    WIN32_FIND_DATAA found;
    UniqueFindHandle search;
    DWORD code = ERROR_SUCCESS;
    {
        std::optional<CFileSystemRedirectionOff> redirection;
        if (is64 && !redirection.emplace().Usable()) return Unreachable(fileName);
        search.reset(FindFirstFileA((repository + "ntprint*").c_str(), &found));
        code = GetLastError();
    }
    if (!search) return SystemFilesMissing(code);
    const std::string source =
        repository + found.cFileName + (is64 ? "\\AMD64\\" : "\\I386\\") + fileName;

    std::string target;
    if (!PrinterDriverDirectory(target, environment, MAX_PATH)) return OperationResult::FailedWith("IDS_ERR_GETDRIVERDIR");
    BOOL copied = FALSE;
    {
        std::optional<CFileSystemRedirectionOff> redirection;
        if (is64 && !redirection.emplace().Usable()) return Unreachable(fileName);
        copied = CopyFileWithJournal(source, target + "\\" + fileName, FALSE);
        code = GetLastError();
    }
    if (!copied) {
        if (IsInUse(code)) return InUse(code);
        std::string text = MessageText("IDS_ERR_COPYFIEL") + fileName;
        std::string description;
        if (DescribeSystemError(code, description)) text += "\n" + description + source;
        return OperationResult::Failed(code, text);
    }
    // The search is closed here, not by its owner, because a close that fails is told.
    if (!FindClose(search.release())) return OperationResult::Failed(GetLastError(), "Couldn't close search handle.");
    return OperationResult::Ok();
}

}  // namespace

OperationResult CopyDriverFile(char* fileName, int kind, OsIndex os, bool prefixed, const char* environment) {
    if (fileName == nullptr) return OperationResult::FailedWith("IDS_ERR_COPYFIEL");
    CharUpperA(fileName);

    if (IsUniversalDriverFile(fileName)) {
        if (KeepsDriverCache(os)) {
            if (auto result = CopyCoreFileFromDriverCache(fileName, environment)) return *result;
        } else if (KeepsDriverStore(os)) {
            return CopyCoreFileFromDriverStore(fileName, environment);
        }
    }
    return GeneralCopy(fileName, kind, os, prefixed, environment);
}

OperationResult CopyDriverFile(const std::string& fileName, int kind, OsIndex os, bool prefixed, const char* environment) {
    std::vector<char> copy(fileName.begin(), fileName.end());
    copy.push_back('\0');
    return CopyDriverFile(copy.data(), kind, os, prefixed, environment);
}

bool IsFileInUse(const OperationResult& copy) { return !copy.ok && copy.text.empty() && IsInUse(copy.code); }

// Run as SYSTEM the temporary folder is the Windows one, where ordinary users may
// create files, and our folder's name can be guessed: only Administrators and SYSTEM
// may write into it, whatever the parent grants (P: nothing inherited).
UniqueLocalMemory ExtractionFolderSecurity() {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;GA;;;BA)(A;OICI;GA;;;SY)",
                                                              SDDL_REVISION_1, &descriptor, nullptr)) {
        return UniqueLocalMemory();
    }
    return UniqueLocalMemory(descriptor);
}

OperationResult ExtractCoreFilesFromCabinets() {
    std::string windows;
    if (!WindowsDirectory(windows)) return OperationResult::Failed(ERROR_SUCCESS);
    coreFileSearch.driverCacheFolder =
        windows + (ProcessSettings::Is64BitWindows() ? "\\Driver Cache\\AMD64\\" : "\\Driver Cache\\i386\\");

    coreFileSearch.cabinets.clear();
    WIN32_FIND_DATAA found;
    {
        const UniqueFindHandle search{FindFirstFileA((coreFileSearch.driverCacheFolder + "*.cab").c_str(), &found)};
        // A search that finds nothing fails: there is always a first cabinet after it.
        if (!search) return OperationResult::Failed(GetLastError());
        do {
            coreFileSearch.cabinets.emplace_back(found.cFileName);
        } while (FindNextFileA(search.get(), &found));
    }

    if (coreFileSearch.extractionFolder.empty()) {
        const OperationResult created = CreateExtractionFolder(coreFileSearch.extractionFolder);
        if (!created) return created;
    }
    OperationResult result = OperationResult::Ok();
    for (const std::string& cabinet : coreFileSearch.cabinets) {
        const std::string path = coreFileSearch.driverCacheFolder + cabinet;
        result = SystemCalls().SetupIterateCabinetA(path.c_str(), 0, CabinetCallback, &coreFileSearch)
                     ? OperationResult::Ok()
                     : OperationResult::Failed(GetLastError());
    }
    return result;
}

void EndCoreFileSearch() {
    coreFileSearch.RemoveExtractionFolder();
    coreFileSearch.cabinets.clear();
    coreFileSearch.extractionPending = true;
}
