#pragma once

#include <QSqlDatabase>
#include <QString>

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

// Opens a Qt SQL connection for info under the given connection name, in the calling thread.
// Embedded: an in-memory main database with the three files attached, WAL journal, a busy
// timeout, foreign keys on. Missing files are an error naming the folder (unless create is
// true, which makes empty files, for the demo generator and tests). Throws DbError.
QSqlDatabase openDatabase(const ConnectionInfo& info, const QString& connectionName,
                          bool create = false);

// The table reference to put into SQL for a table of a database:
// Embedded: "Reports.tbX"; Odbc: "Reports.dbo.tbX" (owner kept as given).
QString tableReference(const ConnectionInfo& info, const QString& database, const QString& owner,
                       const QString& table);

} // namespace tarvik::db
