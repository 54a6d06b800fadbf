#pragma once

#include <QString>
#include <QStringList>
#include <variant>

namespace tarvik::db {

// A stored procedure call: "[EXEC ]Reports..sp_Name 'a', 'b'".
struct ProcedureCall
{
    QString database;   // as written ("REPORTS")
    QString owner;      // "dbo" of "Db.dbo.Proc"; empty for "Db..Proc"
    QString procedure;  // "sp_Name"
    QStringList arguments; // '' is an empty text, never a missing value
};

// A plain read-only query, rewritten for SQLite: "Db..Table" -> "Db.Table",
// GetDate() -> the local date-time as "yyyy-mm-dd hh:mm:ss".
struct PlainQuery
{
    QString sql;
};

using Command = std::variant<ProcedureCall, PlainQuery>;

// A text as a single-quoted argument of a command text holds it: every quote doubled, so a
// typed "O'Brien" cannot end the literal early.
QString quotedArgumentText(const QString& text);

// A procedure call as the dialogs build it: `head` (the procedure and everything up to the
// first argument's opening quote, blanks as the caller writes them), then the arguments
// joined by "', '", then the closing quote. Each argument's quotes are doubled.
// callText("Reports..sp_X '", {"a", "O'B"}) is "Reports..sp_X 'a', 'O''B'".
QString callText(const QString& head, const QStringList& arguments);

// Parses a command text of the embedded backend; throws DbError quoting the text when it is
// neither shape. Never runs anything.
Command parseCommandText(const QString& text);

// What a server connection sends for a command text: a procedure call as
// "EXEC Db..Proc ?, ?" with its arguments as bound parameters (so an argument is never read as
// SQL), anything else unchanged and without parameters.
struct ServerStatement
{
    QString sql;
    QStringList values;
};
ServerStatement serverStatement(const QString& text);

} // namespace tarvik::db
