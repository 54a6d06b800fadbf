#include "frmReportYearClinical.h"

namespace tarvik::yearly {

frmReportYearClinical::frmReportYearClinical(QWidget* parent)
    : YearReportDialog(QStringLiteral("frmReportYearClinical"), &yearClinicalRow, &runYearClinical, parent)
{
}

} // namespace tarvik::yearly
