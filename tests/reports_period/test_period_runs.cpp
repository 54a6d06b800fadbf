// The period, aging and audit-trail work without its dialogs: the command texts each report
// sends and the values its definition and subreports receive, the audit trails' order and
// failures, and the figures the new definitions print, against SQL over the raw tables.

#include "fixture.h"

#include "ReportOperations.h"
#include "Session.h"
#include "frmAnimate.h"

#include <QApplication>
#include <QTest>

using namespace tarvik;
using namespace tarvik::yearly;
using periodtest::RecordingUi;
using periodtest::Shown;
using namespace periodtest;

namespace {

// One presentation in a line: file, caption, tree, values, subreports.
QString line(const Shown& s)
{
    QString text = s.file + QStringLiteral(" | ") + s.caption + (s.groupTree ? QStringLiteral(" | tree") : QString())
        + QStringLiteral(" | ") + s.values.join(QStringLiteral("; "));
    for (const QString& sub : s.subreports)
        text += QStringLiteral(" | ") + sub;
    return text;
}

QStringList lines(const std::vector<Shown>& shown)
{
    QStringList out;
    for (const Shown& s : shown)
        out << line(s);
    return out;
}

// The run's hooks, also keeping the text of every report as its PDF reads.
class RenderingUi : public RecordingUi
{
public:
    RenderingUi() : RecordingUi(false) {}
    void showReport(bool tree, const QString& caption, bool print, bool modal) override
    {
        RecordingUi::showReport(tree, caption, print, modal);
        texts << tarvik::testsupport::renderText(gReport);
        gReport.reset();
    }
    QStringList texts;
};

// Cents of an SQL sum as the reports print them.
QString cents(const QVariant& v)
{
    return periodtest::money(v.toLongLong(), true);
}

QString count(const QVariant& v)
{
    QString s = QString::number(v.toLongLong());
    for (int i = int(s.size()) - 3; i > 0; i -= 3)
        s.insert(i, u',');
    return s;
}

} // namespace

class TestPeriodRuns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void commandTextsAndParameterLists_data();
    void commandTextsAndParameterLists();
    void reportTypesWithoutAReportPrepareNothing();
    void auditTrailsInTheirOrder_data();
    void auditTrailsInTheirOrder();
    void aFailureStopsTheAuditTrailKeepingWhatCameBefore();

    void adjustmentsCountEveryMomentOfTheLastDay();
    void adjustmentsAreListedOnceWithTotalsByType();
    void admissionsOfThePeriodAreCounted_data();
    void admissionsOfThePeriodAreCounted();
    void summaryPerGLBalancesAndMatchesTheLedger();

private:
    std::unique_ptr<periodtest::Session> m_session;
    std::unique_ptr<QTemporaryDir> m_copy;
};

void TestPeriodRuns::initTestCase()
{
    periodtest::demoFolder();
}

void TestPeriodRuns::init()
{
    m_session = std::make_unique<periodtest::Session>(periodtest::demoFolder());
    m_session->clearTrace();
}

void TestPeriodRuns::cleanup()
{
    m_session.reset();
    m_copy.reset();
    QVERIFY2(!QApplication::overrideCursor(), "the hourglass was left on");
    QVERIFY2(!frmAnimate::instance(), "the progress window was left loaded");
}

