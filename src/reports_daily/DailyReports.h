#pragma once

// The work of the end-of-day dialogs, apart from their widgets: each dialog gathers a small
// input value and calls one function here; the command line calls the same functions.
// The reports themselves are tables of rows, produced by the shared run layer (ReportRuns.h).

#include "ReportRuns.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

namespace tarvik::daily {

// The shared run layer's names, as the end-of-day code has always used them.
using runs::BatchResult;
using runs::BatchRow;
using runs::DayTotals;
using runs::interactiveUi;
using runs::Output;
using runs::ReportSpec;
using runs::RunUi;
using runs::SubreportSpec;
using runs::ValueKind;
using runs::ValueSpec;
using runs::exportPresetFile;

// A report of the "daily reports by date" dialog.
struct DateReportRow
{
    const char* reportType;
    const char* windowCaption; // nullptr keeps the dialog's own caption
    ReportSpec report;
};

// A department's daily logbook of the clinical-area dialog; its title is the window caption.
struct ClinicalRow
{
    const char* reportType;
    ReportSpec report;
};

// A sort order of the account status report.
struct AccountStatusRow
{
    int option;
    const char* optionCaption;
    ReportSpec report;
};

// The tables, in the order the dialogs use them (the batch table in batch order).
const std::vector<BatchRow>& endOfDayRows();
const std::vector<DateReportRow>& reportDateOthersRows();
const std::vector<ClinicalRow>& reportDateClinicalRows();
const std::vector<AccountStatusRow>& accountStatusRows();

inline constexpr int kEndOfDayBoxes = 13;

// Row lookups; nullptr for a value not in the table.
const DateReportRow* reportDateOthersRow(const QString& reportType);
const ClinicalRow* reportDateClinicalRow(const QString& reportType);
const AccountStatusRow* accountStatusRow(int option);

// ---- The dialogs' work ---------------------------------------------------------------------

struct ReportDateOthersInput
{
    QDate date;
    QString reportType;
};
// The report the type selects, in a modeless viewer with its spreadsheet preset. Returns
// false (and does nothing) for a type not in the table. Throws on failure.
bool runReportDateOthers(const ReportDateOthersInput& in, RunUi& ui = interactiveUi());

struct ReportDateClinicalInput
{
    QDate date;
    QString reportType;
};
// The department's logbook of the day in a modeless viewer. Returns false for a type not in
// the table. Throws on failure.
bool runReportDateClinical(const ReportDateClinicalInput& in, RunUi& ui = interactiveUi());

struct EndOfDayInput
{
    QDate date;
    std::array<bool, kEndOfDayBoxes> ticked{}; // by box index
    bool directPrint = false;                  // Print rather than View
};

// The ticked reports in batch order. The first failure stops the run: what was produced stays,
// nothing after it is produced, and the result tells which box failed and why.
BatchResult runEndOfDay(const EndOfDayInput& in, RunUi& ui = interactiveUi());

struct AccountStatusInput
{
    QDate date;
    int option = 0; // 0 balance, 1 name, 2 account limit, 3 station
};
// Opens the report of the sort order on "BILLING", unloads the dialog, then shows the report
// in a modal viewer. Throws on failure (before the dialog is unloaded when opening failed).
void runAccountStatus(const AccountStatusInput& in, RunUi& ui = interactiveUi());

} // namespace tarvik::daily
