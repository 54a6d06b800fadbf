#pragma once

// The work of the period, aging and audit-trail dialogs, apart from their widgets: the payable
// aging and the adjustments over a period, the receivable aging of a balance class, the list of
// admissions, and the daily and monthly audit trails. Each is a table of report rows of the
// shared run layer; the dialogs and the command line call the same functions.

#include "ReportRuns.h"
#include "RunEntries.h"

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

// A report of a period dialog, by the ReportType the menu gives the dialog.
struct PeriodRow
{
    const char* reportType;
    ReportSpec report;
};

// frmReportPeriod: "3" payable aging in detail, "4" in summary, "6" the adjustments.
const std::vector<PeriodRow>& reportPeriodRows();
// frmAging: "1" the receivable aging in detail, "2" in summary.
const std::vector<PeriodRow>& agingRows();
// frmReportPeriodOthers: "0" the list of admissions.
const std::vector<PeriodRow>& reportPeriodOthersRows();

// The message of a refused period.
inline constexpr const char* kInvalidPeriod = "Invalid Report Period...";

// Whether a period may be run: it may not end after today (the workstation's day) nor start
// after it ends; one day (from = to) is a period.
bool periodIsValid(const QDate& from, const QDate& to, const QDate& today);

// The balance class letter of the aging's options: 0 receivables "P", 1 payables "N", else "A".
QString balanceClassOf(int option);

struct PeriodInput
{
    QDate from, to;
    QString reportType;
    QString balanceClass; // the aging's P, N or A; unused by the other dialogs
};

// The report of the ReportType for the period, in a modeless viewer; the dialog is unloaded
// (RunUi::unloadDialog) once the report is open, before it is shown. Returns false, and
// prepares nothing, for a ReportType without a row. Throws on failure.
bool runReportPeriod(const PeriodInput& in, RunUi& ui = interactiveUi());
bool runAging(const PeriodInput& in, RunUi& ui = interactiveUi());
bool runReportPeriodOthers(const PeriodInput& in, RunUi& ui = interactiveUi());

// ---- Audit trails ----------------------------------------------------------------------------

// The daily audit trail's boxes, in the order they are produced: chkDetail, chkSumAR, chkSumGL.
inline constexpr int kAuditTrailBoxes = 3;
// The monthly one's: chkDetail, chkSumAR, chkSumGL, chkBreakDown.
inline constexpr int kAuditTrailMonthlyBoxes = 4;

const std::vector<BatchRow>& auditTrailRows();
const std::vector<BatchRow>& auditTrailMonthlyRows();

// The patient class letter of the daily audit trail's options: 0 "I", 1 "O", else "A".
QString patientClassOf(int option);

struct AuditTrailInput
{
    QDate date;
    QString patientClass; // I, O or A
    std::array<bool, kAuditTrailBoxes> ticked{};
};

struct AuditTrailMonthlyInput
{
    QDate date; // any day of the month
    std::array<bool, kAuditTrailMonthlyBoxes> ticked{};
};

// The ticked reports in their order, each in a viewer of its own with its progress window.
// The first failure stops the run: what was produced stays, and the result says why.
BatchResult runAuditTrail(const AuditTrailInput& in, RunUi& ui = interactiveUi());
BatchResult runAuditTrailMonthly(const AuditTrailMonthlyInput& in, RunUi& ui = interactiveUi());

// ---- The command line ----------------------------------------------------------------------

// The reports of these dialogs for `tarvik-reports run`, in menu order.
std::vector<runs::RunEntry> periodRunEntries();

} // namespace tarvik::yearly
