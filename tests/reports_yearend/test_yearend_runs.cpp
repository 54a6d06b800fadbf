// The year-end work without its dialogs: what the batch and the department reports send and
// open, the year's totals against the raw charges, examinations and receipts, the months the
// recompute fills in, and the batch's failure.

#include "fixture.h"

#include "RegisterYearlyDialogs.h"
#include "ReportRunners.h"
#include "Session.h"
#include "YearEndReports.h"
#include "frmAnimate.h"
#include "frmReportViewer.h"

#include <QApplication>
#include <QFile>
#include <QTest>

using namespace tarvik;
using namespace tarvik::yearly;

namespace {

const QString kAddress = QStringLiteral("12 Test Street, Testville");

struct Department
{
    const char* code;
    const char* title;
};

// The batch's departments in box order.
const Department kBatch[kYearEndBoxes] = {
    {"LB", "Year End Laboratory Summary Report"},   {"XR", "Year End X-Ray Summary Report"},
    {"US", "Year End Ultrasound Summary Report"},   {"OR", "Year End Operating Room Summary Report"},
    {"PT", "Year End Physical Therapy Summary Report"}, {"PA", "Year End RTS Summary Report"},
    {"AP", "Year End Apparatus Report"},            {"CT", "Year End CT Scan Summary Report"},
    {"DR", "Year End Delivery Summary Report"},
};

QString recomputeText(const QString& from, const QString& to, const QString& code, const QString& flag)
{
    return QStringLiteral("Reports..sp_Rep_MonthlyREcompute '%1', '%2', '%3', '%4'").arg(from, to, code, flag);
}

QString iso(const QDate& date)
{
    return date.toString(Qt::ISODate);
}

// The count and net revenue (cents) of a code between two days (the second excluded), straight
// from the raw tables: examinations for a department with a logbook, receipt lines for a
// miscellaneous revenue code; the amount is the non-voided charges, or the receipts.
QPair<qint64, qint64> rawFigures(const QString& folder, const QString& code, bool miscCode, const QDate& from,
                                 const QDate& to)
{
    const QString range = QStringLiteral("'%1' AND '%2'").arg(iso(from), iso(to.addDays(-1)));
    // A miscellaneous code's own charges (a department of that code) count as billed lines.
    const QString sql = miscCode
        ? QStringLiteral("WITH l AS (SELECT rl.Amount FROM BILLING.tbReceiptLine rl "
                         "JOIN BILLING.tbReceipt r ON r.ORNo = rl.ORNo WHERE rl.LineKind = 'MISC' "
                         "AND rl.MiscCode = '%1' AND r.Voided = 0 AND r.ReceiptDate BETWEEN %2 "
                         "UNION ALL SELECT Net FROM BILLING.tbCharge WHERE DeptCode = '%1' AND Voided = 0 "
                         "AND ServiceDate BETWEEN %2) SELECT COUNT(*), COALESCE(SUM(Amount), 0) FROM l")
              .arg(code, range)
        : QStringLiteral("SELECT (SELECT COUNT(*) FROM Patient_data.tbExamination WHERE DeptCode = '%1' "
                         "AND Status <> 'CANCELLED' AND ExamDate BETWEEN %2), "
                         "(SELECT COALESCE(SUM(Net), 0) FROM BILLING.tbCharge WHERE DeptCode = '%1' "
                         "AND Voided = 0 AND ServiceDate BETWEEN %2)")
              .arg(code, range);
    const QVariantList row = yearendtest::queryRow(folder, sql);
    return {row.value(0).toLongLong(), row.value(1).toLongLong()};
}

// The year's figures from the raw tables, and each month's count.
yearendtest::YearTotals rawYear(const QString& folder, const QString& code, bool miscCode, int year)
{
    yearendtest::YearTotals totals;
    for (int m = 1; m <= 12; ++m) {
        const QDate first(year, m, 1);
        const auto month = rawFigures(folder, code, miscCode, first, first.addMonths(1));
        totals.months.push_back(month.first);
        totals.count += month.first;
        totals.amountCents += month.second;
    }
    return totals;
}

QString describe(const yearendtest::YearTotals& t)
{
    QStringList months;
    for (qint64 n : t.months)
        months << QString::number(n);
    return QStringLiteral("months [%1], count %2, amount %3").arg(months.join(QLatin1Char(' '))).arg(t.count).arg(t.amountCents);
}

bool sameTotals(const yearendtest::YearTotals& a, const yearendtest::YearTotals& b)
{
    return a.months == b.months && a.count == b.count && a.amountCents == b.amountCents;
}

YearEndInput allBoxes(const QDate& picked, bool print)
{
    YearEndInput in;
    in.picked = picked;
    in.directPrint = print;
    in.ticked.fill(true);
    return in;
}

} // namespace

