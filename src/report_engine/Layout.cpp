#include "Layout.h"
#include "Chart.h"
#include "DisplayList.h"
#include "EngineLog.h"
#include "ReportError.h"
#include "Stop.h"
#include "TextRenderer.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace tarvik::engine {

namespace {

class Layouter;

// The page being filled, shared by a report and the subreports placed in it.
struct Flow
{
    Document& doc;
    const std::atomic<bool>& cancel;
    QSizeF pageSize;
    QMarginsF margins;
    double bodyBottom = 0;
    PageBuilder page;
    double y = 0;
    int pageIndex = -1;
    bool bodyEmpty = true;
    bool started = false; // the first page waits for the first row, so its header can show it
    Layouter* main = nullptr;

    Flow(Document& d, const std::atomic<bool>& c) : doc(d), cancel(c) {}
    void startPage();
    void finishPage();
    void newPage()
    {
        finishPage();
        startPage();
    }
    void ensure(double height)
    {
        if (!bodyEmpty && y + height > bodyBottom + 0.01)
            newPage();
    }
};

int alignCode(Align a)
{
    switch (a) {
    case Align::Left: return 0;
    case Align::Center: return 1;
    case Align::Right: return 2;
    }
    return 0;
}

class Layouter : public RowWalker::Handler
{
public:
    Layouter(Flow& flow, const ReportSnapshot& snap, double xOffset, const QDateTime& printTime)
        : m_flow(flow), m_snap(snap), m_def(*snap.def), m_x(xOffset), m_printTime(printTime)
    {
        int treeLevel = 0;
        for (const auto& g : m_def.groups) {
            m_treeLevel.push_back(g.inTree ? treeLevel : -1);
            if (g.inTree)
                ++treeLevel;
        }
    }

    // The main report: page set-up, report header on the first page, pages to the end.
    void runMain()
    {
        m_flow.main = this;
        m_flow.pageSize = m_def.pageSizePoints();
        m_flow.margins = m_def.margins;
        m_flow.bodyBottom = m_flow.pageSize.height() - m_def.margins.bottom() -
                            (m_def.pageFooter.present ? m_def.pageFooter.height : 0);
        openData();
        walk();
        if (!m_flow.started)
            m_flow.startPage();
        placeReportFooters();
        m_flow.finishPage();
    }

    // A subreport: its own query and bands, flowing on the main report's pages.
    void runInline()
    {
        openData();
        placeBand(m_def.reportHeader, nullptr, true);
        walk();
        placeReportFooters();
    }

    void placeReportFooters()
    {
        const Row* last = m_lastRow.empty() ? nullptr : &m_lastRow;
        placeBand(m_def.reportFooter, last, true);
        // A section of charts alone with nothing to chart (a period without data) is left out
        // rather than given a page that only says so.
        for (const BandDef& section : m_def.reportFooterSections)
            if (!onlyEmptyCharts(section))
                placeBand(section, last, true);
    }

    bool onlyEmptyCharts(const BandDef& band) const
    {
        if (band.elements.empty())
            return false;
        return std::all_of(band.elements.begin(), band.elements.end(), [&](const ElementDef& e) {
            return e.kind == ElementKind::Chart && chartData(band, e).isEmpty();
        });
    }

    void placeReportHeader() { placeBand(m_def.reportHeader, nullptr, false); }
    void placePageHeader() { placeBand(m_def.pageHeader, currentRow(), false); }
    void placePageFooter()
    {
        if (!m_def.pageFooter.present)
            return;
        m_flow.y = m_flow.pageSize.height() - m_def.margins.bottom() - m_def.pageFooter.height;
        placeBand(m_def.pageFooter, currentRow(), false);
    }

    // RowWalker::Handler
    void groupsStarting(int from, const Row&) override
    {
        if (m_charts)
            m_charts->groupsStarting(from);
        const int levels = int(m_def.groups.size());
        bool breakPage = false;
        for (int l = from; l < levels; ++l)
            breakPage = breakPage || m_def.groups[size_t(l)].newPageBefore;
        if (breakPage && !m_flow.bodyEmpty && m_isMain) {
            m_flow.newPage();
            return;
        }
        if (!m_def.groups[size_t(from)].keepWithNext)
            return;
        // Widow control: the headers that start here and one detail row go together.
        double need = m_def.detail.present ? m_def.detail.height : 0;
        for (int l = from; l < levels; ++l)
            if (m_def.groups[size_t(l)].header.present)
                need += m_def.groups[size_t(l)].header.height;
        m_flow.ensure(need);
    }

