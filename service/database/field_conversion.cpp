#include "field_conversion.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <ctime>

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

// The decimal text's value when it is a whole number that fits an int.
bool DecimalToInt(const std::string& text, int& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    long long whole = 0;
    auto [end, error] = std::from_chars(first, last, whole);
    if (error != std::errc() || end == first) return false;
    if (end != last) {
        if (*end != '.') return false;
        for (const char* p = end + 1; p != last; ++p)
            if (*p != '0') return false;  // a fraction
    }
    if (whole < INT_MIN || whole > INT_MAX) return false;
    value = static_cast<int>(whole);
    return true;
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

bool VariantToInt(const Variant& variant, int& value) {
    switch (variant.kind) {
        case VariantKind::Empty:
        case VariantKind::Null:
            value = 0;
            return true;
        case VariantKind::Bool:
            value = variant.integer ? -1 : 0;
            return true;
        case VariantKind::I2:
        case VariantKind::I4:
        case VariantKind::UI1:
        case VariantKind::UI4:
        case VariantKind::I8:
            if (variant.integer < INT_MIN || variant.integer > INT_MAX) return false;
            value = static_cast<int>(variant.integer);
            return true;
        case VariantKind::Decimal:
            return DecimalToInt(variant.text, value);
        default:
            return false;
    }
}

}  // namespace db
