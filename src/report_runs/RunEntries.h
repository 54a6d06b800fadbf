#pragma once

// How a dialog's reports join `tarvik-reports run`: each dialog library lists its reports and
// batches as entries built from the same tables its dialogs read, and the command line shows
// and runs them.

#include "ReportMenu.h"
#include "ReportRuns.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>
#include <vector>

namespace tarvik::runs {

// The inputs an entry takes besides the output choices.
enum class Input {
    Date,         // --date: a day
    Sort,         // --sort (the account status report's order)
    Reports,      // --all or --reports LIST (a batch's boxes)
    Month,        // --month MM/YYYY (or --date, any day of the month)
    Year,         // --year YYYY, with --month MM the month of the period (default: the server's)
    Period,       // --from and --to
    BalanceClass, // --class P|N|A
    PatientClass, // --patients I|O|A
    Code,         // --code TEXT
};

// A report of a batch failed: which one (its box caption) and why.
class RunFailure : public std::runtime_error
{
public:
    RunFailure(const QString& report, const QString& reason)
        : std::runtime_error(reason.toStdString()), m_report(report), m_reason(reason)
    {
    }
    QString report() const { return m_report; }
    QString reason() const { return m_reason; }

private:
    QString m_report;
    QString m_reason;
};

// One run's inputs, already checked against the server's date.
struct RunRequest
{
    QDate date;               // Date: the day; Month: a day of the month; Year: a day of the month in the year
    QDate from, to;           // Period
    QString choice;           // BalanceClass or PatientClass: the letter
    QString code;             // Code
    int sortOption = 0;       // Sort
    std::vector<bool> ticked; // Reports, by box index
    bool directPrint = false; // the batch's Print rather than View

    bool isTicked(int box) const { return box >= 0 && size_t(box) < ticked.size() && ticked[size_t(box)]; }
};

// A box of a batch, as --reports names it.
struct BatchBox
{
    int box;          // the check box's index (what --reports takes as a number)
    QString name;     // short stable name
    QString caption;  // the check box's caption
};

struct RunEntry
{
    QString name;        // short stable name: "daily-summary-of-discharges"
    QString caption;     // the menu item's (or the batch dialog's) caption
    bool batch = false;
    std::vector<Input> inputs;
    // The spreadsheet preset's name where the dialog presets one: output files take it.
    QString exportName;
    std::vector<BatchBox> boxes;  // batches: their boxes in batch order
    QStringList sortNames;        // Sort: the orders by name, by option index
    // Batches whose reports share viewer captions: output files are named by the box's caption,
    // so one report of a run never replaces another's file.
    bool filesByBox = false;
    // Runs the entry with the dialog's function. Throws on failure with the reason
    // (RunFailure naming the box for a batch).
    std::function<void(const RunRequest&, RunUi&)> run;

    bool takes(Input input) const;
    // How many reports a run of this entry presents.
    int reportCount(const RunRequest& request) const;
    // The description of the entry's inputs for --list.
    QString inputsText() const;
};

// A short stable name for a caption: lower case, words joined by "-", apostrophes and slashes
// dropped ("Patient's Account Status Report" -> "patients-account-status-report").
QString stableName(const QString& caption);

// The report menu's items that open a dialog, in menu order.
std::vector<shell::ReportItem> menuItemsOf(const char* form);

// The boxes of a batch table, in batch order, for an entry.
std::vector<BatchBox> batchBoxes(const std::vector<BatchRow>& rows);

// Runs a batch table for an entry; a failure becomes RunFailure naming the box.
void runBatchEntry(const std::vector<BatchRow>& rows, const RunRequest& request, const RunValues& values,
                   RunUi& ui);

} // namespace tarvik::runs
