#pragma once

#include "PeriodDialog.h"

namespace tarvik::yearly {

// The other reports by period: ReportType "0" the list of admissions ("List of Admissions"
// on the window, "List Of Admissions" on the viewer). Any other ReportType leaves the caption
// empty and OK produces nothing.
class frmReportPeriodOthers : public PeriodDialog
{
    Q_OBJECT
public:
    explicit frmReportPeriodOthers(QWidget* parent = nullptr);

protected:
    QString captionFor(const QString& reportType) const override;
    bool runReport(const QDate& from, const QDate& to, RunUi& ui) override;
};

} // namespace tarvik::yearly