void TestPeriodRuns::commandTextsAndParameterLists_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("balanceClass");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("shown"); // "%1" stands for the hospital's address

    const QDate f = periodtest::kFirst, t = periodtest::kLast;
    QTest::newRow("payable aging in detail, recomputed for the period")
        << "period" << "3" << "" << f << t
        << QStringList{"REPORTS..sp_BILLING_RepAgingPayableRecompute '02/01/2026', '02/28/2026'"}
        << "PayableDetail.rpt | Payable Aging | tree | 02/01/2026; 02/28/2026; %1";
    QTest::newRow("payable aging in summary, its classification with the same three values")
        << "period" << "4" << "" << f << t
        << QStringList{"REPORTS..sp_BILLING_RepAgingPayableRecompute '02/01/2026', '02/28/2026'"}
        << "PayableComputation.rpt | Payable Aging Analysis Report | tree | 02/01/2026; 02/28/2026; %1"
           " | Classification: 02/01/2026; 02/28/2026; %1";
    QTest::newRow("adjustments: the address first, the last day to its end, no procedure")
        << "period" << "6" << "" << QDate(2026, 3, 1) << QDate(2026, 3, 15) << QStringList{}
        << "DailyAdjustment_New.rpt | Daily Adjustment Report | %1; 03/01/2026; 03/15/2026 23:59:59.99";
    QTest::newRow("aging in detail, receivables")
        << "aging" << "1" << "P" << f << t
        << QStringList{"REPORTS..sp_BILLING_RepAgingRecompute '02/01/2026', '02/28/2026', 'P'"}
        << "Aging.rpt | Aging Detailed Report | tree | 02/01/2026; 02/28/2026; %1";
    QTest::newRow("aging in summary, all accounts at net")
        << "aging" << "2" << "A" << f << t
        << QStringList{"REPORTS..sp_BILLING_RepAgingRecompute '02/01/2026', '02/28/2026', 'A'"}
        << "AgingComputation.rpt | Aging Summary Report | tree | 02/01/2026; 02/28/2026; %1"
           " | Classification: 02/01/2026; 02/28/2026; %1";
    QTest::newRow("aging of one day, payables")
        << "aging" << "1" << "N" << QDate(2026, 3, 2) << QDate(2026, 3, 2)
        << QStringList{"REPORTS..sp_BILLING_RepAgingRecompute '03/02/2026', '03/02/2026', 'N'"}
        << "Aging.rpt | Aging Detailed Report | tree | 03/02/2026; 03/02/2026; %1";
    QTest::newRow("admissions of one day") << "others" << "0" << "" << QDate(2026, 3, 2) << QDate(2026, 3, 2)
                                           << QStringList{}
                                           << "AdmissionList.rpt | List Of Admissions | tree | 03/02/2026; 03/02/2026; %1";
}

void TestPeriodRuns::commandTextsAndParameterLists()
{
    QFETCH(QString, dialog);
    QFETCH(QString, type);
    QFETCH(QString, balanceClass);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QStringList, commands);
    QFETCH(QString, shown);

    RecordingUi ui(false);
    const PeriodInput in{from, to, type, balanceClass};
    bool produced = false;
    if (dialog == QLatin1String("period"))
        produced = runReportPeriod(in, ui);
    else if (dialog == QLatin1String("aging"))
        produced = runAging(in, ui);
    else
        produced = runReportPeriodOthers(in, ui);
    QVERIFY(produced);
    QCOMPARE(m_session->trace(), commands);
    QCOMPARE(lines(ui.shown), QStringList{QString(shown).replace(QStringLiteral("%1"), gCompanyAddress)});
    // Every period report is opened, then the dialog goes, then the viewer comes, with the
    // progress window and the hourglass already gone; never printed.
    const Shown& s = ui.shown.front();
    QCOMPARE(s.unloadsBefore, 1);
    QVERIFY(!s.progressShowing);
    QVERIFY(!s.busy);
    QVERIFY(!s.directPrint && !s.modal);
    // The aging tables are opened on "REPORTS", the reporting copies on "Reports".
    const bool copies = type == QLatin1String("6") || dialog == QLatin1String("others");
    QCOMPARE(s.databases, QStringList{copies ? QStringLiteral("Reports") : QStringLiteral("REPORTS")});
    QCOMPARE(ui.progressDepth, 0);
    QCOMPARE(ui.busyDepth, 0);
}

void TestPeriodRuns::reportTypesWithoutAReportPrepareNothing()
{
    RecordingUi ui(false);
    const QDate f = periodtest::kFirst, t = periodtest::kLast;
    QVERIFY(!runReportPeriod({f, t, QStringLiteral("1"), {}}, ui));
    QVERIFY(!runAging({f, t, QStringLiteral("3"), QStringLiteral("P")}, ui));
    QVERIFY(!runReportPeriodOthers({f, t, QStringLiteral("1"), {}}, ui));
    QVERIFY(!runReportPeriod({f, t, QString(), {}}, ui));
    QVERIFY(m_session->trace().isEmpty());
    QVERIFY(ui.shown.empty());
    QCOMPARE(ui.unloads, 0);
    QCOMPARE(ui.busyDepth, 0);
}

