// The viewer widget on a report of several pages: lazy painting, zoom, page navigation, the
// group tree and text search.

#include "fixture.h"

#include "ReportOperations.h"
#include "ReportViewer.h"
#include "Session.h"

#include <QAction>
#include <QDir>
#include <QPushButton>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QToolBar>
#include <cmath>
#include <QWheelEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

using namespace tarvik;

class TestReportViewer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void pagesArriveAndTheCountSettles();
    void onlyPagesInViewArePainted();
    void endOfLayoutKeepsThePlaceInView();
    void zoomLevels_data();
    void zoomLevels();
    void fitWidthAndWholePage();
    void navigation();
    void groupTreeJumpsToTheGroupsPage();
    void searchHighlightsAndCycles();
    void scrollingMovesThePageBox_data();
    void scrollingMovesThePageBox();
    void pagesPaintedEarlyShowTheirCountOnceKnown();
    void groupTreeGoesToTheGroupNotItsPage();
    void keysOfDesktopViewers();
    void closingDuringALongLayoutNeverWaitsForIt();
    void exportRunsBesideTheWindow();
    void cancelledExportLeavesTheOldFile_data();
    void cancelledExportLeavesTheOldFile();

private:
    void waitForLayout()
    {
        auto document = m_viewer->document();
        QVERIFY(document);
        QTRY_VERIFY_WITH_TIMEOUT(m_viewer->isLayoutComplete(), 30000);
        QCoreApplication::processEvents(); // the queued "finished"
        QVERIFY2(!document->hasFailed(), qPrintable(document->errorString()));
    }

    std::unique_ptr<outputtest::Session> m_session;
    std::unique_ptr<viewer::ReportViewer> m_viewer;
};

void TestReportViewer::initTestCase()
{
    m_session = std::make_unique<outputtest::Session>(900);
}

void TestReportViewer::cleanupTestCase()
{
    m_session.reset();
}

void TestReportViewer::init()
{
    OpenReport(outputtest::dataFile(QStringLiteral("exams.rpt")), QStringLiteral("Reports"), {});
    m_viewer = std::make_unique<viewer::ReportViewer>();
    m_viewer->resize(900, 700);
    m_viewer->setReportSource(gReport);
    m_viewer->setZoom(1);
    m_viewer->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_viewer.get()));
}

void TestReportViewer::cleanup()
{
    m_viewer.reset();
    gReport.reset();
}

void TestReportViewer::pagesArriveAndTheCountSettles()
{
    waitForLayout();
    auto document = m_viewer->document();
    QVERIFY(document->pageCount() >= 15);
    QCOMPARE(m_viewer->pageCount(), document->pageCount());
    auto* label = m_viewer->findChild<QLabel*>(QStringLiteral("lblPageCount"));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("of %1").arg(document->pageCount())); // no "+" once complete
    QCOMPARE(m_viewer->currentPage(), 1);
    QCOMPARE(m_viewer->findChild<QLineEdit*>(QStringLiteral("txtPage"))->text(), QStringLiteral("1"));
}

void TestReportViewer::endOfLayoutKeepsThePlaceInView()
{
    // The person reads page 5 while the last pages are still coming: the end of the layout
    // must not take the view back to the first page.
    viewer::ReportViewer viewer;
    viewer.resize(900, 700);
    viewer.show();
    viewer.setReportSource(gReport);
    viewer.setZoom(2);
    viewer.document()->waitForFinished(); // its "finished" is still queued
    viewer.pageView()->refreshPages();
    viewer.showPage(5);
    QCOMPARE(viewer.currentPage(), 5);
    QCoreApplication::processEvents();
    QVERIFY(viewer.isLayoutComplete());
    QCOMPARE(viewer.currentPage(), 5);
    QCOMPARE(viewer.findChild<QLabel*>(QStringLiteral("lblPageCount"))->text(),
             QStringLiteral("of %1").arg(viewer.document()->pageCount()));
}

