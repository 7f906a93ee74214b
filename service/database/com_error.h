// The database error: what every failing database call raises. It carries a COM-style result code
// (HRESULT), the name of the failing operation (Source) and the driver's diagnostics (Description).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace db {

using HRESULT = std::uint32_t;

inline constexpr HRESULT kErrorUnspecified = 0x80004005;     // E_FAIL: every failure without a better code
inline constexpr HRESULT kErrorInvalidPointer = 0x80004003;  // E_POINTER: a missing object or handle
inline constexpr HRESULT kErrorSyntax = 0x80040E14;          // statement rejected (SQLSTATE class 42)
inline constexpr HRESULT kErrorNoSuchTable = 0x80040E37;     // SQLSTATE 42S02, 42P01
inline constexpr HRESULT kErrorAuthorization = 0x80040E4D;   // SQLSTATE class 28
inline constexpr HRESULT kErrorIntegrity = 0x80040E2F;       // SQLSTATE class 23

// The name keeps the one the wrappers' callers know; it lives in this namespace because a leading
// underscore is reserved in the global one.
class _com_error {
  public:
    _com_error(HRESULT code, std::optional<std::string> source, std::optional<std::string> description)
        : code_(code), source_(std::move(source)), description_(std::move(description)) {}
    explicit _com_error(HRESULT code) : code_(code) {}

    HRESULT Error() const { return code_; }
    std::string ErrorMessage() const;  // the code's meaning, see CodeMeaning
    // Absent when the error carries no such information (a missing object).
    const std::optional<std::string>& Source() const { return source_; }
    const std::optional<std::string>& Description() const { return description_; }

  private:
    HRESULT code_;
    std::optional<std::string> source_;
    std::optional<std::string> description_;
};

// The system's text for the code without its line end (where the system has no such texts, POSIX, the
// ones Windows gives for the codes this layer raises); for a code without text "IDispatch error #n"
// (codes 0x8004xxxx from 0x80040201 on, n = low 16 bits - 0x200) or "Unknown error 0x%0lX".
std::string CodeMeaning(HRESULT code);

// The result code for a five-character SQLSTATE.
HRESULT HresultForSqlState(const std::string& sqlState);

// A text as printf's "%s" shows it, with "(null)" for an absent one.
std::string TextOrNull(const std::optional<std::string>& text);

// "<title>\n\tCode = %08lx\n\tCode meaning = %s\n\tSource = %s\n\tDescription = %s\n"
std::string FormatErrorBlock(const char* title, const _com_error& error);

}  // namespace db
