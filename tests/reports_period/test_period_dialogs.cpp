// The period, aging and audit-trail dialogs as a clerk meets them: their controls by name, the
// keys, the period check, the options' letters, what View and OK leave behind, and what a
// failure leaves.

#include "DialogControls.h"
#include "fixture.h"

#include "DialogRegistry.h"
#include "RegisterYearlyDialogs.h"
#include "Session.h"
#include "frmAnimate.h"
#include "frmReportViewer.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace tarvik;

namespace {

using tarvik::testsupport::child;
using tarvik::testsupport::settle;
using tarvik::testsupport::click;

// The named controls Tab passes through, from the focused one: `count` of them.
QStringList tabChain(int count)
{
    QStringList names;
    QWidget* w = QApplication::focusWidget();
    while (w && names.size() < count) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && !w->objectName().isEmpty()
            && !w->objectName().startsWith(QLatin1String("qt_")))
            names << w->objectName();
        w = w->nextInFocusChain();
    }
    return names;
}

} // namespace

class TestPeriodDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void periodDialogsContract_data();
    void periodDialogsContract();
    void captionsFollowTheReportType_data();
    void captionsFollowTheReportType();
    void periodCheck_data();
    void periodCheck();
    void toAfterTodayIsRefusedThoughThePickerOffersIt();
    void enterInAPickerMovesOnAsTabDoes_data();
    void enterInAPickerMovesOnAsTabDoes();
    void agingSendsTheClassOfItsOptions_data();
    void agingSendsTheClassOfItsOptions();
    void aReportTypeWithoutAReportLeavesTheDialogOpen();
    void aFailureIsShownAndTheDialogKeepsItsValues();

    void auditTrailContract_data();
    void auditTrailContract();
    void viewProducesTheTickedReportsAndCloses_data();
    void viewProducesTheTickedReportsAndCloses();
    void auditTrailFailureKeepsTheDialogAndItsChoices();

    void screenshots();

private:
    std::unique_ptr<periodtest::Session> m_session;
    std::unique_ptr<shell::DialogRegistry> m_registry;
    void logIn(const QString& folder, const QDateTime& serverDate = periodtest::kServerDate)
    {
        if (m_registry)
            m_registry->closeAll();
        settle();
        m_session.reset();
        m_session = std::make_unique<periodtest::Session>(folder, serverDate);
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
    QWidget* open(const QString& form, const QString& type)
    {
        QWidget* dialog = m_registry->open(form, type.isEmpty() ? std::nullopt : std::optional<QString>(type));
        if (dialog)
            dialog->activateWindow();
        return dialog;
    }
};

void TestPeriodDialogs::initTestCase()
{
    periodtest::demoFolder();
}

void TestPeriodDialogs::init()
{
    logIn(periodtest::demoFolder());
}

void TestPeriodDialogs::cleanup()
{
    m_registry->closeAll();
    settle();
    m_registry.reset();
    m_session.reset();
    QVERIFY2(!QApplication::overrideCursor(), "the hourglass was left on");
    QVERIFY2(!frmAnimate::instance(), "the progress window was left loaded");
}

void TestPeriodDialogs::periodDialogsContract_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("tabs"); // from the control focused when the dialog opens
    QTest::newRow("reports by period") << "frmReportPeriod" << "3"
                                       << QStringList{"dtpPeriod_0", "dtpPeriod_1", "cmdOK", "cmdCancel", "dtpPeriod_0"};
    QTest::newRow("period reports (others)")
        << "frmReportPeriodOthers" << "0" << QStringList{"dtpPeriod_0", "dtpPeriod_1", "cmdOK", "cmdCancel"};
    QTest::newRow("aging, opening on Cancel")
        << "frmAging" << "1" << QStringList{"cmdCancel", "cmdOK", "dtpPeriod_0", "dtpPeriod_1", "optOptions_0", "optOptions_1",
                       "optOptions_2", "cmdCancel"};
}

