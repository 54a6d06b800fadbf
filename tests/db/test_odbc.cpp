#include "Connection.h"
#include "OdbcConnectionString.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tarvik::db;

// The server backend passes texts through unchanged. Here it runs against a real ODBC driver
// manager (unixODBC) and Debian's SQLite 3 ODBC driver, with plain SQL.
TEST(OdbcBackend, PassesTextsThroughAndReadsRecordsets)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("server.db"));
    {
        QSqlDatabase setup = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("odbc-setup"));
        setup.setDatabaseName(file);
        ASSERT_TRUE(setup.open());
        QSqlQuery q(setup);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE tbHospitalInfo (Company TEXT, Address1 TEXT, Beds INTEGER)")));
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO tbHospitalInfo VALUES ('Odbc Hospital', NULL, 250)")));
        setup.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("odbc-setup"));

    Connection conn(ConnectionInfo::odbc(QStringLiteral("DRIVER={SQLite3};Database=") + file));
    conn.setCommandTimeout(0);
    auto rs = conn.execute(QStringLiteral("SELECT Company, Address1, Beds FROM tbHospitalInfo"));
    ASSERT_TRUE(rs);
    ASSERT_FALSE(rs->eof());
    EXPECT_EQ(rs->field(QStringLiteral("Company")).toString(), QStringLiteral("Odbc Hospital"));
    EXPECT_TRUE(rs->field(QStringLiteral("Address1")).isNull());
    EXPECT_EQ(rs->field(QStringLiteral("Beds")).toInt(), 250);

    EXPECT_EQ(conn.execute(QStringLiteral("UPDATE tbHospitalInfo SET Beds = 300")), nullptr);
    EXPECT_EQ(conn.execute(QStringLiteral("SELECT Beds FROM tbHospitalInfo"))->field(QStringLiteral("Beds")).toInt(), 300);

    try {
        conn.execute(QStringLiteral("SELECT nothing FROM nowhere"));
        FAIL();
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("SELECT nothing FROM nowhere"))) << e.what();
    }
    EXPECT_EQ(conn.trace().entries().size(), 4u);
}

TEST(OdbcBackend, AnUnreachableServerIsAClearError)
{
    try {
        Connection conn(ConnectionInfo::odbc(QStringLiteral("DRIVER={No Such Driver};SERVER=nowhere")));
        FAIL();
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Cannot connect"))) << e.what();
    }
}

namespace {

struct ValueCase
{
    const char* why;
    const char* text;
    const char* key;
    QString value;
};

} // namespace

TEST(OdbcConnectionString, ReadsValuesAsTheDriverManagerDoes)
{
    const ValueCase rows[] = {
        {"a plain value", "DSN=HOSPITALSQL;UID=sa;PWD=pw", "uid", QStringLiteral("sa")},
        {"the driver in braces", "DRIVER={FreeTDS};SERVER=sql1;Port=1433", "DRIVER", QStringLiteral("FreeTDS")},
        {"a password with ; in braces", "DRIVER={FreeTDS};PWD={se;cret};UID=sa", "PWD", QStringLiteral("se;cret")},
        {"a password with braces, } doubled", "PWD={a{b}}c};UID=sa", "PWD", QStringLiteral("a{b}c")},
        {"a password with = in braces", "UID=sa;PWD={x=y}", "PWD", QStringLiteral("x=y")},
        {"the key after a braced value still reads", "PWD={a;b};UID=clerk", "UID", QStringLiteral("clerk")},
        {"an absent key", "DSN=x", "PWD", QString()},
        {"blanks around keys and values", " SERVER = sql1 ; UID=sa", "server", QStringLiteral("sql1")},
    };
    for (const ValueCase& r : rows)
        EXPECT_EQ(connectionStringValue(QString::fromLatin1(r.text), QString::fromLatin1(r.key)), r.value) << r.why;

    // Written back in braces where needed, and read back as it was.
    for (const QString& value : {QStringLiteral("plain"), QStringLiteral("se;cret"), QStringLiteral("a{b}c}"),
                                 QStringLiteral(" padded "), QStringLiteral("x=y"), QStringLiteral("}}")}) {
        const QString text = withConnectionValue(QStringLiteral("DSN=x;PWD=old;UID=u"), QStringLiteral("PWD"), value);
        EXPECT_EQ(connectionStringValue(text, QStringLiteral("PWD")), value) << text.toStdString();
        EXPECT_EQ(connectionStringValue(text, QStringLiteral("UID")), QStringLiteral("u")) << text.toStdString();
    }
    EXPECT_EQ(quoteConnectionValue(QStringLiteral("a}b;")), QStringLiteral("{a}}b;}"));
}

