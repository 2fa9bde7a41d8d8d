#pragma once

#include <windows.h>

#include <string>
#include <utility>

// The one answer of an engine or port operation: done, or failed with the Win32 code
// that says why (0 when the failure has none) and the text the user is told. The
// journal's failure line and the message are both made from this one value, so that
// the two always name the same failure.
//
// A failure without a text is one the operation leaves its caller to tell, or to
// tolerate: a file in use, a name the configuration gives as none ("0").
struct OperationResult {
    bool ok = true;
    DWORD code = ERROR_SUCCESS;
    std::string text;

    static OperationResult Ok() { return {}; }
    // Told in the operation's own words; an empty text leaves the telling to the caller.
    static OperationResult Failed(DWORD code, std::string text = std::string());
    // Told with the catalogue text of key ([Message]) alone.
    static OperationResult FailedWith(const char* key, DWORD code = ERROR_SUCCESS);
    // Told with the catalogue text of key, then "\n" and the system's description of
    // code when it has one.
    static OperationResult Described(const char* key, DWORD code);

    explicit operator bool() const { return ok; }
    // A failure that has something to tell the user.
    bool Told() const { return !ok && !text.empty(); }
};

// An operation's answer and, with it, what the operation found or made.
template <typename Value>
struct ResultWith : OperationResult {
    Value value{};
};

template <typename Value>
ResultWith<Value> WithValue(OperationResult result, Value value) {
    return ResultWith<Value>{std::move(result), std::move(value)};
}

// For a series of operations that goes on after a failure: result becomes told when it
// has something to tell, so that told is the latest such failure.
inline void KeepTold(OperationResult& told, const OperationResult& result) {
    if (result.Told()) told = result;
}

// The journal's line for an operation: "what: done", or its failure with the result's code.
void JournalResult(const std::string& what, const OperationResult& result);
