// frmSearch as its callers and their users meet it: the query with the search text in place of
// "##" (quotes doubled), the grid over the rows, the search on every typed change in capitals,
// Down, Enter, double-click, Esc, and a failed query shown without losing what was typed.

#include "DataFolder.h"
#include "HospitalDb.h"
#include "LookupGrid.h"
#include "ModalHandler.h"
#include "Session.h"
#include "TestSession.h"
#include "Twips.h"
#include "frmSearch.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using tarvik::lookup::frmSearch;

namespace {

const QString kQuery = QStringLiteral("Reports..sp_Rep_SearchMiscellaneousRevenue '0','##'");

QStringList column(const QTableView* grid, int field)
{
    QStringList out;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        out << tarvik::lookup::cellText(grid, row, field);
    return out;
}

} // namespace

class TestLookup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void searchCommand_data();
    void searchCommand();
    void loadAndTypingSearchInCapitals();
    void picking_data();
    void picking();
    void tabOrderAndEscape();
    void aRefusedQueryKeepsTheDialogWithNothingToPick();

private:
    // Shown modeless, so the test can drive it; Load runs on the first show.
    frmSearch* show(const QString& criteria, const QString& query = kQuery);
    QStringList trace() const { return tarvik::gCurrentUser->SqlConnection()->trace().texts(); }

    QTemporaryDir m_data;
    std::unique_ptr<frmSearch> m_dialog;
};

void TestLookup::initTestCase()
{
    tarvik::hospitaldb::createDatabases(m_data.path());
    tarvik::testsupport::exec(m_data.path(),
        {"INSERT INTO BILLING.tbMiscRevenue (MiscCode, Description) VALUES ('MC', 'Medical Certificate'), "
         "('MF', 'Cafetería Concession Fee'), ('OB', 'O''Brien Fund'), ('CO', 'Café O''Hara'), ('MP', 'Parking Fees')"});
}

void TestLookup::init()
{
    tarvik::testsupport::logInTester(m_data.path());
    tarvik::gCurrentUser->SqlConnection()->trace().clear();
}

void TestLookup::cleanup()
{
    m_dialog.reset();
    tarvik::gCurrentUser.reset();
}

frmSearch* TestLookup::show(const QString& criteria, const QString& query)
{
    m_dialog = std::make_unique<frmSearch>();
    m_dialog->setSearchCaption(QStringLiteral("Miscellaneous"));
    m_dialog->setCriteria(criteria);
    m_dialog->setQuery(query);
    m_dialog->show();
    QApplication::setActiveWindow(m_dialog.get());
    return m_dialog.get();
}

void TestLookup::searchCommand_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("criteria");
    QTest::addColumn<QString>("command");
    QTest::newRow("a quote stays inside the literal")
        << kQuery << "O'BRIEN" << "Reports..sp_Rep_SearchMiscellaneousRevenue '0','O''BRIEN'";
    QTest::newRow("no text") << kQuery << "" << "Reports..sp_Rep_SearchMiscellaneousRevenue '0',''";
    QTest::newRow("a query without ## runs unchanged") << "Reports..sp_X 'A'" << "MC" << "Reports..sp_X 'A'";
    QTest::newRow("every ##, and a ## typed is not replaced again")
        << "Db..sp_X '##', '##'" << "#'##" << "Db..sp_X '#''##', '#''##'";
}

void TestLookup::searchCommand()
{
    QFETCH(QString, query);
    QFETCH(QString, criteria);
    QFETCH(QString, command);
    QCOMPARE(frmSearch::searchCommand(query, criteria), command);
}