void TestPeriodRuns::auditTrailsInTheirOrder_data()
{
    QTest::addColumn<bool>("monthly");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("patients");
    QTest::addColumn<QList<int>>("ticked");
    QTest::addColumn<QStringList>("shown"); // "%1" stands for the address, "%2" for the hospital

    QTest::newRow("daily, out-patients, every report, the detail with both its parts")
        << false << QDate(2026, 3, 9) << "O" << QList<int>{0, 1, 2}
        << QStringList{"DailyAuditTrail.rpt | Daily Audit Trail - Detail | tree | 03/09/2026; O; %1"
                       " | Summary: 03/09/2026; O | Doctors: 03/09/2026; O",
                       "DailyAuditSummaryByAR.rpt | Daily Audit Trail - Summary by AR | 03/09/2026; O; %1",
                       "DailyAuditSummaryByGL.rpt | Daily Audit Trail - Summary by GL | 03/09/2026; O; %1"};
    QTest::newRow("daily, all patients, the G/L summary only")
        << false << QDate(2026, 3, 2) << "A" << QList<int>{2}
        << QStringList{"DailyAuditSummaryByGL.rpt | Daily Audit Trail - Summary by GL | 03/02/2026; A; %1"};
    QTest::newRow("monthly, a day in February: the whole month for every patient, the breakdown's two parts")
        << true << QDate(2026, 2, 17) << "" << QList<int>{0, 1, 2, 3}
        << QStringList{"MonthlyEntriesGL.rpt | A/R General Ledger Entries - Detail | 02/01/2026; 02/28/2026; A; %1",
                       "MonthlySummaryGL.rpt | A/R General Ledger Entries - Summary by A/R | 02/01/2026; 02/28/2026; A; %1",
                       "MonthlySummaryARLedger.rpt | A/R General Ledger Entries - Summany by GL | tree"
                       " | 02/01/2026; 02/28/2026; A; %1",
                       "BreakdownOfDepartmentalRevenue.rpt | Breakdown Of Departmental Revenue | tree"
                       " | 02/01/2026; 02/28/2026; A; %1 | Summary: 02/01/2026; 02/28/2026; %1; %2"
                       " | Doctors: 02/01/2026; 02/28/2026; A"};
    QTest::newRow("monthly, the summary per A/R box gives the A/R summary, per G/L the G/L one")
        << true << QDate(2026, 1, 31) << "" << QList<int>{2, 1}
        << QStringList{"MonthlySummaryGL.rpt | A/R General Ledger Entries - Summary by A/R | 01/01/2026; 01/31/2026; A; %1",
                       "MonthlySummaryARLedger.rpt | A/R General Ledger Entries - Summany by GL | tree"
                       " | 01/01/2026; 01/31/2026; A; %1"};
    QTest::newRow("monthly, nothing ticked") << true << QDate(2026, 2, 17) << "" << QList<int>{} << QStringList{};
}

void TestPeriodRuns::auditTrailsInTheirOrder()
{
    QFETCH(bool, monthly);
    QFETCH(QDate, date);
    QFETCH(QString, patients);
    QFETCH(QList<int>, ticked);
    QFETCH(QStringList, shown);

    RecordingUi ui(false);
    BatchResult result;
    if (monthly) {
        AuditTrailMonthlyInput in{date, {}};
        for (int box : ticked)
            in.ticked.at(size_t(box)) = true;
        result = runAuditTrailMonthly(in, ui);
    } else {
        AuditTrailInput in{date, patients, {}};
        for (int box : ticked)
            in.ticked.at(size_t(box)) = true;
        result = runAuditTrail(in, ui);
    }
    QVERIFY2(result.ok(), qPrintable(result.error));
    QStringList expected;
    for (const QString& s : shown)
        expected << QString(s).replace(QStringLiteral("%1"), gCompanyAddress).replace(QStringLiteral("%2"), gCompanyName);
    QCOMPARE(lines(ui.shown), expected);
    QVERIFY(m_session->trace().isEmpty()); // the reports read their data themselves
    for (const Shown& s : ui.shown) {
        QVERIFY2(s.progressShowing, qPrintable(s.caption)); // each report under its own window
        QCOMPARE(s.unloadsBefore, 0);
    }
    QCOMPARE(ui.progressDepth, 0);
}

void TestPeriodRuns::aFailureStopsTheAuditTrailKeepingWhatCameBefore()
{
    m_session->spoilReport(QStringLiteral("MonthlySummaryARLedger.rpt"));
    RecordingUi ui(false);
    AuditTrailMonthlyInput in{periodtest::kFirst, {true, true, true, true}};
    const BatchResult result = runAuditTrailMonthly(in, ui);
    QCOMPARE(result.failedBox, 2);
    QVERIFY2(result.error.contains(QStringLiteral("MonthlySummaryARLedger.rpt")), qPrintable(result.error));
    QCOMPARE(result.produced, (QStringList{"A/R General Ledger Entries - Detail",
                                           "A/R General Ledger Entries - Summary by A/R"}));
    QCOMPARE(ui.shown.size(), size_t(2));
    QCOMPARE(ui.progressDepth, 0);
    QCOMPARE(ui.busyDepth, 0);
}

