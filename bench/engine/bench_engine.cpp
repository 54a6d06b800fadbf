// Renders an N-row audit trail (date, account, name, description, debit, credit, running
// balance; grouped by account with subtotals; page N of M) to PDF with the engine, and paints
// the same rows with QPainter::drawText on QPdfWriter pages, in the same run. Each measurement
// runs in a child process of its own so that its peak memory is its own.

#include "ConnectionInfo.h"
#include "Procedures.h"
#include "ProgramOptions.h"
#include "Report.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <sys/resource.h>

namespace {

long peakKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

const char* kDefinition = R"RPT(<report version="1">
  <page size="Letter" orientation="landscape" margins="30"/>
  <tables><table alias="Audit" location="Reports.dbo.tbAuditTrail"/></tables>
  <query>SELECT Seq, TranDate, Account, Name, Description, Debit, Credit, Debit - Credit AS Net FROM {Audit}</query>
  <sort><by column="TranDate"/><by column="Seq"/></sort>
  <groups><group name="Account" column="Account"/></groups>
  <reportHeader height="24">
    <special kind="reportTitle" x="0" y="0" width="732" font="Arial 14 bold" align="center"/>
  </reportHeader>
  <pageHeader height="16">
    <text x="0" y="2" width="60" font="Arial 8 bold">Date</text>
    <text x="62" y="2" width="60" font="Arial 8 bold">Account</text>
    <text x="124" y="2" width="160" font="Arial 8 bold">Name</text>
    <text x="286" y="2" width="220" font="Arial 8 bold">Description</text>
    <text x="508" y="2" width="70" font="Arial 8 bold" align="right">Debit</text>
    <text x="580" y="2" width="70" font="Arial 8 bold" align="right">Credit</text>
    <text x="652" y="2" width="80" font="Arial 8 bold" align="right">Balance</text>
    <line x="0" y="14" width="732"/>
  </pageHeader>
  <groupHeader group="Account" height="14">
    <text x="0" y="2" width="60" font="Arial 8 bold">Account</text>
    <field column="Account" x="62" y="2" width="200" font="Arial 8 bold"/>
  </groupHeader>
  <detail height="11">
    <field column="TranDate" x="0" y="0" width="60" font="Arial 8" format="MM/dd/yyyy"/>
    <field column="Account" x="62" y="0" width="60" font="Arial 8"/>
    <field column="Name" x="124" y="0" width="160" font="Arial 8"/>
    <field column="Description" x="286" y="0" width="220" font="Arial 8"/>
    <field column="Debit" x="508" y="0" width="70" font="Arial 8" align="right" format="#,##0.00"/>
    <field column="Credit" x="580" y="0" width="70" font="Arial 8" align="right" format="#,##0.00"/>
    <summary function="runningTotal" column="Net" scope="group" x="652" y="0" width="80" font="Arial 8" align="right" format="#,##0.00;(#,##0.00)"/>
  </detail>
  <groupFooter group="Account" height="16">
    <text x="286" y="2" width="200" font="Arial 8 bold">Account total</text>
    <summary function="sum" column="Debit" x="508" y="2" width="70" font="Arial 8 bold" align="right" format="#,##0.00"/>
    <summary function="sum" column="Credit" x="580" y="2" width="70" font="Arial 8 bold" align="right" format="#,##0.00"/>
  </groupFooter>
  <reportFooter height="18">
    <text x="286" y="4" width="200" font="Arial 9 bold">Grand total</text>
    <summary function="sum" column="Debit" x="480" y="4" width="98" font="Arial 9 bold" align="right" format="#,##0.00"/>
    <summary function="sum" column="Credit" x="580" y="4" width="70" font="Arial 9 bold" align="right" format="#,##0.00"/>
  </reportFooter>
  <pageFooter height="14">
    <special kind="printDateTime" x="0" y="2" width="200" font="Arial 7"/>
    <special kind="pageNofM" x="532" y="2" width="200" font="Arial 7" align="right"/>
  </pageFooter>
</report>
)RPT";