    void groupHeader(int level, const Row& row) override
    {
        m_current = &row;
        ++m_groupInstances[size_t(level)];
        if (m_charts)
            m_charts->groupHeader(level, row);
        const GroupDef& g = m_def.groups[size_t(level)];
        // The tree entry points at where the group's first band lands, which is known only
        // once that band (this header, an inner one or the first row) has been placed.
        if (m_treeLevel[size_t(level)] >= 0 && m_isMain)
            m_pendingNodes.push_back({m_treeLevel[size_t(level)], treeLabel(level, row)});
        placeBand(g.header, &row, true);
    }

    void detail(const Row& row) override
    {
        // A stop of the run (its Cancel, a stop signal) ends the layout as well.
        if (m_flow.cancel.load(std::memory_order_relaxed) || db::stopRequested())
            throw ReportError(QStringLiteral("The layout was cancelled."));
        m_current = &row;
        if (m_charts)
            m_charts->detail(row);
        placeBand(m_def.detail, &row, true);
    }

    void groupFooter(int level, const Row& lastRow) override
    {
        m_current = &lastRow;
        placeBand(m_def.groups[size_t(level)].footer, &lastRow, true);
    }

private:
    const Row* currentRow() const { return m_current; }

    struct PendingNode
    {
        int level;
        QString name;
    };

    // What the tree calls a group: the text its header shows (the header's first field, as
    // the reader sees it), unless the group's own format says how to show its value; the
    // group's value when the header has no field. Sort keys such as "1 Charges" stay out.
    QString treeLabel(int level, const Row& row) const
    {
        const GroupDef& g = m_def.groups[size_t(level)];
        QString name;
        if (g.format.kind == ValueFormat::Kind::None && g.header.present) {
            const auto& cols = m_walker->columnsOf(g.header);
            const ElementDef* first = nullptr;
            int column = -1;
            for (size_t i = 0; i < g.header.elements.size(); ++i) {
                const ElementDef& e = g.header.elements[i];
                if (e.kind != ElementKind::Field || cols[i] < 0)
                    continue;
                if (!first || e.rect.top() < first->rect.top() - 0.5 ||
                    (std::abs(e.rect.top() - first->rect.top()) <= 0.5 && e.rect.left() < first->rect.left())) {
                    first = &e;
                    column = cols[i];
                }
            }
            if (first)
                name = formatValue(row[size_t(column)], first->format).simplified();
        }
        if (name.isEmpty())
            name = formatValue(row[size_t(m_walker->groupColumn(level))], g.format).simplified();
        if (name.isEmpty())
            name = QStringLiteral("(blank)");
        return name;
    }

    void flushPendingNodes(int page, double y)
    {
        for (const PendingNode& node : m_pendingNodes)
            DocumentWriter::addGroupNode(m_flow.doc, node.level, node.name, page, y);
        m_pendingNodes.clear();
    }

    void openData()
    {
        m_isMain = m_flow.main == this;
        if (m_def.query.empty())
            return;
        m_source = std::make_unique<RowSource>(m_snap);
        m_walker = std::make_unique<RowWalker>(m_def, *m_source);
        m_groupInstances.assign(m_def.groups.size(), 0);
        if (ChartFeed::hasCharts(m_def, ChartFeed::Which::AfterRows))
            m_charts = std::make_unique<ChartFeed>(m_def, *m_source, ChartFeed::Which::AfterRows);
        m_ahead = ChartsAhead::collect(m_snap, &m_flow.cancel);
    }

    // A chart's figures where its band is placed: gathered so far for the bands after their
    // rows, gathered ahead for the others (a group header's for this instance of its group).
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

    void walk()
    {
        if (!m_walker)
            return;
        // The walker hands out rows it reuses; the last one is kept for the report footer.
        struct Tail : RowWalker::Handler
        {
            Layouter& l;
            explicit Tail(Layouter& x) : l(x) {}
            // The main report's first page starts when its first row is known.
            void begin(const Row& r)
            {
                if (l.m_isMain && !l.m_flow.started) {
                    l.m_current = &r;
                    l.m_flow.startPage();
                }
            }
            void groupsStarting(int f, const Row& r) override
            {
                begin(r);
                l.groupsStarting(f, r);
            }
            void groupHeader(int lv, const Row& r) override
            {
                begin(r);
                l.groupHeader(lv, r);
            }
            void detail(const Row& r) override
            {
                begin(r);
                l.detail(r);
                l.m_lastRow = r;
                l.m_current = &l.m_lastRow;
            }
            void groupFooter(int lv, const Row& r) override { l.groupFooter(lv, r); }
        } tail(*this);
        m_walker->run(tail, &m_flow.cancel);
        if (m_flow.cancel.load() || db::stopRequested())
            throw ReportError(QStringLiteral("The layout was cancelled."));
        if (!m_pendingNodes.empty()) // groups without any band: where the report stands now
            flushPendingNodes(std::max(0, m_flow.pageIndex), m_flow.y);
        m_current = m_lastRow.empty() ? nullptr : &m_lastRow;
    }

