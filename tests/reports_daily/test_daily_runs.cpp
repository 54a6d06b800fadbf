// The end-of-day work without its dialogs: the command texts each report sends, the parameter
// values its definition receives, how it is presented, the batch's order and its failures,
// the day's totals against the raw tables, and the spreadsheet preset.

#include "fixture.h"

#include "Connection.h"
#include "DailyReports.h"
#include "ReportOperations.h"
#include "Session.h"
#include "frmAnimate.h"
#include "frmReportViewer.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QPrinterInfo>
#include <QScopeGuard>
#include <QProgressDialog>
#include <QTest>

using namespace tarvik;
using namespace tarvik::daily;

namespace {

const QString kDay = QStringLiteral("03/09/2026");
const QString kAddress = QStringLiteral("12 Test Street, Testville");

QString procedureCall(const char* prefix)
{
    return QString::fromLatin1(prefix) + kDay + QLatin1Char('\'');
}

// The six totals in parameter order (patient cash, patient charge, hosp. cash, hosp. charge,
// prof. cash, prof. charge), computed straight from the charge lines.
QStringList independentTotals(const QString& folder, bool inPatients)
{
    const QString lines = inPatients
        ? QStringLiteral("SELECT c.HospitalNo, c.ChargeType, c.PayMode, c.Net FROM BILLING.tbCharge c "
                         "JOIN Patient_data.tbAdmission a ON a.AdmissionNo = c.EncounterNo AND c.EncounterType = 'I' "
                         "WHERE substr(a.DischargeDateTime, 1, 10) = '2026-03-09' AND c.Voided = 0 "
                         "AND c.ServiceDate <= '2026-03-09'")
        : QStringLiteral("SELECT c.HospitalNo, c.ChargeType, c.PayMode, c.Net FROM BILLING.tbCharge c "
                         "WHERE c.ServiceDate = '2026-03-09' AND c.EncounterType = 'O' AND c.Voided = 0");
    const QVariantList row = dailytest::queryRow(
        folder,
        QStringLiteral("SELECT (SELECT COUNT(DISTINCT HospitalNo) FROM l WHERE PayMode = 'CASH'), "
                       "(SELECT COUNT(DISTINCT HospitalNo) FROM l WHERE PayMode = 'CHARGE'), "
                       "(SELECT COALESCE(SUM(Net), 0) FROM l WHERE ChargeType = 'HOSP' AND PayMode = 'CASH'), "
                       "(SELECT COALESCE(SUM(Net), 0) FROM l WHERE ChargeType = 'HOSP' AND PayMode = 'CHARGE'), "
                       "(SELECT COALESCE(SUM(Net), 0) FROM l WHERE ChargeType = 'PF' AND PayMode = 'CASH'), "
                       "(SELECT COALESCE(SUM(Net), 0) FROM l WHERE ChargeType = 'PF' AND PayMode = 'CHARGE')")
            .prepend(QStringLiteral("WITH l AS (") + lines + QStringLiteral(") ")));
    QStringList out;
    out << QString::number(row.at(0).toLongLong()) << QString::number(row.at(1).toLongLong());
    for (int i = 2; i < 6; ++i) // cents to pesos
        out << QString::number(row.at(i).toLongLong() / 100.0, 'g', 15);
    return out;
}

QStringList withTotals(QStringList head, const QStringList& totals)
{
    return head << totals;
}

} // namespace

class TestDailyRuns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void reportDateOthers_data();
    void reportDateOthers();
    void reportDateOthersIgnoresAnUnknownType();
    void busyDayHasTotalsWorthChecking();
    void totalsFromExactResults_data();
    void totalsFromExactResults();
    void failureTakesDownTheHourglassAndTheProgressWindow();
    void totalsProcedureWithoutAResultIsAnError();
    void exportButtonWritesThePresetFile();
    void exportsWithoutAPresetAreNamedByCaptionAndDay();

    void clinicalLogbooks_data();
    void clinicalLogbooks();

    void endOfDayViewsEveryReportInBatchOrder();
    void endOfDayPrintKeepsTheSummariesInViewers();
    void endOfDayWithNothingTickedProducesNothing();
    void endOfDayStopsAtTheSeventhReport();

    void accountStatus_data();
    void accountStatus();

