// The three year-end dialogs as a user meets them: their controls by name, single instances,
// keys, the year typed key by key and its limit, the batch's boxes, and what happens on success
// and on failure.

#include "DialogControls.h"
#include "fixture.h"

#include "DialogRegistry.h"
#include "RegisterYearlyDialogs.h"
#include "ReportOperations.h"
#include "Session.h"
#include "frmAnimate.h"
#include "frmReportViewer.h"
#include "frmReportYearEnd.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace tarvik;

namespace {

using tarvik::testsupport::child;
using tarvik::testsupport::settle;
using tarvik::testsupport::click;

void tick(QWidget* dialog, int box)
{
    auto* check = child<QCheckBox>(dialog, QStringLiteral("chkOption_%1").arg(box));
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
}

const QStringList kBoxCaptions{
    "Year End Laboratory Report",       "Year End X-Ray Report", "Year End Ultrasound Report",
    "Year End Operating Room Report",   "Year End Physical Therapy Report", "Year End RTS Report",
    "Year End Apparatus Report",        "Year End CT-Scan Report", "Year End Delivery Room",
};

const QStringList kDepartmentForms{"frmReportYearClinical", "frmReportYearOthers"};

} // namespace

class TestYearEndDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void yearEndContract();
    void yearEndIsOneInstanceKeepingItsChoices();
    void selectAllAndUntick();
    void nothingTickedClosesTheDialog();
    void yearTypedKeyByKeyRunsTheBatch_data();
    void yearTypedKeyByKeyRunsTheBatch();
    void yearAfterTheServersIsRefused();
    void failureInTheFourthReportKeepsTheDialog();

    void departmentCaptions_data();
    void departmentCaptions();
    void departmentContract();
    void enterRunsTheReportAndClosesTheDialog();
    void escClosesWithoutAReport();
    void typeWithoutARowProducesNothing();
    void shownAgainTakesTheNewReportType();
    void departmentFailureKeepsTheDialogOpen();

    void screenshots();

private:
    std::unique_ptr<QTemporaryDir> m_copy;
    std::unique_ptr<yearendtest::Session> m_session;
    std::unique_ptr<shell::DialogRegistry> m_registry;
    void logIn(const QString& folder)
    {
        m_session.reset(); // its end logs the session out
        m_session = std::make_unique<yearendtest::Session>(folder);
        m_session->clearTrace();
        m_registry = std::make_unique<shell::DialogRegistry>();
        yearly::registerYearlyDialogs(*m_registry);
    }
    QStringList viewerCaptions() const
    {
        QStringList out;
        for (frmReportViewer* viewer : m_session->viewers())
            out << viewer->windowTitle();
        return out;
    }
};

void TestYearEndDialogs::initTestCase()
{
    yearendtest::demoFolder();
}

void TestYearEndDialogs::init()
{
    logIn(yearendtest::demoFolder());
}

void TestYearEndDialogs::cleanup()
{
    m_registry->closeAll();
    settle();
    m_registry.reset();
    m_session.reset();
    m_copy.reset();
    QVERIFY2(!QApplication::overrideCursor(), "the hourglass was left on");
}

