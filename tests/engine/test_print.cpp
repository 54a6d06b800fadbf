// Printing on a real CUPS queue: tests/engine/cups-pdf-setup.sh makes "TarvikPDF" (the
// CUPS-PDF driver) the default printer; the report is printed without a prompt and the PDF
// that CUPS-PDF writes must hold the report's text.

#include "fixture.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QPrinterInfo>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

using namespace tarvik::engine;

namespace {

QString cupsPdfOutputDir()
{
    if (!qEnvironmentVariableIsEmpty("TARVIK_CUPS_PDF_OUT"))
        return qEnvironmentVariable("TARVIK_CUPS_PDF_OUT");
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly)) {
        for (const QByteArray& raw : conf.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw).trimmed();
            if (line.startsWith(QStringLiteral("Out ")))
                return line.mid(4).trimmed().replace(QStringLiteral("${HOME}"), QDir::homePath())
                    .replace(QStringLiteral("${USER}"), QStringLiteral("ANONYMOUS"));
        }
    }
    return QStringLiteral("/var/spool/cups-pdf/ANONYMOUS");
}

} // namespace

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

    const QString out = cupsPdfOutputDir();
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    PrintSettings::setPrinterName(QString());
    report->printOut();

    // CUPS-PDF writes the file a little after the job is queued.
    QString found;
    for (int i = 0; i < 120 && found.isEmpty(); ++i) {
        QThread::msleep(500);
        QDirIterator it(out, {QStringLiteral("*.pdf")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            // Quiet: CUPS-PDF may still be writing it; the next round reads it whole.
            if (QFileInfo(f).lastModified() >= started && enginetest::pdfText(f, true).contains(marker))
                found = f;
        }
    }
    ASSERT_FALSE(found.isEmpty()) << "no PDF with \"" << marker.toStdString() << "\" appeared in "
                                  << out.toStdString() << " (printer " << defaultPrinter.toStdString() << ")";
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
