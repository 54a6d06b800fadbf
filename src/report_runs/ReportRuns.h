#pragma once

// What every report dialog and batch stands on: the hooks a run shows its work through, the
// description of one report (a row of a dialog's table), the one routine that produces a row
// and the one that runs a batch of rows in a fixed order. A dialog is a table of rows and a
// small form; the command line runs the same rows through other hooks.

#include "DateTexts.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <stdexcept>
#include <vector>

namespace tarvik::db {
class Connection;
}

namespace tarvik::runs {

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
    // The dialog's own window goes away at this point of the run (some dialogs close before
    // their report is shown).
    virtual void unloadDialog() {}
    // A batch is about to produce its report `index` (from 1) of `count`: the box's caption.
    virtual void starting(int /*index*/, int /*count*/, const QString& /*what*/) {}
    // The batch has ended, completed or stopped by a failure.
    virtual void batchEnded() {}
    // One report has been presented (for a progress log).
    virtual void produced(const QString& /*caption*/) {}
    // Whether the person (its progress window's Cancel) or a stop signal asked the run under
    // way to stop. forgetCancel() is called as each report starts.
    virtual bool cancelRequested() const { return false; }
    virtual void forgetCancel() {}
    // Where the report just presented under `caption` went, for the run history: "viewer",
    // "printer NAME", "file PATH", "; " between them.
    virtual QString outputsOf(const QString& /*caption*/, bool directPrint) const
    {
        return directPrint ? QStringLiteral("printer") : QStringLiteral("viewer");
    }
};

// A report whose run was cancelled: its database work rolled back, nothing of it presented.
class RunCancelled : public std::runtime_error
{
public:
    explicit RunCancelled(const QString& caption);
    QString caption() const { return m_caption; }

private:
    QString m_caption;
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

// What one run's command texts and parameter values are made of.
struct RunValues
{
    QDate from;        // D for a day's report; F, the first day of a month or period
    QDate to;          // D for a day's report; L or T, the last day
    QString choice;    // the letter the dialog's options chose (patient or balance class)
    DayTotals totals;  // what the row's totals query returned

    static RunValues day(const QDate& day) { return {day, day, {}, {}}; }
    static RunValues period(const QDate& from, const QDate& to) { return {from, to, {}, {}}; }
    // The whole month of the date.
    static RunValues month(const QDate& anyDay) { return {firstDayOfMonth(anyDay), lastDayOfMonth(anyDay), {}, {}}; }
};

// One value of a report's parameter list (or one argument of a command text), by what it is
// made of.
enum class ValueKind {
    Day,          // D, the report date as "mm/dd/yyyy" (the run's first day)
    First,        // F, the first day of the month or period, "mm/dd/yyyy"
    Last,         // L or T, the last day, "mm/dd/yyyy"
    LastThrough,  // T followed by " 23:59:59.99": up to the end of the last day
    Year,         // the year of F, "2026"
    Address,      // gCompanyAddress
    CompanyName,  // gCompanyName
    EmployeeName, // the logged-in user's employee name
    Choice,       // the class letter the dialog chose
    Totals,       // six values: patient cash, patient charge, hosp. cash, hosp. charge, prof. cash, prof. charge
    Literal,      // its own text
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

// A command text: `head` (the procedure and everything up to the first argument's opening
// quote, blanks as written) followed by the arguments, each quoted, joined by "', '".
struct CommandSpec
{
    const char* head = nullptr;
    std::vector<ValueSpec> arguments;
};

// A command text that takes the report date D as its only argument.
CommandSpec dayCommand(const char* head);

// Whether a report honours the run's direct-print choice.
enum class Output { AsChosen, AlwaysViewer };

// How a row is produced: a report of its own, or a department's report through a
// departmental runner (which prepares, opens and presents it itself).
enum class RowKind {
    Report,
    DailyLogbook,   // PrintDailyReport(D, D, code, title, print)
    MonthlySummary, // PrintMonthlyReport(F, L, code, title, print, flag)
    YearEndSummary, // PrintYearEndReport(F, T, code, title, print, flag)
};

// A department code: a session value (gDeptLaboratory) or a literal written by the dialog.
struct DeptCode
{
    const QString* session = nullptr;
    const char* literal = nullptr;
    QString value() const;
};

// One report: how it is prepared, opened and presented.
struct ReportSpec
{
    RowKind kind = RowKind::Report;

