// The .xlsx writer read back with xlsx2csv and by looking at the package's XML, where the cell
// types are spelled out.

#include "ExportTestSupport.h"
#include "SheetWriter.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace tarvik::engine;
using namespace tarvik::test;

namespace {

class XlsxExport : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("out.xlsx")); }

    void write(const std::vector<std::vector<Cell>>& rows, const std::vector<double>& widths = {})
    {
        auto w = createSheetWriter(ExportFormat::Xlsx, path(), QStringLiteral("Discharges"));
        if (!widths.empty())
            w->setColumnWidths(widths);
        for (const auto& r : rows)
            w->addRow(r);
        w->finish();
    }

    // The <c> element of one cell of sheet 1, e.g. cellXml("C4").
    QString cellXml(const QString& sheetXml, const QString& ref) const
    {
        const QRegularExpression re(QStringLiteral("<c r=\"%1\"[^>]*(/>|>.*?</c>)").arg(ref));
        return re.match(sheetXml).captured(0);
    }
};

TEST_F(XlsxExport, Xlsx2csvReadsValuesAndDates)
{
    write(sampleRows(), {12, 30, 14, 6});
    const auto rows = readXlsxSheetWithXlsx2csv(path(), 1);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0].value(0), QStringLiteral("Daily Summary of Discharges"));
    EXPECT_EQ(rows[3].value(0), QStringLiteral("2026-01-31")) << "a date cell, so the reader formats it as one";
    EXPECT_EQ(rows[3].value(1), QStringLiteral("O'Brien, Seán"));
    EXPECT_EQ(rows[4].value(1), QStringLiteral("Muñoz, José"));
    EXPECT_EQ(rows[5].value(1), QStringLiteral("Chen, 陈"));
    // xlsx2csv applies its own reading of "#,##0.00"; the exact value is checked in the XML.
    EXPECT_NEAR(rows[3].value(2).toDouble(), 1234.5678901234567, 1e-3);
    EXPECT_EQ(rows[4].value(2), QStringLiteral("-0.1"));
    EXPECT_EQ(rows[3].value(3), QStringLiteral("TRUE"));
    EXPECT_EQ(rows[4].value(3), QStringLiteral("FALSE"));
}

TEST_F(XlsxExport, CellTypesFormatsAndWidthsInTheXml)
{
    write(sampleRows(), {12, 30, 14, 6});
    const QString sheet = xlsxPart(path(), QStringLiteral("xl/worksheets/sheet1.xml"));
    const QString styles = xlsxPart(path(), QStringLiteral("xl/styles.xml"));
    ASSERT_FALSE(sheet.isEmpty());

    EXPECT_TRUE(cellXml(sheet, QStringLiteral("B4")).contains(QStringLiteral("t=\"inlineStr\"")));
    const QString number = cellXml(sheet, QStringLiteral("C4"));
    EXPECT_FALSE(number.contains(QStringLiteral(" t="))) << number.toStdString() << " must be a number";
    // The library prints 16 significant digits (see AmountsAreExact).
    EXPECT_TRUE(number.contains(QStringLiteral("<v>1234.567890123457</v>"))) << number.toStdString();
    const QString date = cellXml(sheet, QStringLiteral("A4"));
    EXPECT_FALSE(date.contains(QStringLiteral(" t=")));
    EXPECT_TRUE(date.contains(QStringLiteral("<v>46053</v>"))) << date.toStdString();
    EXPECT_TRUE(cellXml(sheet, QStringLiteral("D4")).contains(QStringLiteral("t=\"b\"")));
    EXPECT_TRUE(cellXml(sheet, QStringLiteral("D6")).isEmpty()) << "an empty cell is not written";

    EXPECT_TRUE(styles.contains(QStringLiteral("formatCode=\"mm/dd/yyyy\"")));
    EXPECT_TRUE(styles.contains(QStringLiteral("formatCode=\"mm/dd/yyyy hh:mm\"")));
    EXPECT_TRUE(styles.contains(QStringLiteral("formatCode=\"#,##0.00\"")));
    EXPECT_TRUE(styles.contains(QStringLiteral("<b/>")));
    EXPECT_TRUE(sheet.contains(QRegularExpression(QStringLiteral("<col min=\"2\" max=\"2\" width=\"30"))))
        << "column widths are kept";
}

