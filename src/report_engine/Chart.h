#pragma once

// Internal: the figures of the charts of a report, gathered as its rows are walked, and the
// drawing of a chart into a page's display list.

#include "DataSource.h"
#include "Definition.h"
#include "Values.h"

#include <QRectF>
#include <QStringList>
#include <atomic>
#include <map>
#include <memory>
#include <vector>

namespace tarvik::engine {

class PageBuilder;

// What a chart shows: sums by category and series, in the order the rows first named them.
struct ChartData
{
    QStringList categories;
    QStringList series;
    std::vector<std::vector<Decimal>> values; // [series][category]
    // Categories (or series) beyond what a chart can show were summed into a last "Other".
    bool folded = false;

    bool isEmpty() const { return categories.isEmpty() || series.isEmpty(); }
    Decimal value(int series, int category) const { return values[size_t(series)][size_t(category)]; }
};

// How many categories and series a chart keeps apart; the rest are summed into "Other".
constexpr int kChartMaxCategories = 120;
constexpr int kChartMaxSeries = 16;
constexpr int kChartMaxSlices = 12;

// The figures of one chart element: rows (or group instances) added one at a time.
class ChartCollector
{
public:
    // Throws ReportError "file:line: ..." when the query lacks a column the chart names.
    ChartCollector(const ElementDef& element, const Definition& def, const RowSource& source);

    const ElementDef& element() const { return *m_element; }
    const ChartDef& chart() const { return *m_element->chart; }
    void reset();
    // A new instance of the group whose totals are the chart's categories.
    void startPoint(const Row& row);
    void add(const Row& row);
    const ChartData& data() const { return m_data; }

private:
    int categoryIndex(const QString& label);
    int seriesIndex(const QString& label);
    void addSeries(const QString& label);

    const ElementDef* m_element;
    int m_categoryColumn = -1;
    int m_seriesColumn = -1;
    int m_pointColumn = -1;
    std::vector<int> m_valueColumns;
    bool m_categorised = false;   // categories come from rows; else the values are the categories
    int m_maxCategories = kChartMaxCategories;
    ChartData m_data;
    std::map<QString, int> m_categoryIndex;
    std::map<QString, int> m_seriesIndex;
    int m_currentPoint = -1;
    int m_pointCount = 0;
};

// The charts of a definition's bands that a walk over its rows feeds. Charts placed after
// their rows (the detail, group footers, the report footer) are fed as the report is laid out;
// those placed before them (headers, page bands) by a walk of their own (ChartsAhead).
class ChartFeed
{
public:
    enum class Which { AfterRows, BeforeRows };
    ChartFeed(const Definition& def, const RowSource& source, Which which);

    bool isEmpty() const { return m_collectors.empty(); }
    void groupsStarting(int fromLevel);
    void groupHeader(int level, const Row& row);
    void detail(const Row& row);
    // The chart's figures as they stand; empty for a chart this feed does not hold.
    const ChartData& data(const ElementDef& element) const;
    const std::vector<std::unique_ptr<ChartCollector>>& collectors() const { return m_collectors; }

    // Whether a band's charts are placed before the rows they show.
    static bool beforeRows(BandKind band);
    static bool hasCharts(const Definition& def, Which which);

private:
    std::vector<std::unique_ptr<ChartCollector>> m_collectors;
};

// The figures of the charts placed before their rows: the query walked once ahead of the
// layout, each group header's chart kept for its instance of the group.
class ChartsAhead
{
public:
    // Null when the definition has no such chart.
    static std::unique_ptr<ChartsAhead> collect(const ReportSnapshot& snapshot, const std::atomic<bool>* cancel);
    // instance: the group instance (from 0) of a group header's chart; 0 for the others.
    const ChartData& data(const ElementDef& element, int instance) const;

private:
    std::map<const ElementDef*, std::vector<ChartData>> m_data;
};

// Draws a chart element's figures into rect (points on the page).
void drawChart(PageBuilder& page, const ElementDef& element, const ChartData& data, const QRectF& rect);

// The fill of a chart's n-th series (or slice): a small palette whose colours stay apart when
// printed in grey.
QColor chartColor(int index);

} // namespace tarvik::engine
