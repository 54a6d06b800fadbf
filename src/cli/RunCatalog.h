#pragma once

// What `tarvik-reports run` can produce: every report and batch of the program's dialogs, each
// under a short stable name and its menu caption, run through the very functions the dialogs
// call. Each dialog library lists its own entries (RunEntries.h); this is their catalogue.

#include "RunEntries.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tarvik::cli {

using runs::BatchBox;
using runs::Input;
using runs::RunEntry;
using runs::RunFailure;
using runs::RunRequest;
using runs::stableName;

// Every entry, in menu order, the batches last within each dialog library.
const std::vector<RunEntry>& runCatalog();

// The entry a name or a menu caption selects (case and repeated blanks ignored); nullptr when
// none does.
const RunEntry* findEntry(const QString& nameOrCaption);

// The account status report's sort orders as --sort names them, by option index.
QStringList sortNames();
// The option index of a --sort value (its name, the end of its name, or its number). Throws
// std::runtime_error naming the value.
int parseSort(const QString& value);

// The boxes a --reports list ticks, by box index: box numbers or box names, separated by
// commas. Throws std::runtime_error naming an unknown item.
std::vector<bool> parseBoxes(const RunEntry& batch, const QString& list);

// A --date value: mm/dd/yyyy, or "today" / "yesterday" counted from the server's date.
// Throws std::runtime_error for anything else.
QDate parseRunDate(const QString& value, const QDate& serverDate);

// The inputs given on the command line (an empty optional: not given).
struct InputOptions
{
    std::optional<QString> date{}, month{}, year{}, from{}, to{}, balanceClass{}, patients{}, code{};
};

// Fills the request's day, month, year, period, class and code for the entry from the options,
// with the dialogs' defaults for what is not given (the server's day; class P; patients I).
// Throws std::runtime_error for an option the entry does not take, a malformed value, a day
// after the server's day (the dialogs' pickers stop there), or an invalid period (its end
// after today or its start after its end: "Invalid Report Period...", as the dialogs say).
void resolveInputs(const RunEntry& entry, const InputOptions& options, const QDate& serverDay, const QDate& today,
                   RunRequest& request);

// What an output file's name ends with for a run of the entry: the day "mm-dd-yyyy"; for a
// month "mm-yyyy"; for a year "yyyy"; for a period "mm-dd-yyyy to mm-dd-yyyy".
QString periodLabel(const RunEntry& entry, const RunRequest& request);

// The name of an output file without its extension, as the interactive presets name theirs:
// the export name and the day as mm-dd-yyyy; without a preset, the viewer caption (its date or
// its "mmm,yyyy" month, if it ends with one, left out; characters a file name cannot hold
// replaced) and the day.
QString outputBaseName(const QString& exportName, const QString& caption, const QDate& date);
// The same with the period label instead of the day (the day is still left out of a caption
// that ends with it).
QString outputBaseName(const QString& exportName, const QString& caption, const QDate& date, const QString& label);

} // namespace tarvik::cli