    struct Placed
    {
        const ElementDef* e;
        QString text;
        QStringList lines;   // wrapped texts
        bool pageField = false;
        bool numeric = false;
    };

    QString specialText(const ElementDef& e, bool& pageField) const
    {
        pageField = false;
        switch (e.special) {
        case SpecialKind::PageNumber:
            pageField = true;
            return e.text.isEmpty() ? QStringLiteral("{page}") : e.text;
        case SpecialKind::PageCount:
            pageField = true;
            return e.text.isEmpty() ? QStringLiteral("{pages}") : e.text;
        case SpecialKind::PageNofM:
            pageField = true;
            return e.text;
        case SpecialKind::PrintDate:
            return m_printTime.toString(e.format.kind == ValueFormat::Kind::DateTime ? e.format.pattern
                                                                                     : QStringLiteral("MM/dd/yyyy"));
        case SpecialKind::PrintTime:
            return m_printTime.toString(e.format.kind == ValueFormat::Kind::DateTime ? e.format.pattern
                                                                                     : QStringLiteral("h:mm AP"));
        case SpecialKind::PrintDateTime:
            return m_printTime.toString(e.format.kind == ValueFormat::Kind::DateTime
                                            ? e.format.pattern
                                            : QStringLiteral("MM/dd/yyyy h:mm AP"));
        case SpecialKind::ReportTitle:
            return m_snap.title;
        }
        return {};
    }

    void placeBand(const BandDef& band, const Row* row, bool flowing)
    {
        if (!band.present)
            return;
        const std::vector<int>* cols = m_walker ? &m_walker->columnsOf(band) : nullptr;
        std::vector<Placed> placed;
        placed.reserve(band.elements.size());
        double height = band.height;
        for (size_t i = 0; i < band.elements.size(); ++i) {
            const ElementDef& e = band.elements[i];
            Placed p{&e, {}, {}, false, false};
            bool textual = true;
            switch (e.kind) {
            case ElementKind::Text:
                p.text = e.text;
                break;
            case ElementKind::Field: {
                const int c = cols ? (*cols)[i] : -1;
                QVariant v = row && c >= 0 ? (*row)[size_t(c)] : QVariant();
                if (isEmptyValue(v) && e.parameterIndex >= 0)
                    v = m_snap.params[size_t(e.parameterIndex)];
                if (e.suppressIfEmpty && isEmptyValue(v))
                    continue;
                p.text = formatValue(v, e.format);
                p.numeric = e.format.kind == ValueFormat::Kind::Number ||
                            (v.typeId() != QMetaType::QString && Decimal::fromVariant(v).has_value());
                break;
            }
            case ElementKind::Parameter: {
                const QVariant& v = m_snap.params[size_t(e.parameterIndex)];
                if (e.suppressIfEmpty && isEmptyValue(v))
                    continue;
                p.text = formatValue(v, e.format);
                break;
            }
            case ElementKind::Special:
                p.text = specialText(e, p.pageField);
                break;
            case ElementKind::Summary: {
                const SummaryValue v = m_walker->summary(e);
                if (e.suppressIfEmpty && v.kind == SummaryValue::Kind::Empty)
                    continue;
                p.text = v.format(e.format);
                p.numeric = true;
                break;
            }
            case ElementKind::Line:
            case ElementKind::Box:
            case ElementKind::Image:
            case ElementKind::Subreport:
            case ElementKind::Chart:
                textual = false;
                break;
            }
            if (textual && e.suppressIfEmpty && p.text.trimmed().isEmpty())
                continue;
            if (textual && e.wrap && !p.pageField) {
                const FontTable& font = fontTable(e.font);
                p.lines = font.wrap(p.text, e.rect.width());
                height = std::max(height, e.rect.top() + p.lines.size() * font.lineHeight());
            }
            placed.push_back(std::move(p));
        }
        if (flowing)
            m_flow.ensure(height);
        const double left = m_flow.margins.left() + m_x;
        const double top = m_flow.y;
        if (flowing && !m_pendingNodes.empty())
            flushPendingNodes(m_flow.pageIndex, top);
        PageBuilder& page = m_flow.page;
        std::vector<const ElementDef*> subreports;
        for (const Placed& p : placed) {
            const ElementDef& e = *p.e;
            const QRectF r = e.rect.translated(left, top);
            switch (e.kind) {
            case ElementKind::Line:
                page.line(r.topLeft(), r.bottomRight(), e.lineWidth, e.color);
                continue;
            case ElementKind::Box:
                page.box(r, e.lineWidth, e.color, e.fill);
                continue;
            case ElementKind::Image:
                page.image(imageId(e), r);
                continue;
            case ElementKind::Subreport:
                subreports.push_back(&e);
                continue;
            case ElementKind::Chart:
                drawChart(page, e, chartData(band, e), r);
                continue;
            case ElementKind::Text:
            case ElementKind::Field:
            case ElementKind::Parameter:
            case ElementKind::Special:
            case ElementKind::Summary:
                break;
            }
            const FontTable& font = fontTable(e.font);
            if (p.pageField) {
                page.pageField(font, r, alignCode(e.align), p.text, e.color);
                continue;
            }
            const QStringList single{p.text};
            const QStringList& lines = e.wrap ? p.lines : single;
            double baseline = r.top() + font.ascent();
            for (const QString& full : lines) {
                // Texts are cut at the element's edge; numbers never are, a cut number lies.
                QStringView s = (!e.wrap && !p.numeric) ? font.fit(full, r.width()) : QStringView(full);
                double x = r.left();
                if (e.align != Align::Left) {
                    const double w = font.advance(s);
                    x = e.align == Align::Right ? r.right() - w : r.left() + (r.width() - w) / 2;
                }
                page.text(font, QPointF(x, baseline), s, e.color);
                baseline += font.lineHeight();
            }
        }
        if (flowing) {
            m_flow.y += height;
            m_flow.bodyEmpty = false;
        } else {
            m_flow.y += height;
        }
        // Subreports of one band stack in the order of their tops: one placed below another
        // starts after the other has ended, never on top of it, also when it ran onto more pages.
        std::stable_sort(subreports.begin(), subreports.end(),
                         [](const ElementDef* a, const ElementDef* b) { return a->rect.top() < b->rect.top(); });
        const int bandPage = m_flow.pageIndex;
        bool first = true;
        for (const ElementDef* e : subreports) {
            if (!flowing) {
                qCWarning(lcEngine) << "a subreport in a page header or footer is not drawn:" << e->name;
                continue;
            }
            if (m_flow.pageIndex == bandPage)
                m_flow.y = first ? top + e->rect.top() : std::max(m_flow.y, top + e->rect.top());
            first = false;
            Layouter sub(m_flow, m_snap.subreports[size_t(e->subreportIndex)], m_x + e->rect.left(), m_printTime);
            sub.runInline();
        }
        if (!subreports.empty() && flowing && m_flow.pageIndex == bandPage)
            m_flow.y = std::max(m_flow.y, top + height);
    }

