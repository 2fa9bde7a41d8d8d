#pragma once

#include <windows.h>

#include <string>

// A message shown from inside the engine or the port code. Those layers own no window:
// the application decides how a notice reaches the user (the wizard's message boxes,
// the unattended mode's journal, a test's recorder).
struct Notice {
    std::string text;
    std::string caption;  // empty: the application's name
    UINT type = MB_OK;    // buttons and icon, as MessageBoxA takes them
};

class INoticeSink {
public:
    virtual ~INoticeSink() = default;
    // The answer as a message box gives it (IDOK, IDYES, IDNO). Called from the worker
    // thread too: an implementation must not need the user-interface thread's messages.
    virtual int Notify(const Notice& notice) = 0;
};

// The process's sink; the application supplies it before any engine work. Returns the
// one it replaces, so that a scope can put it back. Null: notices go nowhere, answered IDOK.
INoticeSink* SetNoticeSink(INoticeSink* sink);

int Notify(const Notice& notice);
// A notice under the application's name.
int Notify(const std::string& text, UINT type = MB_OK);
