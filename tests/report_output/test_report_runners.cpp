// The departmental runners: the recompute command each sends, the layout chosen by department
// code, the parameter values in order, the viewer's caption, and the progress window, which is
// up while the work runs and gone afterwards, also when the work fails.

#include "fixture.h"

#include "ReportOperations.h"
#include "ReportRunners.h"
#include "Session.h"
#include "frmAnimate.h"
#include "frmReportViewer.h"

#include <QFileInfo>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMovie>
#include <QTest>
#include <QTimer>

using namespace tarvik;

namespace {

// Watches the progress window come and go, and notes how many commands had run by then: a
// window shown (and its clip started) before the recompute and hidden after it was up
// throughout.
class ProgressProbe : public QObject
{
public:
    ProgressProbe() { qApp->installEventFilter(this); }
    ~ProgressProbe() override { qApp->removeEventFilter(this); }

    bool seenVisible() const { return m_shownAt >= 0; }
    bool upDuringTheWork() const { return m_shownAt == 0 && m_hiddenAt >= 1; }
    bool seenPlaying() const { return m_playingAt == 0; }
    QString caption() const { return m_caption; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* form = qobject_cast<frmAnimate*>(watched);
        if (form && event->type() == QEvent::Show && m_shownAt < 0) {
            m_shownAt = commands();
            m_caption = form->windowTitle();
            if (QMovie* movie = form->Animation1->movie()) {
                connect(movie, &QMovie::stateChanged, this, [this](QMovie::MovieState state) {
                    if (state == QMovie::Running && m_playingAt < 0)
                        m_playingAt = commands();
                });
            }
        } else if (form && event->type() == QEvent::Hide && m_shownAt >= 0 && m_hiddenAt < 0) {
            m_hiddenAt = commands();
        }
        return false;
    }

private:
    static int commands() { return int(gCurrentUser->SqlConnection()->trace().texts().size()); }

    int m_shownAt = -1;
    int m_hiddenAt = -1;
    int m_playingAt = -1;
    QString m_caption;
};

bool progressWindowGone()
{
    if (frmAnimate::instance())
        return false;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frmAnimate") && w->isVisible())
            return false;
    return true;
}

QString valueText(const QVariant& v)
{
    return v.typeId() == QMetaType::QDate ? v.toDate().toString(QStringLiteral("MM/dd/yyyy")) : v.toString();
}

} // namespace

class TestReportRunners : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void monthTexts_data();
    void monthTexts();
    void monthYearCaption_data();
    void monthYearCaption();
    void monthlyLayoutByCode_data();
    void monthlyLayoutByCode();
    void monthlyRunner_data();
    void monthlyRunner();
    void yearEndRunner_data();
    void yearEndRunner();
    void dailyRunner();
    void runnerFailureClosesTheProgressWindow();
    void badDateIsRefusedBeforeAnythingRuns();

private:
    QStringList traceTexts() const { return gCurrentUser->SqlConnection()->trace().texts(); }
    frmReportViewer* lastViewer() const
    {
        const auto list = m_frame->subWindowList();
        return list.isEmpty() ? nullptr : qobject_cast<frmReportViewer*>(list.last()->widget());
    }
    void checkValues(const QStringList& expected)
    {
        QVERIFY(gReport);
        const auto fields = gReport->parameterFields();
        QCOMPARE(int(fields.size()), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(valueText(fields[size_t(i)]->currentValue()), expected[i]);
    }

    std::unique_ptr<outputtest::Session> m_session;
    std::unique_ptr<QMdiArea> m_frame;
};

void TestReportRunners::init()
{
    m_session = std::make_unique<outputtest::Session>(30);
    gReportPath = outputtest::sourceReports();
    m_frame = std::make_unique<QMdiArea>();
    m_frame->resize(1000, 700);
    m_frame->show();
    QMdiArea* area = m_frame.get();
    setViewerHost([area] { return area; });
}

