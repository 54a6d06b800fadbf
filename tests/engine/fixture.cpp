#include "fixture.h"

#include "ConnectionInfo.h"
#include "PrintedPdf.h"
#include "Procedures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
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

void addChartSample(const QString& folder)
{
    {
        QSqlDatabase db = tarvik::db::openDatabase(tarvik::db::ConnectionInfo::embedded(folder),
                                                   QStringLiteral("fixture-chart"));
        tarvik::db::executeScript(db, QStringLiteral(
            "CREATE TABLE Reports.tbChartSample(Dept TEXT, MonthNo INTEGER, Kind TEXT, Hosp INTEGER, Prof INTEGER);"
            "WITH d(i, Dept) AS (VALUES (0, 'Laboratory'), (1, 'X-Ray'), (2, 'Ultrasound'), (3, 'Pharmacy'), "
            "                           (4, 'Emergency Room')), "
            "     m(MonthNo) AS (VALUES (1), (2), (3), (4), (5), (6)), "
            "     k(Kind, a, b) AS (VALUES ('Cash', 5, 3), ('Charge', 11, 1)) "
            "INSERT INTO Reports.tbChartSample "
            "SELECT Dept, MonthNo, Kind, (i * 37 + MonthNo * 13 + a) * 1000 + (i * 7 + MonthNo) * 25, "
            "       (i * 11 + MonthNo * 5 + b) * 500 FROM d, m, k;"),
            QStringLiteral("chart sample"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture-chart"));
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

QImage renderPage(tarvik::engine::Document& document, int page)
{
    const double scale = 2.0; // 144 dpi
    QImage image((document.pageSizePoints(page) * scale).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.scale(scale, scale);
    document.paintPage(p, page);
    return image;
}

void expectMatchesGolden(const QImage& page, const QString& name)
{
    const QString goldenPath = dataFile(QStringLiteral("golden/%1.png").arg(name));
    if (qEnvironmentVariableIntValue("TARVIK_UPDATE_GOLDEN") == 1) {
        QDir().mkpath(QFileInfo(goldenPath).absolutePath());
        ASSERT_TRUE(page.save(goldenPath));
        GTEST_SKIP() << "golden image rewritten";
    }
    const QImage golden = QImage(goldenPath).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(golden.isNull()) << "no golden image at " << goldenPath.toStdString();
    ASSERT_EQ(golden.size(), page.size());

    QImage diff(page.size(), QImage::Format_RGB32);
    diff.fill(Qt::white);
    qint64 differing = 0;
    for (int y = 0; y < page.height(); ++y) {
        const QRgb* a = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        const QRgb* b = reinterpret_cast<const QRgb*>(golden.constScanLine(y));
        QRgb* d = reinterpret_cast<QRgb*>(diff.scanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            const int delta = std::max({std::abs(qRed(a[x]) - qRed(b[x])), std::abs(qGreen(a[x]) - qGreen(b[x])),
                                        std::abs(qBlue(a[x]) - qBlue(b[x]))});
            if (delta > 96) {
                ++differing;
                d[x] = qRgb(255, 0, 0);
            }
        }
    }
    const double share = double(differing) / (double(page.width()) * page.height());
    if (share > 0.002) {
        page.save(name + QStringLiteral(".actual.png"));
        diff.save(name + QStringLiteral(".diff.png"));
    }
    EXPECT_LE(share, 0.002) << differing << " pixels differ; see " << name.toStdString() << ".actual.png and "
                            << name.toStdString() << ".diff.png in " << QDir::currentPath().toStdString();
    // A blank page would match a blank golden image: make sure something was drawn.
    int ink = 0;
    for (int y = 0; y < page.height(); y += 2)
        for (int x = 0; x < page.width(); x += 2)
            ink += qGray(page.pixel(x, y)) < 128;
    EXPECT_GT(ink, 500) << name.toStdString();
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
