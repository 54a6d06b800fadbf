#pragma once

#include "DialogSupport.h"

namespace tarvik::daily {

// The report-date dialog of the "End of Day (Others)" reports: one date, the report chosen by
// ReportType ("0" discharges, "1" income, "2" services, "3" admissions, "4" OPD, "7" payments).
class frmReportDateOthers : public ReportDateDialog
{
    Q_OBJECT
public:
    explicit frmReportDateOthers(QWidget* parent = nullptr);

protected:
    QString captionFor(const QString& reportType) const override;
    void runReport() override;
};

} // namespace tarvik::daily
