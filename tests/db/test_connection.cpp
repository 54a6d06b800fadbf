#include "Connection.h"
#include "RecordsetModel.h"
#include "fixture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tarvik::db;

namespace {

class EmbeddedConnection : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        buildFixture(dir.path());
        conn = std::make_unique<Connection>(ConnectionInfo::embedded(dir.path()));
        conn->setCommandTimeout(0);
    }

    qlonglong count(const QString& where = QStringLiteral("1"))
    {
        auto rs = conn->execute(QStringLiteral("Select COUNT(*) AS N From Reports..tbDaily WHERE ") + where);
        return rs->field(QStringLiteral("N")).toLongLong();
    }

    QTemporaryDir dir;
    std::unique_ptr<Connection> conn;
};

TEST_F(EmbeddedConnection, StartUpQueryReadsTheFirstRowAndTheClock)
{
    qputenv("TARVIK_CLOCK", "2026-03-02 17:45:00");
    auto rs = conn->execute(QStringLiteral("Select *, GetDate() as CurDate From Patient_data..tbHospitalInfo"));
    qunsetenv("TARVIK_CLOCK");
    ASSERT_TRUE(rs);
    ASSERT_FALSE(rs->eof());
    EXPECT_EQ(rs->field(QStringLiteral("Company")).toString(), QStringLiteral("First Hospital"));
    EXPECT_EQ(rs->field(QStringLiteral("address1")).toString(), QStringLiteral("1 Main St."));
    EXPECT_EQ(rs->field(QStringLiteral("CurDate")).toString(), QStringLiteral("2026-03-02 17:45:00"));
    EXPECT_EQ(rs->recordCount(), 2);
    EXPECT_EQ(conn->connectionString(), QStringLiteral("DataFolder=") + dir.path());
}

TEST_F(EmbeddedConnection, RecordsetNavigationNullsAndUnknownFields)
{
    auto rs = conn->execute(QStringLiteral("Select ReportDate, Note From Reports..tbDaily Order By ReportDate"));
    EXPECT_FALSE(rs->bof());
    EXPECT_TRUE(rs->field(QStringLiteral("Note")).isNull());
    rs->moveNext();
    const QVariant empty = rs->field(QStringLiteral("Note"));
    EXPECT_FALSE(empty.isNull());
    EXPECT_EQ(empty.toString(), QString());
    try {
        rs->field(QStringLiteral("Amount"));
        FAIL();
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("\"Amount\""))) << e.what();
    }
    rs->moveNext();
    EXPECT_TRUE(rs->eof());
    EXPECT_THROW(rs->field(QStringLiteral("Note")), DbError);
    EXPECT_THROW(rs->moveNext(), DbError);
    rs->close();
    EXPECT_THROW(rs->eof(), DbError);

    auto none = conn->execute(QStringLiteral("Select * From Reports..tbDaily Where 0"));
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->eof());
    EXPECT_TRUE(none->bof());
}

TEST_F(EmbeddedConnection, ProcedureCallsBindArgumentsAndReturnTheLastSelect)
{
    EXPECT_EQ(conn->execute(QStringLiteral("Reports..sp_Rep_Dump  '03/02/2026'")), nullptr);
    auto rs = conn->execute(QStringLiteral("REPORTS..sp_Rep_Get '03/02/2026'"));
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->field(QStringLiteral("Total")).toLongLong(), 500);
    EXPECT_EQ(rs->field(QStringLiteral("Note")).toString(), QStringLiteral("dumped"));

    auto two = conn->execute(QStringLiteral("EXEC Reports..sp_Rep_TwoSelects"));
    ASSERT_TRUE(two);
    EXPECT_EQ(two->fieldName(0), QStringLiteral("Second"));
    EXPECT_EQ(two->recordCount(), 2);

    EXPECT_EQ(conn->execute(QStringLiteral("Reports..sp_Rep_NoRows")), nullptr);
}

TEST_F(EmbeddedConnection, OptionalArgumentsTakeTheirDefault)
{
    auto byDefault = conn->execute(QStringLiteral("Reports..sp_Rep_Range '03/01/2026', '03/31/2026'"));
    EXPECT_EQ(byDefault->field(QStringLiteral("Class")).toString(), QStringLiteral("P"));
    EXPECT_EQ(byDefault->field(QStringLiteral("N")).toLongLong(), 2);
    auto given = conn->execute(QStringLiteral("Reports..sp_Rep_Range '03/01/2026', '03/01/2026', 'A'"));
    EXPECT_EQ(given->field(QStringLiteral("Class")).toString(), QStringLiteral("A"));
    EXPECT_EQ(given->field(QStringLiteral("N")).toLongLong(), 1);
}

