#include "Procedures.h"

#include "ConnectionInfo.h"
#include "DbError.h"
#include "SqliteExec.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

namespace tarvik::db {

QString paramTypeName(ParamType type)
{
    switch (type) {
    case ParamType::Text:
        return QStringLiteral("text");
    case ParamType::Date:
        return QStringLiteral("date");
    case ParamType::DateTime:
        return QStringLiteral("datetime");
    case ParamType::Integer:
        return QStringLiteral("integer");
    case ParamType::Decimal:
        return QStringLiteral("decimal");
    case ParamType::Boolean:
        return QStringLiteral("boolean");
    }
    return {};
}

namespace {

std::optional<ParamType> typeFromSql(const QString& rawType)
{
    const QString t = rawType.section(QLatin1Char('('), 0, 0).trimmed().toUpper();
    if (t == QLatin1String("TEXT") || t == QLatin1String("VARCHAR") || t == QLatin1String("NVARCHAR") ||
        t == QLatin1String("CHAR") || t == QLatin1String("NCHAR"))
        return ParamType::Text;
    if (t == QLatin1String("DATE"))
        return ParamType::Date;
    if (t == QLatin1String("DATETIME") || t == QLatin1String("SMALLDATETIME"))
        return ParamType::DateTime;
    if (t == QLatin1String("INT") || t == QLatin1String("INTEGER") || t == QLatin1String("SMALLINT") ||
        t == QLatin1String("BIGINT"))
        return ParamType::Integer;
    if (t == QLatin1String("DECIMAL") || t == QLatin1String("NUMERIC") || t == QLatin1String("MONEY"))
        return ParamType::Decimal;
    if (t == QLatin1String("BIT") || t == QLatin1String("BOOLEAN"))
        return ParamType::Boolean;
    return std::nullopt;
}

// Splits the parameter list at commas outside parentheses and quotes.
QStringList splitParams(const QString& s)
{
    QStringList out;
    QString cur;
    int depth = 0;
    bool quoted = false;
    for (QChar c : s) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('('))
            ++depth;
        if (!quoted && c == QLatin1Char(')'))
            --depth;
        if (!quoted && depth == 0 && c == QLatin1Char(',')) {
            out << cur.trimmed();
            cur.clear();
            continue;
        }
        cur += c;
    }
    if (!cur.trimmed().isEmpty())
        out << cur.trimmed();
    return out;
}

ProcedureDef parseHeader(const QString& header, const QString& where)
{
    static const QRegularExpression head(QStringLiteral(R"(^\s*CREATE\s+PROC(?:EDURE)?\s+([A-Za-z_][A-Za-z0-9_]*)\s*(.*)$)"),
                                         QRegularExpression::CaseInsensitiveOption |
                                             QRegularExpression::DotMatchesEverythingOption);
    const auto m = head.match(header);
    if (!m.hasMatch())
        throw DbError(QStringLiteral("%1: expected CREATE PROCEDURE name").arg(where));
    ProcedureDef def;
    def.name = m.captured(1);
    QString rest = m.captured(2).trimmed();
    if (rest.startsWith(QLatin1Char('(')) && rest.endsWith(QLatin1Char(')')))
        rest = rest.mid(1, rest.size() - 2);
    static const QRegularExpression param(QStringLiteral(R"(^@([A-Za-z_][A-Za-z0-9_]*)\s+([A-Za-z]+(?:\s*\([0-9,\s]*\))?)\s*(?:=\s*(.+))?$)"),
                                          QRegularExpression::DotMatchesEverythingOption);
    for (const QString& p : splitParams(rest)) {
        const auto pm = param.match(p);
        if (!pm.hasMatch())
            throw DbError(QStringLiteral("%1: cannot read the parameter \"%2\" of %3 (expected @Name TYPE [= default])")
                              .arg(where, p, def.name));
        ProcedureParam pp;
        pp.name = pm.captured(1);
        const auto type = typeFromSql(pm.captured(2));
        if (!type)
            throw DbError(QStringLiteral("%1: unknown type \"%2\" for parameter @%3 of %4")
                              .arg(where, pm.captured(2), pp.name, def.name));
        pp.type = *type;
        if (pm.hasCaptured(3)) {
            QString d = pm.captured(3).trimmed();
            if (d.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0) {
                pp.defaultValue = QString(); // a null text: the default is NULL
            } else if (d.size() >= 2 && d.startsWith(QLatin1Char('\'')) && d.endsWith(QLatin1Char('\''))) {
                pp.defaultValue = d.mid(1, d.size() - 2).replace(QLatin1String("''"), QLatin1String("'"));
                if (pp.defaultValue->isNull())
                    pp.defaultValue = QStringLiteral(""); // '' is an empty text, not NULL
            } else {
                pp.defaultValue = d;
            }
        }
        for (const auto& other : def.params)
            if (other.name.compare(pp.name, Qt::CaseInsensitive) == 0)
                throw DbError(QStringLiteral("%1: parameter @%2 of %3 is declared twice").arg(where, pp.name, def.name));
        def.params.push_back(pp);
    }
    return def;
}

} // namespace

