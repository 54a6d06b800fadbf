// Start-up, log-in, frame and report menu on the offscreen platform, against a real data folder.

#include "DataFolderFixture.h"
#include "DialogRegistry.h"
#include "ModalHandler.h"
#include "Session.h"
#include "Startup.h"
#include "Twips.h"
#include "frmMain.h"
#include "ProgramSettings.h"
#include "mdiReportForm.h"

#ifdef TARVIK_HAVE_ENGINE
#include "Report.h"
#include <QPrinterInfo>
#endif

#include <QAction>
#include <QComboBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

using namespace tarvik;
using tarvik::shell::twipsToPixels;
using tarvik::testsupport::ModalHandler;

namespace {

// A report dialog as the dialog libraries will register them.
class ProbeDialog : public QDialog, public shell::ReportTypeDialog
{
public:
    using QDialog::QDialog;
    void setReportType(const QString& type) override { reportType = type; }
    QString reportType;
};

void typeInto(QWidget* dialog, const QString& name, const QString& password)
{
    auto* user = dialog->findChild<QLineEdit*>("txtUserName");
    auto* pass = dialog->findChild<QLineEdit*>("txtPassword");
    QVERIFY(user && pass);
    QCOMPARE(pass->echoMode(), QLineEdit::Password);
    user->setText(name);
    pass->setText(password);
}

void click(QWidget* dialog, const char* button)
{
    auto* b = dialog->findChild<QPushButton*>(button);
    QVERIFY2(b, button);
    QTest::mouseClick(b, Qt::LeftButton);
}

QString shownMessage(QWidget* dialog)
{
    auto* label = dialog->findChild<QLabel*>("lblMessage");
    return label && label->isVisible() ? label->text() : QString();
}

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT

private:
    // Runs Main; `atLogIn` acts on the log-in window. Records what the closing message said.
    StartupResult start(std::function<void(QDialog*)> atLogIn, QString* boxText = nullptr,
                        bool expectBox = false)
    {
        m_framesLoaded = 0;
        clearSession();
        ModalHandler<QDialog> logIn([&](QDialog* d) {
            if (!qobject_cast<QMessageBox*>(d))
                atLogIn(d);
        });
        ModalHandler<QMessageBox> box([boxText](QMessageBox* b) {
            if (boxText)
                *boxText = b->text();
            b->button(QMessageBox::Ok)->click();
        });
        StartupResult result = Main([this] {
            ++m_framesLoaded;
            return std::make_unique<shell::mdiReportForm>(m_dialogs);
        });
        [&] { QVERIFY(logIn.fired()); }();
        if (expectBox)
            [&] { QVERIFY(box.fired()); }();
        return result;
    }

    shell::frmMain* menu() const { return m_frame ? m_frame->mainMenu() : nullptr; }