TEST(OdbcConnectionString, ReportLogOnKeepsTheSessionsStringAndReplacesOnlyTheDatabase)
{
    const QString session = QStringLiteral("DRIVER={FreeTDS};SERVER=sql1.hospital.local;Port=1433;"
                                           "TDS_Version=7.4;DATABASE=Patient_data;UID=sa;PWD={p;w}}d}");
    setSessionOdbcConnection(session);
    const ConnectionInfo info = ConnectionInfo::fromLogOn(connectionServerName(session), QStringLiteral("Reports"),
                                                          QStringLiteral("sa"), QStringLiteral("p;w}d"));
    setSessionOdbcConnection({});
    EXPECT_EQ(info.backend, ConnectionInfo::Backend::Odbc);
    EXPECT_EQ(info.odbcConnection, QStringLiteral("DRIVER={FreeTDS};SERVER=sql1.hospital.local;Port=1433;"
                                                  "TDS_Version=7.4;DATABASE=Reports;UID=sa;PWD={p;w}}d}"));
    // Another server than the session's is still named by its data source.
    EXPECT_EQ(ConnectionInfo::fromLogOn(QStringLiteral("OTHER"), QStringLiteral("BILLING"), {}, {}).odbcConnection,
              QStringLiteral("DSN=OTHER;DATABASE=BILLING"));
}

TEST(OdbcBackend, ReportTablesReachTheirDatabaseThroughTheSessionsDriverString)
{
    // Two "databases" of a server the SQLite ODBC driver serves: files named Patient_data and
    // Reports in the working folder, each saying which it is. The session is a DRIVER= string
    // (no DSN) with a setting of its own and a password that needs braces.
    QTemporaryDir dir;
    for (const char* name : {"Patient_data", "Reports"}) {
        QSqlDatabase setup = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("odbc-db-setup"));
        setup.setDatabaseName(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(setup.open());
        QSqlQuery q(setup);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE tbWhich (Name TEXT)")));
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO tbWhich VALUES ('%1')").arg(QString::fromLatin1(name))));
        setup.close();
        setup = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("odbc-db-setup"));
    }
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const QString session = QStringLiteral("DRIVER={SQLite3};Database=Patient_data;Timeout=2000;UID=clerk;PWD={se;cr}}et}");
    {
        Connection sessionConnection(ConnectionInfo::odbc(session));
        EXPECT_EQ(sessionConnection.execute(QStringLiteral("SELECT Name FROM tbWhich"))->field(QStringLiteral("Name")).toString(),
                  QStringLiteral("Patient_data"));
        setSessionOdbcConnection(session);
        // A report table retargeted to Reports logs on with the session's server, user and password.
        const ConnectionInfo logOn = ConnectionInfo::fromLogOn(connectionServerName(session), QStringLiteral("Reports"),
                                                               QStringLiteral("clerk"), QStringLiteral("se;cr}et"));
        EXPECT_TRUE(logOn.odbcConnection.startsWith(QStringLiteral("DRIVER={SQLite3};Database=Reports;Timeout=2000;")))
            << logOn.odbcConnection.toStdString();
        EXPECT_EQ(connectionStringValue(logOn.odbcConnection, QStringLiteral("PWD")), QStringLiteral("se;cr}et"));
        Connection report(logOn);
        EXPECT_EQ(report.execute(QStringLiteral("SELECT Name FROM tbWhich"))->field(QStringLiteral("Name")).toString(),
                  QStringLiteral("Reports"));
    }
    setSessionOdbcConnection({});
    QDir::setCurrent(before);
}
