#include "Chart.h"
#include "DisplayList.h"
#include "ReportError.h"
#include "TextRenderer.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace tarvik::engine {

namespace {

const QString kOther = QStringLiteral("Other");

QString categoryText(const QVariant& v)
{
    const QString s = formatValue(v, ValueFormat()).simplified();
    return s.isEmpty() ? QStringLiteral("(blank)") : s;
}

// Keys of a group's instances never meet a category's text: each instance is a category of
// its own, also when two of them print the same.
QString pointKey(int n)
{
    return QStringLiteral("\x01%1").arg(n);
}

} // namespace

// ---- Figures -------------------------------------------------------------------------------

ChartCollector::ChartCollector(const ElementDef& element, const Definition& def, const RowSource& source)
    : m_element(&element)
{
    const ChartDef& c = *element.chart;
    if (!c.category.isEmpty())
        m_categoryColumn = source.requireColumn(c.category, element.line);
    if (!c.series.isEmpty())
        m_seriesColumn = source.requireColumn(c.series, element.line);
    if (c.pointGroup >= 0)
        m_pointColumn = source.requireColumn(def.groups[size_t(c.pointGroup)].column, element.line);
    for (const ChartValueDef& v : c.values)
        m_valueColumns.push_back(source.requireColumn(v.column, v.line));
    m_categorised = m_categoryColumn >= 0 || m_pointColumn >= 0;
    if (c.type == ChartType::Pie)
        m_maxCategories = kChartMaxSlices;
    reset();
}

void ChartCollector::reset()
{
    m_data = ChartData();
    m_categoryIndex.clear();
    m_seriesIndex.clear();
    m_currentPoint = -1;
    m_pointCount = 0;
    if (!m_categorised)
        for (const ChartValueDef& v : chart().values)
            m_data.categories << v.label;
}

int ChartCollector::categoryIndex(const QString& key)
{
    const auto it = m_categoryIndex.find(key);
    if (it != m_categoryIndex.end())
        return it->second;
    const int n = int(m_data.categories.size());
    if (n >= m_maxCategories)
        return n - 1; // the "Other" category; its members are not remembered one by one
    if (n == m_maxCategories - 1) {
        m_data.categories << kOther;
        m_data.folded = true;
    } else {
        m_data.categories << key;
        m_categoryIndex.emplace(key, n);
    }
    for (auto& s : m_data.values)
        s.push_back(Decimal());
    return n;
}

void ChartCollector::addSeries(const QString& label)
{
    m_data.series << label;
    m_data.values.emplace_back(size_t(m_data.categories.size()), Decimal());
}

int ChartCollector::seriesIndex(const QString& label)
{
    const auto it = m_seriesIndex.find(label);
    if (it != m_seriesIndex.end())
        return it->second;
    const int n = int(m_data.series.size());
    if (n >= kChartMaxSeries)
        return n - 1;
    if (n == kChartMaxSeries - 1) {
        addSeries(kOther);
        m_data.folded = true;
    } else {
        addSeries(label);
        m_seriesIndex.emplace(label, n);
    }
    return n;
}

void ChartCollector::startPoint(const Row& row)
{
    const int column = m_categoryColumn >= 0 ? m_categoryColumn : m_pointColumn;
    const QString label = categoryText(row[size_t(column)]);
    m_currentPoint = categoryIndex(pointKey(m_pointCount++));
    // The key made the category; the reader sees the label.
    if (m_currentPoint < int(m_data.categories.size()) && m_data.categories[m_currentPoint] != kOther)
        m_data.categories[m_currentPoint] = label;
}

void ChartCollector::add(const Row& row)
{
    const ChartDef& c = chart();
    const QString seriesText = m_seriesColumn >= 0 ? categoryText(row[size_t(m_seriesColumn)]) : QString();
    if (m_categorised) {
        if (m_pointColumn >= 0 && m_currentPoint < 0)
            startPoint(row);
        const int category = m_pointColumn >= 0 ? m_currentPoint : categoryIndex(categoryText(row[size_t(m_categoryColumn)]));
        for (size_t j = 0; j < m_valueColumns.size(); ++j) {
            const QString name = m_seriesColumn < 0          ? c.values[j].label
                                 : m_valueColumns.size() > 1 ? seriesText + QStringLiteral(" - ") + c.values[j].label
                                                             : seriesText;
            const int s = seriesIndex(name);
            if (const auto v = Decimal::fromVariant(row[size_t(m_valueColumns[j])]))
                m_data.values[size_t(s)][size_t(category)] += *v;
        }
        return;
    }
    // The values are the categories: one series for all rows, or one per series value.
    const int s = seriesIndex(m_seriesColumn >= 0 ? seriesText
                              : c.valueAxis.isEmpty() ? QStringLiteral("Total")
                                                      : c.valueAxis);
    for (size_t j = 0; j < m_valueColumns.size(); ++j)
        if (const auto v = Decimal::fromVariant(row[size_t(m_valueColumns[j])]))
            m_data.values[size_t(s)][j] += *v;
}

