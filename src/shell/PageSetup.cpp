#include "PageSetup.h"

#include <QLoggingCategory>
#include <QPageSetupDialog>
#include <QPrinter>

#ifdef TARVIK_HAVE_ENGINE
#include "Report.h"
#endif

Q_LOGGING_CATEGORY(lcPageSetup, "tarvik.shell")

namespace tarvik::shell {

void runPageSetup(QWidget* parent)
{
    try {
        QPrinter printer(QPrinter::HighResolution);
#ifdef TARVIK_HAVE_ENGINE
        try {
            tarvik::engine::PrintSettings::applyTo(printer);
        } catch (const std::exception& e) {
            // No printer yet: the page can still be set up for when one is added.
            qCInfo(lcPageSetup) << "page set-up without a printer:" << e.what();
        }
#endif
        QPageSetupDialog dialog(&printer, parent);
        dialog.setObjectName(QStringLiteral("dlgCommonDialog"));
        dialog.setWindowTitle(QStringLiteral("Page Setup"));
        if (dialog.exec() != QDialog::Accepted)
            return;
#ifdef TARVIK_HAVE_ENGINE
        tarvik::engine::PrintSettings::setPrinterName(printer.printerName());
        tarvik::engine::PrintSettings::setPageLayout(printer.pageLayout());
        tarvik::engine::PrintSettings::setCopies(printer.copyCount());
#else
        qCWarning(lcPageSetup) << "no report engine in this build: the page set-up is not kept";
#endif
    } catch (const std::exception& e) {
        // Page set-up never troubles the user with an error.
        qCWarning(lcPageSetup) << "page set-up failed:" << e.what();
    }
}

} // namespace tarvik::shell
