// Faults the database layer must answer soundly: empty arguments, other programs' locks, runaway
// and stopped commands, files that are not databases, a clock variable that does not read.

#include "Connection.h"
#include "SqliteExec.h"
#include "Stop.h"
#include "fixture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

using namespace tarvik::db;

namespace {

class Reliability : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        buildFixture(dir.path());
        conn = std::make_unique<Connection>(info());
        conn->setCommandTimeout(0);
    }
    void TearDown() override { clearStop(); }

    ConnectionInfo info(int busyTimeoutMs = 10000) const
    {
        ConnectionInfo i = ConnectionInfo::embedded(dir.path());
        i.busyTimeoutMs = busyTimeoutMs;
        return i;
    }

    qlonglong count(const QString& table = QStringLiteral("Reports..tbDaily"))
    {
        return conn->execute(QStringLiteral("Select COUNT(*) AS N From ") + table)->field(QStringLiteral("N")).toLongLong();
    }

    // Runs text on conn in a thread of its own; the error it ended with, if any.
    struct Background
    {
        std::thread thread;
        std::optional<DbError> error;
    };
    void start(Background& b, const QString& text)
    {
        b.thread = std::thread([this, &b, text] {
            try {
                conn->execute(text);
            } catch (const DbError& e) {
                b.error = e;
            }
        });
        QThread::msleep(400); // well into the statement
    }

    QTemporaryDir dir;
    std::unique_ptr<Connection> conn;
};

struct EmptyArgumentCase
{
    const char* why;
    const char* text;
    const char* refusal; // empty: the call runs and returns the argument in `column`
    const char* column;
};

std::ostream& operator<<(std::ostream& out, const EmptyArgumentCase& c) { return out << c.why; }

class EmptyArguments : public Reliability, public ::testing::WithParamInterface<EmptyArgumentCase> {};

TEST_P(EmptyArguments, AreEmptyTextsNeverAMissingValue)
{
    const EmptyArgumentCase& c = GetParam();
    QString refused;
    RecordsetPtr rs;
    try {
        rs = conn->execute(QString::fromUtf8(c.text));
    } catch (const DbError& e) {
        refused = e.message();
    }
    if (*c.refusal) {
        EXPECT_TRUE(refused.contains(QString::fromUtf8(c.refusal))) << c.why << ": " << refused.toStdString();
        EXPECT_EQ(count(), 2) << c.why << ": nothing ran";
        return;
    }
    ASSERT_TRUE(refused.isEmpty()) << c.why << ": " << refused.toStdString();
    ASSERT_TRUE(rs) << c.why;
    const QVariant value = rs->field(QString::fromUtf8(c.column));
    EXPECT_FALSE(value.isNull()) << c.why << ": '' arrived as NULL";
    EXPECT_EQ(value.toString(), QString()) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Calls, EmptyArguments,
    ::testing::Values(
        EmptyArgumentCase{"a text parameter receives an empty text", "BILLING..sp_Misc_Add '', 'x'", "", "Code"},
        EmptyArgumentCase{"an optional text given as ''", "Reports..sp_Rep_Range '03/01/2026', '03/02/2026', ''", "",
                          "Class"},
        EmptyArgumentCase{"a date cannot be empty", "Reports..sp_Rep_Range '', '03/02/2026'", "@DateFrom", ""},
        EmptyArgumentCase{"both dates empty", "Reports..sp_Rep_Range '', ''", "is not a date", ""},
        EmptyArgumentCase{"a writing procedure's date", "Reports..sp_Rep_Dump ''", "@ReportDate", ""}));

TEST_F(Reliability, TwoEmptyCodesAreOneRowNotTwoNulls)
{
    conn->execute(QStringLiteral("BILLING..sp_Misc_Add '', 'x'"));
    conn->execute(QStringLiteral("BILLING..sp_Misc_Add '', 'y'"));
    auto rs = conn->execute(QStringLiteral("Select COUNT(*) AS N, SUM(Code IS NULL) AS Nulls From BILLING..tbMisc"));
    EXPECT_EQ(rs->field(QStringLiteral("N")).toLongLong(), 1);
    EXPECT_EQ(rs->field(QStringLiteral("Nulls")).toLongLong(), 0);
}