void TestYearEndDialogs::yearEndContract()
{
    QCOMPARE(m_registry->formNames(),
             (QStringList{"frmAging", "frmAuditTrail", "frmAuditTrailMonthly", "frmReportPeriod", "frmReportPeriodOthers",
                          "frmReportYearClinical", "frmReportYearEnd", "frmReportYearOthers"}));
    QWidget* dialog = m_registry->open(QStringLiteral("frmReportYearEnd"));
    QCOMPARE(dialog->objectName(), QStringLiteral("frmReportYearEnd"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Year End Reports"));
    QVERIFY(!dialog->isModal());
    // The heading and its shadow.
    QCOMPARE(child<QLabel>(dialog, "Label2_0")->text(), QStringLiteral("Year End Reports"));
    QCOMPARE(child<QLabel>(dialog, "Label2_1")->text(), QStringLiteral("Year End Reports"));
    QCOMPARE(child<QLabel>(dialog, "Label1")->text(), QStringLiteral("Report Year"));
    auto* picker = child<QDateEdit>(dialog, "dtpReportMonth");
    QCOMPARE(picker->displayFormat(), QStringLiteral("yyyy"));
    QCOMPARE(picker->date(), yearendtest::kServerDate.date());
    QCOMPARE(picker->property("latestDate").toDate(), yearendtest::kServerDate.date());
    QCOMPARE(picker->calendarWidget()->maximumDate(), yearendtest::kServerDate.date());
    for (int i = 0; i < 9; ++i) {
        auto* box = child<QCheckBox>(dialog, QStringLiteral("chkOption_%1").arg(i));
        QVERIFY(box);
        QCOMPARE(box->text(), kBoxCaptions.at(i));
        QVERIFY(!box->isChecked());
    }
    QVERIFY(!dialog->findChild<QCheckBox*>(QStringLiteral("chkOption_9")));
    QCOMPARE(child<QPushButton>(dialog, "cmdSelectAll")->text(), QStringLiteral("&Select All"));
    QCOMPARE(child<QPushButton>(dialog, "cmdOK_0")->text(), QStringLiteral("&Print"));
    QCOMPARE(child<QPushButton>(dialog, "cmdOK_1")->text(), QStringLiteral("&View"));
    QCOMPARE(child<QPushButton>(dialog, "cmdCancel")->text(), QStringLiteral("&Close"));
    QVERIFY(child<QPushButton>(dialog, "cmdOK_0")->isEnabled());
    QCOMPARE(dialog->pos(), QPoint(1, 7)); // 10 and 100 twips
}

void TestYearEndDialogs::yearEndIsOneInstanceKeepingItsChoices()
{
    auto* dialog = static_cast<yearly::frmReportYearEnd*>(m_registry->open(QStringLiteral("frmReportYearEnd")));
    tick(dialog, 2);
    tick(dialog, 7);
    yearendtest::typeDate(child<QDateEdit>(dialog, "dtpReportMonth"), QStringLiteral("2025"));
    // Opened again from the toolbar while open: the same window, its ticks, count and year.
    QWidget* again = m_registry->open(QStringLiteral("frmReportYearEnd"), QStringLiteral("Y"));
    QCOMPARE(again, static_cast<QWidget*>(dialog));
    QCOMPARE(dialog->tickedCount(), 2);
    QCOMPARE(dialog->tickedBoxes(), (std::vector<bool>{false, false, true, false, false, false, false, true, false}));
    QCOMPARE(child<QDateEdit>(dialog, "dtpReportMonth")->date(), QDate(2025, 3, 15));
    // Closed, it is loaded afresh next time.
    click(dialog, "cmdCancel");
    settle();
    QVERIFY(!m_registry->instance(QStringLiteral("frmReportYearEnd")));
    auto* fresh = static_cast<yearly::frmReportYearEnd*>(m_registry->open(QStringLiteral("frmReportYearEnd")));
    QCOMPARE(fresh->tickedCount(), 0);
    QCOMPARE(child<QDateEdit>(fresh, "dtpReportMonth")->date(), yearendtest::kServerDate.date());
    QVERIFY(m_session->trace().isEmpty());
}

void TestYearEndDialogs::selectAllAndUntick()
{
    auto* dialog = static_cast<yearly::frmReportYearEnd*>(m_registry->open(QStringLiteral("frmReportYearEnd")));
    auto* print = child<QPushButton>(dialog, "cmdOK_0");
    auto* view = child<QPushButton>(dialog, "cmdOK_1");
    tick(dialog, 4);
    click(dialog, "cmdSelectAll");
    QCOMPARE(dialog->tickedCount(), 9);
    QCOMPARE(dialog->tickedBoxes(), std::vector<bool>(9, true));
    click(dialog, "cmdSelectAll"); // nothing changes, so the count does not pass the boxes
    QCOMPARE(dialog->tickedCount(), 9);
    for (int i = 0; i < 9; ++i) {
        QVERIFY2(print->isEnabled() && view->isEnabled(), "enabled while a box is still ticked");
        tick(dialog, i);
    }
    QCOMPARE(dialog->tickedCount(), 0);
    QVERIFY(!print->isEnabled());
    QVERIFY(!view->isEnabled());
    tick(dialog, 6);
    QVERIFY(print->isEnabled() && view->isEnabled());
    QCOMPARE(dialog->tickedCount(), 1);
}

void TestYearEndDialogs::nothingTickedClosesTheDialog()
{
    for (const char* button : {"cmdOK_0", "cmdOK_1"}) {
        QPointer<QWidget> dialog = m_registry->open(QStringLiteral("frmReportYearEnd"));
        click(dialog, button);
        settle();
        QVERIFY2(!dialog, button);
    }
    QVERIFY(m_session->viewers().isEmpty());
    QVERIFY(m_session->trace().isEmpty());
}

void TestYearEndDialogs::yearTypedKeyByKeyRunsTheBatch_data()
{
    QTest::addColumn<QDateTime>("serverDate");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("month");
    QTest::newRow("server date in March 2026, year set to 2025")
        << yearendtest::kServerDate << "2025" << "03/01/2025" << "03/31/2025" << "Mar,2025";
    QTest::newRow("server date in February of a leap year, year kept")
        << QDateTime(QDate(2028, 2, 29), QTime(9, 0)) << "2028" << "02/01/2028" << "02/29/2028" << "Feb,2028";
    QTest::newRow("server date on the 29th of February, year set to a leap year")
        << QDateTime(QDate(2028, 2, 29), QTime(9, 0)) << "2024" << "02/01/2024" << "02/29/2024" << "Feb,2024";
    QTest::newRow("server date on the 29th of February, year set to a common year")
        << QDateTime(QDate(2028, 2, 29), QTime(9, 0)) << "2025" << "02/01/2025" << "02/28/2025" << "Feb,2025";
}

void TestYearEndDialogs::yearTypedKeyByKeyRunsTheBatch()
{
    QFETCH(QDateTime, serverDate);
    QFETCH(QString, typed);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, month);
    gServerDate = serverDate; // before the dialog loads: its picker starts there
    QPointer<QWidget> dialog = m_registry->open(QStringLiteral("frmReportYearEnd"));
    auto* picker = child<QDateEdit>(dialog, "dtpReportMonth");
    yearendtest::typeDate(picker, typed);
    QCOMPARE(picker->date().year(), typed.toInt());
    tick(dialog, 6);
    tick(dialog, 0);
    click(dialog, "cmdOK_1");
    settle();
    QVERIFY2(!dialog, "a completed batch closes the dialog");
    // Box order, whatever order they were ticked in; one modeless viewer each.
    QCOMPARE(m_session->trace(),
             (QStringList{QStringLiteral("Reports..sp_Rep_MonthlyREcompute '%1', '%2', 'LB', 'N'").arg(from, to),
                          QStringLiteral("Reports..sp_Rep_MonthlyREcompute '%1', '%2', 'AP', 'N'").arg(from, to)}));
    QCOMPARE(viewerCaptions(), (QStringList{"Year End Laboratory Summary Report: " + month,
                                            "Year End Apparatus Report: " + month}));
}

void TestYearEndDialogs::yearAfterTheServersIsRefused()
{
    // The Print of the batch and the OK of the department dialogs: a message naming both
    // years, nothing sent, the dialog open with what was typed.
    const QList<QPair<QString, QString>> cases{
        {"frmReportYearEnd", "cmdOK_0"}, {"frmReportYearClinical", "cmdOptions_0"}, {"frmReportYearOthers", "cmdOptions_0"}};
    for (const auto& [form, button] : cases) {
        QPointer<QWidget> dialog = m_registry->open(form, QStringLiteral("0"));
        auto* picker = child<QDateEdit>(dialog, "dtpReportMonth");
        yearendtest::typeDate(picker, QStringLiteral("2027"));
        QCOMPARE(picker->date().year(), 2027);
        if (form == QLatin1String("frmReportYearEnd"))
            tick(dialog, 1);
        QString message;
        yearendtest::ModalHandler answer([&](QDialog* box) {
            if (auto* messageBox = qobject_cast<QMessageBox*>(box))
                message = messageBox->text();
            box->accept();
        });
        click(dialog, qPrintable(button));
        settle();
        QVERIFY2(answer.fired(), qPrintable(form));
        QVERIFY2(message.contains(QStringLiteral("2027 is after the server's date 2026")), qPrintable(form + ": " + message));
        QVERIFY2(dialog && dialog->isVisible(), qPrintable(form));
        QCOMPARE(picker->date().year(), 2027);
        dialog->close();
        settle();
    }
    QVERIFY(m_session->trace().isEmpty());
    QVERIFY(m_session->viewers().isEmpty());
}

void TestYearEndDialogs::failureInTheFourthReportKeepsTheDialog()
{
    m_copy = yearendtest::copyOfDemo();
    yearendtest::exec(m_copy->path(),
                      {QStringLiteral("CREATE TRIGGER Reports.trLockOR BEFORE INSERT ON tbMonthlySummary "
                                      "WHEN NEW.DeptCode = 'OR' BEGIN "
                                      "SELECT RAISE(ABORT, 'the operating room summary is locked'); END")});
    m_registry->closeAll();
    settle();
    logIn(m_copy->path());

    auto* dialog = static_cast<yearly::frmReportYearEnd*>(m_registry->open(QStringLiteral("frmReportYearEnd")));
    QPointer<QWidget> alive = dialog;
    click(dialog, "cmdSelectAll");
    QString message, title;
    bool progressGone = false, pointerRestored = false;
    yearendtest::ModalHandler answer([&](QDialog* box) {
        message = static_cast<QMessageBox*>(box)->text();
        title = box->windowTitle();
        progressGone = !frmAnimate::instance() || !frmAnimate::instance()->isVisible();
        pointerRestored = !QApplication::overrideCursor();
        box->accept();
    });
    click(dialog, "cmdOK_1");
    settle();
    QVERIFY(answer.fired());
    QVERIFY2(message.contains(QStringLiteral("the operating room summary is locked")), qPrintable(message));
    QCOMPARE(title, QString::fromLatin1(kProgramTitle));
    QVERIFY(progressGone);
    QVERIFY(pointerRestored);
    // The three before it stay shown, none after it was run; the dialog keeps its choices.
    QCOMPARE(viewerCaptions(), (QStringList{"Year End Laboratory Summary Report: Mar,2026",
                                            "Year End X-Ray Summary Report: Mar,2026",
                                            "Year End Ultrasound Summary Report: Mar,2026"}));
    QCOMPARE(m_session->trace().size(), 4);
    QVERIFY(alive && dialog->isVisible());
    QCOMPARE(dialog->tickedCount(), 9);
    QVERIFY(child<QPushButton>(dialog, "cmdOK_1")->isEnabled());
}

void TestYearEndDialogs::departmentCaptions_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("caption");
    const char* clinical[] = {"Year End Laboratory Summary Report",      "Year End X-Ray Summary Report",
                              "Year End Ultrasound Summary Report",      "Year End Operating Room Summary Report",
                              "Year End Physical Therapy Summary Report", "Year End RTS Summary Report",
                              "Year End CT Scan Summary Report",         "Year End Delivery Summary Report"};
    for (int i = 0; i < 8; ++i)
        QTest::addRow("clinical %d", i) << "frmReportYearClinical" << QString::number(i) << clinical[i];
    QTest::newRow("clinical 8 keeps the design caption") << "frmReportYearClinical" << "8" << "Report Year";
    QTest::newRow("others 0") << "frmReportYearOthers" << "0" << "Year End Apparatus Report";
    QTest::newRow("others 1 keeps the design caption") << "frmReportYearOthers" << "1" << "Report Year";
}

