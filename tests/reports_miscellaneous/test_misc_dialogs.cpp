// The miscellaneous report dialog and the code maintenance window as a clerk meets them: their
// controls by name, the keys (Enter, Esc, Tab, quotes, capitals), the lookup on leaving the code
// box, Save as typed, and what a refused or failed command leaves on the screen.

#include "DialogControls.h"
#include "fixture.h"

#include "DialogPieces.h"
#include "DialogRegistry.h"
#include "HospitalDb.h"
#include "LookupGrid.h"
#include "MiscellaneousReports.h"
#include "ReportOperations.h"
#include "RegisterMonthlyDialogs.h"
#include "frmMiscellaneous.h"
#include "frmReportMonthMiscellaneous.h"
#include "frmSearch.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace tarvik;
using monthly::frmMiscellaneous;
using monthly::frmReportMonthMiscellaneous;
using lookup::frmSearch;
using LookupHandler = tarvik::testsupport::ModalHandler<frmSearch>;
using MessageHandler = tarvik::testsupport::ModalHandler<QMessageBox>;

namespace {

using tarvik::testsupport::settle;

const QString kSearchAll = QStringLiteral("Reports..sp_Rep_SearchMiscellaneousRevenue '0', ''");

// Types the text key by key, accented letters too (QTest::keyClicks takes ASCII only).
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        const auto key = Qt::Key(c.toUpper().unicode());
        QTest::sendKeyEvent(QTest::Press, widget, key, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, key, QString(c), Qt::NoModifier);
    }
}

QStringList gridColumn(const QTableView* grid, int column)
{
    QStringList out;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        out << lookup::cellText(grid, row, column);
    return out;
}

} // namespace

class TestMiscellaneousDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void reportDialogContract_data();
    void reportDialogContract();
    void reportDialogKeys();
    void findOpensTheLookupWithTheCodeBox();
    void okRunsTheChosenCodesReportAndCloses();
    void okFailureKeepsTheDialog();

    void maintenanceLoadsAndSearchesAsTyped();
    void maintenanceSavesAsTypedAndRefreshes();
    void maintenanceRefusalsAndFailuresKeepWhatWasTyped();

    void screenshots();

private:
    frmReportMonthMiscellaneous* openReportDialog(const QString& type);
    frmMiscellaneous* openMaintenance();

    std::unique_ptr<misctest::Session> m_session;
    std::unique_ptr<shell::DialogRegistry> m_registry;
};

void TestMiscellaneousDialogs::initTestCase()
{
    misctest::demoFolder();
}

void TestMiscellaneousDialogs::init()
{
    m_session = std::make_unique<misctest::Session>(misctest::demoFolder());
    m_session->clearTrace();
    m_registry = std::make_unique<shell::DialogRegistry>();
    monthly::registerMonthlyDialogs(*m_registry);
}

void TestMiscellaneousDialogs::cleanup()
{
    m_registry->closeAll();
    settle();
    m_registry.reset();
    m_session.reset();
    QVERIFY2(!QApplication::overrideCursor(), "the hourglass was left on");
}

frmReportMonthMiscellaneous* TestMiscellaneousDialogs::openReportDialog(const QString& type)
{
    auto* dialog = qobject_cast<frmReportMonthMiscellaneous*>(
        m_registry->open(QStringLiteral("frmReportMonthMiscellaneous"), type));
    if (dialog)
        QApplication::setActiveWindow(dialog);
    return dialog;
}

frmMiscellaneous* TestMiscellaneousDialogs::openMaintenance()
{
    auto* window = qobject_cast<frmMiscellaneous*>(m_registry->open(QStringLiteral("frmMiscellaneous")));
    if (window)
        QApplication::setActiveWindow(window);
    return window;
}

// ---- The report dialog -----------------------------------------------------------------------

void TestMiscellaneousDialogs::reportDialogContract_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("format");
    QTest::newRow("a month") << "M" << "MM/yyyy";
    QTest::newRow("a year only") << "Y" << "yyyy";
}

