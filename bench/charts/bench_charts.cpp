// Prints what a chart costs, for people; nothing is asserted.
//
//   bench_charts [--pages N]
//
// Two reports of N pages each, a page per group of rows: a 12-month line chart (two series, the
// year-end report's) and a 20-department bar chart (hospital and professional fees side by side,
// bars from the left, the revenue breakdown's). Each is laid out, written to PDF and painted at
// 144 dpi as the viewer paints a page, and so is the same report with its chart left out (the
// same rows, the same page with its heading): the difference is the chart's cost, in
// milliseconds per page (the best of three runs of each).

#include "ConnectionInfo.h"
#include "Procedures.h"
#include "ProgramOptions.h"
#include "Report.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

// One page per group G; the chart (or nothing) in the group's footer.
const char* kLine = R"RPT(<report version="1">
  <page size="Letter" orientation="landscape" margins="36"/>
  <tables><table alias="M" location="Reports.dbo.tbBenchMonths"/></tables>
  <query>SELECT G, MonthNo, MonthName, PatientGroup, ItemCount FROM {M}</query>
  <sort><by column="MonthNo"/><by column="PatientGroup"/></sort>
  <groups><group name="Page" column="G" newPage="true"/></groups>
  <groupHeader group="Page" height="20">
    <text x="0" y="0" width="300" font="Arial 12 bold">Year end summary</text>
    <field column="G" x="600" y="0" width="120" align="right"/>
  </groupHeader>
  <groupFooter group="Page" height="470">%1</groupFooter>
</report>
)RPT";

const char* kLineChart = R"(<chart type="line" x="0" y="0" width="720" height="460" category="MonthName"
    series="PatientGroup" title="Count by month" categoryAxis="Month" valueLabels="true" format="#,##0"
    legend="bottom"><value column="ItemCount"/></chart>)";

const char* kBars = R"RPT(<report version="1">
  <page size="Letter" orientation="landscape" margins="36"/>
  <tables><table alias="D" location="Reports.dbo.tbBenchDepartments"/></tables>
  <query>SELECT G, DeptNo, DeptName, Hospital, Professional FROM {D}</query>
  <sort><by column="DeptNo"/></sort>
  <groups><group name="Page" column="G" newPage="true"/></groups>
  <groupHeader group="Page" height="20">
    <text x="0" y="0" width="300" font="Arial 12 bold">Revenue by department</text>
    <field column="G" x="600" y="0" width="120" align="right"/>
  </groupHeader>
  <groupFooter group="Page" height="470">%1</groupFooter>
</report>
)RPT";

const char* kBarChart = R"(<chart type="bar" direction="horizontal" x="0" y="0" width="720" height="460"
    category="DeptName" title="Revenue by department" valueAxis="Net revenue" valueLabels="true" format="#,##0"
    legend="bottom"><value column="Hospital" label="Hospital charges"/>
    <value column="Professional" label="Professional fees"/></chart>)";

