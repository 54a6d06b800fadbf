// OpenReport, OpenSubreport, ShowReport and gReport: tables pointed at the caller's database and
// logged on with the session's credentials, parameter values given in order, and who holds the
// report after each way of presenting it.

#include "fixture.h"

#include "ReportOperations.h"
#include "Session.h"
#include "frmReportViewer.h"
#include "frmReportViewervbModal.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace tarvik;

class TestReportOperations : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void retargeting_data();
    void retargeting();
    void locationWithoutDotIsAnError();
    void openReportPointsEveryTableAtTheDatabase();
    void parameterValues_data();
    void parameterValues();
    void valueOfTheWrongKindNamesTheField();
    void openSubreportPreparesOnlyTheSubreport();
    void openSubreportFailures();
    void missingReportFileLeavesNoReport();
    void modelessViewersKeepTheirOwnReports();
    void modelessViewerFillsItsWindowAtAnySize();
    void modalViewerReleasesTheReport();
    void showReportWithoutReportIsAnError();
    void exportButtonWritesThePresetFileWithoutPrompt();
    void exportButtonUsesTheStoredOptionsWhenNoneWereSet();
    void modalExportButtonAsksForFormatAndFile();
    void directPrintGoesToTheDefaultPrinterWithoutWindow_data();
    void directPrintGoesToTheDefaultPrinterWithoutWindow();
    void printButtonPrintsThroughThePrintDialog();

private:
    std::unique_ptr<outputtest::Session> m_session;
    std::unique_ptr<QMdiArea> m_frame;
    QString opsFile() const { return outputtest::dataFile(QStringLiteral("ops.rpt")); }
    // The departments report with its subreport logged on too, ready to lay out.
    void openOps(const QVariantList& values)
    {
        OpenReport(opsFile(), QStringLiteral("Patient_data"), values);
        OpenSubreport(QStringLiteral("Sub"), QStringLiteral("Patient_data"), {});
    }
    QList<frmReportViewer*> viewers() const
    {
        QList<frmReportViewer*> out;
        for (QMdiSubWindow* w : m_frame->subWindowList())
            if (auto* v = qobject_cast<frmReportViewer*>(w->widget()))
                out << v;
        return out;
    }
    static QString text(const QVariant& v)
    {
        return v.typeId() == QMetaType::QDate ? v.toDate().toString(QStringLiteral("MM/dd/yyyy")) : v.toString();
    }
};

void TestReportOperations::init()
{
    m_session = std::make_unique<outputtest::Session>();
    m_frame = std::make_unique<QMdiArea>();
    m_frame->resize(900, 700);
    m_frame->show();
    QMdiArea* area = m_frame.get();
    setViewerHost([area] { return area; });
}

void TestReportOperations::cleanup()
{
    setViewerHost({});
    m_frame.reset();
    m_session.reset();
}

void TestReportOperations::retargeting_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("expected");
    QTest::newRow("the first segment is replaced") << "Patient_data.dbo.tbX" << "Reports" << "Reports.dbo.tbX";
    QTest::newRow("to BILLING") << "Patient_data.dbo.tbPatient" << "BILLING" << "BILLING.dbo.tbPatient";
    QTest::newRow("several dots: all but the first segment stay")
        << "Old.dbo.schema.tbX" << "REPORTS" << "REPORTS.dbo.schema.tbX";
    QTest::newRow("an empty database part") << ".dbo.tbX" << "Reports" << "Reports.dbo.tbX";
}

void TestReportOperations::retargeting()
{
    QFETCH(QString, location);
    QFETCH(QString, database);
    QFETCH(QString, expected);
    QCOMPARE(retargetedLocation(location, database), expected);
}

void TestReportOperations::locationWithoutDotIsAnError()
{
    try {
        retargetedLocation(QStringLiteral("tbPatient"), QStringLiteral("Reports"));
        QFAIL("a location without a database part was retargeted");
    } catch (const std::runtime_error& e) {
        QVERIFY2(QString::fromStdString(e.what()).contains(QStringLiteral("tbPatient")), e.what());
    }
}

