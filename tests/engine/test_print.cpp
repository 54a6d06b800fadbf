// Printing on a real CUPS queue: tests/engine/cups-pdf-setup.sh makes "TarvikPDF" (the
// CUPS-PDF driver) the default printer; the report is printed without a prompt and the PDF
// that CUPS-PDF writes must hold the report's text.

#include "PrintedPdf.h"
#include "fixture.h"

#include <QDateTime>
#include <QFile>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <optional>
#include <gtest/gtest.h>

using namespace tarvik::engine;

TEST(Printing, PrintsToTheDefaultCupsQueue)
{
    const QString defaultPrinter = QPrinterInfo::defaultPrinterName();
    ASSERT_FALSE(defaultPrinter.isEmpty())
        << "CUPS has no default printer: run tests/engine/cups-pdf-setup.sh (needs cups and printer-driver-cups-pdf)";

    QTemporaryDir dir;
    const QString folder = enginetest::makeDataFolder(dir, 40);
    auto report = enginetest::openCollections(folder);
    report->setReportTitle(QStringLiteral("Print Test %1").arg(QDateTime::currentMSecsSinceEpoch()));
    const QString marker = report->reportTitle();

    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    PrintSettings::setPrinterName(QString());
    report->printOut();

    QString waited;
    const QString found = tarvik::testsupport::waitForPrintedPdf(marker, started, &waited);
    ASSERT_FALSE(found.isEmpty()) << "no PDF printed on " << defaultPrinter.toStdString() << ":\n" << waited.toStdString();
    const QString text = enginetest::pdfText(found);
    EXPECT_TRUE(text.contains(QStringLiteral("Collections by Account")));
    EXPECT_TRUE(text.contains(QStringLiteral("Grand total")));
    QFile::remove(found);
}

namespace {

// Where pdftotext -bbox finds a word on the first page, in points.
QRectF wordBox(const QString& pdf, const QString& word)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000))
        return {};
    static const QRegularExpression box(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    auto it = box.globalMatch(QString::fromUtf8(p.readAllStandardOutput()));
    while (it.hasNext()) {
        const auto m = it.next();
        if (m.captured(5) == word)
            return QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                          QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
    }
    return {};
}

} // namespace

TEST(Printing, EachReportKeepsItsOrientationOnThePaperChosen)
{
    // A landscape report printed after Page Setup chose a paper stays landscape (the queue
    // turns it on its portrait media) and as large as the paper allows; it was shrunk onto a
    // portrait page. Without a choice: the report's own paper.
    ASSERT_FALSE(QPrinterInfo::defaultPrinterName().isEmpty());
    QTemporaryDir dir;
    const QString rpt = enginetest::writeFile(dir, QStringLiteral("wide.rpt"), R"(<report version="1">
  <page size="Legal" orientation="landscape" margins="36"/>
  <parameters><parameter name="Marker" type="text"/></parameters>
  <reportHeader height="20"><text x="0" y="0" width="200">Landscapeword</text><parameter name="Marker" x="300" y="0" width="600"/></reportHeader>
</report>)");
    const struct
    {
        const char* why;
        std::optional<QPageSize::PageSizeId> paper;
        std::optional<QPageLayout::Orientation> turn;
        QString media;   // pdfinfo's page size
        bool landscape;  // the text runs up the portrait media
        double scale;    // of the report's own size
    } rows[] = {
        {"nothing chosen: the report's own legal, landscape", std::nullopt, std::nullopt, QStringLiteral("612 x 1008"), true, 1.0},
        {"A4 chosen: A4, still landscape", QPageSize::A4, std::nullopt, QStringLiteral("595 x 842"), true, 842.0 / 1008},
        {"A4 and portrait chosen: as chosen", QPageSize::A4, QPageLayout::Portrait, QStringLiteral("595 x 842"), false, 595.0 / 1008},
    };
    double fullLength = 0;
    for (const auto& row : rows) {
        auto report = openReport(rpt);
        const QString marker = QStringLiteral("Orientation %1").arg(QDateTime::currentMSecsSinceEpoch());
        report->setParameterValues({marker});
        report->setCaption(QStringLiteral("Wide Report"));
        PrintSettings::reset();
        if (row.paper)
            PrintSettings::setPaper(QPageSize(*row.paper));
        PrintSettings::setOrientation(row.turn);
        const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
        report->printOut();
        const QString found = tarvik::testsupport::waitForPrintedPdf(marker, started);
        ASSERT_FALSE(found.isEmpty()) << row.why;
        EXPECT_TRUE(tarvik::testsupport::pdfInfo(found, QStringLiteral("Page size")).startsWith(row.media))
            << row.why << ": " << tarvik::testsupport::pdfInfo(found, QStringLiteral("Page size")).toStdString();
        const QRectF word = wordBox(found, QStringLiteral("Landscapeword"));
        ASSERT_FALSE(word.isEmpty()) << row.why;
        EXPECT_EQ(word.height() > word.width(), row.landscape) << row.why;
        const double length = std::max(word.width(), word.height());
        if (fullLength == 0)
            fullLength = length;
        EXPECT_NEAR(length / fullLength, row.scale, 0.03) << row.why;
        // The job is named by the report's caption.
        EXPECT_TRUE(tarvik::testsupport::pdfInfo(found, QStringLiteral("Title")).contains(QStringLiteral("Wide Report")))
            << tarvik::testsupport::pdfInfo(found, QStringLiteral("Title")).toStdString();
        QFile::remove(found);
    }
    PrintSettings::reset();
}