void TestYearEndDialogs::departmentCaptions()
{
    QFETCH(QString, form);
    QFETCH(QString, type);
    QFETCH(QString, caption);
    QCOMPARE(m_registry->open(form, type)->windowTitle(), caption);
}

void TestYearEndDialogs::departmentContract()
{
    for (const QString& form : kDepartmentForms) {
        QWidget* dialog = m_registry->open(form, QStringLiteral("0"));
        QCOMPARE(dialog->objectName(), form);
        QVERIFY(!dialog->isModal());
        QCOMPARE(child<QLabel>(dialog, "Label1")->text(), QStringLiteral("Report Year"));
        auto* picker = child<QDateEdit>(dialog, "dtpReportMonth");
        QCOMPARE(picker->displayFormat(), QStringLiteral("yyyy"));
        QCOMPARE(picker->date(), yearendtest::kServerDate.date());
        QCOMPARE(picker->property("latestDate").toDate(), yearendtest::kServerDate.date());
        auto* ok = child<QPushButton>(dialog, "cmdOptions_0");
        auto* cancel = child<QPushButton>(dialog, "cmdOptions_1");
        QCOMPARE(ok->text(), QStringLiteral("&OK"));
        QVERIFY(ok->isDefault());
        QCOMPARE(cancel->text(), QStringLiteral("&Cancel"));
        // OK has the focus when the dialog opens; Tab goes on to Cancel, then to the year.
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ok));
        QCOMPARE(ok->nextInFocusChain(), static_cast<QWidget*>(cancel));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY2(QApplication::focusWidget() == picker || QApplication::focusWidget()->parent() == picker,
                 qPrintable(form));
        dialog->close();
        settle();
    }
}