class TestYearEndRuns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void batchSendsEveryBoxInOrder_data();
    void batchSendsEveryBoxInOrder();
    void departmentReports_data();
    void departmentReports();
    void yearTotalsEqualTheRawTables_data();
    void yearTotalsEqualTheRawTables();
    void monthsNeverRecomputedAreReportedInFull();
    void recomputeFillsTheMissingMonths_data();
    void recomputeFillsTheMissingMonths();
    void failureStopsTheBatchAtTheFourthReport();
    void viewLeavesOneViewerPerReportAndPrintNone();
    void commandLineEntriesRunTheSameTables();

private:
    QString m_folder;
    std::unique_ptr<QTemporaryDir> m_copy;
    std::unique_ptr<yearendtest::Session> m_session;
    void logIn(const QString& folder)
    {
        m_session.reset(); // its end logs the session out
        m_session = std::make_unique<yearendtest::Session>(folder);
        m_session->clearTrace();
    }
};

void TestYearEndRuns::initTestCase()
{
    m_folder = yearendtest::demoFolder();
}

void TestYearEndRuns::cleanup()
{
    m_session.reset();
    m_copy.reset();
    QVERIFY2(!QApplication::overrideCursor(), "the hourglass was left on");
}

void TestYearEndRuns::batchSendsEveryBoxInOrder_data()
{
    QTest::addColumn<QDate>("picked");
    QTest::addColumn<bool>("print");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("month");
    // The picker holds the server date's month in the year chosen.
    QTest::newRow("server date in March 2026, year set to 2025")
        << QDate(2025, 3, 15) << false << "03/01/2025" << "03/31/2025" << "Mar,2025";
    QTest::newRow("February of a leap year ends on the 29th")
        << QDate(2024, 2, 15) << true << "02/01/2024" << "02/29/2024" << "Feb,2024";
    QTest::newRow("February of a common year ends on the 28th")
        << QDate(2025, 2, 28) << false << "02/01/2025" << "02/28/2025" << "Feb,2025";
    QTest::newRow("December runs to the 31st") << QDate(2025, 12, 8) << false << "12/01/2025" << "12/31/2025"
                                               << "Dec,2025";
}

void TestYearEndRuns::batchSendsEveryBoxInOrder()
{
    QFETCH(QDate, picked);
    QFETCH(bool, print);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, month);
    logIn(m_folder);
    yearendtest::RecordingUi ui(false);
    yearendtest::PresentationRecorder recorder;

    const runs::BatchResult result = runYearEnd(allBoxes(picked, print), ui);
    QVERIFY2(result.ok(), qPrintable(result.error));

    QStringList expectedTrace, expectedCaptions;
    for (const Department& d : kBatch) {
        expectedTrace << recomputeText(from, to, QLatin1String(d.code), QStringLiteral("N"));
        expectedCaptions << QLatin1String(d.title) + QStringLiteral(": ") + month;
    }
    QCOMPARE(m_session->trace(), expectedTrace);
    QCOMPARE(result.produced, expectedCaptions);
    QCOMPARE(int(recorder.presented.size()), kYearEndBoxes);
    for (int box = 0; box < kYearEndBoxes; ++box) {
        const yearendtest::Presented& p = recorder.presented[size_t(box)];
        QCOMPARE(p.caption, expectedCaptions[box]);
        QCOMPARE(p.file, QStringLiteral("rptYearEndReport.rpt"));
        QCOMPARE(p.values, (QStringList{QString::number(picked.year()), QLatin1String(kBatch[box].code), kAddress,
                                        QLatin1String(kBatch[box].title), to}));
        QCOMPARE(p.directPrint, print);
        QVERIFY(!p.modal);
    }
    QCOMPARE(ui.busyDepth, 0);
}