void TestReportViewer::onlyPagesInViewArePainted()
{
    waitForLayout();
    m_viewer->repaint();
    QCoreApplication::processEvents();
    viewer::PageView* view = m_viewer->pageView();
    const int pages = m_viewer->pageCount();
    // One or two pages in view plus one rendered ahead on each side.
    QVERIFY2(view->renderedPages() <= 4, qPrintable(QString::number(view->renderedPages())));
    QVERIFY(view->renderedPages() >= 1);
    m_viewer->showLastPage();
    m_viewer->repaint();
    QCoreApplication::processEvents();
    QVERIFY2(view->renderedPages() <= 8, qPrintable(QString::number(view->renderedPages())));
    QVERIFY(view->renderedPages() < pages);
    // Going back to a page still in the cache paints nothing new.
    const int before = view->renderedPages();
    m_viewer->showLastPage();
    m_viewer->repaint();
    QCOMPARE(view->renderedPages(), before);
}

void TestReportViewer::zoomLevels_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("expected");
    QTest::newRow("50 %") << 50 << 50;
    QTest::newRow("100 %") << 100 << 100;
    QTest::newRow("400 %") << 400 << 400;
    QTest::newRow("above the range") << 1000 << 400;
    QTest::newRow("below the range") << 25 << 50;
}

void TestReportViewer::zoomLevels()
{
    QFETCH(int, level);
    QFETCH(int, expected);
    waitForLayout();
    m_viewer->setZoom(level);
    QCOMPARE(m_viewer->zoomPercent(), expected);
}

void TestReportViewer::fitWidthAndWholePage()
{
    waitForLayout();
    viewer::PageView* view = m_viewer->pageView();
    const QSizeF page = m_viewer->document()->pageSizePoints(0);
    const double pointsToPixels = view->logicalDpiX() / 72.0;

    m_viewer->setZoom(1);
    double pixelsPerPoint = m_viewer->zoomPercent() / 100.0 * pointsToPixels;
    QVERIFY(qAbs(page.width() * pixelsPerPoint - (view->viewport()->width() - 24)) <= page.width() * 0.01 * pointsToPixels + 1);

    m_viewer->setZoom(2);
    pixelsPerPoint = m_viewer->zoomPercent() / 100.0 * pointsToPixels;
    QVERIFY(page.height() * pixelsPerPoint <= view->viewport()->height());
    QVERIFY(page.width() * pixelsPerPoint <= view->viewport()->width());
    QVERIFY(page.height() * pixelsPerPoint >= view->viewport()->height() - 40);

    // Fit width follows the window.
    m_viewer->setZoom(1);
    const int before = m_viewer->zoomPercent();
    m_viewer->resize(500, 700);
    QCoreApplication::processEvents();
    QVERIFY(m_viewer->zoomPercent() < before);
}

