#pragma once

#include <windows.h>

#include <string>

// The installation journal: a plain-text line per step (time, what was done and to
// which object, and on failure the Win32 code with the system's description), written
// as it happens, so that a run that dies still leaves what it did. Support reads it to
// see which step failed; deployment tools keep it beside the exit code.
//
// It is UTF-8 (a new file starts with a byte-order mark): every text is taken in the ANSI
// code page and converted, so a journal from a Chinese Windows reads the same on an
// English one. Control characters are written as \xNN, so no value a user can put in a
// switch or a configuration file can forge a line or drive the terminal it is read on.
//
// Lines written before a journal is open are held (start-up runs before the wizard knows
// that an installation will follow) and written first when it opens. A journal that
// cannot be written never stops anything: its lines are dropped.
//
// It is written by an elevated process, by default in a folder every user may create
// files in: no name there is trusted to be ours until this process has created it.

// Why path names something other than a plain file the journal may append to (a device
// name such as NUL or COM1, with or without a folder or extension; a \\.\ or
// \\?\GLOBALROOT path; a pipe or mailslot share); empty when it may be opened. Decided
// from the text alone, so a device is refused before anything opens or writes to it.
std::string JournalPathRefusal(const std::string& path);

// Why an opened journal file must not be appended to (not a disk file, a symbolic link or
// junction, a file with a second hard link: someone else's file linked to the name);
// empty when it may.
std::string JournalFileRefusal(DWORD fileType, const BY_HANDLE_FILE_INFORMATION& file);

// Opens path, an explicit journal, for appending, shared with other runs writing to it.
// A path refused by either rule above is never written to: false, and the reason in
// refusal. A plain file that cannot be opened, or later written, gives way to a default
// journal whose first line says so. True when a journal is open, wherever it is.
bool OpenJournal(const std::string& path, std::string* refusal = nullptr);

// Opens a new default journal (DefaultJournalPath). False when none can be created; the
// held lines are then kept for another try.
bool OpenDefaultJournal();

// Creates the journal as a new file at firstPath, or, where that name is taken by any
// file, link or folder, at the next free name (firstPath with "-2", "-3" ... before its
// extension). Nothing that already exists is opened or followed.
bool OpenNewJournal(const std::string& firstPath);

bool JournalIsOpen();
// The open journal's path; empty when none is open.
std::string JournalPath();
void CloseJournal();

// A file in the user's temporary folder named after the date and time to the
// millisecond and the process, so that runs never overwrite each other.
std::string DefaultJournalPath();
// The default journal's name before its date: each program of the product names its own
// ("PrinterDriverSetup-" unless told). A literal: kept, not copied.
void SetDefaultJournalPrefix(const char* prefix);

// A line's text as the journal writes it: converted from the ANSI code page to UTF-8,
// CR dropped, LF folded to a blank, other control characters as \xNN.
std::string JournalText(const std::string& text);

// The step under way, named on every failure line written until the next call (empty:
// none), so that the failing line alone says where, what and why.
void SetJournalStep(const std::string& step);

// One line.
void JournalLine(const std::string& text);
// "what: done", or "what: failed, error N: description" (code 0: "what: failed").
void JournalResult(const std::string& what, bool succeeded, DWORD code = 0);
// The failure part of a line for code: "error N: description".
std::string DescribeForJournal(DWORD code);

// Each line's time stamp, "YYYY-MM-DD HH:MM:SS.mmm", local time.
std::string JournalTimeStamp(const SYSTEMTIME& time);

// CopyFileA through the system-call table, with its journal line "Copy S to T". The last
// error stays the copy's.
BOOL CopyFileWithJournal(const std::string& source, const std::string& target, BOOL failIfExists);
