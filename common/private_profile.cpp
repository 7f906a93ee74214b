#include "private_profile.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

namespace profile {
namespace {

struct Line {
    std::size_t begin;  // first byte of the line
    std::size_t end;    // one past the last byte before the line end
    std::size_t next;   // first byte of the following line
};

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// CR LF, LF and a lone CR each end a line, as for the system's reader. A UTF-8 byte-order mark before the
// first line is no part of it (and stays in the text when a value is written).
std::vector<Line> SplitLines(const std::string& text) {
    std::vector<Line> lines;
    std::size_t pos = std::string_view(text).substr(0, 3) == kUtf8ByteOrderMark ? 3 : 0;
    while (pos < text.size()) {
        // Two searches for one character each (fast on huge files), the second only within the line.
        std::size_t end = std::min(text.find('\n', pos), text.size());
        std::size_t cr = std::string_view(text).substr(pos, end - pos).find('\r');
        if (cr != std::string_view::npos) end = pos + cr;
        std::size_t next = end;
        if (next < text.size()) next += text.compare(next, 2, "\r\n") == 0 ? 2 : 1;
        lines.push_back({pos, end, next});
        pos = next;
    }
    return lines;
}

// The system's reader also takes vertical tab, form feed and the old end-of-file mark (Ctrl-Z) for blanks.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n' || c == '\x1a';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

enum class Kind { Other, Section, Entry };

struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // entry value, trimmed, quotes still on
    bool hasValue = false;   // an entry line without '=' names a key that has no value
};

// A section's name runs from '[' to the last ']' of its line, as for the system's reader. A line that opens
// with '[' but has no ']' is no section line: the system's reader takes it for a key
// without a value, and so do we. A key without '=' is found, and then reads as missing.
Parsed ParseLine(std::string_view line) {
    std::string_view body = Trim(line);
    if (body.empty() || body.front() == ';') return {};
    std::size_t close = body.front() == '[' ? body.rfind(']') : std::string_view::npos;  // the last one
    if (close != std::string_view::npos) return {Kind::Section, Trim(body.substr(1, close - 1)), {}, false};
    std::size_t eq = body.find('=');
    if (eq == std::string_view::npos) return {Kind::Entry, body, {}, false};
    return {Kind::Entry, Trim(body.substr(0, eq)), Trim(body.substr(eq + 1)), true};
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

std::string_view LineText(const std::string& text, const Line& line) {
    return std::string_view(text).substr(line.begin, line.end - line.begin);
}

// Where a section and a key stand in the text; indexes into the line list, -1 where missing.
struct Location {
    long section = -1;
    long key = -1;
    long lastEntry = -1;  // last entry line of the section, or the section line itself
};

Location Locate(const std::string& text, const std::vector<Line>& lines, std::string_view section,
                std::string_view key) {
    Location where;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Parsed p = ParseLine(LineText(text, lines[i]));
        if (p.kind == Kind::Section) {
            if (where.section >= 0) break;  // the first matching section is the only one looked at
            if (EqualsNoCase(p.name, Trim(section))) where.section = where.lastEntry = static_cast<long>(i);
        } else if (where.section >= 0 && p.kind == Kind::Entry) {
            where.lastEntry = static_cast<long>(i);
            if (where.key < 0 && EqualsNoCase(p.name, Trim(key))) where.key = static_cast<long>(i);
        }
    }
    return where;
}

std::string LineEndOf(const std::string& text, const Line& line, const std::string& fallback) {
    if (line.next == line.end) return fallback;
    return text.substr(line.end, line.next - line.end);
}

std::string PreferredNewline(const std::string& text, const std::vector<Line>& lines,
                             const std::string& fallback) {
    for (const Line& line : lines)
        if (line.next > line.end) return LineEndOf(text, line, fallback);
    return fallback;
}

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// A file saved as "Unicode" (UTF-16 LE with its mark) as UTF-8, the code page of POSIX texts; an unpaired
// surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::string& text) {
    std::string out;
    auto unit = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(text[i]) |
                                          static_cast<unsigned char>(text[i + 1]) << 8);
    };
    for (std::size_t i = 2; i + 1 < text.size(); i += 2) {
        std::uint32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < text.size() && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

}  // namespace

