#include "service/database/ado_recordset.h"

#include <gtest/gtest.h>

#include "driver_test.h"
#include "error_text.h"

using testing::HasSubstr;

namespace {

constexpr const char* kUnchanged = "unchanged";

class RecordsetTest : public DriverTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(db.Open(database.DsnLessConnectionString())) << db.GetLastErrorString();
    }

    BOOL OpenQuery(CADORecordset& records, const std::string& query, int mode = CADORecordset::ModeQuery) {
        return records.Open(db.GetActiveConnection(), query, mode);
    }
    // Column `index` as text; kUnchanged when GetFieldValue says FALSE (and left the text alone).
    std::string Text(CADORecordset& records, int index, const std::string& format = "") {
        std::string value = kUnchanged;
        BOOL ok = records.GetFieldValue(index, value, format);
        EXPECT_EQ(ok == 0, value == kUnchanged) << "column " << index << " gave " << value;
        return value;
    }
    // Column `index` as an integer; -999 when GetFieldValue says FALSE.
    int Integer(CADORecordset& records, int index) {
        int value = -999;
        return records.GetFieldValue(index, value) ? value : -999;
    }
    // Every row's column 0 as text, walking to the end.
    std::vector<std::string> Column0(CADORecordset& records) {
        std::vector<std::string> values;
        for (; !records.IsEof(); records.MoveNext())
            values.push_back(Text(records, 0));
        return values;
    }

    CADODatabase db;
};

TEST_P(RecordsetTest, QueryRowsAreCountedAndWalkedWithLeadingBlanksCut) {
    std::string table = NewTable("RCBCDE VARCHAR(20), RCAFNM VARCHAR(40), RCCODE INTEGER");
    Run("INSERT INTO " + table +
        " VALUES ('K1', '/arc/a.pdf', 1), ('K1', '/arc/b.pdf', NULL), ('K2', 'c', 3)");
    CADORecordset records(&db);
    std::string query = "SELECT RCAFNM,RCCODE FROM " + table + " WHERE RCBCDE = 'K1' ORDER BY RCAFNM";
    ASSERT_TRUE(OpenQuery(records, " \t\n" + query)) << records.GetLastErrorString();
    EXPECT_EQ(records.GetQuery(), query);
    EXPECT_TRUE(records.IsOpen());
    EXPECT_EQ(records.GetRecordCount(), 2);
    EXPECT_EQ(Text(records, 0), "/arc/a.pdf");
    EXPECT_EQ(Integer(records, 1), 1);
    records.MoveNext();
    EXPECT_EQ(Text(records, 1), "");  // NULL
    EXPECT_EQ(Integer(records, 1), 0);
    records.MoveNext();
    EXPECT_TRUE(records.IsEof());
    EXPECT_THROW(records.MoveNext(), db::_com_error);
    EXPECT_EQ(Text(records, 0), kUnchanged);  // no current row
    EXPECT_THAT(records.GetLastErrorString(), HasSubstr("SQLSTATE 24000"));

    ASSERT_TRUE(OpenQuery(records, "SELECT RCAFNM FROM " + table + " WHERE RCBCDE = 'K2'"));
    EXPECT_EQ(Column0(records), std::vector<std::string>{"c"});  // the first row set was closed
    ASSERT_TRUE(OpenQuery(records, "SELECT RCAFNM FROM " + table + " WHERE RCBCDE = 'none'"));
    EXPECT_EQ(records.GetRecordCount(), 0);
    EXPECT_TRUE(records.IsEof());
    records.Close();
    records.Close();
    EXPECT_FALSE(records.IsOpen());
    ASSERT_TRUE(OpenQuery(records, ""));  // the stored query again
    EXPECT_EQ(records.GetQuery(), "SELECT RCAFNM FROM " + table + " WHERE RCBCDE = 'none'");
}

