// The four end-of-day dialogs as a user meets them: their controls by name, keys, the date
// limit, the batch's boxes, and what happens on success and on failure.

#include "DialogControls.h"
#include "fixture.h"

#include "DialogRegistry.h"
#include "RegisterDailyDialogs.h"
#include "ReportOperations.h"
#include "Session.h"
#include "frmAccountStatusReport.h"
#include "frmEndOfDay.h"
#include "frmReportDateOthers.h"
#include "frmReportViewer.h"
#include "frmReportViewervbModal.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
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

void spoil(const QString& folder, const QString& file)
{
    QFile f(folder + QLatin1Char('/') + file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot spoil %s", qPrintable(file));
    f.write("<report version=\"1\"><page");
}

const QStringList kBoxCaptions{
    "Daily Summary of Discharges",     "Daily Summary of Services - OPD", "Admission  Log Book",
    "OPD Registration Log Book",       "Laboratory Examination Log Book", "X-Ray Examination Log Book",
    "Ultrasound Examination Log Book", "Audit Trail - Detail",            "Daily Adjustments Report",
    "CT-Scan Examination Log Book",    "Discharges Log Book - Demography", "Audit Trail - Summary by A/R",
    "Audit Trail - Summary by G/L",
};

} // namespace

class TestDailyDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void registryOpensSingleInstances();
    void reportDateCaptions_data();
    void reportDateCaptions();
    void reportDateContract();
    void enterRunsTheReportAndClosesTheDialog();
    void escClosesWithoutAReport();
    void datePickersStopAtTheServerDate();
    void typedLaterDayIsRefused();
    void reportDateFailureKeepsTheDialogOpen();

    void endOfDayContract();
    void selectAllAndUntick();
    void endOfDayWithNothingTickedCloses();
    void endOfDayViewClosesWhenDone();
    void endOfDayErrorKeepsTheDialogAndItsChoices();

    void accountStatusContract();
    void accountStatusKeys();
    void accountStatusEscCloses();
    void accountStatusOkOpensTheModalViewer();

    void screenshots();

private:
    std::unique_ptr<dailytest::Session> m_session;
    std::unique_ptr<shell::DialogRegistry> m_registry;
};

void TestDailyDialogs::initTestCase()
{
    dailytest::demoFolder();
}

void TestDailyDialogs::init()
{
    m_session = std::make_unique<dailytest::Session>(dailytest::demoFolder());
    m_session->clearTrace();
    m_registry = std::make_unique<shell::DialogRegistry>();
    daily::registerDailyDialogs(*m_registry);
}

void TestDailyDialogs::cleanup()
{
    m_registry->closeAll();
    settle();
    m_registry.reset();
    m_session.reset();
    QVERIFY2(!QApplication::overrideCursor(), "the hourglass was left on");
}

void TestDailyDialogs::registryOpensSingleInstances()
{
    QCOMPARE(m_registry->formNames(), (QStringList{"frmAccountStatusReport", "frmEndOfDay", "frmReportDateClinical",
                                                   "frmReportDateOthers"}));
    QWidget* first = m_registry->open(QStringLiteral("frmReportDateOthers"), QStringLiteral("0"));
    QVERIFY(first);
    QCOMPARE(first->windowTitle(), QStringLiteral("Daily Summary of Discharges"));
    first->findChild<QDateEdit*>(QStringLiteral("dtpReportDate"))->setDate(dailytest::kBusyDay);
    // Opened again from another menu item: the same window, the new type, the date kept.
    QWidget* again = m_registry->open(QStringLiteral("frmReportDateOthers"), QStringLiteral("7"));
    QCOMPARE(again, first);
    QCOMPARE(again->windowTitle(), QStringLiteral("Payment Summary Report"));
    QCOMPARE(again->findChild<QDateEdit*>(QStringLiteral("dtpReportDate"))->date(), dailytest::kBusyDay);
    QVERIFY(!again->isModal());
    // Closed, it is loaded afresh next time, with no type left over.
    again->close();
    settle();
    QVERIFY(!m_registry->instance(QStringLiteral("frmReportDateOthers")));
    QWidget* fresh = m_registry->open(QStringLiteral("frmReportDateOthers"));
    QCOMPARE(fresh->windowTitle(), QStringLiteral("Report Date Entry"));
    QCOMPARE(static_cast<daily::frmReportDateOthers*>(fresh)->reportType(), QString());
}