std::vector<ProcedureDef> parseProcedureScript(const QString& text, const QString& fileName)
{
    std::vector<ProcedureDef> out;
    const QStringList lines = text.split(QLatin1Char('\n'));
    enum class State { Outside, Header, Body } state = State::Outside;
    QString header, body;
    int startLine = 0;
    static const QRegularExpression createRe(QStringLiteral(R"(^\s*CREATE\s+PROC)"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression asEnd(QStringLiteral(R"((^|\s)AS\s*$)"),
                                          QRegularExpression::CaseInsensitiveOption);
    for (int n = 0; n < lines.size(); ++n) {
        QString line = lines.at(n);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        const QString where = QStringLiteral("%1:%2").arg(fileName).arg(n + 1);
        switch (state) {
        case State::Outside:
            if (trimmed.isEmpty() || trimmed.startsWith(QLatin1String("--")))
                break;
            if (!createRe.match(trimmed).hasMatch())
                throw DbError(QStringLiteral("%1: expected CREATE PROCEDURE, found \"%2\"").arg(where, trimmed.left(60)));
            state = State::Header;
            startLine = n + 1;
            header.clear();
            body.clear();
            [[fallthrough]];
        case State::Header: {
            QString part = line;
            const int comment = part.indexOf(QLatin1String("--"));
            if (comment >= 0)
                part = part.left(comment);
            const auto m = asEnd.match(part);
            if (m.hasMatch()) {
                header += QLatin1Char(' ') + part.left(m.capturedStart(0));
                state = State::Body;
            } else {
                header += QLatin1Char(' ') + part;
            }
            break;
        }
        case State::Body:
            if (trimmed.compare(QLatin1String("GO"), Qt::CaseInsensitive) == 0) {
                ProcedureDef def = parseHeader(header, QStringLiteral("%1:%2").arg(fileName).arg(startLine));
                def.body = body.trimmed();
                if (def.body.isEmpty())
                    throw DbError(QStringLiteral("%1:%2: procedure %3 has an empty body").arg(fileName).arg(startLine).arg(def.name));
                out.push_back(std::move(def));
                state = State::Outside;
            } else {
                body += line + QLatin1Char('\n');
            }
            break;
        }
    }
    if (state != State::Outside)
        throw DbError(QStringLiteral("%1:%2: the procedure that starts here has no closing GO line")
                          .arg(fileName).arg(startLine));
    return out;
}

void installProcedures(QSqlDatabase& db, const QString& database, const std::vector<ProcedureDef>& procedures)
{
    bool known = false;
    for (const char* n : kDatabaseNames)
        known |= database.compare(QLatin1String(n), Qt::CaseInsensitive) == 0;
    if (!known)
        throw DbError(QStringLiteral("Unknown database \"%1\".").arg(database));
    sqlite3* handle = detail::sqliteHandle(db);
    QString script = QStringLiteral(
        "CREATE TABLE IF NOT EXISTS %1.sys_procedure (name TEXT PRIMARY KEY COLLATE NOCASE, "
        "params TEXT NOT NULL, body TEXT NOT NULL);").arg(database);
    detail::runStatements(handle, QStringLiteral("BEGIN IMMEDIATE"), {}, {}, false, true, database);
    try {
        detail::runStatements(handle, script, {}, {}, false, true, database);
        for (const auto& p : procedures) {
            QJsonArray params;
            for (const auto& pp : p.params) {
                QJsonObject o{{QStringLiteral("name"), pp.name}, {QStringLiteral("type"), paramTypeName(pp.type)}};
                if (pp.defaultValue)
                    o.insert(QStringLiteral("default"), pp.defaultValue->isNull() ? QJsonValue() : QJsonValue(*pp.defaultValue));
                params.append(o);
            }
            detail::runStatements(
                handle,
                QStringLiteral("INSERT OR REPLACE INTO %1.sys_procedure(name, params, body) VALUES (@n, @p, @b)").arg(database),
                {{QStringLiteral("n"), p.name},
                 {QStringLiteral("p"), QString::fromUtf8(QJsonDocument(params).toJson(QJsonDocument::Compact))},
                 {QStringLiteral("b"), p.body}},
                {}, false, true, QStringLiteral("Installing %1").arg(p.name));
        }
        detail::runStatements(handle, QStringLiteral("COMMIT"), {}, {}, false, true, database);
    } catch (...) {
        detail::runStatements(handle, QStringLiteral("ROLLBACK"), {}, {}, false, true, database);
        throw;
    }
}

void installProcedureFile(QSqlDatabase& db, const QString& database, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw DbError(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    installProcedures(db, database, parseProcedureScript(QString::fromUtf8(file.readAll()), path));
}

void executeScript(QSqlDatabase& db, const QString& sql, const QString& scriptName)
{
    sqlite3* handle = detail::sqliteHandle(db);
    detail::runStatements(handle, QStringLiteral("BEGIN IMMEDIATE"), {}, {}, false, true, scriptName);
    try {
        detail::runStatements(handle, sql, {}, {}, false, false, scriptName);
        detail::runStatements(handle, QStringLiteral("COMMIT"), {}, {}, false, true, scriptName);
    } catch (...) {
        detail::runStatements(handle, QStringLiteral("ROLLBACK"), {}, {}, false, true, scriptName);
        throw;
    }
}

QVariant convertArgument(const QString& procedure, const ProcedureParam& param, const QString& value)
{
    auto refuse = [&](const QString& expected) -> DbError {
        return DbError(QStringLiteral("%1: the value '%2' given for parameter @%3 is not %4.")
                           .arg(procedure, value, param.name, expected));
    };
    if (value.isNull())
        return QVariant();
    const QString v = value.trimmed();
    switch (param.type) {
    case ParamType::Text:
        return value;
    case ParamType::Date: {
        for (const char* fmt : {"MM/dd/yyyy", "M/d/yyyy", "yyyy-MM-dd"}) {
            const QDate d = QDate::fromString(v, QLatin1String(fmt));
            if (d.isValid())
                return d.toString(QStringLiteral("yyyy-MM-dd"));
        }
        throw refuse(QStringLiteral("a date (mm/dd/yyyy)"));
    }
    case ParamType::DateTime: {
        for (const char* fmt : {"MM/dd/yyyy HH:mm:ss", "MM/dd/yyyy HH:mm", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss"}) {
            const QDateTime d = QDateTime::fromString(v, QLatin1String(fmt));
            if (d.isValid())
                return d.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        }
        for (const char* fmt : {"MM/dd/yyyy", "M/d/yyyy", "yyyy-MM-dd"}) {
            const QDate d = QDate::fromString(v, QLatin1String(fmt));
            if (d.isValid())
                return d.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
        }
        throw refuse(QStringLiteral("a date and time (mm/dd/yyyy hh:mm:ss)"));
    }
    case ParamType::Integer: {
        bool ok = false;
        const qlonglong n = v.toLongLong(&ok);
        if (!ok)
            throw refuse(QStringLiteral("a whole number"));
        return n;
    }
    case ParamType::Decimal: {
        static const QRegularExpression re(QStringLiteral(R"(^[+-]?(\d+(\.\d*)?|\.\d+)$)"));
        if (!re.match(v).hasMatch())
            throw refuse(QStringLiteral("a number"));
        return v;
    }
    case ParamType::Boolean: {
        const QString u = v.toUpper();
        if (u == QLatin1String("1") || u == QLatin1String("TRUE") || u == QLatin1String("Y") || u == QLatin1String("YES"))
            return qlonglong(1);
        if (u == QLatin1String("0") || u == QLatin1String("FALSE") || u == QLatin1String("N") || u == QLatin1String("NO"))
            return qlonglong(0);
        throw refuse(QStringLiteral("true or false"));
    }
    }
    return value;
}

} // namespace tarvik::db
