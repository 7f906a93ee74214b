// Conversions of column values to the text and integer forms the recordset hands out.
#pragma once

#include <cstdint>
#include <string>

#include "variant.h"

namespace db {

// The text form of a value. Returns false, leaving `value` unchanged, for a kind that has none
// (Unsupported) and for a date format whose result does not fit 255 bytes.
//   Empty, Null: ""             I2, I4, UI1, UI4, I8: decimal      Bool: "T" or "F"
//   R4: FormatLikeGcvt(10)      R8, Decimal: FormatLikeGcvt(20) of the value as a double
//   Date: strftime with dateFormat ("%Y-%m-%d %H:%M:%S" when empty); "Invalid DateTime" when not valid
//   String: the bytes as they are
bool VariantToText(const Variant& variant, const std::string& dateFormat, std::string& value);

// The whole-number form, in 64 bits: Empty and Null give 0, Bool -1 or 0, integer kinds their value, and
// a whole number of any other kind the number it is (a double 7.0, a decimal 7.000, a text " +7 " in
// decimal notation with blanks around it). Returns "" when `value` was set; otherwise, leaving `value`
// unchanged, which value it is and why it has no such form ("'7.5' is not a whole number", "'1e30' is
// beyond the 64-bit range", "'seven' is not a number").
std::string VariantToWholeNumber(const Variant& variant, std::int64_t& value);

// The same for an int: false, leaving `value` unchanged, also for a whole number that does not fit one.
bool VariantToInt(const Variant& variant, int& value);

// `digits` significant digits, fixed or exponent form as printf's %g chooses, trailing zeros dropped, and
// always a decimal point: 1.5 -> "1.5", 40000 -> "40000.", 1e25 -> "1.e+25".
std::string FormatLikeGcvt(double value, int digits);

// The date through strftime into a 256-byte buffer; false when the result does not fit.
bool FormatDateTime(const DateTime& date, const std::string& format, std::string& text);

}  // namespace db