void TestYearEndRuns::departmentReports_data()
{
    QTest::addColumn<bool>("others");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("code"); // empty: no report
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("flag");
    for (int i = 0; i < 8; ++i) {
        const Department& d = kBatch[i < 6 ? i : i + 1]; // the clinical dialog has no apparatus row
        QTest::addRow("clinical %d", i) << false << QString::number(i) << d.code << d.title << "N";
    }
    QTest::newRow("others 0: apparatus, billed lines") << true << "0" << "AP" << "Year End Apparatus Report" << "Y";
    QTest::newRow("clinical 8 has no row") << false << "8" << "" << "" << "";
    QTest::newRow("others 1 has no row") << true << "1" << "" << "" << "";
    QTest::newRow("an empty type has no row") << false << "" << "" << "" << "";
}

void TestYearEndRuns::departmentReports()
{
    QFETCH(bool, others);
    QFETCH(QString, type);
    QFETCH(QString, code);
    QFETCH(QString, title);
    QFETCH(QString, flag);
    logIn(m_folder);
    yearendtest::RecordingUi ui(false);
    yearendtest::PresentationRecorder recorder;

    // Server date in March 2026, year set to 2025.
    const YearReportInput in{QDate(2025, 3, 15), type};
    const bool ran = others ? runYearOthers(in, ui) : runYearClinical(in, ui);
    QCOMPARE(ran, !code.isEmpty());
    if (code.isEmpty()) {
        QVERIFY(m_session->trace().isEmpty());
        QVERIFY(recorder.presented.empty());
        return;
    }
    QCOMPARE(m_session->trace(), QStringList{recomputeText("03/01/2025", "03/31/2025", code, flag)});
    QCOMPARE(int(recorder.presented.size()), 1);
    QCOMPARE(recorder.presented[0].caption, title + QStringLiteral(": Mar,2025"));
    QCOMPARE(recorder.presented[0].values, (QStringList{"2025", code, kAddress, title, "03/31/2025"}));
    QVERIFY(!recorder.presented[0].directPrint);
    QCOMPARE(ui.busyDepth, 0);
}

void TestYearEndRuns::yearTotalsEqualTheRawTables_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("how"); // "batch", "others" or "misc"
    for (const Department& d : kBatch)
        QTest::addRow("%s from the batch", d.code) << d.code << "batch";
    // The apparatus report counts the examinations also when its dialog asks for billed lines:
    // the same report whichever dialog produced it.
    QTest::newRow("AP from its dialog") << "AP" << "others";
    // Miscellaneous revenue codes, as the miscellaneous year-end report sends them (flag Y).
    QTest::newRow("MC receipts") << "MC" << "misc";
    QTest::newRow("MI receipts, the code typed with blanks") << " MI " << "misc";
}

void TestYearEndRuns::yearTotalsEqualTheRawTables()
{
    QFETCH(QString, code);
    QFETCH(QString, how);
    logIn(m_folder);
    yearendtest::RecordingUi ui(false);
    yearendtest::PresentationRecorder recorder;
    const QDate picked = yearendtest::kServerDate.date(); // March 2026: January and February were closed by the month-end run

    if (how == QLatin1String("batch")) {
        YearEndInput in;
        in.picked = picked;
        for (int box = 0; box < kYearEndBoxes; ++box)
            in.ticked[size_t(box)] = code == QLatin1String(kBatch[box].code);
        QVERIFY(runYearEnd(in, ui).ok());
    } else if (how == QLatin1String("others")) {
        QVERIFY(runYearOthers({picked, QStringLiteral("0")}, ui));
    } else {
        PrintYearEndReport(QStringLiteral("03/01/2026"), QStringLiteral("03/31/2026"), code,
                           QStringLiteral("Year End Miscellaneous Report"), false, QStringLiteral("Y"));
    }
    QCOMPARE(int(recorder.presented.size()), 1);
    const yearendtest::YearTotals shown = yearendtest::yearTotalsOf(recorder.presented[0].report);
    const yearendtest::YearTotals raw = rawYear(m_folder, code.trimmed(), how == QLatin1String("misc"), 2026);
    QVERIFY2(raw.count > 0 && raw.amountCents > 0, "the demo has figures for this code");
    QVERIFY2(sameTotals(shown, raw), qPrintable(QStringLiteral("report: %1\nraw:    %2").arg(describe(shown), describe(raw))));
}

