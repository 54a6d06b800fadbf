// A batch through the interactive hooks: from its first report to its end the progress window
// says which of the batch it is at (also for a report that alone shows only the hourglass),
// each viewer says it again with its page count once laid out, and nothing of the batch is left
// over for the runs after it, whether it ended well or not.

#include "DataFolder.h"
#include "Document.h"
#include "HospitalDb.h"
#include "ReportRuns.h"
#include "ReportSession.h"
#include "frmAnimate.h"
#include "frmReportViewer.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace tarvik;

namespace {

// The interactive hooks, noting what the progress window says when each report is shown.
class Watching final : public runs::RunUi
{
public:
    void setBusy(bool busy) override { m_base.setBusy(busy); }
    void openProgress() override { m_base.openProgress(); }
    void closeProgress() override { m_base.closeProgress(); }
    void showReport(bool tree, const QString& caption, bool print, bool modal) override
    {
        frmAnimate* progress = frmAnimate::instance();
        shownWith << (progress && progress->lblReport->isVisibleTo(progress) ? progress->lblReport->text()
                                                                             : QStringLiteral("(nothing)"));
        m_base.showReport(tree, caption, print, modal);
    }
    void starting(int index, int count, const QString& what) override { m_base.starting(index, count, what); }
    void batchEnded() override { m_base.batchEnded(); }

    QStringList shownWith;

private:
    runs::RunUi& m_base = runs::interactiveUi();
};

runs::ReportSpec longList(const char* caption, const char* file = "/batch_long.rpt", bool progressWindow = true)
{
    runs::ReportSpec s;
    s.file = file;
    s.database = "Patient_data";
    s.caption = caption;
    s.progressWindow = progressWindow;
    s.hourglass = !progressWindow;
    return s;
}

QString pagesText(int pages)
{
    return pages == 1 ? QStringLiteral("1 page") : QStringLiteral("%1 pages").arg(pages);
}

} // namespace

class TestBatchProgress : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void progressAndViewersSayWhichReportOfTheBatch();
    void aStoppedBatchLeavesNothingForTheNextRun_data();
    void aStoppedBatchLeavesNothingForTheNextRun();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<testsupport::ReportSession> m_session;
};

void TestBatchProgress::initTestCase()
{
    QVERIFY(m_dir.isValid());
    hospitaldb::createDatabases(m_dir.path());
    testsupport::exec(m_dir.path(), {QStringLiteral("INSERT INTO Patient_data.tbHospitalInfo (Company, Address1, MTSServerName) "
                                                    "VALUES ('Test General Hospital', '12 Test Street', 'localhost')")});
    m_session = std::make_unique<testsupport::ReportSession>(m_dir.path(), QDateTime(QDate(2026, 3, 2), QTime(9, 0)),
                                                             QStringList{QStringLiteral(TARVIK_BATCH_REPORTS)});
}

void TestBatchProgress::cleanupTestCase()
{
    m_session.reset();
}

void TestBatchProgress::progressAndViewersSayWhichReportOfTheBatch()
{
    const std::vector<runs::BatchRow> rows{
        {0, "&First long list", longList("Long list A")},
        {4, "Not asked for", longList("Long list X")},
        // A report that alone shows only the hourglass: in a batch the window stays up for it.
        {2, "Second long list", longList("Long list B", "/batch_long.rpt", false)},
    };
    Watching ui;
    const runs::BatchResult result = runs::runBatch(
        rows, [](int box) { return box != 4; }, runs::RunValues::day(QDate(2026, 3, 2)), false, ui);
    QVERIFY2(result.ok(), qPrintable(result.error));
    // Counted among the reports asked for, named as their boxes read (no access-key marks).
    QCOMPARE(ui.shownWith, (QStringList{QStringLiteral("1 of 2: First long list"), QStringLiteral("2 of 2: Second long list")}));
    QVERIFY(frmAnimate::batchPosition().isEmpty());
    QVERIFY(!frmAnimate::instance()); // gone with the batch

    const QList<frmReportViewer*> viewers = m_session->viewers();
    QCOMPARE(viewers.size(), 2);
    for (frmReportViewer* v : viewers) {
        const bool first = v->windowTitle() == u"Long list A";
        auto document = v->CRViewer1->document();
        QVERIFY(document);
        viewer::ReportViewer::waitForLayout(*document);
        QVERIFY(document->pageCount() > 1);
        const QString expected = QStringLiteral("%1 (%2)")
                                     .arg(first ? QStringLiteral("1 of 2: First long list") : QStringLiteral("2 of 2: Second long list"),
                                          pagesText(document->pageCount()));
        QTRY_COMPARE(v->CRViewer1->statusText(), expected);
    }

    // A report of its own afterwards is just a report.
    runs::produceRow(longList("Long list C"), runs::RunValues::day(QDate(2026, 3, 2)), false, ui);
    QCOMPARE(ui.shownWith.last(), QStringLiteral("(nothing)"));
    frmReportViewer* single = nullptr;
    for (frmReportViewer* v : m_session->viewers())
        if (v->windowTitle() == u"Long list C")
            single = v;
    QVERIFY(single);
    viewer::ReportViewer::waitForLayout(*single->CRViewer1->document());
    QTRY_COMPARE(single->CRViewer1->statusText(), pagesText(single->CRViewer1->document()->pageCount()));
}

void TestBatchProgress::aStoppedBatchLeavesNothingForTheNextRun_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("clip");
    QTest::addColumn<QString>("error");
    QTest::newRow("a report that does not open") << QStringLiteral("/no_such_report.rpt") << QString()
                                                 << QStringLiteral("no_such_report.rpt");
    // The batch's own progress window fails to open: a stopped batch the dialog reports, not
    // an error escaping the batch.
    QTest::newRow("a progress window that does not open") << QStringLiteral("/batch_long.rpt")
                                                          << m_dir.filePath(QStringLiteral("no_such_clip.gif"))
                                                          << QStringLiteral("no_such_clip.gif");
}

void TestBatchProgress::aStoppedBatchLeavesNothingForTheNextRun()
{
    QFETCH(QString, file);
    QFETCH(QString, clip);
    QFETCH(QString, error);
    const QByteArray fileName = file.toLatin1();
    const std::vector<runs::BatchRow> rows{
        {0, "Stopping report", longList("Stopping", fileName.constData())},
        {1, "Long list", longList("Long list D")},
    };
    Watching ui;
    frmAnimate::setClipPath(clip);
    runs::BatchResult result;
    try {
        result = runs::runBatch(rows, [](int) { return true; }, runs::RunValues::day(QDate(2026, 3, 2)), false, ui);
    } catch (const std::exception& e) {
        frmAnimate::setClipPath(QString());
        QFAIL(qPrintable(QStringLiteral("escaped the batch: ") + QString::fromUtf8(e.what())));
    }
    frmAnimate::setClipPath(QString());
    QCOMPARE(result.failedBox, 0);
    QVERIFY2(result.error.contains(error), qPrintable(result.error));
    QVERIFY(ui.shownWith.isEmpty());
    QVERIFY(frmAnimate::batchPosition().isEmpty());
    QVERIFY(!frmAnimate::instance()); // not left behind the dialog's message
    // A progress window loaded now has nothing of the stopped batch to say.
    frmAnimate* progress = frmAnimate::Load();
    QVERIFY(progress->lblReport->text().isEmpty());
    QVERIFY(!progress->lblReport->isVisibleTo(progress));
    frmAnimate::Unload();
}

QTEST_MAIN(TestBatchProgress)
#include "test_batch_progress.moc"
