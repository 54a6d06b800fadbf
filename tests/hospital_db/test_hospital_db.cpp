// The hospital databases on a small generated demo: every procedure is reconciled with
// independent SQL over the raw tables, through the same command texts the dialogs send.

#include "HospitalDb.h"
#include "SqliteExec.h"

#include "Connection.h"
#include "ConnectionInfo.h"
#include "DbError.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sodium.h>

#include <cmath>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

using tarvik::db::Connection;
using tarvik::db::ConnectionInfo;
using tarvik::db::DbError;

namespace {

// Rows of a query as text, one line per row, for comparing whole tables.
QStringList dump(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw std::runtime_error((sql + QStringLiteral(": ") + q.lastError().text()).toStdString());
    QStringList out;
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.record().count(); ++i)
            cells << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

QVariant scalar(QSqlDatabase& db, const QString& sql)
{
    const QStringList rows = dump(db, sql);
    return rows.isEmpty() ? QVariant() : QVariant(rows.first());
}

qint64 number(QSqlDatabase& db, const QString& sql) { return scalar(db, sql).toLongLong(); }

class HospitalDb : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(s_dir->isValid());
        tarvik::hospitaldb::GeneratorOptions options;
        options.scale = 0.05;
        options.months = 4;
        options.seed = 7;
        options.to = QDate(2026, 3, 15);
        tarvik::hospitaldb::generateDemoData(folder(), options);
        s_connection = std::make_unique<Connection>(ConnectionInfo::embedded(folder()));
        s_db = tarvik::db::openDatabase(ConnectionInfo::embedded(folder()), QStringLiteral("hospital_db_test"));
    }
    static void TearDownTestSuite()
    {
        s_connection.reset();
        s_db.close();
        s_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("hospital_db_test"));
        s_dir.reset();
    }
    static QString folder() { return s_dir->path() + QStringLiteral("/data"); }

    static tarvik::db::RecordsetPtr run(const QString& text) { return s_connection->execute(text); }

    static std::unique_ptr<QTemporaryDir> s_dir;
    static std::unique_ptr<Connection> s_connection;
    static QSqlDatabase s_db;
};

std::unique_ptr<QTemporaryDir> HospitalDb::s_dir;
std::unique_ptr<Connection> HospitalDb::s_connection;
QSqlDatabase HospitalDb::s_db;

// ----- schema and start-up ------------------------------------------------------------------

TEST(HospitalDbSchema, CreatesEmptyDatabasesWithEveryProcedureAndRefusesAnExistingFolder)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/fresh");
    tarvik::hospitaldb::createDatabases(folder);
    for (const char* name : tarvik::db::kDatabaseNames)
        EXPECT_TRUE(QFileInfo::exists(tarvik::db::databaseFile(folder, QLatin1String(name)))) << name;

    {
        QSqlDatabase db = tarvik::db::openDatabase(ConnectionInfo::embedded(folder), QStringLiteral("schema_test"));
        // The two tables other parts of the program rely on, with exactly their columns.
        EXPECT_EQ(dump(db, QStringLiteral("SELECT name FROM pragma_table_info('tbHospitalInfo', 'Patient_data')")).join(','),
                  QStringLiteral("Company,Address1,Address2,City,Province,ZipCode,Phone,Fax,TIN,MTSServerName"));
        EXPECT_EQ(dump(db, QStringLiteral("SELECT name FROM pragma_table_info('tbUsers', 'Patient_data')")).join(','),
                  QStringLiteral("UserName,FullName,PasswordHash,Modules,FailedAttempts,LockedUntil,Active"));
        EXPECT_EQ(number(db, QStringLiteral("SELECT COUNT(*) FROM BILLING.tbCharge")), 0);

        // Each procedure the dialogs call, with the argument count of their command texts
        // (required, total).
        const std::pair<const char*, std::pair<int, int>> expected[] = {
            {"sp_Rep_DumpDailySummaryOfDischarges", {1, 1}}, {"sp_Rep_DumpDailySummaryOfServices", {1, 1}},
            {"sp_RepRecomputeExtensionInPatient", {1, 1}},  {"sp_RepRecomputeExtensionOutPatient", {1, 1}},
            {"sp_Rep_GetComputedInPatients", {1, 1}},        {"sp_Rep_GetComputedOutPatients", {1, 1}},
            {"sp_Rep_MonthlyREcompute", {4, 4}},             {"sp_BILLING_RepAgingRecompute", {2, 3}},
            {"sp_BILLING_RepAgingPayableRecompute", {2, 2}}, {"sp_Rep_SearchMiscellaneousRevenue", {1, 2}},
            {"sp_Rep_UpdateMiscellaneous", {2, 2}}};
        for (const auto& [name, counts] : expected) {
            const QVariant params = scalar(db, QStringLiteral("SELECT params FROM Reports.sys_procedure WHERE name = '%1'")
                                                   .arg(QLatin1String(name)));
            ASSERT_TRUE(params.isValid()) << name << " is not installed in Reports";
            const QJsonArray list = QJsonDocument::fromJson(params.toString().toUtf8()).array();
            int required = 0;
            for (const auto& p : list)
                required += p.toObject().contains(QStringLiteral("default")) ? 0 : 1;
            EXPECT_EQ(required, counts.first) << name;
            EXPECT_EQ(list.size(), counts.second) << name;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("schema_test"));

    EXPECT_THROW(tarvik::hospitaldb::createDatabases(folder), DbError);
}

TEST_F(HospitalDb, StartUpQueryAndDemoUser)
{
    auto rs = run(QStringLiteral("Select *, GetDate() as CurDate From Patient_data..tbHospitalInfo"));
    ASSERT_TRUE(rs && !rs->eof());
    EXPECT_FALSE(rs->field(QStringLiteral("Company")).toString().isEmpty());
    EXPECT_FALSE(rs->field(QStringLiteral("Address1")).toString().isEmpty());
    EXPECT_EQ(rs->field(QStringLiteral("MTSServerName")).toString(), QStringLiteral("localhost"));

    const QStringList user = dump(s_db, QStringLiteral("SELECT FullName, Modules, PasswordHash, Active FROM Patient_data.tbUsers WHERE UserName = 'DEMO'"));
    ASSERT_EQ(user.size(), 1);
    const QStringList f = user.first().split('|');
    EXPECT_EQ(f[0], QStringLiteral("Demo Accountant"));
    EXPECT_EQ(f[1], QStringLiteral("RP"));
    ASSERT_GE(sodium_init(), 0);
    const QByteArray hash = f[2].toUtf8();
    EXPECT_TRUE(hash.startsWith("$argon2id$"));
    EXPECT_EQ(crypto_pwhash_str_verify(hash.constData(), "demo", 4), 0);
    EXPECT_NE(crypto_pwhash_str_verify(hash.constData(), "Demo", 4), 0);
}

