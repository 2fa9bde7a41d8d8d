#pragma once

#include <windows.h>

// F1 anywhere in the wizard: brings the help viewer (a top-level window titled
// [Help Guide] Caption) forward and restores it if minimised; without one, opens the
// help document [Help Guide] Name from the current folder through the shell.
// Returns the viewer window it brought forward, null when it opened the document (or
// had no document to open). The shell's result is not examined: a missing document
// shows no message.
HWND ShowHelp();
