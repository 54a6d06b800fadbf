#pragma once

// The work of the end-of-day dialogs, apart from their widgets: each dialog gathers a small
// input value and calls one function here; the command line calls the same functions.
// The reports themselves are tables of rows read by one routine (DailyReports.cpp).

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <array>
#include <vector>

namespace tarvik::daily {

// ---- What a run needs from the screen -------------------------------------------------------

// What the dialogs show while they work, and how a prepared report is presented. The
// interactive implementation (interactiveUi()) sets the hourglass pointer, shows the progress
// window and calls ShowReport; an unattended run replaces it.
class RunUi
{
public:
    virtual ~RunUi() = default;
    // The hourglass pointer on or off. Calls are balanced, also when an error stops the work.
    virtual void setBusy(bool busy) = 0;
    // The progress window around a long report; closed also when an error stops the work.
    virtual void openProgress() = 0;
    virtual void closeProgress() = 0;
    // Presents gReport: printed directly, or in a (modal or modeless) viewer.
    virtual void showReport(bool showGroupTree, const QString& caption, bool directPrint, bool modal) = 0;
    // The dialog's own window goes away at this point of the run (the account status report
    // closes its dialog before the modal viewer opens).
    virtual void unloadDialog() {}
    // One report has been presented (for a progress log).
    virtual void produced(const QString& /*caption*/) {}
};

// The hourglass, the progress window of the report output and ShowReport.
RunUi& interactiveUi();

// ---- Values the reports are given ------------------------------------------------------------

// The six totals of a day's summary, as the totals procedures return them. The patient counts
// are wide: a busy day of a large hospital passes 32,767 patients.
struct DayTotals
{
    qint64 patientCharge = 0;
    qint64 patientCash = 0;
    double hospCharge = 0;
    double profCharge = 0;
    double hospCash = 0;
    double profCash = 0;
};

// One value of a report's parameter list, by what it is made of.
enum class ValueKind {
    Day,          // D, the report date as "mm/dd/yyyy"
    Address,      // gCompanyAddress
    Totals,       // six values: patient cash, patient charge, hosp. cash, hosp. charge, prof. cash, prof. charge
    EmployeeName, // the logged-in user's employee name
    Literal,      // the row's own text
};

struct ValueSpec
{
    ValueKind kind;
    const char* text = nullptr; // Literal only
};

struct SubreportSpec
{
    const char* name;
    const char* database;
    std::vector<ValueSpec> values;
};

// Whether a report honours the run's direct-print choice.
enum class Output { AsChosen, AlwaysViewer };

// One report: how it is prepared, opened and presented.
struct ReportSpec
{
    const char* file = nullptr;         // under gReportPath, beginning with "/"
    const char* database = nullptr;     // the database its tables are pointed at
    std::vector<ValueSpec> values;      // the parameter list, in the report's field order
    std::vector<SubreportSpec> subreports;
    const char* caption = nullptr;      // of the viewer
    bool captionWithDay = false;        // the caption is followed by D
    bool groupTree = false;
    bool progressWindow = false;
    bool hourglass = false;
    // Commands run before the report, each the text here followed by D and a closing quote.
    std::vector<const char*> preparation;
    // The query whose single row gives the six totals (the text followed by D and a quote).
    const char* totalsQuery = nullptr;
    Output output = Output::AsChosen;
    const char* exportName = nullptr;   // the spreadsheet preset's name, or none
};

// A report of the end-of-day batch: a report of its own, or a department's daily logbook
// produced by the departmental runner.
struct BatchRow
{
    int box;                    // the check box's index
    const char* boxCaption;
    enum class Kind { Report, DepartmentLogbook } kind;
    ReportSpec report;          // Kind::Report
    const QString* deptCode;    // Kind::DepartmentLogbook: the session's department code
    const char* title;          // Kind::DepartmentLogbook
};

// A report of the "daily reports by date" dialog.
struct DateReportRow
{
    const char* reportType;
    const char* windowCaption; // nullptr keeps the dialog's own caption
    ReportSpec report;
};

// A department's daily logbook of the clinical-area dialog.
struct ClinicalRow
{
    const char* reportType;
    const char* title;         // the window caption and the report title
    const QString* deptCode;
};

// A sort order of the account status report.
struct AccountStatusRow
{
    int option;
    const char* optionCaption;
    const char* file;
    bool groupTree;
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

// ---- Texts ---------------------------------------------------------------------------------

// "mm/dd/yyyy", the form every command text and report parameter takes.
QString dayText(const QDate& date);
// "mm-dd-yyyy", the date in spreadsheet preset names.
QString exportDayText(const QDate& date);
// The preset file of an export name for a day: the desktop folder (or the export folder the
// settings name) + "/" + name + " " + mm-dd-yyyy + ".xls".
QString exportPresetFile(const QString& exportName, const QDate& date);

// The six totals from the current row of the totals query's result; a Null field gives 0, no
// row (or no result) gives all 0. Throws DbError for a missing field.
DayTotals readTotals(const QString& totalsQuery, const QString& day);

// A report's parameter list for a day.
QVariantList buildValues(const std::vector<ValueSpec>& specs, const QString& day, const DayTotals& totals);

// ---- The dialogs' work ---------------------------------------------------------------------

// Prepares, opens and presents one report of a table for a day. Throws on any failure, with
// the hourglass and the progress window already taken down.
void produceReport(const ReportSpec& desc, const QDate& date, bool directPrint, RunUi& ui);

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

struct BatchResult
{
    QStringList produced;   // captions of the reports presented, in batch order
    int failedBox = -1;     // the box whose report failed, or -1
    QString error;          // the failure's description; empty when the run completed
    bool ok() const { return failedBox < 0; }
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