void makeData(const QString& folder, qint64 rows)
{
    const qint64 accounts = std::max<qint64>(1, rows / 50);
    {
        QSqlDatabase db = tarvik::db::openDatabase(tarvik::db::ConnectionInfo::embedded(folder), QStringLiteral("gen"), true);
        tarvik::db::executeScript(db, QStringLiteral(
            "CREATE TABLE Reports.tbAuditTrail(Seq INTEGER, TranDate TEXT, Account TEXT, Name TEXT, "
            "  Description TEXT, Debit REAL, Credit REAL);"
            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < %1) "
            "INSERT INTO Reports.tbAuditTrail "
            "SELECT i, date('2025-01-01', '+' || (i % 365) || ' days'), printf('%06d', (i * 7919) % %2), "
            "  'Patient ' || ((i * 7919) % %2), 'Charge ' || (i % 97) || ', ward ' || (i % 13), "
            "  CASE WHEN i % 4 = 0 THEN 0 ELSE (i % 1000) * 1.25 END, "
            "  CASE WHEN i % 4 = 0 THEN (i % 500) * 2.5 ELSE 0 END FROM c;"
            "CREATE INDEX Reports.ixAudit ON tbAuditTrail(Account, TranDate, Seq);")
                                          .arg(rows).arg(accounts),
                                      QStringLiteral("bench data"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("gen"));
}

// Child: the engine. Prints "wall firstPage pages peakKb".
int runEngine(const QString& folder, const QString& rpt, const QString& out)
{
    QElapsedTimer t;
    t.start();
    auto report = tarvik::engine::openReport(rpt);
    report->setReportTitle(QStringLiteral("St. Tarvik General Hospital - Audit Trail"));
    for (auto* table : report->tables())
        table->applyLogOnInfo(folder, QStringLiteral("Reports"), {}, {});
    auto doc = report->layOut();
    while (doc->pageCount() < 1 && !doc->isComplete())
        QThread::usleep(200);
    const double first = t.nsecsElapsed() / 1e9;
    doc->waitForFinished();
    const double laidOut = t.nsecsElapsed() / 1e9;
    tarvik::engine::writePdf(*report, *doc, out);
    std::fprintf(stderr, "engine: layout %.3f s, PDF %.3f s\n", laidOut, t.nsecsElapsed() / 1e9 - laidOut);
    const double wall = t.nsecsElapsed() / 1e9;
    std::printf("%.3f %.3f %d %ld\n", wall, first, doc->pageCount(), peakKb());
    return 0;
}

// Child: the bare loop. Same rows, same columns, drawText per cell.
int runBare(const QString& folder, const QString& out)
{
    QElapsedTimer t;
    t.start();
    int pages = 0;
    double first = -1;
    {
        QSqlDatabase db = tarvik::db::openDatabase(tarvik::db::ConnectionInfo::embedded(folder), QStringLiteral("bare"));
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.exec(QStringLiteral("SELECT TranDate, Account, Name, Description, Debit, Credit FROM Reports.tbAuditTrail "
                              "ORDER BY Account, TranDate, Seq"));
        QPdfWriter writer(out);
        writer.setResolution(72);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Landscape, QMarginsF()));
        QPainter p(&writer);
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(8);
        p.setFont(font);
        const double xs[] = {30, 92, 154, 316, 538, 610, 682};
        double y = 60;
        double balance = 0;
        QString account;
        pages = 1;
        while (q.next()) {
            if (y > 560) {
                writer.newPage();
                ++pages;
                y = 60;
            }
            if (first < 0 && pages == 2)
                first = t.nsecsElapsed() / 1e9;
            if (q.value(1).toString() != account) {
                account = q.value(1).toString();
                balance = 0;
            }
            const double debit = q.value(4).toDouble(), credit = q.value(5).toDouble();
            balance += debit - credit;
            const QString cells[] = {q.value(0).toString(), account, q.value(2).toString(), q.value(3).toString(),
                                     QString::number(debit, 'f', 2), QString::number(credit, 'f', 2),
                                     QString::number(balance, 'f', 2)};
            for (int c = 0; c < 7; ++c)
                p.drawText(QPointF(xs[c], y), cells[c]);
            y += 11;
        }
        p.end();
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bare"));
    std::printf("%.3f %.3f %d %ld\n", t.nsecsElapsed() / 1e9, first, pages, peakKb());
    return 0;
}

