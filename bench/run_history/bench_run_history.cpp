// The cost of a report's run history row: append() as produceRow makes it, on a fresh hospital
// (empty table) and on one whose history already holds many rows. Prints figures; asserts nothing.
//
// bench_run_history [--rows N]

#include "HospitalDb.h"
#include "ProgramOptions.h"
#include "RunHistory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tarvik;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const tarvik::ProgramOptions cl =
        tarvik::ProgramOptions("bench_run_history", "[options]",
                               "Appends run history rows as a report's run does, in three rounds on a fresh "
                               "hospital (the history growing), and prints milliseconds per row: mean, median "
                               "and the slowest 1 %.")
            .option({"rows"}, "Rows per round, from 1 to 1000000 (default 2000).", "N", "2000")
            .process(app.arguments());
    const int perRound = int(cl.integer(QStringLiteral("rows"), 1, 1000000));
    QTemporaryDir dir;
    hospitaldb::createDatabases(dir.path());
    db::RunHistory history(db::ConnectionInfo::embedded(dir.path()));

    db::RunRecord r;
    r.user = QStringLiteral("demo");
    r.workstation = QStringLiteral("ward-3-pc");
    r.caption = QStringLiteral("Daily Summary Of Services");
    r.file = QStringLiteral("/rptDailySummaryOfServices.rpt");
    r.database = QStringLiteral("Reports");
    r.parameters = QStringLiteral("12/07/2026; 12/07/2026; 1200 Mabini Avenue; 1; 2; 3; 4; 5; 6");
    r.outputs = QStringLiteral("file /srv/reports/Daily Summary Of Services 12-07-2026.pdf");
    r.outcome = QLatin1String(db::kOutcomeDone);

    std::printf("%-28s %10s %10s %10s %10s\n", "history rows before", "rows", "mean ms", "median ms", "p99 ms");
    int total = 0;
    for (int round = 0; round < 3; ++round) {
        std::vector<double> ms;
        ms.reserve(size_t(perRound));
        for (int i = 0; i < perRound; ++i) {
            r.started = QDateTime::currentDateTime();
            r.ended = r.started.addMSecs(1500);
            QElapsedTimer t;
            t.start();
            history.append(r);
            ms.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        double sum = 0;
        for (double v : ms)
            sum += v;
        std::printf("%-28d %10d %10.3f %10.3f %10.3f\n", total, perRound, sum / perRound,
                    sorted[sorted.size() / 2], sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)]);
        total += perRound;
    }
    QElapsedTimer t;
    t.start();
    const size_t rows = history.rows({}).size();
    std::printf("reading all %zu rows newest first: %.1f ms\n", rows, double(t.nsecsElapsed()) / 1e6);
    return 0;
}
