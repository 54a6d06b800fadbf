#include "Chart.h"
#include "DataSource.h"
#include "Layout.h"
#include "EngineLog.h"
#include "Report.h"
#include "Values.h"

#include "ExportSupport.h"

#ifdef TARVIK_HAVE_SHEET_EXPORT
#include "export/SheetWriter.h"
#endif

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <limits>

namespace tarvik::engine {

namespace {

enum class Format { Xls, Pdf, Xlsx, Csv };

Format formatOf(int code)
{
    switch (code) {
    case 29: return Format::Xls;
    case 31: return Format::Pdf;
    case 38: return Format::Xlsx;
    case 39: return Format::Csv;
    default:
        throw ReportError(QStringLiteral("Export format code %1 is not supported "
                                         "(29 Excel 97-2003 .xls, 31 PDF, 38 .xlsx, 39 CSV).").arg(code));
    }
}

QString extensionOf(Format f)
{
    switch (f) {
    case Format::Xls: return QStringLiteral(".xls");
    case Format::Pdf: return QStringLiteral(".pdf");
    case Format::Xlsx: return QStringLiteral(".xlsx");
    case Format::Csv: return QStringLiteral(".csv");
    }
    return {};
}

#ifdef TARVIK_HAVE_SHEET_EXPORT

ExportFormat sheetFormat(Format f)
{
    switch (f) {
    case Format::Xls: return ExportFormat::Xls;
    case Format::Xlsx: return ExportFormat::Xlsx;
    case Format::Csv: return ExportFormat::Csv;
    case Format::Pdf: break;
    }
    return ExportFormat::Csv;
}

// A sheet's name from the caption the report is presented under: dates written with "-",
// and, where Excel's 31 characters are too few, the date left out (the file names it) and
// the words that fit.
QString sheetTitle(const QString& caption)
{
    QString title = caption.simplified();
    title.replace(QStringLiteral(": "), QStringLiteral(" "));
    title.replace(u'/', u'-');
    constexpr qsizetype kRoom = 31;
    if (title.size() <= kRoom)
        return title;
    static const QRegularExpression trailingDate(QStringLiteral("\\s*\\d{1,2}-\\d{1,2}-\\d{4}$"));
    title.remove(trailingDate);
    if (title.size() <= kRoom)
        return title;
    const qsizetype cut = title.lastIndexOf(u' ', kRoom);
    return title.left(cut > kRoom / 2 ? cut : kRoom);
}

// Excel's notation for a number or date format of an element.
QString excelFormat(const ValueFormat& f)
{
    switch (f.kind) {
    case ValueFormat::Kind::None:
        return {};
    case ValueFormat::Kind::Number: {
        QString core = f.grouping ? QStringLiteral("#,##0") : QStringLiteral("0");
        if (f.maxDecimals > 0)
            core += u'.' + QString(f.minDecimals, u'0') + QString(f.maxDecimals - f.minDecimals, u'#');
        auto quoted = [](const QString& s) { return s.isEmpty() ? s : u'"' + s + u'"'; };
        auto section = [&](const QString& prefix, const QString& suffix, bool one) {
            return quoted(withNumberChoices(prefix, one)) + core + quoted(withNumberChoices(suffix, one));
        };
        const bool choices = f.prefix.contains(u'{') || f.suffix.contains(u'{') || f.negPrefix.contains(u'{') ||
                             f.negSuffix.contains(u'{');
        const QString negative = f.hasNegativeSection ? section(f.negPrefix, f.negSuffix, false) : QString();
        if (choices) {
            // "1 patient", "2 patients": a section of its own for exactly one.
            QString out = QStringLiteral("[=1]") + section(f.prefix, f.suffix, true);
            if (f.hasNegativeSection)
                out += QStringLiteral(";[<0]") + negative;
            return out + u';' + section(f.prefix, f.suffix, false);
        }
        QString out = section(f.prefix, f.suffix, false);
        if (f.hasNegativeSection)
            out += u';' + negative;
        return out;
    }
    case ValueFormat::Kind::DateTime: {
        QString p = f.pattern;
        p.replace(QLatin1String("AP"), QLatin1String("AM/PM"));
        p.replace(QLatin1String("ap"), QLatin1String("am/pm"));
        return p.toLower().replace(QLatin1String("am/pm"), QLatin1String("AM/PM"));
    }
    }
    return {};
}

Cell cellOf(const QVariant& v, const ValueFormat& f, bool bold = false)
{
    if (isEmptyValue(v))
        return Cell::empty();
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return Cell::ofNumber(v.toDouble(), excelFormat(f), bold);
    case QMetaType::Bool:
        return Cell::ofBoolean(v.toBool());
    default:
        break;
    }
    bool dateOnly = false;
    const QDateTime dt = variantToDateTime(v, &dateOnly);
    if (dt.isValid()) {
        const QString fmt = f.kind == ValueFormat::Kind::DateTime ? excelFormat(f) : QString();
        Cell c = dateOnly ? Cell::ofDate(dt.date(), fmt.isEmpty() ? QStringLiteral("mm/dd/yyyy") : fmt)
                          : Cell::ofDateTime(dt, fmt.isEmpty() ? QStringLiteral("mm/dd/yyyy hh:mm") : fmt);
        c.bold = bold;
        return c;
    }
    if (f.kind == ValueFormat::Kind::Number)
        if (const auto d = Decimal::fromVariant(v))
            return Cell::ofNumber(d->toDouble(), excelFormat(f), bold);
    return Cell::ofText(v.toString(), bold);
}

Cell cellOfSummary(const SummaryValue& v, const ValueFormat& f, bool bold)
{
    switch (v.kind) {
    case SummaryValue::Kind::Empty:
        return Cell::empty();
    case SummaryValue::Kind::Decimal:
        return Cell::ofNumber(v.decimal.toDouble(), excelFormat(f), bold);
    case SummaryValue::Kind::Other: {
        Cell c = cellOf(v.other, f, bold);
        c.bold = bold;
        return c;
    }
    }
    return Cell::empty();
}

// A chart as the small table of its figures.
ChartTable chartTableOf(const ElementDef& e, const ChartData& data)
{
    const ChartDef& c = *e.chart;
    ChartTable t;
    switch (c.type) {
    case ChartType::Bar: t.kind = ChartTable::Kind::Bar; break;
    case ChartType::StackedBar: t.kind = ChartTable::Kind::StackedBar; break;
    case ChartType::Line: t.kind = ChartTable::Kind::Line; break;
    case ChartType::Pie: t.kind = ChartTable::Kind::Pie; break;
    }
    t.horizontal = c.horizontal;
    t.title = !c.title.isEmpty() ? c.title : !c.valueAxis.isEmpty() ? c.valueAxis : QStringLiteral("Chart");
    t.categoryCaption = !c.categoryCaption.isEmpty() ? c.categoryCaption
                        : !c.categoryAxis.isEmpty()  ? c.categoryAxis
                        : !c.category.isEmpty()      ? c.category
                                                     : QString();
    t.categoryAxis = c.categoryAxis;
    t.valueAxis = c.valueAxis;
    t.categories.assign(data.categories.cbegin(), data.categories.cend());
    t.series.assign(data.series.cbegin(), data.series.cend());
    for (const auto& series : data.values) {
        std::vector<double> row;
        row.reserve(series.size());
        for (const Decimal& v : series)
            row.push_back(v.toDouble());
        t.values.push_back(std::move(row));
    }
    t.numberFormat = excelFormat(e.format.kind == ValueFormat::Kind::Number ? e.format
                                                                            : parseValueFormat(QStringLiteral("#,##0.##")));
    const int colors = c.type == ChartType::Pie ? int(t.categories.size()) : int(t.series.size());
    for (int i = 0; i < colors; ++i)
        t.colors.push_back(chartColor(i).rgb() & 0xffffff);
    return t;
}

// Streams a report's rows into a sheet: title lines, a header row of the detail fields'
// captions, group headers, details, group footers and the report footer. A footer keeps its
// layout: each line of the band is a row of its own, and each element goes under the detail
// column it stands over on the page, so labels stay beside their values. Subreports follow
// as sections of their own where the page shows them.
class SheetFeed : public RowWalker::Handler
{
public:
    // A section (a subreport) writes into the rows of the report it is placed in, with its
    // own columns.
    SheetFeed(const ReportSnapshot& snap, SheetWriter& writer, bool section = false)
        : m_snap(snap), m_def(*snap.def), m_w(writer), m_section(section)
    {
        for (size_t i = 0; i < m_def.detail.elements.size(); ++i)
            if (m_def.detail.elements[i].kind == ElementKind::Field ||
                m_def.detail.elements[i].kind == ElementKind::Summary) // running balances
                m_detailFields.push_back(i);
        std::stable_sort(m_detailFields.begin(), m_detailFields.end(), [this](size_t a, size_t b) {
            return m_def.detail.elements[a].rect.left() < m_def.detail.elements[b].rect.left();
        });
        m_columns = std::max<size_t>(1, m_detailFields.size());
    }

