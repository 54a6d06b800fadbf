// Rules shared by the writers: Excel day numbers, sheet names, date formats for CSV.

#include "ExportSupport.h"

#include <gtest/gtest.h>

using namespace tarvik::engine::detail;

namespace {

struct SerialCase
{
    QDate date;
    double serial; // as Excel shows it for the date, 1900 date system
    const char* why;
};

class ExcelSerial : public ::testing::TestWithParam<SerialCase>
{
};

TEST_P(ExcelSerial, MatchesExcelsNumbering)
{
    const auto serial = excelSerial(GetParam().date);
    ASSERT_TRUE(serial.has_value()) << GetParam().why;
    EXPECT_EQ(*serial, GetParam().serial) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Dates, ExcelSerial,
    ::testing::Values(SerialCase{QDate(1900, 1, 1), 1, "day one of the system"},
                      SerialCase{QDate(1900, 2, 28), 59, "the last day before Excel's phantom 29 February"},
                      SerialCase{QDate(1900, 3, 1), 61, "60 is the phantom 29 February 1900"},
                      SerialCase{QDate(2000, 2, 29), 36585, "a real leap day"},
                      SerialCase{QDate(2026, 1, 31), 46053, "a report date"}));

TEST(ExcelSerialLimits, DatesExcelCannotHoldHaveNoNumber)
{
    EXPECT_FALSE(excelSerial(QDate(1899, 12, 31)).has_value());
    EXPECT_FALSE(excelSerial(QDate()).has_value());
    EXPECT_FALSE(excelSerial(QDateTime()).has_value());
    EXPECT_EQ(*excelSerial(QDateTime(QDate(2026, 1, 31), QTime(18, 0))), 46053.75);
}

TEST(SheetNames, AreMadeAcceptableToExcel)
{
    EXPECT_EQ(sheetNameFor(QStringLiteral("Daily Summary"), 1), QStringLiteral("Daily Summary"));
    EXPECT_EQ(sheetNameFor(QStringLiteral("Daily Summary"), 2), QStringLiteral("Daily Summary (2)"));
    EXPECT_EQ(sheetNameFor(QStringLiteral("Income 01/31/2026 [A:B]*?\\"), 1), QStringLiteral("Income 01_31_2026 _A_B____"));
    EXPECT_EQ(sheetNameFor(QStringLiteral("'quoted'"), 1), QStringLiteral("quoted"));
    EXPECT_EQ(sheetNameFor(QString(), 1), QStringLiteral("Sheet"));
    EXPECT_EQ(sheetNameFor(QStringLiteral("   "), 3), QStringLiteral("Sheet (3)"));

    const QString longName = QStringLiteral("Daily Summary Of Discharges Columns");
    EXPECT_EQ(sheetNameFor(longName, 1), longName.left(31));
    const QString continued = sheetNameFor(longName, 12);
    EXPECT_EQ(continued.size(), 31);
    EXPECT_TRUE(continued.endsWith(QStringLiteral(" (12)"))) << "the number survives the cut";
}

TEST(SheetNames, NeverEndInHalfACharacter)
{
    QString name(30, QLatin1Char('a'));
    name += QStringLiteral("😀"); // a surrogate pair across the 31-character limit
    const QString cut = sheetNameFor(name, 1);
    EXPECT_EQ(cut, QString(30, QLatin1Char('a')));
}

struct FormatCase
{
    const char* excel;
    const char* expected; // the date/time 2026-02-03 14:05:09 in that format
};

class DateFormatForCsv : public ::testing::TestWithParam<FormatCase>
{
};

TEST_P(DateFormatForCsv, ShowsWhatExcelWould)
{
    const QDateTime when(QDate(2026, 2, 3), QTime(14, 5, 9));
    EXPECT_EQ(when.toString(qtDateTimeFormat(QString::fromUtf8(GetParam().excel))),
              QString::fromUtf8(GetParam().expected))
        << GetParam().excel;
}

INSTANTIATE_TEST_SUITE_P(Formats, DateFormatForCsv,
                         ::testing::Values(FormatCase{"mm/dd/yyyy", "02/03/2026"},
                                           FormatCase{"m/d/yy", "2/3/26"},
                                           FormatCase{"mm/dd/yyyy hh:mm", "02/03/2026 14:05"},
                                           FormatCase{"h:mm AM/PM", "2:05 PM"},
                                           FormatCase{"hh:mm:ss", "14:05:09"},
                                           FormatCase{"mmm d, yyyy", "Feb 3, 2026"},
                                           FormatCase{"dd-mmm-yy", "03-Feb-26"},
                                           FormatCase{"[$-409]mmmm yyyy", "February 2026"},
                                           FormatCase{"yyyy\"年\"m\"月\"", "2026年2月"}));

TEST(CellText, IsCutToWhatACellHolds)
{
    EXPECT_EQ(clippedCellText(QStringLiteral("short")), QStringLiteral("short"));
    EXPECT_EQ(clippedCellText(QString(40000, QLatin1Char('x'))).size(), kMaxCellChars);
    QString pair = QString(kMaxCellChars - 1, QLatin1Char('x')) + QStringLiteral("😀");
    EXPECT_EQ(clippedCellText(pair).size(), kMaxCellChars - 1) << "a surrogate pair is not split";
}

} // namespace
