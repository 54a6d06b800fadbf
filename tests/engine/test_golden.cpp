// A rendered page against a stored image, within a tolerance (fonts may antialias a little
// differently from one FreeType to the next). On a difference the rendered page and a
// difference image are written next to the test's output for a person to look at.
// TARVIK_UPDATE_GOLDEN=1 rewrites the stored image after a deliberate change.

#include "fixture.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace tarvik::engine;

TEST(Golden, PageMatchesTheStoredImage)
{
    QTemporaryDir dir;
    const QString folder = enginetest::makeDataFolder(dir, 1);
    auto report = openReport(enginetest::dataFile(QStringLiteral("golden.rpt")));
    report->setReportTitle(QStringLiteral("St. Tarvik General Hospital"));
    report->tables()[0]->applyLogOnInfo(folder, QStringLiteral("Reports"), {}, {});
    auto doc = report->layOut();
    doc->waitForFinished();
    ASSERT_FALSE(doc->hasFailed()) << doc->errorString().toStdString();
    ASSERT_EQ(doc->pageCount(), 1);

    const double scale = 2.0; // 144 dpi
    const QSizeF size = doc->pageSizePoints(0) * scale;
    QImage page(size.toSize(), QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter p(&page);
        p.scale(scale, scale);
        doc->paintPage(p, 0);
    }
    const QString goldenPath = enginetest::dataFile(QStringLiteral("golden/golden-page1.png"));
    if (qEnvironmentVariableIntValue("TARVIK_UPDATE_GOLDEN") == 1) {
        QDir().mkpath(QFileInfo(goldenPath).absolutePath());
        ASSERT_TRUE(page.save(goldenPath));
        GTEST_SKIP() << "golden image rewritten";
    }
    const QImage golden = QImage(goldenPath).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(golden.isNull()) << "no golden image at " << goldenPath.toStdString();
    ASSERT_EQ(golden.size(), page.size());

    QImage diff(page.size(), QImage::Format_RGB32);
    diff.fill(Qt::white);
    qint64 differing = 0;
    for (int y = 0; y < page.height(); ++y) {
        const QRgb* a = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        const QRgb* b = reinterpret_cast<const QRgb*>(golden.constScanLine(y));
        QRgb* d = reinterpret_cast<QRgb*>(diff.scanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            const int delta = std::max({std::abs(qRed(a[x]) - qRed(b[x])), std::abs(qGreen(a[x]) - qGreen(b[x])),
                                        std::abs(qBlue(a[x]) - qBlue(b[x]))});
            if (delta > 96) {
                ++differing;
                d[x] = qRgb(255, 0, 0);
            }
        }
    }
    const double share = double(differing) / (double(page.width()) * page.height());
    if (share > 0.002) {
        page.save(QStringLiteral("golden-page1.actual.png"));
        diff.save(QStringLiteral("golden-page1.diff.png"));
    }
    EXPECT_LE(share, 0.002) << differing << " pixels differ; see golden-page1.actual.png and golden-page1.diff.png in "
                            << QDir::currentPath().toStdString();
    // A blank page would match a blank golden image: make sure something was drawn.
    int ink = 0;
    for (int y = 0; y < page.height(); y += 2)
        for (int x = 0; x < page.width(); x += 2)
            ink += qGray(page.pixel(x, y)) < 128;
    EXPECT_GT(ink, 500);
}
