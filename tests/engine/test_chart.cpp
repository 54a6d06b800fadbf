// Charts: the figures a chart shows wherever it stands (read back from the export, where a
// chart keeps them as a table) against sums of our own in SQL, and each chart type drawn as
// the stored page shows it, as vectors with its texts.

#include "fixture.h"

#include "CsvRows.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace tarvik::engine;

namespace {

class Charts : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir();
        s_folder = enginetest::makeDataFolder(*s_dir, 1);
        enginetest::addChartSample(s_folder);
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }

    // A report over the sample, grouped by department, with the bands given.
    ReportPtr sampleReport(const QString& bands, const QString& page = QStringLiteral("size=\"Letter\" margins=\"36\""),
                           const QString& where = QString())
    {
        const QString xml = QStringLiteral(R"(<report version="1">
  <page %1/>
  <tables><table alias="S" location="Reports.dbo.tbChartSample"/></tables>
  <query>SELECT Dept, MonthNo, substr('JanFebMarAprMayJun', MonthNo * 3 - 2, 3) AS MonthName, Kind,
                Hosp / 100.0 AS Hosp, Prof / 100.0 AS Prof, Dept || ' ' || MonthNo || ' ' || Kind AS Line
           FROM {S} %3</query>
  <sort><by column="MonthNo"/><by column="Kind"/></sort>
  <groups><group name="Dept" column="Dept"/></groups>
%2
</report>)").arg(page, bands, where);
        auto report = openReport(enginetest::writeFile(m_dir, QStringLiteral("chart.rpt"), xml.toUtf8()));
        report->tables()[0]->applyLogOnInfo(s_folder, QStringLiteral("Reports"), {}, {});
        return report;
    }

    // The tables of every chart titled `title` in the CSV export, one after the other: the
    // rows under each heading up to a blank row or a row of another shape.
    std::vector<QStringList> chartRows(const ReportPtr& report, const QString& title)
    {
        const QString path = m_dir.filePath(QStringLiteral("chart.csv"));
        report->exportOptions() = {path, 39, 1};
        report->exportReport();
        const QList<QStringList> rows = tarvik::testsupport::csvRows(path);
        std::vector<QStringList> out;
        for (qsizetype i = 0; i + 1 < rows.size(); ++i) {
            if (rows[i] != QStringList{title})
                continue;
            const qsizetype width = rows[i + 1].size();
            for (i += 2; i < rows.size() && rows[i].size() == width && !rows[i].join(QString()).isEmpty(); ++i)
                out.push_back(rows[i]);
            --i;
        }
        return out;
    }

    static QTemporaryDir* s_dir;
    static QString s_folder;
    QTemporaryDir m_dir;
};
QTemporaryDir* Charts::s_dir = nullptr;
QString Charts::s_folder;

struct FigureCase
{
    const char* why;
    const char* bands;
    // Rows of "label|figure|figure...", in the order the chart shows them.
    const char* expected;
};

class ChartFigures : public Charts, public ::testing::WithParamInterface<FigureCase> {};

const char* const kByDept =
    "SELECT Dept || '|' || (SUM(Hosp) / 100.0) || '|' || (SUM(Prof) / 100.0) FROM Reports.tbChartSample "
    "GROUP BY Dept ORDER BY Dept";
const char* const kMonthsByKind =
    "SELECT substr('JanFebMarAprMayJun', MonthNo * 3 - 2, 3) || '|' || (SUM(CASE Kind WHEN 'Cash' THEN Hosp END) / 100.0) "
    "       || '|' || (SUM(CASE Kind WHEN 'Charge' THEN Hosp END) / 100.0) "
    "FROM Reports.tbChartSample GROUP BY Dept, MonthNo ORDER BY Dept, MonthNo";

} // namespace

