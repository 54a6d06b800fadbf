#include "fixture.h"

#include "ConnectionInfo.h"
#include "PrintedPdf.h"
#include "Procedures.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <gtest/gtest.h>

namespace enginetest {

QString makeDataFolder(const QTemporaryDir& dir, int rows)
{
    const QString folder = dir.filePath(QStringLiteral("data"));
    {
        QSqlDatabase db = tarvik::db::openDatabase(tarvik::db::ConnectionInfo::embedded(folder),
                                                   QStringLiteral("fixture"), true);
        tarvik::db::executeScript(db, QStringLiteral(
            "CREATE TABLE Patient_data.tbCollection(TranDate TEXT, Account TEXT, Name TEXT, "
            "  Description TEXT, Debit REAL, Credit REAL);"
            "CREATE TABLE Reports.tbCashier(Code TEXT, FullName TEXT, Shift TEXT);"
            "INSERT INTO Reports.tbCashier VALUES ('C1', 'Maria Cruz', 'AM'), ('C2', 'Ben Lee', 'PM');"),
            QStringLiteral("schema"));
        tarvik::db::executeScript(db, QStringLiteral(
            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < %1) "
            "INSERT INTO Patient_data.tbCollection "
            "SELECT date('2026-01-01', '+' || (i % 31) || ' days'), 'A' || printf('%02d', i % 7), "
            "       'Patient ' || i, CASE WHEN i % 5 = 0 THEN NULL ELSE 'Item ' || i END, "
            "       (i % 13) * 1.1 + 0.1, (i % 3) * 0.7 FROM c;").arg(rows),
            QStringLiteral("rows"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    return folder;
}

QStringList queryColumn(const QString& folder, const QString& sql)
{
    QStringList out;
    {
        QSqlDatabase db = tarvik::db::openDatabase(tarvik::db::ConnectionInfo::embedded(folder),
                                                   QStringLiteral("fixture-query"));
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        while (q.next())
            out << q.value(0).toString();
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture-query"));
    return out;
}

QString dataFile(const QString& name)
{
    return QDir(QStringLiteral(ENGINE_TEST_DATA)).filePath(name);
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        ADD_FAILURE() << "cannot write " << path.toStdString();
    f.write(text);
    return path;
}

tarvik::engine::ReportPtr openCollections(const QString& folder)
{
    auto report = tarvik::engine::openReport(dataFile(QStringLiteral("collections.rpt")));
    report->setReportTitle(QStringLiteral("St. Tarvik General Hospital"));
    auto logOn = [&](tarvik::engine::Report& r) {
        for (auto* t : r.tables())
            t->applyLogOnInfo(folder, t->location().section(u'.', 0, 0), QStringLiteral("sa"), QString());
    };
    logOn(*report);
    logOn(*report->openSubreport(QStringLiteral("Cashiers")));
    report->setParameterValues({QStringLiteral("01/01/2026"), QStringLiteral("01/31/2026")});
    return report;
}

QString pdfText(const QString& pdf, bool quiet)
{
    QString error;
    const QString text = tarvik::testsupport::pdfText(pdf, &error);
    if (!error.isEmpty() && !quiet)
        ADD_FAILURE() << error.toStdString();
    return text;
}

QString money(long long cents)
{
    const bool negative = cents < 0;
    if (negative)
        cents = -cents;
    QString whole = QString::number(cents / 100);
    for (int i = int(whole.size()) - 3; i > 0; i -= 3)
        whole.insert(i, u',');
    return (negative ? QStringLiteral("-") : QString()) + whole + u'.' +
           QString::number(cents % 100).rightJustified(2, u'0');
}

} // namespace enginetest