void TestPeriodDialogs::periodDialogsContract()
{
    QFETCH(QString, form);
    QFETCH(QString, type);
    QFETCH(QStringList, tabs);
    QWidget* dialog = open(form, type);
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QCOMPARE(dialog->objectName(), form);
    QVERIFY(!dialog->isModal());
    QCOMPARE(child<QLabel>(dialog, "Label1_0")->text(), QStringLiteral("Report Period:"));
    QCOMPARE(child<QLabel>(dialog, "Label1_1")->text(), QStringLiteral("to"));
    for (const char* name : {"dtpPeriod_0", "dtpPeriod_1"}) {
        auto* picker = child<QDateEdit>(dialog, QLatin1String(name));
        QCOMPARE(picker->displayFormat(), QStringLiteral("MM/dd/yyyy"));
        QCOMPARE(picker->date(), periodtest::kServerDate.date());
        QCOMPARE(picker->property("latestDate").toDate(), periodtest::kServerDate.date());
        QCOMPARE(picker->calendarWidget()->maximumDate(), periodtest::kServerDate.date());
    }
    QCOMPARE(child<QPushButton>(dialog, "cmdOK")->text(), QStringLiteral("&OK"));
    QCOMPARE(child<QPushButton>(dialog, "cmdCancel")->text(), QStringLiteral("&Cancel"));
    if (form == QLatin1String("frmAging")) {
        QCOMPARE(child<QGroupBox>(dialog, "Frame1")->title(), QStringLiteral("Aging Report Options"));
        const QStringList captions{"AR (With Positive Balances Only)", "Payable (With Negative Balances Only)",
                                   "All (at net)"};
        for (int i = 0; i < 3; ++i) {
            auto* option = child<QRadioButton>(dialog, QStringLiteral("optOptions_%1").arg(i));
            QCOMPARE(option->text(), captions[i]);
            QCOMPARE(option->isChecked(), i == 0);
        }
    }
    QCOMPARE(tabChain(int(tabs.size())), tabs);

    // Esc is Cancel: the dialog goes and nothing is run.
    QPointer<QWidget> watched = dialog;
    QTest::keyClick(child<QDateEdit>(dialog, "dtpPeriod_1"), Qt::Key_Escape);
    settle();
    QVERIFY(!watched);
    QVERIFY(m_session->trace().isEmpty());
}

void TestPeriodDialogs::captionsFollowTheReportType_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QStringList>("types");    // given one after the other to the open dialog
    QTest::addColumn<QStringList>("captions"); // the caption after each
    QTest::newRow("aging: detail, summary, back to detail, another")
        << "frmAging" << QStringList{"1", "2", "1", "7"}
        << QStringList{"Aging Detailed Report", "Aging Summary Report", "Aging Detailed Report", "AGING"};
    QTest::newRow("list of admissions, and an unknown type") << "frmReportPeriodOthers" << QStringList{"0", "3"}
                                                             << QStringList{"List of Admissions", ""};
    QTest::newRow("reports by period have no caption") << "frmReportPeriod" << QStringList{"3", "6"}
                                                       << QStringList{"", ""};
}

void TestPeriodDialogs::captionsFollowTheReportType()
{
    QFETCH(QString, form);
    QFETCH(QStringList, types);
    QFETCH(QStringList, captions);
    QWidget* first = nullptr;
    for (qsizetype i = 0; i < types.size(); ++i) {
        QWidget* dialog = m_registry->open(form, types[i]);
        if (!first) {
            first = dialog;
            // Shown again later, it keeps the period it was given.
            child<QDateEdit>(dialog, "dtpPeriod_0")->setDate(QDate(2026, 2, 3));
        }
        QCOMPARE(dialog, first);
        QCOMPARE(dialog->windowTitle(), captions[i]);
        QCOMPARE(child<QDateEdit>(dialog, "dtpPeriod_0")->date(), QDate(2026, 2, 3));
    }
}