void TestReportRunners::cleanup()
{
    setViewerHost({});
    m_frame.reset();
    m_session.reset();
    QLocale::setDefault(QLocale::c());
}

void TestReportRunners::monthYearCaption_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("January, no blank after the comma") << QDate(2024, 1, 1) << "en_US" << "Jan,2024";
    QTest::newRow("September is Sep") << QDate(2023, 9, 30) << "en_US" << "Sep,2023";
    QTest::newRow("English names under a French locale") << QDate(2024, 5, 1) << "fr_FR" << "May,2024";
    QTest::newRow("English names under a German locale") << QDate(2024, 12, 1) << "de_DE" << "Dec,2024";
}

void TestReportRunners::monthTexts_data()
{
    QTest::addColumn<QDate>("picked");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::newRow("mid-month") << QDate(2026, 3, 15) << "03/01/2026" << "03/31/2026";
    QTest::newRow("February of a leap year") << QDate(2024, 2, 10) << "02/01/2024" << "02/29/2024";
    QTest::newRow("February of a common year") << QDate(2026, 2, 28) << "02/01/2026" << "02/28/2026";
    QTest::newRow("December stays in its year") << QDate(2025, 12, 31) << "12/01/2025" << "12/31/2025";
    QTest::newRow("a 30-day month") << QDate(2026, 4, 30) << "04/01/2026" << "04/30/2026";
}

void TestReportRunners::monthTexts()
{
    QFETCH(QDate, picked);
    QFETCH(QString, first);
    QFETCH(QString, last);
    QCOMPARE(dayText(firstDayOfMonth(picked)), first);
    QCOMPARE(dayText(lastDayOfMonth(picked)), last);
}

void TestReportRunners::monthYearCaption()
{
    QFETCH(QDate, date);
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    QLocale::setDefault(QLocale(locale));
    QCOMPARE(formatMonthYear(date), expected);
}

void TestReportRunners::monthlyLayoutByCode_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("file");
    QTest::newRow("OR: the operating room's layout") << "OR" << "/MonthlyORReport.rpt";
    QTest::newRow("MC") << "MC" << "/rptMonthlyReport_MH.rpt";
    QTest::newRow("MH") << "MH" << "/rptMonthlyReport_MH.rpt";
    QTest::newRow("MI") << "MI" << "/rptMonthlyReport_MH.rpt";
    QTest::newRow("LB: any other code") << "LB" << "/rptMonthlyReport.rpt";
    QTest::newRow("lower-case or is another code") << "or" << "/rptMonthlyReport.rpt";
}

void TestReportRunners::monthlyLayoutByCode()
{
    QFETCH(QString, code);
    QFETCH(QString, file);
    QCOMPARE(monthlyReportFile(code), file);
}

void TestReportRunners::monthlyRunner_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("flag");
    QTest::addColumn<QString>("file");
    QTest::newRow("OR") << "OR" << "N" << "MonthlyORReport.rpt";
    QTest::newRow("MC") << "MC" << "Y" << "rptMonthlyReport_MH.rpt";
    QTest::newRow("MH") << "MH" << "Y" << "rptMonthlyReport_MH.rpt";
    QTest::newRow("MI") << "MI" << "Y" << "rptMonthlyReport_MH.rpt";
    QTest::newRow("LB") << "LB" << "N" << "rptMonthlyReport.rpt";
    QTest::newRow("AP") << "AP" << "Y" << "rptMonthlyReport.rpt";
}

