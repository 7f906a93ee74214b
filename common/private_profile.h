// Private-profile (INI) text, read and edited the way the Windows profile functions do it.
// Pure text in, text out: the file access lives in the platform layer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace profile {

// The value of `key` in `section`, or nothing when the section or key is missing. Names are compared
// without regard to ASCII case; blanks around names and values are ignored; one pair of matching
// surrounding quotes is removed; the first matching section and key win (a key line without '=' wins
// too, and reads as missing); lines starting with ';' are comments; CR LF, LF and a lone CR end a line;
// a UTF-8 byte-order mark at the start is skipped; a section's name runs to the last ']' of its line,
// and a line "[name" without ']' is no section.
std::optional<std::string> FindValue(const std::string& text, const std::string& section,
                                     const std::string& key);

// A file saved as UTF-16 LE with its byte-order mark. FindValue reads it (its values come as UTF-8);
// SetValue cannot keep its form, so such a file is not written.
bool IsUtf16(const std::string& text);

// A number as the profile reader takes it from a value: optional blanks and sign, then decimal digits, or
// 0x, 0o or 0b (lower case) and digits of that base; trailing text is ignored.
struct ProfileNumber {
    bool hasDigits = false;
    bool negative = false;
    bool beyond64Bits = false;    // the digits spell more than 64 bits hold
    std::uint64_t magnitude = 0;  // wrapped round in 64 bits when beyond64Bits
};
ProfileNumber ScanNumber(const std::string& value);

// Integer reading of a profile value, as ScanNumber takes it, wrapping in 32 bits; no digits gives 0.
int ParseInt(const std::string& value);

// Returns `text` with `key` in `section` set to `value`: every other line is kept byte for byte, an
// existing key's line is rewritten in place, a missing key goes after the last entry of its section, a
// missing section goes at the end. `newline` ends the lines written when the text has no line end yet.
std::string SetValue(const std::string& text, const std::string& section, const std::string& key,
                     const std::string& value, const std::string& newline);

}  // namespace profile
