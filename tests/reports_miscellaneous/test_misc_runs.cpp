// The miscellaneous report without its window: the runners given the periods and titles of both
// uses, and the reports' totals against the receipts themselves.

#include "fixture.h"

#include "MiscellaneousReports.h"
#include "ReportOperations.h"
#include "Session.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace tarvik;
using monthly::RevenueCode;

namespace {

class MiscellaneousRuns : public ::testing::Test
{
protected:
    void SetUp() override { session = std::make_unique<misctest::Session>(misctest::demoFolder()); }
    void TearDown() override { session.reset(); }

    std::unique_ptr<misctest::Session> session;
};

// The numbers on the report's line that begins with `label`.
QList<double> totalsLine(const QString& text, const QString& label)
{
    QList<double> numbers;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (!line.contains(label))
            continue;
        static const QRegularExpression number(QStringLiteral("\\(?[\\d,]+(\\.\\d+)?\\)?"));
        auto it = number.globalMatch(line.mid(line.indexOf(label) + label.size()));
        while (it.hasNext())
            numbers << it.next().captured().remove(QLatin1Char(',')).toDouble();
        break;
    }
    return numbers;
}

} // namespace

// The period texts, title and runner of each use, as the recompute and the report receive them.
TEST_F(MiscellaneousRuns, EachUseGivesItsRunnerThePeriodAndTitle)
{
    const struct
    {
        const char* why;
        const char* type;
        QDate picked;
        const char* description;
        const char* recompute;
        const char* file;
        QStringList values;
        const char* caption;
    } cases[] = {
        {"a month", "M", QDate(2026, 2, 17), "Medical Certificate",
         "Reports..sp_Rep_MonthlyREcompute '02/01/2026', '02/28/2026', 'MC', 'Y'", "rptMonthlyReport_MH.rpt",
         {"02/01/2026", "02/28/2026", "MC", "Y", "12 Test Street, Testville", "Monthly Medical Certificate Report",
          "02/28/2026"},
         "Monthly Medical Certificate Report: Feb,2026"},
        {"no description: two blanks in the title", "M", QDate(2026, 1, 31), "",
         "Reports..sp_Rep_MonthlyREcompute '01/01/2026', '01/31/2026', 'MC', 'Y'", "rptMonthlyReport_MH.rpt",
         {"01/01/2026", "01/31/2026", "MC", "Y", "12 Test Street, Testville", "Monthly  Report", "01/31/2026"},
         "Monthly  Report: Jan,2026"},
        {"year end: the picked date's month in the picked year", "Y", QDate(2025, 3, 15), "Medical Certificate",
         "Reports..sp_Rep_MonthlyREcompute '03/01/2025', '03/31/2025', 'MC', 'Y'", "rptYearEndReport.rpt",
         {"2025", "MC", "12 Test Street, Testville", "Year End Medical Certificate Report", "03/31/2025"},
         "Year End Medical Certificate Report: Mar,2025"},
    };
    for (const auto& c : cases) {
        session->clearTrace();
        ASSERT_TRUE(monthly::runMiscellaneousReport(
            {c.picked, QLatin1String(c.type), QStringLiteral("MC"), QString::fromUtf8(c.description)}))
            << c.why;
        EXPECT_EQ(session->trace(), QStringList{QLatin1String(c.recompute)}) << c.why;
        const misctest::PresentedReport shown = misctest::presentedReport();
        EXPECT_EQ(shown.file, QLatin1String(c.file)) << c.why;
        EXPECT_EQ(shown.values, c.values) << c.why;
        const QList<QMdiSubWindow*> viewers = session->frame()->subWindowList(QMdiArea::CreationOrder);
        ASSERT_FALSE(viewers.isEmpty());
        EXPECT_EQ(viewers.last()->windowTitle(), QLatin1String(c.caption)) << c.why;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << c.why;
    }
    session->clearTrace();
    EXPECT_FALSE(monthly::runMiscellaneousReport({QDate(2026, 3, 1), QStringLiteral("Q"), QStringLiteral("MC"), {}}));
    EXPECT_TRUE(session->trace().isEmpty());
}