void TestReportOperations::openReportPointsEveryTableAtTheDatabase()
{
    OpenReport(opsFile(), QStringLiteral("BILLING"), {});
    QVERIFY(gReport);
    QCOMPARE(gReport->reportTitle(), QStringLiteral("Test General Hospital"));
    const auto tables = gReport->tables();
    QCOMPARE(int(tables.size()), 2);
    QCOMPARE(tables[0]->location(), QStringLiteral("BILLING.dbo.tbDepartment"));
    QCOMPARE(tables[1]->location(), QStringLiteral("BILLING.dbo.tbHospitalInfo"));
    for (auto* table : tables) {
        QVERIFY(table->isLoggedOn());
        QCOMPARE(table->server(), gCurrentUser->ServerName());
        QCOMPARE(table->logOnDatabase(), QStringLiteral("BILLING"));
        QCOMPARE(table->user(), gCurrentUser->userid());
        QCOMPARE(table->password(), gCurrentUser->serverpassword());
    }
    QCOMPARE(gCurrentUser->userid(), QStringLiteral("tester"));

    // The definition reads the hospital's address from "Reports": only once pointed at
    // Patient_data does the report lay out, with the address in it.
    openOps({QStringLiteral("a"), QStringLiteral("01/31/2024")});
    auto document = gReport->layOut();
    document->waitForFinished();
    QVERIFY2(!document->hasFailed(), qPrintable(document->errorString()));
    QVERIFY(!document->findText(QStringLiteral("12 Test Street"), Qt::CaseSensitive).empty());
    QVERIFY(!document->findText(QStringLiteral("Test General Hospital"), Qt::CaseSensitive).empty());
}

void TestReportOperations::parameterValues_data()
{
    QTest::addColumn<QVariantList>("values");
    QTest::addColumn<QStringList>("expected"); // value of each field; "-" = not touched
    QTest::newRow("as many values as fields")
        << QVariantList{"A", "01/31/2024", "C"} << QStringList{"A", "01/31/2024", "C"};
    QTest::newRow("values beyond the fields are ignored")
        << QVariantList{"A", "02/29/2024", "C", "D", "E"} << QStringList{"A", "02/29/2024", "C"};
    QTest::newRow("fields beyond the list keep the file's value")
        << QVariantList{"A"} << QStringList{"A", "-", "-"};
    QTest::newRow("an empty list touches nothing") << QVariantList{} << QStringList{"-", "-", "-"};
}

void TestReportOperations::parameterValues()
{
    QFETCH(QVariantList, values);
    QFETCH(QStringList, expected);
    OpenReport(opsFile(), QStringLiteral("Patient_data"), values);
    const auto fields = gReport->parameterFields();
    QCOMPARE(int(fields.size()), 3);
    for (int i = 0; i < 3; ++i) {
        if (expected[i] == QLatin1String("-")) {
            QVERIFY2(!fields[size_t(i)]->hasCurrentValue(), qPrintable(fields[size_t(i)]->name()));
        } else {
            QVERIFY(fields[size_t(i)]->hasCurrentValue());
            QCOMPARE(text(fields[size_t(i)]->currentValue()), expected[i]);
        }
    }
    // The file's default still stands where no value came.
    if (expected[2] == QLatin1String("-"))
        QCOMPARE(fields[2]->currentValue().toString(), QStringLiteral("from the file"));
}

void TestReportOperations::valueOfTheWrongKindNamesTheField()
{
    try {
        openOps({QStringLiteral("A"), QStringLiteral("31/31/2024")});
        QFAIL("a date field took a value that is no date");
    } catch (const std::exception& e) {
        const QString message = QString::fromStdString(e.what());
        QVERIFY2(message.contains(QStringLiteral("Second")), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("31/31/2024")), qPrintable(message));
    }
}

void TestReportOperations::openSubreportPreparesOnlyTheSubreport()
{
    OpenReport(opsFile(), QStringLiteral("Reports"), {QStringLiteral("main value")});
    OpenSubreport(QStringLiteral("Sub"), QStringLiteral("Patient_data"),
                  {QStringLiteral("sub note"), QStringLiteral("7"), QStringLiteral("ignored")});
    engine::Report* sub = gReport->openSubreport(QStringLiteral("Sub"));
    QCOMPARE(sub->tables().front()->location(), QStringLiteral("Patient_data.dbo.tbHospitalInfo"));
    QCOMPARE(sub->tables().front()->logOnDatabase(), QStringLiteral("Patient_data"));
    QCOMPARE(sub->tables().front()->server(), gCurrentUser->ServerName());
    QCOMPARE(sub->parameterFields()[0]->currentValue().toString(), QStringLiteral("sub note"));
    QCOMPARE(sub->parameterFields()[1]->currentValue().toInt(), 7);
    // The main report keeps its own database and values.
    QCOMPARE(gReport->tables().front()->location(), QStringLiteral("Reports.dbo.tbDepartment"));
    QCOMPARE(gReport->parameterFields()[0]->currentValue().toString(), QStringLiteral("main value"));
    QVERIFY(!gReport->parameterFields()[1]->hasCurrentValue());
}

