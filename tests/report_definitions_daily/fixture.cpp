#include "fixture.h"

#include "ConnectionInfo.h"
#include "HospitalDb.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace dailyrpt {

namespace {

std::unique_ptr<QTemporaryDir> g_dir;
QString g_day;
const QString kConnection = QStringLiteral("dailyrpt.check");

} // namespace

void DemoHospital::SetUp()
{
    g_dir = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(g_dir->isValid());
    tarvik::hospitaldb::GeneratorOptions options;
    options.scale = 0.1;
    options.seed = 7;
    options.to = QDate(2026, 3, 15);
    options.months = 1;
    options.monthEnd = false;
    tarvik::hospitaldb::generateDemoData(g_dir->path(), options);
    tarvik::db::openDatabase(tarvik::db::ConnectionInfo::embedded(g_dir->path()), kConnection);

    // The busiest day before the last (the last may be cut short) that has something for every
    // report: discharges, company or HMO discharges, adjustments and spoiled receipts.
    const QVariantList row = sqlRow(QStringLiteral(R"(
        WITH days AS (SELECT TxnDate AS d, COUNT(*) AS n FROM BILLING.tbARLedger
                       WHERE TxnDate < '2026-03-15' GROUP BY TxnDate)
        SELECT d FROM days ORDER BY
          min((SELECT COUNT(*) FROM Patient_data.tbAdmission a
                WHERE date(a.DischargeDateTime) = days.d), 3)
        + min((SELECT COUNT(*) FROM Patient_data.tbAdmission a
                WHERE date(a.DischargeDateTime) = days.d AND a.AccountClass IN ('COMPANY', 'HMO')), 1) * 2
        + min((SELECT COUNT(*) FROM BILLING.tbAdjustment j WHERE j.AdjDate = days.d), 2)
        + min((SELECT COUNT(*) FROM BILLING.tbReceipt r WHERE r.ReceiptDate = days.d AND r.Voided = 1), 1)
          DESC, n DESC LIMIT 1)"));
    ASSERT_EQ(row.size(), 1);
    g_day = row[0].toString();
}

void DemoHospital::TearDown()
{
    if (QSqlDatabase::contains(kConnection)) {
        QSqlDatabase::database(kConnection, false).close();
        QSqlDatabase::removeDatabase(kConnection);
    }
    g_dir.reset();
}

QString DemoHospital::folder() { return g_dir->path(); }
QString DemoHospital::busyDayIso() { return g_day; }
QString DemoHospital::busyDay()
{
    return QDate::fromString(g_day, Qt::ISODate).toString(QStringLiteral("MM/dd/yyyy"));
}

QString reportFile(const QString& name)
{
    return QStringLiteral(TARVIK_SOURCE_REPORTS "/") + name;
}

tarvik::engine::ReportPtr openLikeProgram(const QString& name, const QString& database,
                                          const QVariantList& values)
{
    return tarvik::testsupport::openReportLikeProgram(reportFile(name), DemoHospital::folder(), kHospital, database,
                                                      values);
}

void openSubreportLikeProgram(tarvik::engine::Report& report, const QString& name,
                              const QString& database, const QVariantList& values)
{
    tarvik::testsupport::openSubreportLikeProgram(report, DemoHospital::folder(), name, database, values);
}

QVariantList sqlRow(const QString& sql, const QVariantList& bind)
{
    // ?1, ?2 ... stand for the values and may repeat; the driver's own binding counts every
    // occurrence, so the test's values are written in as quoted literals.
    QString text = sql;
    for (int i = int(bind.size()); i >= 1; --i) {
        QString literal = bind[i - 1].toString();
        literal.replace(u'\'', QStringLiteral("''"));
        text.replace(QStringLiteral("?%1").arg(i), u'\'' + literal + u'\'');
    }
    QSqlQuery q(QSqlDatabase::database(kConnection));
    if (!q.exec(text))
        throw std::runtime_error(q.lastError().text().toStdString() + "\n" + text.toStdString());
    QVariantList row;
    if (q.next())
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i);
    return row;
}

} // namespace dailyrpt
