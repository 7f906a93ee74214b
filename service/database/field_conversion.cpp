#include "field_conversion.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <ctime>

#include "service/log_text.h"
#include "value_parsing.h"

namespace db {

namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
long DaysFromCivil(int year, int month, int day) {
    year -= month <= 2;
    long era = (year >= 0 ? year : year - 399) / 400;
    long yearOfEra = year - era * 400;
    long dayOfYear = (153L * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::tm ToTm(const DateTime& date) {
    std::tm tm{};
    tm.tm_year = date.year - 1900;
    tm.tm_mon = date.month - 1;
    tm.tm_mday = date.day;
    tm.tm_hour = date.hour;
    tm.tm_min = date.minute;
    tm.tm_sec = date.second;
    long days = DaysFromCivil(date.year, date.month, date.day);
    tm.tm_wday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    tm.tm_yday = static_cast<int>(days - DaysFromCivil(date.year, 1, 1));
    return tm;
}

constexpr double kTwoTo63 = 9223372036854775808.0;

// Why a decimal text ("-12.50") has no whole-number form; "" with `value` set when it has one.
std::string DecimalToWhole(const std::string& text, std::int64_t& value) {
    std::size_t point = text.find('.');
    if (point != std::string::npos && text.find_first_not_of('0', point + 1) != std::string::npos)
        return "is not a whole number";
    const char* first = text.data();
    const char* last = first + (point == std::string::npos ? text.size() : point);
    std::int64_t whole = 0;
    auto [end, error] = std::from_chars(first, last, whole);
    if (error == std::errc::result_out_of_range) return "is beyond the 64-bit range";
    if (error != std::errc() || end != last) return "is not a number";
    value = whole;
    return "";
}

std::string RealToWhole(double real, std::int64_t& value) {
    if (std::isnan(real)) return "is not a number";
    if (real < -kTwoTo63 || real >= kTwoTo63) return "is beyond the 64-bit range";
    if (std::trunc(real) != real) return "is not a whole number";
    value = static_cast<std::int64_t>(real);
    return "";
}

// The value as a refusal names it, quoted: the exact digits of a decimal, the bytes of a text, the shortest
// digits that give back a floating value.
std::string Shown(const Variant& variant) {
    char digits[64];
    std::string text;
    if (variant.kind == VariantKind::Decimal || variant.kind == VariantKind::String)
        text = variant.text;
    else if (variant.kind == VariantKind::R4)
        text.assign(digits,
                    std::to_chars(digits, digits + sizeof digits, static_cast<float>(variant.real)).ptr);
    else if (variant.kind == VariantKind::R8)
        text.assign(digits, std::to_chars(digits, digits + sizeof digits, variant.real).ptr);
    else if (!VariantToText(variant, "", text))
        return "a value without a text form";
    return "'" + EscapeForLog(text) + "'";  // the value may hold anything; the log holds it on one line
}

double DecimalToDouble(const std::string& text) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::string DateText(const Variant& variant, const std::string& dateFormat, bool& fits) {
    fits = true;
    if (!variant.date.valid) return "Invalid DateTime";
    std::string text;
    fits = FormatDateTime(variant.date, dateFormat.empty() ? "%Y-%m-%d %H:%M:%S" : dateFormat, text);
    return text;
}

}  // namespace

std::string FormatLikeGcvt(double value, int digits) {
    char buffer[64];
    auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    std::string text(buffer, error == std::errc() ? end : buffer);
    if (!std::isfinite(value) || text.find('.') != std::string::npos) return text;
    std::size_t exponent = text.find('e');
    text.insert(exponent == std::string::npos ? text.size() : exponent, ".");
    return text;
}

bool FormatDateTime(const DateTime& date, const std::string& format, std::string& text) {
    char buffer[256];
    std::tm tm = ToTm(date);
    std::size_t length = std::strftime(buffer, sizeof buffer, format.c_str(), &tm);
    if (length == 0 && !format.empty()) return false;  // the result does not fit (or is empty)
    text.assign(buffer, length);
    return true;
}

bool VariantToText(const Variant& variant, const std::string& dateFormat, std::string& value) {
    bool fits = true;
    std::string text;
    switch (variant.kind) {
        case VariantKind::Empty:
        case VariantKind::Null:
            break;
        case VariantKind::I2:
        case VariantKind::I4:
        case VariantKind::UI1:
        case VariantKind::UI4:
        case VariantKind::I8:
            text = std::to_string(variant.integer);
            break;
        case VariantKind::R4:
            text = FormatLikeGcvt(variant.real, 10);
            break;
        case VariantKind::R8:
            text = FormatLikeGcvt(variant.real, 20);
            break;
        case VariantKind::Decimal:
            text = FormatLikeGcvt(DecimalToDouble(variant.text), 20);
            break;
        case VariantKind::Date:
            text = DateText(variant, dateFormat, fits);
            break;
        case VariantKind::String:
            text = variant.text;
            break;
        case VariantKind::Bool:
            text = variant.integer ? "T" : "F";
            break;
        case VariantKind::Unsupported:
            return false;
    }
    if (!fits) return false;
    value = std::move(text);
    return true;
}

std::string VariantToWholeNumber(const Variant& variant, std::int64_t& value) {
    std::string why;
    switch (variant.kind) {
        case VariantKind::Empty:
        case VariantKind::Null:
            value = 0;
            return "";
        case VariantKind::Bool:
            value = variant.integer ? -1 : 0;
            return "";
        case VariantKind::I2:
        case VariantKind::I4:
        case VariantKind::UI1:
        case VariantKind::UI4:
        case VariantKind::I8:
            value = variant.integer;
            return "";
        case VariantKind::R4:
        case VariantKind::R8:
            why = RealToWhole(variant.real, value);
            break;
        case VariantKind::Decimal:
            why = DecimalToWhole(variant.text, value);
            break;
        case VariantKind::String: {
            Variant number = ParseDecimalText(variant.text);  // blanks around it and a sign are fine
            if (number.kind == VariantKind::Decimal)
                why = DecimalToWhole(number.text, value);
            else if (number.kind == VariantKind::R8)
                why = RealToWhole(number.real, value);
            else
                why = "is not a number";
            break;
        }
        case VariantKind::Date:
        case VariantKind::Unsupported:
            why = "is not a number";
            break;
    }
    return why.empty() ? why : Shown(variant) + " " + why;
}

bool VariantToInt(const Variant& variant, int& value) {
    std::int64_t whole = 0;
    if (!VariantToWholeNumber(variant, whole).empty() || whole < INT_MIN || whole > INT_MAX) return false;
    value = static_cast<int>(whole);
    return true;
}

}  // namespace db
