#pragma once

// The run history: one row in Reports.tbRunHistory for every report produced, by a dialog or
// the command line. It is written on a connection of its own, each row in its own short
// transaction, never inside a procedure's; it is kept on the embedded backend.

#include "ConnectionInfo.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <memory>
#include <vector>

namespace tarvik::db {

struct RunRecord
{
    qint64 id = 0;
    QString user;
    QString workstation;
    QDateTime started;
    QDateTime ended;
    QString caption;    // the report's caption
    QString file;       // its definition, or the runner that produced it
    QString database;
    QString parameters; // the parameter values, "; " between them
    QString outputs;    // "viewer", "printer NAME", "file PATH", "; " between them
    QString outcome;    // kDone, kFailed or kCancelled
    QString message;    // the failure's text
};

inline constexpr const char* kOutcomeDone = "done";
inline constexpr const char* kOutcomeFailed = "failed";
inline constexpr const char* kOutcomeCancelled = "cancelled";

// Which rows a look at the history shows; an empty part does not filter. The dates are the
// runs' start days, both included; user and report match a part of the name or caption.
struct HistoryFilter
{
    QDate from;
    QDate to;
    QString user;
    QString report;
};

// The table and its index; run by the program on a data folder that lacks them.
QString runHistorySchema();

// Days a row is kept: the setting RunHistory/RetentionDays, else 400.
inline constexpr int kDefaultRetentionDays = 400;
int retentionDays();

class RunHistory
{
public:
    // Opens its own connection to the data folder and adds the table when it is missing.
    // Throws DbError (an ODBC session keeps no history here).
    explicit RunHistory(const ConnectionInfo& info);
    ~RunHistory();
    RunHistory(const RunHistory&) = delete;
    RunHistory& operator=(const RunHistory&) = delete;

    // One row, in its own transaction. Throws DbError.
    void append(const RunRecord& record);
    // Newest first. Throws DbError.
    std::vector<RunRecord> rows(const HistoryFilter& filter) const;
    // Removes the rows that started more than `days` days before `now`, in one statement;
    // returns how many.
    int removeOlderThan(int days, const QDateTime& now);

private:
    QString m_name;
    QSqlDatabase m_db;
};

// The rows as CSV (a header line, every field quoted where needed; a text that begins with
// "=", "+", "-" or "@" gets a leading apostrophe, so a spreadsheet never runs it).
QString historyCsv(const std::vector<RunRecord>& rows);

// The session's history: opened at log-in, written by every report run, closed at the end.
// sessionHistory() is nullptr when none is open (not logged in, or it could not be opened).
void openSessionHistory(const ConnectionInfo& info);
void closeSessionHistory();
RunHistory* sessionHistory();

// Appends to the session's history; a failure is logged and never thrown: a report does not
// fail because its history row could not be written.
void recordRun(const RunRecord& record);

} // namespace tarvik::db
