// Exact money, number and date formats, and parameter conversion to each declared type.

#include "Values.h"

#include <QDate>
#include <gtest/gtest.h>

using namespace tarvik::engine;

TEST(Decimal, SumsMoneyWithoutFloatingDrift)
{
    Decimal sum;
    double drift = 0;
    for (int i = 0; i < 1000000; ++i) {
        sum += *Decimal::fromVariant(QVariant(0.1)); // a REAL column's value
        drift += 0.1;
    }
    EXPECT_EQ(sum.toString(2), QStringLiteral("100000.00"));
    EXPECT_NE(QString::number(drift, 'f', 6), QStringLiteral("100000.000000")); // why it matters
}

TEST(Decimal, ParsesAndRoundsHalfAwayFromZero)
{
    EXPECT_EQ(Decimal::parse(QStringLiteral("1,234.565"))->toString(2), QStringLiteral("1234.57"));
    EXPECT_EQ(Decimal::parse(QStringLiteral("-1,234.565"))->toString(2), QStringLiteral("-1234.57"));
    EXPECT_EQ(Decimal::parse(QStringLiteral("-0.004"))->toString(2), QStringLiteral("0.00")); // no "-0.00"
    EXPECT_EQ(Decimal::parse(QStringLiteral("1e3"))->toString(0), QStringLiteral("1000"));
    EXPECT_FALSE(Decimal::parse(QStringLiteral("12abc")).has_value());
    EXPECT_FALSE(Decimal::parse(QStringLiteral("2026-01-31")).has_value()); // dates are not numbers
    EXPECT_FALSE(Decimal::fromVariant(QVariant()).has_value());
    EXPECT_EQ(Decimal::fromInt(10).dividedBy(3).toString(6), QStringLiteral("3.333333"));
    EXPECT_EQ(Decimal::fromInt(-2).dividedBy(3).toString(6), QStringLiteral("-0.666667"));
    // Sums far beyond a double's exact integers keep their cents.
    Decimal big = *Decimal::parse(QStringLiteral("90000000000000000.01"));
    big += *Decimal::parse(QStringLiteral("0.01"));
    EXPECT_EQ(big.toString(2), QStringLiteral("90000000000000000.02"));
}

struct FormatCase
{
    const char* pattern;
    QVariant value;
    const char* expected;
};

class NumberFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(NumberFormat, Formats)
{
    const FormatCase& c = GetParam();
    EXPECT_EQ(formatValue(c.value, parseValueFormat(QString::fromLatin1(c.pattern))), QString::fromUtf8(c.expected))
        << c.pattern;
}

INSTANTIATE_TEST_SUITE_P(Cases, NumberFormat, ::testing::Values(
    FormatCase{"#,##0.00", QVariant(1234567.891), "1,234,567.89"},
    FormatCase{"#,##0.00", QVariant(-5.5), "-5.50"},
    FormatCase{"#,##0.00;(#,##0.00)", QVariant(-1234.5), "(1,234.50)"},
    FormatCase{"$#,##0.00", QVariant(QStringLiteral("12.5")), "$12.50"},   // numeric text from SQLite
    FormatCase{"0", QVariant(2.5), "3"},
    FormatCase{"0.0#", QVariant(2.5), "2.5"},
    FormatCase{"0.0#", QVariant(2.257), "2.26"},
    FormatCase{"0 rows", QVariant(12), "12 rows"},
    FormatCase{"#,##0 {patient|patients}", QVariant(1), "1 patient"},
    FormatCase{"#,##0 {patient|patients}", QVariant(0), "0 patients"},
    FormatCase{"#,##0 {patient|patients}", QVariant(1250), "1,250 patients"},
    FormatCase{"0.0 {day|days}", QVariant(1.0), "1.0 days"},   // "1.0" is not one
    FormatCase{"{One|} 0", QVariant(1), "One 1"},
    FormatCase{"MM/dd/yyyy", QVariant(QStringLiteral("2026-01-31")), "01/31/2026"},
    FormatCase{"MM/dd/yyyy hh:mm", QVariant(QStringLiteral("2026-01-31 08:05:00")), "01/31/2026 08:05"},
    FormatCase{"MM/dd/yyyy", QVariant(QDate(2026, 2, 28)), "02/28/2026"},
    FormatCase{"#,##0.00", QVariant(), ""}));

struct ConversionCase
{
    const char* why;
    ParameterType type;
    QVariant input;
    QVariant expected; // invalid: refused
};

class ParameterConversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ParameterConversion, ConvertsOrRefuses)
{
    const ConversionCase& c = GetParam();
    const QVariant got = convertParameterValue(c.type, c.input);
    EXPECT_EQ(got.isValid(), c.expected.isValid()) << c.why;
    if (c.expected.isValid()) {
        EXPECT_EQ(got, c.expected) << c.why << ": " << got.toString().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ParameterConversion, ::testing::Values(
    ConversionCase{"dialogs send dates as mm/dd/yyyy texts", ParameterType::Date, QStringLiteral("01/31/2026"), QDate(2026, 1, 31)},
    ConversionCase{"ISO dates also read", ParameterType::Date, QStringLiteral("2026-02-28"), QDate(2026, 2, 28)},
    ConversionCase{"a QDate passes", ParameterType::Date, QDate(2024, 2, 29), QDate(2024, 2, 29)},
    ConversionCase{"February 30th is no date", ParameterType::Date, QStringLiteral("02/30/2026"), QVariant()},
    ConversionCase{"a name is no date", ParameterType::Date, QStringLiteral("Tuesday"), QVariant()},
    ConversionCase{"date-time with seconds", ParameterType::DateTime, QStringLiteral("01/31/2026 13:05:09"),
                   QDateTime(QDate(2026, 1, 31), QTime(13, 5, 9))},
    ConversionCase{"a date-time to the end of a day, with hundredths", ParameterType::DateTime,
                   QStringLiteral("03/15/2026 23:59:59.99"), QDateTime(QDate(2026, 3, 15), QTime(23, 59, 59, 990))},
    ConversionCase{"a date for a date-time is midnight", ParameterType::DateTime, QStringLiteral("01/31/2026"),
                   QDateTime(QDate(2026, 1, 31), QTime(0, 0))},
    ConversionCase{"numbers from texts", ParameterType::Number, QStringLiteral("1,250.5"), 1250.5},
    ConversionCase{"a word is no number", ParameterType::Number, QStringLiteral("ten"), QVariant()},
    ConversionCase{"currency keeps its cents exactly", ParameterType::Currency, QStringLiteral("$1,234.10"), QStringLiteral("1234.1000")},
    ConversionCase{"currency refuses letters", ParameterType::Currency, QStringLiteral("12.3x"), QVariant()},
    ConversionCase{"Boolean words", ParameterType::Boolean, QStringLiteral("Y"), true},
    ConversionCase{"Boolean zero", ParameterType::Boolean, QStringLiteral("0"), false},
    ConversionCase{"Boolean refuses maybe", ParameterType::Boolean, QStringLiteral("maybe"), QVariant()},
    ConversionCase{"text takes anything, quotes included", ParameterType::Text, QStringLiteral("O'Brien"), QStringLiteral("O'Brien")},
    ConversionCase{"an empty text is a value", ParameterType::Text, QString(""), QString("")}));
