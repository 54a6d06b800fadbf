// A rendered page against a stored image, within a tolerance (fonts may antialias a little
// differently from one FreeType to the next). On a difference the rendered page and a
// difference image are written next to the test's output for a person to look at.
// TARVIK_UPDATE_GOLDEN=1 rewrites the stored image after a deliberate change.

#include "fixture.h"

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

    enginetest::expectMatchesGolden(enginetest::renderPage(*doc, 0), QStringLiteral("golden-page1"));
}