private:
    std::unique_ptr<dailytest::Session> m_session;
    QString m_folder;
};

void TestDailyRuns::initTestCase()
{
    m_folder = dailytest::demoFolder();
}

void TestDailyRuns::init()
{
    m_session = std::make_unique<dailytest::Session>(m_folder);
    m_session->clearTrace();
}

void TestDailyRuns::cleanup()
{
    m_session.reset();
    QVERIFY2(!QApplication::overrideCursor(), "the hourglass was left on");
}

void TestDailyRuns::reportDateOthers_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("progress");
    QTest::addColumn<QString>("exportName");

    const QString folder = dailytest::demoFolder();
    QTest::newRow("0 discharges: dump, recompute (two blanks), totals (one blank)")
        << "0"
        << QStringList{procedureCall("Reports..sp_Rep_DumpDailySummaryOfDischarges  '"),
                       procedureCall("Reports..sp_RepRecomputeExtensionInPatient  '"),
                       procedureCall("Reports..sp_Rep_GetComputedInPatients '")}
        << "rptDailySummaryOfDischargesColumns.rpt"
        << withTotals({kDay, kDay, kAddress}, independentTotals(folder, true)) << "Daily Summary Of Discharges"
        << true << "Daily Summary Of Discharges";
    QTest::newRow("1 income: the user's employee name last, no procedure")
        << "1" << QStringList{} << "DailyIncomeReport.rpt"
        << QStringList{kDay, kDay, kAddress, QStringLiteral("Test Accountant")}
        << "Daily Summary Of Discharges Company Account" << true << "Daily Summary Of Discharges Company Account";
    QTest::newRow("2 services: out-patient procedures")
        << "2"
        << QStringList{procedureCall("Reports..sp_Rep_DumpDailySummaryOfServices  '"),
                       procedureCall("Reports..sp_RepRecomputeExtensionOutPatient  '"),
                       procedureCall("Reports..sp_Rep_GetComputedOutPatients '")}
        << "rptDailySummaryOfServices.rpt" << withTotals({kDay, kDay, kAddress}, independentTotals(folder, false))
        << "Daily Summary Of Services" << true << "Daily Summary Of Services";
    QTest::newRow("3 admissions: the day only") << "3" << QStringList{} << "DailyAdmissionLogbook.rpt"
                                                << QStringList{kDay} << "Daily Admission Logbook" << false
                                                << "Daily Admission Logbook";
    QTest::newRow("4 OPD: three values, the day twice")
        << "4" << QStringList{} << "rptDailyOPDLogBook.rpt" << QStringList{kDay, kAddress, kDay}
        << "Daily OPD Registration LogBook: 03/09/2026" << false << "Daily OPD Registration LogBook";
    QTest::newRow("7 payments") << "7" << QStringList{} << "PaymentSummary.rpt" << QStringList{kDay, kAddress}
                                << "Payment Summary Report: 03/09/2026" << false << "Payment Summary Report";
}

void TestDailyRuns::reportDateOthers()
{
    QFETCH(QString, type);
    QFETCH(QStringList, commands);
    QFETCH(QString, file);
    QFETCH(QStringList, values);
    QFETCH(QString, caption);
    QFETCH(bool, progress);
    QFETCH(QString, exportName);

    dailytest::RecordingUi ui;
    QVERIFY(runReportDateOthers({dailytest::kBusyDay, type}, ui));

    QCOMPARE(m_session->trace(), commands);
    QCOMPARE(int(ui.shown.size()), 1);
    const dailytest::Shown& s = ui.shown.front();
    QCOMPARE(s.file, file);
    QVERIFY(!s.databases.isEmpty());
    for (const QString& db : s.databases)
        QCOMPARE(db, QStringLiteral("Reports"));
    // Fields beyond the list keep their defaults, so compare only the values sent.
    QCOMPARE(s.values.mid(0, values.size()), values);
    QCOMPARE(s.caption, caption);
    QVERIFY(!s.groupTree);
    QVERIFY(!s.directPrint);
    QVERIFY(!s.modal);
    QCOMPARE(s.progressShowing, progress);
    QVERIFY2(!s.busy, "the pointer must be normal again before the viewer opens");
    QCOMPARE(ui.progressDepth, 0);
    QVERIFY(!frmAnimate::instance());

    const auto viewers = m_session->viewers();
    QCOMPARE(viewers.size(), 1);
    QCOMPARE(viewers[0]->windowTitle(), caption);
    QVERIFY(!viewers[0]->CRViewer1->displayGroupTree());

    // The preset belongs to the report the viewer shows.
    const auto report = viewers[0]->CRViewer1->reportSource();
    QVERIFY(report);
    QCOMPARE(report->exportOptions().diskFileName,
             m_session->exportFolder() + QLatin1Char('/') + exportName + QStringLiteral(" 03-09-2026.xls"));
    QCOMPARE(report->exportOptions().formatType, 29);
    QCOMPARE(report->exportOptions().destinationType, 1);
}

