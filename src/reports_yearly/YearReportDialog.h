#pragma once

#include "DialogPieces.h"
#include "YearEndReports.h"

#include <functional>

namespace tarvik::yearly {

// The year dialogs of one department report: Label1 "Report Year", the "yyyy" picker
// dtpReportMonth, cmdOptions(0) "&OK" (Enter, and the focus when the dialog opens) and
// cmdOptions(1) "&Cancel" (Esc). The caption is the title of the ReportType's row, "Report
// Year" for a ReportType without one (OK then produces nothing and closes the dialog).
class YearReportDialog : public runs::PickerDialog
{
    Q_OBJECT
public:
    using RowOf = const YearReportRow* (*)(const QString& reportType);
    using Run = bool (*)(const YearReportInput& in, RunUi& ui);

    YearReportDialog(const QString& formName, RowOf rowOf, Run run, QWidget* parent = nullptr);
    ~YearReportDialog() override;

protected:
    QString captionFor(const QString& reportType) const override;
    void runReport() override;

private:
    RowOf m_rowOf;
    Run m_run;
};

} // namespace tarvik::yearly
