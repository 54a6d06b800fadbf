// frmAnimate: its caption and clip, a missing clip as an error that leaves no window, the clip
// moving while a stored procedure runs, the window closed on the way out of an error, and what
// it says of a batch and of a layout's pages.

#include "fixture.h"

#include "ConnectionInfo.h"
#include "Procedures.h"
#include "Session.h"
#include "ReportOperations.h"
#include "ReportViewer.h"
#include "frmAnimate.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QMovie>
#include <QSqlDatabase>
#include <QTest>

using namespace tarvik;

class TestProgressWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void clipLivesNextToTheProgram();
    void loadOpensTheClipWithoutPlaying();
    void progressWindowShowsAndCloses();
    void missingClipIsAnErrorAndLeavesNoWindow();
    void clipMovesWhileAProcedureRuns();
    void windowClosesWhenTheWorkFails();
    void nestedWindowsShareOneUntilTheOutermostEnds();
    void batchPositionIsShownUntilTheBatchEnds();
    void pagesOfTheNewestLayoutAreCounted();
};

void TestProgressWindow::cleanup()
{
    frmAnimate::setClipPath(QString());
    frmAnimate::clearBatchPosition();
    frmAnimate::Unload();
}

void TestProgressWindow::clipLivesNextToTheProgram()
{
    QCOMPARE(frmAnimate::clipPath(), QCoreApplication::applicationDirPath() + QStringLiteral("/FileCopy.gif"));
    QVERIFY2(QFileInfo::exists(frmAnimate::clipPath()), qPrintable(frmAnimate::clipPath()));
    QMovie movie(frmAnimate::clipPath());
    QVERIFY(movie.isValid());
    QVERIFY(movie.frameCount() > 1); // an animation, not a still
}

void TestProgressWindow::loadOpensTheClipWithoutPlaying()
{
    frmAnimate* form = frmAnimate::Load();
    QVERIFY(form);
    QCOMPARE(frmAnimate::Load(), form); // one instance
    QCOMPARE(form->windowTitle(), QStringLiteral("Generating report..."));
    QCOMPARE(form->Animation1->objectName(), QStringLiteral("Animation1"));
    QVERIFY(!form->Animation1->autoPlay());
    QVERIFY(form->Animation1->movie());
    QVERIFY(!form->Animation1->isPlaying());
    QVERIFY(!form->isVisible());
    frmAnimate::Unload();
    QVERIFY(!frmAnimate::instance());
}

void TestProgressWindow::progressWindowShowsAndCloses()
{
    {
        ProgressWindow progress;
        frmAnimate* form = frmAnimate::instance();
        QVERIFY(form);
        QVERIFY(form->isVisible());
        QVERIFY(!form->isModal());
        QVERIFY(form->Animation1->isPlaying());
        progress.finish();
        QVERIFY(!frmAnimate::instance());
    }
    QVERIFY(!frmAnimate::instance());
}

void TestProgressWindow::missingClipIsAnErrorAndLeavesNoWindow()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("FileCopy.gif"));
    frmAnimate::setClipPath(missing);
    try {
        frmAnimate::Load();
        QFAIL("a missing clip loaded");
    } catch (const std::exception& e) {
        QVERIFY2(QString::fromStdString(e.what()).contains(missing), e.what());
    }
    QVERIFY(!frmAnimate::instance());
    QVERIFY_THROWS_EXCEPTION(std::exception, ProgressWindow());
    QVERIFY(!frmAnimate::instance());

    // A file that is no animation is refused too.
    QFile bad(missing);
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();
    QVERIFY_THROWS_EXCEPTION(std::exception, frmAnimate::Load());
    QVERIFY(!frmAnimate::instance());
}

