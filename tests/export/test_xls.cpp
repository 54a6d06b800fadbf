// The .xls writer read back by Spreadsheet::ParseExcel (Perl) and libfreexl, which share no code
// with it or with each other.

#include "ExportTestSupport.h"
#include "SheetWriter.h"

#include <gtest/gtest.h>

using namespace tarvik::engine;
using namespace tarvik::test;

namespace {

class XlsExport : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const QString& name = QStringLiteral("out.xls")) const { return dir.filePath(name); }

    void write(const QString& file, const std::vector<std::vector<Cell>>& rows,
               const std::vector<double>& widths = {}, const QString& sheet = QStringLiteral("Discharges"))
    {
        auto w = createSheetWriter(ExportFormat::Xls, file, sheet);
        if (!widths.empty())
            w->setColumnWidths(widths);
        for (const auto& r : rows)
            w->addRow(r);
        w->finish();
    }
};

TEST_F(XlsExport, ParseExcelReadsValuesTypesFormatsAndBold)
{
    write(path(), sampleRows(), {12, 30, 14, 6});
    const auto sheets = readXlsWithPerl(path());
    ASSERT_EQ(sheets.size(), 1u);
    const ReadSheet& s = sheets[0];
    EXPECT_EQ(s.name, QStringLiteral("Discharges"));
    EXPECT_EQ(s.lastRow, 6);
    EXPECT_EQ(s.lastColumn, 3);

    ASSERT_TRUE(s.at(0, 0));
    EXPECT_EQ(s.at(0, 0)->type, QStringLiteral("Text"));
    EXPECT_EQ(s.at(0, 0)->value, QStringLiteral("Daily Summary of Discharges"));
    EXPECT_TRUE(s.at(0, 0)->bold);
    EXPECT_FALSE(s.at(1, 0)) << "the empty row stays empty";

    // Dates are numbers with a date format, so the reader calls them dates.
    ASSERT_TRUE(s.at(3, 0));
    EXPECT_EQ(s.at(3, 0)->type, QStringLiteral("Date"));
    EXPECT_EQ(s.at(3, 0)->value, QStringLiteral("46053")); // 31 January 2026
    EXPECT_EQ(s.at(3, 0)->format, QStringLiteral("mm/dd/yyyy"));
    EXPECT_FALSE(s.at(3, 0)->bold);
    ASSERT_TRUE(s.at(5, 0));
    EXPECT_EQ(s.at(5, 0)->kind, QStringLiteral("Number"));
    EXPECT_EQ(s.at(5, 0)->format, QStringLiteral("mm/dd/yyyy hh:mm"));
    EXPECT_DOUBLE_EQ(s.at(5, 0)->value.toDouble(), 46055 + 13.5 / 24);

    // An apostrophe and non-ASCII names come back as written, both 8-bit and 16-bit strings.
    EXPECT_EQ(s.at(3, 1)->type, QStringLiteral("Text"));
    EXPECT_EQ(s.at(3, 1)->value, QStringLiteral("O'Brien, Seán"));
    EXPECT_EQ(s.at(4, 1)->value, QStringLiteral("Muñoz, José"));
    EXPECT_EQ(s.at(5, 1)->value, QStringLiteral("Chen, 陈"));

    EXPECT_EQ(s.at(3, 2)->type, QStringLiteral("Numeric"));
    EXPECT_EQ(s.at(3, 2)->format, QStringLiteral("#,##0.00"));
    EXPECT_EQ(s.at(3, 2)->value.toDouble(), 1234.5678901234567);
    EXPECT_EQ(s.at(6, 2)->value.toDouble(), 1234.5678901234567 - 0.1 + 1e15 + 0.5);
    EXPECT_EQ(s.at(4, 2)->type, QStringLiteral("Numeric"));
    EXPECT_EQ(s.at(6, 2)->type, QStringLiteral("Numeric"));
    EXPECT_TRUE(s.at(6, 2)->bold) << "the total keeps its bold font with its number format";
    EXPECT_EQ(s.at(6, 2)->format, QStringLiteral("#,##0.00"));

    ASSERT_TRUE(s.at(3, 3));
    EXPECT_EQ(s.at(3, 3)->kind, QStringLiteral("BoolError"));
    EXPECT_EQ(s.at(3, 3)->value, QStringLiteral("TRUE"));
    EXPECT_EQ(s.at(4, 3)->value, QStringLiteral("FALSE"));
    EXPECT_FALSE(s.at(5, 3));
}