ChartFeed::ChartFeed(const Definition& def, const RowSource& source, Which which)
{
    for (const BandDef* band : def.allBands())
        for (const ElementDef& e : band->elements)
            if (e.kind == ElementKind::Chart && beforeRows(band->kind) == (which == Which::BeforeRows))
                m_collectors.push_back(std::make_unique<ChartCollector>(e, def, source));
}

bool ChartFeed::beforeRows(BandKind band)
{
    switch (band) {
    case BandKind::ReportHeader:
    case BandKind::PageHeader:
    case BandKind::GroupHeader:
    case BandKind::PageFooter:
        return true;
    case BandKind::Detail:
    case BandKind::GroupFooter:
    case BandKind::ReportFooter:
        return false;
    }
    return false;
}

bool ChartFeed::hasCharts(const Definition& def, Which which)
{
    for (const BandDef* band : def.allBands())
        for (const ElementDef& e : band->elements)
            if (e.kind == ElementKind::Chart && beforeRows(band->kind) == (which == Which::BeforeRows))
                return true;
    return false;
}

void ChartFeed::groupsStarting(int fromLevel)
{
    for (auto& c : m_collectors)
        if (c->chart().scope == ChartScope::Group && c->chart().scopeGroup >= fromLevel)
            c->reset();
}

void ChartFeed::groupHeader(int level, const Row& row)
{
    for (auto& c : m_collectors)
        if (c->chart().pointGroup == level)
            c->startPoint(row);
}

void ChartFeed::detail(const Row& row)
{
    for (auto& c : m_collectors) {
        if (c->chart().scope == ChartScope::Row)
            c->reset();
        c->add(row);
    }
}

const ChartData& ChartFeed::data(const ElementDef& element) const
{
    for (const auto& c : m_collectors)
        if (&c->element() == &element)
            return c->data();
    static const ChartData none;
    return none;
}

std::unique_ptr<ChartsAhead> ChartsAhead::collect(const ReportSnapshot& snapshot, const std::atomic<bool>* cancel)
{
    const Definition& def = *snapshot.def;
    if (def.query.empty() || !ChartFeed::hasCharts(def, ChartFeed::Which::BeforeRows))
        return nullptr;
    auto out = std::unique_ptr<ChartsAhead>(new ChartsAhead);
    RowSource source(snapshot);
    RowWalker walker(def, source);
    ChartFeed feed(def, source, ChartFeed::Which::BeforeRows);
    struct Handler : RowWalker::Handler
    {
        ChartFeed& feed;
        ChartsAhead& out;
        Handler(ChartFeed& f, ChartsAhead& o) : feed(f), out(o) {}
        void groupsStarting(int from, const Row&) override { feed.groupsStarting(from); }
        void groupHeader(int level, const Row& row) override { feed.groupHeader(level, row); }
        void detail(const Row& row) override { feed.detail(row); }
        void groupFooter(int level, const Row&) override
        {
            for (const auto& c : feed.collectors())
                if (c->chart().scope == ChartScope::Group && c->chart().scopeGroup == level)
                    out.m_data[&c->element()].push_back(c->data());
        }
    } handler(feed, *out);
    walker.run(handler, cancel);
    for (const auto& c : feed.collectors())
        if (c->chart().scope == ChartScope::Report)
            out->m_data[&c->element()] = {c->data()};
    return out;
}

const ChartData& ChartsAhead::data(const ElementDef& element, int instance) const
{
    static const ChartData none;
    const auto it = m_data.find(&element);
    if (it == m_data.end() || instance < 0 || size_t(instance) >= it->second.size())
        return none;
    return it->second[size_t(instance)];
}

// ---- Drawing -------------------------------------------------------------------------------

QColor chartColor(int index)
{
    // Dark, light, middle, pale...: neighbours differ by at least 40 levels of grey.
    static const QRgb palette[] = {0x1f4e79, 0xf2b134, 0x5b9a45, 0xc9dcef, 0xd9764a, 0x6b4f96, 0xf5efc4, 0x2b2b2b};
    constexpr int n = int(std::size(palette));
    return QColor::fromRgb(palette[((index % n) + n) % n]);
}

namespace {

// Line series differ by their dashes and marks as well as by colour.
Qt::PenStyle lineStyle(int index)
{
    static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine};
    return styles[index % 4];
}

