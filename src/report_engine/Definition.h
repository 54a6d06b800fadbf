#pragma once

// The parsed contents of a .rpt file. Immutable once parsed; shared by every Report opened
// from it and by the layouts running on it.

#include <QColor>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace tarvik::engine {

enum class ParameterType { Text, Date, DateTime, Number, Currency, Boolean };

QString parameterTypeName(ParameterType type);

enum class Align { Left, Center, Right };

enum class ElementKind { Text, Field, Parameter, Special, Summary, Line, Box, Image, Subreport, Chart };

enum class SpecialKind { PageNumber, PageCount, PageNofM, PrintDate, PrintTime, PrintDateTime, ReportTitle };

enum class SummaryFunction { Sum, Count, Average, Min, Max, RunningTotal };

enum class BandKind { ReportHeader, PageHeader, GroupHeader, Detail, GroupFooter, PageFooter, ReportFooter };

struct FontSpec
{
    QString family = QStringLiteral("Arial");
    double size = 9;
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool operator==(const FontSpec&) const = default;
};

// How a value is turned into text: nothing, a number pattern ("#,##0.00", "$#,##0.00;($#,##0.00)")
// or a date/time pattern in Qt's notation ("MM/dd/yyyy").
struct ValueFormat
{
    enum class Kind { None, Number, DateTime };
    Kind kind = Kind::None;
    // Number
    QString prefix, suffix;
    QString negPrefix, negSuffix; // used when a negative section is given
    bool hasNegativeSection = false;
    bool grouping = false;
    int minDecimals = 0;
    int maxDecimals = 0;
    // DateTime
    QString pattern;
};

enum class ChartType { Bar, StackedBar, Line, Pie };

enum class LegendPlace { Right, Bottom, None };

// Which rows a chart sums: those of the whole report (report and page bands), of the current
// instance of a group (its header and footer) or the current row alone (the detail).
enum class ChartScope { Report, Group, Row };

struct ChartValueDef
{
    QString column;
    QString label;            // the series (or category) name; the column when not given
    int line = 0;
};

// A chart: categories along one axis, one or more series of sums along the other.
struct ChartDef
{
    ChartType type = ChartType::Bar;
    bool horizontal = false;  // bars run from the left instead of from the bottom
    QString category;         // column naming each category; empty: the values are the categories
    QString series;           // column splitting the figures into series; empty: a series per value
    QString groupName;        // source="group": one category per instance of this group
    int pointGroup = -1;      // that group's index, or -1 when the rows themselves are the points
    std::vector<ChartValueDef> values;
    QString title;
    QString categoryAxis;     // axis titles
    QString valueAxis;
    QString categoryCaption;  // heads the category column of the chart's table in exports
    LegendPlace legend = LegendPlace::Right;
    bool valueLabels = false;
    ChartScope scope = ChartScope::Report;
    int scopeGroup = -1;      // ChartScope::Group: the band's group
};

struct ElementDef
{
    ElementKind kind = ElementKind::Text;
    int line = 0;
    QRectF rect;              // points, relative to the band's top-left corner
    FontSpec font;
    Align align = Align::Left;
    QColor color = Qt::black;
    bool wrap = false;        // long texts wrap within the width and the band grows
    bool suppressIfEmpty = false;
    ValueFormat format;
    QString text;             // Text: the literal; Special PageNofM etc.: the template
    QString column;           // Field, Summary: the query column
    int columnIndex = -1;     // resolved against the query's result at run time
    QString name;             // Parameter, Field's orParameter: parameter name; Subreport: subreport name
    int parameterIndex = -1;  // Parameter; Field: the parameter printed when the field is empty, or -1
    int subreportIndex = -1;  // Subreport
    SpecialKind special = SpecialKind::PageNumber;
    SummaryFunction function = SummaryFunction::Sum;
    int summaryGroup = -1;    // -1: the whole report; otherwise a group index
    int accumulator = -1;     // slot of the running figures this summary reads
    double lineWidth = 0.5;   // Line, Box border; 0 = no border
    QColor fill;              // Box; invalid = no fill
    QString imagePath;        // Image: absolute path
    QString caption;          // Field: heading of its column in a spreadsheet export
    std::shared_ptr<const ChartDef> chart; // Chart
};

struct BandDef
{
    BandKind kind = BandKind::Detail;
    bool present = false;
    int line = 0;
    int group = -1;           // GroupHeader / GroupFooter
    double height = 0;
    std::vector<ElementDef> elements;
};

struct GroupDef
{
    QString name;
    QString column;           // the query column whose value changes start a new group
    int columnIndex = -1;
    bool inTree = true;       // shown in the group tree and the PDF outline
    bool keepWithNext = true; // never leave a header alone at the foot of a page
    bool newPageBefore = false;
    ValueFormat format;       // how the value reads in the tree
    int line = 0;
    BandDef header;
    BandDef footer;
};

struct ParamDef
{
    QString name;
    ParameterType type = ParameterType::Text;
    QString prompt;
    QVariant defaultValue;    // already converted; invalid = no default
    int line = 0;
    // A subreport's parameter that takes the value of the main report's parameter of this name
    // when its caller gives it none (before its own default); -1 when it takes none.
    QString fromReport;
    int reportIndex = -1;
};

struct TableDef
{
    QString alias;
    QString location;         // database.owner.table
    int line = 0;
};

struct SortDef
{
    QString column;
    bool descending = false;
    int line = 0;
};

// One piece of the query text: literal SQL, a table reference or a bound parameter.
struct QueryPart
{
    enum class Kind { Sql, Table, Parameter };
    Kind kind = Kind::Sql;
    QString sql;
    int index = -1;
};

struct Accumulator
{
    QString column;
    int columnIndex = -1;     // -1: counts rows
    int group = -1;           // -1: report
};

struct StoredExport
{
    bool present = false;
    int format = 0;
    int destination = 1;
    QString fileName;
};

struct Definition
{
    QString filePath;
    QString name;             // the file's base name, or the subreport's name
    int version = 1;
    QPageSize pageSize = QPageSize(QPageSize::Letter);
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF margins = QMarginsF(36, 36, 36, 36);
    std::vector<ParamDef> parameters;
    std::vector<TableDef> tables;
    std::vector<QueryPart> query;   // empty: a report without data
    int queryLine = 0;
    std::vector<SortDef> sort;
    std::vector<GroupDef> groups;
    BandDef reportHeader, pageHeader, detail, pageFooter, reportFooter;
    // Further report footers, placed one after another; each goes to the next page on its own
    // when it does not fit, so a tall chart does not take the totals above it along.
    std::vector<BandDef> reportFooterSections;
    std::vector<std::shared_ptr<const Definition>> subreports;
    std::vector<Accumulator> accumulators;
    StoredExport storedExport;

    QSizeF pageSizePoints() const;
    // Every band in print order of kinds, for walks over all elements.
    std::vector<const BandDef*> allBands() const;
    int parameterIndex(const QString& name) const;  // case-insensitive; -1 when absent
    int tableIndex(const QString& alias) const;
    int subreportIndex(const QString& name) const;
};

using DefinitionPtr = std::shared_ptr<const Definition>;

// Reads and checks a definition file; throws ReportError "file:line: cause".
DefinitionPtr parseDefinitionFile(const QString& path);
// The same for text already read (file names the source in messages).
DefinitionPtr parseDefinition(const QByteArray& xml, const QString& file);

// Number and date patterns of elements, parsed; throws std::invalid_argument with the cause.
ValueFormat parseValueFormat(const QString& pattern);

} // namespace tarvik::engine
