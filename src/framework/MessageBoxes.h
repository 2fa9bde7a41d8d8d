#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Every message box of the program goes through here, so that tests can answer
// them instead of a user.
using MessageBoxHandler = std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;

// A message box with an owner window (or none) and a caption.
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);

// A message box owned by a window (or none), with the application name as caption.
int ShowOwnedMessageBox(HWND owner, const char* text, UINT type = MB_OK);

// The application's own message box: no owner, the application name as caption.
int ShowAppMessageBox(const char* text, UINT type = MB_OK);

// The executable's file name without folder and extension ("Setup").
std::string ApplicationName();

// Tests: answer message boxes with handler; an empty handler restores the real ones.
void SetMessageBoxHandler(MessageBoxHandler handler);

// Text for whoever started the program: its standard output, or the console it was
// started from.
void WriteToCaller(const std::string& text);