void TestYearEndRuns::monthsNeverRecomputedAreReportedInFull()
{
    // Nobody ran a month-end for any month: the year report still shows every month's figures.
    m_copy = yearendtest::copyOfDemo();
    yearendtest::exec(m_copy->path(), {QStringLiteral("DELETE FROM Reports.tbMonthlySummary")});
    logIn(m_copy->path());
    yearendtest::RecordingUi ui(false);
    yearendtest::PresentationRecorder recorder;

    // 2026 run for March; 2025 run for March, though only its December has data.
    QVERIFY(runYearClinical({QDate(2026, 3, 15), QStringLiteral("0")}, ui));
    QVERIFY(runYearClinical({QDate(2025, 3, 15), QStringLiteral("7")}, ui));
    PrintYearEndReport(QStringLiteral("03/01/2026"), QStringLiteral("03/31/2026"), QStringLiteral("MC"),
                       QStringLiteral("Year End Medical Certificates Report"), false, QStringLiteral("Y"));
    QCOMPARE(int(recorder.presented.size()), 3);

    const struct
    {
        const char* code;
        bool misc;
        int year;
    } expected[] = {{"LB", false, 2026}, {"DR", false, 2025}, {"MC", true, 2026}};
    for (size_t i = 0; i < 3; ++i) {
        const yearendtest::YearTotals shown = yearendtest::yearTotalsOf(recorder.presented[i].report);
        const yearendtest::YearTotals raw = rawYear(m_copy->path(), QLatin1String(expected[i].code), expected[i].misc,
                                                    expected[i].year);
        QVERIFY2(raw.count > 0, expected[i].code);
        QVERIFY2(sameTotals(shown, raw), qPrintable(QStringLiteral("%1: report %2\nraw    %3")
                                                        .arg(QLatin1String(expected[i].code), describe(shown), describe(raw))));
    }
}