    void run()
    {
        if (!m_section) {
            std::vector<double> widths;
            for (size_t i : m_detailFields)
                widths.push_back(std::max(6.0, m_def.detail.elements[i].rect.width() / 5.25));
            if (widths.empty())
                widths.push_back(40);
            m_w.setColumnWidths(widths);
        }

        if (!m_def.query.empty()) {
            m_source = std::make_unique<RowSource>(m_snap);
            m_walker = std::make_unique<RowWalker>(m_def, *m_source);
            m_groupInstances.assign(m_def.groups.size(), 0);
            if (ChartFeed::hasCharts(m_def, ChartFeed::Which::AfterRows))
                m_charts = std::make_unique<ChartFeed>(m_def, *m_source, ChartFeed::Which::AfterRows);
            m_ahead = ChartsAhead::collect(m_snap, nullptr);
        }
        if (m_section) {
            m_w.addRow({});
            if (!bandRows(m_def.reportHeader, nullptr))
                m_w.addRow({Cell::ofText(m_def.name, true)});
            if (!m_def.reportHeader.present)
                captionRow();
        } else {
            titleLines();
            charts(m_def.reportHeader);
            captionRow();
        }
        if (m_walker)
            m_walker->run(*this, nullptr);
        bandRows(m_def.reportFooter, m_lastRow.empty() ? nullptr : &m_lastRow);
        for (const BandDef& section : m_def.reportFooterSections)
            bandRows(section, m_lastRow.empty() ? nullptr : &m_lastRow);
    }

