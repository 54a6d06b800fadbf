#include "ConnectionInfo.h"

#include "DbError.h"
#include "OdbcConnectionString.h"
#include "SqliteExec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>
#include <sqlite3.h>

Q_LOGGING_CATEGORY(lcDb, "tarvik.db", QtWarningMsg)

namespace tarvik::db {

namespace {
#ifdef TARVIK_TEST_BUILD
constexpr bool kTestBuild = true;
#else
constexpr bool kTestBuild = false;
#endif
} // namespace

ConnectionInfo ConnectionInfo::embedded(const QString& folder)
{
    ConnectionInfo info;
    info.backend = Backend::Embedded;
    info.dataFolder = folder;
    return info;
}

ConnectionInfo ConnectionInfo::odbc(const QString& connectionString)
{
    ConnectionInfo info;
    info.backend = Backend::Odbc;
    info.odbcConnection = connectionString;
    return info;
}

ConnectionInfo ConnectionInfo::fromConnectionString(const QString& text)
{
    const QString prefix = QStringLiteral("DataFolder=");
    if (text.startsWith(prefix, Qt::CaseInsensitive))
        return embedded(text.mid(prefix.size()));
    return odbc(text);
}

ConnectionInfo ConnectionInfo::fromLogOn(const QString& server, const QString& database,
                                         const QString& user, const QString& password)
{
    if (server.startsWith(QStringLiteral("DataFolder="), Qt::CaseInsensitive))
        return fromConnectionString(server);
    if (QFileInfo(server).isDir())
        return embedded(server);
    // A full ODBC connection string is used as it is; the session's server is reached through
    // the session's whole connection string (driver, port and every other setting kept); a
    // bare name is a data source name. Only the database is the table's own.
    QString conn;
    const QString session = sessionOdbcConnection();
    if (server.contains(QLatin1Char('=')))
        conn = server;
    else if (!session.isEmpty() && connectionServerName(session) == server)
        conn = session;
    else
        conn = QStringLiteral("DSN=") + quoteConnectionValue(server);
    if (!database.isEmpty())
        conn = withConnectionValue(conn, QStringLiteral("DATABASE"), database);
    if (!user.isEmpty())
        conn = withConnectionValue(conn, QStringLiteral("UID"), user);
    if (!password.isEmpty())
        conn = withConnectionValue(conn, QStringLiteral("PWD"), password);
    return odbc(conn);
}

QString ConnectionInfo::connectionString() const
{
    switch (backend) {
    case Backend::Embedded:
        return QStringLiteral("DataFolder=") + dataFolder;
    case Backend::Odbc:
        return odbcConnection;
    }
    return {};
}

QString databaseFile(const QString& dataFolder, const QString& databaseName)
{
    for (const char* name : kDatabaseNames)
        if (databaseName.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return QDir(dataFolder).filePath(QLatin1String(name) + QStringLiteral(".sqlite"));
    throw DbError(QStringLiteral("Unknown database \"%1\": the databases are Patient_data, Reports and BILLING.")
                      .arg(databaseName));
}

namespace {

// A database file must be an SQLite database before it is attached: SQLite takes an empty file
// for a new database and would write one into it, and would report anything else only at the
// first statement, with a message that does not say which file.
void checkDatabaseFile(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("The database file %1 cannot be read: %2").arg(file, f.errorString()));
    const QByteArray head = f.read(16);
    if (head.isEmpty() && f.size() == 0)
        throw DbError(QStringLiteral("%1 is not a hospital database: the file is empty.").arg(file));
    if (head != QByteArray("SQLite format 3\0", 16))
        throw DbError(QStringLiteral("%1 is not a hospital database: the file is not an SQLite database.").arg(file));
}

} // namespace

QSqlDatabase openDatabase(const ConnectionInfo& info, const QString& connectionName, bool create,
                          Access access)
{
    if (QSqlDatabase::contains(connectionName))
        throw DbError(QStringLiteral("A database connection named \"%1\" is already open.").arg(connectionName));

    switch (info.backend) {
    case ConnectionInfo::Backend::Odbc: {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), connectionName);
        db.setDatabaseName(info.odbcConnection);
        if (access == Access::ReadOnly)
            db.setConnectOptions(QStringLiteral("SQL_ATTR_ACCESS_MODE=SQL_MODE_READ_ONLY"));
        if (!db.open()) {
            const QString why = db.lastError().text();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connectionName);
            throw DbError(QStringLiteral("Cannot connect to the database server: %1").arg(why));
        }
        return db;
    }
    case ConnectionInfo::Backend::Embedded:
        break;
    }

    const QDir folder(info.dataFolder);
    if (info.dataFolder.isEmpty() || !folder.exists()) {
        if (!create || info.dataFolder.isEmpty() || !QDir().mkpath(info.dataFolder))
            throw DbError(QStringLiteral("The data folder \"%1\" does not exist.").arg(info.dataFolder));
    }
    QStringList files;
    for (const char* name : kDatabaseNames) {
        const QString file = databaseFile(info.dataFolder, QLatin1String(name));
        if (!create && !QFileInfo::exists(file))
            throw DbError(QStringLiteral("The data folder \"%1\" has no database file %2.")
                              .arg(info.dataFolder, QFileInfo(file).fileName()));
        if (QFileInfo::exists(file) && (!create || QFileInfo(file).size() > 0))
            checkDatabaseFile(file);
        files << file;
    }

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(QStringLiteral(":memory:"));
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(std::max(info.busyTimeoutMs, 0)));
    auto failWith = [&](const QString& why, DbError::Kind kind = DbError::Kind::Failed) -> DbError {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName);
        return DbError(why, kind);
    };
    if (!db.open())
        throw failWith(QStringLiteral("Cannot open the embedded database: %1").arg(db.lastError().text()));

    sqlite3* handle = detail::sqliteHandle(db);
    try {
        int i = 0;
        for (const char* name : kDatabaseNames) {
            detail::runStatements(handle, QStringLiteral("ATTACH DATABASE @file AS %1").arg(QLatin1String(name)),
                                  {{QStringLiteral("file"), files.at(i++)}}, {}, false, true,
                                  QStringLiteral("Opening %1").arg(QLatin1String(name)));
            // WAL lets a second program read while this one writes; the busy timeout makes
            // writers wait for each other instead of failing at once.
            detail::runStatements(handle, QStringLiteral("PRAGMA %1.journal_mode=WAL").arg(QLatin1String(name)),
                                  {}, {}, false, true, QStringLiteral("Opening %1").arg(QLatin1String(name)));
        }
        detail::runStatements(handle, QStringLiteral("PRAGMA foreign_keys=ON"), {}, {}, false, true,
                              QStringLiteral("Opening the data folder"));
        // A busy wait that a stop ends at once, in place of SQLite's plain time-out.
        detail::installBusyHandler(handle, info.busyTimeoutMs);
        // A value that does not read is refused here, at start-up, rather than at the first report.
        const bool demo = detail::isDemoData(handle);
        detail::clockOverride(qgetenv("TARVIK_CLOCK"), demo, kTestBuild);
        detail::registerFunctions(handle, detail::honoursClockVariable(demo, kTestBuild));
        if (access == Access::ReadOnly)
            detail::runStatements(handle, QStringLiteral("PRAGMA query_only=1"), {}, {}, false, true,
                                  QStringLiteral("Opening the data folder"));
    } catch (const DbError& e) {
        throw failWith(e.message(), e.kind());
    }
    qCDebug(lcDb) << "opened data folder" << info.dataFolder << "as" << connectionName;
    return db;
}

