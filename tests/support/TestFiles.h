#pragma once

#include <string>

// Files the tests write beside the test program, where the program under test
// looks for its configuration.

// Writes text to folder + relative (creating folders); "\n" becomes CRLF, as in
// files made on Windows. Bytes are written as given otherwise.
void WriteTextFile(const std::string& folder, const std::string& relative, const std::string& text);
// Writes the bytes exactly.
void WriteBinaryFile(const std::string& folder, const std::string& relative, const std::string& bytes);
// Removes folder + relative and everything below it; missing is fine.
void RemoveTree(const std::string& path);
// Creates every folder of path (Windows separators).
bool CreateFolders(const std::string& path);