// A code added in the maintenance window after receipts for it were taken shows them, month and
// year, as an established code does; voided receipts are left out. The demo has no month-end
// summaries, so the year's other months exist only if the year-end run builds them.
TEST_F(MiscellaneousRuns, TotalsEqualTheCodesReceipts)
{
    const QString folder = misctest::demoFolder();
    const QString code = QStringLiteral("CAFÉ O'HARA");
    misctest::exec(folder, {
        "INSERT INTO BILLING.tbReceipt (ORNo, ReceivedAt, ReceiptDate, CashierID, ReceivedFrom, Tender, Amount, Voided) VALUES"
        " ('T-1', '2026-01-05 09:00:00', '2026-01-05', 'C1', 'Café O''Hara', 'CASH', 1250000, 0),"
        " ('T-2', '2026-02-05 09:00:00', '2026-02-05', 'C1', 'Café O''Hara', 'CASH', 1250050, 0),"
        " ('T-3', '2026-03-05 09:00:00', '2026-03-05', 'C1', 'Café O''Hara', 'CHECK', 980025, 0),"
        " ('T-4', '2026-03-06 09:00:00', '2026-03-06', 'C1', 'Café O''Hara', 'CASH', 50000, 1),"
        " ('T-5', '2026-03-09 09:00:00', '2026-03-09', 'C1', 'Café O''Hara', 'CASH', 120000, 0)",
        "INSERT INTO BILLING.tbReceiptLine (ORNo, LineNo, LineKind, MiscCode, Amount) VALUES"
        " ('T-1', 1, 'MISC', 'CAFÉ O''HARA', 1250000), ('T-2', 1, 'MISC', 'CAFÉ O''HARA', 1250050),"
        " ('T-3', 1, 'MISC', 'CAFÉ O''HARA', 980025), ('T-4', 1, 'MISC', 'CAFÉ O''HARA', 50000),"
        " ('T-5', 1, 'MISC', 'CAFÉ O''HARA', 120000)",
    });
    monthly::saveRevenueCode(code, QStringLiteral("Café O'Hara Concession"));

    const struct
    {
        const char* code;
        const char* type;
        const char* from; // the receipts' period, as SQL dates
        const char* to;
    } cases[] = {
        {"MC", "M", "2026-03-01", "2026-03-31"},
        {"MC", "Y", "2026-01-01", "2026-12-31"},
        {"CAFÉ O'HARA", "M", "2026-03-01", "2026-03-31"},
        {"CAFÉ O'HARA", "Y", "2026-01-01", "2026-12-31"},
    };
    for (const auto& c : cases) {
        const RevenueCode revenue = monthly::findRevenueCode(QString::fromUtf8(c.code));
        const QVariantList expected = misctest::queryRow(
            folder, QStringLiteral("SELECT COUNT(*), SUM(rl.Amount) / 100.0 FROM BILLING.tbReceiptLine rl "
                                   "JOIN BILLING.tbReceipt r ON r.ORNo = rl.ORNo "
                                   "WHERE rl.LineKind = 'MISC' AND rl.MiscCode = '%1' AND r.Voided = 0 "
                                   "AND r.ReceiptDate BETWEEN '%2' AND '%3'")
                        .arg(QString(revenue.code).replace(QLatin1Char('\''), QStringLiteral("''")),
                             QLatin1String(c.from), QLatin1String(c.to)));
        const QString why = QString::fromUtf8(c.code) + QLatin1Char(' ') + QLatin1String(c.type);
        ASSERT_GT(expected.value(0).toInt(), 0) << qPrintable(why);

        ASSERT_TRUE(monthly::runMiscellaneousReport(
            {QDate(2026, 3, 10), QLatin1String(c.type), revenue.code, revenue.description}));
        const QString text = misctest::presentedReport().text;
        const bool year = QLatin1String(c.type) == QLatin1String("Y");
        const QList<double> totals = totalsLine(text, year ? QStringLiteral("Total for the year")
                                                           : QStringLiteral("Total for the month"));
        ASSERT_GE(totals.size(), 2) << qPrintable(why) << "\n" << qPrintable(text);
        // Month: the count first, the amount last. Year: the year's count, amount and average last.
        const double count = year ? totals.at(totals.size() - 3) : totals.first();
        const double amount = year ? totals.at(totals.size() - 2) : totals.last();
        EXPECT_EQ(count, expected.value(0).toDouble()) << qPrintable(why);
        EXPECT_DOUBLE_EQ(amount, expected.value(1).toDouble()) << qPrintable(why);
        EXPECT_TRUE(text.contains(revenue.description)) << qPrintable(why);
    }
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