void TestReportOperations::openSubreportFailures()
{
    gReport.reset();
    QVERIFY_THROWS_EXCEPTION(std::exception, OpenSubreport(QStringLiteral("Sub"), QStringLiteral("Reports"), {}));
    OpenReport(opsFile(), QStringLiteral("Reports"), {});
    try {
        OpenSubreport(QStringLiteral("NoSuchSubreport"), QStringLiteral("Reports"), {});
        QFAIL("an unknown subreport was opened");
    } catch (const std::exception& e) {
        QVERIFY2(QString::fromStdString(e.what()).contains(QStringLiteral("NoSuchSubreport")), e.what());
    }
}

void TestReportOperations::missingReportFileLeavesNoReport()
{
    OpenReport(opsFile(), QStringLiteral("Reports"), {});
    QVERIFY(gReport);
    const QString missing = outputtest::dataFile(QStringLiteral("NoSuchReport.rpt"));
    try {
        OpenReport(missing, QStringLiteral("Reports"), {});
        QFAIL("a missing file was opened");
    } catch (const std::exception& e) {
        QVERIFY2(QString::fromStdString(e.what()).contains(QStringLiteral("NoSuchReport.rpt")), e.what());
    }
    QVERIFY(!gReport); // the old report was released first
}

void TestReportOperations::modelessViewersKeepTheirOwnReports()
{
    openOps({QStringLiteral("first report")});
    const engine::ReportPtr first = gReport;
    ShowReport(false, QStringLiteral("Viewer One"), false, false);
    QCOMPARE(gReport, first); // a modeless viewer leaves gReport as it was

    openOps({QStringLiteral("second report")});
    const engine::ReportPtr second = gReport;
    ShowReport(true, QStringLiteral("Viewer Two"), false, false);

    openOps({QStringLiteral("third report")});
    QVERIFY(gReport != first && gReport != second);

    const auto list = viewers();
    QCOMPARE(list.size(), 2);
    QCOMPARE(list[0]->windowTitle(), QStringLiteral("Viewer One"));
    QCOMPARE(list[1]->windowTitle(), QStringLiteral("Viewer Two"));
    QCOMPARE(list[0]->CRViewer1->reportSource(), first);
    QCOMPARE(list[1]->CRViewer1->reportSource(), second);
    QCOMPARE(list[0]->parentWidget()->windowTitle(), QStringLiteral("Viewer One"));

    // Each still shows its own pages, laid out from its own values.
    for (int i = 0; i < 2; ++i) {
        auto document = list[i]->CRViewer1->document();
        QVERIFY(document);
        document->waitForFinished();
        const QString own = i == 0 ? QStringLiteral("first report") : QStringLiteral("second report");
        QVERIFY(!document->findText(own, Qt::CaseSensitive).empty());
        QVERIFY(document->findText(QStringLiteral("third report"), Qt::CaseSensitive).empty());
    }
    // The group tree follows ShowGroupTree.
    QVERIFY(!list[0]->CRViewer1->groupTree()->isVisibleTo(list[0]));
    QVERIFY(list[1]->CRViewer1->groupTree()->isVisibleTo(list[1]));
    QVERIFY(list[1]->CRViewer1->groupTreeEnabled());

    // Closing one leaves the other.
    list[0]->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(viewers().size(), 1);
    QCOMPARE(viewers()[0]->CRViewer1->reportSource(), second);
}

void TestReportOperations::modelessViewerFillsItsWindowAtAnySize()
{
    openOps({});
    ShowReport(false, QStringLiteral("Sizes"), false, false);
    frmReportViewer* form = viewers().value(0);
    QVERIFY(form);
    for (const QSize size : {QSize(700, 500), QSize(40, 30), QSize(1, 1), QSize(1200, 900)}) {
        form->resize(size);
        QCOMPARE(form->CRViewer1->geometry(), QRect(QPoint(0, 0), form->size()));
    }
}

