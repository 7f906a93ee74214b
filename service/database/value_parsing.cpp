#include "value_parsing.h"

#include <cctype>
#include <charconv>

namespace db {

namespace {

// Reads 1 to maxDigits digits at `pos`.
bool ReadNumber(const std::string& text, std::size_t& pos, std::size_t maxDigits, int& value) {
    std::size_t start = pos;
    value = 0;
    while (pos < text.size() && pos - start < maxDigits &&
           std::isdigit(static_cast<unsigned char>(text[pos])))
        value = value * 10 + (text[pos++] - '0');
    return pos > start;
}

bool Expect(const std::string& text, std::size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

bool ReadTime(const std::string& text, std::size_t& pos, DateTime& date) {
    if (!ReadNumber(text, pos, 2, date.hour) || !Expect(text, pos, ':') ||
        !ReadNumber(text, pos, 2, date.minute))
        return false;
    if (pos < text.size() && text[pos] == ':' && !(++pos, ReadNumber(text, pos, 2, date.second)))
        return false;
    if (pos < text.size() && text[pos] == '.') {
        std::size_t start = ++pos;
        while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
            ++pos;
        if (pos == start) return false;
    }
    return true;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool InRange(const DateTime& d) {
    static const int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d.year < 100 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1) return false;
    int days = kDaysInMonth[d.month - 1] + (d.month == 2 && IsLeapYear(d.year) ? 1 : 0);
    return d.day <= days && d.hour <= 23 && d.minute <= 59 && d.second <= 59;
}

bool ReadDateTime(const std::string& text, DateTime& date) {
    std::size_t pos = 0;
    if (text.find('-') == std::string::npos) {  // a time of day alone
        date.year = 1899, date.month = 12, date.day = 30;
        return ReadTime(text, pos, date) && pos == text.size();
    }
    if (!ReadNumber(text, pos, 9, date.year) || !Expect(text, pos, '-') ||
        !ReadNumber(text, pos, 2, date.month) || !Expect(text, pos, '-') ||
        !ReadNumber(text, pos, 2, date.day))
        return false;
    if (pos < text.size() && (text[pos] == ' ' || text[pos] == 'T') && !(++pos, ReadTime(text, pos, date)))
        return false;
    return pos == text.size();
}

std::string Trimmed(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

DateTime ParseDateTimeText(const std::string& text) {
    DateTime date;
    date.valid = ReadDateTime(Trimmed(text), date) && InRange(date);
    return date;
}

Variant ParseDecimalText(const std::string& raw) {
    std::string text = Trimmed(raw);
    std::size_t pos = 0;
    bool negative = pos < text.size() && text[pos] == '-';
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) ++pos;
    std::size_t wholeStart = pos;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
        ++pos;
    std::string whole = text.substr(wholeStart, pos - wholeStart);
    std::string fraction;
    if (pos < text.size() && text[pos] == '.') {
        std::size_t start = ++pos;
        while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
            ++pos;
        fraction = text.substr(start, pos - start);
    }
    if (pos == text.size() && !(whole.empty() && fraction.empty())) {
        Variant decimal = Variant::OfKind(VariantKind::Decimal);
        decimal.text =
            (negative ? "-" : "") + (whole.empty() ? "0" : whole) + (fraction.empty() ? "" : "." + fraction);
        return decimal;
    }
    Variant real = Variant::OfKind(VariantKind::R8);
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), real.real);
    if (error == std::errc() && end == text.data() + text.size() && !text.empty()) return real;
    return Variant::OfKind(VariantKind::Unsupported);
}

}  // namespace db