void TestDailyRuns::reportDateOthersIgnoresAnUnknownType()
{
    dailytest::RecordingUi ui;
    for (const char* type : {"5", "6", "", "00"})
        QVERIFY(!runReportDateOthers({dailytest::kBusyDay, QString::fromLatin1(type)}, ui));
    QVERIFY(ui.shown.empty());
    QVERIFY(m_session->trace().isEmpty());
    QVERIFY(m_session->viewers().isEmpty());
}

void TestDailyRuns::busyDayHasTotalsWorthChecking()
{
    // Guards the comparisons above: a day with nobody in it would make them trivially true.
    const QStringList in = independentTotals(m_folder, true);
    const QStringList out = independentTotals(m_folder, false);
    QVERIFY2(in.at(0).toInt() + in.at(1).toInt() > 0, qPrintable(in.join(' ')));
    QVERIFY2(out.at(0).toInt() > 3 && out.at(2).toDouble() > 0, qPrintable(out.join(' ')));
}

void TestDailyRuns::totalsFromExactResults_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QStringList>("totals");
    QTest::newRow("no row: all six are 0")
        << "SELECT 1 AS TotalPatientCharge, 1 AS TotalPatientCash, 1 AS TotalHospCharge, 1 AS TotalProfCharge, "
           "1 AS TotalHospCash, 1 AS TotalProfCash WHERE 0"
        << QStringList{"0", "0", "0", "0", "0", "0"};
    QTest::newRow("Null fields are 0")
        << "SELECT NULL AS TotalPatientCharge, 7 AS TotalPatientCash, NULL AS TotalHospCharge, "
           "NULL AS TotalProfCharge, 1.5 AS TotalHospCash, NULL AS TotalProfCash"
        << QStringList{"7", "0", "1.5", "0", "0", "0"};
    QTest::newRow("patient counts past 32,767 pass unchanged")
        << "SELECT 40000 AS TotalPatientCharge, 70001 AS TotalPatientCash, 1234567.89 AS TotalHospCharge, "
           "0.01 AS TotalProfCharge, 98765.43 AS TotalHospCash, 250 AS TotalProfCash"
        << QStringList{"70001", "40000", "98765.43", "1234567.89", "250", "0.01"};
}

void TestDailyRuns::totalsFromExactResults()
{
    QFETCH(QString, body);
    QFETCH(QStringList, totals);
    m_session.reset();
    auto hospital = dailytest::emptyHospital();
    dailytest::replaceProcedure(hospital->path(), QStringLiteral("CREATE PROCEDURE sp_Rep_GetComputedInPatients\n"
                                                                 "    @ReportDate DATE\nAS\n")
                                                      + body + QStringLiteral(";\nGO\n"));
    dailytest::replaceProcedure(hospital->path(), QStringLiteral("CREATE PROCEDURE sp_Rep_GetComputedOutPatients\n"
                                                                 "    @ReportDate DATE\nAS\n")
                                                      + body + QStringLiteral(";\nGO\n"));
    dailytest::Session session(hospital->path());
    dailytest::RecordingUi ui(false);
    QVERIFY(runReportDateOthers({dailytest::kBusyDay, QStringLiteral("0")}, ui));
    QVERIFY(runReportDateOthers({dailytest::kBusyDay, QStringLiteral("2")}, ui));
    EndOfDayInput batch;
    batch.date = dailytest::kBusyDay;
    batch.ticked[1] = true;
    QVERIFY(runEndOfDay(batch, ui).ok());
    QCOMPARE(int(ui.shown.size()), 3);
    for (const dailytest::Shown& s : ui.shown)
        QCOMPARE(s.values.mid(3, 6), totals);
}

