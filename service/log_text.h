// Text for the log. Whatever comes from outside the system (a file name or path, a document key, a value
// read from the database, a driver's or the system's message) must never start a line of its own in the
// log, or anyone who may drop a file could write entries that look like ours. So the log takes only a
// LogText: our own words (string literals), or a text formatted by LogTextF, which escapes every string
// argument by its type. Our own formats keep their line breaks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

#include "common/text_format.h"

// The one escaping rule: "\r", "\t", "\n" and "\xNN" for the other control characters (below 0x20, and
// 0x7F); every other byte stays as it is, so a Windows path reads as the administrator typed it. The result
// holds no line break.
std::string EscapeForLog(std::string_view text);
// The same rule with backslashes doubled as well, for the document key record: the key must read back
// exactly, a typed "\r" apart from an escaped CR.
std::string EscapeKeyForRecord(std::string_view key);

// A text that may go into the log as it stands.
class LogText {
  public:
    // Our own words: a literal of the program.
    template <std::size_t N>
    LogText(const char (&literal)[N]) : text_(literal) {}  // NOLINT: implicit on purpose

    // A text composed elsewhere by these same rules (the database layer's error texts, whose outside
    // parts it escapes where it builds them). Name each such place: it is where the rule must hold.
    static LogText AlreadyEscaped(std::string text) { return LogText(std::move(text), 0); }

    const std::string& str() const { return text_; }

  private:
    LogText(std::string text, int) : text_(std::move(text)) {}
    std::string text_;
};

namespace log_text_detail {

template <typename T>
inline constexpr bool kIsText =
    std::is_convertible_v<const T&, std::string_view> && !std::is_same_v<T, std::nullptr_t>;

// What a printf conversion needs from its argument: 'i' an integer of `size` bytes, 'f' a floating
// value, 's' a text, 'p' a pointer.
struct ArgumentKind {
    char kind;
    std::size_t size;
};

template <typename T>
consteval ArgumentKind KindOf() {
    using U = std::remove_cvref_t<T>;
    if constexpr (std::is_same_v<U, LogText> || kIsText<U>)
        return {'s', 0};
    else if constexpr (std::is_same_v<U, bool>)
        return {'i', sizeof(int)};
    else if constexpr (std::is_integral_v<U> || std::is_enum_v<U>)
        return {'i', sizeof(U)};
    else if constexpr (std::is_floating_point_v<U>)
        return {'f', sizeof(double)};
    else if constexpr (std::is_pointer_v<U>)
        return {'p', sizeof(void*)};
    else
        static_assert(std::is_void_v<U>, "a log argument is a number, a text, a LogText or a pointer");
}

// Not constexpr: reaching it while a format is checked at compile time stops the build there.
void TheFormatDoesNotMatchItsArguments();

consteval bool IsIn(char c, std::string_view set) {
    return set.find(c) != std::string_view::npos;
}

// The size an integer conversion's length modifier asks for; sizeof(int) or less without one.
consteval std::size_t ReadLength(std::string_view f, std::size_t& i, bool& given) {
    given = true;
    if (f.substr(i, 2) == "ll") return i += 2, sizeof(long long);
    if (f.substr(i, 2) == "hh") return i += 2, sizeof(int);
    if (f[i] == 'l') return ++i, sizeof(long);
    if (f[i] == 'z') return ++i, sizeof(std::size_t);
    if (f[i] == 'h') return ++i, sizeof(int);
    given = false;
    return sizeof(int);
}

consteval void CheckFormat(std::string_view f, const ArgumentKind* arguments, std::size_t count) {
    std::size_t next = 0;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%') continue;
        if (++i < f.size() && f[i] == '%') continue;
        while (i < f.size() && IsIn(f[i], "-+ #0"))
            ++i;
        while (i < f.size() && f[i] >= '0' && f[i] <= '9')
            ++i;
        if (i < f.size() && f[i] == '.')
            for (++i; i < f.size() && f[i] >= '0' && f[i] <= '9';)
                ++i;
        if (i >= f.size()) TheFormatDoesNotMatchItsArguments();
        bool lengthGiven = false;
        std::size_t size = ReadLength(f, i, lengthGiven);
        char c = i < f.size() ? f[i] : '\0';
        char kind = IsIn(c, "diouxXc")    ? 'i'
                    : IsIn(c, "eEfFgGaA") ? 'f'
                    : c == 's'            ? 's'
                    : c == 'p'            ? 'p'
                                          : 0;
        if (kind == 0 || next >= count || arguments[next].kind != kind) TheFormatDoesNotMatchItsArguments();
        if (kind == 'i' && (lengthGiven ? arguments[next].size != size : arguments[next].size > size))
            TheFormatDoesNotMatchItsArguments();
        ++next;
    }
    if (next != count) TheFormatDoesNotMatchItsArguments();
}

// A printf format checked against its arguments' types when the program is compiled.
template <typename... Args>
struct Format {
    template <std::size_t N>
    consteval Format(const char (&literal)[N]) : text(literal) {  // NOLINT: implicit on purpose
        const ArgumentKind kinds[] = {KindOf<Args>()..., ArgumentKind{0, 0}};
        CheckFormat(literal, kinds, sizeof...(Args));
    }
    const char* text;
};

// Each argument as printf receives it: texts escaped (held until the call has formatted them).
template <typename T>
auto Prepare(const T& argument) {
    if constexpr (std::is_same_v<T, LogText>)
        return argument.str();
    else if constexpr (std::is_pointer_v<T> && kIsText<T>)
        return argument ? EscapeForLog(argument) : std::string("(null)");
    else if constexpr (kIsText<T>)
        return EscapeForLog(argument);
    else
        return argument;
}

template <typename T>
auto Pass(const T& prepared) {
    if constexpr (std::is_same_v<T, std::string>)
        return prepared.c_str();
    else
        return prepared;
}

template <typename... Prepared>
std::string Print(const char* format, const Prepared&... prepared) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    return StrPrintf(format, Pass(prepared)...);  // the format was checked against these when compiled
#pragma GCC diagnostic pop
}

}  // namespace log_text_detail

// The format's own text (line breaks included) with each argument put in: numbers as printf shows them,
// strings of every kind escaped, LogTexts as they stand. A format that does not fit its arguments' types
// does not compile.
template <typename... Args>
LogText LogTextF(log_text_detail::Format<std::type_identity_t<Args>...> format, const Args&... args) {
    return LogText::AlreadyEscaped(log_text_detail::Print(format.text, log_text_detail::Prepare(args)...));
}
