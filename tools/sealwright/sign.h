// What both flavours of the stand-in signer share: the exit codes, and the one operation each OS's file
// implements (posix_sign.cpp: OpenSSL, win32_sign.cpp: the system's CryptoAPI).
#pragma once

#include <string>

namespace sealwright {

enum ExitCode { kSigned = 0, kUsage = 2, kNoDocument = 3, kNoKey = 4, kSignFailed = 5, kRemote = 6 };

// Writes the message to standard error and gives back the code.
int Fail(int code, const std::string& message);

// Writes the detached signature of `document` as <document>.p7s (DER). Returns an exit code.
int SignDocument(const std::string& document);

}  // namespace sealwright