// The period's end is sent as the last day followed by " 23:59:59.99": an adjustment posted
// in the last second of that day is in, one posted as the next day begins is not.
void TestPeriodRuns::adjustmentsCountEveryMomentOfTheLastDay()
{
    m_copy = copyOfFolder(periodtest::demoFolder());
    const QString data = m_copy->path();
    const QString account = queryRow(data, QStringLiteral("SELECT ARNo FROM BILLING.tbPatientAccount LIMIT 1")).value(0).toString();
    const auto adjustment = [&](const char* no, const char* at, const char* reason) {
        return QStringLiteral("INSERT INTO BILLING.tbAdjustment (AdjNo, ARNo, AdjDate, PostedAt, AdjType, Reason, Amount, "
                              "ApprovedBy, PostedBy) VALUES ('%1', '%2', substr('%3', 1, 10), '%3', 'CORRECTION', '%4', "
                              "-1234, 'Test', 'test')")
            .arg(QLatin1String(no), account, QLatin1String(at), QLatin1String(reason));
    };
    exec(data, {adjustment("ADJT000001", "2026-03-01 00:00:00", "First moment of the period"),
                adjustment("ADJT000002", "2026-03-10 23:59:59", "Last second of the period"),
                adjustment("ADJT000003", "2026-03-11 00:00:00", "Next day already")});
    m_session.reset();
    m_session = std::make_unique<periodtest::Session>(data);
    m_session->connection().execute(QStringLiteral("Reports..sp_Rep_RefreshReportTables '03/01/2026', '03/11/2026'"));

    RenderingUi ui;
    QVERIFY(runReportPeriod({QDate(2026, 3, 1), QDate(2026, 3, 10), QStringLiteral("6"), {}}, ui));
    const QString text = ui.texts.value(0);
    QVERIFY(text.contains(QStringLiteral("First moment of the period")));
    QVERIFY(text.contains(QStringLiteral("Last second of the period")));
    QVERIFY(!text.contains(QStringLiteral("Next day already")));
    const QVariantList t = queryRow(data, QStringLiteral(
        "SELECT COUNT(*), SUM(Amount) FROM BILLING.tbAdjustment WHERE AdjDate BETWEEN '2026-03-01' AND '2026-03-10'"));
    QCOMPARE(numbersOnLine(text, QStringLiteral("Total adjustments")), (QStringList{count(t[0]), cents(t[1])}));
}

void TestPeriodRuns::adjustmentsAreListedOnceWithTotalsByType()
{
    RenderingUi ui;
    QVERIFY(runReportPeriod({periodtest::kFirst, periodtest::kLast, QStringLiteral("6"), {}}, ui));
    const QString text = ui.texts.value(0);
    const QString data = periodtest::demoFolder();
    const QString month = QStringLiteral("AdjDate BETWEEN '2026-02-01' AND '2026-02-28'");

    const QStringList numbers = queryColumn(data, QStringLiteral("SELECT AdjNo FROM BILLING.tbAdjustment WHERE ") + month);
    QVERIFY(numbers.size() > 20);
    for (const QString& no : numbers)
        QVERIFY2(text.count(no) == 1, qPrintable(no + QStringLiteral(" is not listed exactly once")));

    const QVariantList t =
        queryRow(data, QStringLiteral("SELECT COUNT(*), SUM(Amount) FROM BILLING.tbAdjustment WHERE ") + month);
    QCOMPARE(numbersOnLine(text, QStringLiteral("Total adjustments")), (QStringList{count(t[0]), cents(t[1])}));
    const struct
    {
        const char* type;
        const char* label;
    } types[] = {{"DISCOUNT", "Total Discounts"},
                 {"SENIOR", "Total Senior citizen discounts"},
                 {"WRITEOFF", "Total Write-offs"},
                 {"CORRECTION", "Total Corrections"},
                 {"REFUND", "Total Refunds of credit balances"}};
    int seen = 0;
    for (const auto& type : types) {
        const QVariantList r = queryRow(data, QStringLiteral("SELECT COUNT(*), TOTAL(Amount) FROM BILLING.tbAdjustment "
                                                             "WHERE AdjType = '%1' AND ")
                                                  .arg(QLatin1String(type.type)) + month);
        if (r[0].toInt() == 0) {
            QVERIFY(!text.contains(QLatin1String(type.label)));
            continue;
        }
        ++seen;
        QCOMPARE(numbersOnLine(text, QLatin1String(type.label)), (QStringList{count(r[0]), cents(r[1])}));
    }
    QVERIFY2(seen >= 3, "the demo month has adjustments of several types");
}