void TestYearEndDialogs::enterRunsTheReportAndClosesTheDialog()
{
    // Enter on the OK button that has the focus, and Enter in the picker after typing a year.
    QPointer<QWidget> clinical = m_registry->open(QStringLiteral("frmReportYearClinical"), QStringLiteral("3"));
    QTRY_VERIFY(QApplication::focusWidget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    settle();
    QVERIFY(!clinical);

    QPointer<QWidget> others = m_registry->open(QStringLiteral("frmReportYearOthers"), QStringLiteral("0"));
    auto* picker = child<QDateEdit>(others, "dtpReportMonth");
    yearendtest::typeDate(picker, QStringLiteral("2025"));
    QTest::keyClick(picker, Qt::Key_Return);
    settle();
    QVERIFY(!others);

    QCOMPARE(m_session->trace(),
             (QStringList{"Reports..sp_Rep_MonthlyREcompute '03/01/2026', '03/31/2026', 'OR', 'N'",
                          "Reports..sp_Rep_MonthlyREcompute '03/01/2025', '03/31/2025', 'AP', 'Y'"}));
    QCOMPARE(viewerCaptions(), (QStringList{"Year End Operating Room Summary Report: Mar,2026",
                                            "Year End Apparatus Report: Mar,2025"}));
}

void TestYearEndDialogs::escClosesWithoutAReport()
{
    for (const QString& form : kDepartmentForms) {
        QPointer<QWidget> dialog = m_registry->open(form, QStringLiteral("0"));
        QTest::keyClick(child<QDateEdit>(dialog, "dtpReportMonth"), Qt::Key_Escape);
        settle();
        QVERIFY2(!dialog, qPrintable(form));
        QPointer<QWidget> again = m_registry->open(form, QStringLiteral("0"));
        click(again, "cmdOptions_1");
        settle();
        QVERIFY2(!again, qPrintable(form));
    }
    QVERIFY(m_session->viewers().isEmpty());
    QVERIFY(m_session->trace().isEmpty());
}

void TestYearEndDialogs::typeWithoutARowProducesNothing()
{
    for (const QString& form : kDepartmentForms) {
        QPointer<QWidget> dialog = m_registry->open(form, QStringLiteral("9"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Report Year"));
        click(dialog, "cmdOptions_0");
        settle();
        QVERIFY2(!dialog, qPrintable(form));
    }
    QVERIFY(m_session->viewers().isEmpty());
    QVERIFY(m_session->trace().isEmpty());
}

void TestYearEndDialogs::shownAgainTakesTheNewReportType()
{
    // Picked again from the menu while open: the same window and year, the new department, and
    // a caption that names the report OK will produce.
    QWidget* dialog = m_registry->open(QStringLiteral("frmReportYearClinical"), QStringLiteral("0"));
    yearendtest::typeDate(child<QDateEdit>(dialog, "dtpReportMonth"), QStringLiteral("2025"));
    QPointer<QWidget> again = m_registry->open(QStringLiteral("frmReportYearClinical"), QStringLiteral("6"));
    QCOMPARE(again.data(), dialog);
    QCOMPARE(again->windowTitle(), QStringLiteral("Year End CT Scan Summary Report"));
    QCOMPARE(child<QDateEdit>(again, "dtpReportMonth")->date(), QDate(2025, 3, 15));
    click(again, "cmdOptions_0");
    settle();
    QVERIFY(!again);
    QCOMPARE(viewerCaptions(), QStringList{"Year End CT Scan Summary Report: Mar,2025"});
}

void TestYearEndDialogs::departmentFailureKeepsTheDialogOpen()
{
    // A report file that cannot be read: the message, the pointer back, the progress window
    // gone, the dialog open with its year.
    QFile file(m_session->reportFolder() + QStringLiteral("/rptYearEndReport.rpt"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("<report version=\"1\"><page");
    file.close();
    for (const QString& form : kDepartmentForms) {
        QPointer<QWidget> dialog = m_registry->open(form, QStringLiteral("0"));
        auto* picker = child<QDateEdit>(dialog, "dtpReportMonth");
        yearendtest::typeDate(picker, QStringLiteral("2025"));
        QString message;
        bool progressGone = false, pointerRestored = false;
        yearendtest::ModalHandler answer([&](QDialog* box) {
            message = static_cast<QMessageBox*>(box)->text();
            progressGone = !frmAnimate::instance() || !frmAnimate::instance()->isVisible();
            pointerRestored = !QApplication::overrideCursor();
            box->accept();
        });
        click(dialog, "cmdOptions_0");
        settle();
        QVERIFY2(answer.fired(), qPrintable(form));
        QVERIFY2(message.contains(QStringLiteral("rptYearEndReport.rpt")), qPrintable(message));
        QVERIFY(progressGone);
        QVERIFY(pointerRestored);
        QVERIFY2(dialog && dialog->isVisible(), qPrintable(form));
        QCOMPARE(picker->date().year(), 2025);
        dialog->close();
        settle();
    }
    QVERIFY(m_session->viewers().isEmpty());
}

void TestYearEndDialogs::screenshots()
{
    const QString folder = qEnvironmentVariable("TARVIK_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("TARVIK_SCREENSHOT_DIR names no folder");
    const QList<QPair<QString, QString>> forms{
        {"frmReportYearEnd", {}}, {"frmReportYearClinical", "0"}, {"frmReportYearOthers", "0"}};
    for (const auto& [form, type] : forms) {
        QWidget* dialog = type.isEmpty() ? m_registry->open(form) : m_registry->open(form, type);
        if (form == QLatin1String("frmReportYearEnd")) {
            for (int box : {0, 1, 2, 7})
                tick(dialog, box);
        }
        QTest::qWait(100);
        QVERIFY(dialog->grab().save(folder + QLatin1Char('/') + form + QStringLiteral(".png")));
        dialog->close();
    }
    settle();
}

QTEST_MAIN(TestYearEndDialogs)
#include "test_yearend_dialogs.moc"