void TestMiscellaneousDialogs::reportDialogContract()
{
    QFETCH(QString, type);
    QFETCH(QString, format);
    frmReportMonthMiscellaneous* dialog = openReportDialog(type);
    QVERIFY(dialog && !dialog->isModal());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Monthly Miscellaneous Report"));
    QCOMPARE(dialog->findChild<QLineEdit*>("txtDept_0"), dialog->txtDept[0]);
    QCOMPARE(dialog->findChild<runs::ServerDayPicker*>("dtpReportDate"), dialog->dtpReportDate);
    QCOMPARE(dialog->dtpReportDate->displayFormat(), format);
    QCOMPARE(dialog->dtpReportDate->date(), misctest::kServerDate.date());
    QCOMPARE(dialog->dtpReportDate->latestDate(), misctest::kServerDate.date());
    // The description comes from the lookup only.
    QVERIFY(dialog->txtDept[1]->isReadOnly());
    QCOMPARE(dialog->txtDept[1]->focusPolicy(), Qt::NoFocus);
}

// Enter walks the controls (from the buttons too), Esc cancels, Tab out of the code box looks
// it up, and typing gives capitals without quotes.
void TestMiscellaneousDialogs::reportDialogKeys()
{
    frmReportMonthMiscellaneous* dialog = openReportDialog(QStringLiteral("M"));
    QPointer<QWidget> alive(dialog);
    QLineEdit* code = dialog->txtDept[0];
    code->setFocus();
    typeText(code, QStringLiteral("mc'é"));
    QCOMPARE(code->text(), QStringLiteral("MCÉ"));

    QString criteria;
    LookupHandler cancel([&](frmSearch* search) {
        criteria = search->criteria();
        QTest::keyClick(search, Qt::Key_Escape);
    });
    QTest::keyClick(code, Qt::Key_Return);
    QTRY_VERIFY(cancel.fired());
    QCOMPARE(criteria, QStringLiteral("MCÉ"));
    // Cancelled: both boxes as they were, and the focus moved on all the same.
    QCOMPARE(code->text(), QStringLiteral("MCÉ"));
    QCOMPARE(dialog->txtDept[1]->text(), QString());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog->dtpReportDate));

    QTest::keyClick(dialog->dtpReportDate, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog->cmdOptions[0]));
    QTest::keyClick(dialog->cmdOptions[0], Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog->cmdOptions[1]));
    QTest::keyClick(dialog->cmdOptions[1], Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(code));
    settle();
    QVERIFY(m_session->trace().filter(QStringLiteral("MonthlyREcompute")).isEmpty());

    QTest::keyClick(code, Qt::Key_Escape);
    settle();
    QVERIFY(!alive);
    QVERIFY(m_session->trace().filter(QStringLiteral("MonthlyREcompute")).isEmpty());
}

// Find with an empty code box: the lookup of every code, under its caption; the row picked
// fills both boxes.
void TestMiscellaneousDialogs::findOpensTheLookupWithTheCodeBox()
{
    frmReportMonthMiscellaneous* dialog = openReportDialog(QStringLiteral("M"));
    dialog->dtpReportDate->setFocus();
    QStringList seen;
    LookupHandler pick([&](frmSearch* search) {
        seen << search->windowTitle() << search->criteria() << search->query();
        QTest::keyClick(search->txtSearchStr, Qt::Key_Return);
    });
    dialog->cmdFind->click();
    QTRY_VERIFY(pick.fired());
    QCOMPARE(seen, (QStringList{"Miscellaneous", "", "Reports..sp_Rep_SearchMiscellaneousRevenue '0','##'"}));
    QTRY_COMPARE(dialog->txtDept[0]->text(), QStringLiteral("MB"));
    QCOMPARE(dialog->txtDept[1]->text(), QStringLiteral("Birth Certificate Processing"));
    QVERIFY(m_session->trace().contains(QStringLiteral("Reports..sp_Rep_SearchMiscellaneousRevenue '0',''")));
    QTRY_VERIFY(dialog->isActiveWindow()); // the lookup gave the window back
}

