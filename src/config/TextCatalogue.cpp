#include "config/TextCatalogue.h"

#include "config/ProfileReader.h"

#include <windows.h>

#include <cstring>

namespace {

// One buffer per thread: the worker reads error texts while the progress window's
// painting reads its own, and neither may overwrite the other's text.
thread_local char textBuffer[CTextCatalogue::kTextSize];

}  // namespace

CTextCatalogue MessageCatalogue("Message");

void ReplaceLineBreakMarkers(char* text) {
    if (text == nullptr) return;
    for (char digit : {'1', '2', '3'}) {
        const char marker[3] = {'\\', digit, '\0'};
        if (char* at = std::strstr(text, marker)) {
            at[0] = '\r';
            at[1] = '\n';
        }
    }
}

void SetCaptions(HWND dialog, const char* section, std::initializer_list<CaptionKey> captions) {
    CTextCatalogue catalogue(section);
    // Each text is used before the next read overwrites the thread's buffer.
    for (const CaptionKey& caption : captions)
        SetDlgItemTextA(dialog, caption.controlId, catalogue.ReadText(caption.key));
}

CTextCatalogue::CTextCatalogue(const char* section)
    : filePath_(JoinPath(ProgramFolder(), "language\\setup.ini")) {
    if (section != nullptr) {
        std::size_t length = std::strlen(section);
        if (length >= kSectionSize) length = kSectionSize - 1;
        std::memcpy(section_, section, length);
    }
}

CTextCatalogue::~CTextCatalogue() = default;

const char* CTextCatalogue::ReadText(const char* key) {
    char* text = textBuffer;
    text[0] = '\0';
    if (filePath_.empty() || key == nullptr) return text;
    DWORD copied = GetPrivateProfileStringA(section_, key, "", text, kTextSize, filePath_.c_str());
    text[copied < kTextSize ? copied : kTextSize - 1] = '\0';
    ReplaceLineBreakMarkers(text);
    return text;
}
