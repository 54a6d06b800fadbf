// Cancelling a long procedure at any moment leaves every table it writes as it was, and the
// connection usable afterwards.

#include "Connection.h"
#include "Stop.h"
#include "fixture.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>
#include <thread>

using namespace tarvik::db;

namespace {

// Writes three tables in several statements, over a few seconds; every completed run leaves a
// different state (the run counter and a row per run), so a cancel that came too late shows.
const char* kLongProcedure = R"(
CREATE PROCEDURE sp_Test_LongRecompute
AS
UPDATE Reports.tbWorkRuns SET Runs = Runs + 1;
DELETE FROM Reports.tbWorkA;
INSERT INTO Reports.tbWorkA (N, V)
WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 300000) SELECT x, x * 7 % 1000 FROM c;
DELETE FROM Reports.tbDaily;
INSERT INTO Reports.tbDaily SELECT date('2020-01-01', '+' || N || ' days'), V, 'recomputed' FROM Reports.tbWorkA WHERE N < 2000;
UPDATE Reports.tbWorkA SET V = V + (SELECT Runs FROM Reports.tbWorkRuns);
INSERT INTO Reports.tbWorkA (N, V)
WITH RECURSIVE c(x) AS (SELECT 300001 UNION ALL SELECT x + 1 FROM c WHERE x < 600000) SELECT x, x % 13 FROM c;
INSERT INTO Reports.tbWorkLog (Run, Total) SELECT (SELECT Runs FROM Reports.tbWorkRuns), SUM(V) FROM Reports.tbWorkA;
GO
)";

class Cancel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        buildFixture(dir.path());
        {
            QSqlDatabase db = openDatabase(ConnectionInfo::embedded(dir.path()), QStringLiteral("cancel-setup"), true);
            executeScript(db, QStringLiteral(R"(
                CREATE TABLE Reports.tbWorkRuns (Runs INTEGER NOT NULL);
                INSERT INTO Reports.tbWorkRuns VALUES (0);
                CREATE TABLE Reports.tbWorkA (N INTEGER PRIMARY KEY, V INTEGER NOT NULL);
                INSERT INTO Reports.tbWorkA VALUES (1, 11), (2, 22);
                CREATE TABLE Reports.tbWorkLog (Run INTEGER, Total INTEGER);
            )"), QStringLiteral("cancel setup"));
            installProcedures(db, QStringLiteral("Reports"),
                              parseProcedureScript(QString::fromLatin1(kLongProcedure), QStringLiteral("test.sql")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("cancel-setup"));
        conn = std::make_unique<Connection>(ConnectionInfo::embedded(dir.path()));
        conn->setCommandTimeout(0);
    }
    void TearDown() override { clearStop(); }

    // A digest of every row of the tables the procedure writes, read on a connection of its own.
    QByteArray checksum()
    {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("checksum"));
            db.setDatabaseName(dir.filePath(QStringLiteral("Reports.sqlite")));
            EXPECT_TRUE(db.open());
            for (const char* table : {"tbWorkRuns", "tbWorkA", "tbWorkLog", "tbDaily"}) {
                QSqlQuery q(db);
                EXPECT_TRUE(q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(QLatin1String(table))));
                hash.addData(table);
                while (q.next())
                    for (int i = 0; i < q.record().count(); ++i)
                        hash.addData(q.value(i).toString().toUtf8() + '\x1f');
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("checksum"));
        return hash.result().toHex();
    }

    QTemporaryDir dir;
    std::unique_ptr<Connection> conn;
};

TEST_F(Cancel, AtAnyMomentLeavesTheTablesAsTheyWereAndTheConnectionUsable)
{
    const QString call = QStringLiteral("Reports..sp_Test_LongRecompute");
    // Complete runs first: how long one takes (the quicker of two: the first one grows the
    // files), and that each changes the tables.
    const QByteArray initial = checksum();
    qint64 fullMs = 0;
    for (int run = 0; run < 2; ++run) {
        QElapsedTimer timer;
        timer.start();
        conn->execute(call);
        fullMs = run == 0 ? timer.elapsed() : std::min(fullMs, timer.elapsed());
    }
    const std::string afterTwoRuns = checksum().toStdString();
    ASSERT_NE(afterTwoRuns, initial.toStdString());
    ASSERT_GE(fullMs, 300) << "the procedure is too quick to cancel part-way";

    // Moments from the first statement to the last, as parts of a complete run.
    for (const double part : {0.02, 0.1, 0.2, 0.3}) {
        SCOPED_TRACE(part);
        const auto delay = std::chrono::milliseconds(qint64(double(fullMs) * part));
        std::thread canceller([delay] {
            std::this_thread::sleep_for(delay);
            requestStop();
        });
        try {
            conn->execute(call);
            ADD_FAILURE() << "the run finished before the cancel at " << delay.count() << " ms";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), DbError::Kind::Stopped) << e.what();
            EXPECT_TRUE(e.message().contains(QStringLiteral("rolled back"))) << e.what();
        }
        canceller.join();
        clearStop();
        EXPECT_EQ(checksum().toStdString(), afterTwoRuns);
    }
    conn->execute(call);
    EXPECT_NE(checksum().toStdString(), afterTwoRuns) << "the connection no longer runs the procedure after a cancel";
}

} // namespace
