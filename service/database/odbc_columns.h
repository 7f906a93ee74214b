// Inside the database layer only: the columns of a result set and the reading of their values.
#pragma once

#include "odbc_api.h"

#include <string>

#include "variant.h"

namespace db {

// How a column is read, chosen once from its declared SQL type. Integers are always read in 64 bits and
// dates and exact numbers as text, so no driver conversion can cut or invent a value.
enum class ColumnReading {
    Integer,
    UnsignedBigInteger,
    Real,
    Double,
    DecimalText,
    DateText,
    Text,
    Bit,
    Other
};

struct Column {
    std::string name;
    ColumnReading reading = ColumnReading::Other;
    VariantKind integerKind = VariantKind::I4;  // for Integer: the kind the declared type gives
};

// Column `number` (1-based) of the statement's result set.
Column DescribeColumn(SQLHSTMT handle, SQLUSMALLINT number);

// The value of column `number` in the row just fetched; columns are read in ascending order.
Variant ReadColumnValue(SQLHSTMT handle, SQLUSMALLINT number, const Column& column);

}  // namespace db
