#pragma once

#include <windows.h>

#include <cstddef>
#include <initializer_list>
#include <string>

// Texts the user reads, from language\setup.ini beside the program, read at the
// moment of use. A missing file, section or key gives an empty text.
class CTextCatalogue {
public:
    static constexpr std::size_t kTextSize = 2048;
    static constexpr std::size_t kSectionSize = 256;

    explicit CTextCatalogue(const char* section);
    virtual ~CTextCatalogue();

    // The text of key in this object's section, with its line-break markers
    // replaced. The result lives in the calling thread's one text buffer: valid until
    // that thread's next ReadText, so use it at once or copy it.
    const char* ReadText(const char* key);

    const std::string& FilePath() const { return filePath_; }

private:
    std::string filePath_;
    char section_[kSectionSize] = {};
};

// The process-wide catalogue of section "Message".
extern CTextCatalogue MessageCatalogue;

// One control's caption and the key it is read from.
struct CaptionKey {
    int controlId;
    const char* key;
};

// Sets each control's caption from key of section, read at the moment of the call.
void SetCaptions(HWND dialog, const char* section, std::initializer_list<CaptionKey> captions);

// INI values are single lines: "\1", "\2" and "\3" (backslash, digit) mark line
// breaks. The first occurrence of each becomes CR LF in place; later ones stay.
void ReplaceLineBreakMarkers(char* text);