void TestYearEndRuns::recomputeFillsTheMissingMonths_data()
{
    // Each row prepares the laboratory's summaries, runs the March 2026 recompute with flag N,
    // and compares a figure of the summaries with what it should then be.
    QTest::addColumn<QStringList>("prepare");
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");

    const QString sum = QStringLiteral("SELECT COALESCE(SUM(ItemCount), 0) FROM Reports.tbMonthlySummary "
                                       "WHERE DeptCode = 'LB' AND Flag = '%1' AND PeriodMonth = '%2'");
    const QString exams = QStringLiteral("SELECT COUNT(*) FROM Patient_data.tbExamination WHERE DeptCode = 'LB' "
                                         "AND Status <> 'CANCELLED' AND substr(ExamDate, 1, 7) = '%1'");
    const QString lines = QStringLiteral("SELECT COUNT(*) FROM BILLING.tbCharge WHERE DeptCode = 'LB' AND Voided = 0 "
                                         "AND substr(ServiceDate, 1, 7) = '%1'");
    const QString rows = QStringLiteral("SELECT COUNT(*) FROM Reports.tbMonthlySummary WHERE DeptCode = 'LB' "
                                        "AND Flag = '%1' AND PeriodMonth = '%2'");
    const QString doctor = QStringLiteral("UPDATE Reports.tbMonthlySummary SET ItemCount = 999, ComputedAt = '%3' "
                                          "WHERE DeptCode = 'LB' AND Flag = '%1' AND PeriodMonth = '%2'");

    QTest::newRow("a month without rows is computed")
        << QStringList{QStringLiteral("DELETE FROM Reports.tbMonthlySummary WHERE DeptCode = 'LB' AND PeriodMonth = '2026-01'")}
        << sum.arg("N", "2026-01") << exams.arg("2026-01");
    QTest::newRow("a month computed before it ended is computed again")
        << QStringList{doctor.arg("N", "2026-01", "2026-01-20 17:00:00")} << sum.arg("N", "2026-01")
        << exams.arg("2026-01");
    QTest::newRow("a month computed after it ended is kept as it stands")
        << QStringList{doctor.arg("N", "2026-01", "2026-02-01 00:30:00")} << sum.arg("N", "2026-01")
        << QStringLiteral("SELECT 999 * (%1)").arg(rows.arg("N", "2026-01"));
    QTest::newRow("the month of the run is always computed")
        << QStringList{doctor.arg("N", "2026-03", "2026-04-02 08:00:00")} << sum.arg("N", "2026-03")
        << exams.arg("2026-03");
    QTest::newRow("a missing month of the other flag is filled where that flag is kept")
        << QStringList{QStringLiteral("DELETE FROM Reports.tbMonthlySummary WHERE DeptCode = 'LB' AND Flag = 'Y' "
                                      "AND PeriodMonth = '2026-02'")}
        << sum.arg("Y", "2026-02") << lines.arg("2026-02");
    QTest::newRow("the other flag is not started for a year that has none of it")
        << QStringList{QStringLiteral("DELETE FROM Reports.tbMonthlySummary WHERE DeptCode = 'LB' AND Flag = 'Y'")}
        << QStringLiteral("SELECT COUNT(*) FROM Reports.tbMonthlySummary WHERE DeptCode = 'LB' AND Flag = 'Y'")
        << QStringLiteral("SELECT 0");
    QTest::newRow("a month of another year is left alone")
        << QStringList{QStringLiteral("DELETE FROM Reports.tbMonthlySummary WHERE DeptCode = 'LB' AND PeriodYear = '2025'")}
        << rows.arg("N", "2025-12") << QStringLiteral("SELECT 0");
    QTest::newRow("another department is left alone")
        << QStringList{QStringLiteral("DELETE FROM Reports.tbMonthlySummary WHERE DeptCode = 'XR' AND PeriodMonth = '2026-01'")}
        << QStringLiteral("SELECT COUNT(*) FROM Reports.tbMonthlySummary WHERE DeptCode = 'XR' AND PeriodMonth = '2026-01'")
        << QStringLiteral("SELECT 0");
}

void TestYearEndRuns::recomputeFillsTheMissingMonths()
{
    QFETCH(QStringList, prepare);
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    m_copy = yearendtest::copyOfDemo();
    yearendtest::exec(m_copy->path(), prepare);
    logIn(m_copy->path());
    m_session->connection().execute(recomputeText("03/01/2026", "03/31/2026", "LB", "N"));
    const qint64 want = yearendtest::queryRow(m_copy->path(), expected).value(0).toLongLong();
    QCOMPARE(yearendtest::queryRow(m_copy->path(), actual).value(0).toLongLong(), want);
    QVERIFY2(want > 0 || expected == QLatin1String("SELECT 0"), "the row compares real figures");
}

void TestYearEndRuns::failureStopsTheBatchAtTheFourthReport()
{
    m_copy = yearendtest::copyOfDemo();
    yearendtest::exec(m_copy->path(),
                      {QStringLiteral("CREATE TRIGGER Reports.trLockOR BEFORE INSERT ON tbMonthlySummary "
                                      "WHEN NEW.DeptCode = 'OR' BEGIN "
                                      "SELECT RAISE(ABORT, 'the operating room summary is locked'); END")});
    logIn(m_copy->path());
    yearendtest::RecordingUi ui(false);
    yearendtest::PresentationRecorder recorder;

    const runs::BatchResult result = runYearEnd(allBoxes(yearendtest::kServerDate.date(), false), ui);
    QCOMPARE(result.failedBox, 3);
    QVERIFY2(result.error.contains(QStringLiteral("the operating room summary is locked")), qPrintable(result.error));
    QCOMPARE(result.produced.size(), 3);
    QCOMPARE(int(recorder.presented.size()), 3);
    const QStringList trace = m_session->trace();
    QCOMPARE(trace.size(), 4); // nothing is sent for the boxes after it
    QVERIFY(trace.last().contains(QStringLiteral("'OR', 'N'")));
    QVERIFY(!frmAnimate::instance() || !frmAnimate::instance()->isVisible());
    QCOMPARE(ui.busyDepth, 0);
}

