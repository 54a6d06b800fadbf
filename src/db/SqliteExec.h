#pragma once

// Running procedure bodies and queries directly on SQLite (internal to the database layer).

#include "Procedures.h"
#include "Recordset.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <atomic>
#include <map>
#include <optional>

struct sqlite3;

namespace tarvik::db::detail {

sqlite3* sqliteHandle(const QSqlDatabase& db);

// What GetDate() answers: the local clock, or the fixed time TARVIK_CLOCK gives
// ("yyyy-mm-dd hh:mm:ss"). A fixed clock moves "the server's date" that every report is dated
// by, so it is honoured only on the demo data or in a test build and ignored elsewhere.
// A value that does not read as a date and time throws DbError naming the variable.
std::optional<QDateTime> clockOverride(const QByteArray& value, bool demoData, bool testBuild);

// Whether the attached Patient_data is one the demo generator made (it leaves a marker table).
bool isDemoData(sqlite3* handle);
inline constexpr const char* kDemoMarkerTable = "sys_demo_data";

// Whether a connection's GetDate() honours TARVIK_CLOCK.
bool honoursClockVariable(bool demoData, bool testBuild);

// Registers GetDate(): the local clock, or TARVIK_CLOCK (read at each call) on a connection
// that honours it.
void registerFunctions(sqlite3* handle, bool honourClockVariable);

// Waits up to timeoutMs for another program's lock, giving up at once when a stop is requested.
void installBusyHandler(sqlite3* handle, int timeoutMs);

// The time limit of a command given "no limit" (CommandTimeout 0) on the embedded backend:
// TARVIK_COMMAND_TIME_LIMIT seconds when set, else an hour. A runaway statement would
// otherwise hold the other programs' write lock for ever.
int defaultTimeLimitSeconds();

struct ExecLimits
{
    int timeoutSeconds = 0;  // 0 = none
    bool stoppable = false;  // requestStop() ends it (not for COMMIT and ROLLBACK)
};

// Runs the statements of sql one after another, binding @Name parameters from params
// (case-insensitive names). Returns the rows of the last statement that produced columns, or
// nullptr when none did. readOnly refuses statements that would write. Throws DbError with the
// SQLite message and the statement (kind Busy, TimedOut or Stopped where that is the cause).
// Does not open a transaction.
RecordsetPtr runStatements(sqlite3* handle, const QString& sql,
                           const std::map<QString, QVariant>& params, const ExecLimits& limits,
                           bool readOnly, bool singleStatement, const QString& context);

// Whether every statement of sql only reads (SQLite decides; a statement that cannot be
// prepared up front, say one that reads a table an earlier one creates, counts as writing).
bool onlyReads(sqlite3* handle, const QString& sql);

// Looks a procedure up in database.sys_procedure; throws DbError when it does not exist.
ProcedureDef loadProcedure(sqlite3* handle, const QString& database, const QString& name);

} // namespace tarvik::db::detail
