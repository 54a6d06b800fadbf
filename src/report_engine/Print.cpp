#include "EngineLog.h"
#include "Report.h"

#include <QMutex>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace tarvik::engine {

namespace {

struct Settings
{
    QMutex mutex;
    QString printerName;
    QPageLayout layout;
    int copies = 1;
};

Settings& settings()
{
    static Settings s;
    return s;
}

} // namespace

QString PrintSettings::printerName()
{
    QMutexLocker lock(&settings().mutex);
    return settings().printerName;
}

void PrintSettings::setPrinterName(const QString& name)
{
    QMutexLocker lock(&settings().mutex);
    settings().printerName = name;
}

QPageLayout PrintSettings::pageLayout()
{
    QMutexLocker lock(&settings().mutex);
    return settings().layout;
}

void PrintSettings::setPageLayout(const QPageLayout& layout)
{
    QMutexLocker lock(&settings().mutex);
    settings().layout = layout;
}

int PrintSettings::copies()
{
    QMutexLocker lock(&settings().mutex);
    return settings().copies;
}

void PrintSettings::setCopies(int copies)
{
    QMutexLocker lock(&settings().mutex);
    settings().copies = std::max(1, copies);
}

void PrintSettings::applyTo(QPrinter& printer)
{
    QString name = printerName();
    if (name.isEmpty())
        name = QPrinterInfo::defaultPrinterName();
    if (name.isEmpty())
        throw ReportError(QStringLiteral("No default printer is configured on this computer. "
                                         "Add a printer or choose one in Page Setup."));
    // QPrinter quietly falls back to the default for a name it does not know: check first.
    if (QPrinterInfo::printerInfo(name).isNull())
        throw ReportError(QStringLiteral("The printer \"%1\" is not available.").arg(name));
    printer.setPrinterName(name);
    if (!printer.isValid())
        throw ReportError(QStringLiteral("The printer \"%1\" is not available.").arg(name));
    const QPageLayout layout = pageLayout();
    if (layout.isValid())
        printer.setPageLayout(layout);
    printer.setCopyCount(copies());
}

void Report::printOut()
{
    auto doc = layOut();
    doc->waitForFinished();
    if (doc->hasFailed())
        throw ReportError(doc->errorString());

    QPrinter printer(QPrinter::HighResolution);
    const bool ownLayout = !PrintSettings::pageLayout().isValid();
    PrintSettings::applyTo(printer);
    if (ownLayout) {
        // Nothing chosen in Page Setup: the report's own paper, its margins are in the pages.
        const QSizeF size = doc->pageSizePoints(0);
        const auto orientation = size.width() > size.height() ? QPageLayout::Landscape : QPageLayout::Portrait;
        const QSizeF portrait = orientation == QPageLayout::Landscape ? size.transposed() : size;
        printer.setPageLayout(QPageLayout(QPageSize(portrait, QPageSize::Point), orientation, QMarginsF()));
        printer.setFullPage(true);
    }
    printer.setDocName(reportTitle().isEmpty() ? name() : name() + QStringLiteral(" - ") + reportTitle());
    qCInfo(lcEngine).noquote() << "printing" << name() << "on" << printer.printerName();

    QPainter painter;
    if (!painter.begin(&printer))
        throw ReportError(QStringLiteral("Cannot print on \"%1\".").arg(printer.printerName()));
    const QRectF target = printer.pageRect(QPrinter::DevicePixel);
    for (int i = 0; i < doc->pageCount(); ++i) {
        if (i > 0 && !printer.newPage())
            throw ReportError(QStringLiteral("The printer \"%1\" refused page %2.").arg(printer.printerName()).arg(i + 1));
        const QSizeF page = doc->pageSizePoints(i);
        // Fit the page into what the printer can print, keeping its proportions.
        const double scale = std::min(target.width() / page.width(), target.height() / page.height());
        painter.save();
        painter.scale(scale, scale);
        doc->paintPage(painter, i);
        painter.restore();
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        throw ReportError(QStringLiteral("Printing on \"%1\" failed.").arg(printer.printerName()));
}

} // namespace tarvik::engine
