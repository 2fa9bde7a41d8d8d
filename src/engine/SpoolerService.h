#pragma once

#include <windows.h>

#include <string>

// The "Spooler" service, stopped while the files it holds open are replaced. Every wait
// is bounded: a stop or start the service accepted is followed until it reports stopped
// or running, polled every 100 ms for at most 30 seconds (a status that cannot be read
// ends the wait); the stop is followed by a further 100 ms; WaitSpoolerRunning polls up
// to ten times, 300 ms apart.

// Returns once the service has stopped (bounded), or at once when the stop was refused.
void StopSpooler();
// A start that fails for any reason but "already running" is told in errorText; an
// accepted start is waited for, bounded, until the service runs.
void StartSpooler(std::string& errorText);
// The last state seen (4 = running); any other state writes "StartSpoolService error".
DWORD WaitSpoolerRunning(std::string& errorText);
