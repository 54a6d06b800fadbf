#include "SqliteExec.h"

#include "DbError.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDriver>
#include <sqlite3.h>

namespace tarvik::db::detail {

sqlite3* sqliteHandle(const QSqlDatabase& db)
{
    const QVariant v = db.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        throw DbError(QStringLiteral("The embedded database is not open."));
    sqlite3* handle = *static_cast<sqlite3* const*>(v.constData());
    if (!handle)
        throw DbError(QStringLiteral("The embedded database is not open."));
    return handle;
}

namespace {

void getDate(sqlite3_context* ctx, int, sqlite3_value**)
{
    const QByteArray fixed = qgetenv("TARVIK_CLOCK");
    const QByteArray now = fixed.isEmpty()
                               ? QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8()
                               : fixed;
    sqlite3_result_text(ctx, now.constData(), int(now.size()), SQLITE_TRANSIENT);
}

QVariant columnValue(sqlite3_stmt* stmt, int col)
{
    switch (sqlite3_column_type(stmt, col)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt, col)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, col));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, col)),
                                          sqlite3_column_bytes(stmt, col)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, col)),
                                   sqlite3_column_bytes(stmt, col)));
    default:
        return QVariant();
    }
}

void bindValue(sqlite3_stmt* stmt, int index, const QVariant& v)
{
    if (v.isNull()) {
        sqlite3_bind_null(stmt, index);
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        sqlite3_bind_int64(stmt, index, v.toLongLong());
        return;
    case QMetaType::Double:
        sqlite3_bind_double(stmt, index, v.toDouble());
        return;
    default: {
        const QByteArray utf8 = v.toString().toUtf8();
        sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    }
}

struct Watchdog
{
    QElapsedTimer timer;
    qint64 limitMs = 0;
};

int progress(void* p)
{
    auto* w = static_cast<Watchdog*>(p);
    return w->limitMs > 0 && w->timer.elapsed() > w->limitMs ? 1 : 0;
}

} // namespace

void registerFunctions(sqlite3* handle)
{
    sqlite3_create_function_v2(handle, "GetDate", 0, SQLITE_UTF8, nullptr, &getDate, nullptr,
                               nullptr, nullptr);
}

