// Prints how long the period, aging and audit-trail reports take on a hospital's data, for
// people; nothing is asserted.
//
//   bench_period --data DIR [--from MM/DD/YYYY --to MM/DD/YYYY] [--month MM/YYYY]
//                [--user NAME --password-file FILE]
//
// Each report is prepared as its dialog prepares it (the same rows: the recompute procedure,
// the file, its parameter values and subreports) and shown in a viewer:
// 1. the receivable aging of the period for each balance class (P, N, A): the recompute, then
//    the detail and the summary; the payable aging likewise; the adjustments and the admissions
//    of the period;
// 2. the monthly audit trail's four reports of the month (the G/L entries in detail, the
//    summaries per A/R and per G/L account, the breakdown of revenue).
// For each: the procedure's seconds, then from the procedure's end the seconds to the viewer's
// first page on screen and to its last page laid out, the pages and the pages per second.
// Use a copy of the data: the procedures rewrite their tables. The user defaults to demo/demo.

#include "CliSession.h"
#include "ConnectionInfo.h"
#include "Connection.h"
#include "PeriodReports.h"
#include "ProgramOptions.h"
#include "ReportOperations.h"
#include "ReportViewer.h"
#include "Session.h"
#include "Startup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cstdio>
#include <exception>
#include <functional>

using namespace tarvik;

