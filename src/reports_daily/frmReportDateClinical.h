#pragma once

#include "DialogSupport.h"

namespace tarvik::daily {

// The report-date dialog of the "End of Day (Clinical Area)" logbooks: one date, the
// department chosen by ReportType ("0" laboratory, "1" X-ray, "2" ultrasound, "3" CT scan).
class frmReportDateClinical : public ReportDateDialog
{
    Q_OBJECT
public:
    explicit frmReportDateClinical(QWidget* parent = nullptr);

protected:
    QString captionFor(const QString& reportType) const override;
    void runReport() override;
};

} // namespace tarvik::daily
