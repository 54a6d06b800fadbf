#pragma once

#include <QString>
#include <QStringList>
#include <variant>

namespace tarvik::db {

// A stored procedure call: "[EXEC ]Reports..sp_Name 'a', 'b'".
struct ProcedureCall
{
    QString database;   // as written ("REPORTS")
    QString procedure;  // "sp_Name"
    QStringList arguments;
};

// A plain read-only query, rewritten for SQLite: "Db..Table" -> "Db.Table",
// GetDate() -> the local date-time as "yyyy-mm-dd hh:mm:ss".
struct PlainQuery
{
    QString sql;
};

using Command = std::variant<ProcedureCall, PlainQuery>;

// Parses a command text of the embedded backend; throws DbError quoting the text when it is
// neither shape. Never runs anything.
Command parseCommandText(const QString& text);

} // namespace tarvik::db