// Debian's libxlsxwriter prints numbers with 16 significant digits, one short of what every
// double needs; amounts of money (cents, below 10^14) and counts are still exact.
TEST_F(XlsxExport, AmountsAreExact)
{
    const double amounts[] = {0.01, -1234567.89, 98765432109.99, 99999999999999.99 / 10, 1e-7, 4503599627370496.0};
    std::vector<Cell> row;
    for (const double a : amounts)
        row.push_back(Cell::ofNumber(a));
    write({row});
    const auto rows = readXlsxSheetWithXlsx2csv(path(), 1);
    ASSERT_EQ(rows.size(), 1u);
    const QString sheet = xlsxPart(path(), QStringLiteral("xl/worksheets/sheet1.xml"));
    for (size_t i = 0; i < std::size(amounts); ++i) {
        const QString ref = QString(QChar(u'A' + int(i))) + QLatin1Char('1');
        const QString xml = cellXml(sheet, ref);
        const qsizetype from = xml.indexOf(QStringLiteral("<v>")) + 3;
        EXPECT_EQ(xml.mid(from, xml.indexOf(QStringLiteral("</v>")) - from).toDouble(), amounts[i]) << xml.toStdString();
    }
}

// Control characters are illegal in XML; written raw they give a file Excel refuses and
// xlsx2csv cannot parse. NaN and infinity have no spelling in the format at all.
TEST_F(XlsxExport, ControlCharactersAndNonFiniteNumbersStayReadable)
{
    write({{Cell::ofText(QStringLiteral("bell\x07 and nul\x01 gone, tab\tkept")),
            Cell::ofNumber(std::numeric_limits<double>::quiet_NaN()),
            Cell::ofNumber(-std::numeric_limits<double>::infinity())}});
    const auto rows = readXlsxSheetWithXlsx2csv(path(), 1);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].value(0), QStringLiteral("bell and nul gone, tab\tkept"));
    EXPECT_EQ(rows[0].value(1), QStringLiteral("#NUM!"));
    EXPECT_EQ(rows[0].value(2), QStringLiteral("#NUM!"));
}

// Such a text leaves nothing to write: the row stays empty, and the read-back before the file
// replaces anything must not take the missing row for damage.
TEST_F(XlsxExport, ARowOfControlCharactersOnlyIsAnEmptyRow)
{
    write({{Cell::ofText(QStringLiteral("first"))}, {Cell::ofText(QStringLiteral("\x01\x02"), true)},
           {Cell::ofText(QStringLiteral("third"))}});
    const auto rows = readXlsxSheetWithXlsx2csv(path(), 1);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].value(0), QStringLiteral("first"));
    EXPECT_EQ(rows[1].join(QString()), QString());
    EXPECT_EQ(rows[2].value(0), QStringLiteral("third"));
}

// The read-back compares the texts with those written: texts that XML or the format spell
// another way must still compare equal, or a good export would be refused as damaged.
TEST_F(XlsxExport, TextsSpelledOtherwiseInXmlReadBackAsWritten)
{
    const QStringList texts{QStringLiteral("line\r\nbreak"), QStringLiteral("carriage\rreturn"),
                            QStringLiteral("_x0041_ looks escaped"), QStringLiteral("  blanks around  "),
                            QStringLiteral("&<>\"' marks"), QStringLiteral("tab\there"), QStringLiteral("Peña ñ 中文 😀")};
    std::vector<std::vector<Cell>> rows;
    for (const QString& t : texts)
        rows.push_back({Cell::ofText(t), Cell::ofNumber(1.5), Cell::ofBoolean(true)});
    ASSERT_NO_THROW(write(rows));
    const auto back = readXlsxSheetWithXlsx2csv(path(), 1);
    ASSERT_EQ(back.size(), size_t(texts.size()));
    EXPECT_EQ(back[6].value(0), texts[6]);
}

TEST_F(XlsxExport, ZeroRowsGiveOneEmptySheet)
{
    write({});
    const QString workbook = xlsxPart(path(), QStringLiteral("xl/workbook.xml"));
    EXPECT_EQ(workbook.count(QStringLiteral("<sheet ")), 1);
    EXPECT_TRUE(workbook.contains(QStringLiteral("name=\"Discharges\"")));
    EXPECT_TRUE(readXlsxSheetWithXlsx2csv(path(), 1).empty());
}

TEST_F(XlsxExport, RowsBeyondOneSheetContinueOnTheNext)
{
    const int rows = 1048576 + 3;
    {
        auto w = createSheetWriter(ExportFormat::Xlsx, path(), QStringLiteral("Ledger"));
        std::vector<Cell> row(1);
        for (int i = 0; i < rows; ++i) {
            row[0] = Cell::ofNumber(i);
            w->addRow(row);
        }
        w->finish();
    }
    const QString workbook = xlsxPart(path(), QStringLiteral("xl/workbook.xml"));
    EXPECT_TRUE(workbook.contains(QStringLiteral("name=\"Ledger\"")));
    EXPECT_TRUE(workbook.contains(QStringLiteral("name=\"Ledger (2)\"")));
    const auto second = readXlsxSheetWithXlsx2csv(path(), 2);
    ASSERT_EQ(second.size(), 3u);
    EXPECT_EQ(second[0].value(0), QStringLiteral("1048576"));
    EXPECT_EQ(second[2].value(0), QStringLiteral("1048578"));
    const QString first = xlsxPart(path(), QStringLiteral("xl/worksheets/sheet1.xml"));
    EXPECT_TRUE(first.contains(QStringLiteral("<c r=\"A1048576\"><v>1048575</v></c>")));
}

} // namespace

