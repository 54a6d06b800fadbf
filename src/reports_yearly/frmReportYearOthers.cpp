#include "frmReportYearOthers.h"

namespace tarvik::yearly {

frmReportYearOthers::frmReportYearOthers(QWidget* parent)
    : YearReportDialog(QStringLiteral("frmReportYearOthers"), &yearOthersRow, &runYearOthers, parent)
{
}

} // namespace tarvik::yearly