void TestDailyRuns::failureTakesDownTheHourglassAndTheProgressWindow()
{
    m_session.reset();
    auto hospital = dailytest::emptyHospital();
    dailytest::replaceProcedure(hospital->path(),
                                QStringLiteral("CREATE PROCEDURE sp_Rep_GetComputedInPatients\n    @ReportDate DATE\nAS\n"
                                               "SELECT * FROM Reports.tbNoSuchTotals;\nGO\n"));
    dailytest::Session session(hospital->path());
    dailytest::RecordingUi ui;
    try {
        runReportDateOthers({dailytest::kBusyDay, QStringLiteral("0")}, ui);
        QFAIL("a failing procedure must fail the report");
    } catch (const std::exception& e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("sp_Rep_GetComputedInPatients")), e.what());
    }
    QCOMPARE(ui.busyDepth, 0);
    QCOMPARE(ui.progressDepth, 0);
    QVERIFY(!frmAnimate::instance());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(ui.shown.empty());
}

void TestDailyRuns::totalsProcedureWithoutAResultIsAnError()
{
    // No result at all is not a day without patients: the report must not show zero totals.
    m_session.reset();
    auto hospital = dailytest::emptyHospital();
    dailytest::replaceProcedure(hospital->path(),
                                QStringLiteral("CREATE PROCEDURE sp_Rep_GetComputedInPatients\n    @ReportDate DATE\nAS\n"
                                               "UPDATE Reports.tbDailyDischarges SET ARNo = ARNo WHERE 0;\nGO\n"));
    dailytest::Session session(hospital->path());
    dailytest::RecordingUi ui(false);
    try {
        runReportDateOthers({dailytest::kBusyDay, QStringLiteral("0")}, ui);
        QFAIL("totals that were never read were shown as zero");
    } catch (const std::exception& e) {
        const QString message = QString::fromUtf8(e.what());
        QVERIFY2(message.contains(QStringLiteral("sp_Rep_GetComputedInPatients")) && message.contains(QStringLiteral("no result")),
                 e.what());
    }
    QVERIFY(ui.shown.empty());
    QCOMPARE(ui.busyDepth, 0);
    QCOMPARE(ui.progressDepth, 0);
}

void TestDailyRuns::exportButtonWritesThePresetFile()
{
    const QString target = m_session->exportFolder() + QStringLiteral("/Daily Admission Logbook 03-09-2026.xls");
    {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older export");
    }
    dailytest::RecordingUi ui;
    QVERIFY(runReportDateOthers({dailytest::kBusyDay, QStringLiteral("3")}, ui));
    // A later report replaces gReport; the viewer's own report keeps its preset.
    OpenReport(gReportPath + QStringLiteral("/PaymentSummary.rpt"), QStringLiteral("Reports"), {kDay, kAddress});

    bool prompted = false;
    dailytest::ModalHandler watcher([&](QDialog* dialog) {
        if (qobject_cast<QProgressDialog*>(dialog))
            return; // the export's progress, not a question
        prompted = true;
        dialog->reject();
    }, 2000);
    const auto viewers = m_session->viewers();
    QCOMPARE(viewers.size(), 1);
    auto* exportAction = viewers[0]->CRViewer1->findChild<QAction*>(QStringLiteral("actExport"));
    QVERIFY(exportAction);
    exportAction->trigger();
    QVERIFY(!prompted);

    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1"))); // an Excel 97-2003 workbook
    QCOMPARE(QDir(m_session->exportFolder()).entryList(QDir::Files),
             QStringList{QStringLiteral("Daily Admission Logbook 03-09-2026.xls")});
}