    void groupsStarting(int from, const Row&) override
    {
        if (m_charts)
            m_charts->groupsStarting(from);
    }

    void groupHeader(int level, const Row& row) override
    {
        ++m_groupInstances[size_t(level)];
        if (m_charts)
            m_charts->groupHeader(level, row);
        const GroupDef& g = m_def.groups[size_t(level)];
        QString text;
        if (g.header.present) {
            QStringList parts;
            const auto& cols = m_walker->columnsOf(g.header);
            for (size_t i = 0; i < g.header.elements.size(); ++i) {
                const ElementDef& e = g.header.elements[i];
                const QString t = e.kind == ElementKind::Field ? formatValue(fieldValue(e, cols[i], &row), e.format)
                                                               : textOf(e);
                if (!t.trimmed().isEmpty())
                    parts << t.trimmed();
            }
            text = parts.join(u' ');
        }
        if (text.isEmpty())
            text = formatValue(row[size_t(m_walker->groupColumn(level))], g.format);
        m_w.addRow({Cell::ofText(text, true)});
        sections(g.header);
        charts(g.header);
    }

    void detail(const Row& row) override
    {
        if (m_charts)
            m_charts->detail(row);
        const auto& cols = m_walker->columnsOf(m_def.detail);
        std::vector<Cell> cells;
        cells.reserve(m_detailFields.size());
        for (size_t i : m_detailFields) {
            const ElementDef& e = m_def.detail.elements[i];
            if (e.kind == ElementKind::Summary)
                cells.push_back(cellOfSummary(m_walker->summary(e), e.format, false));
            else
                cells.push_back(cellOf(fieldValue(e, cols[i], &row), e.format));
        }
        m_w.addRow(cells);
        m_lastRow = row;
        sections(m_def.detail);
        charts(m_def.detail);
    }