    int imageId(const ElementDef& e)
    {
        const auto it = m_images.find(&e);
        if (it != m_images.end())
            return it->second;
        try {
            return m_images[&e] = registerImage(e.imagePath);
        } catch (const ReportError& err) {
            throw ReportError(m_def.filePath, e.line, err.message());
        }
    }

    Flow& m_flow;
    const ReportSnapshot& m_snap;
    const Definition& m_def;
    double m_x;
    QDateTime m_printTime;
    bool m_isMain = false;
    std::unique_ptr<RowSource> m_source;
    std::unique_ptr<RowWalker> m_walker;
    std::unique_ptr<ChartFeed> m_charts;
    std::unique_ptr<ChartsAhead> m_ahead;
    std::vector<int> m_groupInstances; // instances of each group so far
    std::vector<int> m_treeLevel;
    const Row* m_current = nullptr;
    Row m_lastRow;
    std::map<const ElementDef*, int> m_images;
    std::vector<PendingNode> m_pendingNodes;
};

void Flow::startPage()
{
    started = true;
    ++pageIndex;
    y = margins.top();
    if (pageIndex == 0)
        main->placeReportHeader();
    main->placePageHeader();
    bodyEmpty = true;
}

void Flow::finishPage()
{
    main->placePageFooter();
    DocumentWriter::addPage(doc, page.take());
}

} // namespace

LayoutJob::LayoutJob(ReportSnapshot snapshot)
    : m_snapshot(std::move(snapshot)), m_printTime(QDateTime::currentDateTime())
{
}

void LayoutJob::run(Document& document, const std::atomic<bool>& cancel)
{
    Flow flow(document, cancel);
    Layouter main(flow, m_snapshot, 0, m_printTime);
    flow.main = &main;
    main.runMain();
}

} // namespace tarvik::engine