void TestDailyRuns::exportsWithoutAPresetAreNamedByCaptionAndDay()
{
    SessionExports::clear();
    // Three reports without a preset, two of them of one definition (the departments'
    // logbooks): each exports under its caption and day, as `tarvik-reports run` names it.
    EndOfDayInput in;
    in.date = dailytest::kBusyDay;
    for (int box : {0, 4, 5})
        in.ticked[size_t(box)] = true;
    dailytest::RecordingUi ui;
    QVERIFY(runEndOfDay(in, ui).ok());
    const auto viewers = m_session->viewers();
    QCOMPARE(viewers.size(), 3);
    const QDir folder(m_session->exportFolder());
    const QStringList expected{QStringLiteral("Daily Summary Of Discharges 03-09-2026.xls"),
                               QStringLiteral("Daily Laboratory Examination Logbook 03-09-2026.xls"),
                               QStringLiteral("Daily X-Ray Examination Logbook 03-09-2026.xls")};
    bool prompted = false;
    dailytest::ModalHandler none([&](QDialog* d) {
        if (qobject_cast<QProgressDialog*>(d))
            return; // the export's progress, not a question
        prompted = true;
        d->reject();
    }, 2000);
    for (int i = 0; i < 3; ++i) {
        viewers[i]->CRViewer1->findChild<QAction*>(QStringLiteral("actExport"))->trigger();
        // The viewer says where the file went.
        QCOMPARE(viewers[i]->CRViewer1->statusText(),
                 QStringLiteral("Exported to ") + QDir::toNativeSeparators(folder.filePath(expected[i])));
    }
    // The same viewer again replaces its own file without a question.
    viewers[1]->CRViewer1->findChild<QAction*>(QStringLiteral("actExport"))->trigger();
    QVERIFY(!prompted);
    QStringList files = folder.entryList(QDir::Files);
    files.sort();
    QStringList sorted = expected;
    sorted.sort();
    QCOMPARE(files, sorted);

    // The daily reports' discharges summary (another definition) is preset to the same name:
    // its Export asks before it replaces the batch's file, and No keeps that file.
    QFile first(folder.filePath(expected[0]));
    QVERIFY(first.open(QIODevice::ReadOnly));
    const QByteArray batchFile = first.readAll();
    first.close();
    QVERIFY(runReportDateOthers({dailytest::kBusyDay, QStringLiteral("0")}, ui));
    frmReportViewer* daily = m_session->viewers().last();
    QString question;
    auto answer = [&](QMessageBox::StandardButton button) {
        return tarvik::testsupport::ModalHandler<QMessageBox>([&question, button](QMessageBox* box) {
            question = box->text();
            QCOMPARE(box->objectName(), QStringLiteral("msgReplaceExport"));
            box->button(button)->click();
        });
    };
    {
        auto no = answer(QMessageBox::No);
        daily->CRViewer1->findChild<QAction*>(QStringLiteral("actExport"))->trigger();
        QVERIFY(no.fired());
    }
    QVERIFY2(question.contains(expected[0]) && question.contains(QStringLiteral("Daily Summary Of Discharges")),
             qPrintable(question));
    QVERIFY(first.open(QIODevice::ReadOnly));
    QCOMPARE(first.readAll(), batchFile);
    first.close();
    {
        auto yes = answer(QMessageBox::Yes);
        daily->CRViewer1->findChild<QAction*>(QStringLiteral("actExport"))->trigger();
        QVERIFY(yes.fired());
    }
    QVERIFY(first.open(QIODevice::ReadOnly));
    QVERIFY(first.readAll() != batchFile);
    SessionExports::clear();
}

void TestDailyRuns::clinicalLogbooks_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("dept");
    QTest::addColumn<QString>("title");
    QTest::newRow("0 laboratory") << "0" << "LB" << "Daily Laboratory Examination Logbook";
    QTest::newRow("1 X-ray") << "1" << "XR" << "Daily X-Ray Examination Logbook";
    QTest::newRow("2 ultrasound") << "2" << "US" << "Daily Ultrasound Examination Logbook";
    QTest::newRow("3 CT scan") << "3" << "CT" << "Daily CT Scan Examination Logbook";
}