void TestReportViewer::navigation()
{
    waitForLayout();
    m_viewer->setZoom(2); // one page per screen
    const int pages = m_viewer->pageCount();
    m_viewer->showNextPage();
    QCOMPARE(m_viewer->currentPage(), 2);
    m_viewer->showLastPage();
    QCOMPARE(m_viewer->currentPage(), pages);
    m_viewer->showNextPage();
    QCOMPARE(m_viewer->currentPage(), pages);
    m_viewer->showPreviousPage();
    QCOMPARE(m_viewer->currentPage(), pages - 1);
    m_viewer->showFirstPage();
    QCOMPARE(m_viewer->currentPage(), 1);
    m_viewer->showPreviousPage();
    QCOMPARE(m_viewer->currentPage(), 1);

    auto* edit = m_viewer->findChild<QLineEdit*>(QStringLiteral("txtPage"));
    edit->setText(QStringLiteral("4"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(m_viewer->currentPage(), 4);
    edit->setText(QStringLiteral("9999"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(m_viewer->currentPage(), pages);
}

void TestReportViewer::groupTreeJumpsToTheGroupsPage()
{
    waitForLayout();
    m_viewer->setZoom(2);
    QTreeWidget* tree = m_viewer->groupTree();
    QVERIFY(tree->isVisible());
    QCOMPARE(tree->topLevelItemCount(), 3);
    QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Laboratory"));
    QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("Ultrasound"));
    QCOMPARE(tree->topLevelItem(2)->text(0), QStringLiteral("X-Ray"));

    QTreeWidgetItem* xray = tree->topLevelItem(2);
    const QRect rect = tree->visualItemRect(xray);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
    const int page = m_viewer->currentPage();
    QVERIFY(page > 1);
    // The X-Ray group starts on that page: its heading is there, and the page before ends
    // with another department.
    const auto hits = m_viewer->document()->findText(QStringLiteral("X-Ray"), Qt::CaseSensitive);
    QVERIFY(!hits.empty());
    QCOMPARE(hits.front().page + 1, page);

    m_viewer->setDisplayGroupTree(false);
    QVERIFY(!tree->isVisible());
    m_viewer->setDisplayGroupTree(true);
    m_viewer->setEnableGroupTree(false);
    QVERIFY(!tree->isVisible());
}

void TestReportViewer::searchHighlightsAndCycles()
{
    waitForLayout();
    m_viewer->setZoom(100);
    const QString text = QStringLiteral("Department total");
    QVERIFY(m_viewer->findNext(text));
    QCOMPARE(m_viewer->searchHitCount(), 3); // one per department
    QCOMPARE(m_viewer->currentSearchHit(), 0);
    const int firstPage = m_viewer->currentPage();
    QVERIFY(m_viewer->findNext(text));
    QCOMPARE(m_viewer->currentSearchHit(), 1);
    QVERIFY(m_viewer->currentPage() > firstPage);
    QVERIFY(m_viewer->findNext(text));
    QVERIFY(m_viewer->findNext(text));
    QCOMPARE(m_viewer->currentSearchHit(), 0); // wrapped round
    QVERIFY(m_viewer->findPrevious(text));
    QCOMPARE(m_viewer->currentSearchHit(), 2);
    QCOMPARE(m_viewer->currentPage(), m_viewer->pageCount());
    QCOMPARE(m_viewer->findChild<QLabel*>(QStringLiteral("lblSearch"))->text(), QStringLiteral("3 of 3"));

    // Matching ignores case.
    QVERIFY(m_viewer->findNext(QStringLiteral("department TOTAL")));
    QCOMPARE(m_viewer->searchHitCount(), 3);

    QVERIFY(!m_viewer->findNext(QStringLiteral("no such text anywhere")));
    QCOMPARE(m_viewer->searchHitCount(), 0);
    QCOMPARE(m_viewer->findChild<QLabel*>(QStringLiteral("lblSearch"))->text(), QStringLiteral("Not found"));
}

void TestReportViewer::scrollingMovesThePageBox_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("toTheEnd");
    QTest::newRow("wheel") << "wheel" << 1 << 700 << false;
    QTest::newRow("PageDown") << "pagedown" << 1 << 700 << false;
    QTest::newRow("Ctrl+End") << "ctrlend" << 1 << 700 << true;
    QTest::newRow("End") << "end" << 100 << 700 << true;
    // At the end of the range the last pages are all in view: the last one is the current.
    QTest::newRow("wheel to the end, pages side by side") << "wheelend" << 50 << 1300 << true;
    QTest::newRow("Last page button, pages side by side") << "last" << 50 << 1300 << true;
}

void TestReportViewer::scrollingMovesThePageBox()
{
    QFETCH(QString, how);
    QFETCH(int, zoom);
    QFETCH(int, height);
    QFETCH(bool, toTheEnd);
    waitForLayout();
    m_viewer->resize(900, height);
    m_viewer->setZoom(zoom);
    QCoreApplication::processEvents();
    viewer::PageView* view = m_viewer->pageView();
    view->setFocus();
    m_viewer->showFirstPage();
    QCOMPARE(m_viewer->currentPage(), 1);
    auto wheel = [view](int times) {
        for (int i = 0; i < times; ++i) {
            QWheelEvent event(QPointF(100, 100), view->viewport()->mapToGlobal(QPointF(100, 100)), QPoint(),
                              QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(view->viewport(), &event);
        }
    };
    if (how == "wheel")
        wheel(30);
    else if (how == "wheelend")
        wheel(2000);
    else if (how == "pagedown")
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(view, Qt::Key_PageDown);
    else if (how == "ctrlend")
        QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    else if (how == "end")
        QTest::keyClick(view, Qt::Key_End);
    else
        QTest::mouseClick(m_viewer->findChild<QToolBar*>()->widgetForAction(m_viewer->findChild<QAction*>("actLastPage")),
                          Qt::LeftButton);
    // The view follows the scroll bar through queued events, later on a loaded machine.
    QTRY_VERIFY2(m_viewer->currentPage() > 1, qPrintable(how));
    if (toTheEnd)
        QTRY_COMPARE(m_viewer->currentPage(), m_viewer->pageCount());
    const int page = m_viewer->currentPage();
    // The page box and the buttons follow the view.
    QCOMPARE(m_viewer->findChild<QLineEdit*>(QStringLiteral("txtPage"))->text(), QString::number(page));
    QVERIFY(m_viewer->findChild<QAction*>(QStringLiteral("actFirstPage"))->isEnabled());
    QVERIFY(m_viewer->findChild<QAction*>(QStringLiteral("actPreviousPage"))->isEnabled());
    QCOMPARE(m_viewer->findChild<QAction*>(QStringLiteral("actNextPage"))->isEnabled(), !toTheEnd);

    QTest::keyClick(view, Qt::Key_Home);
    QCOMPARE(m_viewer->currentPage(), 1);
    QVERIFY(!m_viewer->findChild<QAction*>(QStringLiteral("actFirstPage"))->isEnabled());
}

void TestReportViewer::pagesPaintedEarlyShowTheirCountOnceKnown()
{
    // A page looked at while the rest is laid out shows "Page 1 of ?"; once the layout is
    // done the same page shows the count, without any zooming or scrolling.
    OpenReport(outputtest::dataFile(QStringLiteral("exams_long.rpt")), QStringLiteral("Reports"), {});
    viewer::ReportViewer viewer;
    viewer.resize(900, 700);
    viewer.setReportSource(gReport);
    viewer.setZoom(2); // the whole page, its footer in view
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    // Enough pages for the scroll bar, so that nothing but the footer can change.
    QTRY_VERIFY(viewer.pageCount() >= 3);
    QCoreApplication::processEvents();
    QVERIFY2(!viewer.isLayoutComplete(), "the layout ended before the first look: make the report longer");
    const QImage early = viewer.pageView()->viewport()->grab().toImage();
    const auto unknown = viewer.document()->findText(QStringLiteral("Page 1 of ?"), Qt::CaseSensitive);
    QVERIFY(!unknown.empty());
    QTRY_VERIFY_WITH_TIMEOUT(viewer.isLayoutComplete(), 120000);
    QCoreApplication::processEvents();
    const QImage late = viewer.pageView()->viewport()->grab().toImage();

    QVERIFY2(early != late, "the page still shows what it showed before the count was known");
    QVERIFY(!viewer.document()->findText(QStringLiteral("Page 1 of %1").arg(viewer.pageCount()), Qt::CaseSensitive).empty());
}

void TestReportViewer::groupTreeGoesToTheGroupNotItsPage()
{
    waitForLayout();
    m_viewer->setZoom(100); // a page is taller than the view
    QTreeWidget* tree = m_viewer->groupTree();
    viewer::PageView* view = m_viewer->pageView();
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = tree->topLevelItem(i);
        // The whole name in the tooltip, for a pane too narrow to show it.
        QVERIFY(item->toolTip(0).contains(item->text(0)));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
        QCoreApplication::processEvents();
        // The group's heading is in view, near the top, wherever it stands on its page.
        const auto hits = m_viewer->document()->findText(item->text(0), Qt::CaseSensitive);
        QVERIFY(!hits.empty());
        const double scale = view->zoomPercent() / 100.0 * view->logicalDpiY() / 72.0;
        int pageTop = 12;
        for (int p = 0; p < hits.front().page; ++p)
            pageTop += int(std::ceil(m_viewer->document()->pageSizePoints(p).height() * scale)) + 12;
        const int onScreen = pageTop + int(hits.front().rect.top() * scale) - view->verticalScrollBar()->value();
        QVERIFY2(onScreen >= 0 && onScreen < view->viewport()->height() / 3,
                 qPrintable(QStringLiteral("%1 at %2").arg(item->text(0)).arg(onScreen)));
        QCOMPARE(m_viewer->currentPage(), hits.front().page + 1);
    }
}

void TestReportViewer::keysOfDesktopViewers()
{
    waitForLayout();
    m_viewer->setZoom(100);
    m_viewer->showPage(3);
    viewer::PageView* view = m_viewer->pageView();
    view->setFocus();
    auto* search = m_viewer->findChild<QLineEdit*>(QStringLiteral("txtSearch"));

    // Ctrl+F goes to the search box; Enter and F3 find the next hit.
    QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(search->hasFocus());
    QTest::keyClicks(search, QStringLiteral("Department total"));
    QTest::keyClick(search, Qt::Key_Return);
    QCOMPARE(m_viewer->currentSearchHit(), 0);
    QTest::keyClick(search, Qt::Key_F3);
    QCOMPARE(m_viewer->currentSearchHit(), 1);

    // Ctrl+plus, Ctrl+minus and Ctrl+wheel zoom, keeping the page at the view's centre.
    view->setFocus();
    m_viewer->showPage(3);
    const int page = m_viewer->currentPage();
    const int before = m_viewer->zoomPercent();
    QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(m_viewer->zoomPercent(), before + 25);
    QCOMPARE(m_viewer->currentPage(), page);
    QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(m_viewer->zoomPercent(), before - 25);
    QCOMPARE(m_viewer->currentPage(), page);
    QWheelEvent wheel(QPointF(100, 100), view->viewport()->mapToGlobal(QPointF(100, 100)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &wheel);
    QCOMPARE(m_viewer->zoomPercent(), before);
    QCOMPARE(m_viewer->currentPage(), page);
    QCOMPARE(m_viewer->findChild<QComboBox*>(QStringLiteral("cboZoom"))->currentText(), QStringLiteral("%1%").arg(before));

    // Ctrl+P opens the print dialog.
    bool asked = false;
    outputtest::ModalHandler cancel([&asked](QDialog* d) {
        asked = true;
        d->reject();
    });
    QTest::keyClick(view, Qt::Key_P, Qt::ControlModifier);
    QVERIFY(cancel.fired());
    QVERIFY(asked);
}

void TestReportViewer::closingDuringALongLayoutNeverWaitsForIt()
{
    OpenReport(outputtest::dataFile(QStringLiteral("exams_slow.rpt")), QStringLiteral("Reports"), {});
    auto viewer = std::make_unique<viewer::ReportViewer>();
    viewer->setReportSource(gReport);
    viewer->show();
    const std::weak_ptr<engine::Document> document = viewer->document();
    QVERIFY(!document.expired());
    viewer.reset(); // as the window closes
    // The close came back while the layout still waits for its query: it did not wait for it.
    const auto stillRunning = document.lock();
    QVERIFY2(stillRunning && !stillRunning->isComplete(), "the close waited for the layout");
    // The event loop keeps turning meanwhile, and the document goes once its layout has ended.
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(10);
    QTRY_VERIFY_WITH_TIMEOUT(stillRunning->isComplete(), 120000);
    QVERIFY(ticks > 0);
    QTRY_VERIFY_WITH_TIMEOUT(stillRunning.use_count() == 1, 10000);
}

void TestReportViewer::exportRunsBesideTheWindow()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("exams.csv"));
    waitForLayout();
    gReport->exportOptions().diskFileName = target;
    gReport->exportOptions().formatType = 39;
    gReport->exportOptions().destinationType = 1;
    QVERIFY(m_viewer->exportInBackground(gReport, target));
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().count('\n') > 10);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void TestReportViewer::cancelledExportLeavesTheOldFile_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("byEscape");
    // A PDF waits for the viewer's pages, a sheet for its rows: both behind the slow query.
    QTest::newRow("PDF, Cancel button") << 31 << "pdf" << false;
    QTest::newRow("Excel 97-2003, Esc") << 29 << "xls" << true;
    QTest::newRow("Excel workbook, Cancel button") << 38 << "xlsx" << false;
    QTest::newRow("CSV, Esc") << 39 << "csv" << true;
}

