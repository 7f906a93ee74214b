// Processing of one trigger file: its text is a document key; every table row with that key names an
// archive file, which is signed and then counted.
#pragma once

#include <string>

// Result codes.
constexpr int kProcessOk = 0;
constexpr int kProcessCannotOpenFile = -1;
constexpr int kProcessDatabaseOpenFailed = -2;
constexpr int kProcessSignFailed = -3;
constexpr int kProcessComError = -4;  // a database error, a refused update or a row that cannot be read
constexpr int kProcessNoRows = -5;
// Not a failure: the trigger file was gone when it was to be read (taken by another collector, removed by
// its writer). Nothing was done and nothing is left to remove.
constexpr int kProcessFileGone = 1;

// Returns 0 when every matching row was signed and counted, a negative code for the first failure.
// Moving or deleting the trigger file is the caller's business.
int ProcessCsvFile(std::string path);
// The same for a trigger file read at `heldPath` (where this collector holds it) and named in the log
// by `foundPath` (where it was found).
int ProcessCsvFile(const std::string& foundPath, const std::string& heldPath);