QPainterPath marker(int index, QPointF at, double size)
{
    QPainterPath p;
    const double h = size / 2;
    switch (index % 5) {
    case 0:
        p.addEllipse(at, h, h);
        break;
    case 1:
        p.addRect(QRectF(at.x() - h, at.y() - h, size, size));
        break;
    case 2:
        p.moveTo(at.x(), at.y() - h * 1.15);
        p.lineTo(at.x() + h * 1.1, at.y() + h * 0.85);
        p.lineTo(at.x() - h * 1.1, at.y() + h * 0.85);
        p.closeSubpath();
        break;
    case 3:
        p.moveTo(at.x(), at.y() - h * 1.25);
        p.lineTo(at.x() + h * 1.25, at.y());
        p.lineTo(at.x(), at.y() + h * 1.25);
        p.lineTo(at.x() - h * 1.25, at.y());
        p.closeSubpath();
        break;
    default:
        p.addRect(QRectF(at.x() - h * 0.45, at.y() - h * 1.1, h * 0.9, size * 1.1));
        p.addRect(QRectF(at.x() - h * 1.1, at.y() - h * 0.45, size * 1.1, h * 0.9));
        break;
    }
    return p;
}

bool isDark(const QColor& c)
{
    return qGray(c.rgb()) < 128;
}

struct Scale
{
    double lo = 0, hi = 1, step = 1;
    int decimals = 0;
    double span() const { return hi - lo; }
};

// Round steps of 1, 2 or 5 times a power of ten, always taking in zero.
Scale niceScale(double lo, double hi, int maxTicks)
{
    lo = std::min(lo, 0.0);
    hi = std::max(hi, 0.0);
    if (!std::isfinite(lo) || !std::isfinite(hi))
        lo = 0, hi = 1;
    if (hi - lo < 1e-9)
        hi = lo + 1;
    const double rough = (hi - lo) / std::max(1, maxTicks);
    const double mag = std::pow(10.0, std::floor(std::log10(rough)));
    const double f = rough / mag;
    const double step = (f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10) * mag;
    Scale s;
    s.step = step;
    s.lo = std::floor(lo / step + 1e-9) * step;
    s.hi = std::ceil(hi / step - 1e-9) * step;
    if (s.hi - s.lo < step / 2)
        s.hi = s.lo + step;
    s.decimals = step >= 1 ? 0 : int(std::ceil(-std::log10(step) - 1e-9));
    return s;
}

class ChartPainter
{
public:
    ChartPainter(PageBuilder& page, const ElementDef& e, const ChartData& d, const QRectF& r)
        : m_page(page), m_c(*e.chart), m_d(d), m_r(r), m_font(fontTable(e.font)),
          m_small(fontTable(smaller(e.font))), m_title(fontTable(titleFont(e.font))), m_ink(e.color)
    {
        m_format = e.format.kind == ValueFormat::Kind::Number ? e.format : parseValueFormat(QStringLiteral("#,##0.##"));
    }

    void run()
    {
        QRectF area = m_r.adjusted(2, 2, -2, -2);
        if (!m_c.title.isEmpty()) {
            textIn(m_title, m_c.title, QRectF(area.left(), area.top(), area.width(), m_title.lineHeight()), Align::Center,
                   m_ink);
            area.setTop(area.top() + m_title.lineHeight() + 3);
        }
        if (m_d.isEmpty() || (m_c.type == ChartType::Pie && pieTotal() <= 0)) {
            textIn(m_font, QStringLiteral("No figures to chart"),
                   QRectF(area.left(), area.center().y() - m_font.lineHeight() / 2, area.width(), m_font.lineHeight()),
                   Align::Center, QColor(0x70, 0x70, 0x70));
            return;
        }
        area = placeLegend(area);
        switch (m_c.type) {
        case ChartType::Bar:
        case ChartType::StackedBar:
            if (m_c.horizontal)
                horizontalBars(area);
            else
                columns(area, false);
            break;
        case ChartType::Line:
            columns(area, true);
            break;
        case ChartType::Pie:
            pie(area);
            break;
        }
    }

private:
    static FontSpec smaller(FontSpec f)
    {
        f.size = std::max(5.0, f.size - 1);
        f.bold = false;
        return f;
    }
    static FontSpec titleFont(FontSpec f)
    {
        f.size += 2;
        f.bold = true;
        return f;
    }

    int seriesCount() const { return int(m_d.series.size()); }
    int categoryCount() const { return int(m_d.categories.size()); }
    double value(int s, int c) const { return m_d.value(s, c).toDouble(); }

    QString valueText(const Decimal& v) const { return formatDecimal(v, m_format); }
    QString tickText(double v, const Scale& s) const
    {
        ValueFormat f = m_format;
        f.minDecimals = f.maxDecimals = s.decimals;
        const auto d = Decimal::parse(QString::number(v, 'f', s.decimals));
        return d ? formatDecimal(*d, f) : QString::number(v, 'f', s.decimals);
    }

    // A text in a box: cut to its width, on the box's first line.
    void textIn(const FontTable& font, const QString& text, const QRectF& box, Align align, const QColor& color)
    {
        const QStringView s = font.fit(text, box.width());
        const double w = font.advance(s);
        const double x = align == Align::Left    ? box.left()
                         : align == Align::Right ? box.right() - w
                                                 : box.left() + (box.width() - w) / 2;
        m_page.text(font, QPointF(x, box.top() + font.ascent()), s, color);
    }