RecordsetPtr runStatements(sqlite3* handle, const QString& sql,
                           const std::map<QString, QVariant>& params, const ExecLimits& limits,
                           bool readOnly, bool singleStatement, const QString& context)
{
    Watchdog watchdog;
    watchdog.limitMs = qint64(limits.timeoutSeconds) * 1000;
    watchdog.timer.start();
    sqlite3_progress_handler(handle, watchdog.limitMs > 0 ? 10000 : 0, &progress, &watchdog);
    struct ResetProgress
    {
        sqlite3* h;
        ~ResetProgress() { sqlite3_progress_handler(h, 0, nullptr, nullptr); }
    } resetProgress{handle};

    const QByteArray utf8 = sql.toUtf8();
    const char* tail = utf8.constData();
    const char* end = tail + utf8.size();
    RecordsetPtr result;
    int statements = 0;

    auto fail = [&](const QString& what, const char* stmtText, int stmtLen) -> DbError {
        QString message = what;
        if (sqlite3_errcode(handle) == SQLITE_INTERRUPT && watchdog.limitMs > 0)
            message = QStringLiteral("the command took longer than its time limit of %1 seconds")
                          .arg(limits.timeoutSeconds);
        QString statement = QString::fromUtf8(stmtText, stmtLen).trimmed();
        if (statement.size() > 400)
            statement = statement.left(400) + QStringLiteral("...");
        return DbError(QStringLiteral("%1: %2\nStatement: %3").arg(context, message, statement));
    };

    while (tail < end) {
        sqlite3_stmt* stmt = nullptr;
        const char* stmtStart = tail;
        const int rc = sqlite3_prepare_v2(handle, tail, int(end - tail), &stmt, &tail);
        if (rc != SQLITE_OK)
            throw fail(QString::fromUtf8(sqlite3_errmsg(handle)), stmtStart, int(end - stmtStart));
        if (!stmt) // only blanks or comments were left
            break;
        struct Finalize
        {
            sqlite3_stmt* s;
            ~Finalize() { sqlite3_finalize(s); }
        } finalize{stmt};
        const int stmtLen = int(tail - stmtStart);

        ++statements;
        if (singleStatement && statements > 1)
            throw fail(QStringLiteral("only one statement may be sent at a time"), stmtStart, stmtLen);
        if (readOnly && !sqlite3_stmt_readonly(stmt))
            throw fail(QStringLiteral("only queries that read data are accepted here"), stmtStart, stmtLen);

        for (int p = 1; p <= sqlite3_bind_parameter_count(stmt); ++p) {
            const char* rawName = sqlite3_bind_parameter_name(stmt, p);
            const QString name = rawName ? QString::fromUtf8(rawName + 1) : QString();
            auto it = std::find_if(params.begin(), params.end(), [&](const auto& kv) {
                return kv.first.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (it == params.end())
                throw fail(QStringLiteral("the statement uses the parameter %1, which is not given")
                               .arg(rawName ? QString::fromUtf8(rawName) : QStringLiteral("?")),
                           stmtStart, stmtLen);
            bindValue(stmt, p, it->second);
        }

        const int columns = sqlite3_column_count(stmt);
        QStringList names;
        std::vector<QVariantList> rows;
        for (int c = 0; c < columns; ++c)
            names << QString::fromUtf8(sqlite3_column_name(stmt, c));
        for (;;) {
            const int step = sqlite3_step(stmt);
            if (step == SQLITE_DONE)
                break;
            if (step != SQLITE_ROW)
                throw fail(QString::fromUtf8(sqlite3_errmsg(handle)), stmtStart, stmtLen);
            QVariantList row;
            row.reserve(columns);
            for (int c = 0; c < columns; ++c)
                row << columnValue(stmt, c);
            rows.push_back(std::move(row));
        }
        if (columns > 0)
            result = std::make_shared<Recordset>(names, std::move(rows));
    }
    if (statements == 0)
        throw DbError(QStringLiteral("%1: there is no statement to run.").arg(context));
    return result;
}

ProcedureDef loadProcedure(sqlite3* handle, const QString& database, const QString& name)
{
    // The database name was checked against the three known names by the caller, so it is safe
    // to place in the statement; the procedure name is bound.
    const QString sql = QStringLiteral("SELECT name, params, body FROM %1.sys_procedure WHERE name = @name")
                            .arg(database);
    RecordsetPtr rs;
    try {
        rs = runStatements(handle, sql, {{QStringLiteral("name"), name}}, {}, true, true,
                           QStringLiteral("Looking up %1..%2").arg(database, name));
    } catch (const DbError&) {
        rs.reset();
    }
    if (!rs || rs->eof())
        throw DbError(QStringLiteral("The stored procedure %1..%2 does not exist.").arg(database, name));
    ProcedureDef def;
    def.name = rs->field(QStringLiteral("name")).toString();
    def.body = rs->field(QStringLiteral("body")).toString();
    const QJsonArray params =
        QJsonDocument::fromJson(rs->field(QStringLiteral("params")).toString().toUtf8()).array();
    for (const auto& p : params) {
        const QJsonObject o = p.toObject();
        ProcedureParam param;
        param.name = o.value(QStringLiteral("name")).toString();
        const QString type = o.value(QStringLiteral("type")).toString();
        for (ParamType t : {ParamType::Text, ParamType::Date, ParamType::DateTime, ParamType::Integer,
                            ParamType::Decimal, ParamType::Boolean})
            if (paramTypeName(t) == type)
                param.type = t;
        if (o.contains(QStringLiteral("default"))) {
            const QJsonValue d = o.value(QStringLiteral("default"));
            param.defaultValue = d.isNull() ? QString() : d.toString();
        }
        def.params.push_back(param);
    }
    return def;
}

} // namespace tarvik::db::detail