    QTemporaryDir m_config; // ~/.config of this test: the real one is left alone
    QTemporaryDir m_dir;
    QTemporaryDir m_emptyDir;
    std::unique_ptr<testing::DataFolderFixture> m_data;
    shell::DialogRegistry m_dialogs;
    std::unique_ptr<shell::mdiReportForm> m_frame;
    int m_framesLoaded = 0;
    int m_probeLoads = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        QVERIFY(m_dir.isValid());
        m_data = std::make_unique<testing::DataFolderFixture>(m_dir.path());
        m_data->addUser("demo", "Demo Accountant", "RP", "demo");
        m_data->addUser("clerk", "Billing Clerk", "BL", "clerk");
        m_data->addUser("lockme", "Locked Out", "RP", "right");
        m_data->addHospital("Tarvik General Hospital", "12 Mabini Street", "mts01");
        m_data->addHospital("Second Row Hospital", "99 Other Road", "mts02");
        qputenv("TARVIK_DATA_DIR", m_dir.path().toUtf8());
        qputenv("TARVIK_CLOCK", "2026-01-31 14:05:00");
    }

    void cancelledLogInEndsAfterOneMessage()
    {
        QString text;
        StartupResult r = start([](QDialog* d) { click(d, "cmdCancel"); }, &text, true);
        QCOMPARE(r.outcome, StartupOutcome::LogInNotCompleted);
        QCOMPARE(text, QStringLiteral("Log-in was cancelled."));
        QVERIFY(!r.frame);
        QCOMPARE(m_framesLoaded, 0);
        QCOMPARE(exitStatus(r.outcome), 1);
        QVERIFY(!gCurrentUser->Connected());
    }

    void wrongPasswordKeepsTheWindowOpenWithoutSayingWhich()
    {
        QString wrongPassword, unknownName;
        bool stillOpen = false;
        StartupResult r = start([&](QDialog* d) {
            typeInto(d, "demo", "not it");
            click(d, "cmdOK");
            wrongPassword = shownMessage(d);
            QCOMPARE(d->findChild<QLineEdit*>("txtPassword")->text(), QString());
            typeInto(d, "nobody", "demo");
            click(d, "cmdOK");
            unknownName = shownMessage(d);
            stillOpen = d->isVisible();
            click(d, "cmdCancel");
        });
        QCOMPARE(wrongPassword, QStringLiteral("The user name or password is incorrect."));
        QCOMPARE(unknownName, wrongPassword);
        QVERIFY(stillOpen);
        QCOMPARE(r.outcome, StartupOutcome::LogInNotCompleted);
    }

    void fiveFailuresLockTheAccount()
    {
        QString afterLock;
        start([&](QDialog* d) {
            for (int i = 0; i < 5; ++i) {
                typeInto(d, "lockme", "wrong");
                click(d, "cmdOK");
            }
            typeInto(d, "lockme", "right");
            click(d, "cmdOK");
            afterLock = shownMessage(d);
            click(d, "cmdCancel");
        });
        QVERIFY2(afterLock.contains("locked"), qPrintable(afterLock));
        QVERIFY(!gCurrentUser->Connected());
    }

    void aUserWithoutTheModuleIsRefused()
    {
        QString message;
        StartupResult r = start([&](QDialog* d) {
            typeInto(d, "clerk", "clerk");
            click(d, "cmdOK");
            message = shownMessage(d);
            click(d, "cmdCancel");
        });
        QVERIFY2(message.contains("no access") && message.contains("RP"), qPrintable(message));
        QCOMPARE(r.outcome, StartupOutcome::LogInNotCompleted);
        QCOMPARE(m_framesLoaded, 0);
    }

    void anEmptyHospitalTableEndsWithItsReason()
    {
        QVERIFY(m_emptyDir.isValid());
        testing::DataFolderFixture empty(m_emptyDir.path());
        empty.addUser("demo", "Demo Accountant", "RP", "demo");
        qputenv("TARVIK_DATA_DIR", m_emptyDir.path().toUtf8());
        QString text;
        StartupResult r = start([](QDialog* d) {
            typeInto(d, "demo", "demo");
            click(d, "cmdOK");
        }, &text, true);
        qputenv("TARVIK_DATA_DIR", m_dir.path().toUtf8());
        QCOMPARE(r.outcome, StartupOutcome::Failed);
        QVERIFY2(text.contains("tbHospitalInfo"), qPrintable(text));
        QCOMPARE(m_framesLoaded, 0);
        QCOMPARE(exitStatus(r.outcome), 2);
    }

    void logInStartsTheSessionFromTheFirstHospitalRow()
    {
        StartupResult r = start([](QDialog* d) {
            typeInto(d, "demo", "demo");
            click(d, "cmdOK");
        });
        QCOMPARE(r.outcome, StartupOutcome::FrameShown);
        QVERIFY(r.frame && r.frame->isVisible());
        QCOMPARE(m_framesLoaded, 1);
        m_frame.reset(static_cast<shell::mdiReportForm*>(r.frame.release()));

        QCOMPARE(gCompanyName, QStringLiteral("Tarvik General Hospital"));
        QCOMPARE(gCompanyAddress, QStringLiteral("12 Mabini Street"));
        QCOMPARE(gMTSServerName, QStringLiteral("mts01"));
        QCOMPARE(gServerDate, QDateTime(QDate(2026, 1, 31), QTime(14, 5)));
        QCOMPARE(gReportPath, QCoreApplication::applicationDirPath() + "/REPORTS");
        QCOMPARE(gConnectionString, gCurrentUser->SqlConnection()->connectionString());
        QCOMPARE(gCurrentUser->PasswordDeptCode(), QStringLiteral("RP"));
        QCOMPARE(gCurrentUser->SqlConnection()->commandTimeout(), 0);
        QVERIFY(gCurrentUser->SqlConnection()->trace().texts().contains(
            "Select *, GetDate() as CurDate From Patient_data..tbHospitalInfo"));

        QCOMPARE(gCodeSearch->MTS_Server(), QStringLiteral("mts01"));
        QVERIFY(gCodeSearch->SearchMode());
        QVERIFY(gCodeSearch->initialized());
        QCOMPARE(gCodeSearch->Connection(), gCurrentUser->SqlConnection());
        QCOMPARE(gCodeSearch->CompanyName(), gCompanyName);
        QVERIFY(gPatientClass && gAdmission);

        const QStringList codes = {gDeptRA, gDeptNR, gDeptRR, gDeptXRay, gDeptLaboratory,
                                   gDeptPhysicalTherapy, gDeptUltrasound, gDeptS8, gDeptS9, gDeptS6,
                                   gDeptS2, gDeptS7, gDeptS3, gDeptS5, gDeptS1, gDeptPH, gDeptPC,
                                   gDeptCC, gDeptCS, gDeptRTS, gDeptCTScan, gDeptMD, gDeptApparatus};
        QCOMPARE(codes.join(','), QStringLiteral("RA,NR,RR,XR,LB,PT,US,S8,S9,S6,S2,S7,S3,S5,S1,PH,PC,"
                                                 "CC,CS,PA,CT,MD,AP"));
    }

    void frameHasItsCaptionToolbarAndMenus()
    {
        QVERIFY(m_frame);
        // A maximised child adds its own caption in brackets, as MDI frames do.
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("Tarvik - Reports - [Reports]"));
        auto* toolbar = m_frame->findChild<QToolBar*>("Toolbar1");
        QVERIFY(toolbar);
        QStringList keys, tips;
        for (QAction* a : toolbar->actions()) {
            keys << (a->isSeparator() ? QStringLiteral("|") : a->objectName());
            if (!a->isSeparator()) {
                tips << a->toolTip();
                QVERIFY2(!a->icon().isNull(), qPrintable(a->objectName()));
            }
        }
        QCOMPARE(keys.join(' '), QStringLiteral("EndOfDay AfterEOM EndOfYear | Exit"));
        QCOMPARE(tips, QStringList({"Shows the options for the End Of Day Reports",
                                    "Shows the options for the reports AFTER END OF MONTH",
                                    "Shows the Options for YEARLY REPORTS", "QUITS the system"}));

        auto* file = m_frame->findChild<QMenu*>("mnuFile");
        QVERIFY(file);
        QCOMPARE(file->title(), QStringLiteral("&File"));
        QStringList fileItems;
        for (QAction* a : file->actions())
            fileItems << (a->isSeparator() ? QStringLiteral("-") : a->objectName() + "=" + a->text());
        QCOMPARE(fileItems, QStringList({"mnuPageSetup=&Page Setup", "-", "mnuExit=E&xit"}));

        auto* window = m_frame->findChild<QMenu*>("mnuWindow");
        QVERIFY(window);
        QCOMPARE(window->title(), QStringLiteral("&Window"));
        emit window->aboutToShow();
        QStringList listed;
        for (QAction* a : window->actions())
            listed << a->text();
        QVERIFY2(listed.contains("&Cascade") && listed.contains("&Tile"), qPrintable(listed.join('|')));
        QVERIFY2(listed.contains("&1 Reports"), qPrintable(listed.join('|')));

        QVERIFY(menu() && menu()->isVisible());
        QVERIFY(m_frame->mdiArea()->activeSubWindow()->isMaximized());
    }

    void statusBarNamesUserAndServerWithNineBlanks()
    {
        auto* panel = menu()->findChild<QLabel*>("StatusBar1_Panel1");
        QVERIFY(panel);
        QCOMPARE(panel->text(), "Current User: Demo Accountant" + QString(9, ' ') + "SERVER NAME: " + m_dir.path());
    }

    void categoryShowsItsItems_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("0") << 0 << "End of Day (Others)"
                           << QStringList{"Daily Summary Of Discharges", "Daily Income Report",
                                          "Daily Summary Of Services", "Admission Logbook",
                                          "OPD Registration Logbook", "Daily Transactions Audit Trail",
                                          "Adjustments Report", "Payment Summary Report"};
        QTest::newRow("1") << 1 << "End of Day (Clinical Area)"
                           << QStringList{"Laboratory Examination Logbook", "X-Ray Examination Logbook",
                                          "Ultrasound Examination Logbook", "CT Scan Examination Logbook"};
        QTest::newRow("2") << 2 << "End of Month (Others)"
                           << QStringList{"Patient's Account Status Report", "Aging Analysis - Detail Report",
                                          "Aging Analysis - Summary", "Payable Aging Analysis - Detail",
                                          "Payable Aging Analysis - Summary", "Monthly Summary of Audit Trail",
                                          "Monthly Miscellaneous Report"};
        QTest::newRow("3") << 3 << "End of Month (Clinical Area)"
                           << QStringList{"Monthly Laboratory Report", "Monthly XRay Report",
                                          "Monthly Ultrasound Report", "Monthly Operating Room Report",
                                          "Monthly Physical Therapy Report", "Monthly RTS Report",
                                          "Monthly CT Scan Report", "Monthly Delivery Room Report"};
        QTest::newRow("4") << 4 << "By Period" << QStringList{"List of Admissions"};
        QTest::newRow("5") << 5 << "End of the &Year Reports (Others)"
                           << QStringList{"Year End Apparatus Report", "Year End Miscellaneous Report"};
        // Double blanks before "Report" are kept as the menu has always shown them.
        QTest::newRow("6") << 6 << "End of the &Year Reports (Clinical Area)"
                           << QStringList{"Year End Laboratory Report", "Year End X Ray  Report",
                                          "Year End Ultrasound Report", "Year End Operating Room  Report",
                                          "Year End Physical Therapy Report", "Year End RTS  Report",
                                          "Year End CT Scan  Report", "Year End Delivery Room  Report"};
        QTest::newRow("7") << 7 << "Maintenance" << QStringList{"Miscellaneous Reports"};
    }

    void categoryShowsItsItems()
    {
        QFETCH(int, category);
        QFETCH(QString, caption);
        QFETCH(QStringList, items);
        auto* button = menu()->findChild<QPushButton*>(QStringLiteral("cmdMainMenu_%1").arg(category));
        QVERIFY(button);
        QCOMPARE(button->text(), caption);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(menu()->selectedCategory(), category);

        const int h = twipsToPixels(shell::frmMain::kCategoryButtonHeight);
        QStringList shown;
        for (int k = 0; k <= 10; ++k) {
            auto* item = menu()->findChild<QToolButton*>(QStringLiteral("fltSubMenu_%1").arg(k));
            QVERIFY(item);
            if (k < items.size()) {
                QVERIFY2(item->isVisible(), qPrintable(item->objectName()));
                QVERIFY(!item->icon().isNull());
                shown << item->text();
                // Each below the previous one by its height and the gap.
                const int expectedTop = twipsToPixels(shell::pixelsToTwips(button->y()) + shell::frmMain::kCategoryButtonHeight + 20
                                                      + k * (shell::frmMain::kItemButtonHeight + 40));
                const int top = item->mapTo(menu()->findChild<QWidget*>("picMainMenu"), QPoint(0, 0)).y();
                QVERIFY2(qAbs(top - expectedTop) <= 1, qPrintable(item->objectName()));
            } else {
                QVERIFY2(item->isHidden(), qPrintable(item->objectName()));
            }
        }
        QCOMPARE(shown, items);
        // Categories after the selected one sit at the bottom, the last 100 twips above the edge.
        if (category < 7) {
            auto* last = menu()->findChild<QPushButton*>("cmdMainMenu_7");
            auto* pane = menu()->findChild<QWidget*>("picMainMenu");
            QVERIFY(qAbs(last->y() + h - (pane->height() - twipsToPixels(100))) <= 1);
        }
    }

    void lastCategoryStacksAllButtonsAtTheTop()
    {
        QTest::mouseClick(menu()->findChild<QPushButton*>("cmdMainMenu_7"), Qt::LeftButton);
        const int h = shell::frmMain::kCategoryButtonHeight;
        for (int i = 0; i < 8; ++i)
            QCOMPARE(menu()->findChild<QPushButton*>(QStringLiteral("cmdMainMenu_%1").arg(i))->y(),
                     twipsToPixels(i * h));
        auto* item = menu()->findChild<QToolButton*>("fltSubMenu_0");
        QCOMPARE(item->mapTo(menu()->findChild<QWidget*>("picMainMenu"), QPoint(0, 0)).y(), twipsToPixels(8 * h + 20));
        QCOMPARE(menu()->basePicture(), 41);
        QTest::mouseClick(menu()->findChild<QPushButton*>("cmdMainMenu_0"), Qt::LeftButton);
    }

    void splitterIsClampedAt500WhileDraggingAnd1500After()
    {
        auto* grip = menu()->findChild<QWidget*>("imgSplitter");
        auto* bar = menu()->findChild<QWidget*>("picSplitter");
        auto* pane = menu()->findChild<QWidget*>("picMainMenu");
        QVERIFY(grip && bar && pane);
        const int windowTwips = shell::pixelsToTwips(menu()->width());

        auto moveTo = [grip](int x) {
            QMouseEvent move(QEvent::MouseMove, QPointF(x, 10), grip->mapToGlobal(QPointF(x, 10)),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(grip, &move);
        };

        QTest::mousePress(grip, Qt::LeftButton, {}, QPoint(1, 10));
        QVERIFY(bar->isVisible());
        QVERIFY(menu()->isDraggingSplitter());
        moveTo(-5000);
        QCOMPARE(menu()->splitterBarLeft(), 500);
        QCOMPARE(bar->x(), twipsToPixels(500));
        QTest::mouseRelease(grip, Qt::LeftButton, {}, QPoint(-5000, 10));
        QVERIFY(!bar->isVisible());
        QCOMPARE(menu()->paneWidth(), 1500);
        QCOMPARE(pane->width(), twipsToPixels(1500));
        QCOMPARE(grip->x(), twipsToPixels(1500));

        QTest::mousePress(grip, Qt::LeftButton, {}, QPoint(1, 10));
        moveTo(5000);
        QCOMPARE(menu()->splitterBarLeft(), windowTwips - 500);
        QTest::mouseRelease(grip, Qt::LeftButton, {}, QPoint(5000, 10));
        QCOMPARE(menu()->paneWidth(), windowTwips - 1500);

        menu()->SizeControls(shell::frmMain::kInitialPaneWidth);
        QCOMPARE(pane->width(), twipsToPixels(shell::frmMain::kInitialPaneWidth));
        auto* item = menu()->findChild<QToolButton*>("fltSubMenu_0");
        QCOMPARE(item->width(), twipsToPixels(shell::frmMain::kInitialPaneWidth - 180));
    }

    void itemsOpenOneModelessInstanceWithTheirReportType()
    {
        m_dialogs.add("frmReportDateOthers", [this](QWidget* parent) {
            ++m_probeLoads;
            auto* d = new ProbeDialog(parent);
            d->setAttribute(Qt::WA_DeleteOnClose);
            return d;
        });
        QTest::mouseClick(menu()->findChild<QPushButton*>("cmdMainMenu_0"), Qt::LeftButton);
        QTest::mouseClick(menu()->findChild<QToolButton*>("fltSubMenu_1"), Qt::LeftButton);
        auto* dialog = dynamic_cast<ProbeDialog*>(m_dialogs.instance("frmReportDateOthers"));
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->reportType, QStringLiteral("1"));
        QCOMPARE(dialog->parentWidget(), m_frame.get());

        // The same dialog again: brought forward with the new type, not loaded again.
        QTest::mouseClick(menu()->findChild<QToolButton*>("fltSubMenu_4"), Qt::LeftButton);
        QCOMPARE(m_dialogs.instance("frmReportDateOthers"), dialog);
        QCOMPARE(dialog->reportType, QStringLiteral("4"));
        QCOMPARE(m_probeLoads, 1);

        // An item whose dialog nobody registered does nothing.
        QTest::mouseClick(menu()->findChild<QToolButton*>("fltSubMenu_5"), Qt::LeftButton);
        QVERIFY(!m_dialogs.instance("frmAuditTrail"));

        // Closed and opened again: a fresh load.
        dialog->close();
        QTRY_VERIFY(!m_dialogs.instance("frmReportDateOthers"));
        QTest::mouseClick(menu()->findChild<QToolButton*>("fltSubMenu_0"), Qt::LeftButton);
        QCOMPARE(m_probeLoads, 2);
        QCOMPARE(dynamic_cast<ProbeDialog*>(m_dialogs.instance("frmReportDateOthers"))->reportType,
                 QStringLiteral("0"));
    }

    void itemsWithoutAReportTypeLeaveItAlone()
    {
        m_dialogs.add("frmMiscellaneous", [](QWidget* parent) { return new QDialog(parent); });
        QTest::mouseClick(menu()->findChild<QPushButton*>("cmdMainMenu_7"), Qt::LeftButton);
        QTest::mouseClick(menu()->findChild<QToolButton*>("fltSubMenu_0"), Qt::LeftButton);
        QWidget* dialog = m_dialogs.instance("frmMiscellaneous");
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(!dialog->property("ReportType").isValid());
    }

    void toolbarOpensTheBatchDialogs()
    {
        for (const char* form : {"frmEndOfDay", "frmReportAfterEOM", "frmReportYearEnd"})
            m_dialogs.add(form, [](QWidget* parent) { return new QDialog(parent); });
        auto* toolbar = m_frame->findChild<QToolBar*>("Toolbar1");
        const QList<std::pair<const char*, const char*>> pairs = {
            {"EndOfDay", "frmEndOfDay"}, {"AfterEOM", "frmReportAfterEOM"}, {"EndOfYear", "frmReportYearEnd"}};
        for (const auto& [key, form] : pairs) {
            toolbar->findChild<QAction*>(key)->trigger();
            QWidget* dialog = m_dialogs.instance(form);
            QVERIFY2(dialog && dialog->isVisible(), form);
            QVERIFY(!dialog->property("ReportType").isValid());
        }
        m_frame->Toolbar1_ButtonClick("NoSuchKey"); // does nothing
    }

    void pageSetupOffersThePrintersAndKeepsTheChoice()
    {
#ifdef TARVIK_HAVE_ENGINE
        using tarvik::engine::PrintSettings;
        const QStringList printers = QPrinterInfo::availablePrinterNames();
        if (printers.isEmpty())
            QSKIP("no printer queue on this machine");
        PrintSettings::reset();
        QAction* pageSetup = m_frame->findChild<QAction*>("mnuPageSetup");
        QVERIFY(pageSetup);
        QTemporaryDir exports;

        // Cancel changes nothing, whatever was chosen in the dialog.
        QString title;
        QStringList offered;
        ModalHandler<QDialog> cancel([&](QDialog* d) {
            title = d->windowTitle();
            auto* printer = d->findChild<QComboBox*>("cboPrinter");
            auto* paper = d->findChild<QComboBox*>("cboPaper");
            QVERIFY(printer && paper);
            for (int i = 0; i < printer->count(); ++i)
                offered << printer->itemData(i).toString();
            QCOMPARE(paper->currentText(), QStringLiteral("As each report is laid out"));
            paper->setCurrentIndex(paper->findText("A4"));
            d->reject();
        });
        pageSetup->trigger();
        QVERIFY(cancel.fired());
        QCOMPARE(title, QStringLiteral("Page Setup"));
        QCOMPARE(offered, printers); // the system's print queues
        QVERIFY(!PrintSettings::paper().isValid());

        // A folder that does not exist is refused and the dialog stays; then OK keeps it all.
        ModalHandler<QDialog> ok([&](QDialog* d) {
            if (qobject_cast<QMessageBox*>(d))
                return;
            auto* paper = d->findChild<QComboBox*>("cboPaper");
            paper->setCurrentIndex(paper->findText("A4"));
            auto* folder = d->findChild<QLineEdit*>("txtExportFolder");
            folder->setText(exports.filePath("missing"));
            QTest::keyClick(folder, Qt::Key_Return);
            QVERIFY(d->isVisible());
            folder->setText(exports.path());
            QTest::keyClick(folder, Qt::Key_Return);
        });
        bool refused = false;
        ModalHandler<QMessageBox> noFolder([&refused](QMessageBox* box) {
            refused = box->text().contains("does not exist");
            box->accept();
        });
        pageSetup->trigger();
        QVERIFY(ok.fired());
        QVERIFY(noFolder.fired() && refused);
        QVERIFY(PrintSettings::paper().isEquivalentTo(QPageSize(QPageSize::A4)));
        QVERIFY(!PrintSettings::orientation().has_value());
        QVERIFY(printers.contains(PrintSettings::printerName()));
        // Each report keeps its own orientation on the paper chosen: a landscape report is
        // not shrunk onto a portrait page.
        const QPageLayout landscape = PrintSettings::pageLayoutFor(QSizeF(1008, 612));
        QCOMPARE(landscape.orientation(), QPageLayout::Landscape);
        QVERIFY(landscape.pageSize().isEquivalentTo(QPageSize(QPageSize::A4)));
        QCOMPARE(PrintSettings::pageLayoutFor(QSizeF(612, 792)).orientation(), QPageLayout::Portrait);
        // The export folder is kept for later sessions, in ~/.config/tarvik.
        QCOMPARE(shell::savedExportFolder(), exports.path());
        QCOMPARE(engine::Report::defaultExportFolder(), exports.path());
        QVERIFY(shell::programSettingsFile().startsWith(m_config.path() + "/tarvik/"));

        // The choice shows again the next time, for the session.
        QString paperShown;
        ModalHandler<QDialog> look([&](QDialog* d) {
            paperShown = d->findChild<QComboBox*>("cboPaper")->currentText();
            d->reject();
        });
        pageSetup->trigger();
        QVERIFY(look.fired());
        QCOMPARE(paperShown, QStringLiteral("A4"));

        PrintSettings::reset();
        shell::saveExportFolder(QString());
#else
        QSKIP("this build has no report engine to keep the page set-up");
#endif
    }

    void menuItemsTakeTheKeyboardAndScrollInASmallWindow()
    {
        if (QWidget* open = m_dialogs.instance("frmReportDateOthers"))
            open->close();
        QTRY_VERIFY(!m_dialogs.instance("frmReportDateOthers"));
        m_probeLoads = 0;
        m_dialogs.add("frmReportDateOthers", [this](QWidget* parent) {
            ++m_probeLoads;
            return new ProbeDialog(parent);
        });
        const QSize before = m_frame->size();
        m_frame->resize(900, 600);
        QCoreApplication::processEvents();
        QTest::mouseClick(menu()->findChild<QPushButton*>("cmdMainMenu_0"), Qt::LeftButton);
        QCoreApplication::processEvents();
        auto* area = menu()->findChild<QScrollArea*>("itemArea");
        auto* pane = menu()->findChild<QWidget*>("picMainMenu");
        auto* next = menu()->findChild<QPushButton*>("cmdMainMenu_1");
        QVERIFY(area && pane && next);
        // The items end above the next category button; the rest scroll.
        QVERIFY2(area->geometry().bottom() < next->y(), qPrintable(QStringLiteral("%1 >= %2").arg(area->geometry().bottom()).arg(next->y())));
        auto* last = menu()->findChild<QToolButton*>("fltSubMenu_7");
        QVERIFY(last->mapTo(pane, QPoint(0, last->height())).y() > area->geometry().bottom());
        QVERIFY(area->verticalScrollBar()->isVisible());

        // Down from the first item to the last brings it into view; Enter opens it.
        auto* first = menu()->findChild<QToolButton*>("fltSubMenu_0");
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        first->setFocus();
        QVERIFY(first->hasFocus());
        for (int k = 0; k < 7; ++k)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QVERIFY(last->hasFocus());
        const int lastBottom = last->mapTo(area->viewport(), QPoint(0, last->height())).y();
        QVERIFY2(lastBottom <= area->viewport()->height(), qPrintable(QString::number(lastBottom)));
        QTest::keyClick(last, Qt::Key_Up);
        auto* payment = menu()->findChild<QToolButton*>("fltSubMenu_6");
        QVERIFY(payment->hasFocus());
        QTest::keyClick(last, Qt::Key_Down);
        QTest::keyClick(last, Qt::Key_Return); // "Payment Summary Report"
        QCOMPARE(m_probeLoads, 1);
        auto* dialog = static_cast<ProbeDialog*>(m_dialogs.instance("frmReportDateOthers"));
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->reportType, QStringLiteral("7"));
        dialog->close();

        m_frame->resize(before);
        QCoreApplication::processEvents();
        // With room enough nothing scrolls.
        QVERIFY(!area->verticalScrollBar()->isVisible());
    }

    void cascadeLeavesReadableWindowsAndEveryWindowHasTheIcon()
    {
        QVERIFY(!QApplication::windowIcon().isNull());
        QCOMPARE(m_frame->windowIcon().pixmap(32).toImage(), shell::programIcon().pixmap(32).toImage());
        QCOMPARE(QApplication::windowIcon().pixmap(32).toImage(), shell::programIcon().pixmap(32).toImage());
        QDialog someDialog;
        QVERIFY(!someDialog.windowIcon().isNull()); // dialogs take the program's icon

        QList<QMdiSubWindow*> windows;
        for (int i = 0; i < 3; ++i) {
            auto* child = new QWidget;
            child->setWindowTitle(QStringLiteral("Viewer %1").arg(i));
            child->setMinimumSize(50, 30);
            windows << m_frame->addChildWindow(child);
        }
        auto* window = m_frame->findChild<QMenu*>("mnuWindow");
        emit window->aboutToShow();
        QAction* cascade = window->findChild<QAction*>("mnuCascade");
        QVERIFY(cascade);
        cascade->trigger();
        QCoreApplication::processEvents();
        const QSize room = m_frame->mdiArea()->viewport()->size();
        for (int i = 0; i < windows.size(); ++i) {
            QMdiSubWindow* w = windows[i];
            QVERIFY2(w->width() >= std::min(room.width(), 640) && w->height() >= std::min(room.height(), 420),
                     qPrintable(QStringLiteral("%1x%2").arg(w->width()).arg(w->height())));
            QVERIFY(m_frame->mdiArea()->viewport()->rect().contains(w->geometry()));
            if (i > 0)
                QVERIFY(w->y() > windows[i - 1]->y());
        }
        QVERIFY(m_frame->findChild<QMdiSubWindow*>("frmMainWindow")->isMaximized());
        for (QMdiSubWindow* w : windows)
            w->close();
        QCoreApplication::processEvents();
    }

    void closeAnsweredNoKeepsFrameAndMainWindow()
    {
        // The main window's own closing has happened by the time the frame asks.
        QMdiSubWindow* mainWindow = m_frame->findChild<QMdiSubWindow*>("frmMainWindow");
        QVERIFY(mainWindow);
        mainWindow->close();
        QVERIFY(!menu()->isVisible());

        QString text, title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        ModalHandler<QMessageBox> no([&](QMessageBox* box) {
            text = box->text();
            title = box->windowTitle();
            icon = box->icon();
            QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
            box->button(QMessageBox::No)->click();
        });
        m_frame->findChild<QAction*>("Exit")->trigger();
        QVERIFY(no.fired());
        QCOMPARE(text, QStringLiteral("Are you sure you wish to Close the Program?"));
        QCOMPARE(title, QStringLiteral("Message"));
        QCOMPARE(icon, QMessageBox::Critical);
        QVERIFY(m_frame->isVisible());
        QVERIFY(menu()->isVisible());
        QVERIFY(mainWindow->isMaximized());
    }

    void closeAnsweredYesClosesEverything()
    {
        QWidget* dialog = m_dialogs.instance("frmEndOfDay");
        QVERIFY(dialog && dialog->isVisible());
        ModalHandler<QMessageBox> yes([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
        QVERIFY(m_frame->close());
        QVERIFY(yes.fired());
        QVERIFY(!m_frame->isVisible());
        QVERIFY(!dialog->isVisible());
    }

    void aMissingPictureFailsTheLoad()
    {
        QTemporaryDir noPictures;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, shell::frmMain(m_dialogs, nullptr, noPictures.path()));
    }

    void cleanupTestCase()
    {
        m_frame.reset();
        clearSession();
    }
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
