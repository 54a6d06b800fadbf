#pragma once

// Running procedure bodies and queries directly on SQLite (internal to the database layer).

#include "Procedures.h"
#include "Recordset.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <atomic>
#include <map>

struct sqlite3;

namespace tarvik::db::detail {

sqlite3* sqliteHandle(const QSqlDatabase& db);

// Registers GetDate() (the local clock, or TARVIK_CLOCK "yyyy-mm-dd hh:mm:ss" when set).
void registerFunctions(sqlite3* handle);

struct ExecLimits
{
    int timeoutSeconds = 0; // 0 = none
};

// Runs the statements of sql one after another, binding @Name parameters from params
// (case-insensitive names). Returns the rows of the last statement that produced columns, or
// nullptr when none did. readOnly refuses statements that would write. Throws DbError with the
// SQLite message and the statement. Does not open a transaction.
RecordsetPtr runStatements(sqlite3* handle, const QString& sql,
                           const std::map<QString, QVariant>& params, const ExecLimits& limits,
                           bool readOnly, bool singleStatement, const QString& context);

// Looks a procedure up in database.sys_procedure; throws DbError when it does not exist.
ProcedureDef loadProcedure(sqlite3* handle, const QString& database, const QString& name);

} // namespace tarvik::db::detail
