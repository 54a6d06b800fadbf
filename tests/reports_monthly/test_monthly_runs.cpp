// The month-end work without its dialogs: the month a picked day stands for, the command texts
// each report sends, the values its definition receives, the batch's order and its failures,
// the viewers a View leaves, and the files of an unattended run.

#include "fixture.h"

#include "ReportOperations.h"
#include "RegisterMonthlyDialogs.h"
#include "Session.h"
#include "UnattendedUi.h"
#include "frmAnimate.h"
#include "frmReportViewer.h"

#include <QApplication>
#include <QFile>
#include <QPrinterInfo>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTest>

using namespace tarvik;
using namespace tarvik::monthly;
using monthlytest::RecordingUi;
using monthlytest::Shown;

namespace {

const QString kAddress = QStringLiteral("12 Test Street, Testville");
const QString kHospital = QStringLiteral("Test General Hospital");

AfterEndOfMonthInput batch(const QDate& day, std::initializer_list<int> boxes, bool print = false)
{
    AfterEndOfMonthInput in;
    in.date = day;
    in.directPrint = print;
    for (int box : boxes)
        in.ticked.at(size_t(box)) = true;
    return in;
}

QString monthlyRecompute(const char* code, const char* flag)
{
    return QStringLiteral("Reports..sp_Rep_MonthlyREcompute '02/01/2026', '02/28/2026', '%1', '%2'")
        .arg(QLatin1String(code), QLatin1String(flag));
}

const QString kAgingRecompute = QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '02/01/2026', '02/28/2026'");
const QString kPayableRecompute =
    QStringLiteral("REPORTS..sp_BILLING_RepAgingPayableRecompute '02/01/2026', '02/28/2026'");

// One presentation in a line: file, caption, tree, print, values, subreports.
QString line(const Shown& s)
{
    QString text = s.file + QStringLiteral(" | ") + s.caption + (s.groupTree ? QStringLiteral(" | tree") : QString())
        + (s.directPrint ? QStringLiteral(" | print") : QString()) + QStringLiteral(" | ")
        + s.values.join(QStringLiteral("; "));
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

QString departmental(const char* file, const char* code, const char* flag, const char* title)
{
    return QStringLiteral("%1 | %4: Feb,2026 | 02/01/2026; 02/28/2026; %2; %3; %5; %4; 02/28/2026")
        .arg(QLatin1String(file), QLatin1String(code), QLatin1String(flag), QLatin1String(title), kAddress);
}

// The run's hooks, also keeping each "index/count box" a batch begins.
class StartsRecorded : public RecordingUi
{
public:
    void starting(int index, int count, const QString& what) override
    {
        started << QStringLiteral("%1/%2 %3").arg(index).arg(count).arg(what);
    }
    QStringList started;
};

} // namespace

class TestMonthlyRuns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void monthOfAPickedDay_data();
    void monthOfAPickedDay();
    void reportMonthShowsTheDepartmentsSummaryInAViewer();
    void reportMonthIgnoresAnUnknownType();

    void batchProducesEveryBoxInItsOrder();
    void batchPrintsEveryReportWhenAskedTo();
    void agingRecomputeRunsBeforeEachAgingReport_data();
    void agingRecomputeRunsBeforeEachAgingReport();
    void nothingTickedProducesNothing();
    void failureOfTheFifthReportStopsTheBatch();
    void viewLeavesOneViewerPerReportInBatchOrder();
    void unattendedRunNamesEachFileAfterItsBox();

private:
    std::unique_ptr<monthlytest::Session> m_session;
};

void TestMonthlyRuns::initTestCase()
{
    monthlytest::demoFolder();
}

void TestMonthlyRuns::init()
{
    m_session = std::make_unique<monthlytest::Session>(monthlytest::demoFolder());
    m_session->clearTrace();
}

void TestMonthlyRuns::cleanup()
{
    m_session.reset();
    QVERIFY2(!QApplication::overrideCursor(), "the hourglass was left on");
    QVERIFY2(!frmAnimate::instance(), "the progress window was left loaded");
}