    void groupFooter(int level, const Row& lastRow) override
    {
        bandRows(m_def.groups[size_t(level)].footer, &lastRow);
    }

private:
    // Title lines: the report header's texts, a line per distinct height on the band.
    void titleLines()
    {
        std::vector<const ElementDef*> titles;
        for (const auto& e : m_def.reportHeader.elements)
            if (!textOf(e).trimmed().isEmpty())
                titles.push_back(&e);
        std::stable_sort(titles.begin(), titles.end(), [](auto a, auto b) {
            return a->rect.top() < b->rect.top() || (a->rect.top() == b->rect.top() && a->rect.left() < b->rect.left());
        });
        for (size_t i = 0; i < titles.size();) {
            QStringList parts;
            const double top = titles[i]->rect.top();
            for (; i < titles.size() && std::abs(titles[i]->rect.top() - top) < 2; ++i)
                parts << textOf(*titles[i]).trimmed();
            m_w.addRow({Cell::ofText(parts.join(QStringLiteral("  ")), true)});
        }
        if (!titles.empty())
            m_w.addRow({});
    }

    void captionRow()
    {
        std::vector<Cell> header;
        for (size_t i : m_detailFields)
            header.push_back(Cell::ofText(m_def.detail.elements[i].caption, true));
        if (!header.empty())
            m_w.addRow(header);
    }

    QVariant fieldValue(const ElementDef& e, int column, const Row* row) const
    {
        QVariant v = row && column >= 0 ? (*row)[size_t(column)] : QVariant();
        if (isEmptyValue(v) && e.parameterIndex >= 0)
            v = m_snap.params[size_t(e.parameterIndex)];
        return v;
    }

    QString textOf(const ElementDef& e) const
    {
        switch (e.kind) {
        case ElementKind::Text: return e.text;
        case ElementKind::Parameter: return formatValue(m_snap.params[size_t(e.parameterIndex)], e.format);
        case ElementKind::Special:
            return e.special == SpecialKind::ReportTitle ? m_snap.title : QString();
        case ElementKind::Field:
        case ElementKind::Summary:
        case ElementKind::Line:
        case ElementKind::Box:
        case ElementKind::Image:
        case ElementKind::Subreport:
        case ElementKind::Chart:
            return {};
        }
        return {};
    }

    // The cell an element of a band becomes; empty for decorations and page numbers.
    Cell cellOfElement(const ElementDef& e, int column, const Row* row) const
    {
        switch (e.kind) {
        case ElementKind::Summary:
            if (!m_walker)
                return Cell::empty();
            return cellOfSummary(m_walker->summary(e), e.format, e.font.bold);
        case ElementKind::Field:
            return cellOf(fieldValue(e, column, row), e.format, e.font.bold);
        case ElementKind::Parameter:
            return cellOf(m_snap.params[size_t(e.parameterIndex)], e.format, e.font.bold);
        case ElementKind::Text:
        case ElementKind::Special: {
            const QString t = textOf(e).trimmed();
            return t.isEmpty() ? Cell::empty() : Cell::ofText(t, e.font.bold);
        }
        case ElementKind::Line:
        case ElementKind::Box:
        case ElementKind::Image:
        case ElementKind::Subreport:
        case ElementKind::Chart:
            return Cell::empty();
        }
        return Cell::empty();
    }

