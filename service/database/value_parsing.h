// Reading the texts drivers give for dates and exact numbers into layer values.
#pragma once

#include <string>

#include "variant.h"

namespace db {

// "YYYY-MM-DD", optionally followed by " hh:mm[:ss[.fraction]]" (or 'T' in place of the blank), or a time
// of day alone ("hh:mm[:ss[.fraction]]"), which lies on 1899-12-30. The fraction is dropped. Anything else,
// a field out of range or a year outside 100 to 9999 gives a date that is not valid.
DateTime ParseDateTimeText(const std::string& text);

// An exact number ("-12.50", "+.5", "7"): a Decimal holding its canonical text ("-12.50", "0.5", "7").
// Another number the driver spells differently ("NaN", "1e5") becomes an R8; anything else Unsupported.
Variant ParseDecimalText(const std::string& text);

}  // namespace db
