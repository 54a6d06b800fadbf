// Printing on a real CUPS queue: tests/engine/cups-pdf-setup.sh makes "TarvikPDF" (the
// CUPS-PDF driver) the default printer; the report is printed without a prompt and the PDF
// that CUPS-PDF writes must hold the report's text.

#include "PrintedPdf.h"
#include "fixture.h"

#include <QDateTime>
#include <QFile>
#include <QPrinterInfo>
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
