#include "XlsxWriter.h"

#include "ExportSupport.h"
#include "XlsxCheck.h"

#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <stdexcept>
#include <xlsxwriter.h>

namespace tarvik::engine::detail {

namespace {

// XML 1.0 cannot carry most control characters; the library writes them raw into inline
// strings, which would leave a file Excel calls corrupt. Tabs and line breaks are kept.
bool xmlForbidden(char16_t c)
{
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0xFFFE || c == 0xFFFF;
}

QString withoutControlCharacters(const QString& text)
{
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) { return xmlForbidden(c.unicode()); }))
        return text;
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (!xmlForbidden(c.unicode()))
            out.append(c);
    return out;
}

class XlsxSheetWriter final : public SheetWriter
{
public:
    XlsxSheetWriter(const QString& path, const QString& sheetName)
        : staged_(path), baseName_(sheetName), tempDir_(QFile::encodeName(QFileInfo(path).absolutePath()))
    {
        // The library writes the staged file through a descriptor of its own when the workbook
        // closes; ours stays open, holding the file's lock, and syncs it in commit().
        tempPath_ = QFile::encodeName(staged_.tempPath());
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        // Its temporary files go beside the target, on the disk the export is written to, not
        // to a temp folder that may be full or small; what they held is checked in finish().
        options.tmpdir = tempDir_.data();
        workbook_ = workbook_new_opt(tempPath_.constData(), &options);
        if (!workbook_)
            fail(QStringLiteral("the workbook could not be created"));
    }

    ~XlsxSheetWriter() override
    {
        if (!workbook_)
            return;
        // The library frees an abandoned workbook without closing its sheets' temporary files.
        for (lxw_worksheet* sheet : addedSheets_)
            closeTemporaryFile(sheet);
        lxw_workbook_free(workbook_); // discards everything; the staged file is removed
    }

    void setColumnWidths(const std::vector<double>& widths) override
    {
        if (sheet_)
            throw std::logic_error("column widths must be set before the first row");
        widths_ = widths;
        if (widths_.size() > size_t(kXlsxMaxColumns))
            widths_.resize(kXlsxMaxColumns);
    }

    void addRow(const std::vector<Cell>& cells) override
    {
        if (!workbook_)
            throw std::logic_error("the export is already finished");
        if (cells.size() > size_t(kXlsxMaxColumns))
            fail(QStringLiteral("a row has %1 columns; an .xlsx sheet holds at most %2")
                     .arg(cells.size())
                     .arg(kXlsxMaxColumns));
        if (!sheet_ || row_ == kXlsxMaxRows)
            startSheet();
        rowHasCells_ = false;
        for (size_t col = 0; col < cells.size(); ++col)
            writeCell(lxw_col_t(col), cells[col]);
        if (rowHasCells_)
            ++sheets_.back().rows;
        ++row_;
    }

