#pragma once

#include <windows.h>

#include <string>

// The installation journal: a plain-text line per step (time, what was done and to
// which object, and on failure the Win32 code with the system's description), written
// as it happens, so that a run that dies still leaves what it did. Support reads it to
// see which step failed; deployment tools keep it beside the exit code.
//
// Lines written before a journal is open are held (start-up runs before the wizard knows
// that an installation will follow) and written first when it opens. A journal that
// cannot be written never stops anything: its lines are dropped.

// Opens path for this run's journal (a new file, or appended to). False when it
// cannot be written; the held lines are then kept for another try.
bool OpenJournal(const std::string& path);
bool JournalIsOpen();
// The open journal's path; empty when none is open.
std::string JournalPath();
void CloseJournal();

// A file in the user's temporary folder named after the date and time to the
// millisecond and the process, so that runs never overwrite each other.
std::string DefaultJournalPath();

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