void TestPeriodRuns::admissionsOfThePeriodAreCounted_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::newRow("a whole month") << periodtest::kFirst << periodtest::kLast;
    QTest::newRow("one day: from equal to to") << QDate(2026, 3, 2) << QDate(2026, 3, 2);
}

void TestPeriodRuns::admissionsOfThePeriodAreCounted()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    RenderingUi ui;
    QVERIFY(runReportPeriodOthers({from, to, QStringLiteral("0"), {}}, ui));
    const QString text = ui.texts.value(0);
    const QString period = QStringLiteral("date(AdmitDateTime) BETWEEN '%1' AND '%2'")
                               .arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate));
    const QVariantList t = queryRow(periodtest::demoFolder(),
                                    QStringLiteral("SELECT COUNT(*), TOTAL(AdmissionType = 'EMERGENCY') "
                                                   "FROM Patient_data.tbAdmission WHERE ") + period);
    QVERIFY(t[0].toInt() > 0);
    QCOMPARE(numbersOnLine(text, QStringLiteral("Total admissions")).value(0), count(t[0]));
    QCOMPARE(numbersOnLine(text, QStringLiteral("Total admissions")).value(1), count(t[1]));
    for (const QString& no : queryColumn(periodtest::demoFolder(),
                                         QStringLiteral("SELECT AdmissionNo FROM Patient_data.tbAdmission WHERE ") + period))
        QVERIFY2(text.count(no) == 1, qPrintable(no));
}

// The journal's summary per account: debits equal credits, as the raw journal has them, and
// the receivable accounts' net is the receivable ledger's movement of the month.
void TestPeriodRuns::summaryPerGLBalancesAndMatchesTheLedger()
{
    RenderingUi ui;
    AuditTrailMonthlyInput in{periodtest::kFirst, {false, false, true, false}};
    QVERIFY(runAuditTrailMonthly(in, ui).ok());
    const QString text = ui.texts.value(0);
    const QString data = periodtest::demoFolder();
    const QVariantList j = queryRow(data, QStringLiteral(
        "SELECT COUNT(*), SUM(Debit), SUM(Credit) FROM BILLING.tbGLEntry WHERE JournalDate BETWEEN '2026-02-01' AND '2026-02-28'"));
    QVERIFY(j[1].toLongLong() > 0);
    QCOMPARE(j[1], j[2]);
    QCOMPARE(numbersOnLine(text, QStringLiteral("Total debits and credits")),
             (QStringList{count(j[0]), cents(j[1]), cents(j[2]), QStringLiteral("0.00")}));
    const QString movement = cents(queryRow(data, QStringLiteral(
        "SELECT SUM(Amount) FROM BILLING.tbARLedger WHERE TxnDate BETWEEN '2026-02-01' AND '2026-02-28'")).value(0));
    QCOMPARE(numbersOnLine(text, QStringLiteral("Receivable accounts: net debit in the journal")),
             QStringList{movement});
    QCOMPARE(numbersOnLine(text, QStringLiteral("Movement of the A/R ledger in the period")), QStringList{movement});
    // Each account's line: its debits and credits in the raw journal.
    const QVariantList cash = queryRow(data, QStringLiteral(
        "SELECT COUNT(*), SUM(Debit), SUM(Credit), SUM(Debit) - SUM(Credit) FROM BILLING.tbGLEntry "
        "WHERE GLCode = '1010' AND JournalDate BETWEEN '2026-02-01' AND '2026-02-28'"));
    QCOMPARE(numbersOnLine(text, QStringLiteral("Cash on Hand")),
             (QStringList{count(cash[0]), cents(cash[1]), cents(cash[2]), cents(cash[3])}));
}

QTEST_MAIN(TestPeriodRuns)
#include "test_period_runs.moc"
