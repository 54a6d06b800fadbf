#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

namespace tarvik::db {

// Stored procedures of the embedded backend. Each database keeps its own in a table
//   sys_procedure(name TEXT PRIMARY KEY COLLATE NOCASE, params TEXT, body TEXT)
// where params is a JSON array of {"name","type","default"?}. They are written in script
// files of this shape (one or more per file):
//
//   -- a comment
//   CREATE PROCEDURE sp_Name
//       @DateFrom DATE,
//       @DateTo   DATE,
//       @Class    TEXT = 'P'
//   AS
//   DELETE FROM Reports.tbX WHERE ...;
//   INSERT INTO Reports.tbX SELECT ... WHERE d BETWEEN @DateFrom AND @DateTo;
//   SELECT * FROM Reports.tbX;
//   GO
//
// The body is SQLite SQL; parameters appear as @Name and are bound, never pasted.
// Types: TEXT (also VARCHAR, CHAR, NVARCHAR), DATE, DATETIME, INT (INTEGER), DECIMAL (MONEY),
// BIT (BOOLEAN). Dates arrive as "mm/dd/yyyy" (also "yyyy-mm-dd") and are bound as
// "yyyy-mm-dd"; date-times are bound as "yyyy-mm-dd hh:mm:ss"; decimals as exact text "-12.50".
enum class ParamType { Text, Date, DateTime, Integer, Decimal, Boolean };

struct ProcedureParam
{
    QString name; // without the @
    ParamType type = ParamType::Text;
    std::optional<QString> defaultValue;
};

struct ProcedureDef
{
    QString name;
    std::vector<ProcedureParam> params;
    QString body;
};

QString paramTypeName(ParamType type);

// Parses a procedure script. Errors throw DbError with "file:line: cause".
std::vector<ProcedureDef> parseProcedureScript(const QString& text, const QString& fileName);

// Creates sys_procedure in the attached database (if missing) and replaces the named procedures.
void installProcedures(QSqlDatabase& db, const QString& database,
                       const std::vector<ProcedureDef>& procedures);

// Reads, parses and installs a procedure script file.
void installProcedureFile(QSqlDatabase& db, const QString& database, const QString& path);

// Runs a plain SQL script (several statements; a schema, say) in one transaction.
void executeScript(QSqlDatabase& db, const QString& sql, const QString& scriptName);

// Converts one argument text to the parameter's type for binding; throws DbError naming the
// procedure, the parameter and the value when it cannot.
QVariant convertArgument(const QString& procedure, const ProcedureParam& param,
                         const QString& value);

} // namespace tarvik::db