void TestDailyDialogs::reportDateCaptions_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("caption");
    QTest::newRow("others 0") << "frmReportDateOthers" << "0" << "Daily Summary of Discharges";
    QTest::newRow("others 1 keeps the design caption") << "frmReportDateOthers" << "1" << "Report Date Entry";
    QTest::newRow("others 2") << "frmReportDateOthers" << "2" << "Daily Summary of Services";
    QTest::newRow("others 3") << "frmReportDateOthers" << "3" << "Daily Admission Logbook";
    QTest::newRow("others 4") << "frmReportDateOthers" << "4" << "Daily OPD Registration Logbook";
    QTest::newRow("others 7") << "frmReportDateOthers" << "7" << "Payment Summary Report";
    QTest::newRow("others 9 unknown") << "frmReportDateOthers" << "9" << "Report Date Entry";
    QTest::newRow("clinical 0") << "frmReportDateClinical" << "0" << "Daily Laboratory Examination Logbook";
    QTest::newRow("clinical 1") << "frmReportDateClinical" << "1" << "Daily X-Ray Examination Logbook";
    QTest::newRow("clinical 2") << "frmReportDateClinical" << "2" << "Daily Ultrasound Examination Logbook";
    QTest::newRow("clinical 3") << "frmReportDateClinical" << "3" << "Daily CT Scan Examination Logbook";
    QTest::newRow("clinical 4 unknown") << "frmReportDateClinical" << "4" << "Report Date Entry";
}

void TestDailyDialogs::reportDateCaptions()
{
    QFETCH(QString, form);
    QFETCH(QString, type);
    QFETCH(QString, caption);
    QCOMPARE(m_registry->open(form, type)->windowTitle(), caption);
}

void TestDailyDialogs::reportDateContract()
{
    for (const QString& form : {QStringLiteral("frmReportDateOthers"), QStringLiteral("frmReportDateClinical")}) {
        QWidget* dialog = m_registry->open(form, QStringLiteral("0"));
        QCOMPARE(dialog->objectName(), form);
        QCOMPARE(child<QLabel>(dialog, "Label1")->text(), QStringLiteral("Report Date"));
        auto* picker = child<QDateEdit>(dialog, "dtpReportDate");
        QCOMPARE(picker->displayFormat(), QStringLiteral("MM/dd/yyyy"));
        QCOMPARE(picker->date(), dailytest::kServerDate.date());
        QCOMPARE(picker->property("latestDate").toDate(), dailytest::kServerDate.date());
        auto* ok = child<QPushButton>(dialog, "cmdOptions_0");
        auto* cancel = child<QPushButton>(dialog, "cmdOptions_1");
        QCOMPARE(ok->text(), QStringLiteral("&OK"));
        QVERIFY(ok->isDefault());
        QCOMPARE(cancel->text(), QStringLiteral("&Cancel"));
    }
}

void TestDailyDialogs::enterRunsTheReportAndClosesTheDialog()
{
    const QList<QStringList> cases{
        {"frmReportDateOthers", "4", "Daily OPD Registration LogBook: 03/09/2026"},
        {"frmReportDateClinical", "1", "Daily X-Ray Examination Logbook: 03/09/2026"},
    };
    QStringList titles;
    for (const QStringList& c : cases) {
        QPointer<QWidget> dialog = m_registry->open(c[0], c[1]);
        auto* picker = child<QDateEdit>(dialog, "dtpReportDate");
        picker->setDate(dailytest::kBusyDay);
        picker->setFocus();
        QTest::keyClick(picker, Qt::Key_Return);
        settle();
        QVERIFY2(!dialog, qPrintable(c[0]));
        titles << c[2];
    }
    QStringList shown;
    for (auto* viewer : m_session->viewers())
        shown << viewer->windowTitle();
    QCOMPARE(shown, titles);
    QCOMPARE(m_session->viewers()[0]->CRViewer1->reportSource()->exportOptions().diskFileName,
             m_session->exportFolder() + QStringLiteral("/Daily OPD Registration LogBook 03-09-2026.xls"));
}