TEST_P(ChartFigures, EqualSumsOfTheirOwnWhereverTheChartStands)
{
    const FigureCase& c = GetParam();
    auto report = sampleReport(QString::fromUtf8(c.bands));
    const std::vector<QStringList> shown = chartRows(report, QStringLiteral("Figures"));
    const QStringList expected = enginetest::queryColumn(s_folder, QString::fromUtf8(c.expected));
    ASSERT_FALSE(expected.isEmpty());
    ASSERT_EQ(shown.size(), size_t(expected.size())) << c.why;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const QStringList want = expected[i].split(u'|');
        const QStringList got = shown[size_t(i)];
        ASSERT_EQ(got.size(), want.size()) << c.why << ": row " << i << ": " << got.join(u',').toStdString();
        EXPECT_EQ(got[0], want[0]) << c.why << ": row " << i;
        for (qsizetype k = 1; k < want.size(); ++k)
            EXPECT_NEAR(got[k].toDouble(), want[k].toDouble(), 1e-6)
                << c.why << ": " << want[0].toStdString() << ", figure " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ChartFigures, ::testing::Values(
    FigureCase{"report footer: the rows by department, a series per value column",
               R"(<reportFooter height="200"><chart type="stackedBar" width="300" height="190" title="Figures" category="Dept">
                    <value column="Hosp"/><value column="Prof"/></chart></reportFooter>)",
               kByDept},
    FigureCase{"report header: the same figures, gathered before the rows are laid out",
               R"(<reportHeader height="200"><chart type="bar" width="300" height="190" title="Figures" category="Dept">
                    <value column="Hosp"/><value column="Prof"/></chart></reportHeader>)",
               kByDept},
    FigureCase{"the value columns as the categories, a series per kind of payment",
               R"(<reportFooter height="200"><chart type="bar" width="300" height="190" title="Figures" series="Kind">
                    <value column="Hosp" label="Hospital"/><value column="Prof" label="Professional"/></chart></reportFooter>)",
               "SELECT 'Hospital|' || (SUM(CASE Kind WHEN 'Cash' THEN Hosp END) / 100.0) || '|' || "
               "       (SUM(CASE Kind WHEN 'Charge' THEN Hosp END) / 100.0) FROM Reports.tbChartSample "
               "UNION ALL SELECT 'Professional|' || (SUM(CASE Kind WHEN 'Cash' THEN Prof END) / 100.0) || '|' || "
               "       (SUM(CASE Kind WHEN 'Charge' THEN Prof END) / 100.0) FROM Reports.tbChartSample"},
    FigureCase{"group footer: each department's own months, never the one before's",
               R"(<groupFooter group="Dept" height="200"><chart type="line" width="300" height="190" title="Figures"
                    category="MonthName" series="Kind"><value column="Hosp"/></chart></groupFooter>)",
               kMonthsByKind},
    FigureCase{"group header: each department's months, gathered before its rows",
               R"(<groupHeader group="Dept" height="200"><chart type="line" width="300" height="190" title="Figures"
                    category="MonthName" series="Kind"><value column="Hosp"/></chart></groupHeader>)",
               kMonthsByKind},
    FigureCase{"a group's instances as the categories, named by the group's value",
               R"(<reportFooter height="200"><chart type="bar" width="300" height="190" title="Figures" source="group"
                    group="Dept"><value column="Hosp"/><value column="Prof"/></chart></reportFooter>)",
               kByDept},
    FigureCase{"a pie keeps twelve slices: the rest are summed into Other, nothing is lost",
               R"(<reportFooter height="200"><chart type="pie" width="300" height="190" title="Figures" category="Line">
                    <value column="Prof"/></chart></reportFooter>)",
               "WITH r AS (SELECT Dept || ' ' || MonthNo || ' ' || Kind AS Line, Prof / 100.0 AS P, "
               "                  ROW_NUMBER() OVER (ORDER BY Dept, MonthNo, Kind) AS n FROM Reports.tbChartSample) "
               "SELECT CASE WHEN MIN(n) <= 11 THEN MIN(Line) ELSE 'Other' END || '|' || SUM(P) FROM r "
               "GROUP BY CASE WHEN n <= 11 THEN n ELSE 12 END ORDER BY MIN(n)"}));

