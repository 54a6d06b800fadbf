#include "frmReportPeriod.h"

namespace tarvik::yearly {

frmReportPeriod::frmReportPeriod(QWidget* parent)
    : PeriodDialog(QStringLiteral("frmReportPeriod"), parent)
{
}

QString frmReportPeriod::captionFor(const QString&) const
{
    return {};
}

bool frmReportPeriod::runReport(const QDate& from, const QDate& to, RunUi& ui)
{
    return runReportPeriod({from, to, reportType(), {}}, ui);
}

} // namespace tarvik::yearly
