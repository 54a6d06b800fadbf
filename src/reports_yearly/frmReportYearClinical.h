#pragma once

#include "YearReportDialog.h"

namespace tarvik::yearly {

// The year report of a clinical department: ReportType "0" laboratory, "1" X-ray, "2"
// ultrasound, "3" operating room, "4" physical therapy, "5" RTS, "6" CT scan, "7" delivery room.
class frmReportYearClinical : public YearReportDialog
{
    Q_OBJECT
public:
    explicit frmReportYearClinical(QWidget* parent = nullptr);
};

} // namespace tarvik::yearly