    // A label centred on a point, left whole (a value is never cut).
    void labelAt(const FontTable& font, const QString& text, QPointF centreTop, const QColor& color)
    {
        const double w = font.advance(text);
        m_page.text(font, QPointF(centreTop.x() - w / 2, centreTop.y() + font.ascent()), text, color);
    }

    void rect(const QRectF& r, const QColor& fill)
    {
        QPainterPath p;
        p.addRect(r.normalized());
        m_page.path(p, 0.3, QColor(0x30, 0x30, 0x30), fill);
    }

    void swatch(int index, const QRectF& box)
    {
        if (m_c.type == ChartType::Line) {
            const double y = box.center().y();
            QPainterPath line;
            line.moveTo(box.left(), y);
            line.lineTo(box.right(), y);
            m_page.path(line, 1.2, chartColor(index), QColor(), lineStyle(index));
            m_page.path(marker(index, box.center(), 3.2), 0.4, QColor(0x30, 0x30, 0x30), chartColor(index));
        } else {
            const double side = std::min(box.width(), box.height());
            rect(QRectF(box.left(), box.center().y() - side / 2, side, side), chartColor(index));
        }
    }

    struct Entry
    {
        QString text;
        int index;
    };

    std::vector<Entry> legendEntries() const
    {
        std::vector<Entry> out;
        if (m_c.type == ChartType::Pie) {
            const double total = pieTotal();
            for (int i = 0; i < categoryCount(); ++i) {
                QString t = m_d.categories[i];
                if (m_c.valueLabels) {
                    t += QStringLiteral("  ") + valueText(m_d.value(0, i));
                    if (value(0, i) > 0)
                        t += QStringLiteral(" (%1%)").arg(value(0, i) * 100 / total, 0, 'f', 1);
                }
                out.push_back({t, i});
            }
        } else if (seriesCount() > 1) {
            for (int i = 0; i < seriesCount(); ++i)
                out.push_back({m_d.series[i], i});
        }
        return out;
    }

    // Draws the legend (when there is one) and returns what is left for the plot.
    QRectF placeLegend(QRectF area)
    {
        if (m_c.legend == LegendPlace::None)
            return area;
        const std::vector<Entry> entries = legendEntries();
        if (entries.empty())
            return area;
        const double lh = m_font.lineHeight() + 2;
        const double mark = std::max(7.0, m_font.ascent());
        if (m_c.legend == LegendPlace::Right) {
            double widest = 0;
            for (const Entry& e : entries)
                widest = std::max(widest, m_font.advance(e.text));
            const double width = std::min(area.width() * 0.4, widest + mark + 4 + 6);
            const double height = lh * double(entries.size());
            double y = area.top() + std::max(0.0, (area.height() - height) / 2);
            const double x = area.right() - width + 6;
            for (const Entry& e : entries) {
                if (y + lh > area.bottom() + 0.5)
                    break;
                swatch(e.index, QRectF(x, y + (lh - mark) / 2 - 1, mark, mark));
                textIn(m_font, e.text, QRectF(x + mark + 4, y, width - mark - 10, lh), Align::Left, m_ink);
                y += lh;
            }
            area.setRight(area.right() - width);
            return area;
        }
        // Bottom: entries side by side, as many lines as they need.
        std::vector<std::vector<const Entry*>> lines(1);
        double used = 0;
        for (const Entry& e : entries) {
            const double w = std::min(area.width(), mark + 4 + m_font.advance(e.text) + 12);
            if (used > 0 && used + w > area.width()) {
                lines.emplace_back();
                used = 0;
            }
            lines.back().push_back(&e);
            used += w;
        }
        const double height = lh * double(lines.size());
        double y = area.bottom() - height;
        for (const auto& line : lines) {
            double total = 0;
            for (const Entry* e : line)
                total += std::min(area.width(), mark + 4 + m_font.advance(e->text) + 12);
            double x = area.left() + std::max(0.0, (area.width() - total) / 2);
            for (const Entry* e : line) {
                const double w = std::min(area.width(), mark + 4 + m_font.advance(e->text) + 12);
                swatch(e->index, QRectF(x, y + (lh - mark) / 2 - 1, mark, mark));
                textIn(m_font, e->text, QRectF(x + mark + 4, y, w - mark - 4, lh), Align::Left, m_ink);
                x += w;
            }
            y += lh;
        }
        area.setBottom(area.bottom() - height - 2);
        return area;
    }

