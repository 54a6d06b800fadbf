#include "Connection.h"

#include "CommandText.h"
#include "SqliteExec.h"
#include "Stop.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QThread>
#include <QTimer>
#include <future>
#include <mutex>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

namespace tarvik::db {

namespace {
QAtomicInteger<int> g_connectionCounter = 0;

std::map<QString, QVariant> bindArguments(const ProcedureDef& def, const ProcedureCall& call)
{
    const QString fullName = QStringLiteral("%1..%2").arg(call.database, def.name);
    const int given = int(call.arguments.size());
    int required = 0;
    for (const auto& p : def.params)
        if (!p.defaultValue)
            ++required;
    if (given > int(def.params.size()) || given < required) {
        QStringList names;
        for (const auto& p : def.params)
            names << QLatin1Char('@') + p.name + (p.defaultValue ? QStringLiteral(" (optional)") : QString());
        throw DbError(QStringLiteral("%1 takes %2 argument(s) (%3) but was given %4.")
                          .arg(fullName)
                          .arg(required == int(def.params.size())
                                   ? QString::number(required)
                                   : QStringLiteral("%1 to %2").arg(required).arg(def.params.size()))
                          .arg(names.join(QStringLiteral(", ")))
                          .arg(given));
    }
    std::map<QString, QVariant> bound;
    for (int i = 0; i < int(def.params.size()); ++i) {
        const auto& p = def.params.at(size_t(i));
        const QString text = i < given ? call.arguments.at(i) : *p.defaultValue;
        bound[p.name] = convertArgument(fullName, p, text);
    }
    return bound;
}

} // namespace

// Owns the database on its own thread; every command runs there.
class ConnectionWorker
{
public:
    explicit ConnectionWorker(const ConnectionInfo& info)
        : m_info(info),
          m_name(QStringLiteral("tarvik-connection-%1").arg(g_connectionCounter.fetchAndAddRelaxed(1)))
    {
        m_thread.setObjectName(QStringLiteral("tarvik-db"));
        m_context = new QObject;
        m_context->moveToThread(&m_thread);
        m_thread.start();
        // Opening happens on the worker thread: a Qt SQL connection belongs to its thread.
        try {
            run([this] {
                m_db = openDatabase(m_info, m_name);
                if (m_info.backend == ConnectionInfo::Backend::Embedded) {
                    sqlite3* handle = detail::sqliteHandle(m_db);
                    m_stopAction = detail::addStopAction([handle] { sqlite3_interrupt(handle); });
                } else {
                    m_stopAction = detail::addStopAction([this] { cancelOdbcStatement(); });
                }
                return RecordsetPtr();
            });
        } catch (...) {
            stopThread();
            throw;
        }
    }

    ~ConnectionWorker()
    {
        detail::removeStopAction(m_stopAction);
        try {
            run([this] {
                m_db.close();
                m_db = QSqlDatabase();
                QSqlDatabase::removeDatabase(m_name);
                return RecordsetPtr();
            });
        } catch (...) {
        }
        stopThread();
    }

