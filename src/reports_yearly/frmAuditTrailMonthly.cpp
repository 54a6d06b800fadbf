#include "frmAuditTrailMonthly.h"

namespace tarvik::yearly {

namespace {

AuditTrailDialog::Layout monthlyLayout()
{
    return {QStringLiteral("frmAuditTrailMonthly"), QStringLiteral("Report Month:"), QStringLiteral("MM/yyyy"),
            &auditTrailMonthlyRows(), {{0, "chkDetail"}, {2, "chkSumGL"}, {1, "chkSumAR"}, {3, "chkBreakDown"}}};
}

} // namespace

frmAuditTrailMonthly::frmAuditTrailMonthly(QWidget* parent)
    : AuditTrailDialog(monthlyLayout(), parent)
{
}

BatchResult frmAuditTrailMonthly::runTicked()
{
    AuditTrailMonthlyInput in;
    in.date = dtpReportDate->date();
    const std::vector<bool> ticked = tickedBoxes();
    for (int i = 0; i < kAuditTrailMonthlyBoxes; ++i)
        in.ticked[size_t(i)] = ticked.at(size_t(i));
    return runAuditTrailMonthly(in);
}

} // namespace tarvik::yearly