TEST_F(EmbeddedConnection, WrongArgumentsAreRefusedNamingProcedureParameterAndValue)
{
    auto messageOf = [&](const QString& text) {
        try {
            conn->execute(text);
        } catch (const DbError& e) {
            return e.message();
        }
        return QString();
    };
    const QString tooFew = messageOf(QStringLiteral("Reports..sp_Rep_Range '03/01/2026'"));
    EXPECT_TRUE(tooFew.contains(QStringLiteral("sp_Rep_Range"))) << tooFew.toStdString();
    EXPECT_TRUE(tooFew.contains(QStringLiteral("given 1"))) << tooFew.toStdString();
    EXPECT_FALSE(messageOf(QStringLiteral("Reports..sp_Rep_Range 'a','b','c','d'")).isEmpty());

    const QString badDate = messageOf(QStringLiteral("Reports..sp_Rep_Dump '02/30/2026'"));
    EXPECT_TRUE(badDate.contains(QStringLiteral("sp_Rep_Dump"))) << badDate.toStdString();
    EXPECT_TRUE(badDate.contains(QStringLiteral("@ReportDate"))) << badDate.toStdString();
    EXPECT_TRUE(badDate.contains(QStringLiteral("'02/30/2026'"))) << badDate.toStdString();

    EXPECT_TRUE(messageOf(QStringLiteral("Reports..sp_Missing")).contains(QStringLiteral("does not exist")));
    EXPECT_TRUE(messageOf(QStringLiteral("Nowhere..sp_Rep_Dump '03/02/2026'")).contains(QStringLiteral("Unknown database")));
    EXPECT_EQ(count(), 2); // none of them ran
}

TEST_F(EmbeddedConnection, AFailingProcedureLeavesTheDataAsItWas)
{
    EXPECT_THROW(conn->execute(QStringLiteral("Reports..sp_Rep_Fails '03/05/2026'")), DbError);
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(count(QStringLiteral("ReportDate = '2026-03-01' AND Amount = 100")), 1);
    // The connection is still usable and not left inside a transaction.
    conn->execute(QStringLiteral("Reports..sp_Rep_Dump '03/03/2026'"));
    EXPECT_EQ(count(), 3);
}

TEST_F(EmbeddedConnection, ArgumentsAreBoundNeverPasted)
{
    const QString hostile = QStringLiteral("x'); DELETE FROM BILLING.tbMisc; --");
    QString text = QStringLiteral("BILLING..sp_Misc_Add 'K1', '") + QString(hostile).replace(QLatin1String("'"), QLatin1String("''")) + QLatin1Char('\'');
    auto rs = conn->execute(text);
    EXPECT_EQ(rs->field(QStringLiteral("Description")).toString(), hostile);
    auto accents = conn->execute(QStringLiteral("BILLING..sp_Misc_Add 'K2', 'Niño''s café'"));
    EXPECT_EQ(accents->field(QStringLiteral("Description")).toString(), QStringLiteral("Niño's café"));
    auto all = conn->execute(QStringLiteral("Select COUNT(*) AS N From BILLING..tbMisc"));
    EXPECT_EQ(all->field(QStringLiteral("N")).toLongLong(), 2);
}

TEST_F(EmbeddedConnection, QueriesThatWriteOrChainAreRefusedAndNotRun)
{
    EXPECT_THROW(conn->execute(QStringLiteral("Select 1 From Reports..tbDaily; DELETE FROM Reports.tbDaily")), DbError);
    EXPECT_THROW(conn->execute(QStringLiteral("Select * From Reports..tbDaily Where x = (DELETE FROM Reports.tbDaily)")), DbError);
    EXPECT_EQ(count(), 2);
}

TEST_F(EmbeddedConnection, TraceRecordsEveryTextWithRowsAndErrors)
{
    conn->trace().clear();
    QTemporaryDir logDir;
    const QString log = logDir.filePath(QStringLiteral("db.log"));
    conn->trace().setLogFile(log);
    conn->execute(QStringLiteral("Reports..sp_Rep_Dump  '03/02/2026'"));
    conn->execute(QStringLiteral("Reports..sp_Rep_Get '03/02/2026'"));
    EXPECT_THROW(conn->execute(QStringLiteral("Reports..sp_Missing")), DbError);
    const auto entries = conn->trace().entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].text, QStringLiteral("Reports..sp_Rep_Dump  '03/02/2026'"));
    EXPECT_EQ(entries[0].rows, -1);
    EXPECT_EQ(entries[1].rows, 1);
    EXPECT_FALSE(entries[2].error.isEmpty());
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("Reports..sp_Rep_Dump  '03/02/2026'")));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("ERROR")));
}