// The year-end use with a year typed: the runner gets the server's month in that year.
void TestMiscellaneousDialogs::okRunsTheChosenCodesReportAndCloses()
{
    frmReportMonthMiscellaneous* dialog = openReportDialog(QStringLiteral("Y"));
    QPointer<QWidget> alive(dialog);
    dialog->txtDept[0]->setFocus();
    QTest::keyClicks(dialog->txtDept[0], QStringLiteral("mc"));
    LookupHandler pick([](frmSearch* search) { QTest::keyClick(search->grdDispWindow, Qt::Key_Return); });
    QTest::keyClick(dialog->txtDept[0], Qt::Key_Tab);
    QTRY_VERIFY(pick.fired());
    QTRY_COMPARE(dialog->txtDept[1]->text(), QStringLiteral("Medical Certificate"));
    QTRY_VERIFY(dialog->isActiveWindow());
    QCOMPARE(dialog->focusWidget(), static_cast<QWidget*>(dialog->dtpReportDate));
    dialog->dtpReportDate->setSelectedSection(dialog->dtpReportDate->sectionAt(0));
    QTest::keyClicks(dialog->dtpReportDate, QStringLiteral("2025"));
    m_session->clearTrace();
    QTest::mouseClick(dialog->cmdOptions[0], Qt::LeftButton);
    settle();
    QVERIFY(!alive);
    QCOMPARE(m_session->trace().value(0),
             QStringLiteral("Reports..sp_Rep_MonthlyREcompute '03/01/2025', '03/31/2025', 'MC', 'Y'"));
    const QList<QMdiSubWindow*> viewers = m_session->frame()->subWindowList();
    QCOMPARE(viewers.size(), 1);
    QCOMPARE(viewers.first()->windowTitle(), QStringLiteral("Year End Medical Certificate Report: Mar,2025"));
}

void TestMiscellaneousDialogs::okFailureKeepsTheDialog()
{
    frmReportMonthMiscellaneous* dialog = openReportDialog(QStringLiteral("M"));
    QPointer<QWidget> alive(dialog);
    dialog->txtDept[0]->setFocus();
    QTest::keyClicks(dialog->txtDept[0], QStringLiteral("zz"));
    LookupHandler cancel([](frmSearch* search) { search->reject(); });
    QTest::keyClick(dialog->txtDept[0], Qt::Key_Return);
    QTRY_VERIFY(cancel.fired());
    QString message;
    MessageHandler answer([&](QMessageBox* box) {
        message = box->text();
        box->accept();
    });
    dialog->cmdOptions[0]->click();
    QTRY_VERIFY(answer.fired());
    settle();
    QVERIFY(message.contains(QStringLiteral("code is unknown")));
    QVERIFY(alive && alive->isVisible());
    QCOMPARE(dialog->txtDept[0]->text(), QStringLiteral("ZZ"));
    QVERIFY(m_session->frame()->subWindowList().isEmpty());
}

// ---- The maintenance window ------------------------------------------------------------------

