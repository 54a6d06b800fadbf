#include "SqliteExec.h"

#include "DbError.h"
#include "Stop.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDriver>
#include <sqlite3.h>

Q_DECLARE_LOGGING_CATEGORY(lcDb)

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

const QString kClockFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// The user data is non-null when the connection honours TARVIK_CLOCK; the variable is read at
// each call, as the local clock would be.
void getDate(sqlite3_context* ctx, int, sqlite3_value**)
{
    QByteArray now = QDateTime::currentDateTime().toString(kClockFormat).toUtf8();
    if (sqlite3_user_data(ctx)) {
        const QByteArray fixed = qgetenv("TARVIK_CLOCK");
        if (!fixed.isEmpty()) {
            const QDateTime t = QDateTime::fromString(QString::fromUtf8(fixed).trimmed(), kClockFormat);
            if (!t.isValid()) {
                const QByteArray why = "TARVIK_CLOCK is not a date and time \"yyyy-mm-dd hh:mm:ss\": " + fixed;
                sqlite3_result_error(ctx, why.constData(), int(why.size()));
                return;
            }
            now = t.toString(kClockFormat).toUtf8();
        }
    }
    sqlite3_result_text(ctx, now.constData(), int(now.size()), SQLITE_TRANSIENT);
}

int g_honoursClock = 1; // the address marks a connection whose GetDate() reads TARVIK_CLOCK

int busyWait(void* p, int attempt)
{
    // Short sleeps, so a stop is noticed within a few milliseconds. Sleeps can last longer than
    // asked, so the time waited is measured, not counted in attempts.
    thread_local QElapsedTimer waited;
    if (attempt == 0)
        waited.start();
    const auto timeoutMs = qint64(reinterpret_cast<quintptr>(p));
    if (stopRequested() || waited.elapsed() >= timeoutMs)
        return 0;
    sqlite3_sleep(5);
    return 1;
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
    bool stoppable = false;
};

int progress(void* p)
{
    auto* w = static_cast<Watchdog*>(p);
    if (w->stoppable && stopRequested())
        return 1;
    return w->limitMs > 0 && w->timer.elapsed() > w->limitMs ? 1 : 0;
}

} // namespace

bool honoursClockVariable(bool demoData, bool testBuild) { return demoData || testBuild; }

std::optional<QDateTime> clockOverride(const QByteArray& value, bool demoData, bool testBuild)
{
    if (value.isEmpty())
        return std::nullopt;
    QDateTime t = QDateTime::fromString(QString::fromUtf8(value).trimmed(), kClockFormat);
    if (!t.isValid())
        throw DbError(QStringLiteral("TARVIK_CLOCK is set to \"%1\", which is not a date and time "
                                     "\"yyyy-mm-dd hh:mm:ss\" (such as \"2026-03-02 17:45:00\"); "
                                     "correct it or unset it.")
                          .arg(QString::fromUtf8(value)));
    if (!honoursClockVariable(demoData, testBuild)) {
        qCWarning(lcDb) << "TARVIK_CLOCK is ignored: it moves the server's date only on the demo data";
        return std::nullopt;
    }
    return t;
}

bool isDemoData(sqlite3* handle)
{
    const QString sql = QStringLiteral("SELECT 1 FROM Patient_data.sqlite_master WHERE type = 'table' AND name = @name");
    try {
        const RecordsetPtr rs = runStatements(handle, sql, {{QStringLiteral("name"), QLatin1String(kDemoMarkerTable)}},
                                              {}, true, true, QStringLiteral("Looking for the demo data's marker"));
        return rs && !rs->eof();
    } catch (const DbError&) {
        return false;
    }
}

void registerFunctions(sqlite3* handle, bool honourClockVariable)
{
    sqlite3_create_function_v2(handle, "GetDate", 0, SQLITE_UTF8, honourClockVariable ? &g_honoursClock : nullptr,
                               &getDate, nullptr, nullptr, nullptr);
}

void installBusyHandler(sqlite3* handle, int timeoutMs)
{
    sqlite3_busy_handler(handle, &busyWait, reinterpret_cast<void*>(quintptr(std::max(timeoutMs, 0))));
}

int defaultTimeLimitSeconds()
{
    bool ok = false;
    const int configured = qEnvironmentVariableIntValue("TARVIK_COMMAND_TIME_LIMIT", &ok);
    return ok && configured > 0 ? configured : 3600;
}

bool onlyReads(sqlite3* handle, const QString& sql)
{
    const QByteArray utf8 = sql.toUtf8();
    const char* tail = utf8.constData();
    const char* end = tail + utf8.size();
    while (tail < end) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(handle, tail, int(end - tail), &stmt, &tail) != SQLITE_OK) {
            sqlite3_finalize(stmt);
            return false;
        }
        if (!stmt)
            break;
        const bool reads = sqlite3_stmt_readonly(stmt) != 0;
        sqlite3_finalize(stmt);
        if (!reads)
            return false;
    }
    return true;
}

RecordsetPtr runStatements(sqlite3* handle, const QString& sql,
                           const std::map<QString, QVariant>& params, const ExecLimits& limits,
                           bool readOnly, bool singleStatement, const QString& context)
{
    Watchdog watchdog;
    watchdog.limitMs = qint64(limits.timeoutSeconds) * 1000;
    watchdog.stoppable = limits.stoppable;
    watchdog.timer.start();
    const bool watched = watchdog.limitMs > 0 || watchdog.stoppable;
    sqlite3_progress_handler(handle, watched ? 10000 : 0, &progress, &watchdog);
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
        DbError::Kind kind = DbError::Kind::Failed;
        const int code = sqlite3_errcode(handle) & 0xFF;
        if (code == SQLITE_INTERRUPT && limits.stoppable && stopRequested()) {
            message = QStringLiteral("the run was stopped; the command's changes were rolled back");
            kind = DbError::Kind::Stopped;
        } else if (code == SQLITE_INTERRUPT && watchdog.limitMs > 0) {
            message = QStringLiteral("the command took longer than its time limit of %1 seconds")
                          .arg(limits.timeoutSeconds);
            kind = DbError::Kind::TimedOut;
        } else if (code == SQLITE_BUSY) {
            message = busyDatabaseText();
            kind = DbError::Kind::Busy;
        }
        QString statement = QString::fromUtf8(stmtText, stmtLen).trimmed();
        if (statement.size() > 400)
            statement = statement.left(400) + QStringLiteral("...");
        return DbError(QStringLiteral("%1: %2\nStatement: %3").arg(context, message, statement), kind);
    };


    while (tail < end) {
        if (limits.stoppable && stopRequested())
            throw DbError(QStringLiteral("%1: the run was stopped; the command's changes were rolled back").arg(context),
                          DbError::Kind::Stopped);
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
            // A null default is SQL NULL; an empty one ('') is an empty text, never NULL.
            param.defaultValue = d.isNull() ? QString() : d.toString();
            if (!d.isNull() && param.defaultValue->isNull())
                param.defaultValue = QStringLiteral("");
        }
        def.params.push_back(param);
    }
    return def;
}

} // namespace tarvik::db::detail