void TestDailyRuns::clinicalLogbooks()
{
    QFETCH(QString, type);
    QFETCH(QString, dept);
    QFETCH(QString, title);
    dailytest::RecordingUi ui;
    QVERIFY(runReportDateClinical({dailytest::kBusyDay, type}, ui));
    QVERIFY(!runReportDateClinical({dailytest::kBusyDay, QStringLiteral("4")}, ui));
    QVERIFY(m_session->trace().isEmpty());
    const auto viewers = m_session->viewers();
    QCOMPARE(viewers.size(), 1);
    QCOMPARE(viewers[0]->windowTitle(), title + QStringLiteral(": 03/09/2026"));
    const auto report = viewers[0]->CRViewer1->reportSource();
    QCOMPARE(QFileInfo(report->filePath()).fileName(), QStringLiteral("rptDailyReports.rpt"));
    QStringList values;
    for (auto* field : report->parameterFields())
        values << dailytest::valueText(field->currentValue());
    // From-date and to-date are the same day.
    QCOMPARE(values.mid(0, 6), (QStringList{kDay, kDay, dept, kAddress, title, kDay}));
    QCOMPARE(ui.producedCaptions, QStringList{title + QStringLiteral(": 03/09/2026")});
}

void TestDailyRuns::endOfDayViewsEveryReportInBatchOrder()
{
    EndOfDayInput in;
    in.date = dailytest::kBusyDay;
    in.ticked.fill(true);
    in.directPrint = false;
    dailytest::RecordingUi ui;
    const BatchResult result = runEndOfDay(in, ui);
    QVERIFY2(result.ok(), qPrintable(result.error));

    const QStringList order{
        "Daily Summary Of Discharges",
        "Daily Summary Of Services",
        "Daily Admission Logbook",
        "Daily OPD Registration LogBook: 03/09/2026",
        "Daily Laboratory Examination Logbook: 03/09/2026",
        "Daily X-Ray Examination Logbook: 03/09/2026",
        "Daily Ultrasound Examination Logbook: 03/09/2026",
        "Daily Audit Trail - Detailed",
        "Daily Audit Trail - Summary by AR",
        "Daily Audit Trail - Summary by GL",
        "Daily CT Scan Examination Logbook: 03/09/2026",
        "Daily Discharges - Demography: 03/09/2026",
        "Daily Adjustment Report 03/09/2026",
    };
    QCOMPARE(result.produced, order);
    QStringList titles;
    QStringList withTree;
    for (auto* viewer : m_session->viewers()) {
        titles << viewer->windowTitle();
        if (viewer->CRViewer1->displayGroupTree())
            withTree << viewer->windowTitle();
    }
    QCOMPARE(titles, order);
    QCOMPARE(withTree, QStringList{"Daily Audit Trail - Detailed"});

    // The batch recomputes only the out-patient totals; the discharges summary reads what the
    // night's dump left.
    QCOMPARE(m_session->trace(), (QStringList{procedureCall("Reports..sp_RepRecomputeExtensionOutPatient  '"),
                                              procedureCall("Reports..sp_Rep_GetComputedOutPatients '")}));

    QCOMPARE(int(ui.shown.size()), 9); // the four logbooks go through the departmental runner
    auto shown = [&](const QString& caption) {
        for (const dailytest::Shown& s : ui.shown)
            if (s.caption == caption)
                return s;
        return dailytest::Shown{};
    };
    QCOMPARE(shown("Daily Summary Of Discharges").file, QStringLiteral("rptDailySummaryOfDischarges.rpt"));
    QCOMPARE(shown("Daily Summary Of Discharges").values.mid(0, 2), (QStringList{kDay, kAddress}));
    QVERIFY(shown("Daily Summary Of Discharges").progressShowing);
    QCOMPARE(shown("Daily Summary Of Services").values.mid(0, 9),
             withTotals({kDay, kDay, kAddress}, independentTotals(m_folder, false)));
    QCOMPARE(shown("Daily Admission Logbook").values.mid(0, 1), QStringList{kDay});
    QCOMPARE(shown("Daily OPD Registration LogBook: 03/09/2026").values.mid(0, 4),
             (QStringList{kDay, kAddress, "Daily OPD Registration LogBook", kDay}));
    // Every patient of the day, as the audit-trail dialog's "All Patients" sends it.
    const dailytest::Shown detail = shown("Daily Audit Trail - Detailed");
    QCOMPARE(detail.file, QStringLiteral("DailyAuditTrail.rpt"));
    QCOMPARE(detail.values.mid(0, 3), (QStringList{kDay, "A", kAddress}));
    QCOMPARE(detail.subreports, (QStringList{"Summary: 03/09/2026; A", "Doctors: 03/09/2026; A"}));
    QCOMPARE(shown("Daily Audit Trail - Summary by AR").values.mid(0, 3), (QStringList{kDay, "A", kAddress}));
    QCOMPARE(shown("Daily Audit Trail - Summary by GL").values.mid(0, 3), (QStringList{kDay, "A", kAddress}));
    QCOMPARE(shown("Daily Discharges - Demography: 03/09/2026").values.mid(0, 2), (QStringList{kDay, kAddress}));
    QCOMPARE(shown("Daily Adjustment Report 03/09/2026").file, QStringLiteral("DailyAdjustment.rpt"));
    QCOMPARE(shown("Daily Adjustment Report 03/09/2026").values.mid(0, 2), (QStringList{kDay, kAddress}));
    for (const dailytest::Shown& s : ui.shown) {
        QVERIFY2(!s.directPrint, qPrintable(s.caption));
        QVERIFY2(!s.modal, qPrintable(s.caption));
        QVERIFY2(!s.busy, qPrintable(s.caption));
        for (const QString& db : s.databases)
            QCOMPARE(db, QStringLiteral("Reports"));
    }
    // The departmental logbooks carry their department's code.
    const auto viewers = m_session->viewers();
    QStringList codes;
    for (int i : {4, 5, 6, 10})
        codes << dailytest::valueText(viewers[i]->CRViewer1->reportSource()->parameterFields()[2]->currentValue());
    QCOMPARE(codes, (QStringList{"LB", "XR", "US", "CT"}));
}