TEST_F(Reliability, AReadingProcedureLeavesOtherWritersFree)
{
    Background endless;
    start(endless, QStringLiteral("Reports..sp_Rep_Endless"));
    // A second program (a log-in, another batch) writes while the long read goes on.
    Connection other(info(300));
    EXPECT_NO_THROW(other.execute(QStringLiteral("Reports..sp_Rep_Dump '03/09/2026'")));
    requestStop();
    endless.thread.join();
    ASSERT_TRUE(endless.error);
    EXPECT_EQ(endless.error->kind(), DbError::Kind::Stopped) << endless.error->what();
    clearStop();
    EXPECT_EQ(count(), 3);
}

TEST_F(Reliability, AWriterWaitsThenFailsAsBusyAndAStopRollsTheHolderBack)
{
    Background holder;
    start(holder, QStringLiteral("Reports..sp_Rep_EndlessWrite"));

    Connection other(info(300));
    QElapsedTimer waited;
    waited.start();
    try {
        other.execute(QStringLiteral("Reports..sp_Rep_Dump '03/09/2026'"));
        ADD_FAILURE() << "wrote past another program's write lock";
    } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), DbError::Kind::Busy) << e.what();
        EXPECT_TRUE(e.message().contains(busyDatabaseText())) << e.what();
    }
    EXPECT_GE(waited.elapsed(), 250) << "the busy wait was skipped";
    EXPECT_LT(waited.elapsed(), 5000) << "the busy wait ran past its time";

    requestStop();
    holder.thread.join();
    ASSERT_TRUE(holder.error);
    EXPECT_EQ(holder.error->kind(), DbError::Kind::Stopped) << holder.error->what();
    EXPECT_THROW(conn->execute(QStringLiteral("Reports..sp_Rep_Get '03/01/2026'")), DbError) << "refused while stopping";
    clearStop();
    EXPECT_EQ(count(), 2) << "the stopped procedure's DELETE was rolled back";
    conn->execute(QStringLiteral("Reports..sp_Rep_Dump '03/09/2026'"));
    EXPECT_EQ(count(), 3) << "the connection works again after the stop";
}

TEST_F(Reliability, NoTimeLimitStillEndsARunawayCommand)
{
    qputenv("TARVIK_COMMAND_TIME_LIMIT", "1");
    conn->setCommandTimeout(0);
    try {
        conn->execute(QStringLiteral("Reports..sp_Rep_EndlessWrite"));
        ADD_FAILURE() << "an endless command ran to no end";
    } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), DbError::Kind::TimedOut) << e.what();
        EXPECT_TRUE(e.message().contains(QStringLiteral("time limit of 1 seconds"))) << e.what();
    }
    qunsetenv("TARVIK_COMMAND_TIME_LIMIT");
    EXPECT_EQ(count(), 2);
}

struct NotADatabaseCase
{
    const char* why;
    QByteArray content;
    const char* cause;
};

std::ostream& operator<<(std::ostream& out, const NotADatabaseCase& c) { return out << c.why; }

class NotADatabase : public ::testing::TestWithParam<NotADatabaseCase> {};

TEST_P(NotADatabase, IsRefusedNamingTheFileAndLeftUntouched)
{
    QTemporaryDir dir;
    buildFixture(dir.path());
    const QString file = databaseFile(dir.path(), QStringLiteral("Reports"));
    for (const QString& f : {file, file + QStringLiteral("-wal"), file + QStringLiteral("-shm")})
        QFile::remove(f);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(GetParam().content);
    }
    try {
        Connection c(ConnectionInfo::embedded(dir.path()));
        ADD_FAILURE() << GetParam().why << ": opened";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains(file + QStringLiteral(" is not a hospital database"))) << e.what();
        EXPECT_TRUE(e.message().contains(QString::fromUtf8(GetParam().cause))) << e.what();
    }
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), GetParam().content) << GetParam().why << ": the file was rewritten";
    EXPECT_FALSE(QFile::exists(file + QStringLiteral("-wal")));
}

