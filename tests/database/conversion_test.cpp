// The value conversions, connection string masking and error codes on their own, without a driver.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "error_text.h"
#include "service/database/com_error.h"
#include "service/database/connection_string.h"
#include "service/database/field_conversion.h"
#include "service/database/value_parsing.h"

using namespace db;
using testing::AnyOf;

namespace {

TEST(GcvtFormat, SignificantDigitsAlwaysWithADecimalPoint) {
    EXPECT_EQ(FormatLikeGcvt(40000, 10), "40000.");
    EXPECT_EQ(FormatLikeGcvt(-1.5, 10), "-1.5");
    EXPECT_EQ(FormatLikeGcvt(0.1, 20), "0.10000000000000000555");
    EXPECT_EQ(FormatLikeGcvt(static_cast<float>(1.1), 10), "1.100000024");
    EXPECT_EQ(FormatLikeGcvt(1e22, 20), "1.e+22");
    EXPECT_EQ(FormatLikeGcvt(1e25, 20), "1.0000000000000000906e+25");
    EXPECT_EQ(FormatLikeGcvt(12345678901.0, 10), "1.23456789e+10");
    EXPECT_EQ(FormatLikeGcvt(0.00001234, 10), "1.234e-05");
    EXPECT_EQ(FormatLikeGcvt(0, 20), "0.");
}

TEST(VariantConversion, IntegersAreReadInFullAndOnlyWholeNumbersThatFitAnInt) {
    auto of = [](VariantKind kind, std::int64_t integer, const std::string& text = "") {
        Variant v = Variant::OfKind(kind);
        v.integer = integer;
        v.text = text;
        return v;
    };
    int value = 7;
    EXPECT_TRUE(VariantToInt(of(VariantKind::UI1, 200), value));
    EXPECT_EQ(value, 200);
    EXPECT_TRUE(VariantToInt(of(VariantKind::I8, INT_MIN), value));
    EXPECT_EQ(value, INT_MIN);
    value = 7;
    EXPECT_FALSE(VariantToInt(of(VariantKind::UI4, 4000000000), value));
    EXPECT_FALSE(VariantToInt(of(VariantKind::Decimal, 0, "2147483648"), value));
    EXPECT_FALSE(VariantToInt(of(VariantKind::Decimal, 0, "-0.5"), value));
    EXPECT_FALSE(VariantToInt(of(VariantKind::Decimal, 0, "NaN"), value));
    EXPECT_FALSE(VariantToInt(of(VariantKind::String, 0, "12x"), value));
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(VariantToInt(of(VariantKind::Decimal, 0, "-40000.000"), value));
    EXPECT_EQ(value, -40000);

    std::string text = "kept";
    EXPECT_FALSE(VariantToText(of(VariantKind::Unsupported, 0), "", text));
    EXPECT_EQ(text, "kept");
    EXPECT_TRUE(VariantToText(of(VariantKind::UI1, 255), "", text));
    EXPECT_EQ(text, "255");
    EXPECT_TRUE(VariantToText(of(VariantKind::Decimal, 0, "123456789012345678901234567.5"), "", text));
    EXPECT_EQ(text, "1.2345678901234567815e+26");  // the full mantissa, as a double
}

TEST(VariantConversion, WholeNumbersOfEveryKindReadInSixtyFourBitsAndRefusalsSayWhy) {
    auto real = [](VariantKind kind, double value) {
        Variant v = Variant::OfKind(kind);
        v.real = value;
        return v;
    };
    auto text = [](VariantKind kind, const std::string& value) {
        Variant v = Variant::OfKind(kind);
        v.text = value;
        return v;
    };
    auto whole = [](const Variant& v) {
        std::int64_t value = -999;
        std::string why = VariantToWholeNumber(v, value);
        return why.empty() ? std::to_string(value) : why;
    };
    EXPECT_EQ(whole(real(VariantKind::R8, 7.0)), "7");
    EXPECT_EQ(whole(real(VariantKind::R4, -3.0f)), "-3");
    EXPECT_EQ(whole(real(VariantKind::R8, 4294967296.0)), "4294967296");
    EXPECT_EQ(whole(text(VariantKind::Decimal, "2147483648")), "2147483648");
    EXPECT_EQ(whole(text(VariantKind::Decimal, "-7.000")), "-7");
    for (const char* spelled : {"7", " 7", "+7", "7 ", "\t7.0"})
        EXPECT_EQ(whole(text(VariantKind::String, spelled)), "7") << spelled;
    EXPECT_EQ(whole(text(VariantKind::String, "-3")), "-3");

    EXPECT_EQ(whole(real(VariantKind::R8, 7.5)), "'7.5' is not a whole number");
    EXPECT_EQ(whole(real(VariantKind::R8, 1e30)), "'1e+30' is beyond the 64-bit range");
    EXPECT_EQ(whole(real(VariantKind::R8, std::nan(""))), "'nan' is not a number");
    EXPECT_EQ(whole(text(VariantKind::Decimal, "-0.5")), "'-0.5' is not a whole number");
    EXPECT_EQ(whole(text(VariantKind::Decimal, "99999999999999999999")),
              "'99999999999999999999' is beyond the 64-bit range");
    EXPECT_EQ(whole(text(VariantKind::String, " 7.25")), "' 7.25' is not a whole number");
    EXPECT_EQ(whole(text(VariantKind::String, "seven")), "'seven' is not a number");
    EXPECT_EQ(whole(text(VariantKind::String, "")), "'' is not a number");
    EXPECT_EQ(whole(Variant::OfKind(VariantKind::Unsupported)),
              "a value without a text form is not a number");
}

TEST(VariantConversion, DatesFormatWithStrftimeOrSayInvalid) {
    DateTime date = ParseDateTimeText("2023-12-31T23:59:58.999");
    std::string text;
    ASSERT_TRUE(FormatDateTime(date, "%Y-%m-%d %H:%M:%S %a %j", text));
    EXPECT_EQ(text, "2023-12-31 23:59:58 Sun 365");
    date = ParseDateTimeText("0100-03-01");
    ASSERT_TRUE(FormatDateTime(date, "%a %d.%m.%Y", text));
    EXPECT_THAT(text, AnyOf("Mon 01.03.100", "Mon 01.03.0100"));  // glibc leaves the year unpadded
    EXPECT_TRUE(ParseDateTimeText("9999-12-31 23:59:59").valid);
    EXPECT_TRUE(ParseDateTimeText("2024-02-29").valid);
    DateTime time = ParseDateTimeText("07:08:09");
    EXPECT_TRUE(time.valid);
    EXPECT_EQ(time.year * 10000 + time.month * 100 + time.day, 18991230);
    for (const char* bad : {"0099-12-31", "10000-01-01", "2023-02-29", "2024-13-01", "2024-01-01 24:00:00",
                            "0000-00-00", "0500-01-01 00:00:00 BC", "garbage", "", "2460000.5"})
        EXPECT_FALSE(ParseDateTimeText(bad).valid) << bad;
}

TEST(DecimalText, ExactNumbersKeepTheirDigitsAndOthersBecomeDoubles) {
    EXPECT_EQ(ParseDecimalText("-12.50").text, "-12.50");
    EXPECT_EQ(ParseDecimalText("+.5").text, "0.5");
    EXPECT_EQ(ParseDecimalText("7").kind, VariantKind::Decimal);
    EXPECT_EQ(ParseDecimalText("NaN").kind, VariantKind::R8);
    EXPECT_EQ(ParseDecimalText("1e5").real, 100000);
    EXPECT_EQ(ParseDecimalText("-").kind, VariantKind::Unsupported);
    EXPECT_EQ(ParseDecimalText("12abc").kind, VariantKind::Unsupported);
}

TEST(ConnectionStringMask, EveryPasswordValueIsHiddenAndNothingElseChanges) {
    EXPECT_EQ(MaskPasswords("Dsn=test;uid=someuser;pwd=7305"), "Dsn=test;uid=someuser;pwd=****");
    EXPECT_EQ(MaskPasswords("Driver={PostgreSQL Unicode};Password={a;b}}c};Port=5432;"),
              "Driver={PostgreSQL Unicode};Password=****;Port=5432;");
    EXPECT_EQ(MaskPasswords(" PWD = x ; Pwd=y;PWDX=z;Password"), " PWD =****; Pwd=****;PWDX=z;Password");
    EXPECT_EQ(MaskPasswords("PWD={never;closed"), "PWD=****");
    EXPECT_EQ(MaskPasswords("Dsn=test"), "Dsn=test");
    EXPECT_EQ(MaskPasswords(""), "");
}

TEST(ErrorCodes, SqlStatesMapToTheirCodesAndCodesToTheirMeaning) {
    EXPECT_EQ(HresultForSqlState("42P01"), 0x80040E37u);
    EXPECT_EQ(HresultForSqlState("42S02"), 0x80040E37u);
    EXPECT_EQ(HresultForSqlState("42703"), 0x80040E14u);
    EXPECT_EQ(HresultForSqlState("28P01"), 0x80040E4Du);
    EXPECT_EQ(HresultForSqlState("23505"), 0x80040E2Fu);
    EXPECT_EQ(HresultForSqlState("08001"), 0x80004005u);
    EXPECT_EQ(CodeMeaning(0x80004005), UnspecifiedErrorMeaning());
    EXPECT_EQ(CodeMeaning(0x80004003), InvalidPointerMeaning());
    EXPECT_EQ(CodeMeaning(0x80040E14), "IDispatch error #3092");
    EXPECT_EQ(CodeMeaning(0x80040201), "IDispatch error #1");
    EXPECT_EQ(CodeMeaning(0x80040200), "Unknown error 0x80040200");
    EXPECT_EQ(CodeMeaning(0x800A0E78), "Unknown error 0x800A0E78");
    _com_error error(0x80040E37, std::string("SQLExecDirect"), std::nullopt);
    EXPECT_EQ(FormatErrorBlock("T", error),
              "T\n\tCode = 80040e37\n\tCode meaning = IDispatch error #3127\n\tSource = SQLExecDirect\n"
              "\tDescription = (null)\n");
}

}  // namespace
