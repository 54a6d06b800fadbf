#include "Connection.h"

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