TEST_F(XlsExport, FreeXlSeesTypesAndFullPrecision)
{
    write(path(), sampleRows());
    std::vector<std::vector<std::vector<FreeXlCell>>> cells;
    const FreeXlBook book = openWithFreeXl(path(), &cells);
    ASSERT_TRUE(book.ok) << book.error.toStdString();
    ASSERT_EQ(book.sheets.size(), 1u);
    EXPECT_EQ(book.sheets[0].rows, 7u);
    EXPECT_EQ(book.sheets[0].columns, 4u);
    const auto& rows = cells[0];
    EXPECT_EQ(rows[3][0].type, QStringLiteral("date"));
    EXPECT_EQ(rows[3][0].text, QStringLiteral("2026-01-31"));
    EXPECT_EQ(rows[5][0].type, QStringLiteral("datetime"));
    EXPECT_EQ(rows[5][0].text, QStringLiteral("2026-02-02 13:30:00"));
    EXPECT_EQ(rows[3][1].type, QStringLiteral("text"));
    EXPECT_EQ(rows[4][1].text, QStringLiteral("Muñoz, José"));
    EXPECT_EQ(rows[3][2].type, QStringLiteral("double"));
    // Bit for bit: the writer must not round through text or a shorter type.
    EXPECT_EQ(rows[3][2].number, 1234.5678901234567);
    EXPECT_EQ(rows[4][2].number, -0.1);
    EXPECT_EQ(rows[5][2].number, 1e15 + 0.5);
    EXPECT_EQ(rows[6][2].number, 1234.5678901234567 - 0.1 + 1e15 + 0.5);
}

TEST_F(XlsExport, SeventyThousandRowsContinueOnASecondSheet)
{
    {
        auto w = createSheetWriter(ExportFormat::Xls, path(), QStringLiteral("Ledger"));
        for (int i = 0; i < 70000; ++i)
            w->addRow({Cell::ofNumber(i), Cell::ofText(QStringLiteral("Row %1").arg(i % 500))});
        w->finish();
    }
    const auto sheets = readXlsWithPerl(path());
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].name, QStringLiteral("Ledger"));
    EXPECT_EQ(sheets[1].name, QStringLiteral("Ledger (2)"));
    EXPECT_EQ(sheets[0].lastRow, 65535);
    EXPECT_EQ(sheets[1].lastRow, 70000 - 65536 - 1);
    ASSERT_TRUE(sheets[0].at(65535, 0) && sheets[1].at(0, 0) && sheets[1].at(4463, 1));
    EXPECT_EQ(sheets[0].at(65535, 0)->value, QStringLiteral("65535"));
    EXPECT_EQ(sheets[1].at(0, 0)->value, QStringLiteral("65536"));
    EXPECT_EQ(sheets[1].at(4463, 0)->value, QStringLiteral("69999"));
    EXPECT_EQ(sheets[1].at(4463, 1)->value, QStringLiteral("Row %1").arg(69999 % 500));

    // Every row is there once, in order.
    int expected = 0;
    for (const auto& s : sheets)
        for (int r = 0; r <= s.lastRow; ++r, ++expected)
            ASSERT_EQ(s.at(r, 0)->value.toInt(), expected) << "sheet " << s.name.toStdString() << " row " << r;
    EXPECT_EQ(expected, 70000);
}

TEST_F(XlsExport, ZeroRowsGiveOneEmptySheet)
{
    write(path(), {}, {10, 20}, QStringLiteral("Empty"));
    const auto sheets = readXlsWithPerl(path());
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].name, QStringLiteral("Empty"));
    EXPECT_TRUE(sheets[0].cells.empty());
    const FreeXlBook book = openWithFreeXl(path());
    ASSERT_TRUE(book.ok) << book.error.toStdString();
    ASSERT_EQ(book.sheets.size(), 1u);
}

// Many distinct strings overflow the 8,224-byte SST record into CONTINUE records; strings split
// across the boundary in both the 8-bit and the 16-bit form, and strings longer than a record.
std::vector<QString> manyTexts(int longWide, int longNarrow)
{
    std::vector<QString> texts;
    for (int i = 0; i < 3000; ++i) {
        QString t = QStringLiteral("Patient %1 ").arg(i) + QString(i % 97, QLatin1Char('x'));
        if (i % 3 == 1)
            t += QStringLiteral(" Peña");
        if (i % 3 == 2)
            t += QStringLiteral(" 陈%1").arg(i);
        texts.push_back(t);
    }
    QString wide;
    for (int i = 0; i < longWide; ++i)
        wide += QChar(i % 2 ? u'ñ' : u'陈');
    texts.push_back(wide);
    texts.push_back(QString(longNarrow, QLatin1Char('a')));
    return texts;
}

