#include "framework/TextFormat.h"

#include <windows.h>

void AppendPadded(std::string& text, unsigned long value, std::size_t width, unsigned base) {
    char digits[40];
    std::size_t count = 0;
    do {
        digits[count++] = "0123456789abcdef"[value % base];
        value /= base;
    } while (value != 0);
    for (std::size_t i = count; i < width; ++i) text += '0';
    while (count > 0) text += digits[--count];
}

std::string JoinNumbers(const char* before, std::initializer_list<NumberPiece> pieces, unsigned base) {
    std::string text = before;
    for (const NumberPiece& piece : pieces) {
        AppendPadded(text, piece.value, piece.width, base);
        text += piece.after;
    }
    return text;
}

bool SameText(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }
