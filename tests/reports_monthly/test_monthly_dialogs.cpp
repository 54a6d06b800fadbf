// The two month-end dialogs as a user meets them: their controls by name, keys, months typed
// key by key, the server's month as the limit, the batch's boxes, and what happens on success
// and on failure.

#include "DialogControls.h"
#include "fixture.h"

#include "DialogRegistry.h"
#include "RegisterMonthlyDialogs.h"
#include "ReportOperations.h"
#include "Session.h"
#include "frmAnimate.h"
#include "frmReportAfterEOM.h"
#include "frmReportMonth.h"
#include "frmReportViewer.h"
#include "mdiReportForm.h"

#include <QAction>
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
#include <QToolBar>

using namespace tarvik;

namespace {

using tarvik::testsupport::child;
using tarvik::testsupport::settle;

void tick(QWidget* dialog, std::initializer_list<int> boxes)
{
    for (int box : boxes)
        child<QCheckBox>(dialog, QStringLiteral("chkOption_%1").arg(box))->setChecked(true);
}

const QStringList kBoxCaptions{
    "Monthly Laboratory Report",       "Monthly X-Ray Report",
    "Monthly Ultrasound Report",       "Monthly Operating Room Report",
    "Monthly Physical Therapy Report", "Monthly RTS Report",
    "Monthly CT-Scan Report",          "Monthly Delivery Room Report",
    "Laboratory Package Deal",         "Monthly Hemodialysis Report",
    "Aging (Computation)",             "Monthly Apparatus Report",
    "Aging (Detailed)",                "A/R General Ledger - Summary",
    "Breakdown of Departmental Revenue", "&A/R General Ledger - Detail",
    "Payable Aging (Computation)",     "Payable Aging (Detailed)",
};

} // namespace

class TestMonthlyDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void reportMonthCaptions_data();
    void reportMonthCaptions();
    void reportMonthContract();
    void reportMonthEnterRunsAndEscCloses();
    void monthsTypedKeyByKey_data();
    void monthsTypedKeyByKey();
    void reportMonthFailureShowsItAndKeepsTheMonth();

    void afterEndOfMonthContract();
    void toolbarOpensTheBatchModelessAndOnce();
    void selectAllThenUntickEveryBox();
    void printWithNothingTickedCloses();
    void errorInTheFifthReportKeepsTheDialogAndItsChoices();

    void screenshots();

private:
    std::unique_ptr<monthlytest::Session> m_session;
    std::unique_ptr<shell::DialogRegistry> m_registry;
};

void TestMonthlyDialogs::initTestCase()
{
    monthlytest::demoFolder();
}

void TestMonthlyDialogs::init()
{
    m_session = std::make_unique<monthlytest::Session>(monthlytest::demoFolder());
    m_session->clearTrace();
    m_registry = std::make_unique<shell::DialogRegistry>();
    monthly::registerMonthlyDialogs(*m_registry);
}

void TestMonthlyDialogs::cleanup()
{
    m_registry->closeAll();
    settle();
    m_registry.reset();
    m_session.reset();
    QVERIFY2(!QApplication::overrideCursor(), "the hourglass was left on");
}

void TestMonthlyDialogs::reportMonthCaptions_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("caption");
    QTest::newRow("3, the operating room") << "3" << "Monthly Operating Room Summary Report";
    QTest::newRow("7, the delivery room") << "7" << "Monthly Delivery Room Summary Report";
    QTest::newRow("unknown keeps the designed caption") << "8" << "Monthly Report";
}

void TestMonthlyDialogs::reportMonthCaptions()
{
    QFETCH(QString, type);
    QFETCH(QString, caption);
    QCOMPARE(m_registry->open(QStringLiteral("frmReportMonth"), type)->windowTitle(), caption);
}

void TestMonthlyDialogs::reportMonthContract()
{
    QWidget* dialog = m_registry->open(QStringLiteral("frmReportMonth"), QStringLiteral("3"));
    QCOMPARE(dialog->objectName(), QStringLiteral("frmReportMonth"));
    QVERIFY(!dialog->isModal());
    QCOMPARE(child<QLabel>(dialog, "Label1")->text(), QStringLiteral("Report Month"));
    auto* picker = child<QDateEdit>(dialog, "dtpReportDate");
    QCOMPARE(picker->displayFormat(), QStringLiteral("MM/yyyy"));
    QCOMPARE(picker->date(), monthlytest::kServerDate.date());
    QCOMPARE(picker->property("latestDate").toDate(), monthlytest::kServerDate.date());
    QCOMPARE(picker->calendarWidget()->maximumDate(), monthlytest::kServerDate.date());
    auto* ok = child<QPushButton>(dialog, "cmdOptions_0");
    QCOMPARE(ok->text(), QStringLiteral("&OK"));
    QVERIFY(ok->isDefault());
    QCOMPARE(child<QPushButton>(dialog, "cmdOptions_1")->text(), QStringLiteral("&Cancel"));
    // Opened again from another item: the same window, the new department.
    QCOMPARE(m_registry->open(QStringLiteral("frmReportMonth"), QStringLiteral("6")), dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Monthly CT Scan Summary Report"));
}

void TestMonthlyDialogs::reportMonthEnterRunsAndEscCloses()
{
    QPointer<QWidget> dialog = m_registry->open(QStringLiteral("frmReportMonth"), QStringLiteral("3"));
    QTest::keyClick(child<QDateEdit>(dialog, "dtpReportDate"), Qt::Key_Escape);
    settle();
    QVERIFY(!dialog);
    QVERIFY(m_session->trace().isEmpty());

    dialog = m_registry->open(QStringLiteral("frmReportMonth"), QStringLiteral("3"));
    auto* picker = child<QDateEdit>(dialog, "dtpReportDate");
    picker->setDate(QDate(2026, 2, 11));
    picker->setFocus();
    QTest::keyClick(picker, Qt::Key_Return);
    settle();
    QVERIFY(!dialog);
    QCOMPARE(m_session->trace(),
             QStringList{"Reports..sp_Rep_MonthlyREcompute '02/01/2026', '02/28/2026', 'OR', 'N'"});
    QCOMPARE(m_session->viewers().size(), 1);
    QCOMPARE(m_session->viewers()[0]->windowTitle(), QStringLiteral("Monthly Operating Room Summary Report: Feb,2026"));
    QVERIFY(!frmAnimate::instance());
}

void TestMonthlyDialogs::monthsTypedKeyByKey_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QDate>("start");   // the picker's date before typing (invalid: as loaded)
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("sent");  // the month the report is run for, or "" when refused
    const QString refused;
    QTest::newRow("MM/yyyy, a leap February") << "frmReportMonth" << QDate() << "02/2024" << "'02/01/2024', '02/29/2024'";
    QTest::newRow("MM/yyyy, December") << "frmReportMonth" << QDate() << "12/2025" << "'12/01/2025', '12/31/2025'";
    QTest::newRow("MM/yyyy, the server's month from the 31st of another")
        << "frmReportMonth" << QDate(2026, 1, 31) << "03/2026" << "'03/01/2026', '03/31/2026'";
    QTest::newRow("MM/yyyy, a month after the server's") << "frmReportMonth" << QDate() << "04/2026" << refused;
    QTest::newRow("yyyy/MM, a leap February") << "frmReportAfterEOM" << QDate() << "2024/02"
                                              << "'02/01/2024', '02/29/2024'";
    QTest::newRow("yyyy/MM, December") << "frmReportAfterEOM" << QDate() << "2025/12" << "'12/01/2025', '12/31/2025'";
    QTest::newRow("yyyy/MM, a month after the server's") << "frmReportAfterEOM" << QDate() << "2026/04" << refused;
    QTest::newRow("yyyy/MM, a year after the server's") << "frmReportAfterEOM" << QDate() << "2027/01" << refused;
}

void TestMonthlyDialogs::monthsTypedKeyByKey()
{
    QFETCH(QString, form);
    QFETCH(QDate, start);
    QFETCH(QString, keys);
    QFETCH(QString, sent);
    const bool batch = form == QLatin1String("frmReportAfterEOM");
    QPointer<QWidget> dialog = m_registry->open(form, batch ? std::nullopt : std::optional<QString>(QStringLiteral("0")));
    auto* picker = child<QDateEdit>(dialog, batch ? "dtpReportMonth" : "dtpReportDate");
    if (start.isValid())
        picker->setDate(start);
    monthlytest::typeDate(picker, keys);
    QCOMPARE(picker->text(), keys);
    if (batch)
        tick(dialog, {12});

    QString message;
    monthlytest::ModalHandler answer([&](QDialog* box) {
        if (auto* messageBox = qobject_cast<QMessageBox*>(box))
            message = messageBox->text();
        box->accept();
    });
    QTest::mouseClick(child<QPushButton>(dialog, batch ? "cmdOK_1" : "cmdOptions_0"), Qt::LeftButton);
    settle();
    if (sent.isEmpty()) {
        QVERIFY(answer.fired());
        QVERIFY2(message.contains(QStringLiteral("is after the server's date")), qPrintable(message));
        QVERIFY(message.contains(keys));
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(picker->text(), keys);
        QVERIFY(m_session->trace().isEmpty());
        return;
    }
    QVERIFY2(!answer.fired(), qPrintable(message));
    QVERIFY(!dialog);
    const QString expected = batch ? QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute ") + sent
                                   : QStringLiteral("Reports..sp_Rep_MonthlyREcompute ") + sent + QStringLiteral(", 'LB', 'N'");
    QCOMPARE(m_session->trace(), QStringList{expected});
}

void TestMonthlyDialogs::reportMonthFailureShowsItAndKeepsTheMonth()
{
    monthlytest::spoil(m_session->reportFolder(), QStringLiteral("rptMonthlyReport.rpt"));
    QPointer<QWidget> dialog = m_registry->open(QStringLiteral("frmReportMonth"), QStringLiteral("1"));
    child<QDateEdit>(dialog, "dtpReportDate")->setDate(QDate(2026, 1, 20));
    QString message;
    bool progressGone = false;
    bool cursorRestored = false;
    monthlytest::ModalHandler answer([&](QDialog* box) {
        message = static_cast<QMessageBox*>(box)->text();
        progressGone = !frmAnimate::instance() || !frmAnimate::instance()->isVisible();
        cursorRestored = !QApplication::overrideCursor();
        box->accept();
    });
    QTest::mouseClick(child<QPushButton>(dialog, "cmdOptions_0"), Qt::LeftButton);
    settle();
    QVERIFY(answer.fired());
    QVERIFY2(message.contains(QStringLiteral("rptMonthlyReport.rpt")), qPrintable(message));
    QVERIFY2(progressGone, "the progress window was still up behind the message");
    QVERIFY(cursorRestored);
    QVERIFY(!frmAnimate::instance());
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(child<QDateEdit>(dialog, "dtpReportDate")->date(), QDate(2026, 1, 20));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Monthly X-Ray Summary Report"));
    QVERIFY(m_session->viewers().isEmpty());
}

void TestMonthlyDialogs::afterEndOfMonthContract()
{
    QWidget* dialog = m_registry->open(QStringLiteral("frmReportAfterEOM"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("End of Month (After EOM)"));
    QVERIFY(!dialog->isModal());
    for (const char* name : {"Label2_0", "Label2_1"})
        QCOMPARE(child<QLabel>(dialog, name)->text(), QStringLiteral("End of Month (After EOM)"));
    QCOMPARE(child<QLabel>(dialog, "Label1")->text(), QStringLiteral("Report Month"));
    auto* picker = child<QDateEdit>(dialog, "dtpReportMonth");
    QCOMPARE(picker->displayFormat(), QStringLiteral("yyyy/MM"));
    QCOMPARE(picker->date(), QDate(2026, 3, 1)); // the first day of the server's month
    QCOMPARE(picker->property("latestDate").toDate(), monthlytest::kServerDate.date());
    QCOMPARE(picker->calendarWidget()->maximumDate(), monthlytest::kServerDate.date());
    for (int i = 0; i < 18; ++i) {
        auto* box = child<QCheckBox>(dialog, QStringLiteral("chkOption_%1").arg(i));
        QVERIFY(box);
        QCOMPARE(box->text(), kBoxCaptions.at(i));
        QVERIFY(!box->isChecked());
    }
    QCOMPARE(child<QPushButton>(dialog, "cmdSelectAll")->text(), QStringLiteral("&Select All"));
    QCOMPARE(child<QPushButton>(dialog, "cmdOK_0")->text(), QStringLiteral("&Print"));
    QCOMPARE(child<QPushButton>(dialog, "cmdOK_1")->text(), QStringLiteral("&View"));
    QCOMPARE(child<QPushButton>(dialog, "cmdCancel")->text(), QStringLiteral("&Close"));
    QCOMPARE(dialog->pos(), QPoint(1, 7)); // 10 and 100 twips
    // No button answers Enter; Esc closes.
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
    QPointer<QWidget> watched = dialog;
    QTest::keyClick(picker, Qt::Key_Escape);
    settle();
    QVERIFY(!watched);
}

void TestMonthlyDialogs::toolbarOpensTheBatchModelessAndOnce()
{
    shell::mdiReportForm frame(*m_registry);
    frame.show();
    auto* toolbar = frame.findChild<QToolBar*>(QStringLiteral("Toolbar1"));
    QVERIFY(toolbar);
    toolbar->findChild<QAction*>(QStringLiteral("AfterEOM"))->trigger();
    QWidget* dialog = m_registry->instance(QStringLiteral("frmReportAfterEOM"));
    QVERIFY(dialog && dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QVERIFY(qobject_cast<monthly::frmReportAfterEOM*>(dialog));
    tick(dialog, {5});
    toolbar->findChild<QAction*>(QStringLiteral("AfterEOM"))->trigger();
    QCOMPARE(m_registry->instance(QStringLiteral("frmReportAfterEOM")), dialog);
    QVERIFY(child<QCheckBox>(dialog, "chkOption_5")->isChecked()); // not loaded again
    m_registry->closeAll();
    settle();
}

void TestMonthlyDialogs::selectAllThenUntickEveryBox()
{
    auto* dialog = static_cast<monthly::frmReportAfterEOM*>(m_registry->open(QStringLiteral("frmReportAfterEOM")));
    auto* print = child<QPushButton>(dialog, "cmdOK_0");
    auto* view = child<QPushButton>(dialog, "cmdOK_1");
    QTest::mouseClick(child<QPushButton>(dialog, "cmdSelectAll"), Qt::LeftButton);
    QCOMPARE(dialog->tickedCount(), 18);
    QVERIFY(print->isEnabled() && view->isEnabled());
    QTest::mouseClick(child<QPushButton>(dialog, "cmdSelectAll"), Qt::LeftButton);
    QCOMPARE(dialog->tickedCount(), 18);
    for (int i = 17; i >= 0; --i) {
        QVERIFY2(print->isEnabled() && view->isEnabled(), "enabled while a box is still ticked");
        QCheckBox* box = dialog->chkOption[size_t(i)];
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        QVERIFY(!box->isChecked());
    }
    QCOMPARE(dialog->tickedCount(), 0);
    QVERIFY(!print->isEnabled() && !view->isEnabled());
    QCheckBox* box = dialog->chkOption[8];
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    QCOMPARE(dialog->tickedCount(), 1);
    QVERIFY(print->isEnabled() && view->isEnabled());
}

void TestMonthlyDialogs::printWithNothingTickedCloses()
{
    QPointer<QWidget> dialog = m_registry->open(QStringLiteral("frmReportAfterEOM"));
    QTest::mouseClick(child<QPushButton>(dialog, "cmdOK_0"), Qt::LeftButton);
    settle();
    QVERIFY(!dialog);
    QVERIFY(m_session->trace().isEmpty());
    QVERIFY(m_session->viewers().isEmpty());
}

void TestMonthlyDialogs::errorInTheFifthReportKeepsTheDialogAndItsChoices()
{
    monthlytest::spoil(m_session->reportFolder(), QStringLiteral("Aging.rpt"));
    QPointer<QWidget> dialog = m_registry->open(QStringLiteral("frmReportAfterEOM"));
    auto* picker = child<QDateEdit>(dialog, "dtpReportMonth");
    picker->setDate(QDate(2026, 2, 1));
    const QList<int> ticked{0, 3, 8, 11, 12, 10, 15, 9};
    for (int box : ticked)
        tick(dialog, {box});
    QString message;
    bool restored = false;
    monthlytest::ModalHandler answer([&](QDialog* box) {
        message = static_cast<QMessageBox*>(box)->text();
        restored = !QApplication::overrideCursor() && (!frmAnimate::instance() || !frmAnimate::instance()->isVisible());
        box->accept();
    });
    QTest::mouseClick(child<QPushButton>(dialog, "cmdOK_1"), Qt::LeftButton);
    settle();
    QVERIFY(answer.fired());
    QVERIFY2(message.contains(QStringLiteral("Aging.rpt")), qPrintable(message));
    QVERIFY(restored);
    QVERIFY(dialog && dialog->isVisible());
    for (int i = 0; i < 18; ++i)
        QCOMPARE(child<QCheckBox>(dialog, QStringLiteral("chkOption_%1").arg(i))->isChecked(), ticked.contains(i));
    QCOMPARE(picker->date(), QDate(2026, 2, 1));
    QStringList titles;
    for (auto* viewer : m_session->viewers())
        titles << viewer->windowTitle();
    QCOMPARE(titles, (QStringList{"Monthly Laboratory Summary Report: Feb,2026",
                                  "Monthly Operating Room Summary Report: Feb,2026",
                                  "Month Laboratory Package Deal Report", "Monthly Apparatus Report: Feb,2026"}));
    QCOMPARE(m_session->trace().last(),
             QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '02/01/2026', '02/28/2026'"));
}

void TestMonthlyDialogs::screenshots()
{
    const QString folder = qEnvironmentVariable("TARVIK_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("TARVIK_SCREENSHOT_DIR names no folder");
    // The README's pictures come from a bigger hospital when one is named (a copy: the
    // procedures write), with the month before its server's.
    QDate month = monthlytest::kMonth;
    const QString data = qEnvironmentVariable("TARVIK_SCREENSHOT_DATA");
    if (!data.isEmpty()) {
        const QDateTime server = QDateTime::fromString(qEnvironmentVariable("TARVIK_SCREENSHOT_CLOCK"), Qt::ISODate);
        QVERIFY2(server.isValid(), "TARVIK_SCREENSHOT_CLOCK: the data's server clock, yyyy-mm-ddThh:mm:ss");
        m_registry->closeAll();
        settle();
        m_session.reset();
        m_session = std::make_unique<monthlytest::Session>(data, server);
        month = firstDayOfMonth(server.date()).addMonths(-1);
    }
    QWidget* monthly = m_registry->open(QStringLiteral("frmReportMonth"), QStringLiteral("3"));
    QTest::qWait(100);
    QVERIFY(monthly->grab().save(folder + QStringLiteral("/frmReportMonth.png")));
    monthly->close();
    QWidget* batch = m_registry->open(QStringLiteral("frmReportAfterEOM"));
    tick(batch, {0, 8, 12, 10, 15, 14});
    QTest::qWait(100);
    QVERIFY(batch->grab().save(folder + QStringLiteral("/frmReportAfterEOM.png")));
    batch->close();
    settle();

    monthly::AfterEndOfMonthInput in;
    in.date = month;
    for (int box : {10, 15, 14})
        in.ticked[size_t(box)] = true;
    QVERIFY(monthly::runAfterEndOfMonth(in).ok());
    m_session->frame()->resize(1200, 900);
    const QStringList names{"viewer-aging-computation", "viewer-ledger-entries", "viewer-revenue-breakdown"};
    const auto viewers = m_session->viewers();
    QCOMPARE(viewers.size(), 3);
    for (int i = 0; i < 3; ++i) {
        auto* window = qobject_cast<QWidget*>(viewers[i]->parent());
        window->showMaximized();
        m_session->frame()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window));
        QTRY_VERIFY_WITH_TIMEOUT(viewers[i]->CRViewer1->isLayoutComplete(), 60000);
        QTest::qWait(300);
        QVERIFY(window->grab().save(folder + QLatin1Char('/') + names[i] + QStringLiteral(".png")));
    }
}

QTEST_MAIN(TestMonthlyDialogs)
#include "test_monthly_dialogs.moc"