void TestReportOperations::modalViewerReleasesTheReport()
{
    openOps({QStringLiteral("modal")});
    const std::weak_ptr<engine::Report> watched = gReport;
    QString caption;
    bool topLevel = false;
    bool viewerHadTheReport = false;
    outputtest::ModalHandler closer([&](QDialog* dialog) {
        caption = dialog->windowTitle();
        topLevel = dialog->isWindow() && dialog->isModal();
        if (auto* form = qobject_cast<frmReportViewervbModal*>(dialog))
            viewerHadTheReport = form->CRViewer1->reportSource() == watched.lock();
        dialog->close();
    });
    ShowReport(false, QStringLiteral("Modal Caption"), false, true);
    QVERIFY(closer.fired());
    QCOMPARE(caption, QStringLiteral("Modal Caption"));
    QVERIFY(topLevel);
    QVERIFY(viewerHadTheReport);
    QVERIFY(!gReport);
    QVERIFY(watched.expired()); // nobody holds it any more
    QVERIFY(viewers().isEmpty());
}

void TestReportOperations::showReportWithoutReportIsAnError()
{
    gReport.reset();
    QVERIFY_THROWS_EXCEPTION(std::exception, ShowReport(false, QStringLiteral("x"), false, false));
    QVERIFY(viewers().isEmpty());
}

void TestReportOperations::exportButtonWritesThePresetFileWithoutPrompt()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("Departments 01-31-2024.xls"));
    {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older export");
    }
    openOps({QStringLiteral("exported")});
    gReport->exportOptions().diskFileName = target;
    gReport->exportOptions().formatType = 29;
    gReport->exportOptions().destinationType = 1;
    ShowReport(false, QStringLiteral("Export"), false, false);
    frmReportViewer* form = viewers().value(0);
    QVERIFY(form);

    // A later report replaces gReport: the button still exports the report this window shows.
    openOps({QStringLiteral("another report")});

    bool prompted = false;
    outputtest::ModalHandler watcher([&](QDialog* dialog) {
        if (qobject_cast<QProgressDialog*>(dialog))
            return; // the export's progress, not a question
        prompted = true;
        dialog->reject();
    }, 3000);
    auto* exportAction = form->CRViewer1->findChild<QAction*>(QStringLiteral("actExport"));
    QVERIFY(exportAction);
    exportAction->trigger();
    QVERIFY(!prompted);

    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1"))); // an Excel 97-2003 workbook
    QVERIFY(bytes.size() > 512);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1); // replaced, no stray temporary
}

void TestReportOperations::exportButtonUsesTheStoredOptionsWhenNoneWereSet()
{
    QTemporaryDir dir;
    const QString before = engine::Report::defaultExportFolder();
    engine::Report::setDefaultExportFolder(dir.path());
    openOps({});
    ShowReport(false, QStringLiteral("Stored"), false, false);
    bool prompted = false;
    outputtest::ModalHandler watcher([&](QDialog* dialog) {
        if (qobject_cast<QProgressDialog*>(dialog))
            return; // the export's progress, not a question
        prompted = true;
        dialog->reject();
    }, 3000);
    viewers().value(0)->CRViewer1->findChild<QAction*>(QStringLiteral("actExport"))->trigger();
    engine::Report::setDefaultExportFolder(before);
    QVERIFY(!prompted);
    QVERIFY2(QFileInfo::exists(dir.filePath(QStringLiteral("Departments.xls"))),
             qPrintable(QDir(dir.path()).entryList().join(QLatin1Char(' '))));
}

