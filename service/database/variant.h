// Column values as the database layer hands them out, and the parameters it binds to statements.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace db {

// The kind of a value follows the column's declared SQL type, never the driver's conversions.
enum class VariantKind {
    Empty,        // no value at all
    Null,         // SQL NULL
    I2,           // SMALLINT, signed TINYINT
    I4,           // INTEGER
    UI1,          // unsigned TINYINT
    UI4,          // unsigned INTEGER
    I8,           // BIGINT, and integers too wide for their declared kind
    R4,           // REAL
    R8,           // FLOAT, DOUBLE
    Decimal,      // DECIMAL, NUMERIC, and unsigned BIGINT values beyond the signed range
    Date,         // DATE, TIME, TIMESTAMP
    String,       // character types
    Bool,         // BIT
    Unsupported,  // binary and every other type
};

// A calendar date and time of day; `valid` is false for a value outside years 100 to 9999 or one the
// layer could not read as a date.
struct DateTime {
    bool valid = false;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

struct Variant {
    VariantKind kind = VariantKind::Empty;
    std::int64_t integer = 0;  // I2, I4, UI1, UI4, I8; Bool: 1 true, 0 false
    double real = 0;           // R4 (a float's value), R8
    std::string text;          // String: the bytes; Decimal: the exact value as decimal text ("-12.50")
    DateTime date;             // Date

    static Variant OfKind(VariantKind kind) {
        Variant v;
        v.kind = kind;
        return v;
    }
};

// A value bound to one '?' marker of a statement: a 64-bit integer or a text.
using Parameter = std::variant<std::int64_t, std::string>;
using Parameters = std::vector<Parameter>;

}  // namespace db
