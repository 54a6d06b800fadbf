// CSV read back with an RFC 4180 parser: quoting, line ends, encoding and number precision.

#include "ExportSupport.h"
#include "ExportTestSupport.h"
#include "SheetWriter.h"

#include <gtest/gtest.h>

using namespace tarvik::engine;
using namespace tarvik::test;

namespace {

class CsvExport : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("out.csv")); }

    QByteArray write(const std::vector<std::vector<Cell>>& rows)
    {
        auto w = createSheetWriter(ExportFormat::Csv, path(), QStringLiteral("ignored"));
        w->setColumnWidths({10, 20});
        for (const auto& r : rows)
            w->addRow(r);
        w->finish();
        return readAll(path());
    }
};

TEST_F(CsvExport, Utf8WithByteOrderMarkAndCrlf)
{
    const QByteArray bytes = write(sampleRows());
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << "Excel needs the mark to read UTF-8";
    const QByteArray body = bytes.mid(3);
    EXPECT_EQ(body.count("\r\n"), 7);
    EXPECT_EQ(body.count('\n'), 7) << "no bare line feeds";

    const auto rows = parseCsv(body);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0], QStringList{QStringLiteral("Daily Summary of Discharges")});
    EXPECT_EQ(rows[1], QStringList{QString()}) << "an empty row stays a line";
    EXPECT_EQ(rows[3], (QStringList{QStringLiteral("01/31/2026"), QStringLiteral("O'Brien, Seán"),
                                    QStringLiteral("1234.5678901234567"), QStringLiteral("TRUE")}));
    EXPECT_EQ(rows[4].value(1), QStringLiteral("Muñoz, José"));
    EXPECT_EQ(rows[4].value(2), QStringLiteral("-0.1"));
    EXPECT_EQ(rows[5].value(0), QStringLiteral("02/02/2026 13:30"));
    EXPECT_EQ(rows[5].value(1), QStringLiteral("Chen, 陈"));
    EXPECT_EQ(rows[5].value(3), QString());
    EXPECT_EQ(rows[6].value(2).toDouble(), 1234.5678901234567 - 0.1 + 1e15 + 0.5);
}

TEST_F(CsvExport, QuotesOnlyWhatNeedsQuoting)
{
    const QString tricky[] = {
        QStringLiteral("plain"),
        QStringLiteral("comma, inside"),
        QStringLiteral("say \"hello\""),
        QStringLiteral("two\r\nlines"),
        QStringLiteral("line\nfeed"),
        QStringLiteral(" leading and trailing "),
        QStringLiteral("O'Neil"),
    };
    std::vector<Cell> row;
    for (const QString& t : tricky)
        row.push_back(Cell::ofText(t));
    const QByteArray bytes = write({row});
    EXPECT_TRUE(bytes.contains("plain,\"comma, inside\",\"say \"\"hello\"\"\",\"two\r\nlines\""));
    EXPECT_TRUE(bytes.contains(", leading and trailing ,O'Neil\r\n"));
    const auto rows = parseCsv(bytes.mid(3));
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].size(), qsizetype(std::size(tricky)));
    for (qsizetype i = 0; i < rows[0].size(); ++i)
        EXPECT_EQ(rows[0][i], tricky[i]);
}

TEST_F(CsvExport, TextThatWouldRunAsAFormulaIsNeutralised)
{
    // A spreadsheet runs a cell starting with = + - @ (or tab, CR) as a formula.
    const struct
    {
        Cell cell;
        QString expected;
    } rows[] = {
        {Cell::ofText(QStringLiteral("=HYPERLINK(\"http://x\",\"Click\")")), QStringLiteral("'=HYPERLINK(\"http://x\",\"Click\")")},
        {Cell::ofText(QStringLiteral("+1+2")), QStringLiteral("'+1+2")},
        {Cell::ofText(QStringLiteral("-2+3")), QStringLiteral("'-2+3")},
        {Cell::ofText(QStringLiteral("@SUM(A1)")), QStringLiteral("'@SUM(A1)")},
        {Cell::ofText(QStringLiteral("\tcmd")), QStringLiteral("'\tcmd")},
        {Cell::ofText(QStringLiteral("\r=1")), QStringLiteral("'\r=1")},
        {Cell::ofText(QStringLiteral("Dela Cruz, Juan")), QStringLiteral("Dela Cruz, Juan")},
        {Cell::ofText(QStringLiteral("a=b")), QStringLiteral("a=b")},
        // Numbers are numbers, not texts: a negative amount stays as it is.
        {Cell::ofNumber(-12.5), QStringLiteral("-12.5")},
    };
    std::vector<std::vector<Cell>> cells;
    for (const auto& r : rows)
        cells.push_back({r.cell});
    const auto read = parseCsv(write(cells).mid(3));
    ASSERT_EQ(read.size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(read[i].value(0), rows[i].expected) << i;
}

TEST_F(CsvExport, NumbersRoundTripExactly)
{
    const double values[] = {0.1, 1.0 / 3, 1e-300, 123456789012345678.0, -2.5e21, 0.0, 100.0};
    std::vector<Cell> row;
    for (const double v : values)
        row.push_back(Cell::ofNumber(v, QStringLiteral("#,##0.00")));
    const auto rows = parseCsv(write({row}).mid(3));
    ASSERT_EQ(rows.size(), 1u);
    for (size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(rows[0].value(qsizetype(i)).toDouble(), values[i]) << rows[0].value(qsizetype(i)).toStdString();
        EXPECT_FALSE(rows[0].value(qsizetype(i)).contains(QLatin1Char(','))) << "no thousands separators";
    }
    EXPECT_EQ(rows[0].value(6), QStringLiteral("100"));
}

TEST_F(CsvExport, ZeroRowsGiveJustTheMark)
{
    EXPECT_EQ(write({}), QByteArray("\xEF\xBB\xBF"));
}

} // namespace
