#pragma once

#include "DialogPieces.h"
#include "MonthlyReports.h"

namespace tarvik::monthly {

// The after-end-of-month batch: any selection of eighteen month-end reports for one month,
// printed or shown in viewers in a fixed order. A completed batch closes the dialog; a failed
// one shows the error and leaves the dialog open with its choices.
class frmReportAfterEOM : public runs::BatchDialog
{
    Q_OBJECT
public:
    explicit frmReportAfterEOM(QWidget* parent = nullptr);
    ~frmReportAfterEOM() override;

protected:
    BatchResult runTicked(bool directPrint) override;
};

} // namespace tarvik::monthly
