// SetupCheck.exe [folder] [--json] [--os <index|all>] [--bits 32|64|all]
// Checks a distribution folder (default: the folder of this program) and prints one
// line per finding, or a JSON document with --json. Exit code: 0 no error, 1 warnings
// only, 2 errors, 3 the folder cannot be read, 4 a wrong command line, 5 the check itself
// failed (out of memory, any exception), with a line on stderr saying what failed.
#include "check/DistributionCheck.h"

#include "framework/ProgramPaths.h"

#include <windows.h>

#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <string>

namespace {

constexpr int kInternalFailure = 5;

// The C runtime's abort ends a program with 3, which here means "no DRVCONFIG": a check
// that failed in itself must never read as a verdict on the folder.
[[noreturn]] void InternalFailure(const std::string& what) {
    std::fprintf(stderr, "SetupCheck: internal failure, the check did not finish: %s\n", what.c_str());
    std::fflush(stderr);
    std::_Exit(kInternalFailure);
}

std::string Describe(std::exception_ptr failure) {
    try {
        if (failure) std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return "out of memory";
    } catch (const std::exception& exception) {
        return exception.what();
    } catch (...) {
    }
    return "an unknown exception";
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
    char code[16];
    std::snprintf(code, sizeof code, "%08lX", exception->ExceptionRecord->ExceptionCode);
    InternalFailure(std::string("exception 0x") + code);
}

// Every way out of a failed check ends with the code of its own: an exception that
// reaches main, one that reaches terminate, an abort, a fault.
void ExitOnEveryFailure() {
    std::set_terminate([] { InternalFailure("terminated: " + Describe(std::current_exception())); });
    std::signal(SIGABRT, [](int) { InternalFailure("aborted"); });
    SetUnhandledExceptionFilter(OnUnhandledException);
}

// Texts in the files are in the ANSI code page; JSON carries UTF-8.
std::string AnsiToUtf8(const std::string& text) {
    if (text.empty()) return text;
    const int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wide <= 0) return text;
    std::wstring buffer(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), buffer.data(), wide);
    const int size = WideCharToMultiByte(CP_UTF8, 0, buffer.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, buffer.data(), wide, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

int Usage() {
    std::fputs("usage: SetupCheck.exe [folder] [--json] [--os <0..7|all>] [--bits 32|64|all]\n", stderr);
    return 4;
}

int Run(int argc, char** argv) {
    std::string folder;
    bool json = false;
    CheckOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--json") {
            json = true;
        } else if (argument == "--os" && i + 1 < argc) {
            const std::string value = argv[++i];
            if (value == "all") options.osIndexes = {0, 1, 2, 3, 4, 5, 6, 7};
            else if (value.size() == 1 && value[0] >= '0' && value[0] <= '7') options.osIndexes = {value[0] - '0'};
            else return Usage();
        } else if (argument == "--bits" && i + 1 < argc) {
            const std::string value = argv[++i];
            if (value != "32" && value != "64" && value != "all") return Usage();
            options.check32 = value != "64";
            options.check64 = value != "32";
        } else if (argument.empty() || argument[0] == '-' || !folder.empty()) {
            return Usage();
        } else {
            folder = argument;
        }
    }
    if (folder.empty()) folder = ProgramFolder();

    const CheckResult result = CheckDistribution(folder, options);
    const int exitCode = CheckExitCode(result);
    if (json) {
        nlohmann::json document = {{"folder", AnsiToUtf8(folder)}, {"exitCode", exitCode},
                                   {"findings", nlohmann::json::array()}};
        for (const Finding& finding : result.findings) {
            document["findings"].push_back({{"severity", finding.severity == Severity::Error ? "error" : "warning"},
                                            {"file", AnsiToUtf8(finding.file)},
                                            {"section", AnsiToUtf8(finding.section)},
                                            {"key", AnsiToUtf8(finding.key)},
                                            {"reason", AnsiToUtf8(finding.reason)}});
        }
        // Bytes that are no text in any code page still make valid JSON.
        std::puts(document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    } else if (!result.folderReadable) {
        std::fprintf(stderr, "SetupCheck: %s holds no DRVCONFIG folder\n", folder.c_str());
    } else {
        for (const Finding& finding : result.findings) std::puts(FormatFinding(finding).c_str());
    }
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    ExitOnEveryFailure();
    try {
        return Run(argc, argv);
    } catch (...) {
        InternalFailure(Describe(std::current_exception()));
    }
}
