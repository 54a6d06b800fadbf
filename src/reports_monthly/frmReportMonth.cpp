#include "frmReportMonth.h"

namespace tarvik::monthly {

frmReportMonth::frmReportMonth(QWidget* parent)
    : runs::PickerDialog({QStringLiteral("frmReportMonth"), QStringLiteral("Monthly Report"),
                          QStringLiteral("Report Month"), QStringLiteral("dtpReportDate"), QStringLiteral("MM/yyyy")},
                         parent)
{
}

QString frmReportMonth::captionFor(const QString& reportType) const
{
    const MonthlyRow* row = reportMonthRow(reportType);
    return row ? QString::fromLatin1(row->report.title) : QStringLiteral("Monthly Report");
}

void frmReportMonth::runReport()
{
    runReportMonth({picker->date(), reportType()});
}

} // namespace tarvik::monthly
