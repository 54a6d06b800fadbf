#include "PresentedReports.h"

#include "ReportOperations.h"
#include "frmAnimate.h"

#include <QApplication>
#include <QFileInfo>

namespace tarvik::testsupport {

namespace {

QStringList valuesOf(tarvik::engine::Report& report)
{
    QStringList out;
    for (auto* field : report.parameterFields())
        out << valueText(field->currentValue());
    return out;
}

} // namespace

PresentedReports::PresentedReports()
{
    tarvik::setShowReportOverride([this](const tarvik::engine::ReportPtr& report, bool showGroupTree,
                                         const QString& caption, bool directPrint, bool modal) {
        Shown s;
        s.caption = caption;
        s.groupTree = showGroupTree;
        s.directPrint = directPrint;
        s.modal = modal;
        s.progressShowing = tarvik::frmAnimate::instance() && tarvik::frmAnimate::instance()->isVisible();
        s.busy = QApplication::overrideCursor() != nullptr;
        if (report) {
            s.file = QFileInfo(report->filePath()).fileName();
            for (auto* table : report->tables())
                s.databases << table->location().section(QLatin1Char('.'), 0, 0);
            s.values = valuesOf(*report);
            for (auto* sub : report->subreports())
                s.subreports << sub->name() + QStringLiteral(": ") + valuesOf(*sub).join(QStringLiteral("; "));
        }
        shown.push_back(s);
    });
}

PresentedReports::~PresentedReports()
{
    tarvik::setShowReportOverride({});
}

} // namespace tarvik::testsupport