void TestLookup::loadAndTypingSearchInCapitals()
{
    frmSearch* dialog = show(QStringLiteral("CAF"));
    QCOMPARE(dialog->findChild<QLabel*>("lblTitle")->text(), QStringLiteral("Miscellaneous"));
    QCOMPARE(dialog->findChild<QLabel*>("lblHospital")->text(), QStringLiteral("Test General Hospital"));
    QCOMPARE(trace(), QStringList{"Reports..sp_Rep_SearchMiscellaneousRevenue '0','CAF'"});
    // Accents ignored by the search: "CAF" finds both cafés; the first row is current.
    QCOMPARE(column(dialog->grdDispWindow, 1), (QStringList{"MF", "CO"}));
    QCOMPARE(dialog->grdDispWindow->currentIndex().row(), 0);
    const QAbstractItemModel* model = dialog->grdDispWindow->model();
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Code"));
    QVERIFY(model->headerData(0, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
    QCOMPARE(dialog->grdDispWindow->verticalHeader()->width(), tarvik::shell::twipsToPixels(200));
    QCOMPARE(dialog->grdDispWindow->columnWidth(0), tarvik::shell::twipsToPixels(4150));

    // The box's text is selected on entry, so typing replaces it; each change searches.
    tarvik::gCurrentUser->SqlConnection()->trace().clear();
    QTest::keyClicks(dialog->txtSearchStr, QStringLiteral("o'b"));
    QCOMPARE(dialog->txtSearchStr->text(), QStringLiteral("O'B"));
    QCOMPARE(trace(), (QStringList{"Reports..sp_Rep_SearchMiscellaneousRevenue '0','O'",
                                   "Reports..sp_Rep_SearchMiscellaneousRevenue '0','O'''",
                                   "Reports..sp_Rep_SearchMiscellaneousRevenue '0','O''B'"}));
    QCOMPARE(column(dialog->grdDispWindow, 1), QStringList{"OB"});
    dialog->txtSearchStr->clear();
    QTest::sendKeyEvent(QTest::Click, dialog->txtSearchStr, Qt::Key_Eacute, QStringLiteral("é"), Qt::NoModifier);
    QCOMPARE(dialog->criteria(), QStringLiteral("É"));
}

void TestLookup::picking_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("description");
    QTest::newRow("Enter in the search box picks the top row") << "enter" << "MF" << "Cafetería Concession Fee";
    QTest::newRow("Down, Down, Enter picks the second row") << "down" << "MC" << "Medical Certificate";
    QTest::newRow("double-click on the second row") << "double-click" << "MC" << "Medical Certificate";
}

void TestLookup::picking()
{
    QFETCH(QString, how);
    QFETCH(QString, code);
    QFETCH(QString, description);
    frmSearch* dialog = show(QStringLiteral("M"));
    QCOMPARE(column(dialog->grdDispWindow, 1), (QStringList{"MF", "MC", "MP"}));
    const int searches = trace().size();
    if (how == QLatin1String("enter")) {
        QTest::keyClick(dialog->txtSearchStr, Qt::Key_Return);
    } else if (how == QLatin1String("down")) {
        QTest::keyClick(dialog->txtSearchStr, Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog->grdDispWindow));
        QTest::keyClick(dialog->grdDispWindow, Qt::Key_Down);
        // Moving in the list shows the row's description in the box, without a search.
        QCOMPARE(dialog->txtSearchStr->text(), QStringLiteral("Medical Certificate"));
        QCOMPARE(trace().size(), searches);
        QTest::keyClick(dialog->grdDispWindow, Qt::Key_Return);
    } else {
        QTableView* grid = dialog->grdDispWindow;
        const QRect cell = grid->visualRect(grid->model()->index(1, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    QVERIFY(!dialog->isVisible());
    QVERIFY(dialog->valid());
    QCOMPARE(dialog->property("ResultCode").toString(), code);
    QCOMPARE(dialog->property("Revenue").toString(), description);
}

void TestLookup::tabOrderAndEscape()
{
    frmSearch* dialog = show(QStringLiteral("MC"));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog->txtSearchStr));
    for (QWidget* next : {static_cast<QWidget*>(dialog->grdDispWindow), static_cast<QWidget*>(dialog->cmdSelect),
                          static_cast<QWidget*>(dialog->cmdCancel), static_cast<QWidget*>(dialog->txtSearchStr)}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    QTest::keyClick(dialog->txtSearchStr, Qt::Key_Escape);
    QVERIFY(!dialog->isVisible());
    QVERIFY(!dialog->valid());
}

void TestLookup::aRefusedQueryKeepsTheDialogWithNothingToPick()
{
    QStringList messages;
    tarvik::testsupport::ModalHandler<QMessageBox> answer([&](QMessageBox* box) {
        messages << box->text();
        box->accept();
    });
    // Refused when it loads, and again for a letter typed: each time a message, and the dialog
    // stays with the text, an empty list and nothing Enter or Select could pick.
    frmSearch* dialog = show(QString(), QStringLiteral("Reports..sp_Rep_SearchMiscellaneousRevenue '7','##'"));
    QTest::keyClicks(dialog->txtSearchStr, QStringLiteral("m"));
    QTRY_COMPARE(messages.size(), 2);
    QVERIFY2(messages.last().contains(QStringLiteral("the search mode must be")), qPrintable(messages.last()));
    QCOMPARE(dialog->txtSearchStr->text(), QStringLiteral("M"));
    QCOMPARE(dialog->grdDispWindow->model()->rowCount(), 0);
    QVERIFY(!dialog->cmdSelect->isEnabled());
    QTest::keyClick(dialog->txtSearchStr, Qt::Key_Return);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->valid());
}

QTEST_MAIN(TestLookup)
#include "test_lookup.moc"