TEST_P(RecordsetTest, EveryColumnTypeConvertsFromItsDeclaredType) {
    std::string binary = IsPostgres() ? "BYTEA" : "BLOB";
    std::string table = NewTable(
        "i2 SMALLINT, i4 INTEGER, i8 BIGINT, r4 REAL, r8 DOUBLE PRECISION, n NUMERIC(12,3), "
        "d DATE, ts TIMESTAMP, b BOOLEAN, bin " +
        binary + ", c CHAR(5), v VARCHAR(20)");
    std::string bytes = IsPostgres() ? "'\\x0102'" : "x'0102'";
    Run("INSERT INTO " + table +
        " VALUES (1, -5, 40000, 1.1, 0.1, 12.345, '2024-02-29', '2024-02-29 13:14:15.5', "
        "TRUE, " +
        bytes + ", 'ab', 'h\xC3\xA9llo')");
    Run("INSERT INTO " + table +
        " VALUES (2, 40000, 3000000000, 1.5, -2.5e300, 12.000, '0044-03-15', "
        "'2024-01-01 00:00:00', FALSE, NULL, NULL, '')");
    Run("INSERT INTO " + table +
        " VALUES (3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
    CADORecordset records(&db);
    ASSERT_TRUE(OpenQuery(records, "SELECT * FROM " + table + " ORDER BY i2"))
        << records.GetLastErrorString();

    // Texts of row 1, column by column.
    EXPECT_EQ(Text(records, 0), "1");
    EXPECT_EQ(Text(records, 1), "-5");
    EXPECT_EQ(Text(records, 2), "40000");
    EXPECT_EQ(Text(records, 3),
              IsPostgres() ? "1.100000024" : "1.1000000000000000888");  // float4 / SQLite's double
    EXPECT_EQ(Text(records, 4), "0.10000000000000000555");
    EXPECT_EQ(Text(records, 5), "12.345000000000000639");
    EXPECT_EQ(Text(records, 6), "2024-02-29 00:00:00");
    EXPECT_EQ(Text(records, 6, "%d.%m.%Y %A"), "29.02.2024 Thursday");
    EXPECT_EQ(Text(records, 6, std::string(200, 'x') + "%A%A%A%A%A%A%A%A"), kUnchanged);  // beyond 255 bytes
    EXPECT_EQ(Text(records, 7), "2024-02-29 13:14:15");
    EXPECT_EQ(Text(records, 8), "T");
    EXPECT_EQ(Text(records, 9), kUnchanged);  // binary has no text form
    EXPECT_EQ(Text(records, 10), IsPostgres() ? "ab   " : "ab");
    EXPECT_EQ(Text(records, 11), "h\xC3\xA9llo");
    // Integers of row 1: full values of integer kinds, nothing for values that are not whole numbers.
    std::vector<int> integers = {1, -5, 40000, -999, -999, -999, -999, -999, -1, -999, -999, -999};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(Integer(records, i), integers[i]) << "column " << i;

    records.MoveNext();
    EXPECT_EQ(Integer(records, 1), 40000);
    EXPECT_EQ(Integer(records, 2), -999);  // 3000000000 does not fit an int
    EXPECT_EQ(Text(records, 2), "3000000000");
    EXPECT_EQ(Text(records, 3), "1.5");
    EXPECT_EQ(Text(records, 4), "-2.5000000000000001313e+300");
    EXPECT_EQ(Text(records, 5), "12.");
    EXPECT_EQ(Integer(records, 5), 12);  // a whole NUMERIC, also where SQLite reports it as a double
    EXPECT_EQ(Text(records, 6), "Invalid DateTime");  // year 44
    EXPECT_EQ(Text(records, 8), "F");
    EXPECT_EQ(Integer(records, 8), 0);
    EXPECT_EQ(Text(records, 9), "");   // NULL binary
    EXPECT_EQ(Text(records, 10), "");  // NULL
    EXPECT_EQ(Text(records, 11), "");  // empty text

    records.MoveNext();
    for (int i = 1; i < 12; ++i) {
        EXPECT_EQ(Text(records, i, "%Y"), "") << "column " << i;
        EXPECT_EQ(Integer(records, i), 0) << "column " << i;
    }
    EXPECT_EQ(Text(records, 12), kUnchanged);
    ErrorText error = ParseRecordsetError(records.GetLastErrorString());
    ASSERT_TRUE(error.wellFormed) << records.GetLastErrorString();
    EXPECT_EQ(error.subject, "SELECT * FROM " + table + " ORDER BY i2");
    EXPECT_EQ(error.source, "Recordset.Fields");
    EXPECT_EQ(error.description, "SQLSTATE 07009: Column 12 does not exist; the recordset has 12 columns");
}

TEST_P(RecordsetTest, CountersBeyondSixteenBitsSurviveTheReadAndTheUpdate) {
    std::string table =
        NewTable("RCAFNM VARCHAR(40), RCCODE " + std::string(IsPostgres() ? "BIGINT" : "INTEGER"));
    Run("INSERT INTO " + table + " VALUES ('a', 40000), ('b', 3000000000), ('c', 2147483647)");
    CADORecordset records(&db);
    ASSERT_TRUE(OpenQuery(records, "SELECT RCAFNM, RCCODE FROM " + table + " ORDER BY RCAFNM"));
    EXPECT_EQ(Integer(records, 1), 40000);
    ASSERT_TRUE(db.Execute("UPDATE " + table + " SET RCCODE = 40001 WHERE RCAFNM = 'a'"));
    records.MoveNext();
    int counter = 17;
    EXPECT_FALSE(records.GetFieldValue(1, counter));
    EXPECT_EQ(counter, 17);
    records.MoveNext();
    EXPECT_EQ(Integer(records, 1), 2147483647);
}

TEST_P(RecordsetTest, CountersOfEveryNumericKindAndOfTextReadAsTheWholeNumberTheyHold) {
    std::string table = NewTable("k INTEGER, n NUMERIC(20,3), d DOUBLE PRECISION, t VARCHAR(30), i BIGINT");
    Run("INSERT INTO " + table + " VALUES (1, 7, 7.0, ' +7 ', 2147483648)");
    Run("INSERT INTO " + table + " VALUES (2, -3.000, 4294967296, '-3', 9223372036854775807)");
    Run("INSERT INTO " + table + " VALUES (3, 7.5, 1e30, '7.25', NULL)");
    Run("INSERT INTO " + table + " VALUES (4, NULL, NULL, 'seven', NULL)");
    CADORecordset records(&db);
    ASSERT_TRUE(OpenQuery(records, "SELECT n, d, t, i FROM " + table + " ORDER BY k"))
        << records.GetLastErrorString();
    auto whole = [&](int index) {
        std::int64_t value = -999;
        std::string why;
        return records.GetFieldValue(index, value, why) ? std::to_string(value) : why;
    };
    std::vector<std::vector<std::string>> rows;
    for (; !records.IsEof(); records.MoveNext())
        rows.push_back({whole(0), whole(1), whole(2), whole(3)});
    std::string fraction = IsPostgres() ? "'7.500'" : "'7.5'";  // SQLite reports NUMERIC as a double
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{
                        {"7", "7", "7", "2147483648"},
                        {"-3", "4294967296", "-3", "9223372036854775807"},
                        {fraction + " is not a whole number", "'1e+30' is beyond the 64-bit range",
                         "'7.25' is not a whole number", "0"},
                        {"0", "0", "'seven' is not a number", "0"}}));
}