void TestDailyRuns::endOfDayPrintKeepsTheSummariesInViewers()
{
    const QString printer = QPrinterInfo::defaultPrinterName();
    QVERIFY2(!printer.isEmpty(), "CUPS has no default printer: run tests/engine/cups-pdf-setup.sh");
    engine::PrintSettings::setPrinterName(QString());
    // A hospital name no other print has (other test programs print on the same queue), so that
    // only this run's pages are taken, and removed.
    const QString hospital = tarvik::gCompanyName;
    const QString marker = QStringLiteral("%1 %2").arg(hospital).arg(QDateTime::currentMSecsSinceEpoch());
    tarvik::gCompanyName = marker;
    const auto restore = qScopeGuard([&] { tarvik::gCompanyName = hospital; });
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);

    EndOfDayInput in;
    in.date = dailytest::kBusyDay;
    for (int box : {0, 1, 2, 7})
        in.ticked[size_t(box)] = true;
    in.directPrint = true;
    dailytest::RecordingUi ui;
    const BatchResult result = runEndOfDay(in, ui);
    QVERIFY2(result.ok(), qPrintable(result.error));

    QCOMPARE(int(ui.shown.size()), 4);
    QStringList printed;
    for (const dailytest::Shown& s : ui.shown)
        if (s.directPrint)
            printed << s.caption;
    QCOMPARE(printed, (QStringList{"Daily Admission Logbook", "Daily Audit Trail - Detailed"}));
    QStringList titles;
    for (auto* viewer : m_session->viewers())
        titles << viewer->windowTitle();
    QCOMPARE(titles, (QStringList{"Daily Summary Of Discharges", "Daily Summary Of Services"}));
    QVERIFY(!gReport); // the last one was printed and released

    // Both printed reports reach the queue.
    QString waited;
    const QStringList found = tarvik::testsupport::waitForPrintedPdfs(marker, started, 2, &waited);
    const QString text = dailytest::pdfText(found.value(0)) + dailytest::pdfText(found.value(1));
    // Each job is named by the caption the report is produced under, not its file.
    QStringList jobTitles;
    for (const QString& f : found)
        jobTitles << tarvik::testsupport::pdfInfo(f, QStringLiteral("Title"));
    jobTitles.sort();
    for (const QString& f : found)
        QFile::remove(f);
    QVERIFY2(found.size() == 2, qPrintable(waited));
    QVERIFY2(text.contains(QStringLiteral("Admission"), Qt::CaseInsensitive)
                 && text.contains(QStringLiteral("Audit"), Qt::CaseInsensitive),
             qPrintable(text.left(400)));
    QCOMPARE(jobTitles, (QStringList{"(Daily Admission Logbook)", "(Daily Audit Trail - Detailed)"}));
}