    // The detail column an element stands over: the one holding the point its text is
    // aligned to. An element beside every column goes to the nearest, unless it is a summary
    // of a column the detail shows: then under that column.
    size_t columnOf(const ElementDef& e) const
    {
        if (m_detailFields.empty())
            return 0;
        const double x = e.align == Align::Right    ? e.rect.right() - 1
                         : e.align == Align::Center ? e.rect.center().x()
                                                    : e.rect.left() + 1;
        size_t best = 0;
        double bestDistance = std::numeric_limits<double>::max();
        for (size_t k = 0; k < m_detailFields.size(); ++k) {
            const QRectF r = m_def.detail.elements[m_detailFields[k]].rect;
            const double distance = x < r.left() ? r.left() - x : x > r.right() ? x - r.right() : 0;
            if (distance < bestDistance) {
                best = k;
                bestDistance = distance;
            }
        }
        if (bestDistance > 0 && e.kind == ElementKind::Summary && !e.column.isEmpty())
            for (size_t k = 0; k < m_detailFields.size(); ++k) {
                const ElementDef& d = m_def.detail.elements[m_detailFields[k]];
                if (d.kind == ElementKind::Field && d.column.compare(e.column, Qt::CaseInsensitive) == 0)
                    return k;
            }
        return best;
    }

    // Puts a cell into its column; when another element took it, texts share the cell and
    // anything else moves to the nearest free cell (or a new one at the end): nothing is lost.
    static void place(std::vector<Cell>& cells, size_t column, const Cell& cell)
    {
        if (cells[column].type == Cell::Type::Empty) {
            cells[column] = cell;
            return;
        }
        if (cells[column].type == Cell::Type::Text && cell.type == Cell::Type::Text) {
            cells[column].text += u' ' + cell.text;
            cells[column].bold = cells[column].bold || cell.bold;
            return;
        }
        // Labels look left, numbers right, as they read on the page.
        const bool leftFirst = cell.type == Cell::Type::Text;
        for (size_t step = 1; step < cells.size(); ++step) {
            for (int dir : {leftFirst ? -1 : 1, leftFirst ? 1 : -1}) {
                const qsizetype k = qsizetype(column) + dir * qsizetype(step);
                if (k >= 0 && k < qsizetype(cells.size()) && cells[size_t(k)].type == Cell::Type::Empty) {
                    cells[size_t(k)] = cell;
                    return;
                }
            }
        }
        cells.push_back(cell);
    }

    // A row that starts with a label starts in the first cell, as a sheet's rows do ("Total
    // for the year" in column A); the figures after it keep their columns.
    static void leadingLabelFirst(std::vector<Cell>& cells)
    {
        const auto first = std::find_if(cells.begin(), cells.end(),
                                        [](const Cell& c) { return c.type != Cell::Type::Empty; });
        if (first != cells.end() && first != cells.begin() && first->type == Cell::Type::Text)
            std::swap(cells.front(), *first);
    }