INSTANTIATE_TEST_SUITE_P(Files, NotADatabase,
                         ::testing::Values(NotADatabaseCase{"an empty file", QByteArray(), "empty"},
                                           NotADatabaseCase{"a text file", QByteArray("Reports, 2026\n"),
                                                            "not an SQLite database"}));

struct ClockCase
{
    const char* why;
    const char* value;
    bool demoData;
    bool testBuild;
    const char* expected; // "" = the real clock, "!" = refused
};

std::ostream& operator<<(std::ostream& out, const ClockCase& c) { return out << c.why; }

class ClockVariable : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockVariable, MovesTheDateOnlyOnTheDemoDataOrInATestBuild)
{
    const ClockCase& c = GetParam();
    std::optional<QDateTime> fixed;
    try {
        fixed = detail::clockOverride(QByteArray(c.value), c.demoData, c.testBuild);
    } catch (const DbError& e) {
        EXPECT_STREQ(c.expected, "!") << c.why << ": " << e.what();
        EXPECT_TRUE(e.message().contains(QStringLiteral("TARVIK_CLOCK"))) << e.what();
        return;
    }
    EXPECT_STRNE(c.expected, "!") << c.why << ": accepted";
    EXPECT_EQ(fixed ? fixed->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString(), QString::fromUtf8(c.expected))
        << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Values, ClockVariable,
    ::testing::Values(ClockCase{"unset", "", false, false, ""},
                      ClockCase{"the demo data", "2026-03-02 17:45:00", true, false, "2026-03-02 17:45:00"},
                      ClockCase{"a test build", "2026-03-02 17:45:00", false, true, "2026-03-02 17:45:00"},
                      ClockCase{"a hospital's data in a release build", "2026-03-02 17:45:00", false, false, ""},
                      ClockCase{"a date without a time", "2026-03-02", true, false, "!"},
                      ClockCase{"words", "yesterday", false, false, "!"},
                      ClockCase{"a day that does not exist", "2026-02-30 10:00:00", true, true, "!"}));

TEST(ClockVariableAtStartUp, AValueThatDoesNotReadStopsTheOpening)
{
    QTemporaryDir dir;
    buildFixture(dir.path());
    qputenv("TARVIK_CLOCK", "tomorrow at noon");
    try {
        Connection c(ConnectionInfo::embedded(dir.path()));
        ADD_FAILURE() << "opened with a clock that does not read";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("TARVIK_CLOCK is set to \"tomorrow at noon\""))) << e.what();
    }
    qunsetenv("TARVIK_CLOCK");
}

TEST(ReadOnlyAccess, RefusesEveryWrite)
{
    QTemporaryDir dir;
    buildFixture(dir.path());
    {
        QSqlDatabase db = openDatabase(ConnectionInfo::embedded(dir.path()), QStringLiteral("ro"), false, Access::ReadOnly);
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM Reports.tbDaily")));
        EXPECT_FALSE(q.exec(QStringLiteral("DELETE FROM Reports.tbDaily")));
        ASSERT_TRUE(q.prepare(QStringLiteral("UPDATE Reports.tbDaily SET Amount = 0")));
        EXPECT_EQ(preparedQueryOnlyReads(q), false);
        ASSERT_TRUE(q.prepare(QStringLiteral("WITH d AS (SELECT 1) SELECT * FROM Reports.tbDaily")));
        EXPECT_EQ(preparedQueryOnlyReads(q), true);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("ro"));
    Connection c(ConnectionInfo::embedded(dir.path()));
    EXPECT_EQ(c.execute(QStringLiteral("Select COUNT(*) AS N From Reports..tbDaily"))->field(QStringLiteral("N")).toLongLong(), 2);
}

} // namespace
