#pragma once

#include "YearReportDialog.h"

namespace tarvik::yearly {

// The year report of the other departments: ReportType "0", the apparatus report (which asks
// for the billed lines).
class frmReportYearOthers : public YearReportDialog
{
    Q_OBJECT
public:
    explicit frmReportYearOthers(QWidget* parent = nullptr);
};

} // namespace tarvik::yearly
