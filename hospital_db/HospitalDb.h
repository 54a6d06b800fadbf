#pragma once

#include <QDate>
#include <QString>
#include <cstdint>
#include <functional>

namespace tarvik::hospitaldb {

// Creates Patient_data.sqlite, Reports.sqlite and BILLING.sqlite in dataFolder with the full
// schema and every stored procedure, and no data. Throws tarvik::db::DbError when the folder
// already holds any of the three databases or a script fails.
void createDatabases(const QString& dataFolder);

// Installs (again) the stored procedures of Reports and BILLING into existing databases; used
// after a procedure script changed.
void installProcedures(const QString& dataFolder);

struct GeneratorOptions
{
    double scale = 1.0;          // 1 = a 250-bed hospital (about 30 admissions and 450 visits a day)
    std::uint64_t seed = 20260131;
    QDate to;                    // last day with data; invalid = today
    int months = 13;             // calendar months ending with the month of `to`
    bool monthEnd = true;        // run the month-end recomputes for every past month
};

// stage: a short text; done/total: progress within the stage.
using Progress = std::function<void(const QString& stage, qint64 done, qint64 total)>;

// Fills dataFolder with a deterministic demo hospital (same seed and dates, same data). Creates
// the databases first when the folder has none; an existing folder must hold empty databases.
// Afterwards the daily summaries of every day and the reporting copies are prepared, and (with
// monthEnd) the month-end recomputes of every past month and the aging of the last one run.
void generateDemoData(const QString& dataFolder, const GeneratorOptions& options,
                      const Progress& progress = {});

} // namespace tarvik::hospitaldb
