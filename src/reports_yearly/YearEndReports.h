#pragma once

// The work of the year-end dialogs, apart from their widgets: the year-end batch and the year
// reports by department. Each report is a department's year summary produced by the
// departmental year-end runner; the tables below say which department, title and flag. The
// dialogs and the command line call the same functions.

#include "ReportRuns.h"

#include <QDate>
#include <QString>
#include <array>
#include <vector>

namespace tarvik::yearly {

using runs::BatchResult;
using runs::BatchRow;
using runs::interactiveUi;
using runs::ReportSpec;
using runs::RunUi;

// A department's year report of a one-report dialog, chosen by the dialog's ReportType; its
// title is also the dialog's caption.
struct YearReportRow
{
    const char* reportType;
    ReportSpec report;
};

inline constexpr int kYearEndBoxes = 9;

// The year-end batch, in the order its boxes are produced (box 0 to 8).
const std::vector<BatchRow>& yearEndRows();
// The eight clinical departments of frmReportYearClinical ("0" to "7").
const std::vector<YearReportRow>& yearClinicalRows();
// The apparatus report of frmReportYearOthers ("0").
const std::vector<YearReportRow>& yearOthersRows();

// Row lookups; nullptr for a ReportType not in the table.
const YearReportRow* yearClinicalRow(const QString& reportType);
const YearReportRow* yearOthersRow(const QString& reportType);

// What a year report is run for: the month the picker holds in the year it holds, from its
// first to its last day. The "yyyy" picker shows only the year, so the month is the server
// date's, kept when the year is changed (February of a leap year ends on the 29th).
runs::RunValues yearRunValues(const QDate& picked);

// ---- The dialogs' work ---------------------------------------------------------------------

struct YearEndInput
{
    QDate picked;                            // the picker's date
    std::array<bool, kYearEndBoxes> ticked{}; // by box index
    bool directPrint = false;                // Print rather than View
};

// The ticked departments in box order, each through the year-end runner. The first failure
// stops the run: what was produced stays, nothing after it is produced, and the result tells
// which box failed and why.
BatchResult runYearEnd(const YearEndInput& in, RunUi& ui = interactiveUi());

struct YearReportInput
{
    QDate picked;       // the picker's date
    QString reportType; // the dialog's ReportType
};

// The department's year report of the ReportType, in a modeless viewer. Returns false, and
// does nothing, for a ReportType without a row. Throws on failure.
bool runYearClinical(const YearReportInput& in, RunUi& ui = interactiveUi());
bool runYearOthers(const YearReportInput& in, RunUi& ui = interactiveUi());

} // namespace tarvik::yearly