void TestPeriodDialogs::periodCheck_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("from"); // typed key by key
    QTest::addColumn<QString>("to");
    QTest::addColumn<QStringList>("commands"); // empty: refused with "Invalid Report Period..."
    QTest::addColumn<QString>("viewer");
    QTest::newRow("equal dates are a period")
        << "frmReportPeriod" << "3" << "03/02/2026" << "03/02/2026"
        << QStringList{"REPORTS..sp_BILLING_RepAgingPayableRecompute '03/02/2026', '03/02/2026'"} << "Payable Aging";
    QTest::newRow("from after to") << "frmReportPeriod" << "4" << "03/03/2026" << "03/02/2026" << QStringList{} << "";
    QTest::newRow("aging, equal dates")
        << "frmAging" << "2" << "02/28/2026" << "02/28/2026"
        << QStringList{"REPORTS..sp_BILLING_RepAgingRecompute '02/28/2026', '02/28/2026', 'P'"} << "Aging Summary Report";
    QTest::newRow("aging, from after to") << "frmAging" << "1" << "02/02/2026" << "02/01/2026" << QStringList{} << "";
    QTest::newRow("admissions, equal dates")
        << "frmReportPeriodOthers" << "0" << "03/02/2026" << "03/02/2026" << QStringList{} << "List Of Admissions";
    QTest::newRow("admissions, from a year after to")
        << "frmReportPeriodOthers" << "0" << "03/01/2026" << "03/01/2025" << QStringList{} << "";
    QTest::newRow("adjustments of a month")
        << "frmReportPeriod" << "6" << "02/01/2026" << "02/28/2026" << QStringList{} << "Daily Adjustment Report";
}

void TestPeriodDialogs::periodCheck()
{
    QFETCH(QString, form);
    QFETCH(QString, type);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QStringList, commands);
    QFETCH(QString, viewer);
    QPointer<QWidget> dialog = open(form, type);
    auto* fromPicker = child<QDateEdit>(dialog, "dtpPeriod_0");
    auto* toPicker = child<QDateEdit>(dialog, "dtpPeriod_1");
    periodtest::typeDate(fromPicker, from);
    periodtest::typeDate(toPicker, to);
    QCOMPARE(fromPicker->text(), from);
    QCOMPARE(toPicker->text(), to);

    QString message;
    periodtest::ModalHandler answer([&](QDialog* box) {
        if (auto* messageBox = qobject_cast<QMessageBox*>(box))
            message = messageBox->text();
        box->accept();
    });
    click(dialog, "cmdOK");
    settle();
    if (viewer.isEmpty()) {
        QVERIFY(answer.fired());
        QCOMPARE(message, QStringLiteral("Invalid Report Period..."));
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(fromPicker->text(), from);
        QCOMPARE(toPicker->text(), to);
        QVERIFY(m_session->trace().isEmpty());
        QVERIFY(m_session->viewers().isEmpty());
        return;
    }
    QVERIFY2(!answer.fired(), qPrintable(message));
    QVERIFY(!dialog);
    QCOMPARE(m_session->trace(), commands);
    QCOMPARE(viewerCaptions(), QStringList{viewer});
}

// The pickers stop at the server's day; the check stops at the workstation's. A server whose
// clock runs ahead offers a day that has not come here yet, and OK refuses it.
void TestPeriodDialogs::toAfterTodayIsRefusedThoughThePickerOffersIt()
{
    const QDate today = QDate::currentDate();
    logIn(periodtest::demoFolder(), QDateTime(today.addDays(3), QTime(8, 0)));
    for (const auto& [form, type] : {std::pair{"frmReportPeriod", "3"}, std::pair{"frmAging", "1"},
                                     std::pair{"frmReportPeriodOthers", "0"}}) {
        QPointer<QWidget> dialog = open(QLatin1String(form), QLatin1String(type));
        auto* toPicker = child<QDateEdit>(dialog, "dtpPeriod_1");
        child<QDateEdit>(dialog, "dtpPeriod_0")->setDate(today.addDays(-5));
        toPicker->setDate(today.addDays(1));
        QCOMPARE(toPicker->date(), today.addDays(1)); // offered: not after the server's day
        QString message;
        periodtest::ModalHandler answer([&](QDialog* box) {
            message = static_cast<QMessageBox*>(box)->text();
            box->accept();
        });
        click(dialog, "cmdOK");
        settle();
        QVERIFY2(answer.fired(), form);
        QCOMPARE(message, QStringLiteral("Invalid Report Period..."));
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(m_session->trace().isEmpty());
        dialog->close();
        settle();
    }
}

