#pragma once

// What the end-of-day dialogs share beyond the run layer's pieces: the report-date layout of
// two of them.

#include "DailyReports.h"
#include "DialogPieces.h"

namespace tarvik::daily {

using runs::DialogRunUi;
using runs::makeReportDatePicker;
using runs::showRunError;

// The report-date dialog layout: Label1 "Report Date", dtpReportDate, cmdOptions(0) "&OK"
// (Enter) and cmdOptions(1) "&Cancel" (Esc).
class ReportDateDialog : public runs::PickerDialog
{
    Q_OBJECT
public:
    explicit ReportDateDialog(const QString& formName, QWidget* parent = nullptr);
    ~ReportDateDialog() override;
};

} // namespace tarvik::daily