// ----- daily summaries ------------------------------------------------------------------------

struct DayTotals
{
    qint64 patientsCash = 0, patientsCharge = 0, hospCash = 0, hospCharge = 0, profCash = 0, profCharge = 0;
};

// The split the daily summaries document: net charges (voided lines excluded) by hospital or
// professional fee and by cash or charge; patients counted by hospital number.
DayTotals independentTotals(QSqlDatabase& db, const QString& chargeFilter)
{
    const QString sql = QStringLiteral(
        "SELECT COUNT(DISTINCT CASE WHEN PayMode='CASH' THEN HospitalNo END),"
        " COUNT(DISTINCT CASE WHEN PayMode='CHARGE' THEN HospitalNo END),"
        " TOTAL(CASE WHEN ChargeType='HOSP' AND PayMode='CASH' THEN Net END),"
        " TOTAL(CASE WHEN ChargeType='HOSP' AND PayMode='CHARGE' THEN Net END),"
        " TOTAL(CASE WHEN ChargeType='PF' AND PayMode='CASH' THEN Net END),"
        " TOTAL(CASE WHEN ChargeType='PF' AND PayMode='CHARGE' THEN Net END)"
        " FROM BILLING.tbCharge WHERE Voided = 0 AND ") + chargeFilter;
    const QStringList f = dump(db, sql).first().split('|');
    return {f[0].toLongLong(), f[1].toLongLong(), qint64(f[2].toDouble()), qint64(f[3].toDouble()),
            qint64(f[4].toDouble()), qint64(f[5].toDouble())};
}

void expectTotals(const tarvik::db::RecordsetPtr& rs, const DayTotals& t, const QString& day)
{
    SCOPED_TRACE(day.toStdString());
    ASSERT_TRUE(rs && !rs->eof());
    EXPECT_EQ(rs->field(QStringLiteral("TotalPatientCash")).toLongLong(), t.patientsCash);
    EXPECT_EQ(rs->field(QStringLiteral("TotalPatientCharge")).toLongLong(), t.patientsCharge);
    // Pesos with two decimals from exact cents.
    EXPECT_EQ(std::llround(rs->field(QStringLiteral("TotalHospCash")).toDouble() * 100), t.hospCash);
    EXPECT_EQ(std::llround(rs->field(QStringLiteral("TotalHospCharge")).toDouble() * 100), t.hospCharge);
    EXPECT_EQ(std::llround(rs->field(QStringLiteral("TotalProfCash")).toDouble() * 100), t.profCash);
    EXPECT_EQ(std::llround(rs->field(QStringLiteral("TotalProfCharge")).toDouble() * 100), t.profCharge);
}

TEST_F(HospitalDb, DischargeSummaryReconcilesWithTheChargesOfThePatientsDischarged)
{
    const QStringList days = dump(s_db, QStringLiteral(
        "SELECT DISTINCT date(DischargeDateTime) FROM Patient_data.tbAdmission WHERE DischargeDateTime >= '2026-02-01' "
        "ORDER BY 1 LIMIT 6"));
    ASSERT_GE(days.size(), 3);
    for (const QString& iso : days) {
        const QString d = QDate::fromString(iso, Qt::ISODate).toString(QStringLiteral("MM/dd/yyyy"));
        run(QStringLiteral("Reports..sp_Rep_DumpDailySummaryOfDischarges  '%1'").arg(d));
        EXPECT_EQ(number(s_db, QStringLiteral("SELECT COUNT(*) FROM Reports.tbDailySummaryOfDischarges "
                                               "WHERE ReportDate = '%1' AND Extension IS NOT NULL").arg(iso)), 0);
        run(QStringLiteral("Reports..sp_RepRecomputeExtensionInPatient  '%1'").arg(d));
        auto rs = run(QStringLiteral("Reports..sp_Rep_GetComputedInPatients '%1'").arg(d));
        const QString filter = QStringLiteral(
            "ServiceDate <= '%1' AND ARNo IN (SELECT pa.ARNo FROM BILLING.tbPatientAccount pa JOIN Patient_data.tbAdmission a "
            "ON a.AdmissionNo = pa.EncounterNo WHERE date(a.DischargeDateTime) = '%1')").arg(iso);
        expectTotals(rs, independentTotals(s_db, filter), iso);

        // The dumped lines carry the same money, with their extensions now computed.
        EXPECT_EQ(number(s_db, QStringLiteral("SELECT TOTAL(Extension) FROM Reports.tbDailySummaryOfDischarges WHERE ReportDate = '%1'").arg(iso)),
                  number(s_db, QStringLiteral("SELECT TOTAL(Net) FROM BILLING.tbCharge WHERE Voided = 0 AND ") + filter));
        EXPECT_EQ(number(s_db, QStringLiteral("SELECT COUNT(*) FROM Reports.tbDailySummaryOfDischarges WHERE ReportDate = '%1' "
                                               "AND Extension <> Gross - Discount").arg(iso)), 0);
        // Each discharged patient once, with balance = charges + adjustments + payments.
        EXPECT_EQ(number(s_db, QStringLiteral("SELECT COUNT(*) FROM Reports.tbDailyDischarges WHERE ReportDate = '%1'").arg(iso)),
                  number(s_db, QStringLiteral("SELECT COUNT(*) FROM Patient_data.tbAdmission WHERE date(DischargeDateTime) = '%1'").arg(iso)));
        EXPECT_EQ(number(s_db, QStringLiteral("SELECT COUNT(*) FROM Reports.tbDailyDischarges WHERE ReportDate = '%1' "
                                               "AND Balance <> TotalCharges + TotalDiscounts + TotalPayments").arg(iso)), 0);
    }
}

TEST_F(HospitalDb, ServicesSummaryReconcilesWithTheDaysOutPatientCharges)
{
    for (const char* iso : {"2026-02-02", "2026-02-08", "2026-03-15"}) {
        const QString d = QDate::fromString(QLatin1String(iso), Qt::ISODate).toString(QStringLiteral("MM/dd/yyyy"));
        run(QStringLiteral("Reports..sp_Rep_DumpDailySummaryOfServices  '%1'").arg(d));
        run(QStringLiteral("Reports..sp_RepRecomputeExtensionOutPatient  '%1'").arg(d));
        auto rs = run(QStringLiteral("Reports..sp_Rep_GetComputedOutPatients '%1'").arg(d));
        const QString filter = QStringLiteral("EncounterType = 'O' AND ServiceDate = '%1'").arg(QLatin1String(iso));
        const DayTotals t = independentTotals(s_db, filter);
        EXPECT_GT(t.hospCash + t.hospCharge, 0) << iso;
        expectTotals(rs, t, QLatin1String(iso));
        EXPECT_EQ(number(s_db, QStringLiteral("SELECT TOTAL(Extension) FROM Reports.tbDailySummaryOfServices WHERE ReportDate = '%1'").arg(QLatin1String(iso))),
                  t.hospCash + t.hospCharge + t.profCash + t.profCharge);
    }
}