    // The table, then a chart of the workbook's own beside it, drawn from the table's cells.
    void addChart(const ChartTable& chart) override
    {
        if (!workbook_)
            throw std::logic_error("the export is already finished");
        const lxw_row_t rows = lxw_row_t(chart.categories.size() + 2);
        // The chart reads its cells from one sheet: a table never straddles two.
        if (!sheet_ || row_ + rows > kXlsxMaxRows)
            startSheet();
        const lxw_row_t first = row_;
        SheetWriter::addChart(chart);
        if (chart.categories.empty() || chart.series.empty())
            return;
        lxw_chart* c = workbook_add_chart(workbook_, chartType(chart));
        if (!c)
            fail(QStringLiteral("the chart \"%1\" could not be added").arg(chart.title));
        const char* sheet = keep(sheetName_);
        if (!chart.title.isEmpty())
            chart_title_set_name(c, keep(withoutControlCharacters(chart.title)));
        const lxw_row_t lastCategory = first + 1 + lxw_row_t(chart.categories.size());
        const size_t seriesCount = chart.kind == ChartTable::Kind::Pie ? 1 : chart.series.size();
        for (size_t s = 0; s < seriesCount; ++s) {
            lxw_chart_series* series = chart_add_series(c, nullptr, nullptr);
            if (!series)
                fail(QStringLiteral("a series of the chart \"%1\" could not be added").arg(chart.title));
            chart_series_set_categories(series, sheet, first + 2, 0, lastCategory, 0);
            chart_series_set_values(series, sheet, first + 2, lxw_col_t(s + 1), lastCategory, lxw_col_t(s + 1));
            chart_series_set_name_range(series, sheet, first + 1, lxw_col_t(s + 1));
            if (chart.kind != ChartTable::Kind::Pie && s < chart.colors.size()) {
                if (chart.kind == ChartTable::Kind::Line) {
                    lxw_chart_line line{};
                    line.color = chart.colors[s];
                    line.width = 1.5;
                    chart_series_set_line(series, &line);
                } else {
                    lxw_chart_fill fill{};
                    fill.color = chart.colors[s];
                    chart_series_set_fill(series, &fill);
                }
            }
        }
        if (chart.kind != ChartTable::Kind::Pie) {
            lxw_chart_axis* categoryAxis = chart.horizontal ? c->y_axis : c->x_axis;
            lxw_chart_axis* valueAxis = chart.horizontal ? c->x_axis : c->y_axis;
            if (!chart.categoryAxis.isEmpty())
                chart_axis_set_name(categoryAxis, keep(withoutControlCharacters(chart.categoryAxis)));
            if (!chart.valueAxis.isEmpty())
                chart_axis_set_name(valueAxis, keep(withoutControlCharacters(chart.valueAxis)));
            if (chart.series.size() == 1)
                chart_legend_set_position(c, LXW_CHART_LEGEND_NONE);
        }
        lxw_chart_options options{};
        options.x_scale = 1.25;
        options.y_scale = 1.25;
        check(worksheet_insert_chart_opt(sheet_, first, lxw_col_t(chart.series.size() + 2), c, &options));
    }

    void finish() override
    {
        if (!workbook_)
            throw std::logic_error("the export is already finished");
        if (!sheet_)
            startSheet();
        // The library closes a sheet's temporary file as it copies the sheet's cells out of it;
        // a sheet without a cell would keep its file open for the life of the process.
        for (lxw_worksheet* sheet : addedSheets_)
            if (sheet->dim_rowmin == LXW_ROW_MAX)
                closeTemporaryFile(sheet);
        lxw_workbook* wb = workbook_;
        workbook_ = nullptr; // workbook_close frees it, success or not
        check(workbook_close(wb));
        // The library does not check the writes of its temporary files: the file is read back
        // before it replaces anything.
        verifyXlsx(staged_.tempPath(), staged_.targetPath(), sheets_);
        staged_.commit();
    }

private:
    [[noreturn]] void fail(const QString& what) const
    {
        throw std::runtime_error(
            QStringLiteral("Cannot export to %1: %2").arg(staged_.targetPath(), what).toStdString());
    }

    void check(lxw_error error) const
    {
        if (error != LXW_NO_ERROR)
            fail(QString::fromUtf8(lxw_strerror(error)));
    }

    static lxw_chart_type chartType(const ChartTable& chart)
    {
        switch (chart.kind) {
        case ChartTable::Kind::Bar:
            return chart.horizontal ? LXW_CHART_BAR : LXW_CHART_COLUMN;
        case ChartTable::Kind::StackedBar:
            return chart.horizontal ? LXW_CHART_BAR_STACKED : LXW_CHART_COLUMN_STACKED;
        case ChartTable::Kind::Line:
            return LXW_CHART_LINE;
        case ChartTable::Kind::Pie:
            return LXW_CHART_PIE;
        }
        return LXW_CHART_COLUMN;
    }

    // Texts the library is handed stay alive until the workbook is written.
    const char* keep(const QString& text)
    {
        kept_.push_back(text.toUtf8());
        return kept_.back().constData();
    }

    void startSheet()
    {
        ++sheetCount_;
        sheets_.emplace_back();
        sheetName_ = sheetNameFor(baseName_, sheetCount_);
        const QByteArray name = sheetName_.toUtf8();
        sheet_ = workbook_add_worksheet(workbook_, name.constData());
        if (!sheet_)
            fail(QStringLiteral("the sheet %1 could not be added").arg(QString::fromUtf8(name)));
        addedSheets_.push_back(sheet_);
        for (size_t col = 0; col < widths_.size(); ++col) {
            const double w = std::isfinite(widths_[col]) ? std::clamp(widths_[col], 0.0, 255.0) : 8.43;
            check(worksheet_set_column(sheet_, lxw_col_t(col), lxw_col_t(col), w, nullptr));
        }
        row_ = 0;
    }

