#include "platform/OperationResult.h"

#include "platform/ErrorText.h"
#include "platform/Journal.h"

OperationResult OperationResult::Failed(DWORD code, std::string text) { return {false, code, std::move(text)}; }

OperationResult OperationResult::FailedWith(const char* key, DWORD code) { return {false, code, MessageText(key)}; }

OperationResult OperationResult::Described(const char* key, DWORD code) {
    OperationResult result{false, code, std::string()};
    SetErrorText(result.text, key, code);
    return result;
}

void JournalResult(const std::string& what, const OperationResult& result) {
    JournalResult(what, result.ok, result.ok ? ERROR_SUCCESS : result.code);
}