    // A band as rows: each line of elements a row, in order from the top; the subreports
    // placed on a line follow it. Returns whether anything was written.
    bool bandRows(const BandDef& band, const Row* row)
    {
        if (!band.present)
            return false;
        static const std::vector<int> noColumns;
        const std::vector<int>& cols = m_walker ? m_walker->columnsOf(band) : noColumns;
        std::vector<size_t> order;
        std::vector<const ElementDef*> chartsLeft; // by their tops, each after the lines above it
        for (size_t i = 0; i < band.elements.size(); ++i) {
            const ElementKind k = band.elements[i].kind;
            if (k == ElementKind::Chart)
                chartsLeft.push_back(&band.elements[i]);
            else if (k != ElementKind::Line && k != ElementKind::Box && k != ElementKind::Image)
                order.push_back(i);
        }
        std::stable_sort(chartsLeft.begin(), chartsLeft.end(),
                         [](const ElementDef* a, const ElementDef* b) { return a->rect.top() < b->rect.top(); });
        auto chartsAbove = [&](double top) {
            while (!chartsLeft.empty() && chartsLeft.front()->rect.top() < top) {
                chart(band, *chartsLeft.front());
                chartsLeft.erase(chartsLeft.begin());
            }
        };
        std::stable_sort(order.begin(), order.end(), [&band](size_t a, size_t b) {
            const QRectF ra = band.elements[a].rect, rb = band.elements[b].rect;
            return ra.top() < rb.top() || (ra.top() == rb.top() && ra.left() < rb.left());
        });
        bool wrote = !chartsLeft.empty();
        for (size_t i = 0; i < order.size();) {
            // Elements whose tops lie within half a text line of the first are one line.
            const ElementDef& first = band.elements[order[i]];
            chartsAbove(first.rect.top());
            const double reach = first.rect.top() + std::max(2.0, first.rect.height() / 2);
            std::vector<Cell> cells(m_columns);
            std::vector<const ElementDef*> subreports;
            bool any = false;
            for (; i < order.size() && band.elements[order[i]].rect.top() < reach; ++i) {
                const ElementDef& e = band.elements[order[i]];
                if (e.kind == ElementKind::Subreport) {
                    subreports.push_back(&e);
                    continue;
                }
                const Cell c = cellOfElement(e, cols.empty() ? -1 : cols[order[i]], row);
                if (c.type == Cell::Type::Empty)
                    continue;
                place(cells, columnOf(e), c);
                any = true;
            }
            if (any) {
                leadingLabelFirst(cells);
                m_w.addRow(cells);
                wrote = true;
            }
            for (const ElementDef* e : subreports)
                section(*e);
        }
        chartsAbove(std::numeric_limits<double>::max());
        return wrote;
    }

    // A chart's figures where its band is written: gathered so far for the bands after their
    // rows, gathered ahead for the others.
    const ChartData& chartData(const BandDef& band, const ElementDef& e) const
    {
        static const ChartData none;
        if (ChartFeed::beforeRows(band.kind)) {
            if (!m_ahead)
                return none;
            const int instance = band.kind == BandKind::GroupHeader ? m_groupInstances[size_t(band.group)] - 1 : 0;
            return m_ahead->data(e, instance);
        }
        return m_charts ? m_charts->data(e) : none;
    }

    void chart(const BandDef& band, const ElementDef& e)
    {
        m_w.addRow({});
        m_w.addChart(chartTableOf(e, chartData(band, e)));
    }

    // The charts of a band that is written as one row (a detail, a group header) or as title
    // lines (the report header): after it, top to bottom.
    void charts(const BandDef& band)
    {
        std::vector<const ElementDef*> list;
        for (const ElementDef& e : band.elements)
            if (e.kind == ElementKind::Chart)
                list.push_back(&e);
        std::stable_sort(list.begin(), list.end(),
                         [](const ElementDef* a, const ElementDef* b) { return a->rect.top() < b->rect.top(); });
        for (const ElementDef* e : list)
            chart(band, *e);
    }

    // The subreports placed in a band that is written as one row (a detail, a group header).
    void sections(const BandDef& band)
    {
        for (const ElementDef& e : band.elements)
            if (e.kind == ElementKind::Subreport)
                section(e);
    }

    void section(const ElementDef& e)
    {
        SheetFeed sub(m_snap.subreports[size_t(e.subreportIndex)], m_w, true);
        sub.run();
    }

    const ReportSnapshot& m_snap;
    const Definition& m_def;
    SheetWriter& m_w;
    bool m_section = false;
    std::vector<size_t> m_detailFields;
    size_t m_columns = 1;
    std::unique_ptr<RowSource> m_source;
    std::unique_ptr<RowWalker> m_walker;
    std::unique_ptr<ChartFeed> m_charts;
    std::unique_ptr<ChartsAhead> m_ahead;
    std::vector<int> m_groupInstances;
    Row m_lastRow;
};

#endif

} // namespace

