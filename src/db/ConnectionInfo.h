#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <optional>

namespace tarvik::db {

// Where the hospital's three databases are.
//  - Embedded: a data folder with Patient_data.sqlite, Reports.sqlite and BILLING.sqlite,
//    opened together and attached under the names Patient_data, Reports and BILLING.
//  - Odbc: an ODBC connection string; command texts are passed to the server unchanged.
struct ConnectionInfo
{
    enum class Backend { Embedded, Odbc };

    Backend backend = Backend::Embedded;
    QString dataFolder;       // Embedded
    QString odbcConnection;   // Odbc: "DSN=...;UID=...;PWD=..." or "DRIVER={...};SERVER=...;..."
    // Embedded: how long a writer waits for another program's write lock before the command
    // fails as "busy".
    int busyTimeoutMs = 10000;

    static ConnectionInfo embedded(const QString& folder);
    static ConnectionInfo odbc(const QString& connectionString);

    // Parses what Connection::connectionString() gives back: "DataFolder=/path" for the
    // embedded backend, anything else is an ODBC connection string.
    static ConnectionInfo fromConnectionString(const QString& text);

    // The log-on a report table receives (server, database, user, password). For the embedded
    // backend the server is the data folder; user and password are not checked by SQLite.
    // For ODBC the server is the connection string's SERVER (or DSN) part: when it is the
    // session's server, the session's whole connection string is used with the table's
    // database in it (setSessionOdbcConnection); a whole connection string may be passed too.
    static ConnectionInfo fromLogOn(const QString& server, const QString& database,
                                    const QString& user, const QString& password);

    QString connectionString() const;
};

// The three database names, as SQLite schema names (case-insensitive in SQL).
inline constexpr const char* kDatabaseNames[] = {"Patient_data", "Reports", "BILLING"};

// The file of one database inside a data folder ("Reports" -> folder/Reports.sqlite).
// The name is matched case-insensitively against the three known names; unknown names throw.
QString databaseFile(const QString& dataFolder, const QString& databaseName);

// Whether a connection may change data.
enum class Access { ReadWrite, ReadOnly };

// Opens a Qt SQL connection for info under the given connection name, in the calling thread.
// Embedded: an in-memory main database with the three files attached, WAL journal, a busy
// wait, foreign keys on. Missing files are an error naming the folder (unless create is
// true, which makes empty files, for the demo generator and tests); a file that is empty or
// not a database is refused before anything touches it. ReadOnly refuses every write on the
// connection (embedded: query_only; ODBC: the read-only access mode). Throws DbError.
QSqlDatabase openDatabase(const ConnectionInfo& info, const QString& connectionName,
                          bool create = false, Access access = Access::ReadWrite);

// Whether a prepared query only reads data (SQLite's own judgement of the statement), or
// nothing when the driver cannot tell (ODBC).
std::optional<bool> preparedQueryOnlyReads(const QSqlQuery& prepared);

// The table reference to put into SQL for a table of a database:
// Embedded: "Reports.tbX"; Odbc: "Reports.dbo.tbX" (owner kept as given).
QString tableReference(const ConnectionInfo& info, const QString& database, const QString& owner,
                       const QString& table);

} // namespace tarvik::db