void TestMiscellaneousDialogs::maintenanceLoadsAndSearchesAsTyped()
{
    frmMiscellaneous* window = openMaintenance();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Miscellaneous Reports"));
    QCOMPARE(window->findChild<QLabel*>("lblTitle")->text(), QStringLiteral("Miscellaneous Reports   "));
    QCOMPARE(m_session->trace(), QStringList{kSearchAll});
    QCOMPARE(gridColumn(window->grdRevenues, 1),
             misctest::queryColumn(misctest::demoFolder(),
                                   "SELECT MiscCode FROM BILLING.tbMiscRevenue ORDER BY Description, MiscCode"));

    // One search per keystroke, with the text as typed.
    window->txtSearch->setFocus();
    m_session->clearTrace();
    QTest::keyClicks(window->txtSearch, QStringLiteral("fe"));
    QCOMPARE(m_session->trace(), (QStringList{"Reports..sp_Rep_SearchMiscellaneousRevenue '0', 'f'",
                                              "Reports..sp_Rep_SearchMiscellaneousRevenue '0', 'fe'"}));
    QCOMPARE(gridColumn(window->grdRevenues, 1), (QStringList{"MF", "MP"}));

    // Down into the list: its row fills Code and Description; Enter moves on to Code.
    QTest::keyClick(window->txtSearch, Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window->grdRevenues));
    QCOMPARE(window->txtRevenue->text(), QStringLiteral("MF"));
    QCOMPARE(window->txtDescription->text(), QStringLiteral("Cafetería Concession Fee"));
    QTest::keyClick(window->grdRevenues, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window->txtRevenue));
    QCOMPARE(m_session->trace().size(), 2); // moving in the list searched nothing
}

void TestMiscellaneousDialogs::maintenanceSavesAsTypedAndRefreshes()
{
    frmMiscellaneous* window = openMaintenance();
    window->txtSearch->setFocus();
    QTest::keyClicks(window->txtSearch, QStringLiteral("o'h"));
    // Add/New: empty boxes, the cursor in Code.
    window->txtRevenue->setText(QStringLiteral("left over"));
    window->cmdOptions[2]->click();
    QCOMPARE(window->txtRevenue->text(), QString());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window->txtRevenue));

    typeText(window->txtRevenue, QStringLiteral("CAFÉ O'HARA"));
    QTest::keyClick(window->txtRevenue, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window->txtDescription));
    typeText(window->txtDescription, QStringLiteral("Café O'Hara Concession"));
    QTest::keyClick(window->txtDescription, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window->cmdOptions[0]));
    m_session->clearTrace();
    QTest::keyClick(window->cmdOptions[0], Qt::Key_Return); // Enter on the focused Save
    QCOMPARE(m_session->trace(),
             (QStringList{"Reports..sp_Rep_UpdateMiscellaneous 'CAFÉ O''HARA', 'Café O''Hara Concession' ",
                          "Reports..sp_Rep_SearchMiscellaneousRevenue '0', 'o''h'"}));
    QCOMPARE(window->txtRevenue->text(), QString());
    QCOMPARE(window->txtDescription->text(), QString());
    QCOMPARE(gridColumn(window->grdRevenues, 1), QStringList{"CAFÉ O'HARA"});
    QCOMPARE(gridColumn(window->grdRevenues, 0), QStringList{"Café O'Hara Concession"});

    // A row chosen and saved unchanged is sent again as it is.
    window->grdRevenues->setFocus();
    window->grdRevenues->setCurrentIndex(window->grdRevenues->model()->index(0, 0));
    m_session->clearTrace();
    window->cmdOptions[0]->click();
    QCOMPARE(m_session->trace().value(0),
             QStringLiteral("Reports..sp_Rep_UpdateMiscellaneous 'CAFÉ O''HARA', 'Café O''Hara Concession' "));
    QCOMPARE(misctest::queryRow(misctest::demoFolder(),
                                "SELECT COUNT(*), MAX(Description) FROM BILLING.tbMiscRevenue WHERE MiscCode = 'CAFÉ O''HARA'"),
             (QVariantList{1, QStringLiteral("Café O'Hara Concession")}));

    QPointer<QWidget> alive(window);
    QTest::keyClick(window->txtSearch, Qt::Key_Escape);
    settle();
    QVERIFY(!alive);
}

