#pragma once

#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <string>

// Small text building without the C runtime's printf family: its formatter brings the
// floating-point conversions with it, the largest part of the program's size that nothing
// here needs.

// Copies source into a fixed buffer of targetSize bytes: at most targetSize - 1
// characters, always terminated (nothing is written when targetSize is 0).
inline void CopyBounded(char* target, std::size_t targetSize, const char* source) {
    if (targetSize == 0) return;
    std::size_t length = source ? std::strlen(source) : 0;
    if (length >= targetSize) length = targetSize - 1;
    if (length) std::memcpy(target, source, length);
    target[length] = '\0';
}

// Two names equal as Windows compares names of printers, ports, drivers and keys: without
// regard to letter case.
bool SameText(const std::string& a, const std::string& b);

// Appends the digits of value in base 10 or 16 (lower case), zero-padded on the left to width.
void AppendPadded(std::string& text, unsigned long value, std::size_t width, unsigned base = 10);

// Numbers and the texts after them, in turn: the pieces of a time stamp or a file name.
struct NumberPiece {
    unsigned long value;
    std::size_t width;   // zero-padded to this many digits
    const char* after;
};
std::string JoinNumbers(const char* before, std::initializer_list<NumberPiece> pieces, unsigned base = 10);
