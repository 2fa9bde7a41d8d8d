#pragma once

#include "platform/OperationResult.h"

#include <windows.h>

// The "Spooler" service, stopped while the files it holds open are replaced. Every wait
// is bounded: a stop or start the service accepted is followed until it reports stopped
// or running, polled every 100 ms for at most 30 seconds (a status that cannot be read
// ends the wait); the stop is followed by a further 100 ms; WaitSpoolerRunning polls up
// to ten times, 300 ms apart.

// Returns once the service has stopped (bounded), or at once when the stop was refused.
void StopSpooler();
// A start that fails for any reason but "already running" is a failure, told when the
// service refused it (an unopened manager or service is journalled only); an accepted
// start is waited for, bounded, until the service runs.
OperationResult StartSpooler();
// The last state seen (4 = running) as the value; any other state is a failure told
// "StartSpoolService error".
ResultWith<DWORD> WaitSpoolerRunning();
