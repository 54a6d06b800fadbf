#include "EngineLog.h"
#include "Report.h"

#include <QMutex>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>

namespace tarvik::engine {

namespace {

struct Settings
{
    QMutex mutex;
    QString printerName;
    QPageSize paper;
    std::optional<QPageLayout::Orientation> orientation;
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

QPageSize PrintSettings::paper()
{
    QMutexLocker lock(&settings().mutex);
    return settings().paper;
}

void PrintSettings::setPaper(const QPageSize& paper)
{
    QMutexLocker lock(&settings().mutex);
    settings().paper = paper;
}

std::optional<QPageLayout::Orientation> PrintSettings::orientation()
{
    QMutexLocker lock(&settings().mutex);
    return settings().orientation;
}

void PrintSettings::setOrientation(std::optional<QPageLayout::Orientation> orientation)
{
    QMutexLocker lock(&settings().mutex);
    settings().orientation = orientation;
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

void PrintSettings::reset()
{
    QMutexLocker lock(&settings().mutex);
    settings().printerName.clear();
    settings().paper = QPageSize();
    settings().orientation.reset();
    settings().copies = 1;
}

QPageLayout PrintSettings::pageLayoutFor(const QSizeF& reportPage)
{
    const QSizeF page = reportPage.isEmpty() ? QSizeF(612, 792) : reportPage;
    const auto own = page.width() > page.height() ? QPageLayout::Landscape : QPageLayout::Portrait;
    const QPageLayout::Orientation turned = orientation().value_or(own);
    QPageSize size = paper();
    if (!size.isValid()) {
        // The report's own paper, named when it is a standard one (the printer then picks the
        // right tray), described by its portrait size either way.
        const QSizeF portrait = own == QPageLayout::Landscape ? page.transposed() : page;
        size = QPageSize(QPageSize::id(portrait, QPageSize::Point, QPageSize::FuzzyMatch));
        const QSizeF named = size.isValid() ? size.size(QPageSize::Point) : QSizeF();
        if (!size.isValid() || std::abs(named.width() - portrait.width()) + std::abs(named.height() - portrait.height()) > 2)
            size = QPageSize(portrait, QPageSize::Point);
    }
    return QPageLayout(size, turned, QMarginsF());
}

void PrintSettings::applyTo(QPrinter& printer, const QSizeF& reportPage)
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
    printer.setFullPage(true);
    printer.setPageLayout(pageLayoutFor(reportPage));
    printer.setCopyCount(copies());
}

void Report::printOut()
{
    auto doc = layOut();
    doc->waitForFinished();
    if (doc->hasFailed())
        throw ReportError(doc->errorString());

    QPrinter printer(QPrinter::HighResolution);
    PrintSettings::applyTo(printer, doc->pageCount() > 0 ? doc->pageSizePoints(0) : definition().pageSizePoints());
    printer.setDocName(displayName());
    qCInfo(lcEngine).noquote() << "printing" << name() << "on" << printer.printerName();

    QPainter painter;
    if (!painter.begin(&printer))
        throw ReportError(QStringLiteral("Cannot print on \"%1\".").arg(printer.printerName()));
    const QRectF target = printer.pageRect(QPrinter::DevicePixel);
    for (int i = 0; i < doc->pageCount(); ++i) {
        if (i > 0 && !printer.newPage())
            throw ReportError(QStringLiteral("The printer \"%1\" refused page %2.").arg(printer.printerName()).arg(i + 1));
        const QSizeF page = doc->pageSizePoints(i);
        // Fit the page into what the printer can print, keeping its proportions; on the
        // report's own paper this is its real size.
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