std::optional<bool> preparedQueryOnlyReads(const QSqlQuery& prepared)
{
    const QSqlResult* result = prepared.result();
    const QVariant h = result ? result->handle() : QVariant();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3_stmt*") != 0)
        return std::nullopt;
    sqlite3_stmt* stmt = *static_cast<sqlite3_stmt* const*>(h.constData());
    if (!stmt)
        return std::nullopt;
    return sqlite3_stmt_readonly(stmt) != 0;
}

QString tableReference(const ConnectionInfo& info, const QString& database, const QString& owner,
                       const QString& table)
{
    // These names end up inside SQL text, so only plain names are let through.
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    for (const QString& part : {database, table})
        if (!plainName.match(part).hasMatch())
            throw DbError(QStringLiteral("\"%1\" is not a valid database or table name.").arg(part));
    if (!owner.isEmpty() && !plainName.match(owner).hasMatch())
        throw DbError(QStringLiteral("\"%1\" is not a valid owner name.").arg(owner));
    switch (info.backend) {
    case ConnectionInfo::Backend::Embedded:
        databaseFile(info.dataFolder, database); // refuses names other than the three databases
        return QStringLiteral("%1.%2").arg(database, table);
    case ConnectionInfo::Backend::Odbc:
        return QStringLiteral("%1.%2.%3").arg(database, owner.isEmpty() ? QStringLiteral("dbo") : owner, table);
    }
    return {};
}

} // namespace tarvik::db