TEST_P(RecordsetTest, TableModeReadsTheWholeTableAndUnknownModesFailWithoutAnError) {
    std::string table = NewTable("RCAFNM VARCHAR(40)");
    Run("INSERT INTO " + table + " VALUES ('x'), ('y')");
    CADORecordset records(&db);
    ASSERT_TRUE(OpenQuery(records, table, CADORecordset::ModeTable)) << records.GetLastErrorString();
    EXPECT_EQ(records.GetRecordCount(), 2);
    ASSERT_TRUE(OpenQuery(records, "SELECT RCAFNM FROM " + table + " WHERE RCAFNM = 'y'",
                          CADORecordset::ModeDefault));
    EXPECT_EQ(Column0(records), std::vector<std::string>{"y"});
    EXPECT_FALSE(OpenQuery(records, "SELECT 1", 7));
    EXPECT_EQ(records.GetLastErrorString(), "");
    EXPECT_EQ(records.GetQuery(), "SELECT 1");
}

TEST_P(RecordsetTest, StoredProceduresRunThroughTheCallEscape) {
    CADORecordset records(&db);
    if (!IsPostgres()) {  // SQLite has no procedures: the driver rejects the call
        EXPECT_FALSE(OpenQuery(records, "fetch_rows(2)", CADORecordset::ModeStoredProc));
        ErrorText error = ParseRecordsetError(records.GetLastErrorString());
        EXPECT_EQ(error.subject, "fetch_rows(2)");
        EXPECT_EQ(error.source, "SQLExecDirect");
        return;
    }
    std::string name = NewTable("x INTEGER") + "_rows";
    Run("CREATE FUNCTION " + name +
        "(n BIGINT, tag TEXT) RETURNS TABLE(v INTEGER, t TEXT) "
        "AS 'SELECT g, tag FROM generate_series(1, n) g' LANGUAGE SQL");
    ASSERT_TRUE(OpenQuery(records, name + "(3, 'a')", CADORecordset::ModeStoredProc))
        << records.GetLastErrorString();
    EXPECT_EQ(records.GetRecordCount(), 3);
    ASSERT_TRUE(records.Open(db.GetActiveConnection(), name + "(2, 'it''s')", CADORecordset::ModeStoredProc,
                             name + "(?, ?)", {std::int64_t{2}, "it's"}))
        << records.GetLastErrorString();
    EXPECT_EQ(records.GetRecordCount(), 2);
    EXPECT_EQ(Text(records, 1), "it's");
    EXPECT_FALSE(OpenQuery(records, "no_such_procedure(1)", CADORecordset::ModeStoredProc));
    EXPECT_EQ(ParseRecordsetError(records.GetLastErrorString()).code, "80040e14");  // 42883
    Run("DROP FUNCTION " + name);
}

