// The charts of four reports, opened as the program opens them on a generated demo hospital and
// exported to CSV, where a chart keeps its figures as a table: every figure of each chart equals
// the figure the report's own table prints for it.

#include "Connection.h"
#include "ConnectionInfo.h"
#include "CsvRows.h"
#include "HospitalDb.h"
#include "ReportText.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using tarvik::engine::ReportPtr;

namespace {

const QString kHospital = QStringLiteral("St. Tarvik General Hospital");
const QString kAddress = QStringLiteral("123 Rizal Avenue, Nueva Castilla");
const QString kFirst = QStringLiteral("02/01/2026");
const QString kLast = QStringLiteral("02/28/2026");
const QString kDay = QStringLiteral("02/17/2026");

std::unique_ptr<QTemporaryDir> g_dir;

QString folder() { return g_dir->path(); }

class DemoHospital : public ::testing::Environment
{
public:
    void SetUp() override
    {
        g_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(g_dir->isValid());
        tarvik::hospitaldb::GeneratorOptions options;
        options.scale = 0.05;
        options.seed = 2121;
        options.to = QDate(2026, 3, 15);
        options.months = 3;
        options.monthEnd = false;
        tarvik::hospitaldb::generateDemoData(folder(), options);
    }
    void TearDown() override { g_dir.reset(); }
};

void execute(const QString& commandText)
{
    tarvik::db::Connection connection(tarvik::db::ConnectionInfo::embedded(folder()));
    connection.execute(commandText);
}

ReportPtr openLikeProgram(const QString& name, const QString& database, const QVariantList& values)
{
    return tarvik::testsupport::openReportLikeProgram(QStringLiteral(TARVIK_SOURCE_REPORTS "/") + name, folder(),
                                                      kHospital, database, values);
}

// A report's CSV export, read back.
class Sheet
{
public:
    explicit Sheet(const ReportPtr& report)
    {
        const QString path = m_dir.filePath(QStringLiteral("report.csv"));
        report->exportOptions() = {path, 39, 1};
        report->exportReport();
        m_rows = tarvik::testsupport::csvRows(path);
    }

    // The rows of the chart titled `title` under its heading, the heading first.
    QList<QStringList> chart(const QString& title) const
    {
        for (qsizetype i = 0; i + 1 < m_rows.size(); ++i) {
            if (m_rows[i] != QStringList{title})
                continue;
            QList<QStringList> out{m_rows[i + 1]};
            for (qsizetype k = i + 2; k < m_rows.size() && m_rows[k].size() == m_rows[i + 1].size() &&
                                      !m_rows[k].join(QString()).isEmpty();
                 ++k)
                out << m_rows[k];
            return out;
        }
        ADD_FAILURE() << "no chart titled " << title.toStdString();
        return {};
    }

    // The n-th row that begins with `first` and has `width` cells (a table's row, not a chart's).
    QStringList row(const QString& first, qsizetype width, int occurrence = 0) const
    {
        for (const QStringList& r : m_rows)
            if (r.size() == width && r.value(0) == first && occurrence-- == 0)
                return r;
        return {};
    }

    const QList<QStringList>& rows() const { return m_rows; }

private:
    QTemporaryDir m_dir;
    QList<QStringList> m_rows;
};

double number(const QString& cell)
{
    bool ok = false;
    const double v = cell.toDouble(&ok);
    EXPECT_TRUE(ok) << "not a figure: \"" << cell.toStdString() << "\"";
    return v;
}

} // namespace

