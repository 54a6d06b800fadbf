#pragma once

#include "AuditTrailDialog.h"

namespace tarvik::yearly {

// The monthly summary of the audit trail: the month (dtpReportDate, "MM/yyyy") and, top to
// bottom, chkDetail (the G/L entries), chkSumGL (the summary per G/L account), chkSumAR (the
// summary per A/R account) and chkBreakDown (the departmental revenue); they are produced in
// the order detail, per A/R, per G/L, breakdown, for the month's first to its last day.
class frmAuditTrailMonthly : public AuditTrailDialog
{
    Q_OBJECT
public:
    explicit frmAuditTrailMonthly(QWidget* parent = nullptr);

protected:
    BatchResult runTicked() override;
};

} // namespace tarvik::yearly