void TestDailyDialogs::escClosesWithoutAReport()
{
    for (const QString& form : {QStringLiteral("frmReportDateOthers"), QStringLiteral("frmReportDateClinical")}) {
        QPointer<QWidget> dialog = m_registry->open(form, QStringLiteral("0"));
        QTest::keyClick(child<QDateEdit>(dialog, "dtpReportDate"), Qt::Key_Escape);
        settle();
        QVERIFY2(!dialog, qPrintable(form));
        QPointer<QWidget> again = m_registry->open(form, QStringLiteral("0"));
        QTest::mouseClick(child<QPushButton>(again, "cmdOptions_1"), Qt::LeftButton);
        settle();
        QVERIFY2(!again, qPrintable(form));
    }
    QVERIFY(m_session->viewers().isEmpty());
    QVERIFY(m_session->trace().isEmpty());
}

void TestDailyDialogs::datePickersStopAtTheServerDate()
{
    // Typed key by key, as a person types: a day the way passes through after the server's
    // (the 1 of "15" makes the 1st, the 5 then the 15th of a later month) is no reason to drop
    // a key. A day after the server's stays as typed, for OK to refuse (typedLaterDayIsRefused).
    const QDate server = dailytest::kServerDate.date();
    const struct
    {
        const char* keys;
        QDate expected;
    } typed[] = {
        {"12/15/2025", QDate(2025, 12, 15)},
        {"03/09/2026", QDate(2026, 3, 9)},
        {"02/29/2024", QDate(2024, 2, 29)},
        {"03/16/2026", QDate(2026, 3, 16)},
        {"01/01/2026", QDate(2026, 1, 1)},
    };
    for (const QString& form : m_registry->formNames()) {
        QWidget* dialog = m_registry->open(form, QStringLiteral("0"));
        auto* picker = child<QDateEdit>(dialog, "dtpReportDate");
        QCOMPARE(picker->property("latestDate").toDate(), server);
        QCOMPARE(picker->calendarWidget()->maximumDate(), server);
        for (const auto& t : typed) {
            dailytest::typeDate(picker, QString::fromLatin1(t.keys));
            QVERIFY2(picker->date() == t.expected,
                     qPrintable(form + QStringLiteral(": typed ") + QLatin1String(t.keys) + QStringLiteral(" gave ")
                                + picker->date().toString(QStringLiteral("MM/dd/yyyy"))));
        }
        // The arrows stop at the server's day.
        picker->setDate(server.addDays(-1));
        picker->setFocus();
        picker->setSelectedSection(QDateTimeEdit::DaySection);
        QTest::keyClick(picker, Qt::Key_Up);
        QTest::keyClick(picker, Qt::Key_Up);
        QCOMPARE(picker->date(), server);
    }
}

void TestDailyDialogs::typedLaterDayIsRefused()
{
    // OK (or View) with a day after the server's: a message naming both days, nothing sent to
    // the database, no viewer, and the dialog open with what was typed.
    for (const QString& form : m_registry->formNames()) {
        QPointer<QWidget> dialog = m_registry->open(form, QStringLiteral("3"));
        auto* picker = child<QDateEdit>(dialog, "dtpReportDate");
        dailytest::typeDate(picker, QStringLiteral("03/16/2026"));
        QCOMPARE(picker->date(), QDate(2026, 3, 16));
        QString button = QStringLiteral("cmdOptions_0");
        if (form == QLatin1String("frmEndOfDay")) {
            child<QCheckBox>(dialog, "chkOption_2")->setChecked(true);
            button = QStringLiteral("cmdOK_1");
        }
        QString message;
        dailytest::ModalHandler answer([&](QDialog* box) {
            if (auto* messageBox = qobject_cast<QMessageBox*>(box))
                message = messageBox->text();
            box->reject();
        });
        QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton);
        settle();
        QVERIFY2(answer.fired(), qPrintable(form));
        QVERIFY2(message.contains(QStringLiteral("03/16/2026 is after the server's date 03/15/2026")),
                 qPrintable(form + QStringLiteral(": ") + message));
        QVERIFY2(dialog && dialog->isVisible(), qPrintable(form));
        QCOMPARE(picker->date(), QDate(2026, 3, 16));
        QVERIFY(m_session->trace().isEmpty());
        QVERIFY(m_session->viewers().isEmpty());
        dialog->close();
        settle();
    }
}

