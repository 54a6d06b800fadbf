#pragma once

#include "PeriodDialog.h"

namespace tarvik::yearly {

// The reports by period: ReportType "3" the payable aging in detail, "4" in summary (both
// recomputed for the period first, under the progress window), "6" the adjustments of the
// period up to the end of its last day. The window has no caption.
class frmReportPeriod : public PeriodDialog
{
    Q_OBJECT
public:
    explicit frmReportPeriod(QWidget* parent = nullptr);

protected:
    QString captionFor(const QString& reportType) const override;
    bool runReport(const QDate& from, const QDate& to, RunUi& ui) override;
};

} // namespace tarvik::yearly