    // The lowest and highest figure the value axis must show.
    std::pair<double, double> valueRange() const
    {
        double lo = 0, hi = 0;
        for (int c = 0; c < categoryCount(); ++c) {
            if (m_c.type == ChartType::StackedBar) {
                double up = 0, down = 0;
                for (int s = 0; s < seriesCount(); ++s)
                    (value(s, c) >= 0 ? up : down) += value(s, c);
                lo = std::min(lo, down);
                hi = std::max(hi, up);
            } else {
                for (int s = 0; s < seriesCount(); ++s) {
                    lo = std::min(lo, value(s, c));
                    hi = std::max(hi, value(s, c));
                }
            }
        }
        // Room beyond the longest bars for their figures.
        if (m_c.valueLabels) {
            const double span = hi - lo;
            hi += span * 0.08;
            if (lo < 0)
                lo -= span * 0.08;
        }
        return {lo, hi};
    }

    double widestTick(const Scale& s) const
    {
        double w = 0;
        for (double v = s.lo; v <= s.hi + s.step / 2; v += s.step)
            w = std::max(w, m_small.advance(tickText(v, s)));
        return w;
    }

    // The category labels of a slot width: one or two lines each, every n-th one when they
    // cannot all be read.
    struct CategoryLabels
    {
        std::vector<QStringList> lines;
        int stride = 1;
        int lineCount = 1;
    };

    CategoryLabels categoryLabels(double slot) const
    {
        CategoryLabels out;
        double widestWord = 0;
        for (const QString& c : m_d.categories) {
            QStringList wrapped = m_small.wrap(c, std::max(8.0, slot - 2));
            if (wrapped.size() > 2) {
                const QString rest = wrapped.mid(1).join(u' ');
                wrapped = {wrapped[0], m_small.fit(rest, std::max(8.0, slot - 2)).toString()};
            }
            out.lineCount = std::max(out.lineCount, int(wrapped.size()));
            out.lines.push_back(wrapped);
            for (const QString& l : wrapped)
                widestWord = std::max(widestWord, m_small.advance(l));
        }
        // Labels narrower than a slot never collide; wider ones are thinned out.
        if (widestWord > slot - 1)
            out.stride = std::max(1, int(std::ceil((widestWord + 4) / std::max(1.0, slot))));
        if (out.stride > 1) {
            out.lineCount = 1;
            for (size_t i = 0; i < out.lines.size(); ++i)
                out.lines[i] = QStringList{m_d.categories[int(i)]};
        }
        return out;
    }

    void valueAxisTitle(QRectF& area)
    {
        if (m_c.valueAxis.isEmpty())
            return;
        textIn(m_font, m_c.valueAxis, QRectF(area.left(), area.top(), area.width(), m_font.lineHeight()), Align::Left,
               m_ink);
        area.setTop(area.top() + m_font.lineHeight() + 2);
    }

    QRectF categoryAxisTitle(QRectF area)
    {
        if (m_c.categoryAxis.isEmpty())
            return area;
        const double h = m_font.lineHeight();
        textIn(m_font, m_c.categoryAxis, QRectF(area.left(), area.bottom() - h, area.width(), h), Align::Center, m_ink);
        area.setBottom(area.bottom() - h - 2);
        return area;
    }

    // Bars from the bottom, or a line: categories left to right.
    void columns(QRectF area, bool line)
    {
        valueAxisTitle(area);
        // The category axis title goes under the plot; its labels above that.
        area = categoryAxisTitle(area);
        const auto [lo, hi] = valueRange();
        const double lh = m_small.lineHeight();
        Scale scale = niceScale(lo, hi, std::max(2, int((area.height() - 2 * lh) / (lh * 2.2))));
        double axisWidth = widestTick(scale) + 4;
        double slot = (area.width() - axisWidth) / categoryCount();
        const CategoryLabels labels = categoryLabels(slot);
        QRectF plot(area.left() + axisWidth, area.top() + lh / 2, area.width() - axisWidth,
                    area.height() - lh / 2 - labels.lineCount * lh - 3);
        if (plot.height() < 12 || plot.width() < 12)
            return;
        scale = niceScale(lo, hi, std::max(2, int(plot.height() / (lh * 2.2))));
        if (const double w = widestTick(scale) + 4; w > axisWidth) {
            plot.setLeft(plot.left() + w - axisWidth);
            axisWidth = w;
        }
        slot = plot.width() / categoryCount();
        auto yOf = [&](double v) { return plot.bottom() - (v - scale.lo) / scale.span() * plot.height(); };
        m_labelBounds = plot.adjusted(-slot / 2, -lh, slot / 2, 0.5);

        grid(scale, [&](double v) { return QLineF(plot.left(), yOf(v), plot.right(), yOf(v)); },
             [&](double v, const QString& t) {
                 const double w = m_small.advance(t);
                 m_page.text(m_small, QPointF(plot.left() - 3 - w, yOf(v) + m_small.ascent() / 2 - 0.5), t, m_ink);
             });

        // Category labels under their slots.
        for (int c = 0; c < categoryCount(); c += labels.stride) {
            double y = plot.bottom() + 2;
            for (const QString& l : labels.lines[size_t(c)]) {
                const double x = plot.left() + (c + 0.5) * slot;
                const double room = slot * labels.stride - 2;
                const QStringView s = m_small.fit(l, room);
                const double w = m_small.advance(s);
                m_page.text(m_small, QPointF(x - w / 2, y + m_small.ascent()), s, m_ink);
                y += lh;
            }
        }

        if (line)
            lines(plot, slot, yOf);
        else
            verticalBars(plot, slot, yOf);
        axes(plot, QLineF(plot.left(), yOf(0), plot.right(), yOf(0)), true);
    }