void TestReportOperations::modalExportButtonAsksForFormatAndFile()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("chosen.pdf"));
    openOps({QStringLiteral("modal export")});
    bool asked = false;
    bool exportTriggered = false;
    // First the viewer opens; then its export button brings up the file dialog.
    outputtest::ModalHandler viewer([&](QDialog* dialog) {
        auto* form = qobject_cast<frmReportViewervbModal*>(dialog);
        if (!form)
            return;
        QTimer::singleShot(0, form, [&, form] {
            outputtest::ModalHandler fileHandler([&](QDialog* fileDialog) {
                auto* fd = qobject_cast<QFileDialog*>(fileDialog);
                if (!fd)
                    return;
                asked = true;
                fd->selectNameFilter(QStringLiteral("PDF document (*.pdf)"));
                // Typed into the name box and confirmed, as a person would.
                auto* name = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                auto* buttons = fd->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
                if (!name || !buttons) {
                    fd->reject();
                    return;
                }
                name->setText(target);
                buttons->button(QDialogButtonBox::Save)->click();
            });
            form->CRViewer1->findChild<QAction*>(QStringLiteral("actExport"))->trigger();
            exportTriggered = true;
            form->close();
        });
    });
    ShowReport(false, QStringLiteral("Modal export"), false, true);
    QVERIFY(viewer.fired());
    QVERIFY(exportTriggered);
    QVERIFY(asked);
    QVERIFY(QFileInfo::exists(target));
    QVERIFY(outputtest::pdfText(target).contains(QStringLiteral("modal export")));
}

using tarvik::testsupport::waitForPrintedPdf;

void TestReportOperations::directPrintGoesToTheDefaultPrinterWithoutWindow_data()
{
    QTest::addColumn<bool>("modal");
    QTest::newRow("Modal False") << false;
    QTest::newRow("Modal True") << true;
}

void TestReportOperations::directPrintGoesToTheDefaultPrinterWithoutWindow()
{
    QFETCH(bool, modal);
    const QString printer = QPrinterInfo::defaultPrinterName();
    QVERIFY2(!printer.isEmpty(), "CUPS has no default printer: run tests/engine/cups-pdf-setup.sh "
                                 "(needs cups and printer-driver-cups-pdf)");
    engine::PrintSettings::setPrinterName(QString());
    const QString marker = QStringLiteral("Direct print %1 %2").arg(modal).arg(QDateTime::currentMSecsSinceEpoch());
    openOps({marker});
    const std::weak_ptr<engine::Report> watched = gReport;
    const QWidgetList before = QApplication::topLevelWidgets();
    bool dialogOpened = false;
    outputtest::ModalHandler watcher([&](QDialog* dialog) { dialogOpened = true; dialog->reject(); }, 2000);
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);

    ShowReport(true, QStringLiteral("Printed"), true, modal);

    QVERIFY(!dialogOpened);
    QCOMPARE(QApplication::topLevelWidgets().size(), before.size());
    QVERIFY(viewers().isEmpty());
    QVERIFY(!gReport);
    QVERIFY(watched.expired());

    QString waited;
    const QString found = waitForPrintedPdf(marker, started, &waited);
    QVERIFY2(!found.isEmpty(), qPrintable(QStringLiteral("no PDF printed on %1:\n%2").arg(printer, waited)));
    QVERIFY(outputtest::pdfText(found).contains(QStringLiteral("Departments Listing")));
    QFile::remove(found);
}

void TestReportOperations::printButtonPrintsThroughThePrintDialog()
{
    QVERIFY2(!QPrinterInfo::defaultPrinterName().isEmpty(), "CUPS has no default printer: run tests/engine/cups-pdf-setup.sh");
    engine::PrintSettings::setPrinterName(QString());
    const QString marker = QStringLiteral("Viewer print %1").arg(QDateTime::currentMSecsSinceEpoch());
    openOps({marker});
    ShowReport(false, QStringLiteral("Print from the viewer"), false, false);
    frmReportViewer* form = viewers().value(0);
    QVERIFY(form);
    QString dialogClass;
    outputtest::ModalHandler printDialog([&](QDialog* dialog) {
        dialogClass = QString::fromLatin1(dialog->metaObject()->className());
        dialog->accept();
    });
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    form->CRViewer1->findChild<QAction*>(QStringLiteral("actPrint"))->trigger();
    QVERIFY(printDialog.fired());
    QVERIFY2(dialogClass.contains(QStringLiteral("PrintDialog")), qPrintable(dialogClass));
    QVERIFY(gReport); // printing from a viewer keeps the report
    QString waited;
    const QString found = waitForPrintedPdf(marker, started, &waited);
    QVERIFY2(!found.isEmpty(), qPrintable(waited));
    QVERIFY(outputtest::pdfText(found).contains(QStringLiteral("Departments Listing")));
    QFile::remove(found);
}

QTEST_MAIN(TestReportOperations)
#include "test_report_operations.moc"