QStringList runChild(const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), args);
    p.waitForFinished(-1);
    const QString out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    if (p.exitCode() != 0 || out.isEmpty()) {
        std::fprintf(stderr, "bench_engine: child %s failed\n", qPrintable(args.join(u' ')));
        return {};
    }
    return out.split(u' ');
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        if (args.value(0) == u"--child-engine")
            return runEngine(args.value(1), args.value(2), args.value(3));
        if (args.value(0) == u"--child-bare")
            return runBare(args.value(1), args.value(2));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_engine: %s\n", e.what());
        return 1;
    }

    const tarvik::ProgramOptions cl =
        tarvik::ProgramOptions("bench_engine", "[ROWS...]",
                               "Renders a ROWS-row audit trail (grouped by account with subtotals, page N of M) to "
                               "PDF with the report engine, and paints the same rows with a bare drawText loop on "
                               "PDF pages, each in a child process of its own; prints seconds, pages per second, the "
                               "first page's time and peak memory of both.")
            .option({"child-engine"}, "Internal: the engine's measurement (the benchmark starts itself with it).")
            .option({"child-bare"}, "Internal: the bare loop's measurement.")
            .argument("ROWS", "Rows to render, from 1 to 100000000; several give several runs (default 10000).")
            .process(app.arguments());
    std::vector<qint64> sizes;
    for (const QString& a : cl.positional())
        sizes.push_back(cl.integerArgument(a, QStringLiteral("ROWS"), 1, 100'000'000));
    if (sizes.empty())
        sizes.push_back(10000);

    std::printf("%9s %7s %9s %9s %6s %11s %9s %9s %10s %10s\n", "rows", "pages", "engine_s", "bare_s", "ratio",
                "1st_page_s", "pages/s", "bare_p/s", "engine_MB", "bare_MB");
    for (qint64 n : sizes) {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("data"));
        try {
            makeData(folder, n);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "bench_engine: %s\n", e.what());
            return 1;
        }
        const QString rpt = dir.filePath(QStringLiteral("audit.rpt"));
        QFile f(rpt);
        f.open(QIODevice::WriteOnly);
        f.write(kDefinition);
        f.close();
        const QStringList bare = runChild({QStringLiteral("--child-bare"), folder, dir.filePath(QStringLiteral("bare.pdf"))});
        const QStringList engine = runChild({QStringLiteral("--child-engine"), folder, rpt, dir.filePath(QStringLiteral("engine.pdf"))});
        if (bare.size() < 4 || engine.size() < 4)
            return 1;
        const double ew = engine[0].toDouble(), bw = bare[0].toDouble();
        const int epages = engine[2].toInt(), bpages = bare[2].toInt();
        std::printf("%9lld %7d %9.2f %9.2f %5.2fx %11.3f %9.0f %9.0f %10.1f %10.1f\n", static_cast<long long>(n), epages, ew, bw,
                    ew / bw, engine[1].toDouble(), epages / ew, bpages / bw, engine[3].toDouble() / 1024.0,
                    bare[3].toDouble() / 1024.0);
        std::fflush(stdout);
    }
    std::printf("goals: ratio <= 1.00x (aim 0.50x), first page < 0.3 s, peak memory for 1,000,000 rows < 300 MB\n");
    return 0;
}