    lxw_format* format(const QString& numberFormat, bool bold)
    {
        if (numberFormat.isEmpty() && !bold)
            return nullptr;
        const QString key = (bold ? QLatin1Char('B') : QLatin1Char('-')) + numberFormat;
        const auto it = formats_.constFind(key);
        if (it != formats_.cend())
            return it.value();
        lxw_format* f = workbook_add_format(workbook_);
        if (!f)
            fail(QStringLiteral("out of memory for a cell format"));
        if (!numberFormat.isEmpty())
            format_set_num_format(f, numberFormat.toUtf8().constData());
        if (bold)
            format_set_bold(f);
        formats_.insert(key, f);
        return f;
    }

    void writeText(lxw_col_t col, const QString& text, bool bold)
    {
        utf8_ = withoutControlCharacters(clippedCellText(text)).toUtf8();
        if (utf8_.isEmpty()) // the library writes nothing for an empty text (nor for a bold one)
            return;
        check(worksheet_write_string(sheet_, row_, col, utf8_.constData(), format({}, bold)));
        sheets_.back().addText(utf8_);
        cellWritten();
    }

    // A sheet's constant-memory temporary file, closed where the library would leave it open.
    static void closeTemporaryFile(lxw_worksheet* sheet)
    {
        if (sheet->optimize_tmpfile) {
            std::fclose(sheet->optimize_tmpfile);
            sheet->optimize_tmpfile = nullptr;
        }
    }

    void cellWritten()
    {
        rowHasCells_ = true;
        ++sheets_.back().cells;
    }

    void writeNumber(lxw_col_t col, double value, lxw_format* f)
    {
        check(worksheet_write_number(sheet_, row_, col, value, f));
        cellWritten();
    }

    void writeCell(lxw_col_t col, const Cell& cell)
    {
        switch (cell.type) {
        case Cell::Type::Empty:
            return;
        case Cell::Type::Text:
            writeText(col, cell.text, cell.bold);
            return;
        case Cell::Type::Number:
            // The library would write "nan" or "inf" into the XML, a file Excel refuses.
            if (!std::isfinite(cell.number))
                writeText(col, QStringLiteral("#NUM!"), cell.bold);
            else
                writeNumber(col, cell.number, format(cell.numberFormat, cell.bold));
            return;
        case Cell::Type::Date:
            if (const auto serial = excelSerial(cell.date))
                writeNumber(col, *serial,
                            format(cell.numberFormat.isEmpty() ? QStringLiteral("mm/dd/yyyy") : cell.numberFormat,
                                   cell.bold));
            else
                writeText(col, isoDateText(cell.date), cell.bold);
            return;
        case Cell::Type::DateTime:
            if (const auto serial = excelSerial(cell.dateTime))
                writeNumber(col, *serial,
                            format(cell.numberFormat.isEmpty() ? QStringLiteral("mm/dd/yyyy hh:mm") : cell.numberFormat,
                                   cell.bold));
            else
                writeText(col, isoDateTimeText(cell.dateTime), cell.bold);
            return;
        case Cell::Type::Boolean:
            check(worksheet_write_boolean(sheet_, row_, col, cell.boolean ? 1 : 0, format({}, cell.bold)));
            cellWritten();
            return;
        }
    }

    StagedFile staged_;
    QString baseName_;
    QByteArray tempDir_;
    QByteArray tempPath_;
    std::vector<SheetContent> sheets_; // what each sheet's XML must hold when it is read back
    bool rowHasCells_ = false;
    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    std::vector<lxw_worksheet*> addedSheets_; // every sheet added, for their temporary files
    lxw_row_t row_ = 0;
    int sheetCount_ = 0;
    std::vector<double> widths_;
    QHash<QString, lxw_format*> formats_;
    QByteArray utf8_;
    QString sheetName_;
    std::deque<QByteArray> kept_;
};

} // namespace

std::unique_ptr<SheetWriter> createXlsxWriter(const QString& path, const QString& sheetName)
{
    return std::make_unique<XlsxSheetWriter>(path, sheetName);
}

} // namespace tarvik::engine::detail