void TestDailyDialogs::reportDateFailureKeepsTheDialogOpen()
{
    spoil(m_session->reportFolder(), QStringLiteral("DailyAdmissionLogbook.rpt"));
    QPointer<QWidget> dialog = m_registry->open(QStringLiteral("frmReportDateOthers"), QStringLiteral("3"));
    child<QDateEdit>(dialog, "dtpReportDate")->setDate(dailytest::kBusyDay);
    QString message;
    QString title;
    bool cursorRestored = false;
    dailytest::ModalHandler answer([&](QDialog* box) {
        message = static_cast<QMessageBox*>(box)->text();
        title = box->windowTitle();
        cursorRestored = !QApplication::overrideCursor();
        box->accept();
    });
    QTest::mouseClick(child<QPushButton>(dialog, "cmdOptions_0"), Qt::LeftButton);
    settle();
    QVERIFY(answer.fired());
    QVERIFY2(message.contains(QStringLiteral("DailyAdmissionLogbook.rpt")), qPrintable(message));
    QCOMPARE(title, QString::fromLatin1(kProgramTitle));
    QVERIFY(cursorRestored);
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(child<QDateEdit>(dialog, "dtpReportDate")->date(), dailytest::kBusyDay);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Daily Admission Logbook"));
    QVERIFY(m_session->viewers().isEmpty());
}