void TestDailyRuns::endOfDayWithNothingTickedProducesNothing()
{
    for (bool print : {true, false}) {
        EndOfDayInput in;
        in.date = dailytest::kBusyDay;
        in.directPrint = print;
        dailytest::RecordingUi ui;
        const BatchResult result = runEndOfDay(in, ui);
        QVERIFY(result.ok());
        QVERIFY(result.produced.isEmpty());
        QVERIFY(ui.shown.empty());
    }
    QVERIFY(m_session->trace().isEmpty());
    QVERIFY(m_session->viewers().isEmpty());
}

void TestDailyRuns::endOfDayStopsAtTheSeventhReport()
{
    // The seventh ticked report has a spoiled definition.
    {
        QFile spoiled(m_session->reportFolder() + QStringLiteral("/DailyAuditTrail.rpt"));
        QVERIFY(spoiled.open(QIODevice::WriteOnly | QIODevice::Truncate));
        spoiled.write("<report version=\"1\"><page size=\"Letter\"");
    }
    EndOfDayInput in;
    in.date = dailytest::kBusyDay;
    for (int box : {0, 1, 2, 3, 4, 5, 7, 11, 8})
        in.ticked[size_t(box)] = true;
    dailytest::RecordingUi ui;
    const BatchResult result = runEndOfDay(in, ui);

    QVERIFY(!result.ok());
    QCOMPARE(result.failedBox, 7);
    QVERIFY2(result.error.contains(QStringLiteral("DailyAuditTrail.rpt")), qPrintable(result.error));
    QCOMPARE(result.produced.size(), 6);
    QCOMPARE(m_session->viewers().size(), 6);
    for (const dailytest::Shown& s : ui.shown)
        QVERIFY2(!s.caption.startsWith(QStringLiteral("Daily Audit Trail")) && !s.caption.startsWith("Daily Adjustment"),
                 qPrintable(s.caption));
    QCOMPARE(ui.busyDepth, 0);
    QCOMPARE(ui.progressDepth, 0);
    QVERIFY(!QApplication::overrideCursor());
}

void TestDailyRuns::accountStatus_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("tree");
    QTest::newRow("0 by balance") << 0 << "PatientsAccountStatusReportByBalance.rpt" << false;
    QTest::newRow("1 by name") << 1 << "PatientsAccountStatusReportByName.rpt" << false;
    QTest::newRow("2 by account limit") << 2 << "PatientsAccountStatusReportByAccountLimit.rpt" << false;
    QTest::newRow("3 by station, with the group tree") << 3 << "PatientsAccountStatusReportByStation.rpt" << true;
}

void TestDailyRuns::accountStatus()
{
    QFETCH(int, option);
    QFETCH(QString, file);
    QFETCH(bool, tree);
    dailytest::RecordingUi ui(false);
    runAccountStatus({dailytest::kBusyDay, option}, ui);
    QCOMPARE(int(ui.shown.size()), 1);
    const dailytest::Shown& s = ui.shown.front();
    QCOMPARE(s.file, file);
    QVERIFY(!s.databases.isEmpty());
    for (const QString& db : s.databases)
        QCOMPARE(db, QStringLiteral("BILLING"));
    QCOMPARE(s.values.mid(0, 2), (QStringList{kAddress, kDay}));
    QCOMPARE(s.caption, QStringLiteral("Patients Account Status Report"));
    QCOMPARE(s.groupTree, tree);
    QVERIFY(!s.directPrint);
    QVERIFY(s.modal);
    QCOMPARE(s.unloadsBefore, 1); // the dialog goes before the viewer opens
    QVERIFY(!s.busy);
    QVERIFY(m_session->trace().isEmpty());
}

QTEST_MAIN(TestDailyRuns)
#include "test_daily_runs.moc"
