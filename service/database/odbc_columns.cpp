#include "odbc_columns.h"

#include <cstdint>

#include "odbc_call.h"
#include "value_parsing.h"

namespace db {

namespace {

ColumnReading ReadingOf(SQLSMALLINT type, bool isUnsigned, VariantKind& integerKind) {
    switch (type) {
        case SQL_SMALLINT:
            integerKind = VariantKind::I2;
            return ColumnReading::Integer;
        case SQL_TINYINT:
            integerKind = isUnsigned ? VariantKind::UI1 : VariantKind::I2;
            return ColumnReading::Integer;
        case SQL_INTEGER:
            integerKind = isUnsigned ? VariantKind::UI4 : VariantKind::I4;
            return ColumnReading::Integer;
        case SQL_BIGINT:
            integerKind = VariantKind::I8;
            return isUnsigned ? ColumnReading::UnsignedBigInteger : ColumnReading::Integer;
        case SQL_REAL:
            return ColumnReading::Real;
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return ColumnReading::Double;
        case SQL_DECIMAL:
        case SQL_NUMERIC:
            return ColumnReading::DecimalText;
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
        case SQL_TYPE_TIMESTAMP:
        case SQL_DATE:
        case SQL_TIME:
        case SQL_TIMESTAMP:
            return ColumnReading::DateText;
        case SQL_CHAR:
        case SQL_VARCHAR:
        case SQL_LONGVARCHAR:
        case SQL_WCHAR:
        case SQL_WVARCHAR:
        case SQL_WLONGVARCHAR:
        case SQL_GUID:
            return ColumnReading::Text;
        case SQL_BIT:
            return ColumnReading::Bit;
        default:
            return ColumnReading::Other;
    }
}

bool Fits(std::int64_t value, std::int64_t low, std::int64_t high) {
    return value >= low && value <= high;
}

// The declared kind when the value fits it (SQLite keeps any integer in any integer column), else the
// narrowest wider one.
Variant IntegerVariant(VariantKind declared, std::int64_t value) {
    VariantKind kind = VariantKind::I8;
    if (declared == VariantKind::I2 && Fits(value, INT16_MIN, INT16_MAX)) kind = VariantKind::I2;
    if (declared == VariantKind::UI1 && Fits(value, 0, UINT8_MAX)) kind = VariantKind::UI1;
    if (declared == VariantKind::UI4 && Fits(value, 0, UINT32_MAX)) kind = VariantKind::UI4;
    if (kind == VariantKind::I8 && declared != VariantKind::I8 && Fits(value, INT32_MIN, INT32_MAX))
        kind = VariantKind::I4;
    Variant variant = Variant::OfKind(kind);
    variant.integer = value;
    return variant;
}

// A fixed-size value; false for NULL.
template <typename T>
bool ReadFixed(SQLHSTMT handle, SQLUSMALLINT number, SQLSMALLINT cType, T& value) {
    SQLLEN length = 0;
    odbc::Check(SQLGetData(handle, number, cType, &value, sizeof value, &length), SQL_HANDLE_STMT, handle,
                "SQLGetData");
    return length != SQL_NULL_DATA;
}

// A text of any length, in pieces; false for NULL.
bool ReadText(SQLHSTMT handle, SQLUSMALLINT number, std::string& text) {
    text.clear();
    char buffer[4096];
    for (;;) {
        SQLLEN length = 0;
        SQLRETURN result = odbc::Check(SQLGetData(handle, number, SQL_C_CHAR, buffer, sizeof buffer, &length),
                                       SQL_HANDLE_STMT, handle, "SQLGetData");
        if (result == SQL_NO_DATA) return true;
        if (length == SQL_NULL_DATA) return false;
        bool truncated = length == SQL_NO_TOTAL || length >= static_cast<SQLLEN>(sizeof buffer);
        text.append(buffer, truncated ? sizeof buffer - 1 : static_cast<std::size_t>(length));
        if (result == SQL_SUCCESS || !truncated) return true;
    }
}

Variant ReadInteger(SQLHSTMT handle, SQLUSMALLINT number, VariantKind declared) {
    std::int64_t value = 0;
    if (!ReadFixed(handle, number, SQL_C_SBIGINT, value)) return Variant::OfKind(VariantKind::Null);
    return IntegerVariant(declared, value);
}

Variant ReadUnsignedBigInteger(SQLHSTMT handle, SQLUSMALLINT number) {
    std::uint64_t value = 0;
    if (!ReadFixed(handle, number, SQL_C_UBIGINT, value)) return Variant::OfKind(VariantKind::Null);
    if (value <= INT64_MAX) return IntegerVariant(VariantKind::I8, static_cast<std::int64_t>(value));
    Variant decimal = Variant::OfKind(VariantKind::Decimal);
    decimal.text = std::to_string(value);
    return decimal;
}

template <typename T>
Variant ReadFloating(SQLHSTMT handle, SQLUSMALLINT number, SQLSMALLINT cType, VariantKind kind) {
    T value = 0;
    if (!ReadFixed(handle, number, cType, value)) return Variant::OfKind(VariantKind::Null);
    Variant variant = Variant::OfKind(kind);
    variant.real = value;
    return variant;
}

Variant ReadBit(SQLHSTMT handle, SQLUSMALLINT number) {
    unsigned char bit = 0;
    if (!ReadFixed(handle, number, SQL_C_BIT, bit)) return Variant::OfKind(VariantKind::Null);
    Variant variant = Variant::OfKind(VariantKind::Bool);
    variant.integer = bit != 0;
    return variant;
}

Variant ReadString(SQLHSTMT handle, SQLUSMALLINT number) {
    Variant variant = Variant::OfKind(VariantKind::String);
    if (!ReadText(handle, number, variant.text)) return Variant::OfKind(VariantKind::Null);
    return variant;
}

Variant ReadDate(SQLHSTMT handle, SQLUSMALLINT number) {
    std::string text;
    if (!ReadText(handle, number, text)) return Variant::OfKind(VariantKind::Null);
    Variant variant = Variant::OfKind(VariantKind::Date);
    variant.date = ParseDateTimeText(text);
    return variant;
}

Variant ReadDecimal(SQLHSTMT handle, SQLUSMALLINT number) {
    std::string text;
    if (!ReadText(handle, number, text)) return Variant::OfKind(VariantKind::Null);
    return ParseDecimalText(text);
}

// Only whether it is NULL matters; a driver that cannot even show the value as text still has one.
Variant ReadOther(SQLHSTMT handle, SQLUSMALLINT number) {
    char probe[2];
    SQLLEN length = 0;
    SQLRETURN result = SQLGetData(handle, number, SQL_C_CHAR, probe, sizeof probe, &length);
    bool isNull = SQL_SUCCEEDED(result) && length == SQL_NULL_DATA;
    return Variant::OfKind(isNull ? VariantKind::Null : VariantKind::Unsupported);
}

}  // namespace

Column DescribeColumn(SQLHSTMT handle, SQLUSMALLINT number) {
    SQLCHAR name[256] = {};
    SQLSMALLINT nameLength = 0, type = 0, decimals = 0, nullable = 0;
    SQLULEN size = 0;
    odbc::Check(
        SQLDescribeCol(handle, number, name, sizeof name, &nameLength, &type, &size, &decimals, &nullable),
        SQL_HANDLE_STMT, handle, "SQLDescribeCol");
    SQLLEN isUnsigned = SQL_FALSE;
    odbc::Check(SQLColAttribute(handle, number, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &isUnsigned),
                SQL_HANDLE_STMT, handle, "SQLColAttribute");
    Column column;
    column.name = reinterpret_cast<const char*>(name);
    column.reading = ReadingOf(type, isUnsigned == SQL_TRUE, column.integerKind);
    return column;
}

Variant ReadColumnValue(SQLHSTMT handle, SQLUSMALLINT number, const Column& column) {
    switch (column.reading) {
        case ColumnReading::Integer:
            return ReadInteger(handle, number, column.integerKind);
        case ColumnReading::UnsignedBigInteger:
            return ReadUnsignedBigInteger(handle, number);
        case ColumnReading::Real:
            return ReadFloating<float>(handle, number, SQL_C_FLOAT, VariantKind::R4);
        case ColumnReading::Double:
            return ReadFloating<double>(handle, number, SQL_C_DOUBLE, VariantKind::R8);
        case ColumnReading::DecimalText:
            return ReadDecimal(handle, number);
        case ColumnReading::DateText:
            return ReadDate(handle, number);
        case ColumnReading::Text:
            return ReadString(handle, number);
        case ColumnReading::Bit:
            return ReadBit(handle, number);
        case ColumnReading::Other:
            break;
    }
    return ReadOther(handle, number);
}

}  // namespace db
