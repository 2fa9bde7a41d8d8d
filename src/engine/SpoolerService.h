#pragma once

#include "platform/OperationResult.h"

#include <windows.h>

// The "Spooler" service, stopped while the files it holds open are replaced. The
// waits are fixed: 100 ms after the stop request, up to ten polls 300 ms apart.

// Returns once the service has stopped (bounded), or at once when the stop was refused.
void StopSpooler();
// A start that fails for any reason but "already running" is a failure, told when the
// service refused it (an unopened manager or service is journalled only); an accepted
// start is waited for, bounded, until the service runs.
OperationResult StartSpooler();
// The last state seen (4 = running) as the value; any other state is a failure told
// "StartSpoolService error".
ResultWith<DWORD> WaitSpoolerRunning();
