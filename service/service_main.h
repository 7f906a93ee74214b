// Entry and polling loop of the collector service.
#pragma once

// Starts the service; returns only when the process cannot be started (exit code 1).
int RunService();