TEST_F(HospitalDb, ADayWithoutPatientsGivesNoRowAndRecomputingTwiceChangesNothing)
{
    run(QStringLiteral("Reports..sp_RepRecomputeExtensionOutPatient  '06/30/2019'"));
    auto rs = run(QStringLiteral("Reports..sp_Rep_GetComputedOutPatients '06/30/2019'"));
    ASSERT_TRUE(rs);
    EXPECT_TRUE(rs->eof() && rs->bof());

    const QString snapshot = QStringLiteral("SELECT * FROM Reports.tbDailySummaryOfServices WHERE ReportDate = '2026-02-03' ORDER BY ARNo, DeptCode, ChargeType, PayMode");
    run(QStringLiteral("Reports..sp_Rep_DumpDailySummaryOfServices  '02/03/2026'"));
    run(QStringLiteral("Reports..sp_RepRecomputeExtensionOutPatient  '02/03/2026'"));
    const QStringList first = dump(s_db, snapshot);
    run(QStringLiteral("Reports..sp_Rep_DumpDailySummaryOfServices  '02/03/2026'"));
    run(QStringLiteral("Reports..sp_RepRecomputeExtensionOutPatient  '02/03/2026'"));
    EXPECT_FALSE(first.isEmpty());
    EXPECT_EQ(dump(s_db, snapshot), first);
}

// ----- monthly departmental summaries -------------------------------------------------------

TEST_F(HospitalDb, MonthlySummaryEqualsTheMonthsExaminationsAndRevenue)
{
    for (const char* dept : {"LB", "XR", "OR", "AP"}) {
        SCOPED_TRACE(dept);
        run(QStringLiteral("Reports..sp_Rep_MonthlyREcompute '02/01/2026', '02/28/2026', '%1', 'N'").arg(QLatin1String(dept)));
        run(QStringLiteral("Reports..sp_Rep_MonthlyREcompute '02/01/2026', '02/28/2026', '%1', 'Y'").arg(QLatin1String(dept)));
        const QString month = QStringLiteral("FROM Reports.tbMonthlySummary WHERE DeptCode = '%1' AND PeriodMonth = '2026-02' AND Flag = ").arg(QLatin1String(dept));
        const qint64 exams = number(s_db, QStringLiteral("SELECT COUNT(*) FROM Patient_data.tbExamination WHERE DeptCode = '%1' AND ExamDate LIKE '2026-02-%'").arg(QLatin1String(dept)));
        const qint64 lines = number(s_db, QStringLiteral("SELECT COUNT(*) FROM BILLING.tbCharge WHERE Voided = 0 AND DeptCode = '%1' AND ServiceDate LIKE '2026-02-%'").arg(QLatin1String(dept)));
        const qint64 revenue = number(s_db, QStringLiteral("SELECT TOTAL(Net) FROM BILLING.tbCharge WHERE Voided = 0 AND DeptCode = '%1' AND ServiceDate LIKE '2026-02-%'").arg(QLatin1String(dept)));
        EXPECT_GT(exams, 0);
        EXPECT_EQ(number(s_db, QStringLiteral("SELECT TOTAL(ItemCount) ") + month + QStringLiteral("'N'")), exams);
        EXPECT_EQ(number(s_db, QStringLiteral("SELECT TOTAL(ItemCount) ") + month + QStringLiteral("'Y'")), lines);
        EXPECT_EQ(number(s_db, QStringLiteral("SELECT TOTAL(Amount) ") + month + QStringLiteral("'N'")), revenue);
        EXPECT_EQ(number(s_db, QStringLiteral("SELECT TOTAL(Amount) ") + month + QStringLiteral("'Y'")), revenue);
        // In-patient and out-patient rows split the same total.
        EXPECT_EQ(number(s_db, QStringLiteral("SELECT COUNT(DISTINCT PatientType) ") + month + QStringLiteral("'N' AND PatientType IN ('I','O')")),
                  number(s_db, QStringLiteral("SELECT COUNT(DISTINCT PatientType) ") + month + QStringLiteral("'N'")));
    }
}

TEST_F(HospitalDb, MiscellaneousCodeSummaryComesFromItsReceiptsAndAYearRunCoversEveryMonth)
{
    run(QStringLiteral("Reports..sp_Rep_MonthlyREcompute '01/01/2026', '12/31/2026', 'MC', 'Y'"));
    const QStringList months = dump(s_db, QStringLiteral(
        "SELECT PeriodMonth, TOTAL(ItemCount), TOTAL(Amount) FROM Reports.tbMonthlySummary WHERE DeptCode = 'MC' AND Flag = 'Y' "
        "AND PeriodYear = '2026' GROUP BY PeriodMonth ORDER BY 1"));
    const QStringList expected = dump(s_db, QStringLiteral(
        "SELECT strftime('%Y-%m', r.ReceiptDate), COUNT(*), TOTAL(rl.Amount) FROM BILLING.tbReceiptLine rl JOIN BILLING.tbReceipt r "
        "ON r.ORNo = rl.ORNo WHERE rl.MiscCode = 'MC' AND r.Voided = 0 AND r.ReceiptDate LIKE '2026-%' GROUP BY 1 ORDER BY 1"));
    EXPECT_EQ(months.size(), 3); // January to the 15th of March
    EXPECT_EQ(months, expected);
}

TEST_F(HospitalDb, MonthlyRecomputeIsIdempotentAndABadArgumentLeavesTheTablesAsTheyWere)
{
    const QString all = QStringLiteral("SELECT DeptCode, Flag, PeriodMonth, PatientType, ItemCode, ItemCount, Qty, Amount FROM Reports.tbMonthlySummary ORDER BY 1, 2, 3, 4, 5");
    run(QStringLiteral("Reports..sp_Rep_MonthlyREcompute '01/01/2026', '01/31/2026', 'US', 'N'"));
    const QStringList before = dump(s_db, all);
    run(QStringLiteral("Reports..sp_Rep_MonthlyREcompute '01/01/2026', '01/31/2026', 'US', 'N'"));
    EXPECT_EQ(dump(s_db, all), before);

    for (const char* bad : {"Reports..sp_Rep_MonthlyREcompute '01/01/2026', '01/31/2026', 'US', 'X'",
                            "Reports..sp_Rep_MonthlyREcompute '01/01/2026', '01/31/2026', 'ZZ', 'N'",
                            "Reports..sp_Rep_MonthlyREcompute '01/31/2026', '01/01/2026', 'US', 'N'",
                            "Reports..sp_Rep_MonthlyREcompute '01/01/2026', '01/31/2026', 'US'"}) {
        EXPECT_THROW(run(QLatin1String(bad)), DbError) << bad;
        EXPECT_EQ(dump(s_db, all), before) << bad;
    }
    try {
        run(QStringLiteral("Reports..sp_Rep_MonthlyREcompute '01/01/2026', '01/31/2026', 'US', 'X'"));
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("the flag must be Y or N"))) << e.what();
    }
}