void TestProgressWindow::clipMovesWhileAProcedureRuns()
{
    outputtest::Session session;
    {
        // A procedure that keeps the database busy for a while.
        QSqlDatabase db = db::openDatabase(db::ConnectionInfo::embedded(session.folder()),
                                           QStringLiteral("progress-test"), false);
        db::installProcedures(db, QStringLiteral("Reports"),
                              db::parseProcedureScript(QStringLiteral(
                                  "CREATE PROCEDURE sp_Test_Busy\n"
                                  "    @N TEXT\n"
                                  "AS\n"
                                  "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < CAST(@N AS INTEGER))\n"
                                  "SELECT count(*) AS Rows FROM c;\n"
                                  "GO\n"), QStringLiteral("busy.sql")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("progress-test"));

    ProgressWindow progress;
    AnimationControl* clip = frmAnimate::instance()->Animation1;
    const int before = clip->framesShown();
    QElapsedTimer timer;
    timer.start();
    auto rows = gCurrentUser->SqlConnection()->execute(QStringLiteral("Reports..sp_Test_Busy '6000000'"));
    const qint64 elapsed = timer.elapsed();
    QVERIFY(rows);
    QVERIFY2(elapsed >= 300, qPrintable(QStringLiteral("the procedure took only %1 ms").arg(elapsed)));
    const int frames = clip->framesShown() - before;
    // The clip shows a frame every 70 ms; half of that rate is plenty on a loaded machine.
    qInfo("%d frames while the procedure ran for %lld ms", frames, elapsed);
    QVERIFY2(frames >= int(elapsed / 140), qPrintable(QStringLiteral("%1 frames in %2 ms").arg(frames).arg(elapsed)));
    progress.finish();
}

void TestProgressWindow::windowClosesWhenTheWorkFails()
{
    try {
        ProgressWindow progress;
        QVERIFY(frmAnimate::instance()->isVisible());
        throw std::runtime_error("the stored procedure failed");
    } catch (const std::runtime_error&) {
        QVERIFY(!frmAnimate::instance()); // gone before the handler shows the error
    }
}

void TestProgressWindow::nestedWindowsShareOneUntilTheOutermostEnds()
{
    // A batch's window, one report's, a runner's: one window, up until the batch ends.
    ProgressWindow batch;
    frmAnimate* form = frmAnimate::instance();
    {
        ProgressWindow report;
        ProgressWindow runner;
        QCOMPARE(frmAnimate::instance(), form);
        runner.finish();
        QVERIFY(frmAnimate::instance() && frmAnimate::instance()->isVisible());
    }
    QVERIFY(frmAnimate::instance() && frmAnimate::instance()->Animation1->isPlaying());
    batch.finish();
    QVERIFY(!frmAnimate::instance());
}

void TestProgressWindow::batchPositionIsShownUntilTheBatchEnds()
{
    // Set before the window loads (a runner's own window), or while it is up.
    frmAnimate::setBatchPosition(3, 18, QStringLiteral("Aging Analysis Report"));
    frmAnimate* form = frmAnimate::Load();
    QCOMPARE(form->lblReport->text(), QStringLiteral("3 of 18: Aging Analysis Report"));
    QVERIFY(form->lblReport->isVisibleTo(form));
    QVERIFY(!form->lblPages->isVisibleTo(form)); // nothing laid out yet
    frmAnimate::setBatchPosition(4, 18, QStringLiteral("A caption far longer than the window is wide, which the "
                                                       "window shortens rather than growing off the screen"));
    QVERIFY(form->lblReport->text().startsWith(QStringLiteral("4 of 18: A caption")));
    QVERIFY(form->lblReport->text().endsWith(QChar(0x2026)));
    QVERIFY(form->width() < 600);
    const int withLine = form->height();
    frmAnimate::clearBatchPosition();
    QVERIFY(frmAnimate::batchPosition().isEmpty());
    QVERIFY(!form->lblReport->isVisibleTo(form));
    QVERIFY(form->height() < withLine); // no empty line left
}

void TestProgressWindow::pagesOfTheNewestLayoutAreCounted()
{
    outputtest::Session session(900);
    frmAnimate* form = frmAnimate::Load();
    OpenReport(outputtest::dataFile(QStringLiteral("exams.rpt")), QStringLiteral("Reports"), {});
    auto earlier = gReport->layOut();
    form->watchLayout(earlier);
    OpenReport(outputtest::dataFile(QStringLiteral("exams_long.rpt")), QStringLiteral("Reports"), {});
    auto later = gReport->layOut();
    form->watchLayout(later);
    QVERIFY(form->lblPages->isVisibleTo(form));
    viewer::ReportViewer::waitForLayout(*earlier);
    viewer::ReportViewer::waitForLayout(*later);
    QVERIFY(later->pageCount() > 1);
    QVERIFY(earlier->pageCount() != later->pageCount());
    // The earlier layout, replaced, no longer speaks; the later one's total is what shows.
    QTRY_COMPARE(form->lblPages->text(), QStringLiteral("%1 pages").arg(later->pageCount()));
    QTest::qWait(50);
    QCOMPARE(form->lblPages->text(), QStringLiteral("%1 pages").arg(later->pageCount()));
}

QTEST_MAIN(TestProgressWindow)
#include "test_progress_window.moc"
