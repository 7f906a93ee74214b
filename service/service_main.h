// Entry and polling loop of the collector service.
#pragma once

#include "wide_setting.h"

// The pause between two passes from SamplingFrequency, as the Windows reader takes it: unsigned
// milliseconds, so a value beyond 2147483647 is a long pause. Only a value typed negative, or one that is
// not a number, means no pause; beyond 4294967294 the pause stays at that (about 49.7 days); missing or
// empty gives 5000.
unsigned PauseMilliseconds(const WideSetting& samplingFrequency);

// Starts the service; returns only when the process cannot be started (exit code 1).
int RunService();

// Ends the service on the host's stop request: writes "QuillCollector Stopped." with the request and
// exits with code 0. Whoever waits for a signer stops it (and its own children) first.
[[noreturn]] void EndOnStopRequest();