std::vector<std::vector<Cell>> textRows(const std::vector<QString>& texts)
{
    std::vector<std::vector<Cell>> rows;
    for (const QString& t : texts)
        rows.push_back({Cell::ofText(t), Cell::ofText(texts.front())});
    return rows;
}

TEST_F(XlsExport, SharedStringsSpanningContinueRecordsParseExcel)
{
    // 18,000 and 20,000 bytes: each string runs through three records.
    const auto texts = manyTexts(9000, 20000);
    write(path(), textRows(texts));
    const auto sheets = readXlsWithPerl(path());
    ASSERT_EQ(sheets.size(), 1u);
    for (size_t i = 0; i < texts.size(); ++i) {
        ASSERT_TRUE(sheets[0].at(int(i), 0) && sheets[0].at(int(i), 1)) << i;
        ASSERT_EQ(sheets[0].at(int(i), 0)->value, texts[i]) << "string " << i;
        ASSERT_EQ(sheets[0].at(int(i), 1)->value, texts.front());
    }
}

TEST_F(XlsExport, SharedStringsSpanningContinueRecordsFreeXl)
{
    // libfreexl gives up on a string spread over three records, so here the long ones span two.
    const auto texts = manyTexts(4000, 12000);
    write(path(), textRows(texts));
    std::vector<std::vector<std::vector<FreeXlCell>>> cells;
    const FreeXlBook book = openWithFreeXl(path(), &cells);
    ASSERT_TRUE(book.ok) << book.error.toStdString();
    ASSERT_EQ(cells.size(), 1u);
    ASSERT_EQ(cells[0].size(), texts.size());
    EXPECT_EQ(book.sstStrings, texts.size()) << "repeated texts are shared, not stored again";
    for (size_t i = 0; i < texts.size(); ++i) {
        ASSERT_EQ(cells[0][i][0].text, texts[i]) << "string " << i;
        ASSERT_EQ(cells[0][i][1].text, texts.front());
    }
}

// Past about 7 MB the allocation table needs more sectors than the header can list, and the
// compound file grows extra index (DIFAT) sectors.
TEST_F(XlsExport, LargeWorkbookNeedsExtraAllocationIndexSectors)
{
    const int rows = 70000;
    {
        auto w = createSheetWriter(ExportFormat::Xls, path(), QStringLiteral("Big"));
        std::vector<Cell> row(9);
        for (int i = 0; i < rows; ++i) {
            row[0] = Cell::ofDate(QDate(2020, 1, 1).addDays(i % 2000));
            for (int c = 1; c < 9; ++c)
                row[c] = Cell::ofNumber(i * 10.0 + c + 0.25);
            w->addRow(row);
        }
        w->finish();
    }
    EXPECT_GT(QFileInfo(path()).size(), 109LL * 128 * 512) << "the test must need DIFAT sectors";
    std::vector<std::vector<std::vector<FreeXlCell>>> cells;
    const FreeXlBook book = openWithFreeXl(path(), &cells);
    ASSERT_TRUE(book.ok) << book.error.toStdString();
    ASSERT_EQ(book.sheets.size(), 2u);
    EXPECT_EQ(book.sheets[0].rows, 65536u);
    EXPECT_EQ(book.sheets[1].rows, unsigned(rows - 65536));
    const auto& last = cells[1].back();
    EXPECT_EQ(last[0].type, QStringLiteral("date"));
    EXPECT_EQ(last[0].text, QDate(2020, 1, 1).addDays((rows - 1) % 2000).toString(Qt::ISODate));
    EXPECT_EQ(last[8].number, (rows - 1) * 10.0 + 8 + 0.25);
}

TEST_F(XlsExport, NonFiniteNumbersAndTooWideRows)
{
    write(path(), {{Cell::ofNumber(std::numeric_limits<double>::quiet_NaN()),
                    Cell::ofNumber(std::numeric_limits<double>::infinity())}});
    const auto sheets = readXlsWithPerl(path());
    ASSERT_EQ(sheets.size(), 1u);
    ASSERT_TRUE(sheets[0].at(0, 0) && sheets[0].at(0, 1));
    EXPECT_EQ(sheets[0].at(0, 0)->value, QStringLiteral("#NUM!"));
    EXPECT_EQ(sheets[0].at(0, 1)->value, QStringLiteral("#NUM!"));

    auto w = createSheetWriter(ExportFormat::Xls, path(QStringLiteral("wide.xls")), QStringLiteral("Wide"));
    std::vector<Cell> wide(257, Cell::ofNumber(1));
    EXPECT_THROW(w->addRow(wide), std::runtime_error) << "257 columns cannot be dropped silently";
}

} // namespace