void TestMiscellaneousDialogs::maintenanceRefusalsAndFailuresKeepWhatWasTyped()
{
    frmMiscellaneous* window = openMaintenance();
    QPointer<QWidget> alive(window);
    auto expectMessage = [&](const std::function<void()>& act, const QString& says) {
        QString message;
        MessageHandler answer([&](QMessageBox* box) {
            message = box->text();
            box->accept();
        });
        act();
        QTRY_VERIFY2(answer.fired(), qPrintable(says));
        QVERIFY2(message.contains(says), qPrintable(message));
        QVERIFY(alive && alive->isVisible());
    };

    // A code of blanks is refused before anything is sent.
    window->txtRevenue->setText(QStringLiteral("  "));
    window->txtDescription->setText(QStringLiteral("Nameless"));
    m_session->clearTrace();
    expectMessage([&] { window->cmdOptions[0]->click(); }, QStringLiteral("Enter the code"));
    QVERIFY(m_session->trace().isEmpty());
    QCOMPARE(window->txtDescription->text(), QStringLiteral("Nameless"));

    // A save the database refuses, and a search it refuses.
    const QString folder = misctest::demoFolder();
    misctest::replaceProcedure(folder, QStringLiteral("CREATE PROCEDURE sp_Rep_UpdateMiscellaneous @Code TEXT, "
                                                      "@Description TEXT AS\nINSERT INTO Reports.sys_argument_check "
                                                      "(Flag) VALUES ('X');\nGO\n"
                                                      "CREATE PROCEDURE sp_Rep_SearchMiscellaneousRevenue @Mode TEXT, "
                                                      "@Search TEXT = '' AS\nINSERT INTO Reports.sys_argument_check "
                                                      "(SearchMode) VALUES ('9');\nGO\n"));
    window->txtRevenue->setText(QStringLiteral("MZ"));
    expectMessage([&] { window->cmdOptions[0]->click(); }, QStringLiteral("the flag must be Y or N"));
    QCOMPARE(window->txtRevenue->text(), QStringLiteral("MZ"));
    QCOMPARE(window->txtDescription->text(), QStringLiteral("Nameless"));
    window->txtSearch->setFocus();
    expectMessage([&] { QTest::keyClick(window->txtSearch, Qt::Key_M); }, QStringLiteral("the search mode must be"));
    QCOMPARE(window->txtSearch->text(), QStringLiteral("m"));
    QCOMPARE(window->grdRevenues->model()->rowCount(), 0);
    tarvik::hospitaldb::installProcedures(folder);
}

// ---- Pictures for the README ---------------------------------------------------------------------

void TestMiscellaneousDialogs::screenshots()
{
    const QString folder = qEnvironmentVariable("TARVIK_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("TARVIK_SCREENSHOT_DIR names no folder");
    frmMiscellaneous* window = openMaintenance();
    window->grdRevenues->setCurrentIndex(window->grdRevenues->model()->index(1, 0));
    QTest::qWait(100);
    QVERIFY(window->grab().save(folder + QStringLiteral("/frmMiscellaneous.png")));
    window->close();

    frmReportMonthMiscellaneous* dialog = openReportDialog(QStringLiteral("M"));
    dialog->txtDept[0]->setText(QStringLiteral("MC"));
    dialog->txtDept[1]->setText(QStringLiteral("Medical Certificate"));
    QTest::qWait(100);
    QVERIFY(dialog->grab().save(folder + QStringLiteral("/frmReportMonthMiscellaneous.png")));
    // The lookup as a clerk leaves it: "café o'h" typed in lower case, found in capitals.
    monthly::saveRevenueCode(QStringLiteral("CAFÉ O'HARA"), QStringLiteral("Café O'Hara Concession"));
    dialog->txtDept[0]->clear();
    LookupHandler shoot([&](frmSearch* search) {
        search->txtSearchStr->setFocus();
        typeText(search->txtSearchStr, QStringLiteral("café o'h"));
        QTest::qWait(100);
        search->grab().save(folder + QStringLiteral("/frmSearch.png"));
        search->reject();
    });
    dialog->cmdFind->click();
    QTRY_VERIFY(shoot.fired());
    dialog->close();
}

QTEST_MAIN(TestMiscellaneousDialogs)
#include "test_misc_dialogs.moc"
