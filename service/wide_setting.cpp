#include "wide_setting.h"

#include <cstddef>

#include "common/private_profile.h"
#include "common/settings.h"

// The profile reader's own reading of a number, held at the 64-bit limits instead of wrapping round.
WideSetting ParseWideSetting(const std::string& text) {
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) return {};
    profile::ProfileNumber number = profile::ScanNumber(text);
    if (!number.hasDigits) return {WideSetting::NotANumber, 0};
    constexpr std::uint64_t kMostPositive = INT64_MAX;
    if (!number.negative) {
        bool beyond = number.beyond64Bits || number.magnitude > kMostPositive;
        return {WideSetting::Number, beyond ? INT64_MAX : static_cast<std::int64_t>(number.magnitude)};
    }
    if (number.beyond64Bits || number.magnitude > kMostPositive + 1) return {WideSetting::Number, INT64_MIN};
    return {WideSetting::Number, static_cast<std::int64_t>(0u - number.magnitude)};
}

WideSetting ReadWideSetting(const std::string& key) {
    return ParseWideSetting(ReadSettingString(kGeneralSection, key, ""));
}
