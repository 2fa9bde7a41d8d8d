#pragma once

#include <string>
#include <vector>

// Proves a distribution folder before it ships: reads its configuration, language and
// licence files by the program's own reading rules and reports every defect it finds.
// It installs nothing and changes nothing.

enum class Severity { Warning, Error };

// One defect: the file (relative to the folder), the section and key where it sits
// (empty when the defect is the file or section itself) and a plain reason.
struct Finding {
    Severity severity;
    std::string file;
    std::string section;
    std::string key;
    std::string reason;
};

struct CheckOptions {
    // OS indexes to check; empty: the systems start-up admits (2 .. 7).
    std::vector<int> osIndexes;
    bool check32 = true;
    bool check64 = true;
};

struct CheckResult {
    bool folderReadable = false;   // false: no DRVCONFIG folder
    std::vector<Finding> findings;
};

CheckResult CheckDistribution(const std::string& folder, const CheckOptions& options = {});

// 0 no error, 1 warnings only, 2 errors, 3 the folder cannot be read.
int CheckExitCode(const CheckResult& result);

// "error  <file> [<section>] <key>: <reason>", one finding.
std::string FormatFinding(const Finding& finding);