void TestReportRunners::monthlyRunner()
{
    QFETCH(QString, code);
    QFETCH(QString, flag);
    QFETCH(QString, file);
    const QString title = QStringLiteral("Monthly %1 Summary Report").arg(code);
    gCurrentUser->SqlConnection()->trace().clear();
    ProgressProbe probe;

    PrintMonthlyReport(QStringLiteral("01/01/2024"), QStringLiteral("1/31/2024"), code, title, false, flag);

    QCOMPARE(traceTexts(), QStringList{QStringLiteral("Reports..sp_Rep_MonthlyREcompute '01/01/2024', '1/31/2024', '%1', '%2'")
                                           .arg(code, flag)});
    QVERIFY(gReport); // the modeless viewer leaves it held
    QCOMPARE(QFileInfo(gReport->filePath()).fileName(), file);
    QCOMPARE(QFileInfo(gReport->filePath()).absolutePath(), QFileInfo(outputtest::sourceReports()).absoluteFilePath());
    for (auto* table : gReport->tables()) {
        QVERIFY2(table->location().startsWith(QLatin1String("REPORTS.")), qPrintable(table->location()));
        QCOMPARE(table->logOnDatabase(), QStringLiteral("REPORTS"));
    }
    // DateTo goes in as given, and once more as "mm/dd/yyyy".
    checkValues({QStringLiteral("01/01/2024"), QStringLiteral("01/31/2024"), code, flag,
                 QStringLiteral("12 Test Street, Testville"), title, QStringLiteral("01/31/2024")});
    QCOMPARE(gReport->parameterFields()[1]->currentValue().toDate(), QDate(2024, 1, 31));

    frmReportViewer* viewer = lastViewer();
    QVERIFY(viewer);
    QCOMPARE(viewer->windowTitle(), title + QStringLiteral(": Jan,2024"));
    QVERIFY(!viewer->CRViewer1->groupTreeEnabled());
    QCOMPARE(viewer->CRViewer1->reportSource(), gReport);
    auto document = viewer->CRViewer1->document();
    document->waitForFinished();
    QVERIFY2(!document->hasFailed(), qPrintable(document->errorString()));

    QVERIFY(probe.upDuringTheWork());
    QVERIFY(probe.seenPlaying());
    QCOMPARE(probe.caption(), QStringLiteral("Generating report..."));
    QVERIFY(progressWindowGone());
}

void TestReportRunners::yearEndRunner_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("flag");
    QTest::addColumn<QString>("title");
    QTest::newRow("laboratory") << "LB" << "N" << "Year End Laboratory Summary Report";
    QTest::newRow("apparatus") << "AP" << "Y" << "Year End Apparatus Report";
}

void TestReportRunners::yearEndRunner()
{
    QFETCH(QString, code);
    QFETCH(QString, flag);
    QFETCH(QString, title);
    gCurrentUser->SqlConnection()->trace().clear();
    ProgressProbe probe;

    PrintYearEndReport(QStringLiteral("01/01/2024"), QStringLiteral("12/31/2024"), code, title, false, flag);

    QCOMPARE(traceTexts(), QStringList{QStringLiteral("Reports..sp_Rep_MonthlyREcompute '01/01/2024', '12/31/2024', '%1', '%2'")
                                           .arg(code, flag)});
    QCOMPARE(QFileInfo(gReport->filePath()).fileName(), QStringLiteral("rptYearEndReport.rpt"));
    QCOMPARE(gReport->tables().front()->location().section(QLatin1Char('.'), 0, 0), QStringLiteral("Reports"));
    // The year alone comes first.
    checkValues({QStringLiteral("2024"), code, QStringLiteral("12 Test Street, Testville"), title,
                 QStringLiteral("12/31/2024")});
    QCOMPARE(lastViewer()->windowTitle(), title + QStringLiteral(": Jan,2024"));
    auto document = lastViewer()->CRViewer1->document();
    document->waitForFinished();
    QVERIFY2(!document->hasFailed(), qPrintable(document->errorString()));
    QVERIFY(probe.upDuringTheWork());
    QVERIFY(progressWindowGone());
}

