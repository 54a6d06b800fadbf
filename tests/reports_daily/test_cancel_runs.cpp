// Cancelling a batch from its progress window: the report under way is rolled back, the ones
// before it stay, the result says both, and the database is usable again afterwards.

#include "fixture.h"

#include "Connection.h"
#include "DbError.h"
#include "RunHistory.h"
#include "Session.h"
#include "Stop.h"
#include "frmAnimate.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using tarvik::frmAnimate;
using tarvik::daily::BatchResult;
using tarvik::daily::EndOfDayInput;

namespace {

// The services report's preparation, made slow: it writes a table for some seconds.
const char* kSlowPreparation =
    "CREATE PROCEDURE sp_RepRecomputeExtensionOutPatient\n    @ReportDate DATE\nAS\n"
    "INSERT INTO Reports.tbCancelProbe (N) WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 20000000)"
    " SELECT count(*) FROM c;\n"
    "INSERT INTO Reports.tbCancelProbe (N) VALUES (-1);\n"
    "GO\n";

// The interactive hooks, with a cancel the test makes at a chosen report of the batch.
class CancellingUi : public dailytest::RecordingUi
{
public:
    CancellingUi(int atReport, std::function<void()> cancel) : m_atReport(atReport), m_cancel(std::move(cancel)) {}
    void starting(int index, int, const QString&) override
    {
        if (index == m_atReport)
            QTimer::singleShot(600, qApp, m_cancel);
    }
    bool cancelRequested() const override { return tarvik::daily::interactiveUi().cancelRequested(); }
    void forgetCancel() override { tarvik::daily::interactiveUi().forgetCancel(); }

private:
    int m_atReport;
    std::function<void()> m_cancel;
};

} // namespace

class TestCancelRuns : public QObject
{
    Q_OBJECT
private slots:
    void cancelKeepsWhatWasProducedAndRollsBackTheRest_data();
    void cancelKeepsWhatWasProducedAndRollsBackTheRest();
};

void TestCancelRuns::cancelKeepsWhatWasProducedAndRollsBackTheRest_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("Cancel button") << 0;
    QTest::newRow("Esc in the progress window") << 1;
    QTest::newRow("Esc in another window") << 2;
}

void TestCancelRuns::cancelKeepsWhatWasProducedAndRollsBackTheRest()
{
    QFETCH(int, how);
    auto hospital = dailytest::emptyHospital();
    dailytest::exec(hospital->path(), {QStringLiteral("CREATE TABLE Reports.tbCancelProbe (N INTEGER)")});
    dailytest::replaceProcedure(hospital->path(), QString::fromLatin1(kSlowPreparation));
    dailytest::Session session(hospital->path());
    tarvik::db::openSessionHistory(tarvik::db::ConnectionInfo::embedded(hospital->path()));
    struct CloseHistory
    {
        ~CloseHistory() { tarvik::db::closeSessionHistory(); }
    } closeHistory;
    QWidget other;
    other.show();

    CancellingUi ui(2, [how, &other] {
        frmAnimate* form = frmAnimate::instance();
        QVERIFY(form);
        if (how == 0)
            form->cmdCancel->click();
        else
            QTest::keyClick(how == 1 ? static_cast<QWidget*>(form) : &other, Qt::Key_Escape);
    });
    EndOfDayInput in;
    in.date = dailytest::kBusyDay;
    for (int box : {0, 1, 2})
        in.ticked[size_t(box)] = true;
    const BatchResult result = tarvik::daily::runEndOfDay(in, ui);

    QVERIFY(result.cancelled);
    QCOMPARE(result.failedBox, 1);
    QCOMPARE(result.produced, QStringList{QStringLiteral("Daily Summary Of Discharges")});
    QVERIFY2(result.error.contains(QStringLiteral("\"Daily Summary of Services - OPD\"")), qPrintable(result.error));
    QVERIFY2(result.error.contains(QStringLiteral("Produced before the cancel: Daily Summary Of Discharges.")),
             qPrintable(result.error));
    QCOMPARE(session.viewers().size(), 1);
    QCOMPARE(dailytest::queryRow(hospital->path(), QStringLiteral("SELECT count(*) FROM Reports.tbCancelProbe")),
             QVariantList{qlonglong(0)});
    QVERIFY(!frmAnimate::instance());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(!tarvik::db::stopRequested());

    // The history holds the produced report and the cancelled one, newest first.
    QVERIFY(tarvik::db::sessionHistory());
    const auto rows = tarvik::db::sessionHistory()->rows({});
    QCOMPARE(rows.size(), size_t(2));
    QCOMPARE(rows[0].outcome, QLatin1String(tarvik::db::kOutcomeCancelled));
    QCOMPARE(rows[0].caption, QStringLiteral("Daily Summary Of Services"));
    QCOMPARE(rows[1].outcome, QLatin1String(tarvik::db::kOutcomeDone));
    QCOMPARE(rows[1].outputs, QStringLiteral("viewer"));
    QCOMPARE(rows[1].parameters, QStringLiteral("03/09/2026; ") + tarvik::gCompanyAddress);

    // The next run goes through: the stop was lifted with the progress window. Its history row
    // cannot be written (the table is gone), which does not stop it.
    dailytest::exec(hospital->path(), {QStringLiteral("DROP TABLE Reports.tbRunHistory")});
    in.ticked = {};
    in.ticked[0] = true;
    dailytest::RecordingUi again;
    QVERIFY2(tarvik::daily::runEndOfDay(in, again).ok(), "a run after a cancel failed");
}

QTEST_MAIN(TestCancelRuns)
#include "test_cancel_runs.moc"