TEST_F(EmbeddedConnection, WaitingKeepsTheEventLoopTurningAndTheTimeLimitHolds)
{
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    QElapsedTimer clock;
    clock.start();
    auto rs = conn->execute(QStringLiteral("Reports..sp_Rep_Slow"));
    const qint64 took = clock.elapsed();
    EXPECT_EQ(rs->field(QStringLiteral("N")).toLongLong(), 30000000);
    if (took > 200) {
        EXPECT_GT(ticks, 0) << "the caller's timers did not run while the command worked";
    }

    conn->setCommandTimeout(1);
    try {
        conn->execute(QStringLiteral("Reports..sp_Rep_Slow"));
        if (took > 1500)
            ADD_FAILURE() << "a command longer than its limit was not stopped";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("time limit"))) << e.what();
    }
    EXPECT_THROW(conn->setCommandTimeout(-1), DbError);
}

TEST_F(EmbeddedConnection, TheLogFileIsSwitchedOnFromTheEnvironment)
{
    QTemporaryDir logDir;
    const QString log = logDir.filePath(QStringLiteral("session.log"));
    qputenv("TARVIK_DB_LOG", log.toUtf8());
    Connection logged(ConnectionInfo::embedded(dir.path()));
    qunsetenv("TARVIK_DB_LOG");
    logged.execute(QStringLiteral("Reports..sp_Rep_Get '03/01/2026'"));
    conn->execute(QStringLiteral("Reports..sp_Rep_Get '03/02/2026'")); // opened without it: not logged
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("'03/01/2026'")));
    EXPECT_FALSE(text.contains(QStringLiteral("'03/02/2026'")));
}

TEST_F(EmbeddedConnection, TwoConnectionsShareTheFolder)
{
    Connection other(ConnectionInfo::embedded(dir.path()));
    other.execute(QStringLiteral("Reports..sp_Rep_Dump '03/09/2026'"));
    EXPECT_EQ(count(), 3);
}

TEST(EmbeddedFolder, MissingFolderOrFilesAreClearErrors)
{
    QTemporaryDir dir;
    try {
        Connection c(ConnectionInfo::embedded(dir.filePath(QStringLiteral("nowhere"))));
        FAIL();
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("does not exist"))) << e.what();
    }
    try {
        Connection c(ConnectionInfo::embedded(dir.path()));
        FAIL();
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Patient_data.sqlite"))) << e.what();
    }
}

TEST(ConnectionInfoTest, LogOnTurnsBackIntoAConnection)
{
    QTemporaryDir dir;
    EXPECT_EQ(ConnectionInfo::fromLogOn(dir.path(), QStringLiteral("Reports"), QStringLiteral("u"), {}).backend,
              ConnectionInfo::Backend::Embedded);
    const auto odbc = ConnectionInfo::fromLogOn(QStringLiteral("HOSPITALSQL"), QStringLiteral("BILLING"),
                                                QStringLiteral("sa"), QStringLiteral("pw"));
    EXPECT_EQ(odbc.backend, ConnectionInfo::Backend::Odbc);
    EXPECT_EQ(odbc.odbcConnection, QStringLiteral("DSN=HOSPITALSQL;DATABASE=BILLING;UID=sa;PWD=pw"));
    EXPECT_EQ(tableReference(ConnectionInfo::embedded(dir.path()), QStringLiteral("reports"), QStringLiteral("dbo"),
                             QStringLiteral("tbX")), QStringLiteral("reports.tbX"));
    EXPECT_EQ(tableReference(odbc, QStringLiteral("Reports"), QStringLiteral("dbo"), QStringLiteral("tbX")),
              QStringLiteral("Reports.dbo.tbX"));
    EXPECT_THROW(tableReference(odbc, QStringLiteral("Reports"), QStringLiteral("dbo"), QStringLiteral("tb; DROP")), DbError);
    EXPECT_THROW(tableReference(ConnectionInfo::embedded(dir.path()), QStringLiteral("Other"), {}, QStringLiteral("t")), DbError);
}

TEST(RecordsetModelTest, ShowsFieldsAsColumnsAndNullsAsEmptyCells)
{
    auto rs = std::make_shared<Recordset>(QStringList{QStringLiteral("Code"), QStringLiteral("Description")},
                                          std::vector<QVariantList>{{QStringLiteral("MC"), QVariant()},
                                                                    {QStringLiteral("MH"), QStringLiteral("Hospital")}});
    RecordsetModel model;
    model.setRecordset(rs);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Description"));
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), QString());
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), QStringLiteral("Hospital"));
}

} // namespace

// Used by tarvik_sql_check.cmake: leaves a fixture folder behind and prints where it is.
TEST(Fixture, MakeFolder)
{
    QTemporaryDir dir;
    dir.setAutoRemove(false);
    buildFixture(dir.path());
    std::printf("FOLDER=%s\n", qPrintable(dir.path()));
}
