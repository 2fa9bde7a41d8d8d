#pragma once

#include <windows.h>

#include <string>

// The "Spooler" service, stopped while the files it holds open are replaced. The
// waits are fixed: 100 ms after the stop request, up to ten polls 300 ms apart.

// Returns once the service has stopped (bounded), or at once when the stop was refused.
void StopSpooler();
// A start that fails for any reason but "already running" is told in errorText; an
// accepted start is waited for, bounded, until the service runs.
void StartSpooler(std::string& errorText);
// The last state seen (4 = running); any other state writes "StartSpoolService error".
DWORD WaitSpoolerRunning(std::string& errorText);