    // RowKind::Report
    const char* file = nullptr;         // under gReportPath, beginning with "/"
    const char* database = nullptr;     // the database its tables are pointed at
    std::vector<ValueSpec> values;      // the parameter list, in the report's field order
    std::vector<SubreportSpec> subreports;
    const char* caption = nullptr;      // of the viewer
    bool captionWithDay = false;        // the caption is followed by D
    bool groupTree = false;
    bool progressWindow = false;
    bool hourglass = false;
    bool modal = false;                 // a modal viewer (returns when it is closed)
    bool unloadBeforeShow = false;      // the dialog closes once the report is open, before it is shown
    std::vector<CommandSpec> preparation; // run in order before the report
    CommandSpec totalsQuery;            // its single row gives the six totals (head null: none)
    Output output = Output::AsChosen;
    const char* exportName = nullptr;   // the spreadsheet preset's name, or none

    // The departmental runners
    DeptCode dept;
    const char* title = nullptr;
    const char* flag = nullptr;         // "Y" or "N" (monthly and year-end)
};

// A report of a batch dialog, by the check box that asks for it.
struct BatchRow
{
    int box;                // the check box's index
    const char* boxCaption;
    ReportSpec report;
};

// ---- Texts ---------------------------------------------------------------------------------

// The preset file of an export name for a day: the desktop folder (or the export folder the
// settings name) + "/" + name + " " + mm-dd-yyyy + ".xls".
QString exportPresetFile(const QString& exportName, const QDate& date);

// What an output file's name ends with for a run: the day "mm-dd-yyyy"; a whole month
// "mm-yyyy"; a whole year "yyyy"; any other period "mm-dd-yyyy to mm-dd-yyyy".
QString runLabel(const RunValues& run);

// The name of a report's output file without its extension, as the spreadsheet presets name
// theirs: the export name and the label; without an export name, the caption (a day it ends
// with left out, characters a file name cannot hold replaced) and the label. The command
// line's files and the viewers' exports are named so.
QString outputBaseName(const QString& exportName, const QString& caption, const QDate& day, const QString& label);

// A report's parameter list.
QVariantList buildValues(const std::vector<ValueSpec>& items, const RunValues& run);

// The text of a command for a run.
QString commandText(const CommandSpec& command, const RunValues& run);

// The caption a row's report is presented (and logged) under.
QString captionOf(const ReportSpec& row, const RunValues& run);

// ---- Work --------------------------------------------------------------------------------

// The session's connection; throws when nobody is logged in.
db::Connection& sessionConnection();

// The six totals from the current row of the result of `command`; a Null field gives 0, no
// row gives all 0. Throws DbError when the command returns no result at all or a field is
// missing.
DayTotals readTotals(const QString& command);

// Prepares, opens and presents one row. Returns the caption it was presented under. Throws on
// any failure, with the hourglass and the progress window already taken down; RunCancelled
// when the run was cancelled.
QString produceRow(const ReportSpec& row, const RunValues& run, bool directPrint, RunUi& ui);

struct BatchResult
{
    QStringList produced;   // captions of the reports presented, in batch order
    int failedBox = -1;     // the box whose report failed or was cancelled, or -1
    QString error;          // the failure's description; empty when the run completed
    bool cancelled = false; // the failure is a cancel (then error names the report and what was produced)
    bool ok() const { return failedBox < 0; }
};

// The ticked rows, in the table's order. The first failure stops the run: what was produced
// stays, nothing after it is produced, and the result tells which box failed and why. A cancel
// stops it the same way; a cancel that came as a report was being presented lets that one
// stand and stops before the next.
BatchResult runBatch(const std::vector<BatchRow>& rows, const std::function<bool(int box)>& ticked,
                     const RunValues& run, bool directPrint, RunUi& ui);

// The row of a table whose `reportType` member equals the text; nullptr for none.
template <typename Row>
const Row* rowOfType(const std::vector<Row>& rows, const QString& reportType)
{
    for (const Row& row : rows)
        if (reportType == QLatin1String(row.reportType))
            return &row;
    return nullptr;
}

// The box caption of a batch table's box, or an empty text.
QString boxCaptionOf(const std::vector<BatchRow>& rows, int box);

// A caption as people read it: the access-key marks taken out ("&A/R" is "A/R", "&&" is "&").
QString withoutMnemonic(const QString& caption);

} // namespace tarvik::runs