TEST(Printing, AChartPrintsWhatThePdfShows)
{
    // The printer gets the same drawing as the screen and the PDF: every word of the chart
    // (title, names, axis and bar figures, legend) is on the printed page, where the engine's
    // own PDF has it.
    ASSERT_FALSE(QPrinterInfo::defaultPrinterName().isEmpty());
    QTemporaryDir dir;
    const QString folder = enginetest::makeDataFolder(dir, 1);
    enginetest::addChartSample(folder);
    const QString marker = QStringLiteral("Chart%1").arg(QDateTime::currentMSecsSinceEpoch());
    const QString rpt = enginetest::writeFile(dir, QStringLiteral("chart.rpt"), QStringLiteral(R"(<report version="1">
  <page size="Letter" orientation="landscape" margins="36"/>
  <tables><table alias="S" location="Reports.dbo.tbChartSample"/></tables>
  <query>SELECT Dept, Kind, Hosp / 100.0 AS Hosp FROM {S}</query>
  <reportFooter height="400">
    <text x="0" y="0" width="300">%1</text>
    <chart type="stackedBar" x="0" y="20" width="700" height="360" category="Dept" series="Kind"
           title="Fees by department" valueAxis="Pesos" valueLabels="true" format="#,##0"><value column="Hosp"/></chart>
  </reportFooter>
</report>)").arg(marker).toUtf8());
    auto report = openReport(rpt);
    report->tables()[0]->applyLogOnInfo(folder, QStringLiteral("Reports"), {}, {});
    const QString own = dir.filePath(QStringLiteral("own.pdf"));
    writePdf(report, own);

    PrintSettings::reset();
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    report->printOut();
    const QString found = tarvik::testsupport::waitForPrintedPdf(marker, started);
    ASSERT_FALSE(found.isEmpty());
    auto words = [](const QString& text) {
        QStringList w = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        w.sort();
        return w;
    };
    const QStringList printed = words(enginetest::pdfText(found));
    EXPECT_TRUE(printed.contains(QStringLiteral("Emergency")));
    EXPECT_EQ(printed, words(enginetest::pdfText(own)));
    QFile::remove(found);
}

TEST(Printing, UnknownPrinterIsAnError)
{
    QTemporaryDir dir;
    const QString folder = enginetest::makeDataFolder(dir, 3);
    auto report = enginetest::openCollections(folder);
    PrintSettings::setPrinterName(QStringLiteral("NoSuchPrinter-%1").arg(QDateTime::currentMSecsSinceEpoch()));
    try {
        report->printOut();
        ADD_FAILURE() << "printing on a missing printer succeeded";
    } catch (const ReportError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("NoSuchPrinter")));
    }
    PrintSettings::setPrinterName(QString());
}