TEST_F(Charts, AColumnTheQueryLacksIsNamedWithTheChartsLine)
{
    auto report = sampleReport(QStringLiteral(
        "<reportFooter height=\"200\">\n<chart type=\"bar\" width=\"300\" height=\"190\" category=\"Ward\">\n"
        "<value column=\"Hosp\"/></chart></reportFooter>"));
    auto doc = report->layOut();
    doc->waitForFinished();
    ASSERT_TRUE(doc->hasFailed());
    EXPECT_TRUE(doc->errorString().contains(QStringLiteral("chart.rpt:10: the query has no column \"Ward\"")))
        << doc->errorString().toStdString();
}

struct GoldenChart
{
    const char* golden;
    const char* chart;
};

class ChartGolden : public Charts, public ::testing::WithParamInterface<GoldenChart> {};

// Each type on a page of its own, compared with its stored image; the same page as a PDF
// holds the chart as vectors (no picture) with its texts readable.
TEST_P(ChartGolden, PageMatchesTheStoredImage)
{
    const GoldenChart& c = GetParam();
    auto report = sampleReport(QStringLiteral("<reportFooter height=\"240\">%1</reportFooter>").arg(QString::fromUtf8(c.chart)),
                               QStringLiteral("width=\"420\" height=\"280\" margins=\"20\""));
    auto doc = report->layOut();
    doc->waitForFinished();
    ASSERT_FALSE(doc->hasFailed()) << doc->errorString().toStdString();
    ASSERT_EQ(doc->pageCount(), 1);
    enginetest::expectMatchesGolden(enginetest::renderPage(*doc, 0), QString::fromUtf8(c.golden));

    const QString pdf = m_dir.filePath(QStringLiteral("chart.pdf"));
    writePdf(report, pdf);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("/Subtype /Image")) << "a chart is drawn, not pasted in as a picture";
    const QString text = enginetest::pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("fees"), Qt::CaseInsensitive)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Emergency Room")) || text.contains(QStringLiteral("Jun")))
        << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Types, ChartGolden, ::testing::Values(
    GoldenChart{"chart-bar",
                R"(<chart type="bar" width="380" height="236" category="Dept" title="Fees by department"
                     valueAxis="Pesos" valueLabels="true" format="#,##0">
                     <value column="Hosp" label="Hospital"/><value column="Prof" label="Professional"/></chart>)"},
    GoldenChart{"chart-stacked-bar",
                R"(<chart type="stackedBar" direction="horizontal" width="380" height="236" category="Dept"
                     series="Kind" title="Hospital fees, cash and charge" valueLabels="true" format="#,##0"
                     legend="bottom"><value column="Hosp"/></chart>)"},
    GoldenChart{"chart-line",
                R"(<chart type="line" width="380" height="236" category="MonthName" series="Kind"
                     title="Hospital fees by month" categoryAxis="Month" valueLabels="true" format="#,##0">
                     <value column="Hosp"/></chart>)"},
    GoldenChart{"chart-pie",
                R"(<chart type="pie" width="380" height="236" category="Dept" title="Professional fees"
                     valueLabels="true" format="#,##0.00"><value column="Prof"/></chart>)"}));

TEST_F(Charts, AChartSectionGoesToAPageOfItsOwnOrIsLeftOutWithNothingToChart)
{
    // Sixty rows and their total fill most of the first page; the chart's section does not fit
    // under them and goes to the next page alone. Without rows the totals still print, and the
    // section, with nothing to chart, takes no page.
    const QString bands = QStringLiteral(R"(
  <detail height="11"><field column="Line" x="0" y="0" width="300"/></detail>
  <reportFooter height="20"><text x="0" y="4" width="200">Total of the lines</text></reportFooter>
  <reportFooter height="300"><chart type="bar" width="500" height="290" category="Dept" title="Fees by department">
    <value column="Hosp"/></chart></reportFooter>)");
    struct Case
    {
        const char* where;
        int lastRowPage, chartPage, pages;
    };
    for (const Case& c : {Case{"", 0, 1, 2}, Case{"WHERE Dept = 'None'", -1, -1, 1}}) {
        SCOPED_TRACE(c.where);
        auto report = sampleReport(bands, QStringLiteral("size=\"Letter\" margins=\"36\""), QString::fromLatin1(c.where));
        auto doc = report->layOut();
        doc->waitForFinished();
        ASSERT_FALSE(doc->hasFailed()) << doc->errorString().toStdString();
        auto pageOf = [&](const QString& text) {
            const auto hits = doc->findText(text, Qt::CaseSensitive);
            return hits.empty() ? -1 : hits.front().page;
        };
        EXPECT_EQ(pageOf(QStringLiteral("X-Ray 6 Charge")), c.lastRowPage);
        EXPECT_EQ(pageOf(QStringLiteral("Total of the lines")), std::max(c.lastRowPage, 0));
        EXPECT_EQ(pageOf(QStringLiteral("Fees by department")), c.chartPage);
        EXPECT_EQ(doc->pageCount(), c.pages);
    }
}

TEST_F(Charts, AnUnopenedSubreportTakesTheReportsValue)
{
    // The section's parameter is tied to the report's: unopened, it counts the report's kind of
    // payment (not its own default); opened with a value, the caller's value wins.
    const QString bands = QStringLiteral(R"(
  <reportFooter height="40"><subreport name="Counted" width="300"/></reportFooter>
  <subreport name="Counted">
    <parameters><parameter name="Kind" default="Nothing" fromReport="PaidBy"/></parameters>
    <tables><table alias="S" location="Reports.dbo.tbChartSample"/></tables>
    <query>SELECT {?Kind} || ' rows: ' || COUNT(*) AS Said FROM {S} WHERE Kind = {?Kind}</query>
    <detail height="12"><field column="Said" width="300"/></detail>
  </subreport>)");
    QString xml = QStringLiteral("<parameters><parameter name=\"PaidBy\"/></parameters>") + bands;
    auto report = sampleReport(xml);
    report->setParameterValues({QStringLiteral("Cash")});
    // How often the section said each kind: (cash, charge).
    auto said = [&] {
        auto doc = report->layOut();
        doc->waitForFinished();
        EXPECT_FALSE(doc->hasFailed()) << doc->errorString().toStdString();
        return std::make_pair(doc->findText(QStringLiteral("Cash rows: 30"), Qt::CaseSensitive).size(),
                              doc->findText(QStringLiteral("Charge rows: 30"), Qt::CaseSensitive).size());
    };
    EXPECT_EQ(said(), std::make_pair(size_t(1), size_t(0))) << "the report's value";
    report->openSubreport(QStringLiteral("Counted"))->setParameterValues({QStringLiteral("Charge")});
    EXPECT_EQ(said(), std::make_pair(size_t(0), size_t(1))) << "the caller's value";
}

TEST(ChartReference, TheExampleOfTheFormatPageIsAValidChart)
{
    QFile doc(QStringLiteral(ENGINE_DOCS_DIR "/report-format.md"));
    ASSERT_TRUE(doc.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(doc.readAll());
    const qsizetype at = text.indexOf(QStringLiteral("```xml\n<chart "));
    ASSERT_GE(at, 0) << "the page shows no chart";
    const qsizetype from = at + 7;
    const QString chart = text.mid(from, text.indexOf(QStringLiteral("```"), from) - from);
    const QString xml = QStringLiteral("<report version=\"1\">\n<query>SELECT 'Laboratory' AS DeptName, 1 AS Hospital, "
                                       "2 AS Professional</query>\n<reportFooter height=\"260\">\n%1</reportFooter>\n</report>")
                            .arg(chart);
    const DefinitionPtr def = parseDefinition(xml.toUtf8(), QStringLiteral("example.rpt"));
    ASSERT_EQ(def->reportFooter.elements.size(), 1u);
    const ChartDef& c = *def->reportFooter.elements[0].chart;
    EXPECT_EQ(c.type, ChartType::StackedBar);
    EXPECT_EQ(c.values.size(), 2u);
}
