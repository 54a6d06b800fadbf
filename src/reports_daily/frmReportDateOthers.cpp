#include "frmReportDateOthers.h"

#include <QDateEdit>

namespace tarvik::daily {

frmReportDateOthers::frmReportDateOthers(QWidget* parent)
    : ReportDateDialog(QStringLiteral("frmReportDateOthers"), parent)
{
}

QString frmReportDateOthers::captionFor(const QString& reportType) const
{
    const DateReportRow* row = reportDateOthersRow(reportType);
    if (!row || !row->windowCaption)
        return QStringLiteral("Report Date Entry");
    return QString::fromLatin1(row->windowCaption);
}

void frmReportDateOthers::runReport()
{
    runReportDateOthers({picker->date(), reportType()});
}

} // namespace tarvik::daily
