#include "fixture.h"

#include "ConnectionInfo.h"
#include "HospitalDb.h"
#include "PrintedPdf.h"

#include <QRegularExpression>
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

namespace {

void prepare(tarvik::engine::Report& report, const QString& database, const QVariantList& values)
{
    for (auto* table : report.tables()) {
        table->setLocation(tarvik::engine::retargetLocation(table->location(), database));
        table->applyLogOnInfo(DemoHospital::folder(), database, QString(), QString());
    }
    report.setParameterValues(values);
}

} // namespace

tarvik::engine::ReportPtr openLikeProgram(const QString& name, const QString& database,
                                          const QVariantList& values)
{
    auto report = tarvik::engine::openReport(reportFile(name), 1);
    report->setReportTitle(kHospital);
    prepare(*report, database, values);
    return report;
}

void openSubreportLikeProgram(tarvik::engine::Report& report, const QString& name,
                              const QString& database, const QVariantList& values)
{
    prepare(*report.openSubreport(name), database, values);
}

QString renderText(const tarvik::engine::ReportPtr& report, int* pages)
{
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("report.pdf"));
    tarvik::engine::writePdf(report, pdf);
    QString error;
    const QString text = tarvik::testsupport::pdfText(pdf, &error);
    if (!error.isEmpty())
        throw std::runtime_error(error.toStdString());
    if (pages)
        *pages = int(text.count(u'\f'));
    return text;
}

QStringList numbersOnLine(const QString& text, const QString& label, int occurrence)
{
    static const QRegularExpression number(QStringLiteral(R"(^\(?-?\d{1,3}(,\d{3})*(\.\d+)?\)?$)"));
    int seen = 0;
    for (const QString& line : text.split(u'\n')) {
        if (!line.contains(label))
            continue;
        if (seen++ < occurrence)
            continue;
        QStringList out;
        for (const QString& word : line.mid(line.indexOf(label) + label.size()).split(u' ', Qt::SkipEmptyParts))
            if (number.match(word).hasMatch())
                out << word;
        return out;
    }
    return {};
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

QString money(qint64 cents, bool parens)
{
    const bool negative = cents < 0;
    const qint64 a = negative ? -cents : cents;
    QString whole = QString::number(a / 100);
    for (int i = int(whole.size()) - 3; i > 0; i -= 3)
        whole.insert(i, u',');
    const QString s = whole + u'.' + QStringLiteral("%1").arg(a % 100, 2, 10, QLatin1Char('0'));
    if (!negative)
        return s;
    return parens ? u'(' + s + u')' : u'-' + s;
}

} // namespace dailyrpt
