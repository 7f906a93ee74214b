#include "wide_setting.h"

#include <cstddef>

#include "common/settings.h"

namespace {

int DigitValue(char c, int base) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    return digit < base ? digit : -1;
}

}  // namespace

WideSetting ParseWideSetting(const std::string& text) {
    std::size_t i = text.find_first_not_of(" \t\r\n");
    if (i == std::string::npos) return {};
    bool negative = text[i] == '-';
    if (text[i] == '-' || text[i] == '+') ++i;
    int base = 10;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    // Accumulated as a negative number, whose range reaches one further than the positive one.
    std::int64_t value = 0;
    bool digits = false, beyond = false;
    for (int d; i < text.size() && (d = DigitValue(text[i], base)) >= 0; ++i, digits = true) {
        if (value < (INT64_MIN + d) / base) beyond = true;
        if (!beyond) value = value * base - d;
    }
    if (!digits) return {WideSetting::NotANumber, 0};
    if (beyond) return {WideSetting::Number, negative ? INT64_MIN : INT64_MAX};
    return {WideSetting::Number, negative ? value : (value == INT64_MIN ? INT64_MAX : -value)};
}

WideSetting ReadWideSetting(const std::string& key) {
    return ParseWideSetting(ReadSettingString(kGeneralSection, key, ""));
}
