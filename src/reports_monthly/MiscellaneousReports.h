#pragma once

// The work of the miscellaneous revenue windows apart from their widgets: the search and the
// save of the revenue codes, and the month's or year's report of one code through the
// departmental runners. The dialogs and the command line call the same functions.

#include "ReportRuns.h"
#include "RunEntries.h"

#include <QDate>
#include <QString>
#include <vector>

namespace tarvik::db {
class Recordset;
}

namespace tarvik::monthly {

// ---- The revenue codes ---------------------------------------------------------------------

// The lookup's query for the report dialog; the lookup puts the search text in place of "##".
inline constexpr const char* kRevenueLookupQuery = "Reports..sp_Rep_SearchMiscellaneousRevenue '0','##'";
inline constexpr const char* kRevenueLookupCaption = "Miscellaneous";

// The maintenance window's search: the codes whose code or description holds the text
// (column 1 the description, column 2 the code).
QString searchRevenuesCommand(const QString& searchText);
// Stores the code with its description (adds it, or changes the description of an existing
// code). The command ends in a quote and a blank.
QString saveRevenueCommand(const QString& code, const QString& description);

struct RevenueCode
{
    QString code;
    QString description;
};

// Runs the search on the session's connection; throws on failure.
std::shared_ptr<db::Recordset> searchRevenues(const QString& searchText);
std::vector<RevenueCode> revenueCodes(const QString& searchText);

// Why a code cannot be saved as it stands ("" when it can): a code of blanks names nothing.
QString refusalToSave(const QString& code);

// Saves a code through the stored procedure; throws std::invalid_argument with refusalToSave's
// text for an empty code (nothing is sent), and the database's error on failure.
void saveRevenueCode(const QString& code, const QString& description);

// The stored code that `code` names, whatever the case of its letters (accented ones too).
// Throws std::runtime_error when there is none.
RevenueCode findRevenueCode(const QString& code);

// ---- The report ----------------------------------------------------------------------------

// One use of the report dialog, by its ReportType.
struct MiscellaneousRow
{
    const char* reportType;   // "M" or "Y"
    const char* pickerFormat; // the date picker's display format
    runs::RowKind runner;     // MonthlySummary or YearEndSummary
    const char* titleHead;    // the title is titleHead + the description + " Report"
};

const std::vector<MiscellaneousRow>& miscellaneousRows();
const MiscellaneousRow* miscellaneousRow(const QString& reportType);

// "Monthly " + description + " Report" or "Year End " + description + " Report".
QString miscellaneousTitle(const MiscellaneousRow& row, const QString& description);

struct MiscellaneousInput
{
    QDate date;           // the picked date: its month (and year) is the report's
    QString reportType;   // "M" or "Y"
    QString code;         // the revenue code, as the code box holds it
    QString description;  // its description, as the description box holds it
};

// The report of the code for the month of the date (M) or, at year end, the year of the date
// summarised by the runner from the first to the last day of the date's month (Y), in a
// modeless viewer; flag "Y". Returns false, and does nothing, for another ReportType. Throws
// on failure, with the hourglass and the progress window taken down.
bool runMiscellaneousReport(const MiscellaneousInput& in, runs::RunUi& ui = runs::interactiveUi());

// The monthly and the year-end report of a code for `tarvik-reports run`, in menu order.
std::vector<runs::RunEntry> miscellaneousRunEntries();

} // namespace tarvik::monthly