TEST_P(RecordsetTest, OpenFailuresRecordTheQueryAndTheDriversDiagnostics) {
    std::string table = NewTable("RCAFNM VARCHAR(40)");
    CADORecordset records(&db);
    std::string missing = "SELECT RCAFNM,RCCODE FROM nosuchtable WHERE RCBCDE = 'K'";
    EXPECT_FALSE(OpenQuery(records, missing));
    ErrorText error = ParseRecordsetError(records.GetLastErrorString());
    ASSERT_TRUE(error.wellFormed) << records.GetLastErrorString();
    EXPECT_EQ(error.subject, missing);
    EXPECT_EQ(error.source, "SQLExecDirect");
    EXPECT_EQ(error.code, IsPostgres() ? "80040e37" : "80004005");  // 42P01 / HY000
    EXPECT_EQ(error.meaning, IsPostgres() ? "IDispatch error #3127" : UnspecifiedErrorMeaning());
    EXPECT_THAT(error.description,
                HasSubstr(IsPostgres() ? "SQLSTATE 42P01: ERROR: relation \"nosuchtable\""
                                       : "SQLSTATE HY000: [SQLite]no such table: nosuchtable"));

    std::string wrongColumn = "SELECT RCAFNM,RCCODE FROM " + table;
    EXPECT_FALSE(OpenQuery(records, wrongColumn));
    error = ParseRecordsetError(records.GetLastErrorString());
    EXPECT_EQ(error.subject, wrongColumn);
    EXPECT_EQ(error.code, IsPostgres() ? "80040e14" : "80004005");  // 42703 / HY000
    EXPECT_EQ(error.meaning, IsPostgres() ? "IDispatch error #3092" : UnspecifiedErrorMeaning());
    EXPECT_THAT(error.description,
                HasSubstr(IsPostgres() ? "column \"rccode\" does not exist" : "no such column"));
    EXPECT_THROW(records.IsEof(), db::_com_error);  // nothing open
    EXPECT_THROW(records.GetRecordCount(), db::_com_error);

    ASSERT_TRUE(OpenQuery(records, "UPDATE " + table + " SET RCAFNM = 'x'"));  // ran, but gave no rows
    EXPECT_FALSE(records.IsOpen());
}