    void stopThread()
    {
        QMetaObject::invokeMethod(m_context, [ctx = m_context] { delete ctx; }, Qt::QueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    // Runs fn on the worker thread. A caller on a thread with an event loop waits in a local
    // loop that leaves user input alone (but for a cancel window's), so the windows repaint and animations move.
    RecordsetPtr run(std::function<RecordsetPtr()> fn)
    {
        auto promise = std::make_shared<std::promise<RecordsetPtr>>();
        std::future<RecordsetPtr> future = promise->get_future();
        QMetaObject::invokeMethod(m_context, [fn = std::move(fn), promise] {
            try {
                promise->set_value(fn());
            } catch (...) {
                promise->set_exception(std::current_exception());
            }
        }, Qt::QueuedConnection);
        const auto ready = [&future] {
            return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        };
        const bool waitInLoop = QCoreApplication::instance() != nullptr &&
                                QThread::currentThread()->eventDispatcher() != nullptr;
        if (waitInLoop && !ready()) {
            // The worker never touches the caller's loop (it may be gone by the time the work
            // ends); the loop looks at the result itself, every few milliseconds.
            QEventLoop loop;
            QTimer poll;
            poll.setInterval(2);
            QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
                if (ready())
                    loop.quit();
            });
            poll.start();
            // Input waits, except while a window that can cancel the work is up: its Cancel
            // button must answer (that window keeps input from the others).
            loop.exec(cancelWindowOpen() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        }
        return future.get();
    }

    RecordsetPtr execute(const QString& text, int timeoutSeconds)
    {
        return run([this, text, timeoutSeconds] {
            switch (m_info.backend) {
            case ConnectionInfo::Backend::Embedded:
                return executeEmbedded(text, timeoutSeconds);
            case ConnectionInfo::Backend::Odbc:
                return executeOdbc(text, timeoutSeconds);
            }
            return RecordsetPtr();
        });
    }

    bool isOpen()
    {
        return run([this] { return m_db.isOpen() ? std::make_shared<Recordset>() : RecordsetPtr(); }) != nullptr;
    }

private:
    RecordsetPtr executeEmbedded(const QString& text, int timeoutSeconds)
    {
        sqlite3* handle = detail::sqliteHandle(m_db);
        const Command command = parseCommandText(text);
        // "No limit" still ends somewhere here: a runaway statement would hold the other
        // programs' write lock for ever.
        const detail::ExecLimits limits{timeoutSeconds > 0 ? timeoutSeconds : detail::defaultTimeLimitSeconds(), true};
        if (const auto* query = std::get_if<PlainQuery>(&command))
            return detail::runStatements(handle, query->sql, {}, limits, true, true,
                                         QStringLiteral("The query failed"));

        const auto& call = std::get<ProcedureCall>(command);
        databaseFile(m_info.dataFolder, call.database); // refuses unknown database names
        const ProcedureDef def = detail::loadProcedure(handle, canonical(call.database), call.procedure);
        const auto bound = bindArguments(def, call);
        const QString context = QStringLiteral("%1..%2 failed").arg(call.database, def.name);
        // BEGIN IMMEDIATE takes the write lock of all three databases at once; a procedure that
        // only reads runs in a plain read transaction instead, so it never keeps another program
        // (a log-in, a second batch) from writing.
        const bool writes = !detail::onlyReads(handle, def.body);
        detail::runStatements(handle, writes ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"), {}, {},
                              false, true, context);
        try {
            RecordsetPtr rs = detail::runStatements(handle, def.body, bound, limits, false, false, context);
            detail::runStatements(handle, QStringLiteral("COMMIT"), {}, {}, false, true, context);
            return rs;
        } catch (...) {
            rollBack(handle, context);
            throw;
        }
    }

    // An interrupted statement may have rolled the transaction back already; a rollback that
    // was itself interrupted is tried once more.
    static void rollBack(sqlite3* handle, const QString& context)
    {
        for (int attempt = 0; attempt < 2 && !sqlite3_get_autocommit(handle); ++attempt) {
            try {
                detail::runStatements(handle, QStringLiteral("ROLLBACK"), {}, {}, false, true, context);
            } catch (const DbError&) {
            }
        }
    }

    static QString canonical(const QString& database)
    {
        for (const char* n : kDatabaseNames)
            if (database.compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
                return QLatin1String(n);
        return database;
    }

    void cancelOdbcStatement()
    {
        const std::lock_guard lock(m_statementMutex);
        if (m_runningStatement)
            SQLCancel(m_runningStatement);
    }

    RecordsetPtr executeOdbc(const QString& text, int timeoutSeconds)
    {
        if (stopRequested())
            throw DbError(QStringLiteral("The run was stopped before the command started:\n%1").arg(text),
                          DbError::Kind::Stopped);
        const ServerStatement statement = serverStatement(text);
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        if (!query.prepare(statement.sql))
            throw DbError(QStringLiteral("The database server refused the command:\n%1\n%2")
                              .arg(text, query.lastError().text()));
        for (const QString& value : statement.values)
            query.addBindValue(value);
        SQLHANDLE stmt = nullptr;
        const QVariant h = query.result()->handle();
        if (h.isValid() && qstrcmp(h.typeName(), "SQLHANDLE") == 0) {
            stmt = *static_cast<const SQLHANDLE*>(h.constData());
            if (stmt)
                SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT,
                               reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeoutSeconds)), 0);
        }
        {
            const std::lock_guard lock(m_statementMutex);
            m_runningStatement = stmt;
        }
        const bool ran = query.exec();
        {
            const std::lock_guard lock(m_statementMutex);
            m_runningStatement = nullptr;
        }
        if (!ran && stopRequested())
            throw DbError(QStringLiteral("The run was stopped; the server cancelled the command:\n%1").arg(text),
                          DbError::Kind::Stopped);
        if (!ran)
            throw DbError(QStringLiteral("The database server could not run the command:\n%1\n%2")
                              .arg(text, query.lastError().text()));
        if (!query.isSelect())
            return nullptr;
        const QSqlRecord record = query.record();
        QStringList names;
        for (int i = 0; i < record.count(); ++i)
            names << record.fieldName(i);
        std::vector<QVariantList> rows;
        while (query.next()) {
            QVariantList row;
            for (int i = 0; i < record.count(); ++i) {
                const QVariant v = query.value(i);
                row << (v.isNull() ? QVariant() : v);
            }
            rows.push_back(std::move(row));
        }
        if (query.lastError().isValid())
            throw DbError(QStringLiteral("The database server failed while returning rows of:\n%1\n%2")
                              .arg(text, query.lastError().text()));
        return std::make_shared<Recordset>(names, std::move(rows));
    }

    ConnectionInfo m_info;
    QString m_name;
    QThread m_thread;
    QObject* m_context = nullptr;
    QSqlDatabase m_db;
    int m_stopAction = -1;
    std::mutex m_statementMutex;
    SQLHANDLE m_runningStatement = nullptr; // the ODBC statement a stop cancels
};

Connection::Connection(const ConnectionInfo& info)
    : m_info(info), m_worker(std::make_unique<ConnectionWorker>(info))
{
    // Off by default; an administrator who needs to see what a session sent sets TARVIK_DB_LOG.
    const QString log = qEnvironmentVariable("TARVIK_DB_LOG");
    if (!log.isEmpty())
        m_trace.setLogFile(log);
}

Connection::~Connection() = default;

RecordsetPtr Connection::execute(const QString& text)
{
    QElapsedTimer timer;
    timer.start();
    TraceEntry entry;
    entry.at = QDateTime::currentDateTime();
    entry.text = text;
    try {
        RecordsetPtr rs = m_worker->execute(text, m_timeoutSeconds);
        entry.elapsedMs = timer.elapsed();
        entry.rows = rs ? rs->recordCount() : -1;
        m_trace.add(entry);
        return rs;
    } catch (const DbError& e) {
        entry.elapsedMs = timer.elapsed();
        entry.error = e.message();
        m_trace.add(entry);
        throw;
    }
}

void Connection::setCommandTimeout(int seconds)
{
    if (seconds < 0)
        throw DbError(QStringLiteral("A command time-out cannot be negative (%1).").arg(seconds));
    m_timeoutSeconds = seconds;
}

int Connection::commandTimeout() const { return m_timeoutSeconds; }

QString Connection::connectionString() const { return m_info.connectionString(); }

bool Connection::isOpen() const { return m_worker && m_worker->isOpen(); }

} // namespace tarvik::db