QString Report::exportFilePath() const
{
    const StoredExport& stored = m_def->storedExport;
    const int formatCode = m_exportOptions.formatType != 0 ? m_exportOptions.formatType
                           : stored.present              ? stored.format
                                                         : 29;
    QString file = m_exportOptions.diskFileName;
    if (file.isEmpty() && stored.present)
        file = stored.fileName;
    if (file.isEmpty())
        file = name() + extensionOf(formatOf(formatCode));
    if (QFileInfo(file).isRelative())
        file = QDir(defaultExportFolder()).filePath(file);
    return QDir::cleanPath(file);
}

#ifdef TARVIK_HAVE_SHEET_EXPORT

// Passes rows on to the file's writer, counting them and stopping at the first row after a
// cancel of the export.
class ControlledSheet : public SheetWriter
{
public:
    explicit ControlledSheet(std::unique_ptr<SheetWriter> writer) : m_writer(std::move(writer)) {}
    void setColumnWidths(const std::vector<double>& widths) override { m_writer->setColumnWidths(widths); }
    void addRow(const std::vector<Cell>& cells) override
    {
        throwIfExportCancelled();
        m_writer->addRow(cells);
        if (ExportControl* control = currentExportControl())
            ++control->done;
    }
    void addChart(const ChartTable& chart) override
    {
        throwIfExportCancelled();
        m_writer->addChart(chart);
    }
    void finish() override
    {
        throwIfExportCancelled();
        m_writer->finish();
    }

private:
    std::unique_ptr<SheetWriter> m_writer;
};

#endif

void Report::exportReport()
{
    prepareExport()();
}

std::function<void()> Report::prepareExport(std::shared_ptr<Document> laidOut)
{
    const StoredExport& stored = m_def->storedExport;
    const int formatCode = m_exportOptions.formatType != 0 ? m_exportOptions.formatType
                           : stored.present              ? stored.format
                                                         : 29;
    const int destination = m_exportOptions.destinationType != 0 ? m_exportOptions.destinationType
                            : stored.present                    ? stored.destination
                                                                : 1;
    const Format format = formatOf(formatCode);
    if (destination != 1)
        throw ReportError(QStringLiteral("Export destination code %1 is not supported (1 is a file on disk).").arg(destination));
    const QString file = exportFilePath();
    const QDir folder = QFileInfo(file).absoluteDir();
    if (!folder.exists())
        throw ReportError(QStringLiteral("Cannot export to \"%1\": the folder \"%2\" does not exist.")
                              .arg(file, folder.absolutePath()));

    switch (format) {
    case Format::Pdf: {
        std::shared_ptr<Document> doc = laidOut ? std::move(laidOut) : layOut();
        return [this, doc, file] {
            qCInfo(lcEngine).noquote() << "exporting" << name() << "to" << file;
            writePdf(*this, *doc, file);
        };
    }
    case Format::Xls:
    case Format::Xlsx:
    case Format::Csv: {
#ifdef TARVIK_HAVE_SHEET_EXPORT
        auto snap = std::make_shared<const ReportSnapshot>(snapshotOfReport(*this));
        // The sheet is named as the report is presented; the writer makes the name one
        // Excel accepts.
        const QString title = sheetTitle(displayName());
        const QString reportName = name();
        return [snap, format, file, title, reportName] {
            qCInfo(lcEngine).noquote() << "exporting" << reportName << "to" << file;
            ControlledSheet writer(createSheetWriter(sheetFormat(format), file, title));
            SheetFeed feed(*snap, writer);
            feed.run();
            writer.finish();
        };
#else
        throw ReportError(QStringLiteral("This build has no spreadsheet export."));
#endif
    }
    }
    return [] {};
}

} // namespace tarvik::engine