namespace {

void waitUntil(const std::function<bool()>& done)
{
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

QDate parseDay(const ProgramOptions& cl, const char* name)
{
    const QDate d = QDate::fromString(cl.value(QLatin1String(name)), QStringLiteral("MM/dd/yyyy"));
    if (!d.isValid())
        cl.fail(QStringLiteral("--%1 wants MM/DD/YYYY, not \"%2\".").arg(QLatin1String(name), cl.value(QLatin1String(name))));
    return d;
}

// Prepares one report as its dialog does and shows it in a viewer; prints a line of figures.
void measure(const QString& what, const runs::ReportSpec& row, const runs::RunValues& values)
{
    QElapsedTimer clock;
    clock.start();
    for (const runs::CommandSpec& command : row.preparation)
        gCurrentUser->SqlConnection()->execute(runs::commandText(command, values));
    const double procedure = clock.nsecsElapsed() / 1e9;
    clock.restart();
    OpenReport(gReportPath + QString::fromLatin1(row.file), QString::fromLatin1(row.database),
               runs::buildValues(row.values, values));
    for (const runs::SubreportSpec& sub : row.subreports)
        OpenSubreport(QString::fromLatin1(sub.name), QString::fromLatin1(sub.database), runs::buildValues(sub.values, values));
    viewer::ReportViewer viewer;
    viewer.resize(1200, 900);
    viewer.show();
    viewer.setReportSource(gReport);
    viewer.viewReport();
    waitUntil([&] { return viewer.pageCount() >= 1 || (viewer.document() && viewer.document()->hasFailed()); });
    viewer.grab(); // the first page painted
    const double first = clock.nsecsElapsed() / 1e9;
    waitUntil([&] { return viewer.isLayoutComplete(); });
    const double all = clock.nsecsElapsed() / 1e9;
    if (viewer.document()->hasFailed())
        throw std::runtime_error(viewer.document()->errorString().toStdString());
    // The document's count: the view hears of the last pages a moment later.
    const int pages = viewer.document()->pageCount();
    std::printf("%-44s %9.2f %9.2f %9.2f %7d %8.1f\n", qPrintable(what), procedure, first, all, pages,
                all > 0 ? pages / all : 0.0);
    gReport.reset();
}

const runs::ReportSpec& rowOf(const std::vector<yearly::PeriodRow>& rows, const char* type)
{
    const yearly::PeriodRow* row = runs::rowOfType(rows, QLatin1String(type));
    if (!row)
        throw std::logic_error("no row of that type");
    return row->report;
}

} // namespace

int main(int argc, char** argv)
{
    const ProgramOptions cl =
        ProgramOptions("bench_period", "--data DIR [options]",
                       "Prints how long the aging, payable aging, adjustments and admissions reports of a period and "
                       "the monthly audit trail's reports take: each procedure, then the viewer's first page and its "
                       "last page, and the pages per second. The data folder is written to (the procedures rebuild "
                       "their tables): use a copy.")
            .option({"data"}, "The demo data folder to measure (required).", "DIR")
            .option({"from"}, "The period's first day (default: twelve months before --to).", "MM/DD/YYYY")
            .option({"to"}, "The period's last day (default: the end of the last whole month before the server's date).",
                    "MM/DD/YYYY")
            .option({"month"}, "The audit trail's month (default: the last whole month before the server's date).",
                    "MM/YYYY")
            .option({"user"}, "The user to log in as (default demo).", "NAME", "demo")
            .option({"password-file"}, "A file whose first line is the password (default: the demo password).", "FILE")
            .process(argc, argv);
    if (!cl.positional().isEmpty())
        cl.fail(QStringLiteral("unexpected argument \"%1\".").arg(cl.positional().first()));
    if (!cl.isSet("data"))
        cl.fail(QStringLiteral("--data DIR is required."));
    QDate from, to, month;
    if (cl.isSet("from"))
        from = parseDay(cl, "from");
    if (cl.isSet("to"))
        to = parseDay(cl, "to");
    if (from.isValid() && to.isValid() && from > to)
        cl.fail(QStringLiteral("--from is after --to."));
    if (cl.isSet("month")) {
        month = QDate::fromString(QStringLiteral("01/") + cl.value("month"), QStringLiteral("dd/MM/yyyy"));
        if (!month.isValid())
            cl.fail(QStringLiteral("--month wants MM/YYYY, not \"%1\".").arg(cl.value("month")));
    }
    QString password = QStringLiteral("demo");
    if (cl.isSet("password-file")) {
        QFile f(cl.value("password-file"));
        if (!f.open(QIODevice::ReadOnly))
            cl.fail(QStringLiteral("the password file \"%1\" cannot be read: %2.").arg(f.fileName(), f.errorString()));
        password = QString::fromUtf8(f.readLine()).trimmed();
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is known
    const cli::SessionGuard session;
    try {
        createComponents();
        gCurrentUser->setConnectionInfo(db::ConnectionInfo::embedded(cl.value("data")));
        const QString refused = gCurrentUser->LogIn(cl.value("user"), password);
        if (!refused.isEmpty())
            throw std::runtime_error(refused.toStdString());
        startSession();
        const QDate lastMonth = firstDayOfMonth(gServerDate.date()).addMonths(-1);
        if (!to.isValid())
            to = lastDayOfMonth(lastMonth);
        if (!from.isValid())
            from = firstDayOfMonth(to).addMonths(-11);
        if (!month.isValid())
            month = lastMonth;
        std::printf("period %s to %s, month %s, data %s\n\n", qPrintable(dayText(from)), qPrintable(dayText(to)),
                    qPrintable(formatMonthYear(month)), qPrintable(cl.value("data")));
        std::printf("%-44s %9s %9s %9s %7s %8s\n", "report", "proc. s", "1st pg s", "all s", "pages", "pages/s");

        runs::RunValues period = runs::RunValues::period(from, to);
        for (const char* letter : {"P", "N", "A"}) {
            period.choice = QLatin1String(letter);
            measure(QStringLiteral("aging detail, class %1").arg(QLatin1String(letter)), rowOf(yearly::agingRows(), "1"),
                    period);
            // The summary of the same recompute: its procedure is run again, as the dialog does.
            measure(QStringLiteral("aging summary, class %1").arg(QLatin1String(letter)), rowOf(yearly::agingRows(), "2"),
                    period);
        }
        measure(QStringLiteral("payable aging detail"), rowOf(yearly::reportPeriodRows(), "3"), period);
        measure(QStringLiteral("payable aging summary"), rowOf(yearly::reportPeriodRows(), "4"), period);
        measure(QStringLiteral("adjustments"), rowOf(yearly::reportPeriodRows(), "6"), period);
        measure(QStringLiteral("list of admissions"), rowOf(yearly::reportPeriodOthersRows(), "0"), period);

        const runs::RunValues monthValues = runs::RunValues::month(month);
        for (const runs::BatchRow& row : yearly::auditTrailMonthlyRows())
            measure(QStringLiteral("month: %1").arg(runs::withoutMnemonic(QString::fromLatin1(row.boxCaption))), row.report,
                    monthValues);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_period: %s\n", e.what());
        return 1;
    }
    return 0;
}
