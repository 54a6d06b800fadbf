#pragma once

#include "DialogPieces.h"
#include "MonthlyReports.h"

namespace tarvik::monthly {

// The monthly report dialog of the "End of Month (Clinical Area)" departments: one month, the
// department chosen by ReportType ("0" laboratory to "7" delivery room). OK (Enter) produces the
// department's summary of the month and closes; a failure shows its description and leaves the
// dialog open with its month. Cancel (Esc) closes.
class frmReportMonth : public runs::PickerDialog
{
    Q_OBJECT
public:
    explicit frmReportMonth(QWidget* parent = nullptr);

protected:
    QString captionFor(const QString& reportType) const override;
    void runReport() override;
};

} // namespace tarvik::monthly