// A chart's figures stay as a table; the workbook's own chart is drawn from those very cells,
// of the type asked for, on the sheet they are on (a name with a blank quoted).
struct ChartCase
{
    const char* why;
    ChartTable::Kind kind;
    bool horizontal;
    const char* sheet;
    std::vector<const char*> xml; // what the chart's part must say
};

class XlsxChart : public XlsxExport, public ::testing::WithParamInterface<ChartCase> {};

TEST_P(XlsxChart, TableAndANativeChartReadingIt)
{
    const ChartCase& c = GetParam();
    ChartTable chart;
    chart.kind = c.kind;
    chart.horizontal = c.horizontal;
    chart.title = QStringLiteral("Revenue by department");
    chart.categoryCaption = QStringLiteral("Department");
    chart.valueAxis = QStringLiteral("Net revenue");
    chart.categories = {QStringLiteral("Laboratory"), QStringLiteral("X-Ray"), QStringLiteral("Pharmacy")};
    chart.series = {QStringLiteral("Hospital charges"), QStringLiteral("Professional fees")};
    chart.values = {{1500.5, 800, 2500.25}, {0, 120.75, 0}};
    chart.numberFormat = QStringLiteral("#,##0.00");
    chart.colors = {0x1f4e79, 0xf2b134, 0x5b9a45};
    if (c.kind == ChartTable::Kind::Pie) {
        chart.series.resize(1);
        chart.values.resize(1);
    }
    {
        auto w = createSheetWriter(ExportFormat::Xlsx, path(), QString::fromUtf8(c.sheet));
        w->addRow({Cell::ofText(QStringLiteral("Breakdown of departmental revenue"), true)});
        w->addRow({});
        w->addChart(chart);
        w->addRow({Cell::ofText(QStringLiteral("after the chart"))});
        w->finish();
    }
    const auto rows = readXlsxSheetWithXlsx2csv(path(), 1);
    ASSERT_EQ(rows.size(), 8u) << c.why;
    EXPECT_EQ(rows[2].value(0), QStringLiteral("Revenue by department"));
    EXPECT_EQ(rows[3].value(0), QStringLiteral("Department"));
    EXPECT_EQ(rows[3].value(1), QStringLiteral("Hospital charges"));
    EXPECT_EQ(rows[6].value(0), QStringLiteral("Pharmacy"));
    EXPECT_NEAR(rows[6].value(1).remove(u',').toDouble(), 2500.25, 1e-9);
    EXPECT_EQ(rows[7].value(0), QStringLiteral("after the chart"));

    const QString part = xlsxPart(path(), QStringLiteral("xl/charts/chart1.xml"));
    ASSERT_FALSE(part.isEmpty()) << c.why << ": no chart in the workbook";
    for (const char* fragment : c.xml)
        EXPECT_TRUE(part.contains(QString::fromUtf8(fragment))) << c.why << ": " << fragment << "\n" << part.toStdString();
    EXPECT_TRUE(xlsxPart(path(), QStringLiteral("xl/worksheets/sheet1.xml")).contains(QStringLiteral("<drawing ")))
        << c.why << ": the chart is not placed on the sheet";
}

INSTANTIATE_TEST_SUITE_P(Kinds, XlsxChart, ::testing::Values(
    ChartCase{"stacked bars from the left, two series from columns B and C", ChartTable::Kind::StackedBar, true, "Breakdown",
              {"<c:barDir val=\"bar\"/>", "<c:grouping val=\"stacked\"/>", "Breakdown!$A$5:$A$7",
               "Breakdown!$B$5:$B$7", "Breakdown!$C$5:$C$7", "Breakdown!$B$4", "Net revenue"}},
    ChartCase{"a line on a sheet whose name has a blank", ChartTable::Kind::Line, false, "Year End",
              {"<c:lineChart>", "'Year End'!$A$5:$A$7", "'Year End'!$C$5:$C$7"}},
    ChartCase{"a pie of one series", ChartTable::Kind::Pie, false, "Shares",
              {"<c:pieChart>", "Shares!$B$5:$B$7"}}));