void makeData(const QString& folder, qint64 pages)
{
    {
        QSqlDatabase db = tarvik::db::openDatabase(tarvik::db::ConnectionInfo::embedded(folder), QStringLiteral("gen"), true);
        tarvik::db::executeScript(db, QStringLiteral(
            "CREATE TABLE Reports.tbBenchMonths(G INTEGER, MonthNo INTEGER, MonthName TEXT, PatientGroup TEXT, ItemCount INTEGER);"
            "CREATE TABLE Reports.tbBenchDepartments(G INTEGER, DeptNo INTEGER, DeptName TEXT, Hospital REAL, Professional REAL);"
            "WITH RECURSIVE g(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM g WHERE i < %1), "
            "  m(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM m WHERE n < 12), "
            "  p(k, name) AS (VALUES (0, 'In-patients'), (1, 'Out-patients')) "
            "INSERT INTO Reports.tbBenchMonths "
            "SELECT i, n, substr('JanFebMarAprMayJunJulAugSepOctNovDec', n * 3 - 2, 3), name, "
            "       1000 + (i * 37 + n * 113 + k * 2900) % 1700 FROM g, m, p;"
            "WITH RECURSIVE g(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM g WHERE i < %1), "
            "  d(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM d WHERE n < 20) "
            "INSERT INTO Reports.tbBenchDepartments "
            "SELECT i, n, 'Department ' || n, ((i * 7919 + n * 104729) % 900000) / 100.0 + 5000, "
            "       ((i * 31 + n * 17) % 300000) / 100.0 FROM g, d;"
            "CREATE INDEX Reports.ixBenchMonths ON tbBenchMonths(G, MonthNo, PatientGroup);"
            "CREATE INDEX Reports.ixBenchDepartments ON tbBenchDepartments(G, DeptNo);").arg(pages),
            QStringLiteral("bench data"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("gen"));
}

struct Times
{
    int pages = 0;
    double layout = 0, pdf = 0, screen = 0; // milliseconds per page
};

Times measureOnce(const QTemporaryDir& dir, const QString& folder, const QString& definition)
{
    const QString rpt = dir.filePath(QStringLiteral("bench.rpt"));
    QFile f(rpt);
    if (!f.open(QIODevice::WriteOnly) || f.write(definition.toUtf8()) < 0)
        throw std::runtime_error("cannot write " + rpt.toStdString());
    f.close();
    auto report = tarvik::engine::openReport(rpt);
    for (auto* table : report->tables())
        table->applyLogOnInfo(folder, QStringLiteral("Reports"), {}, {});
    Times t;
    QElapsedTimer clock;
    clock.start();
    auto doc = report->layOut();
    doc->waitForFinished();
    if (doc->hasFailed())
        throw std::runtime_error(doc->errorString().toStdString());
    t.pages = doc->pageCount();
    t.layout = clock.nsecsElapsed() / 1e6 / t.pages;

    clock.restart();
    tarvik::engine::writePdf(*report, *doc, dir.filePath(QStringLiteral("bench.pdf")));
    t.pdf = clock.nsecsElapsed() / 1e6 / t.pages;

    // As the viewer paints a page at 144 dpi (whole-page zoom on a large screen).
    const QSizeF size = doc->pageSizePoints(0) * 2;
    QImage image(size.toSize(), QImage::Format_ARGB32_Premultiplied);
    clock.restart();
    for (int i = 0; i < t.pages; ++i) {
        image.fill(Qt::white);
        QPainter p(&image);
        p.scale(2, 2);
        doc->paintPage(p, i);
    }
    t.screen = clock.nsecsElapsed() / 1e6 / t.pages;
    return t;
}

// The best of three runs, each figure on its own: the first run also pays for loading fonts.
Times measure(const QTemporaryDir& dir, const QString& folder, const QString& definition)
{
    Times best = measureOnce(dir, folder, definition);
    for (int run = 1; run < 3; ++run) {
        const Times t = measureOnce(dir, folder, definition);
        best.layout = std::min(best.layout, t.layout);
        best.pdf = std::min(best.pdf, t.pdf);
        best.screen = std::min(best.screen, t.screen);
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const tarvik::ProgramOptions cl =
        tarvik::ProgramOptions("bench_charts", "[options]",
                               "Lays out, writes to PDF and paints N pages of a 12-month line chart and of a "
                               "20-department bar chart, and the same pages without the chart; prints "
                               "milliseconds per page and the chart's share of them.")
            .option({"pages"}, "Pages of each report, from 1 to 100000 (default 200).", "N", "200")
            .process(app.arguments());
    const qint64 pages = cl.integer(QStringLiteral("pages"), 1, 100000);

    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("data"));
    try {
        makeData(folder, pages);
        const struct
        {
            const char* name;
            const char* definition;
            const char* chart;
        } cases[] = {
            {"12-month line (2 series)", kLine, kLineChart},
            {"20-department bar (2 series)", kBars, kBarChart},
        };
        std::printf("%-30s %6s %10s %10s %10s   (ms per page)\n", "", "pages", "layout", "PDF", "screen");
        for (const auto& c : cases) {
            const QString definition = QString::fromUtf8(c.definition);
            const Times with = measure(dir, folder, definition.arg(QString::fromUtf8(c.chart)));
            const Times without = measure(dir, folder, definition.arg(QString()));
            std::printf("%-30s %6d %10.3f %10.3f %10.3f\n", c.name, with.pages, with.layout, with.pdf, with.screen);
            std::printf("%-30s %6d %10.3f %10.3f %10.3f\n", "  the same pages, no chart", without.pages,
                        without.layout, without.pdf, without.screen);
            std::printf("%-30s %6s %10.3f %10.3f %10.3f\n", "  the chart's cost", "", with.layout - without.layout,
                        with.pdf - without.pdf, with.screen - without.screen);
            std::fflush(stdout);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_charts: %s\n", e.what());
        return 1;
    }
    return 0;
}