void TestDailyDialogs::endOfDayContract()
{
    QWidget* dialog = m_registry->open(QStringLiteral("frmEndOfDay"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("End Of Day Reports"));
    QCOMPARE(child<QLabel>(dialog, "Label2")->text(), QStringLiteral("End of Day Reports"));
    QCOMPARE(child<QLabel>(dialog, "Label1")->text(), QStringLiteral("Report Date"));
    auto* picker = child<QDateEdit>(dialog, "dtpReportDate");
    QCOMPARE(picker->displayFormat(), QStringLiteral("MM/dd/yyyy"));
    QCOMPARE(picker->date(), dailytest::kServerDate.date());
    for (int i = 0; i < 13; ++i) {
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
}

void TestDailyDialogs::selectAllAndUntick()
{
    auto* dialog = static_cast<daily::frmEndOfDay*>(m_registry->open(QStringLiteral("frmEndOfDay")));
    auto* print = child<QPushButton>(dialog, "cmdOK_0");
    auto* view = child<QPushButton>(dialog, "cmdOK_1");
    QTest::mouseClick(child<QPushButton>(dialog, "cmdSelectAll"), Qt::LeftButton);
    QCOMPARE(dialog->tickedCount(), 13);
    for (QCheckBox* box : dialog->chkOption)
        QVERIFY(box->isChecked());
    QVERIFY(print->isEnabled() && view->isEnabled());
    // Select All again changes nothing, so the count does not run past the boxes.
    QTest::mouseClick(child<QPushButton>(dialog, "cmdSelectAll"), Qt::LeftButton);
    QCOMPARE(dialog->tickedCount(), 13);

    for (int i = 0; i < 13; ++i) {
        QVERIFY2(print->isEnabled(), "enabled while a box is still ticked");
        QCheckBox* box = dialog->chkOption[size_t(i)];
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        QVERIFY(!box->isChecked());
    }
    QCOMPARE(dialog->tickedCount(), 0);
    QVERIFY(!print->isEnabled());
    QVERIFY(!view->isEnabled());
    QCheckBox* box = dialog->chkOption[9];
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    QVERIFY(print->isEnabled() && view->isEnabled());
    QCOMPARE(dialog->tickedCount(), 1);
}

void TestDailyDialogs::endOfDayWithNothingTickedCloses()
{
    QPointer<QWidget> dialog = m_registry->open(QStringLiteral("frmEndOfDay"));
    QTest::mouseClick(child<QPushButton>(dialog, "cmdOK_0"), Qt::LeftButton);
    settle();
    QVERIFY(!dialog);
    QVERIFY(m_session->viewers().isEmpty());
    QVERIFY(m_session->trace().isEmpty());
}

void TestDailyDialogs::endOfDayViewClosesWhenDone()
{
    QPointer<QWidget> dialog = m_registry->open(QStringLiteral("frmEndOfDay"));
    child<QDateEdit>(dialog, "dtpReportDate")->setDate(dailytest::kBusyDay);
    for (int i : {8, 2})
        child<QCheckBox>(dialog, QStringLiteral("chkOption_%1").arg(i))->setChecked(true);
    QTest::mouseClick(child<QPushButton>(dialog, "cmdOK_1"), Qt::LeftButton);
    settle();
    QVERIFY(!dialog);
    QStringList titles;
    for (auto* viewer : m_session->viewers())
        titles << viewer->windowTitle();
    // Batch order, not box order.
    QCOMPARE(titles, (QStringList{"Daily Admission Logbook", "Daily Adjustment Report 03/09/2026"}));
}

void TestDailyDialogs::endOfDayErrorKeepsTheDialogAndItsChoices()
{
    spoil(m_session->reportFolder(), QStringLiteral("DailyAuditTrail.rpt"));
    QPointer<QWidget> dialog = m_registry->open(QStringLiteral("frmEndOfDay"));
    child<QDateEdit>(dialog, "dtpReportDate")->setDate(dailytest::kBusyDay);
    const QList<int> ticked{0, 1, 2, 3, 4, 5, 7, 11};
    for (int i : ticked)
        child<QCheckBox>(dialog, QStringLiteral("chkOption_%1").arg(i))->setChecked(true);
    QString message;
    bool progressClosed = false;
    dailytest::ModalHandler answer([&](QDialog* box) {
        message = static_cast<QMessageBox*>(box)->text();
        progressClosed = !QApplication::overrideCursor();
        box->accept();
    });
    QTest::mouseClick(child<QPushButton>(dialog, "cmdOK_1"), Qt::LeftButton);
    settle();
    QVERIFY(answer.fired());
    QVERIFY2(message.contains(QStringLiteral("DailyAuditTrail.rpt")), qPrintable(message));
    QVERIFY(progressClosed);
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    for (int i = 0; i < 13; ++i)
        QCOMPARE(child<QCheckBox>(dialog, QStringLiteral("chkOption_%1").arg(i))->isChecked(), ticked.contains(i));
    QCOMPARE(child<QDateEdit>(dialog, "dtpReportDate")->date(), dailytest::kBusyDay);
    QCOMPARE(m_session->viewers().size(), 6);
}

void TestDailyDialogs::accountStatusContract()
{
    QWidget* dialog = m_registry->open(QStringLiteral("frmAccountStatusReport"));
    QCOMPARE(child<QLabel>(dialog, "lblTitle")->text(), QStringLiteral("Patient's Account Status Report"));
    QCOMPARE(child<QLabel>(dialog, "lblSTitle")->text(), QStringLiteral("Patient's Account Status Report"));
    QCOMPARE(child<QLabel>(dialog, "Label1")->text(), QStringLiteral("Report Date"));
    QVERIFY(child<QGroupBox>(dialog, "Frame1"));
    const QStringList options{"Sorted by Balance", "Sorted by Name", "Sorted by Account Limit", "Sorted by Station"};
    int previousTop = -1;
    for (int i = 0; i < 4; ++i) {
        auto* option = child<QRadioButton>(dialog, QStringLiteral("optOptions_%1").arg(i));
        QCOMPARE(option->text(), options.at(i));
        QCOMPARE(option->isChecked(), i == 0);
        QVERIFY(option->y() > previousTop); // top to bottom in index order
        previousTop = option->y();
    }
    QCOMPARE(child<QPushButton>(dialog, "cmdOptions_0")->text(), QStringLiteral("&OK    "));
    QCOMPARE(child<QPushButton>(dialog, "cmdOptions_1")->text(), QStringLiteral("&Cancel"));
    QCOMPARE(child<QLabel>(dialog, "Label3")->text(),
             QStringLiteral("Click one from the options above  or <ESC>/Cancel to exit"));
    QCOMPARE(child<QDateEdit>(dialog, "dtpReportDate")->property("latestDate").toDate(), dailytest::kServerDate.date());
}

void TestDailyDialogs::accountStatusKeys()
{
    QWidget* dialog = m_registry->open(QStringLiteral("frmAccountStatusReport"));
    QApplication::setActiveWindow(dialog);
    // Any control of the window: a quote is dropped and letters arrive upper-case.
    auto* probe = new QLineEdit(dialog);
    probe->show();
    probe->setFocus();
    QTest::keyClicks(probe, QStringLiteral("o'brien 2b"));
    QCOMPARE(probe->text(), QStringLiteral("OBRIEN 2B"));

    auto* picker = child<QDateEdit>(dialog, "dtpReportDate");
    const QString before = picker->text();
    picker->setFocus();
    QTest::keyClick(picker, '\'');
    QCOMPARE(picker->text(), before);

    // Enter moves on like Tab, from the date to the first sort option; it does not press OK.
    QTest::keyClick(picker, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(child<QRadioButton>(dialog, "optOptions_0")));
    child<QPushButton>(dialog, "cmdOptions_0")->setFocus();
    QTest::keyClick(child<QPushButton>(dialog, "cmdOptions_0"), Qt::Key_Return);
    settle();
    QVERIFY(!gReport);
    QVERIFY(dialog->isVisible());
}

void TestDailyDialogs::accountStatusEscCloses()
{
    QPointer<QWidget> dialog = m_registry->open(QStringLiteral("frmAccountStatusReport"));
    QTest::keyClick(child<QRadioButton>(dialog, "optOptions_2"), Qt::Key_Escape);
    settle();
    QVERIFY(!dialog);
    QPointer<QWidget> again = m_registry->open(QStringLiteral("frmAccountStatusReport"));
    QTest::mouseClick(child<QPushButton>(again, "cmdOptions_1"), Qt::LeftButton);
    settle();
    QVERIFY(!again);
    QVERIFY(!gReport);
}

void TestDailyDialogs::accountStatusOkOpensTheModalViewer()
{
    QPointer<QWidget> dialog = m_registry->open(QStringLiteral("frmAccountStatusReport"));
    child<QDateEdit>(dialog, "dtpReportDate")->setDate(dailytest::kBusyDay);
    child<QRadioButton>(dialog, "optOptions_1")->setChecked(true);
    QString title;
    QString file;
    bool tree = true;
    bool dialogHidden = false;
    dailytest::ModalHandler closer([&](QDialog* modal) {
        if (auto* viewer = qobject_cast<frmReportViewervbModal*>(modal)) {
            title = viewer->windowTitle();
            tree = viewer->CRViewer1->displayGroupTree();
            file = QFileInfo(viewer->CRViewer1->reportSource()->filePath()).fileName();
            dialogHidden = !dialog || !dialog->isVisible();
        }
        modal->close();
    });
    QTest::mouseClick(child<QPushButton>(dialog, "cmdOptions_0"), Qt::LeftButton);
    settle();
    QVERIFY(closer.fired());
    QCOMPARE(title, QStringLiteral("Patients Account Status Report"));
    QCOMPARE(file, QStringLiteral("PatientsAccountStatusReportByName.rpt"));
    QVERIFY(!tree);
    QVERIFY(dialogHidden);
    QVERIFY(!dialog);
    QVERIFY(!gReport);
}

void TestDailyDialogs::screenshots()
{
    const QString folder = qEnvironmentVariable("TARVIK_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("TARVIK_SCREENSHOT_DIR names no folder");
    const QList<QPair<QString, QString>> forms{{"frmReportDateOthers", "0"},
                                               {"frmReportDateClinical", "2"},
                                               {"frmEndOfDay", {}},
                                               {"frmAccountStatusReport", {}}};
    for (const auto& [form, type] : forms) {
        QWidget* dialog = type.isEmpty() ? m_registry->open(form) : m_registry->open(form, type);
        QTest::qWait(100);
        QVERIFY(dialog->grab().save(folder + QLatin1Char('/') + form + QStringLiteral(".png")));
        dialog->close();
    }
    settle();

    // Three reports of a busy demo day, as their viewers show them.
    daily::runReportDateOthers({dailytest::kBusyDay, QStringLiteral("2")});
    daily::runReportDateOthers({dailytest::kBusyDay, QStringLiteral("3")});
    daily::EndOfDayInput batch;
    batch.date = dailytest::kBusyDay;
    batch.ticked[7] = true;
    QVERIFY(daily::runEndOfDay(batch).ok());
    m_session->frame()->resize(1200, 900);
    const QStringList names{"viewer-summary-of-services", "viewer-admission-logbook", "viewer-audit-trail"};
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

QTEST_MAIN(TestDailyDialogs)
#include "test_daily_dialogs.moc"
