#include "frmReportDateClinical.h"

#include <QDateEdit>

namespace tarvik::daily {

frmReportDateClinical::frmReportDateClinical(QWidget* parent)
    : ReportDateDialog(QStringLiteral("frmReportDateClinical"), parent)
{
}

QString frmReportDateClinical::captionFor(const QString& reportType) const
{
    const ClinicalRow* row = reportDateClinicalRow(reportType);
    return row ? QString::fromLatin1(row->report.title) : QStringLiteral("Report Date Entry");
}

void frmReportDateClinical::runReport()
{
    runReportDateClinical({picker->date(), reportType()});
}

} // namespace tarvik::daily
