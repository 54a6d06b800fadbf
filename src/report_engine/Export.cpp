#include "DataSource.h"
#include "EngineLog.h"
#include "Report.h"
#include "Values.h"

#ifdef TARVIK_HAVE_SHEET_EXPORT
#include "export/SheetWriter.h"
#endif

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

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
        QString out = quoted(f.prefix) + core + quoted(f.suffix);
        if (f.hasNegativeSection)
            out += u';' + quoted(f.negPrefix) + core + quoted(f.negSuffix);
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
        return dateOnly ? Cell::ofDate(dt.date(), fmt.isEmpty() ? QStringLiteral("mm/dd/yyyy") : fmt)
                        : Cell::ofDateTime(dt, fmt.isEmpty() ? QStringLiteral("mm/dd/yyyy hh:mm") : fmt);
    }
    if (f.kind == ValueFormat::Kind::Number)
        if (const auto d = Decimal::fromVariant(v))
            return Cell::ofNumber(d->toDouble(), excelFormat(f), bold);
    return Cell::ofText(v.toString(), bold);
}

// Streams the report's rows into a sheet: title lines, a header row of the detail fields'
// captions, group headers, details, group footers with their sums and the report totals.
class SheetFeed : public RowWalker::Handler
{
public:
    SheetFeed(const ReportSnapshot& snap, SheetWriter& writer) : m_snap(snap), m_def(*snap.def), m_w(writer)
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
        std::vector<double> widths;
        for (size_t i : m_detailFields)
            widths.push_back(std::max(6.0, m_def.detail.elements[i].rect.width() / 5.25));
        if (widths.empty())
            widths.push_back(40);
        m_w.setColumnWidths(widths);

        // Title lines: the report header's texts, a line per distinct height on the band.
        std::vector<const ElementDef*> titles;
        for (const auto& e : m_def.reportHeader.elements)
            if (!textOf(e, nullptr).trimmed().isEmpty())
                titles.push_back(&e);
        std::stable_sort(titles.begin(), titles.end(), [](auto a, auto b) {
            return a->rect.top() < b->rect.top() || (a->rect.top() == b->rect.top() && a->rect.left() < b->rect.left());
        });
        for (size_t i = 0; i < titles.size();) {
            QStringList parts;
            const double top = titles[i]->rect.top();
            for (; i < titles.size() && std::abs(titles[i]->rect.top() - top) < 2; ++i)
                parts << textOf(*titles[i], nullptr).trimmed();
            m_w.addRow({Cell::ofText(parts.join(QStringLiteral("  ")), true)});
        }
        if (!titles.empty())
            m_w.addRow({});
        std::vector<Cell> header;
        for (size_t i : m_detailFields)
            header.push_back(Cell::ofText(m_def.detail.elements[i].caption, true));
        if (!header.empty())
            m_w.addRow(header);

        if (!m_def.query.empty()) {
            m_source = std::make_unique<RowSource>(m_snap);
            m_walker = std::make_unique<RowWalker>(m_def, *m_source);
            m_walker->run(*this, nullptr);
        }
        summaryRow(m_def.reportFooter, m_lastRow.empty() ? nullptr : &m_lastRow);
        m_w.finish();
    }

    void groupsStarting(int, const Row&) override {}

    void groupHeader(int level, const Row& row) override
    {
        const GroupDef& g = m_def.groups[size_t(level)];
        QString text;
        if (g.header.present) {
            QStringList parts;
            const auto& cols = m_walker->columnsOf(g.header);
            for (size_t i = 0; i < g.header.elements.size(); ++i) {
                const ElementDef& e = g.header.elements[i];
                const QVariant v = cols[i] >= 0 ? row[size_t(cols[i])] : QVariant();
                const QString t = e.kind == ElementKind::Field ? formatValue(v, e.format) : textOf(e, &row);
                if (!t.trimmed().isEmpty())
                    parts << t.trimmed();
            }
            text = parts.join(u' ');
        }
        if (text.isEmpty())
            text = formatValue(row[size_t(m_walker->groupColumn(level))], g.format);
        m_w.addRow({Cell::ofText(text, true)});
    }

    void detail(const Row& row) override
    {
        const auto& cols = m_walker->columnsOf(m_def.detail);
        std::vector<Cell> cells;
        cells.reserve(m_detailFields.size());
        for (size_t i : m_detailFields) {
            const ElementDef& e = m_def.detail.elements[i];
            if (e.kind == ElementKind::Summary) {
                const SummaryValue v = m_walker->summary(e);
                cells.push_back(v.kind == SummaryValue::Kind::Decimal
                                    ? Cell::ofNumber(v.decimal.toDouble(), excelFormat(e.format))
                                    : cellOf(v.other, e.format));
            } else {
                cells.push_back(cellOf(row[size_t(cols[i])], e.format));
            }
        }
        m_w.addRow(cells);
        m_lastRow = row;
    }

    void groupFooter(int level, const Row& lastRow) override
    {
        summaryRow(m_def.groups[size_t(level)].footer, &lastRow);
    }

