// The document key carried by a trigger file.
#pragma once

#include <cstddef>
#include <string>

// The most a trigger file is read: one read of this many bytes.
constexpr std::size_t kTriggerReadSize = 4096;

// Derives the key from the bytes of the one read: the last byte read is dropped, the text ends at a zero
// byte, spaces go, every "AP0" becomes "AP1", and the third- and fourth-last bytes are dropped.
std::string DeriveDocumentKey(const char* data, std::size_t size);