void TestReportViewer::cancelledExportLeavesTheOldFile()
{
    QFETCH(int, format);
    QFETCH(QString, suffix);
    QFETCH(bool, byEscape);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("exams.") + suffix);
    {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older export");
    }
    OpenReport(outputtest::dataFile(QStringLiteral("exams_slow.rpt")), QStringLiteral("Reports"), {});
    m_viewer->setReportSource(gReport);
    gReport->exportOptions().diskFileName = target;
    gReport->exportOptions().formatType = format;
    gReport->exportOptions().destinationType = 1;

    bool cancelled = false;
    outputtest::ModalHandler watcher([&](QDialog* dialog) {
        auto* progress = qobject_cast<QProgressDialog*>(dialog);
        if (!progress)
            return;
        cancelled = true;
        if (byEscape)
            QTest::keyClick(progress, Qt::Key_Escape);
        else
            progress->findChild<QPushButton*>()->click();
    }, 60000);
    QVERIFY(!m_viewer->exportInBackground(gReport, target));
    QVERIFY(cancelled);
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("an older export"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("exams.") + suffix});
    QVERIFY(m_viewer->cancelledText(target).contains(QStringLiteral("left as it was")));
}

QTEST_MAIN(TestReportViewer)
#include "test_report_viewer.moc"