    template <typename Geometry, typename Label>
    void grid(const Scale& scale, Geometry&& at, Label&& label)
    {
        const int ticks = int(std::lround(scale.span() / scale.step));
        for (int i = 0; i <= ticks; ++i) {
            const double v = scale.lo + i * scale.step;
            const QLineF l = at(v);
            if (std::abs(v) > scale.step / 1000)
                m_page.line(l.p1(), l.p2(), 0.3, QColor(0xc8, 0xc8, 0xc8));
            label(std::abs(v) < scale.step / 1000 ? 0.0 : v, tickText(std::abs(v) < scale.step / 1000 ? 0.0 : v, scale));
        }
    }

    // The value axis, the category axis and the zero line.
    void axes(const QRectF& plot, const QLineF& zero, bool vertical)
    {
        const QColor axis(0x40, 0x40, 0x40);
        if (vertical)
            m_page.line(plot.topLeft(), plot.bottomLeft(), 0.5, axis);
        else
            m_page.line(plot.bottomLeft(), plot.bottomRight(), 0.5, axis);
        m_page.line(zero.p1(), zero.p2(), 0.6, Qt::black);
    }

    template <typename YOf> void verticalBars(const QRectF& plot, double slot, YOf&& yOf)
    {
        const int ns = seriesCount();
        const double group = slot * 0.72;
        const double zero = yOf(0);
        for (int c = 0; c < categoryCount(); ++c) {
            const double gx = plot.left() + c * slot + (slot - group) / 2;
            if (m_c.type == ChartType::StackedBar) {
                double up = 0, down = 0;
                std::vector<std::pair<QRectF, int>> pieces;
                for (int s = 0; s < ns; ++s) {
                    const double v = value(s, c);
                    double& base = v >= 0 ? up : down;
                    const QRectF bar(QPointF(gx, yOf(base)), QPointF(gx + group, yOf(base + v)));
                    base += v;
                    if (v == 0)
                        continue;
                    rect(bar, chartColor(s));
                    pieces.emplace_back(bar.normalized(), s);
                }
                // The stack's total first: a piece's figure gives way to it.
                if (m_c.valueLabels)
                    endLabel(totalOf(c), QPointF(gx + group / 2, up > 0 || down == 0 ? yOf(up) : yOf(down)),
                             up > 0 || down == 0, slot);
                // A lone piece's figure is the total's.
                if (m_c.valueLabels && pieces.size() > 1)
                    for (const auto& [piece, s] : pieces)
                        segmentLabel(piece, m_d.value(s, c), chartColor(s));
            } else {
                const double bw = group / ns;
                for (int s = 0; s < ns; ++s) {
                    const double v = value(s, c);
                    const double x = gx + s * bw;
                    if (v != 0)
                        rect(QRectF(QPointF(x, zero), QPointF(x + bw, yOf(v))), chartColor(s));
                    if (m_c.valueLabels)
                        endLabel(m_d.value(s, c), QPointF(x + bw / 2, yOf(v)), v >= 0, ns == 1 ? slot : bw * 1.2);
                }
            }
        }
    }

    Decimal totalOf(int c) const
    {
        Decimal t;
        for (int s = 0; s < seriesCount(); ++s)
            t += m_d.value(s, c);
        return t;
    }

    // Where a figure goes when no other figure or mark is there yet.
    bool claim(const QRectF& box)
    {
        // Figures stay inside the plot (a bar's may stand above its top): never on the axes'
        // own texts.
        if (!m_labelBounds.isNull() && !m_labelBounds.contains(box))
            return false;
        for (const QRectF& taken : m_taken)
            if (taken.intersects(box))
                return false;
        m_taken.push_back(box);
        return true;
    }

    QRectF labelBox(const QString& text, QPointF centreTop) const
    {
        const double w = m_small.advance(text);
        return QRectF(centreTop.x() - w / 2, centreTop.y(), w, m_small.lineHeight());
    }