bool IsUtf16(const std::string& text) {
    return text.size() >= 2 && text[0] == '\xFF' && text[1] == '\xFE';
}

std::optional<std::string> FindValue(const std::string& rawText, const std::string& section,
                                     const std::string& key) {
    const std::string text = IsUtf16(rawText) ? Utf16ToUtf8(rawText) : rawText;
    std::vector<Line> lines = SplitLines(text);
    Location where = Locate(text, lines, section, key);
    if (where.key < 0) return std::nullopt;
    Parsed p = ParseLine(LineText(text, lines[static_cast<std::size_t>(where.key)]));
    if (!p.hasValue) return std::nullopt;
    std::string_view value = Unquote(p.value);
    return std::string(value.substr(0, value.find('\0')));  // a text value ends at a zero byte
}

// As the system reads a number: control characters and blanks skipped, a sign, then "0x", "0o" or "0b"
// (lower case only: "0X10" is 0 followed by text) or decimal digits, up to the first character that is no
// digit of the base.
ProfileNumber ScanNumber(const std::string& value) {
    ProfileNumber number;
    std::size_t i = 0;
    while (i < value.size() && static_cast<unsigned char>(value[i]) <= ' ')
        ++i;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) number.negative = value[i++] == '-';
    unsigned base = 10;
    if (i + 1 < value.size() && value[i] == '0') {
        const char prefix = value[i + 1];
        base = prefix == 'x' ? 16 : prefix == 'o' ? 8 : prefix == 'b' ? 2 : 10;
        if (base != 10) i += 2;
    }
    for (; i < value.size(); ++i) {
        char c = LowerAscii(value[i]);
        unsigned digit = c >= '0' && c <= '9'   ? static_cast<unsigned>(c - '0')
                         : c >= 'a' && c <= 'z' ? static_cast<unsigned>(c - 'a' + 10)
                                                : base;
        if (digit >= base) break;
        if (number.magnitude > (UINT64_MAX - digit) / base) number.beyond64Bits = true;
        number.magnitude = number.magnitude * base + digit;
        number.hasDigits = true;
    }
    return number;
}

// Wrapping in 32 bits, as the system does.
int ParseInt(const std::string& value) {
    ProfileNumber number = ScanNumber(value);
    auto result = static_cast<std::uint32_t>(number.magnitude);
    if (number.negative) result = 0u - result;
    return static_cast<int>(result);
}

std::string SetValue(const std::string& text, const std::string& section, const std::string& key,
                     const std::string& value, const std::string& newline) {
    std::vector<Line> lines = SplitLines(text);
    Location where = Locate(text, lines, section, key);
    std::string nl = PreferredNewline(text, lines, newline);
    std::string entry = key + "=" + value;

    if (where.key >= 0) {
        const Line& line = lines[static_cast<std::size_t>(where.key)];
        Parsed p = ParseLine(LineText(text, line));
        std::size_t nameStart = static_cast<std::size_t>(p.name.data() - text.data());
        std::string kept =
            text.substr(line.begin, nameStart - line.begin) + std::string(p.name) + "=" + value;
        return text.substr(0, line.begin) + kept + text.substr(line.end);
    }
    if (where.section >= 0) {
        const Line& after = lines[static_cast<std::size_t>(where.lastEntry)];
        std::string head = text.substr(0, after.next);
        if (after.next == after.end) head += nl;  // the section's last line had no line end
        return head + entry + nl + text.substr(after.next);
    }
    std::string head = text;
    if (!head.empty() && head.back() != '\n') head += nl;
    return head + "[" + section + "]" + nl + entry + nl;
}

}  // namespace profile