void TestReportRunners::dailyRunner()
{
    gCurrentUser->SqlConnection()->trace().clear();
    ProgressProbe probe;
    const QString title = QStringLiteral("Daily Laboratory Examination Logbook");

    PrintDailyReport(QStringLiteral("01/04/2024"), QStringLiteral("01/04/2024"), QStringLiteral("LB"), title, false);

    QVERIFY(traceTexts().isEmpty()); // no stored procedure
    QVERIFY(!probe.seenVisible());   // and no progress window
    QCOMPARE(QFileInfo(gReport->filePath()).fileName(), QStringLiteral("rptDailyReports.rpt"));
    QCOMPARE(gReport->tables().front()->location(), QStringLiteral("Reports.dbo.tbRepExamination"));
    checkValues({QStringLiteral("01/04/2024"), QStringLiteral("01/04/2024"), QStringLiteral("LB"),
                 QStringLiteral("12 Test Street, Testville"), title, QStringLiteral("01/04/2024")});
    frmReportViewer* viewer = lastViewer();
    QCOMPARE(viewer->windowTitle(), title + QStringLiteral(": 01/04/2024"));
    QVERIFY(!viewer->CRViewer1->groupTreeEnabled());
    QVERIFY(QGuiApplication::overrideCursor() == nullptr); // the wait pointer is back to normal

    // The logbook holds the laboratory's examinations of that day, and only those.
    auto document = viewer->CRViewer1->document();
    document->waitForFinished();
    QVERIFY2(!document->hasFailed(), qPrintable(document->errorString()));
    const QStringList patients = outputtest::query(
        m_session->folder(), QStringLiteral("SELECT PatientName FROM Reports.tbRepExamination "
                                            "WHERE DeptCode = 'LB' AND ExamDate = '2024-01-04'"));
    QVERIFY(!patients.isEmpty());
    for (const QString& p : patients)
        QVERIFY2(!document->findText(p, Qt::CaseSensitive).empty(), qPrintable(p));
    const QStringList others = outputtest::query(
        m_session->folder(), QStringLiteral("SELECT PatientName FROM Reports.tbRepExamination "
                                            "WHERE DeptCode <> 'LB' OR ExamDate <> '2024-01-04'"));
    for (const QString& p : others)
        QVERIFY2(document->findText(p + QLatin1Char(' '), Qt::CaseSensitive).empty() || patients.contains(p), qPrintable(p));
}

void TestReportRunners::runnerFailureClosesTheProgressWindow()
{
    // The recompute runs, then the layout file is missing.
    QTemporaryDir empty;
    gReportPath = empty.path();
    gCurrentUser->SqlConnection()->trace().clear();
    ProgressProbe probe;
    QVERIFY_THROWS_EXCEPTION(std::exception,
                             PrintMonthlyReport(QStringLiteral("02/01/2024"), QStringLiteral("02/29/2024"),
                                                QStringLiteral("XR"), QStringLiteral("Monthly X-Ray Summary Report"),
                                                false, QStringLiteral("N")));
    QCOMPARE(traceTexts().size(), 1);
    QVERIFY(probe.upDuringTheWork());
    QVERIFY(progressWindowGone());

    // A failing stored procedure (an unknown department) closes it as well.
    gReportPath = outputtest::sourceReports();
    try {
        PrintYearEndReport(QStringLiteral("01/01/2024"), QStringLiteral("12/31/2024"), QStringLiteral("ZZ"),
                           QStringLiteral("Year End"), false, QStringLiteral("N"));
        QFAIL("an unknown department was accepted");
    } catch (const std::exception& e) {
        QVERIFY2(QString::fromStdString(e.what()).contains(QStringLiteral("sp_Rep_MonthlyREcompute")), e.what());
    }
    QVERIFY(progressWindowGone());
    QVERIFY(m_frame->subWindowList().isEmpty());
}

void TestReportRunners::badDateIsRefusedBeforeAnythingRuns()
{
    gCurrentUser->SqlConnection()->trace().clear();
    QVERIFY_THROWS_EXCEPTION(std::exception,
                             PrintMonthlyReport(QStringLiteral("2024-01-01"), QStringLiteral("01/31/2024"),
                                                QStringLiteral("LB"), QStringLiteral("T"), false, QStringLiteral("N")));
    QVERIFY(traceTexts().isEmpty());
    QVERIFY(progressWindowGone());
}

QTEST_MAIN(TestReportRunners)
#include "test_report_runners.moc"