    // A figure over (or under) the end of a bar or a mark, when it has the room; else on the
    // other side, else none.
    void endLabel(const Decimal& v, QPointF end, bool above, double room, double gap = 0.5)
    {
        const QString t = valueText(v);
        if (m_small.advance(t) > room)
            return;
        const double h = m_small.lineHeight();
        for (bool up : {above, !above}) {
            const QPointF at(end.x(), up ? end.y() - gap - h : end.y() + gap);
            if (claim(labelBox(t, at))) {
                labelAt(m_small, t, at, m_ink);
                return;
            }
        }
    }

    // A figure inside a piece of a stacked bar, when it fits there.
    void segmentLabel(const QRectF& piece, const Decimal& v, const QColor& fill)
    {
        const QString t = valueText(v);
        const double w = m_small.advance(t);
        if (w > piece.width() - 2 || m_small.lineHeight() + 1 > piece.height())
            return;
        const QPointF at(piece.center().x(), piece.center().y() - m_small.lineHeight() / 2);
        if (claim(labelBox(t, at)))
            labelAt(m_small, t, at, isDark(fill) ? Qt::white : Qt::black);
    }

    template <typename YOf> void lines(const QRectF& plot, double slot, YOf&& yOf)
    {
        for (int s = 0; s < seriesCount(); ++s) {
            QPainterPath path;
            for (int c = 0; c < categoryCount(); ++c) {
                const QPointF p(plot.left() + (c + 0.5) * slot, yOf(value(s, c)));
                if (c == 0)
                    path.moveTo(p);
                else
                    path.lineTo(p);
            }
            m_page.path(path, 1.2, chartColor(s), QColor(), lineStyle(s));
        }
        // Marks over every line, then the figures beside the marks, none over another.
        for (int s = 0; s < seriesCount(); ++s)
            for (int c = 0; c < categoryCount(); ++c) {
                const QPointF p(plot.left() + (c + 0.5) * slot, yOf(value(s, c)));
                m_page.path(marker(s, p, 3.2), 0.4, QColor(0x30, 0x30, 0x30), chartColor(s));
                m_taken.push_back(QRectF(p.x() - 2, p.y() - 2, 4, 4));
            }
        if (!m_c.valueLabels)
            return;
        for (int c = 0; c < categoryCount(); ++c) {
            // The highest line's figure goes above it, the lowest's below.
            std::vector<int> order(static_cast<size_t>(seriesCount()));
            std::iota(order.begin(), order.end(), 0);
            std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return value(a, c) > value(b, c); });
            for (size_t rank = 0; rank < order.size(); ++rank) {
                const int s = order[rank];
                // A lone line's figure goes where the line is not: above a peak, below a dip.
                const double before = value(s, std::max(0, c - 1)), after = value(s, std::min(categoryCount() - 1, c + 1));
                const bool above = order.size() == 1 ? value(s, c) >= (before + after) / 2 : rank + 1 < order.size();
                endLabel(m_d.value(s, c), QPointF(plot.left() + (c + 0.5) * slot, yOf(value(s, c))), above, slot, 2.5);
            }
        }
    }

    // Bars from the left: categories top to bottom, their names beside them.
    void horizontalBars(QRectF area)
    {
        valueAxisTitle(area);
        area = categoryAxisTitle(area);
        const double lh = m_small.lineHeight();
        double widest = 0;
        for (const QString& c : m_d.categories)
            widest = std::max(widest, m_small.advance(c));
        const double labelWidth = std::min(widest + 4, area.width() * 0.35);
        const auto [lo, hi0] = valueRange();
        double hi = hi0;
        // A figure at the end of the longest bar needs room to its right.
        if (m_c.valueLabels)
            hi += (hi - lo) * 0.1;
        QRectF plot(area.left() + labelWidth, area.top(), area.width() - labelWidth - 4, area.height() - lh - 2);
        if (plot.height() < 12 || plot.width() < 24)
            return;
        Scale scale = niceScale(lo, hi, 4);
        for (int ticks = 10; ticks >= 2; --ticks) {
            scale = niceScale(lo, hi, ticks);
            const double room = plot.width() / std::max(1.0, scale.span() / scale.step);
            if (widestTick(scale) + 6 <= room)
                break;
        }
        // The last tick's figure is centred on the plot's edge: half of it needs room there.
        plot.setRight(std::min(plot.right(), area.right() - m_small.advance(tickText(scale.hi, scale)) / 2 - 1));
        const double slot = plot.height() / categoryCount();
        auto xOf = [&](double v) { return plot.left() + (v - scale.lo) / scale.span() * plot.width(); };
        m_labelBounds = plot.adjusted(-2, -1, area.right() - plot.right(), 1);
        grid(scale, [&](double v) { return QLineF(xOf(v), plot.top(), xOf(v), plot.bottom()); },
             [&](double v, const QString& t) { labelAt(m_small, t, QPointF(xOf(v), plot.bottom() + 2), m_ink); });
        // Names beside their bars, every one that has a line's room.
        const int stride = std::max(1, int(std::ceil(lh / std::max(0.1, slot))));
        for (int c = 0; c < categoryCount(); c += stride)
            textIn(m_small, m_d.categories[c],
                   QRectF(area.left(), plot.top() + (c + 0.5) * slot - lh / 2, labelWidth - 4, lh), Align::Right, m_ink);

        const int ns = seriesCount();
        const double group = slot * 0.72;
        const double zero = xOf(0);
        for (int c = 0; c < categoryCount(); ++c) {
            const double gy = plot.top() + c * slot + (slot - group) / 2;
            if (m_c.type == ChartType::StackedBar) {
                double right = 0, left = 0;
                std::vector<std::pair<QRectF, int>> pieces;
                for (int s = 0; s < ns; ++s) {
                    const double v = value(s, c);
                    double& base = v >= 0 ? right : left;
                    const QRectF bar(QPointF(xOf(base), gy), QPointF(xOf(base + v), gy + group));
                    base += v;
                    if (v == 0)
                        continue;
                    rect(bar, chartColor(s));
                    pieces.emplace_back(bar.normalized(), s);
                }
                if (m_c.valueLabels)
                    sideLabel(totalOf(c), right > 0 || left == 0 ? xOf(right) : xOf(left), gy + group / 2,
                              right > 0 || left == 0, group);
                // A lone piece's figure is the total's.
                if (m_c.valueLabels && pieces.size() > 1)
                    for (const auto& [piece, s] : pieces)
                        segmentLabel(piece, m_d.value(s, c), chartColor(s));
            } else {
                const double bh = group / ns;
                for (int s = 0; s < ns; ++s) {
                    const double v = value(s, c);
                    const double y = gy + s * bh;
                    if (v != 0)
                        rect(QRectF(QPointF(zero, y), QPointF(xOf(v), y + bh)), chartColor(s));
                    if (m_c.valueLabels)
                        sideLabel(m_d.value(s, c), xOf(v), y + bh / 2, v >= 0, ns == 1 ? slot : bh * 1.3);
                }
            }
        }
        axes(plot, QLineF(zero, plot.top(), zero, plot.bottom()), false);
        m_page.line(plot.topLeft(), plot.bottomLeft(), 0.5, QColor(0x40, 0x40, 0x40));
    }

    void sideLabel(const Decimal& v, double x, double centreY, bool right, double room)
    {
        if (m_small.lineHeight() > room * 1.25)
            return;
        const QString t = valueText(v);
        const double w = m_small.advance(t);
        const double at = right ? x + 2 : x - 2 - w;
        if (claim(QRectF(at, centreY - m_small.lineHeight() / 2, w, m_small.lineHeight())))
            m_page.text(m_small, QPointF(at, centreY - m_small.lineHeight() / 2 + m_small.ascent()), t, m_ink);
    }

    double pieTotal() const
    {
        double t = 0;
        for (int c = 0; c < categoryCount(); ++c)
            t += std::max(0.0, value(0, c));
        return t;
    }

    // Slices clockwise from twelve o'clock; a negative figure has no slice (the legend lists it).
    void pie(const QRectF& area)
    {
        const double total = pieTotal();
        const double d = std::min(area.width(), area.height()) - 4;
        if (d < 16)
            return;
        const QRectF circle(area.center().x() - d / 2, area.center().y() - d / 2, d, d);
        double start = 90;
        for (int c = 0; c < categoryCount(); ++c) {
            const double v = value(0, c);
            if (v <= 0)
                continue;
            const double sweep = v / total * 360;
            QPainterPath slice;
            slice.moveTo(circle.center());
            slice.arcTo(circle, start, -sweep);
            slice.closeSubpath();
            m_page.path(slice, 0.75, Qt::white, chartColor(c));
            if (m_c.valueLabels && sweep >= 18) {
                const double mid = (start - sweep / 2) * std::numbers::pi / 180;
                const QPointF at(circle.center().x() + std::cos(mid) * d * 0.31,
                                 circle.center().y() - std::sin(mid) * d * 0.31);
                const QString t = QStringLiteral("%1%").arg(v * 100 / total, 0, 'f', 1);
                labelAt(m_small, t, QPointF(at.x(), at.y() - m_small.lineHeight() / 2),
                        isDark(chartColor(c)) ? Qt::white : Qt::black);
            }
            start -= sweep;
        }
    }

    PageBuilder& m_page;
    const ChartDef& m_c;
    const ChartData& m_d;
    QRectF m_r;
    const FontTable& m_font;
    const FontTable& m_small;
    const FontTable& m_title;
    QColor m_ink;
    ValueFormat m_format;
    std::vector<QRectF> m_taken; // figures and marks placed so far
    QRectF m_labelBounds;        // where figures may go; null: anywhere
};

} // namespace

void drawChart(PageBuilder& page, const ElementDef& element, const ChartData& data, const QRectF& rect)
{
    ChartPainter(page, element, data, rect).run();
}

} // namespace tarvik::engine