// ----- aging -----------------------------------------------------------------------------------

TEST_F(HospitalDb, AgingBucketsAddUpToEachBalanceAsOfTheDateForEveryClass)
{
    const QString ledgerAsOf = QStringLiteral(
        "SELECT ARNo, SUM(Amount) AS Bal FROM BILLING.tbARLedger WHERE TxnDate <= '2026-02-28' GROUP BY ARNo");
    struct Case { const char* command; const char* filter; };
    const Case cases[] = {
        {"REPORTS..sp_BILLING_RepAgingRecompute '02/01/2026', '02/28/2026'", "Bal > 0"},
        {"REPORTS..sp_BILLING_RepAgingRecompute '02/01/2026', '02/28/2026', 'P'", "Bal > 0"},
        {"REPORTS..sp_BILLING_RepAgingRecompute '02/01/2026', '02/28/2026', 'N'", "Bal < 0"},
        {"REPORTS..sp_BILLING_RepAgingRecompute '02/01/2026', '02/28/2026', 'A'", "Bal <> 0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        run(QLatin1String(c.command));
        // Same accounts with the same balances as the ledger gives (later receipts ignored).
        EXPECT_EQ(dump(s_db, QStringLiteral("SELECT ARNo, Balance FROM Reports.tbAgingDetail ORDER BY ARNo")),
                  dump(s_db, QStringLiteral("SELECT * FROM (%1) WHERE %2 ORDER BY ARNo").arg(ledgerAsOf, QLatin1String(c.filter))));
        EXPECT_EQ(number(s_db, QStringLiteral("SELECT COUNT(*) FROM Reports.tbAgingDetail WHERE "
                                               "Current0To30 + Days31To60 + Days61To90 + Days91To120 + Over120 <> Balance "
                                               "OR OpeningBalance + PeriodCharges + PeriodPayments + PeriodAdjustments <> Balance "
                                               "OR AgeDays < 0")), 0);
        EXPECT_EQ(dump(s_db, QStringLiteral("SELECT Classification, Accounts, Balance, Over120 FROM Reports.tbAgingClassification ORDER BY 1")),
                  dump(s_db, QStringLiteral("SELECT Classification, COUNT(*), SUM(Balance), SUM(Over120) FROM Reports.tbAgingDetail GROUP BY 1 ORDER BY 1")));
    }
    // Net = receivables + payables.
    run(QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '02/01/2026', '02/28/2026', 'P'"));
    const qint64 receivables = number(s_db, QStringLiteral("SELECT SUM(Balance) FROM Reports.tbAgingDetail"));
    run(QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '02/01/2026', '02/28/2026', 'N'"));
    const qint64 payables = number(s_db, QStringLiteral("SELECT TOTAL(Balance) FROM Reports.tbAgingDetail"));
    run(QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '02/01/2026', '02/28/2026', 'A'"));
    EXPECT_EQ(number(s_db, QStringLiteral("SELECT SUM(Balance) FROM Reports.tbAgingDetail")), receivables + payables);
    EXPECT_GT(receivables, 0);
    // Four months of data age some balances beyond 30 days.
    run(QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '03/01/2026', '03/15/2026', 'P'"));
    EXPECT_GT(number(s_db, QStringLiteral("SELECT TOTAL(Days31To60 + Days61To90) FROM Reports.tbAgingDetail")), 0);
}

TEST_F(HospitalDb, AgingRecomputeIsIdempotentAndRefusesAnUnknownClassUntouched)
{
    const QString all = QStringLiteral("SELECT * FROM Reports.tbAgingDetail ORDER BY ARNo");
    run(QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '01/01/2026', '01/31/2026', 'A'"));
    const QStringList once = dump(s_db, all);
    run(QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '01/01/2026', '01/31/2026', 'A'"));
    EXPECT_EQ(dump(s_db, all), once);
    EXPECT_THROW(run(QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '01/01/2026', '01/31/2026', 'X'")), DbError);
    EXPECT_THROW(run(QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '13/01/2026', '01/31/2026'")), DbError);
    EXPECT_EQ(dump(s_db, all), once);
}

TEST_F(HospitalDb, EmptyArgumentsAreRefusedByEveryCheckAndChangeNothing)
{
    // '' is an empty text: a date, a class or a code cannot be empty.
    const QString aging = QStringLiteral("SELECT * FROM Reports.tbAgingDetail ORDER BY ARNo");
    const QString codes = QStringLiteral("SELECT * FROM BILLING.tbMiscRevenue ORDER BY MiscCode");
    const QString summary = QStringLiteral("SELECT * FROM Reports.tbMonthlySummary ORDER BY 1, 2, 3, 4, 5, 6, 7");
    run(QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '01/01/2026', '01/31/2026', 'P'"));
    const QStringList agingBefore = dump(s_db, aging), codesBefore = dump(s_db, codes),
                      summaryBefore = dump(s_db, summary);
    ASSERT_FALSE(agingBefore.isEmpty());
    for (const char* text : {"REPORTS..sp_BILLING_RepAgingRecompute '', ''",
                             "REPORTS..sp_BILLING_RepAgingRecompute '01/01/2026', '01/31/2026', ''",
                             "Reports..sp_Rep_UpdateMiscellaneous '', 'x'",
                             "Reports..sp_Rep_UpdateMiscellaneous ' ', 'x'",
                             "Reports..sp_Rep_MonthlyREcompute '01/01/2026', '01/31/2026', '', 'N'",
                             "Reports..sp_Rep_MonthlyREcompute '01/01/2026', '01/31/2026', 'LB', ''"})
        EXPECT_THROW(run(QString::fromUtf8(text)), DbError) << text;
    EXPECT_EQ(dump(s_db, aging), agingBefore);
    EXPECT_EQ(dump(s_db, codes), codesBefore);
    EXPECT_EQ(dump(s_db, summary), summaryBefore);
}

TEST_F(HospitalDb, TheGeneratorMarksItsDataAsTheDemoHospitals)
{
    EXPECT_EQ(number(s_db, QStringLiteral("SELECT COUNT(*) FROM Patient_data.sqlite_master WHERE name = '%1'")
                               .arg(QLatin1String(tarvik::db::detail::kDemoMarkerTable))),
              1);
}

TEST_F(HospitalDb, PayablesAreTheCreditBalancesShownPositive)
{
    run(QStringLiteral("REPORTS..sp_BILLING_RepAgingPayableRecompute '03/01/2026', '03/15/2026'"));
    const QStringList payables = dump(s_db, QStringLiteral("SELECT ARNo, Payable FROM Reports.tbPayableDetail ORDER BY ARNo"));
    EXPECT_FALSE(payables.isEmpty());
    EXPECT_EQ(payables, dump(s_db, QStringLiteral("SELECT ARNo, -SUM(Amount) FROM BILLING.tbARLedger WHERE TxnDate <= '2026-03-15' "
                                                  "GROUP BY ARNo HAVING SUM(Amount) < 0 ORDER BY ARNo")));
    EXPECT_EQ(number(s_db, QStringLiteral("SELECT COUNT(*) FROM Reports.tbPayableDetail WHERE "
                                           "Current0To30 + Days31To60 + Days61To90 + Days91To120 + Over120 <> Payable OR Payable <= 0")), 0);
    EXPECT_EQ(number(s_db, QStringLiteral("SELECT SUM(Payable) FROM Reports.tbPayableClassification")),
              number(s_db, QStringLiteral("SELECT SUM(Payable) FROM Reports.tbPayableDetail")));
}

// ----- aging bucket boundaries --------------------------------------------------------------

// An account whose balance is aged from a day `age` days before the as-of date must sit wholly in
// the bucket this table names: a day either side of each boundary.
struct AgeBoundary
{
    int age;
    int bucket; // index into kBuckets
};
const char* const kBuckets[] = {"Current0To30", "Days31To60", "Days61To90", "Days91To120", "Over120"};
const AgeBoundary kBoundaries[] = {{0, 0},  {30, 0}, {31, 1},  {60, 1},  {61, 2},
                                   {90, 2}, {91, 3}, {120, 3}, {121, 4}};

// The buckets computed independently of the procedures: the aged-from date against the as-of date
// moved back 30, 60, 90 and 120 calendar days. `accounts` gives ARNo, AccountClass, Amount (the
// amount to age) and Basis; the result is one row per account: ARNo, Amount, the five buckets.
QString independentBuckets(const QString& accounts, const QString& asOf)
{
    QString bucketOf = QStringLiteral("CASE");
    for (int i = 0; i < 4; ++i)
        bucketOf += QStringLiteral(" WHEN Basis >= date('%1', '-%2 days') THEN %3").arg(asOf).arg(30 * (i + 1)).arg(i);
    bucketOf += QStringLiteral(" ELSE 4 END");
    QStringList columns;
    for (int i = 0; i < 5; ++i)
        columns << QStringLiteral("CASE WHEN k = %1 THEN Amount ELSE 0 END AS %2").arg(i).arg(QLatin1String(kBuckets[i]));
    return QStringLiteral("SELECT ARNo, AccountClass, Amount, %1 FROM (SELECT *, %2 AS k FROM (%3))")
        .arg(columns.join(QStringLiteral(", ")), bucketOf, accounts);
}

// A query's rows as one text, so that a failed comparison shows a line-by-line difference.
std::string rowsText(QSqlDatabase& db, const QString& sql) { return dump(db, sql).join(u'\n').toStdString(); }

// Classification totals of independently bucketed accounts, in the procedures' column order.
QString independentClassification(const QString& buckets)
{
    return QStringLiteral(
               "SELECT CASE AccountClass WHEN 'PAY' THEN 'Self-pay' WHEN 'HMO' THEN 'HMO' WHEN 'COMPANY' THEN 'Company' "
               "ELSE 'Service' END AS c, COUNT(*), SUM(Amount), SUM(Current0To30), SUM(Days31To60), SUM(Days61To90), "
               "SUM(Days91To120), SUM(Over120) FROM (%1) GROUP BY c ORDER BY c")
        .arg(buckets);
}

TEST(HospitalDbAging, EachBalanceSitsInTheBucketItsAgeCallsForOnBothSidesOfEveryBoundary)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + QStringLiteral("/data");
    tarvik::hospitaldb::createDatabases(folder);

    // Aged as of the end of March 2024: the buckets reach back across February 29.
    const QDate asOf(2024, 3, 31);
    const QString iso = asOf.toString(Qt::ISODate);
    const QString period = QStringLiteral("'03/01/2024', '03/31/2024'");
    auto day = [&](int before) { return asOf.addDays(-before).toString(Qt::ISODate); };

    struct Planted
    {
        QString arNo, why;
        int age = 0;       // of the aged-from date as of the period's end
        int bucket = 0;
        bool payable = false; // aged in the payable listing rather than the receivable one
        qint64 amount = 0;   // the balance (receivable) or what is owed back (payable)
    };
    std::vector<Planted> planted;
    // Each account class in turn, shifting at every boundary so that each shape meets them all.
    const char* const classes[] = {"PAY", "HMO", "COMPANY", "SERVICE"};
    const char* const payors[] = {"SELF", "HMO1", "CO1", "GOV1"};
    {
        QSqlDatabase db = tarvik::db::openDatabase(ConnectionInfo::embedded(folder), QStringLiteral("aging_plant"));
        auto exec = [&](const QString& sql) {
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
        };
        exec(QStringLiteral("INSERT INTO BILLING.tbGLAccount VALUES ('1130', 'A/R - patients', 'ASSET', 'D')"));
        exec(QStringLiteral("INSERT INTO BILLING.tbPayor VALUES ('SELF', 'Self-pay', 'SELF', 0, 0, '1130'), "
                            "('HMO1', 'Planted HMO', 'HMO', 30, 0, '1130'), ('CO1', 'Planted Company', 'COMPANY', 30, 0, '1130'), "
                            "('GOV1', 'Planted Service', 'GOVERNMENT', 60, 0, '1130')"));
        int n = 0;
        // kind, opened and discharged (days before the as-of date; discharged < 0 = still in the
        // house that day) and the ledger: (days before, type, amount).
        auto account = [&](const QString& kind, int opened, std::optional<int> discharged,
                           std::initializer_list<std::tuple<int, const char*, qint64>> ledger) {
            ++n;
            const QString arNo = QStringLiteral("%1-%2").arg(kind).arg(n, 7, 10, QLatin1Char('0'));
            exec(QStringLiteral("INSERT INTO BILLING.tbPatientAccount (ARNo, AccountKind, HospitalNo, EncounterNo, PatientName, "
                                "AccountClass, PayorCode, OpenedOn, DischargedOn, GLAR, Status) VALUES "
                                "('%1', '%2', 'H%3', 'E%3', 'Planted, Patient %3', '%4', '%5', '%6', %7, '1130', '%8')")
                     .arg(arNo, kind)
                     .arg(n)
                     .arg(QLatin1String(classes[(n + n / 4) % 4]), QLatin1String(payors[(n + n / 4) % 4]), day(opened),
                          discharged ? QStringLiteral("'%1'").arg(day(*discharged)) : QStringLiteral("NULL"),
                          discharged && *discharged >= 0 ? QStringLiteral("DISCHARGED") : QStringLiteral("OPEN")));
            int line = 0;
            for (const auto& [before, type, amount] : ledger)
                exec(QStringLiteral("INSERT INTO BILLING.tbARLedger (ARNo, TxnDate, PostedAt, TxnType, SourceTable, SourceID, "
                                    "Amount, GLCode, ContraGL, BatchNo) VALUES ('%1', '%2', '%2 10:00:00', '%3', 'planted', "
                                    "'%1/%4', %5, '1130', '4000', 'B%2')")
                         .arg(arNo, day(before), QLatin1String(type))
                         .arg(++line)
                         .arg(amount));
            return arNo;
        };
        for (const AgeBoundary& b : kBoundaries) {
            const qint64 base = 100000 + 1000 * b.age; // each account's amount tells its row
            // Aged from the visit.
            planted.push_back({account(QStringLiteral("OP"), b.age, b.age, {{b.age, "CHG", base + 1}}),
                               QStringLiteral("out-patient visit"), b.age, b.bucket, false, base + 1});
            // Aged from the discharge, not the admission or the charges.
            planted.push_back({account(QStringLiteral("IP"), b.age + 6, b.age,
                                       {{b.age + 6, "CHG", base + 2}, {b.age + 1, "CHG", 50}, {b.age, "ADJ", -50}}),
                               QStringLiteral("in-patient discharge"), b.age, b.bucket, false, base + 2});
            // A deposit beyond the charges: a negative balance aged from the visit.
            planted.push_back({account(QStringLiteral("OP"), b.age, b.age, {{b.age, "CHG", 500}, {b.age, "DEP", -(base + 503)}}),
                               QStringLiteral("credit balance on the visit"), b.age, b.bucket, false, -(base + 3)});
            // ... which the payable listing ages from the deposit, the same day.
            planted.push_back({planted.back().arNo, QStringLiteral("deposit on the visit"), b.age, b.bucket, true, base + 3});
            // Owed back since a payment long after the stay: the payable ages from that payment.
            planted.push_back({account(QStringLiteral("IP"), b.age + 45, b.age + 40,
                                       {{b.age + 45, "CHG", 7000}, {b.age + 45, "DEP", -3000}, {b.age, "PAY", -(base + 4004)}}),
                               QStringLiteral("payment after the stay"), b.age, b.bucket, true, base + 4});
        }
        // As of the date: what happens later changes neither balances nor ages.
        planted.push_back({account(QStringLiteral("IP"), 200, std::nullopt, {{200, "CHG", 9101}}),
                           QStringLiteral("in the house since long"), 0, 0, false, 9101});
        planted.push_back({account(QStringLiteral("IP"), 10, -3, {{10, "CHG", 9102}, {-3, "PAY", -9102}}),
                           QStringLiteral("discharged and paid after the date"), 0, 0, false, 9102});
        planted.push_back({account(QStringLiteral("OP"), 45, 45, {{45, "CHG", 9103}, {-1, "PAY", -9103}}),
                           QStringLiteral("paid the day after"), 45, 1, false, 9103});
        planted.push_back({account(QStringLiteral("OP"), 150, 150, {{150, "CHG", 100}, {70, "DEP", -9204}, {-2, "DEP", -5000}}),
                           QStringLiteral("credit again after the date"), 70, 2, true, 9104});
        account(QStringLiteral("OP"), 40, 40, {{40, "CHG", 9105}, {35, "PAY", -9105}}); // settled: in no listing
        account(QStringLiteral("OP"), -1, -1, {{-1, "CHG", 9106}});                     // after the date: in none
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("aging_plant"));

    Connection connection(ConnectionInfo::embedded(folder));
    QSqlDatabase db = tarvik::db::openDatabase(ConnectionInfo::embedded(folder), QStringLiteral("aging_check"));
    const QString balances = QStringLiteral(
        "SELECT pa.ARNo, pa.AccountClass, pa.AccountKind, pa.OpenedOn, pa.DischargedOn, l.Bal FROM BILLING.tbPatientAccount pa "
        "JOIN (SELECT ARNo, SUM(Amount) AS Bal FROM BILLING.tbARLedger WHERE TxnDate <= '%1' GROUP BY ARNo) l ON l.ARNo = pa.ARNo")
        .arg(iso);
    // Receivables age from the visit, or from the discharge once the patient left by the date.
    const QString receivables = QStringLiteral(
        "SELECT ARNo, AccountClass, Bal AS Amount, CASE WHEN AccountKind = 'OP' THEN OpenedOn "
        "WHEN DischargedOn <= '%1' THEN DischargedOn ELSE '%1' END AS Basis FROM (%2) WHERE ")
        .arg(iso, balances);
    // Payables: credit balances by the date, shown positive, aged from the last credit by then.
    const QString payables = QStringLiteral(
        "SELECT b.ARNo, b.AccountClass, -b.Bal AS Amount, (SELECT MAX(TxnDate) FROM BILLING.tbARLedger x WHERE x.ARNo = b.ARNo "
        "AND x.Amount < 0 AND x.TxnDate <= '%1') AS Basis FROM (%2) b WHERE b.Bal < 0")
        .arg(iso, balances);
    const QString bucketColumns = QStringLiteral("Current0To30, Days31To60, Days61To90, Days91To120, Over120");

    struct Listing
    {
        QString command; // as the dialogs send it
        QString accounts;
        QString table, classification, amount;
        char sign; // the planted receivables this listing holds: '+', '-' or both ('A'); 'Y' for payables
    };
    const Listing listings[] = {
        {QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute %1").arg(period), receivables + QStringLiteral("Bal > 0"),
         QStringLiteral("tbAgingDetail"), QStringLiteral("tbAgingClassification"), QStringLiteral("Balance"), '+'},
        {QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute %1, 'P'").arg(period), receivables + QStringLiteral("Bal > 0"),
         QStringLiteral("tbAgingDetail"), QStringLiteral("tbAgingClassification"), QStringLiteral("Balance"), '+'},
        {QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute %1, 'N'").arg(period), receivables + QStringLiteral("Bal < 0"),
         QStringLiteral("tbAgingDetail"), QStringLiteral("tbAgingClassification"), QStringLiteral("Balance"), '-'},
        {QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute %1, 'A'").arg(period), receivables + QStringLiteral("Bal <> 0"),
         QStringLiteral("tbAgingDetail"), QStringLiteral("tbAgingClassification"), QStringLiteral("Balance"), 'A'},
        {QStringLiteral("REPORTS..sp_BILLING_RepAgingPayableRecompute %1").arg(period), payables,
         QStringLiteral("tbPayableDetail"), QStringLiteral("tbPayableClassification"), QStringLiteral("Payable"), 'Y'},
    };
    for (const Listing& l : listings) {
        SCOPED_TRACE(l.command.toStdString());
        connection.execute(l.command);
        const QString expected = independentBuckets(l.accounts, iso);
        // Every bucket of every account, and the classification totals.
        EXPECT_EQ(rowsText(db, QStringLiteral("SELECT ARNo, %1, %2 FROM Reports.%3 ORDER BY ARNo").arg(l.amount, bucketColumns, l.table)),
                  rowsText(db, QStringLiteral("SELECT ARNo, Amount, %1 FROM (%2) ORDER BY ARNo").arg(bucketColumns, expected)));
        EXPECT_EQ(rowsText(db, QStringLiteral("SELECT Classification, Accounts, %1, %2 FROM Reports.%3 ORDER BY Classification")
                                   .arg(l.amount, bucketColumns, l.classification)),
                  rowsText(db, independentClassification(expected)));

        // Each planted account by its row: its age, and its whole amount in its bucket.
        for (const Planted& p : planted) {
            const bool listed = l.sign == 'Y' ? p.payable
                                              : !p.payable && (l.sign == 'A' || (l.sign == '+') == (p.amount > 0));
            if (!listed)
                continue;
            QStringList want{QString::number(p.age), QString::number(p.amount)};
            for (int i = 0; i < 5; ++i)
                want << QString::number(i == p.bucket ? p.amount : 0);
            EXPECT_EQ(rowsText(db, QStringLiteral("SELECT AgeDays, %1, %2 FROM Reports.%3 WHERE ARNo = '%4'")
                                       .arg(l.amount, bucketColumns, l.table, p.arNo)),
                      want.join(u'|').toStdString())
                << p.why.toStdString() << ", aged " << p.age << " days (" << p.arNo.toStdString() << ")";
        }
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("aging_check"));
}

// ----- ledger and general ledger ------------------------------------------------------------

TEST_F(HospitalDb, LedgerMatchesItsSourcesAndTheGeneralLedgerBalances)
{
    EXPECT_EQ(number(s_db, QStringLiteral("SELECT SUM(Amount) FROM BILLING.tbARLedger WHERE TxnType = 'CHG'")),
              number(s_db, QStringLiteral("SELECT SUM(Net) FROM BILLING.tbCharge WHERE Voided = 0")));
    EXPECT_EQ(number(s_db, QStringLiteral("SELECT -SUM(Amount) FROM BILLING.tbARLedger WHERE TxnType IN ('PAY', 'DEP')")),
              number(s_db, QStringLiteral("SELECT SUM(rl.Amount) FROM BILLING.tbReceiptLine rl JOIN BILLING.tbReceipt r ON r.ORNo = rl.ORNo "
                                          "WHERE r.Voided = 0 AND rl.LineKind <> 'MISC'")));
    EXPECT_EQ(number(s_db, QStringLiteral("SELECT SUM(Amount) FROM BILLING.tbARLedger WHERE TxnType IN ('ADJ', 'REF')")),
              number(s_db, QStringLiteral("SELECT SUM(Amount) FROM BILLING.tbAdjustment")));
    // Every batch balances, and the A/R accounts of the G/L equal the receivable ledger.
    EXPECT_EQ(number(s_db, QStringLiteral("SELECT COUNT(*) FROM (SELECT BatchNo FROM BILLING.tbGLEntry GROUP BY BatchNo HAVING SUM(Debit) <> SUM(Credit))")), 0);
    EXPECT_GT(number(s_db, QStringLiteral("SELECT COUNT(DISTINCT BatchNo) FROM BILLING.tbGLEntry")), 100);
    EXPECT_EQ(number(s_db, QStringLiteral("SELECT SUM(Debit) - SUM(Credit) FROM BILLING.tbGLEntry WHERE GLCode IN "
                                           "(SELECT GLAR FROM BILLING.tbPatientAccount)")),
              number(s_db, QStringLiteral("SELECT SUM(Amount) FROM BILLING.tbARLedger")));
    // The generator wrote what a hospital has: credit balances, write-offs, packages, misc revenue.
    for (const char* has : {"SELECT COUNT(*) FROM (SELECT ARNo FROM BILLING.tbARLedger GROUP BY ARNo HAVING SUM(Amount) < 0)",
                            "SELECT COUNT(*) FROM BILLING.tbAdjustment WHERE AdjType = 'WRITEOFF'",
                            "SELECT COUNT(*) FROM BILLING.tbAdjustment WHERE AdjType = 'SENIOR'",
                            "SELECT COUNT(*) FROM BILLING.tbCharge c JOIN BILLING.tbServiceItem s ON s.ItemCode = c.ItemCode WHERE s.IsPackage = 1",
                            "SELECT COUNT(*) FROM BILLING.tbReceiptLine WHERE LineKind = 'MISC'",
                            "SELECT COUNT(*) FROM Patient_data.tbAdmission WHERE DischargeDateTime IS NULL",
                            "SELECT COUNT(DISTINCT DeptCode) - 15 FROM BILLING.tbCharge"})
        EXPECT_GT(number(s_db, QLatin1String(has)), 0) << has;
}

TEST_F(HospitalDb, ReportingCopiesMatchTheirSources)
{
    EXPECT_EQ(dump(s_db, QStringLiteral("SELECT TxnDate, COUNT(*), SUM(Amount) FROM Reports.tbRepARLedger GROUP BY 1 ORDER BY 1")),
              dump(s_db, QStringLiteral("SELECT TxnDate, COUNT(*), SUM(Amount) FROM BILLING.tbARLedger GROUP BY 1 ORDER BY 1")));
    EXPECT_EQ(dump(s_db, QStringLiteral("SELECT ServiceDate, SUM(Lines), SUM(Net) FROM Reports.tbRepRevenue GROUP BY 1 ORDER BY 1")),
              dump(s_db, QStringLiteral("SELECT ServiceDate, COUNT(*), SUM(Net) FROM BILLING.tbCharge WHERE Voided = 0 GROUP BY 1 ORDER BY 1")));
    EXPECT_EQ(number(s_db, QStringLiteral("SELECT COUNT(*) FROM Reports.tbRepAdmission")),
              number(s_db, QStringLiteral("SELECT COUNT(*) FROM Patient_data.tbAdmission")));
    EXPECT_EQ(number(s_db, QStringLiteral("SELECT COUNT(*) FROM Reports.tbRepExamination")),
              number(s_db, QStringLiteral("SELECT COUNT(*) FROM Patient_data.tbExamination")));
    EXPECT_EQ(number(s_db, QStringLiteral("SELECT SUM(Amount) FROM Reports.tbRepReceipt WHERE Voided = 0")),
              number(s_db, QStringLiteral("SELECT SUM(CashSales + Payments + Deposits + Miscellaneous) FROM Reports.tbRepReceipt WHERE Voided = 0")));
}

// ----- miscellaneous revenue codes ---------------------------------------------------------

TEST_F(HospitalDb, SearchAndUpdateHandleApostrophesAndAccentedText)
{
    // Column 1 the description, column 2 the code; an apostrophe arrives doubled in the text.
    run(QStringLiteral("Reports..sp_Rep_UpdateMiscellaneous 'ZQ', 'Señora''s Café Rental' "));
    auto rs = run(QStringLiteral("Reports..sp_Rep_SearchMiscellaneousRevenue '0', 'SEÑORA''S CAFÉ'"));
    ASSERT_TRUE(rs);
    ASSERT_EQ(rs->recordCount(), 1);
    EXPECT_EQ(rs->value(0).toString(), QStringLiteral("Señora's Café Rental"));
    EXPECT_EQ(rs->value(1).toString(), QStringLiteral("ZQ"));

    // Changing the description of an existing code (any case) keeps one row.
    run(QStringLiteral("Reports..sp_Rep_UpdateMiscellaneous 'zq', 'Canteen Rental - Niño''s Corner' "));
    EXPECT_EQ(dump(s_db, QStringLiteral("SELECT MiscCode, Description FROM BILLING.tbMiscRevenue WHERE MiscCode = 'ZQ'")),
              QStringList{QStringLiteral("ZQ|Canteen Rental - Niño's Corner")});

    // Search text is text, not a pattern; an empty search lists every code.
    const qint64 codes = number(s_db, QStringLiteral("SELECT COUNT(*) FROM BILLING.tbMiscRevenue"));
    EXPECT_EQ(run(QStringLiteral("Reports..sp_Rep_SearchMiscellaneousRevenue '0', ''"))->recordCount(), codes);
    EXPECT_EQ(run(QStringLiteral("Reports..sp_Rep_SearchMiscellaneousRevenue '0','%'"))->recordCount(), 0);
    EXPECT_EQ(run(QStringLiteral("Reports..sp_Rep_SearchMiscellaneousRevenue '0', '''; DROP TABLE tbMiscRevenue; --'"))->recordCount(), 0);
    EXPECT_EQ(run(QStringLiteral("Reports..sp_Rep_SearchMiscellaneousRevenue '0', 'NIÑO'"))->recordCount(), 1);
    EXPECT_EQ(run(QStringLiteral("Reports..sp_Rep_SearchMiscellaneousRevenue '1', 'M'"))->recordCount(),
              number(s_db, QStringLiteral("SELECT COUNT(*) FROM BILLING.tbMiscRevenue WHERE MiscCode LIKE 'M%'")));

    // An empty code is refused and nothing is stored.
    EXPECT_THROW(run(QStringLiteral("Reports..sp_Rep_UpdateMiscellaneous '  ', 'Nothing' ")), DbError);
    EXPECT_EQ(number(s_db, QStringLiteral("SELECT COUNT(*) FROM BILLING.tbMiscRevenue")), codes);
}

// ----- the generator ------------------------------------------------------------------------

TEST(HospitalDbGenerator, SameSeedAndDatesGiveTheSameData)
{
    auto fingerprint = [](const QString& folder) {
        const QString name = QStringLiteral("fingerprint_") + folder.section('/', -1);
        QStringList out;
        {
            QSqlDatabase db = tarvik::db::openDatabase(ConnectionInfo::embedded(folder), name);
            for (const char* sql : {"SELECT COUNT(*), SUM(Net), SUM(ChargeID * Net % 9973) FROM BILLING.tbCharge",
                                    "SELECT COUNT(*), SUM(Amount), group_concat(ORNo) FROM (SELECT * FROM BILLING.tbReceipt ORDER BY ORNo)",
                                    "SELECT group_concat(LastName || FirstName || BirthDate) FROM (SELECT * FROM Patient_data.tbPatient ORDER BY HospitalNo)",
                                    "SELECT COUNT(*), SUM(Amount) FROM BILLING.tbARLedger",
                                    "SELECT COUNT(*), SUM(Amount) FROM Reports.tbMonthlySummary"})
                out << dump(db, QLatin1String(sql));
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        return out;
    };
    QTemporaryDir dir;
    tarvik::hospitaldb::GeneratorOptions options;
    options.scale = 0.02;
    options.months = 2;
    options.seed = 99;
    options.to = QDate(2025, 2, 10);
    tarvik::hospitaldb::generateDemoData(dir.path() + QStringLiteral("/a"), options);
    tarvik::hospitaldb::generateDemoData(dir.path() + QStringLiteral("/b"), options);
    const QStringList a = fingerprint(dir.path() + QStringLiteral("/a"));
    EXPECT_EQ(a, fingerprint(dir.path() + QStringLiteral("/b")));
    options.seed = 100;
    tarvik::hospitaldb::generateDemoData(dir.path() + QStringLiteral("/c"), options);
    EXPECT_NE(a, fingerprint(dir.path() + QStringLiteral("/c")));
    // A folder that already holds data is refused.
    EXPECT_THROW(tarvik::hospitaldb::generateDemoData(dir.path() + QStringLiteral("/a"), options), DbError);
}

TEST(HospitalDbGenerator, CommandLineRefusesANonEmptyFolderWithoutForce)
{
    QTemporaryDir dir;
    QFile marker(dir.path() + QStringLiteral("/notes.txt"));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    const QStringList args = {QStringLiteral("--out"), dir.path(), QStringLiteral("--scale"), QStringLiteral("0.02"),
                              QStringLiteral("--months"), QStringLiteral("1"), QStringLiteral("--to"), QStringLiteral("01/10/2025")};
    QProcess p;
    p.start(QStringLiteral(TARVIK_DEMO_DB_EXE), args);
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardError().contains("--force"));
    EXPECT_FALSE(QFileInfo::exists(dir.path() + QStringLiteral("/BILLING.sqlite")));

    p.start(QStringLiteral(TARVIK_DEMO_DB_EXE), args + QStringList{QStringLiteral("--force")});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(QFileInfo::exists(dir.path() + QStringLiteral("/BILLING.sqlite")));
    EXPECT_TRUE(QFileInfo::exists(dir.path() + QStringLiteral("/notes.txt")));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