TEST(ReportCharts, AgingBalancesByAgeAreTheClassificationsBuckets)
{
    execute(QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '%1', '%2'").arg(kFirst, kLast));
    auto report = openLikeProgram(QStringLiteral("AgingComputation.rpt"), QStringLiteral("REPORTS"), {kFirst, kLast, kAddress});
    tarvik::testsupport::openSubreportLikeProgram(*report, folder(), QStringLiteral("Classification"),
                                                  QStringLiteral("REPORTS"), {kFirst, kLast, kAddress});
    const Sheet sheet(report);
    const QList<QStringList> chart = sheet.chart(QStringLiteral("Balances by age"));
    ASSERT_EQ(chart.size(), 6) << "a heading and the five buckets";
    // The table's columns: Classification, Accounts, Balance, Share, the five buckets, their shares.
    const QStringList captions = sheet.row(QStringLiteral("Classification"), 14);
    ASSERT_FALSE(captions.isEmpty());
    const QStringList classes = chart[0].mid(1);
    ASSERT_GE(classes.size(), 2) << "stacked by classification";
    double sum = 0;
    for (qsizetype b = 1; b < chart.size(); ++b) {
        const qsizetype column = captions.indexOf(chart[b][0]);
        ASSERT_GE(column, 4) << chart[b][0].toStdString();
        for (qsizetype c = 0; c < classes.size(); ++c) {
            const QStringList line = sheet.row(classes[c], 14);
            ASSERT_FALSE(line.isEmpty()) << classes[c].toStdString();
            EXPECT_NEAR(number(chart[b][c + 1]), number(line[column]), 0.005)
                << classes[c].toStdString() << ", " << chart[b][0].toStdString();
            sum += number(chart[b][c + 1]);
        }
    }
    EXPECT_GT(sum, 0) << "an aging with balances";
}

TEST(ReportCharts, RevenueByDepartmentIsTheSummarysHospitalAndProfessionalColumns)
{
    const QVariantList values{kFirst, kLast, QStringLiteral("A"), kAddress};
    auto report = openLikeProgram(QStringLiteral("BreakdownOfDepartmentalRevenue.rpt"), QStringLiteral("Reports"), values);
    tarvik::testsupport::openSubreportLikeProgram(*report, folder(), QStringLiteral("Summary"), QStringLiteral("Reports"),
                                                  {kFirst, kLast, kAddress, kHospital});
    tarvik::testsupport::openSubreportLikeProgram(*report, folder(), QStringLiteral("Doctors"), QStringLiteral("Reports"),
                                                  {kFirst, kLast, QStringLiteral("A")});
    const Sheet sheet(report);
    const QList<QStringList> chart = sheet.chart(QStringLiteral("Revenue by department"));
    ASSERT_GE(chart.size(), 4);
    EXPECT_EQ(chart[0], (QStringList{QStringLiteral("Department"), QStringLiteral("Hospital charges"),
                                     QStringLiteral("Professional fees")}));
    // The summary's rows: Department, Hospital, Professional, Total, In-patients, Out-patients, Share.
    for (qsizetype d = 1; d < chart.size(); ++d) {
        const QStringList line = sheet.row(chart[d][0], 7);
        ASSERT_FALSE(line.isEmpty()) << chart[d][0].toStdString();
        EXPECT_NEAR(number(chart[d][1]), number(line[1]), 0.005) << chart[d][0].toStdString();
        EXPECT_NEAR(number(chart[d][2]), number(line[2]), 0.005) << chart[d][0].toStdString();
    }
}

TEST(ReportCharts, YearEndLinesAreTheSubtotalsAndTheNetRevenueByMonth)
{
    execute(QStringLiteral("Reports..sp_Rep_MonthlyREcompute '01/01/2026', '02/28/2026', 'LB', 'N'"));
    auto report = openLikeProgram(QStringLiteral("rptYearEndReport.rpt"), QStringLiteral("Reports"),
                                  {QStringLiteral("2026"), QStringLiteral("LB"), kAddress,
                                   QStringLiteral("Year End Laboratory Summary Report"), kLast});
    const Sheet sheet(report);
    // Code, Examination / service, Jan..Dec, Year, Net revenue, Monthly avg.
    const QStringList captions = sheet.row(QStringLiteral("Code"), 17);
    ASSERT_FALSE(captions.isEmpty());

    const QList<QStringList> counts = sheet.chart(QStringLiteral("Count by month"));
    ASSERT_EQ(counts.size(), 13) << "a heading and twelve months";
    const QStringList groups = counts[0].mid(1);
    ASSERT_FALSE(groups.isEmpty());
    double seen = 0;
    for (qsizetype g = 0; g < groups.size(); ++g) {
        // Each group's subtotal follows its rows: the g-th "Subtotal" line.
        const QStringList subtotal = sheet.row(QStringLiteral("Subtotal"), 17, int(g));
        ASSERT_FALSE(subtotal.isEmpty()) << groups[g].toStdString();
        for (qsizetype m = 1; m < counts.size(); ++m) {
            const qsizetype column = captions.indexOf(counts[m][0]);
            ASSERT_EQ(column, m + 1) << counts[m][0].toStdString();
            EXPECT_NEAR(number(counts[m][g + 1]), number(subtotal[column]), 0.005)
                << groups[g].toStdString() << ", " << counts[m][0].toStdString();
            seen += number(counts[m][g + 1]);
        }
    }
    EXPECT_GT(seen, 0) << "January and February were counted";

    const QList<QStringList> revenue = sheet.chart(QStringLiteral("Net revenue by month"));
    ASSERT_EQ(revenue.size(), 13);
    const QStringList byMonth = sheet.row(QStringLiteral("Net revenue by month"), 17);
    const QStringList total = sheet.row(QStringLiteral("Total for the year"), 17);
    ASSERT_FALSE(byMonth.isEmpty());
    ASSERT_FALSE(total.isEmpty());
    double year = 0;
    for (qsizetype m = 1; m < revenue.size(); ++m) {
        EXPECT_NEAR(number(revenue[m][1]), number(byMonth[m + 1]), 0.005) << revenue[m][0].toStdString();
        year += number(revenue[m][1]);
    }
    // The months add up to the year's net revenue the report prints.
    EXPECT_NEAR(year, number(total[captions.indexOf(QStringLiteral("Net revenue"))]), 0.005);
}

TEST(ReportCharts, DailyServicesCashAndChargeAreTheDepartmentsTable)
{
    const QString day = QStringLiteral("Reports..sp_Rep_DumpDailySummaryOfServices  '%1'").arg(kDay);
    execute(day);
    execute(QStringLiteral("Reports..sp_RepRecomputeExtensionOutPatient  '%1'").arg(kDay));
    // The six totals are not what is checked here: any values will do.
    auto report = openLikeProgram(QStringLiteral("rptDailySummaryOfServices.rpt"), QStringLiteral("Reports"),
                                  {kDay, kDay, kAddress, 0, 0, 0, 0, 0, 0});
    const Sheet sheet(report);
    const QList<QStringList> chart = sheet.chart(QStringLiteral("Cash and charge by department"));
    ASSERT_GE(chart.size(), 3) << "the day's departments, though nobody opened the section: it has the report's day";
    EXPECT_EQ(chart[0], (QStringList{QStringLiteral("Department"), QStringLiteral("Cash"), QStringLiteral("Charge")}));
    // The section's rows: Department, Cash, Charge, the four fees, Total.
    double cash = 0, charge = 0;
    for (qsizetype d = 1; d < chart.size(); ++d) {
        const QStringList line = sheet.row(chart[d][0], 8);
        ASSERT_FALSE(line.isEmpty()) << chart[d][0].toStdString();
        EXPECT_NEAR(number(chart[d][1]), number(line[1]), 0.005) << chart[d][0].toStdString();
        EXPECT_NEAR(number(chart[d][2]), number(line[2]), 0.005) << chart[d][0].toStdString();
        cash += number(chart[d][1]);
        charge += number(chart[d][2]);
    }
    // By department or by visit, the day's cash and charge are the same money.
    const QStringList visits = sheet.row(QStringLiteral("Total services"), 9);
    ASSERT_FALSE(visits.isEmpty());
    EXPECT_NEAR(cash, number(visits[4]) + number(visits[6]), 0.005);
    EXPECT_NEAR(charge, number(visits[5]) + number(visits[7]), 0.005);
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new DemoHospital);
    return RUN_ALL_TESTS();
}
