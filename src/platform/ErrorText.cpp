#include "platform/ErrorText.h"

#include "config/TextCatalogue.h"
#include "framework/UniqueResource.h"
#include "platform/SystemCalls.h"

std::string MessageText(const char* key) { return MessageCatalogue.ReadText(key); }

bool DescribeSystemError(DWORD code, std::string& description) {
    char* buffer = nullptr;
    const DWORD length = SystemCalls().FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
        code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&buffer), 0, nullptr);
    const UniqueLocalMemory owner(buffer);
    if (length == 0 || buffer == nullptr) return false;
    description.assign(buffer, length);
    return true;
}

void SetErrorText(std::string& errorText, const char* key, DWORD code) {
    errorText = MessageText(key);
    std::string description;
    if (DescribeSystemError(code, description)) errorText += "\n" + description;
}
