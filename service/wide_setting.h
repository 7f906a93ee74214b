// Integer settings read in 64 bits, for the keys where the profile reader's 32 bits would wrap a large
// value round into a small or negative one.
#pragma once

#include <cstdint>
#include <string>

struct WideSetting {
    enum Form { Missing, NotANumber, Number };
    Form form = Missing;     // Missing: no key, no file, or an empty value
    std::int64_t value = 0;  // for a Number: its value, held at the 64-bit limits beyond them
};

// The text as the profile reader reads an integer (profile::ScanNumber), but held at the 64-bit limits
// instead of wrapping round in 32 bits. An empty text is Missing.
WideSetting ParseWideSetting(const std::string& text);

// The key of section General, read afresh.
WideSetting ReadWideSetting(const std::string& key);