void TestYearEndRuns::viewLeavesOneViewerPerReportAndPrintNone()
{
    logIn(m_folder);
    YearEndInput view;
    view.picked = yearendtest::kServerDate.date();
    view.ticked[8] = view.ticked[1] = view.ticked[6] = true;
    QVERIFY(runYearEnd(view).ok());
    QStringList captions;
    for (frmReportViewer* viewer : m_session->viewers())
        captions << viewer->windowTitle();
    QCOMPARE(captions, (QStringList{"Year End X-Ray Summary Report: Mar,2026", "Year End Apparatus Report: Mar,2026",
                                    "Year End Delivery Summary Report: Mar,2026"}));

    // Print: on the default printer, no viewer more. The queue is shared with other test
    // programs: a hospital name no other print has picks this run's pages out.
    const QString marker = QStringLiteral("Year End Test Hospital %1").arg(QDateTime::currentMSecsSinceEpoch());
    gCompanyName = marker;
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    YearEndInput print = view;
    print.ticked = {};
    print.ticked[3] = true; // one: CUPS-PDF names its files by the job title, which the reports share
    print.directPrint = true;
    QVERIFY(runYearEnd(print).ok());
    QCOMPARE(m_session->viewers().size(), 3);
    const QString pdf = tarvik::testsupport::waitForPrintedPdf(marker, started);
    QVERIFY(!pdf.isEmpty());
    const QString text = tarvik::testsupport::pdfText(pdf);
    QFile::remove(pdf);
    QVERIFY(text.contains(QStringLiteral("Year End Operating Room Summary Report")));
    QVERIFY(text.contains(QStringLiteral("For the year 2026")));
}

void TestYearEndRuns::commandLineEntriesRunTheSameTables()
{
    m_copy = yearendtest::copyOfDemo();
    yearendtest::exec(m_copy->path(),
                      {QStringLiteral("CREATE TRIGGER Reports.trLockOR BEFORE INSERT ON tbMonthlySummary "
                                      "WHEN NEW.DeptCode = 'OR' BEGIN "
                                      "SELECT RAISE(ABORT, 'the operating room summary is locked'); END")});
    logIn(m_copy->path());
    const std::vector<runs::RunEntry> entries = yearlyRunEntries();
    auto entry = [&](const char* name) -> const runs::RunEntry& {
        for (const runs::RunEntry& e : entries)
            if (e.name == QLatin1String(name))
                return e;
        qFatal("no entry %s", name);
    };
    yearendtest::RecordingUi ui(false);
    yearendtest::PresentationRecorder recorder;

    // --year 2025 with the server's month (March): the apparatus report of its own dialog.
    runs::RunRequest one;
    one.date = QDate(2025, 3, 1);
    entry("year-end-apparatus-report").run(one, ui);
    QCOMPARE(m_session->trace(), QStringList{recomputeText("03/01/2025", "03/31/2025", "AP", "Y")});
    QCOMPARE(recorder.presented.back().caption, QStringLiteral("Year End Apparatus Report: Mar,2025"));

    // The batch with --reports 8,3,0: box order, stopped at the operating room, named by its box.
    m_session->clearTrace();
    runs::RunRequest batch;
    batch.date = QDate(2026, 2, 1);
    batch.ticked = {true, false, false, true, false, false, false, false, true};
    const runs::RunEntry& yearEnd = entry("year-end");
    QCOMPARE(yearEnd.reportCount(batch), 3);
    try {
        yearEnd.run(batch, ui);
        QFAIL("the batch went through a failing report");
    } catch (const runs::RunFailure& failure) {
        QCOMPARE(failure.report(), QStringLiteral("Year End Operating Room Report"));
        QVERIFY(failure.reason().contains(QStringLiteral("the operating room summary is locked")));
    }
    QCOMPARE(m_session->trace(), (QStringList{recomputeText("02/01/2026", "02/28/2026", "LB", "N"),
                                              recomputeText("02/01/2026", "02/28/2026", "OR", "N")}));
}

QTEST_MAIN(TestYearEndRuns)
#include "test_yearend_runs.moc"