TEST_P(RecordsetTest, WithoutADatabaseEveryOpenFailsWithAnInvalidPointer) {
    CADORecordset records(nullptr);
    EXPECT_FALSE(records.IsOpen());
    records.Close();
    EXPECT_FALSE(records.Open(nullptr, "SELECT 1", CADORecordset::ModeQuery));
    EXPECT_EQ(records.GetLastErrorString(),
              "Query = SELECT 1\nCADORecordset Error\n\tCode = 80004003\n\tCode meaning = " +
                  InvalidPointerMeaning() + "\n\tSource = (null)\n\tDescription = (null)\n");
    EXPECT_EQ(records.GetLastErrorCode(), 0x80004003u);
    EXPECT_FALSE(records.Open(nullptr, "p", CADORecordset::ModeStoredProc));
    EXPECT_EQ(records.GetLastErrorCode(), 0x80004003u);
}

TEST_P(RecordsetTest, TheForwardOnlyCursorIsCountedByWalkingAndLeftOnTheFirstRow) {
    std::string table = NewTable("n INTEGER");
    Run("INSERT INTO " + table + " VALUES (1), (2), (3)");
    CADORecordset records(&db);
    records.UseForwardOnlyCursor(true);
    ASSERT_TRUE(OpenQuery(records, "SELECT n FROM " + table + " ORDER BY n"));
    records.MoveNext();
    EXPECT_EQ(records.GetRecordCount(), 3);
    EXPECT_EQ(Column0(records), (std::vector<std::string>{"1", "2", "3"}));
    ASSERT_TRUE(records.Open(db.GetActiveConnection(), "SELECT n FROM t WHERE n > 1",
                             CADORecordset::ModeQuery, "SELECT n FROM " + table + " WHERE n > ? ORDER BY n",
                             {std::int64_t{1}}));
    EXPECT_EQ(records.GetRecordCount(), 2);
    EXPECT_EQ(Text(records, 0), "2");
    ASSERT_TRUE(OpenQuery(records, "SELECT n FROM " + table + " WHERE n > 5"));
    EXPECT_EQ(records.GetRecordCount(), 0);
    EXPECT_TRUE(records.IsEof());
    db.Close();  // the live statement goes with the connection
    EXPECT_FALSE(records.IsOpen());
}

TEST_P(RecordsetTest, BoundKeysMatchOnlyThemselves) {
    std::string table = NewTable("RCBCDE CHAR(20), RCAFNM VARCHAR(40), RCCODE INTEGER");
    std::vector<std::string> keys = {"' OR '1'='1", "a;b", "x--", "back\\slash", "\\'", "plain", "h\xC3\xA9"};
    for (std::size_t i = 0; i < keys.size(); ++i)
        ASSERT_TRUE(db.Execute("INSERT INTO " + table + " VALUES (?, ?, ?)",
                               {keys[i], "file" + std::to_string(i), std::int64_t(i)}))
            << db.GetLastErrorString();
    std::string sql = "SELECT RCAFNM,RCCODE FROM " + table + " WHERE RCBCDE = ?";
    for (std::size_t i = 0; i < keys.size(); ++i) {
        SCOPED_TRACE(keys[i]);
        CADORecordset records(&db);
        std::string shown = "SELECT RCAFNM,RCCODE FROM " + table + " WHERE RCBCDE = '" + keys[i] + "'";
        ASSERT_TRUE(records.Open(db.GetActiveConnection(), shown, CADORecordset::ModeQuery, sql, {keys[i]}))
            << records.GetLastErrorString();
        EXPECT_EQ(records.GetQuery(), shown);
        EXPECT_EQ(records.GetRecordCount(), 1);
        EXPECT_EQ(Text(records, 0), "file" + std::to_string(i));
        ASSERT_TRUE(db.Execute("UPDATE " + table + " SET RCCODE = ? WHERE RCAFNM = ?",
                               {std::int64_t{100}, Text(records, 0)}));
        EXPECT_EQ(db.GetRecordsAffected(), 1);
    }
    CADORecordset records(&db);
    std::string shown = "SELECT RCAFNM,RCCODE FROM nosuch WHERE RCBCDE = 'k'";
    EXPECT_FALSE(records.Open(db.GetActiveConnection(), shown, CADORecordset::ModeQuery,
                              "SELECT RCAFNM,RCCODE FROM nosuch WHERE RCBCDE = ?", {"k"}));
    EXPECT_EQ(ParseRecordsetError(records.GetLastErrorString()).subject, shown);
}

INSTANTIATE_FOR_TESTED_DRIVERS(RecordsetTest);

}  // namespace