void TestPeriodDialogs::enterInAPickerMovesOnAsTabDoes_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("option");       // the aging's option chosen first, or -1
    QTest::addColumn<QStringList>("focus"); // after each Enter, from the from-date picker
    QTest::newRow("aging: Enter goes from date to date to the chosen option")
        << "frmAging" << "1" << 2 << QStringList{"dtpPeriod_1", "optOptions_2"};
    QTest::newRow("aging, receivables") << "frmAging" << "2" << -1 << QStringList{"dtpPeriod_1", "optOptions_0"};
    QTest::newRow("reports by period: from date to date to OK")
        << "frmReportPeriod" << "3" << -1 << QStringList{"dtpPeriod_1", "cmdOK"};
}

void TestPeriodDialogs::enterInAPickerMovesOnAsTabDoes()
{
    QFETCH(QString, form);
    QFETCH(QString, type);
    QFETCH(int, option);
    QFETCH(QStringList, focus);
    QPointer<QWidget> dialog = open(form, type);
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    if (option >= 0)
        child<QRadioButton>(dialog, QStringLiteral("optOptions_%1").arg(option))->setChecked(true);
    child<QDateEdit>(dialog, "dtpPeriod_0")->setFocus();
    for (const QString& expected : focus) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        settle();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(QApplication::focusWidget()->objectName(), expected);
    }
    QVERIFY(m_session->trace().isEmpty());
    // On OK, Enter runs the report; on the chosen option too (OK is the default button).
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    settle();
    QVERIFY(!dialog);
    QCOMPARE(m_session->trace().size(), 1);
    QCOMPARE(m_session->viewers().size(), 1);
}

void TestPeriodDialogs::agingSendsTheClassOfItsOptions_data()
{
    QTest::addColumn<int>("option"); // -1: none touched
    QTest::addColumn<QString>("letter");
    QTest::newRow("no option touched: receivables") << -1 << "P";
    QTest::newRow("payables") << 1 << "N";
    QTest::newRow("all at net") << 2 << "A";
    QTest::newRow("receivables chosen again") << 0 << "P";
}

