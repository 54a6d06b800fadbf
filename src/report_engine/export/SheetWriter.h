#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <memory>
#include <vector>

namespace tarvik::engine {

// Export format codes of the engine. 29 is the Excel 97-2003 workbook; the others are ours.
enum class ExportFormat : int {
    Xls = 29,  // BIFF8 in an OLE2 compound document
    Pdf = 31,
    Xlsx = 38, // Office Open XML workbook
    Csv = 39,  // RFC 4180, UTF-8
};

// Export destination codes. 1 is a file on disk, the only destination.
enum class ExportDestination : int { DiskFile = 1 };

// One spreadsheet cell as the export filters receive it.
struct Cell
{
    enum class Type { Empty, Text, Number, Date, DateTime, Boolean };
    Type type = Type::Empty;
    QString text;          // Text
    double number = 0;     // Number: full precision, never rounded by the writer
    QDate date;            // Date
    QDateTime dateTime;    // DateTime
    bool boolean = false;  // Boolean
    QString numberFormat;  // Excel-style format code ("#,##0.00", "mm/dd/yyyy"); empty = General
    bool bold = false;     // titles, group headers and footers, totals

    static Cell empty() { return {}; }
    static Cell ofText(const QString& t, bool bold = false) { Cell c; c.type = Type::Text; c.text = t; c.bold = bold; return c; }
    static Cell ofNumber(double v, const QString& fmt = {}, bool bold = false) { Cell c; c.type = Type::Number; c.number = v; c.numberFormat = fmt; c.bold = bold; return c; }
    static Cell ofDate(const QDate& d, const QString& fmt = QStringLiteral("mm/dd/yyyy")) { Cell c; c.type = Type::Date; c.date = d; c.numberFormat = fmt; return c; }
    static Cell ofDateTime(const QDateTime& d, const QString& fmt = QStringLiteral("mm/dd/yyyy hh:mm")) { Cell c; c.type = Type::DateTime; c.dateTime = d; c.numberFormat = fmt; return c; }
    static Cell ofBoolean(bool b) { Cell c; c.type = Type::Boolean; c.boolean = b; return c; }
};

// A chart's figures as a small table: a title row, a row of headings (the category column's,
// then each series') and a row per category.
struct ChartTable
{
    enum class Kind { Bar, StackedBar, Line, Pie };
    Kind kind = Kind::Bar;
    bool horizontal = false;
    QString title;
    QString categoryCaption;
    QString categoryAxis, valueAxis;
    std::vector<QString> categories;
    std::vector<QString> series;
    std::vector<std::vector<double>> values; // [series][category]
    QString numberFormat;                    // Excel-style; empty = General
    std::vector<unsigned> colors;            // 0xRRGGBB of each series (a pie's: each category)
};

// Streams rows into one spreadsheet or CSV file. Rows go in order; memory stays flat in the
// number of rows. The file appears at its path only when finish() succeeds: it is written
// beside the target and renamed over it, so a failed export leaves any earlier file intact.
// All failures throw std::runtime_error with the path and the system's reason.
class SheetWriter
{
public:
    virtual ~SheetWriter() = default;
    // Column widths in characters, left to right; call before the first row.
    virtual void setColumnWidths(const std::vector<double>& widthsInCharacters) = 0;
    virtual void addRow(const std::vector<Cell>& cells) = 0;
    // A chart's table as rows; a workbook that can draws the chart beside it.
    virtual void addChart(const ChartTable& chart);
    // Completes the file and moves it into place.
    virtual void finish() = 0;
};

// A writer for Xls, Xlsx or Csv (Pdf is the renderer's). sheetName names the first sheet
// (further sheets of a long .xls get " (2)", " (3)"...). Throws for an unwritable folder.
std::unique_ptr<SheetWriter> createSheetWriter(ExportFormat format, const QString& path,
                                               const QString& sheetName);

} // namespace tarvik::engine
