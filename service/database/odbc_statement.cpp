#include "odbc_statement.h"

#include <cstdint>
#include <limits>

#include "value_parsing.h"

namespace db {

namespace {

constexpr const char* kStatementClosed = "The connection of the statement is closed";

Column DescribeColumn(SQLHSTMT handle, SQLUSMALLINT number) {
    SQLCHAR name[256] = {};
    SQLSMALLINT nameLength = 0, type = 0, decimals = 0, nullable = 0;
    SQLULEN size = 0;
    odbc::Check(SQLDescribeCol(handle, number, name, sizeof name, &nameLength, &type, &size, &decimals, &nullable),
                SQL_HANDLE_STMT, handle, "SQLDescribeCol");
    SQLLEN isUnsigned = SQL_FALSE;
    odbc::Check(SQLColAttribute(handle, number, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &isUnsigned),
                SQL_HANDLE_STMT, handle, "SQLColAttribute");
    Column column;
    column.name = reinterpret_cast<const char*>(name);
    switch (type) {
        case SQL_SMALLINT: column.reading = ColumnReading::Integer, column.integerKind = VariantKind::I2; break;
        case SQL_TINYINT:
            column.reading = ColumnReading::Integer;
            column.integerKind = isUnsigned == SQL_TRUE ? VariantKind::UI1 : VariantKind::I2;
            break;
        case SQL_INTEGER:
            column.reading = ColumnReading::Integer;
            column.integerKind = isUnsigned == SQL_TRUE ? VariantKind::UI4 : VariantKind::I4;
            break;
        case SQL_BIGINT:
            column.reading = isUnsigned == SQL_TRUE ? ColumnReading::UnsignedBigInteger : ColumnReading::Integer;
            column.integerKind = VariantKind::I8;
            break;
        case SQL_REAL: column.reading = ColumnReading::Real; break;
        case SQL_FLOAT:
        case SQL_DOUBLE: column.reading = ColumnReading::Double; break;
        case SQL_DECIMAL:
        case SQL_NUMERIC: column.reading = ColumnReading::DecimalText; break;
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
        case SQL_TYPE_TIMESTAMP:
        case SQL_DATE:
        case SQL_TIME:
        case SQL_TIMESTAMP: column.reading = ColumnReading::DateText; break;
        case SQL_CHAR:
        case SQL_VARCHAR:
        case SQL_LONGVARCHAR:
        case SQL_WCHAR:
        case SQL_WVARCHAR:
        case SQL_WLONGVARCHAR:
        case SQL_GUID: column.reading = ColumnReading::Text; break;
        case SQL_BIT: column.reading = ColumnReading::Bit; break;
        default: column.reading = ColumnReading::Other; break;
    }
    return column;
}

bool Fits(std::int64_t value, std::int64_t low, std::int64_t high) {
    return value >= low && value <= high;
}

// The declared kind when the value fits it; SQLite keeps any integer in any integer column.
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

}  // namespace

Statement::Statement(Connection& connection) : connection_(connection) {
    if (!connection.IsOpen()) odbc::Raise(odbc::kConnectionNotOpen, "Statement", "The connection is not open");
    SQLHDBC owner = connection.NativeHandle();
    odbc::Check(SQLAllocHandle(SQL_HANDLE_STMT, owner, &handle_), SQL_HANDLE_DBC, owner, "SQLAllocHandle");
    connection_.statements_.insert(this);
}

Statement::~Statement() {
    Release();
    connection_.statements_.erase(this);
}

void Statement::Release() noexcept {
    if (handle_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, handle_);
    handle_ = SQL_NULL_HSTMT;
}

SQLHSTMT Statement::Handle(const char* operation) const {
    if (handle_ == SQL_NULL_HSTMT) odbc::Raise(odbc::kConnectionNotOpen, operation, kStatementClosed);
    return handle_;
}

void Statement::Execute(const std::string& sql, const Parameters& parameters) {
    SQLHSTMT handle = Handle("SQLExecDirect");
    SQLFreeStmt(handle, SQL_CLOSE);  // a former result set, if any
    SQLFreeStmt(handle, SQL_RESET_PARAMS);
    bound_ = parameters;
    BindParameters();
    std::string text = sql;
    SQLRETURN result = odbc::Check(SQLExecDirect(handle, reinterpret_cast<SQLCHAR*>(text.data()),
                                                 static_cast<SQLINTEGER>(text.size())),
                                   SQL_HANDLE_STMT, handle, "SQLExecDirect");
    noData_ = result == SQL_NO_DATA;
    DescribeColumns();
}

void Statement::BindParameters() {
    boundLengths_.assign(bound_.size(), 0);
    for (std::size_t i = 0; i < bound_.size(); ++i) {
        auto number = static_cast<SQLUSMALLINT>(i + 1);
        SQLRETURN result;
        if (auto* integer = std::get_if<std::int64_t>(&bound_[i])) {
            result = SQLBindParameter(handle_, number, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, integer, 0,
                                      &boundLengths_[i]);
        } else {
            std::string& text = std::get<std::string>(bound_[i]);
            boundLengths_[i] = static_cast<SQLLEN>(text.size());
            result = SQLBindParameter(handle_, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                                      text.empty() ? 1 : text.size(), 0, text.data(), boundLengths_[i],
                                      &boundLengths_[i]);
        }
        odbc::Check(result, SQL_HANDLE_STMT, handle_, "SQLBindParameter");
    }
}

void Statement::DescribeColumns() {
    columns_.clear();
    SQLSMALLINT count = 0;
    odbc::Check(SQLNumResultCols(handle_, &count), SQL_HANDLE_STMT, handle_, "SQLNumResultCols");
    for (SQLSMALLINT number = 1; number <= count; ++number)
        columns_.push_back(DescribeColumn(handle_, static_cast<SQLUSMALLINT>(number)));
}

std::int64_t Statement::AffectedRows() {
    SQLHSTMT handle = Handle("SQLRowCount");
    if (noData_) return 0;
    SQLLEN count = 0;
    odbc::Check(SQLRowCount(handle, &count), SQL_HANDLE_STMT, handle, "SQLRowCount");
    return count < 0 ? 0 : count;
}

bool Statement::Fetch(std::vector<Variant>& row) {
    SQLHSTMT handle = Handle("SQLFetch");
    if (odbc::Check(SQLFetch(handle), SQL_HANDLE_STMT, handle, "SQLFetch") == SQL_NO_DATA) return false;
    row.clear();
    for (std::size_t i = 0; i < columns_.size(); ++i)
        row.push_back(ReadValue(static_cast<SQLUSMALLINT>(i + 1), columns_[i]));
    return true;
}

bool Statement::ReadText(SQLUSMALLINT number, std::string& text) {
    text.clear();
    char buffer[4096];
    for (;;) {
        SQLLEN length = 0;
        SQLRETURN result = odbc::Check(SQLGetData(handle_, number, SQL_C_CHAR, buffer, sizeof buffer, &length),
                                       SQL_HANDLE_STMT, handle_, "SQLGetData");
        if (result == SQL_NO_DATA) return true;
        if (length == SQL_NULL_DATA) return false;
        bool truncated = length == SQL_NO_TOTAL || length >= static_cast<SQLLEN>(sizeof buffer);
        text.append(buffer, truncated ? sizeof buffer - 1 : static_cast<std::size_t>(length));
        if (result == SQL_SUCCESS || !truncated) return true;
    }
}

template <typename T>
static bool ReadFixed(SQLHSTMT handle, SQLUSMALLINT number, SQLSMALLINT cType, T& value) {
    SQLLEN length = 0;
    odbc::Check(SQLGetData(handle, number, cType, &value, sizeof value, &length), SQL_HANDLE_STMT, handle,
                "SQLGetData");
    return length != SQL_NULL_DATA;
}

Variant Statement::ReadValue(SQLUSMALLINT number, const Column& column) {
    Variant value;
    std::string text;
    std::int64_t integer = 0;
    std::uint64_t unsignedInteger = 0;
    float single = 0;
    unsigned char bit = 0;
    switch (column.reading) {
        case ColumnReading::Integer:
            if (!ReadFixed(handle_, number, SQL_C_SBIGINT, integer)) break;
            return IntegerVariant(column.integerKind, integer);
        case ColumnReading::UnsignedBigInteger:
            if (!ReadFixed(handle_, number, SQL_C_UBIGINT, unsignedInteger)) break;
            if (unsignedInteger <= INT64_MAX) return IntegerVariant(VariantKind::I8, std::int64_t(unsignedInteger));
            value = Variant::OfKind(VariantKind::Decimal);
            value.text = std::to_string(unsignedInteger);
            return value;
        case ColumnReading::Real:
            if (!ReadFixed(handle_, number, SQL_C_FLOAT, single)) break;
            value = Variant::OfKind(VariantKind::R4);
            value.real = single;
            return value;
        case ColumnReading::Double:
            value = Variant::OfKind(VariantKind::R8);
            if (!ReadFixed(handle_, number, SQL_C_DOUBLE, value.real)) break;
            return value;
        case ColumnReading::DecimalText:
            if (!ReadText(number, text)) break;
            return ParseDecimalText(text);
        case ColumnReading::DateText:
            if (!ReadText(number, text)) break;
            value = Variant::OfKind(VariantKind::Date);
            value.date = ParseDateTimeText(text);
            return value;
        case ColumnReading::Text:
            value = Variant::OfKind(VariantKind::String);
            if (!ReadText(number, value.text)) break;
            return value;
        case ColumnReading::Bit:
            if (!ReadFixed(handle_, number, SQL_C_BIT, bit)) break;
            value = Variant::OfKind(VariantKind::Bool);
            value.integer = bit != 0;
            return value;
        case ColumnReading::Other: {
            // Only whether it is NULL matters; a driver that cannot even show it as text still has a value.
            char probe[2];
            SQLLEN length = 0;
            SQLRETURN result = SQLGetData(handle_, number, SQL_C_CHAR, probe, sizeof probe, &length);
            if (SQL_SUCCEEDED(result) && length == SQL_NULL_DATA) break;
            return Variant::OfKind(VariantKind::Unsupported);
        }
    }
    return Variant::OfKind(VariantKind::Null);
}

}  // namespace db