private:
    QString textOf(const ElementDef& e, const Row*) const
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
            return {};
        }
        return {};
    }

    // A footer's summaries go under the detail column of the same query column; its label
    // texts into the first free cell.
    void summaryRow(const BandDef& band, const Row* row)
    {
        if (!band.present)
            return;
        std::vector<Cell> cells(m_columns);
        bool any = false;
        QStringList labels;
        for (size_t i = 0; i < band.elements.size(); ++i) {
            const ElementDef& e = band.elements[i];
            if (e.kind == ElementKind::Summary && m_walker) {
                const SummaryValue v = m_walker->summary(e);
                Cell c;
                switch (v.kind) {
                case SummaryValue::Kind::Empty: break;
                case SummaryValue::Kind::Decimal:
                    c = Cell::ofNumber(v.decimal.toDouble(), excelFormat(e.format), true);
                    break;
                case SummaryValue::Kind::Other:
                    c = cellOf(v.other, e.format, true);
                    c.bold = true;
                    break;
                }
                size_t col = m_columns;
                for (size_t k = 0; k < m_detailFields.size(); ++k) {
                    const ElementDef& d = m_def.detail.elements[m_detailFields[k]];
                    if (d.kind == ElementKind::Field && !e.column.isEmpty() &&
                        d.column.compare(e.column, Qt::CaseInsensitive) == 0)
                        col = k;
                }
                if (col == m_columns) {
                    for (size_t k = m_columns; k-- > 0;)
                        if (cells[k].type == Cell::Type::Empty) {
                            col = k;
                            break;
                        }
                }
                if (col < m_columns) {
                    cells[col] = c;
                    any = true;
                }
            } else if (e.kind == ElementKind::Field && m_walker && row) {
                const auto& cols = m_walker->columnsOf(band);
                labels << formatValue((*row)[size_t(cols[i])], e.format);
            } else {
                const QString t = textOf(e, row).trimmed();
                if (!t.isEmpty())
                    labels << t;
            }
        }
        if (!labels.isEmpty())
            for (auto& c : cells)
                if (c.type == Cell::Type::Empty) {
                    c = Cell::ofText(labels.join(u' '), true);
                    any = true;
                    break;
                }
        if (any)
            m_w.addRow(cells);
    }

    const ReportSnapshot& m_snap;
    const Definition& m_def;
    SheetWriter& m_w;
    std::vector<size_t> m_detailFields;
    size_t m_columns = 1;
    std::unique_ptr<RowSource> m_source;
    std::unique_ptr<RowWalker> m_walker;
    Row m_lastRow;
};

ReportSnapshot snapshotForExport(Report& report)
{
    ReportSnapshot snap;
    snap.def = std::shared_ptr<const Definition>(std::shared_ptr<const Definition>(), &report.definition());
    snap.title = report.reportTitle();
    for (DatabaseTable* t : report.tables())
        snap.tables.push_back({t->location(), t->isLoggedOn(), t->server(), t->logOnDatabase(), t->user(), t->password()});
    for (ParameterField* p : report.parameterFields())
        snap.params.push_back(p->currentValue());
    return snap;
}

#endif

} // namespace

void Report::exportReport()
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
    QString file = m_exportOptions.diskFileName;
    if (file.isEmpty() && stored.present)
        file = stored.fileName;
    if (file.isEmpty())
        file = name() + extensionOf(format);
    if (QFileInfo(file).isRelative())
        file = QDir(defaultExportFolder()).filePath(file);
    const QDir folder = QFileInfo(file).absoluteDir();
    if (!folder.exists())
        throw ReportError(QStringLiteral("Cannot export to \"%1\": the folder \"%2\" does not exist.")
                              .arg(file, folder.absolutePath()));
    qCInfo(lcEngine).noquote() << "exporting" << name() << "to" << file;

    switch (format) {
    case Format::Pdf: {
        auto doc = layOut();
        writePdf(*this, *doc, file);
        return;
    }
    case Format::Xls:
    case Format::Xlsx:
    case Format::Csv: {
#ifdef TARVIK_HAVE_SHEET_EXPORT
        const ReportSnapshot snap = snapshotForExport(*this);
        QString sheet = name();
        static const QRegularExpression bad(QStringLiteral("[\\[\\]:*?/\\\\]"));
        sheet.remove(bad);
        auto writer = createSheetWriter(sheetFormat(format), file, sheet.left(31));
        SheetFeed feed(snap, *writer);
        feed.run();
        return;
#else
        throw ReportError(QStringLiteral("This build has no spreadsheet export."));
#endif
    }
    }
}

} // namespace tarvik::engine