void TestMonthlyRuns::monthOfAPickedDay_data()
{
    QTest::addColumn<QDate>("picked");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("month");
    QTest::newRow("February of a leap year") << QDate(2024, 2, 10) << "02/01/2024" << "02/29/2024" << "Feb,2024";
    QTest::newRow("February of a common year, its last day")
        << QDate(2026, 2, 28) << "02/01/2026" << "02/28/2026" << "Feb,2026";
    QTest::newRow("December ends in the same year") << QDate(2025, 12, 1) << "12/01/2025" << "12/31/2025" << "Dec,2025";
    QTest::newRow("the middle of the server's month") << QDate(2026, 3, 15) << "03/01/2026" << "03/31/2026"
                                                      << "Mar,2026";
}

void TestMonthlyRuns::monthOfAPickedDay()
{
    QFETCH(QDate, picked);
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QString, month);
    monthlytest::PresentedReports presented;
    RecordingUi ui;
    // The monthly dialog and the batch give the same month to the runner and the recomputes.
    QVERIFY(runReportMonth({picked, QStringLiteral("0")}, ui));
    QVERIFY(runAfterEndOfMonth(batch(picked, {12}), ui).ok());
    const QString period = QStringLiteral("'%1', '%2'").arg(first, last);
    QCOMPARE(m_session->trace(),
             (QStringList{QStringLiteral("Reports..sp_Rep_MonthlyREcompute %1, 'LB', 'N'").arg(period),
                          QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute %1").arg(period)}));
    QCOMPARE(presented.shown.size(), size_t(2));
    QCOMPARE(presented.shown[0].caption, QStringLiteral("Monthly Laboratory Summary Report: ") + month);
    QCOMPARE(presented.shown[0].values.mid(0, 2), (QStringList{first, last}));
    QCOMPARE(presented.shown[0].values.last(), last);
    QCOMPARE(presented.shown[1].values.mid(0, 2), (QStringList{first, last}));
}

void TestMonthlyRuns::reportMonthShowsTheDepartmentsSummaryInAViewer()
{
    // The operating room: its own code and layout (the batch's test covers every department's
    // code and title, the rows being the same).
    monthlytest::PresentedReports presented;
    RecordingUi ui;
    QVERIFY(runReportMonth({QDate(2026, 2, 17), QStringLiteral("3")}, ui));
    QCOMPARE(m_session->trace(), QStringList{monthlyRecompute("OR", "N")});
    QCOMPARE(lines(presented.shown),
             QStringList{departmental("MonthlyORReport.rpt", "OR", "N", "Monthly Operating Room Summary Report")});
    // A viewer, never the printer; the progress window and the hourglass up meanwhile.
    QVERIFY(!presented.shown[0].directPrint);
    QVERIFY(presented.shown[0].progressShowing);
    QVERIFY(presented.shown[0].busy);
}

void TestMonthlyRuns::reportMonthIgnoresAnUnknownType()
{
    monthlytest::PresentedReports presented;
    RecordingUi ui;
    for (const char* type : {"8", "", " 0", "00"})
        QVERIFY(!runReportMonth({QDate(2026, 2, 17), QString::fromLatin1(type)}, ui));
    QVERIFY(m_session->trace().isEmpty());
    QVERIFY(presented.shown.empty());
}

void TestMonthlyRuns::batchProducesEveryBoxInItsOrder()
{
    monthlytest::PresentedReports presented;
    StartsRecorded ui;
    AfterEndOfMonthInput all = batch(QDate(2026, 2, 10), {});
    all.ticked.fill(true);
    const BatchResult result = runAfterEndOfMonth(all, ui);
    QVERIFY2(result.ok(), qPrintable(result.error));

    // The boxes in the batch's own order (8, the package deals, after 7), the aging recompute
    // before each aging report, the ledger and revenue reports with no procedure of their own.
    QCOMPARE(m_session->trace(),
             (QStringList{monthlyRecompute("LB", "N"), monthlyRecompute("XR", "N"), monthlyRecompute("US", "N"),
                          monthlyRecompute("OR", "N"), monthlyRecompute("PT", "N"), monthlyRecompute("PA", "N"),
                          monthlyRecompute("CT", "N"), monthlyRecompute("DR", "N"), monthlyRecompute("AP", "Y"),
                          kAgingRecompute, kAgingRecompute, kPayableRecompute, kPayableRecompute,
                          monthlyRecompute("DI", "N")}));
    const QString period = QStringLiteral("02/01/2026; 02/28/2026");
    const QString threeValues = period + QStringLiteral("; ") + kAddress;
    const QString ledgerValues = period + QStringLiteral("; A; ") + kAddress;
    QCOMPARE(lines(presented.shown),
             (QStringList{
                 departmental("rptMonthlyReport.rpt", "LB", "N", "Monthly Laboratory Summary Report"),
                 departmental("rptMonthlyReport.rpt", "XR", "N", "Monthly X-Ray Summary Report"),
                 departmental("rptMonthlyReport.rpt", "US", "N", "Monthly Ultrasound Summary Report"),
                 departmental("MonthlyORReport.rpt", "OR", "N", "Monthly Operating Room Summary Report"),
                 departmental("rptMonthlyReport.rpt", "PT", "N", "Monthly Physical Therapy Summary Report"),
                 departmental("rptMonthlyReport.rpt", "PA", "N", "Monthly RTS Summary Report"),
                 departmental("rptMonthlyReport.rpt", "CT", "N", "Monthly CT Scan Summary Report"),
                 departmental("rptMonthlyReport.rpt", "DR", "N", "Monthly Delivery Room Summary Report"),
                 "MonthLaboratoryPackageDeal.rpt | Month Laboratory Package Deal Report | " + threeValues,
                 departmental("rptMonthlyReport.rpt", "AP", "Y", "Monthly Apparatus Report"),
                 "Aging.rpt | Aging Analysis Report | tree | " + threeValues,
                 "AgingComputation.rpt | Aging Analysis Report | tree | " + threeValues + " | Classification: "
                     + threeValues,
                 "PayableDetail.rpt | Payable Aging Analysis Report | tree | " + threeValues,
                 "PayableComputation.rpt | Payable Aging Analysis Report | tree | " + threeValues
                     + " | Classification: " + threeValues,
                 "MonthlyEntriesGL.rpt | A/R General Ledger Entries | " + ledgerValues,
                 "MonthlySummaryGL.rpt | A/R General Ledger Entries | " + ledgerValues,
                 "BreakdownOfDepartmentalRevenue.rpt | Breakdown Of Departmental Revenue | tree | " + ledgerValues
                     + " | Summary: " + threeValues + "; " + kHospital + " | Doctors: " + period + "; A",
                 departmental("rptMonthlyReport.rpt", "DI", "N", "Monthly Hemodialysis Summary Report"),
             }));
    // Every report is opened on the database its row names; the batch's progress names the boxes.
    for (const Shown& s : presented.shown)
        QVERIFY2(!s.databases.isEmpty() && s.databases.count(s.databases.first()) == s.databases.size(), qPrintable(line(s)));
    QCOMPARE(ui.started.size(), 18);
    QCOMPARE(ui.started[8], QStringLiteral("9/18 Laboratory Package Deal"));
    QCOMPARE(ui.started[14], QStringLiteral("15/18 A/R General Ledger - Detail"));
    QCOMPARE(result.produced.size(), 18);
}

void TestMonthlyRuns::batchPrintsEveryReportWhenAskedTo()
{
    // Print sends every box to the default printer (the CUPS-PDF queue here): the package deals
    // and the payable summary as the departmental report, none into a viewer.
    QVERIFY2(!QPrinterInfo::defaultPrinterName().isEmpty(), "CUPS has no default printer: run tests/engine/cups-pdf-setup.sh");
    engine::PrintSettings::setPrinterName(QString());
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    RecordingUi ui;
    const BatchResult result = runAfterEndOfMonth(batch(QDate(2026, 2, 10), {16, 8, 7}, true), ui);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.produced, (QStringList{"Monthly Delivery Room Summary Report: Feb,2026",
                                           "Month Laboratory Package Deal Report", "Payable Aging Analysis Report"}));
    QCOMPARE(ui.shown.size(), size_t(2));
    for (const Shown& s : ui.shown)
        QVERIFY2(s.directPrint && !s.modal, qPrintable(line(s)));
    QVERIFY(m_session->viewers().isEmpty());
    QVERIFY(!gReport); // printed and released

    // Each report reaches the queue (found by its own title: other programs may print meanwhile).
    for (const char* title : {"Monthly Delivery Room Summary Report", "MONTH LABORATORY PACKAGE DEAL REPORT",
                              "PAYABLE AGING ANALYSIS - COMPUTATION"}) {
        const QString pdf = tarvik::testsupport::waitForPrintedPdf(QLatin1String(title), started);
        QVERIFY2(!pdf.isEmpty(), title);
        QFile::remove(pdf);
    }
}

void TestMonthlyRuns::agingRecomputeRunsBeforeEachAgingReport_data()
{
    QTest::addColumn<QList<int>>("boxes");
    QTest::addColumn<QStringList>("commands");
    QTest::newRow("detailed aging only") << QList<int>{12} << QStringList{kAgingRecompute};
    QTest::newRow("both aging reports: once each") << QList<int>{10, 12} << QStringList{kAgingRecompute, kAgingRecompute};
    QTest::newRow("both payable reports: once each")
        << QList<int>{16, 17} << QStringList{kPayableRecompute, kPayableRecompute};
    QTest::newRow("payable summary and the ledgers") << QList<int>{13, 16, 15} << QStringList{kPayableRecompute};
    QTest::newRow("the ledgers and the breakdown run nothing") << QList<int>{13, 14, 15} << QStringList{};
}

void TestMonthlyRuns::agingRecomputeRunsBeforeEachAgingReport()
{
    QFETCH(QList<int>, boxes);
    QFETCH(QStringList, commands);
    monthlytest::PresentedReports presented;
    RecordingUi ui;
    AfterEndOfMonthInput in = batch(QDate(2026, 2, 3), {});
    for (int box : boxes)
        in.ticked.at(size_t(box)) = true;
    QVERIFY(runAfterEndOfMonth(in, ui).ok());
    QCOMPARE(m_session->trace(), commands);
    QCOMPARE(presented.shown.size(), size_t(boxes.size()));
}

void TestMonthlyRuns::nothingTickedProducesNothing()
{
    monthlytest::PresentedReports presented;
    RecordingUi ui;
    const BatchResult result = runAfterEndOfMonth(batch(QDate(2026, 2, 3), {}), ui);
    QVERIFY(result.ok());
    QVERIFY(result.produced.isEmpty());
    QVERIFY(m_session->trace().isEmpty());
    QVERIFY(presented.shown.empty());
}

void TestMonthlyRuns::failureOfTheFifthReportStopsTheBatch()
{
    monthlytest::spoil(m_session->reportFolder(), QStringLiteral("Aging.rpt"));
    monthlytest::PresentedReports presented;
    RecordingUi ui;
    const BatchResult result = runAfterEndOfMonth(batch(QDate(2026, 2, 3), {0, 3, 8, 11, 12, 10, 15, 9}), ui);
    QVERIFY(!result.ok());
    QCOMPARE(result.failedBox, 12);
    QVERIFY2(result.error.contains(QStringLiteral("Aging.rpt")), qPrintable(result.error));
    QCOMPARE(result.produced.size(), 4);
    QStringList files;
    for (const Shown& s : presented.shown)
        files << s.file;
    QCOMPARE(files, (QStringList{"rptMonthlyReport.rpt", "MonthlyORReport.rpt", "MonthLaboratoryPackageDeal.rpt",
                                 "rptMonthlyReport.rpt"}));
    // The failing report's recompute ran; nothing of the boxes after it did.
    QCOMPARE(m_session->trace(), (QStringList{monthlyRecompute("LB", "N"), monthlyRecompute("OR", "N"),
                                              monthlyRecompute("AP", "Y"), kAgingRecompute}));
    QCOMPARE(ui.busyDepth, 0);
    QCOMPARE(ui.progressDepth, 0);
}

void TestMonthlyRuns::viewLeavesOneViewerPerReportInBatchOrder()
{
    RecordingUi ui;
    const BatchResult result = runAfterEndOfMonth(batch(QDate(2026, 2, 20), {14, 13, 15, 10, 12, 8, 16, 17}), ui);
    QVERIFY2(result.ok(), qPrintable(result.error));
    const auto viewers = m_session->viewers();
    QStringList titles;
    for (auto* viewer : viewers)
        titles << viewer->windowTitle();
    QCOMPARE(titles, (QStringList{"Month Laboratory Package Deal Report", "Aging Analysis Report",
                                  "Aging Analysis Report", "Payable Aging Analysis Report",
                                  "Payable Aging Analysis Report", "A/R General Ledger Entries",
                                  "A/R General Ledger Entries", "Breakdown Of Departmental Revenue"}));
    // Each one lays its report out on the real data, every page of it.
    for (auto* viewer : viewers) {
        QTRY_VERIFY_WITH_TIMEOUT(viewer->CRViewer1->isLayoutComplete(), 120000);
        QVERIFY2(!viewer->CRViewer1->document()->hasFailed(), qPrintable(viewer->CRViewer1->document()->errorString()));
        QVERIFY(viewer->CRViewer1->document()->pageCount() >= 1);
    }
    QCOMPARE(viewers[0]->CRViewer1->displayGroupTree(), false);
    QCOMPARE(viewers[1]->CRViewer1->displayGroupTree(), true);
    QCOMPARE(viewers[5]->CRViewer1->displayGroupTree(), false);
    QCOMPARE(viewers[7]->CRViewer1->displayGroupTree(), true);
}

void TestMonthlyRuns::unattendedRunNamesEachFileAfterItsBox()
{
    // Boxes 12 and 10, 17 and 16, 15 and 13 share their viewers' captions: each file takes its
    // box's caption, so no report of the run replaces another's file.
    const runs::RunEntry* entry = nullptr;
    const auto entries = monthlyRunEntries();
    for (const runs::RunEntry& e : entries)
        if (e.name == QLatin1String("after-end-of-month"))
            entry = &e;
    QVERIFY(entry);
    QVERIFY(entry->filesByBox);
    runs::RunRequest request;
    request.date = QDate(2026, 2, 1);
    request.ticked.assign(kAfterEndOfMonthBoxes, false);
    for (int box : {12, 10, 17, 16, 15, 13})
        request.ticked[size_t(box)] = true;

    QTemporaryDir out;
    QString progressText;
    QTextStream progress(&progressText);
    cli::OutputTargets targets;
    targets.csvDir = out.path();
    {
        cli::UnattendedUi ui(targets, progress, nullptr);
        ui.begin(request.date, entry->exportName, entry->reportCount(request), QStringLiteral("02-2026"),
                 entry->filesByBox);
        entry->run(request, ui);
    }
    QStringList files = QDir(out.path()).entryList(QDir::Files, QDir::Name);
    QCOMPARE(files, (QStringList{"A-R General Ledger - Detail 02-2026.csv", "A-R General Ledger - Summary 02-2026.csv",
                                 "Aging (Computation) 02-2026.csv", "Aging (Detailed) 02-2026.csv",
                                 "Payable Aging (Computation) 02-2026.csv", "Payable Aging (Detailed) 02-2026.csv"}));
    QVERIFY2(progressText.contains(QStringLiteral("[6/6] A/R General Ledger Entries ... done")), qPrintable(progressText));
}

QTEST_MAIN(TestMonthlyRuns)
#include "test_monthly_runs.moc"