void TestPeriodDialogs::agingSendsTheClassOfItsOptions()
{
    QFETCH(int, option);
    QFETCH(QString, letter);
    QPointer<QWidget> dialog = open(QStringLiteral("frmAging"), QStringLiteral("1"));
    child<QDateEdit>(dialog, "dtpPeriod_0")->setDate(periodtest::kFirst);
    child<QDateEdit>(dialog, "dtpPeriod_1")->setDate(periodtest::kLast);
    if (option >= 0) {
        if (option == 0)
            child<QRadioButton>(dialog, "optOptions_2")->setChecked(true);
        auto* button = child<QRadioButton>(dialog, QStringLiteral("optOptions_%1").arg(option));
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    click(dialog, "cmdOK");
    settle();
    QVERIFY(!dialog);
    QCOMPARE(m_session->trace(),
             QStringList{QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '02/01/2026', '02/28/2026', '%1'").arg(letter)});
    QCOMPARE(viewerCaptions(), QStringList{"Aging Detailed Report"});
}

void TestPeriodDialogs::aReportTypeWithoutAReportLeavesTheDialogOpen()
{
    for (const auto& [form, type] : {std::pair{"frmReportPeriod", "5"}, std::pair{"frmAging", "0"},
                                     std::pair{"frmReportPeriodOthers", "1"}}) {
        QPointer<QWidget> dialog = open(QLatin1String(form), QLatin1String(type));
        periodtest::ModalHandler unexpected([](QDialog* box) { box->reject(); });
        click(dialog, "cmdOK");
        settle();
        QVERIFY2(!unexpected.fired(), form);
        QVERIFY2(dialog && dialog->isVisible(), form);
        QVERIFY(!QApplication::overrideCursor());
    }
    QVERIFY(m_session->trace().isEmpty());
    QVERIFY(m_session->viewers().isEmpty());
}

void TestPeriodDialogs::aFailureIsShownAndTheDialogKeepsItsValues()
{
    m_session->spoilReport(QStringLiteral("PayableComputation.rpt"));
    QPointer<QWidget> dialog = open(QStringLiteral("frmReportPeriod"), QStringLiteral("4"));
    child<QDateEdit>(dialog, "dtpPeriod_0")->setDate(periodtest::kFirst);
    child<QDateEdit>(dialog, "dtpPeriod_1")->setDate(periodtest::kLast);
    QString message;
    bool progressGone = false;
    bool cursorRestored = false;
    periodtest::ModalHandler answer([&](QDialog* box) {
        message = static_cast<QMessageBox*>(box)->text();
        progressGone = !frmAnimate::instance() || !frmAnimate::instance()->isVisible();
        cursorRestored = !QApplication::overrideCursor();
        box->accept();
    });
    click(dialog, "cmdOK");
    settle();
    QVERIFY(answer.fired());
    QVERIFY2(message.contains(QStringLiteral("PayableComputation.rpt")), qPrintable(message));
    QVERIFY2(progressGone, "the progress window was still up behind the message");
    QVERIFY(cursorRestored);
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(child<QDateEdit>(dialog, "dtpPeriod_0")->date(), periodtest::kFirst);
    QCOMPARE(child<QDateEdit>(dialog, "dtpPeriod_1")->date(), periodtest::kLast);
    QVERIFY(m_session->viewers().isEmpty());
}

void TestPeriodDialogs::auditTrailContract_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("boxes"); // "name caption", top to bottom
    QTest::newRow("daily") << "frmAuditTrail" << "Report Date:" << "MM/dd/yyyy"
                           << QStringList{"chkDetail &Detail", "chkSumAR Summary by &A/R", "chkSumGL Summary by &G/L"};
    QTest::newRow("monthly") << "frmAuditTrailMonthly" << "Report Month:" << "MM/yyyy"
                             << QStringList{"chkDetail &A/R General Ledger - Detail",
                                            "chkSumGL A/R General Ledger - Summary Per GL",
                                            "chkSumAR A/R General Ledger - Summary Per A/R",
                                            "chkBreakDown Breakdown of Departmental Revenue"};
}

void TestPeriodDialogs::auditTrailContract()
{
    QFETCH(QString, form);
    QFETCH(QString, label);
    QFETCH(QString, format);
    QFETCH(QStringList, boxes);
    QWidget* dialog = open(form, {});
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Audit Trail"));
    QVERIFY(!dialog->isModal());
    QCOMPARE(child<QLabel>(dialog, "Label1")->text(), label);
    auto* picker = child<QDateEdit>(dialog, "dtpReportDate");
    QCOMPARE(picker->displayFormat(), format);
    QCOMPARE(picker->date(), periodtest::kServerDate.date());
    QCOMPARE(picker->calendarWidget()->maximumDate(), periodtest::kServerDate.date());
    int lastY = -1;
    for (const QString& box : boxes) {
        auto* check = child<QCheckBox>(dialog, box.section(u' ', 0, 0));
        QCOMPARE(check->text(), box.section(u' ', 1));
        QVERIFY(check->isChecked());
        QVERIFY2(check->y() > lastY, qPrintable(box)); // top to bottom
        lastY = check->y();
    }
    QCOMPARE(child<QPushButton>(dialog, "cmdView")->text(), QStringLiteral("&View"));
    QCOMPARE(child<QPushButton>(dialog, "cmdClose")->text(), QStringLiteral("&Close"));
    if (form == QLatin1String("frmAuditTrail")) {
        const QStringList captions{"In Patients", "Out Patients", "All Patients"};
        for (int i = 0; i < 3; ++i) {
            auto* option = child<QRadioButton>(dialog, QStringLiteral("optPatientType_%1").arg(i));
            QCOMPARE(option->text(), captions[i]);
            QCOMPARE(option->isChecked(), i == 0);
        }
        QCOMPARE(child<QGroupBox>(dialog, "Frame1")->title(), QString());
    }
    // Shown again while open: the same window with its choices.
    child<QCheckBox>(dialog, "chkDetail")->setChecked(false);
    QCOMPARE(m_registry->open(form), dialog);
    QVERIFY(!child<QCheckBox>(dialog, "chkDetail")->isChecked());
    // Esc is Close.
    QPointer<QWidget> watched = dialog;
    QTest::keyClick(picker, Qt::Key_Escape);
    settle();
    QVERIFY(!watched);
    QVERIFY(m_session->viewers().isEmpty());
}

void TestPeriodDialogs::viewProducesTheTickedReportsAndCloses_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("patients");     // the daily option chosen, -1 none touched
    QTest::addColumn<QStringList>("untick");
    QTest::addColumn<QStringList>("viewers");
    QTest::newRow("daily, everything as it opens, Enter for View")
        << "frmAuditTrail" << QDate(2026, 3, 9) << -1 << QStringList{}
        << QStringList{"Daily Audit Trail - Detail", "Daily Audit Trail - Summary by AR",
                       "Daily Audit Trail - Summary by GL"};
    QTest::newRow("daily, out-patients, the A/R summary only")
        << "frmAuditTrail" << QDate(2026, 3, 9) << 1 << QStringList{"chkDetail", "chkSumGL"}
        << QStringList{"Daily Audit Trail - Summary by AR"};
    QTest::newRow("monthly, every report")
        << "frmAuditTrailMonthly" << QDate(2026, 2, 10) << -1 << QStringList{}
        << QStringList{"A/R General Ledger Entries - Detail", "A/R General Ledger Entries - Summary by A/R",
                       "A/R General Ledger Entries - Summany by GL", "Breakdown Of Departmental Revenue"};
    QTest::newRow("monthly, nothing ticked: nothing, and the dialog closes")
        << "frmAuditTrailMonthly" << QDate(2026, 2, 10) << -1
        << QStringList{"chkDetail", "chkSumAR", "chkSumGL", "chkBreakDown"} << QStringList{};
}

void TestPeriodDialogs::viewProducesTheTickedReportsAndCloses()
{
    QFETCH(QString, form);
    QFETCH(QDate, date);
    QFETCH(int, patients);
    QFETCH(QStringList, untick);
    QFETCH(QStringList, viewers);
    QPointer<QWidget> dialog = open(form, {});
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    auto* picker = child<QDateEdit>(dialog, "dtpReportDate");
    picker->setDate(date);
    if (patients >= 0)
        child<QRadioButton>(dialog, QStringLiteral("optPatientType_%1").arg(patients))->setChecked(true);
    for (const QString& name : untick)
        child<QCheckBox>(dialog, name)->setChecked(false);
    if (untick.isEmpty() && patients < 0) {
        picker->setFocus();
        QTest::keyClick(picker, Qt::Key_Return);
    } else {
        click(dialog, "cmdView");
    }
    settle();
    QVERIFY(!dialog);
    QCOMPARE(viewerCaptions(), viewers);
    QVERIFY(m_session->trace().isEmpty());
}

void TestPeriodDialogs::auditTrailFailureKeepsTheDialogAndItsChoices()
{
    m_session->spoilReport(QStringLiteral("DailyAuditSummaryByAR.rpt"));
    QPointer<QWidget> dialog = open(QStringLiteral("frmAuditTrail"), {});
    child<QDateEdit>(dialog, "dtpReportDate")->setDate(QDate(2026, 3, 9));
    child<QRadioButton>(dialog, "optPatientType_2")->setChecked(true);
    QString message;
    bool restored = false;
    periodtest::ModalHandler answer([&](QDialog* box) {
        message = static_cast<QMessageBox*>(box)->text();
        restored = !QApplication::overrideCursor() && (!frmAnimate::instance() || !frmAnimate::instance()->isVisible());
        box->accept();
    });
    click(dialog, "cmdView");
    settle();
    QVERIFY(answer.fired());
    QVERIFY2(message.contains(QStringLiteral("DailyAuditSummaryByAR.rpt")), qPrintable(message));
    QVERIFY(restored);
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(viewerCaptions(), QStringList{"Daily Audit Trail - Detail"});
    QVERIFY(child<QRadioButton>(dialog, "optPatientType_2")->isChecked());
    for (const char* name : {"chkDetail", "chkSumAR", "chkSumGL"})
        QVERIFY(child<QCheckBox>(dialog, QLatin1String(name))->isChecked());
    QCOMPARE(child<QDateEdit>(dialog, "dtpReportDate")->date(), QDate(2026, 3, 9));
}

// The README's pictures: each dialog, and the aging summary and the breakdown as their dialogs
// show them, from a bigger hospital when one is named (a copy: the procedures write).
void TestPeriodDialogs::screenshots()
{
    const QString folder = qEnvironmentVariable("TARVIK_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("TARVIK_SCREENSHOT_DIR names no folder");
    QDate month = periodtest::kFirst;
    const QString data = qEnvironmentVariable("TARVIK_SCREENSHOT_DATA");
    if (!data.isEmpty()) {
        const QDateTime server = QDateTime::fromString(qEnvironmentVariable("TARVIK_SCREENSHOT_CLOCK"), Qt::ISODate);
        QVERIFY2(server.isValid(), "TARVIK_SCREENSHOT_CLOCK: the data's server clock, yyyy-mm-ddThh:mm:ss");
        logIn(data, server);
        month = firstDayOfMonth(server.date()).addMonths(-1);
    }
    const auto grab = [&](QWidget* w, const QString& name) {
        w->adjustSize();
        QTest::qWait(100);
        QVERIFY(w->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
    };
    const struct
    {
        const char* form;
        const char* type;
    } dialogs[] = {{"frmReportPeriod", "3"}, {"frmAging", "2"}, {"frmReportPeriodOthers", "0"},
                   {"frmAuditTrail", nullptr}, {"frmAuditTrailMonthly", nullptr}};
    for (const auto& d : dialogs) {
        QWidget* dialog = open(QLatin1String(d.form), d.type ? QLatin1String(d.type) : QString());
        if (auto* from = dialog->findChild<QDateEdit*>(QStringLiteral("dtpPeriod_0")))
            from->setDate(month);
        if (auto* to = dialog->findChild<QDateEdit*>(QStringLiteral("dtpPeriod_1")))
            to->setDate(lastDayOfMonth(month));
        if (QLatin1String(d.form) == QLatin1String("frmAging"))
            child<QRadioButton>(dialog, "optOptions_2")->setChecked(true);
        grab(dialog, QLatin1String(d.form));
        dialog->close();
        settle();
    }

    // The aging summary of all accounts at net, and the breakdown of the month's revenue.
    QVERIFY(yearly::runAging({month, lastDayOfMonth(month), QStringLiteral("2"), QStringLiteral("A")}));
    yearly::AuditTrailMonthlyInput in{month, {false, false, false, true}};
    QVERIFY(yearly::runAuditTrailMonthly(in).ok());
    m_session->frame()->resize(1200, 900);
    const QStringList names{"viewer-aging-summary-all-at-net", "viewer-breakdown-with-doctors"};
    const auto shown = m_session->viewers();
    QCOMPARE(shown.size(), 2);
    for (int i = 0; i < 2; ++i) {
        auto* window = qobject_cast<QWidget*>(shown[i]->parent());
        window->showMaximized();
        m_session->frame()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window));
        QTRY_VERIFY_WITH_TIMEOUT(shown[i]->CRViewer1->isLayoutComplete(), 120000);
        if (i == 1) // the breakdown's own parts: the physicians' fees, then the summary
            QVERIFY(shown[i]->CRViewer1->findNext(QStringLiteral("Professional fees by physician")));
        QTest::qWait(300);
        QVERIFY(window->grab().save(folder + QLatin1Char('/') + names[i] + QStringLiteral(".png")));
    }
}

QTEST_MAIN(TestPeriodDialogs)
#include "test_period_dialogs.moc"
