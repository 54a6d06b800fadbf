#pragma once

// What `tarvik-reports run` can produce: every report and batch of the program's dialogs, each
// under a short stable name and its menu caption, run through the very functions the dialogs
// call. A dialog added later adds its rows here.

#include "DailyReports.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <stdexcept>
#include <vector>

namespace tarvik::cli {

// The inputs an entry takes besides the output choices.
enum class Input {
    Date,    // --date
    Sort,    // --sort (the account status report's order)
    Reports, // --all or --reports LIST (a batch's boxes)
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

// One run's inputs, already checked.
struct RunRequest
{
    QDate date;
    int sortOption = 0;                                      // Input::Sort
    std::array<bool, daily::kEndOfDayBoxes> ticked{};        // Input::Reports, by box index
    bool directPrint = false;                                // the batch's Print rather than View
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
    // Runs the entry with the dialog's function. Throws on failure with the reason.
    std::function<void(const RunRequest&, daily::RunUi&)> run;

    bool takes(Input input) const;
    // How many reports a run of this entry presents.
    int reportCount(const RunRequest& request) const;
    // The description of the entry's inputs for --list.
    QString inputsText() const;
};

// Every entry, in menu order, the batches last.
const std::vector<RunEntry>& runCatalog();

// The entry a name or a menu caption selects (case and repeated blanks ignored); nullptr when
// none does.
const RunEntry* findEntry(const QString& nameOrCaption);

// A short stable name for a caption: lower case, words joined by "-", apostrophes and slashes
// dropped ("Patient's Account Status Report" -> "patients-account-status-report").
QString stableName(const QString& caption);

// The account status report's sort orders as --sort names them, by option index.
QStringList sortNames();
// The option index of a --sort value (its name, the end of its name, or its number). Throws
// std::runtime_error naming the value.
int parseSort(const QString& value);

// The boxes a --reports list ticks: box numbers or box names, separated by commas. Throws
// std::runtime_error naming an unknown item.
std::array<bool, daily::kEndOfDayBoxes> parseBoxes(const RunEntry& batch, const QString& list);

// A --date value: mm/dd/yyyy, or "today" / "yesterday" counted from the server's date.
// Throws std::runtime_error for anything else.
QDate parseRunDate(const QString& value, const QDate& serverDate);

// The name of an output file without its extension, as the interactive presets name theirs:
// the export name and the day as mm-dd-yyyy; without a preset, the viewer caption (its date,
// if it ends with one, left out; characters a file name cannot hold replaced) and the day.
QString outputBaseName(const QString& exportName, const QString& caption, const QDate& date);

} // namespace tarvik::cli
