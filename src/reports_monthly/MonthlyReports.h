#pragma once

// The work of the month-end dialogs, apart from their widgets: the monthly departmental report
// of one department and the after-end-of-month batch. Each is a table of report rows of the
// shared run layer (ReportRuns.h); the dialogs and the command line call the same functions.

#include "ReportRuns.h"
#include "RunEntries.h"

#include <QDate>
#include <QString>
#include <array>
#include <vector>

namespace tarvik::monthly {

using runs::BatchResult;
using runs::BatchRow;
using runs::interactiveUi;
using runs::ReportSpec;
using runs::RunUi;

// A department's monthly summary of frmReportMonth; its title is also the window caption.
struct MonthlyRow
{
    const char* reportType;
    ReportSpec report;
};

// The eight departments of frmReportMonth, by ReportType "0" to "7".
const std::vector<MonthlyRow>& reportMonthRows();
const MonthlyRow* reportMonthRow(const QString& reportType);

// The after-end-of-month batch, in the order it produces its boxes.
const std::vector<BatchRow>& afterEndOfMonthRows();

inline constexpr int kAfterEndOfMonthBoxes = 18;

// The month of a picked date: its first day F and its last day L ("mm/dd/yyyy" when sent).
runs::RunValues monthOf(const QDate& anyDay);

// ---- The dialogs' work ---------------------------------------------------------------------

struct ReportMonthInput
{
    QDate date;         // any day of the month
    QString reportType; // "0" to "7"
};
// The department's summary of the month in a modeless viewer, recomputed first. Returns false
// (and does nothing) for a type not in the table. Throws on failure.
bool runReportMonth(const ReportMonthInput& in, RunUi& ui = interactiveUi());

struct AfterEndOfMonthInput
{
    QDate date;                                       // any day of the month
    std::array<bool, kAfterEndOfMonthBoxes> ticked{}; // by box index
    bool directPrint = false;                         // Print rather than View
};
// The ticked reports in batch order. The first failure stops the run: what was produced stays,
// nothing after it is produced, and the result tells which box failed and why.
BatchResult runAfterEndOfMonth(const AfterEndOfMonthInput& in, RunUi& ui = interactiveUi());

// ---- The command line ----------------------------------------------------------------------

// The monthly departmental reports (in menu order) and the after-end-of-month batch for
// `tarvik-reports run`, built from the tables above.
std::vector<runs::RunEntry> monthEndRunEntries();

} // namespace tarvik::monthly
