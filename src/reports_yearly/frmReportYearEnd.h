#pragma once

#include "DialogPieces.h"
#include "YearEndReports.h"

namespace tarvik::yearly {

// The year-end batch: any selection of nine departmental year-end summaries for one year,
// printed or shown in viewers in box order. The picker shows only the year; the reports are
// run for the month it holds (the server date's) in that year. A completed batch closes the
// dialog; a failed one shows the error and leaves the dialog open with its choices. A ReportType
// given to it is kept as the "ReportType" property and changes nothing.
class frmReportYearEnd : public runs::BatchDialog
{
    Q_OBJECT
public:
    explicit frmReportYearEnd(QWidget* parent = nullptr);
    ~frmReportYearEnd() override;

protected:
    BatchResult runTicked(bool directPrint) override;
};

} // namespace tarvik::yearly
