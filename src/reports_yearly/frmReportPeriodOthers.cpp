#include "frmReportPeriodOthers.h"

namespace tarvik::yearly {

frmReportPeriodOthers::frmReportPeriodOthers(QWidget* parent)
    : PeriodDialog(QStringLiteral("frmReportPeriodOthers"), parent)
{
}

QString frmReportPeriodOthers::captionFor(const QString& reportType) const
{
    return reportType == QLatin1String("0") ? QStringLiteral("List of Admissions") : QString();
}

bool frmReportPeriodOthers::runReport(const QDate& from, const QDate& to, RunUi& ui)
{
    return runReportPeriodOthers({from, to, reportType(), {}}, ui);
}

} // namespace tarvik::yearly
