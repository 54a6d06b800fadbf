// Prints how long the month-end work takes on a hospital's data, for people; nothing is asserted.
//
//   bench_monthly --data DIR [--month MM/YYYY] [--user NAME --password-file FILE]
//
// 1. The after-end-of-month batch, all eighteen boxes, as PDF files, as `tarvik-reports run`
//    produces them: each box's time (recompute, layout and writing) and the whole run.
// 2. Each recompute procedure the batch sends against the bare aggregate query it stands on
//    (the rows it summarises, grouped as it groups them): best of three runs each.
// 3. The largest month-end report (the summary per A/R): from OpenReport to the viewer's first
//    page on screen, and to the last page laid out.
// Use a copy of the data: the procedures rewrite their tables. The user defaults to demo/demo.

#include "MonthlyReports.h"
#include "RegisterMonthlyDialogs.h"
#include "ReportOperations.h"
#include "ReportViewer.h"
#include "Session.h"
#include "Startup.h"
#include "CliSession.h"
#include "UnattendedUi.h"

#include "Connection.h"
#include "ConnectionInfo.h"

#include "ProgramOptions.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <functional>

#include <algorithm>
#include <cstdio>
#include <exception>

using namespace tarvik;

namespace {

QString mdy(const QDate& d) { return d.toString(QStringLiteral("MM/dd/yyyy")); }
QString iso(const QDate& d) { return d.toString(Qt::ISODate); }

// The batch's hooks with a clock: each box's time runs from its start to the next one's.
class TimedUi final : public runs::RunUi
{
public:
    explicit TimedUi(cli::UnattendedUi& inner) : m_inner(inner) { m_clock.start(); }
    void setBusy(bool busy) override { m_inner.setBusy(busy); }
    void openProgress() override { m_inner.openProgress(); }
    void closeProgress() override { m_inner.closeProgress(); }
    void showReport(bool tree, const QString& caption, bool print, bool modal) override
    {
        m_inner.showReport(tree, caption, print, modal);
    }
    void starting(int index, int count, const QString& what) override
    {
        lap();
        m_current = what;
        m_inner.starting(index, count, what);
    }
    void lap()
    {
        if (!m_current.isEmpty())
            times.push_back({m_current, m_clock.restart() / 1000.0});
        else
            m_clock.restart();
        m_current.clear();
    }
    std::vector<std::pair<QString, double>> times;

private:
    cli::UnattendedUi& m_inner;
    QElapsedTimer m_clock;
    QString m_current;
};

double bestOf3(db::Connection& c, const QString& text)
{
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        auto rs = c.execute(text);
        if (rs)
            while (!rs->eof())
                rs->moveNext(); // a bare query's rows are read, as a procedure's are written
        best = std::min(best, t.nsecsElapsed() / 1e9);
    }
    return best;
}

void waitUntil(const std::function<bool()>& done)
{
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const ProgramOptions cl =
        ProgramOptions("bench_monthly", "--data DIR [options]",
                       "Prints how long the month-end batch takes as the command line runs it (all eighteen "
                       "boxes to PDF), each recompute it sends beside the bare aggregate query it stands on, "
                       "and the viewer's first page of the largest month-end report. The data folder is "
                       "written to (the procedures rebuild their tables): use a copy.")
            .option({"data"}, "The demo data folder to measure (required).", "DIR")
            .option({"month"}, "The month (default: the last whole month before the server's date).", "MM/YYYY")
            .option({"user"}, "The user to log in as (default demo).", "NAME", "demo")
            .option({"password-file"}, "A file whose first line is the password (default: the demo password).",
                    "FILE")
            .process(argc, argv);
    if (!cl.positional().isEmpty())
        cl.fail(QStringLiteral("unexpected argument \"%1\".").arg(cl.positional().first()));
    if (!cl.isSet("data"))
        cl.fail(QStringLiteral("--data DIR is required."));
    const QString data = cl.value("data");
    const QString user = cl.value("user");
    QString password = QStringLiteral("demo");
    if (cl.isSet("password-file")) {
        QFile f(cl.value("password-file"));
        if (!f.open(QIODevice::ReadOnly))
            cl.fail(QStringLiteral("the password file \"%1\" cannot be read: %2.").arg(f.fileName(), f.errorString()));
        password = QString::fromUtf8(f.readLine()).trimmed();
    }
    QDate month;
    if (cl.isSet("month")) {
        month = QDate::fromString(QStringLiteral("01/") + cl.value("month"), QStringLiteral("dd/MM/yyyy"));
        if (!month.isValid())
            cl.fail(QStringLiteral("--month wants MM/YYYY, not \"%1\".").arg(cl.value("month")));
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is known
    // The session goes before the application object: its connection's thread needs it.
    const cli::SessionGuard session;
    try {
        createComponents();
        gCurrentUser->setConnectionInfo(db::ConnectionInfo::embedded(data));
        const QString refused = gCurrentUser->LogIn(user, password);
        if (!refused.isEmpty())
            throw std::runtime_error(refused.toStdString());
        startSession();
        if (!month.isValid()) // the last whole month before the server's
            month = firstDayOfMonth(gServerDate.date()).addMonths(-1);
        const runs::RunValues values = monthly::monthOf(month);
        const QString F = mdy(values.from), L = mdy(values.to), Fi = iso(values.from), Li = iso(values.to);
        std::printf("month %s to %s, data %s\n\n", qPrintable(F), qPrintable(L), qPrintable(data));

        // ---- 1. The whole batch to PDF ----
        const runs::RunEntry* entry = nullptr;
        const auto entries = monthly::monthlyRunEntries();
        for (const runs::RunEntry& e : entries)
            if (e.name == QLatin1String("after-end-of-month"))
                entry = &e;
        runs::RunRequest request;
        request.date = month;
        request.ticked.assign(monthly::kAfterEndOfMonthBoxes, true);
        QTemporaryDir out;
        cli::OutputTargets targets;
        targets.pdfDir = out.path();
        QString progressText;
        QTextStream progress(&progressText);
        {
            cli::UnattendedUi unattended(targets, progress, nullptr);
            unattended.begin(month, entry->exportName, entry->reportCount(request), month.toString("MM-yyyy"),
                             entry->filesByBox);
            TimedUi timed(unattended);
            QElapsedTimer whole;
            whole.start();
            entry->run(request, timed);
            timed.lap();
            const double total = whole.elapsed() / 1000.0;
            qint64 bytes = 0;
            for (const QFileInfo& f : QDir(out.path()).entryInfoList(QDir::Files))
                bytes += f.size();
            std::printf("%-40s %9s\n", "after-end-of-month, box", "seconds");
            for (const auto& [box, seconds] : timed.times)
                std::printf("%-40s %9.2f\n", qPrintable(box), seconds);
            std::printf("%-40s %9.2f   (%d PDF files, %.1f MB)\n\n", "whole batch, 18 boxes", total,
                        int(QDir(out.path()).entryList(QDir::Files).size()), bytes / 1e6);
        }

        // ---- 2. Each recompute against the bare aggregate it stands on ----
        db::Connection& c = *gCurrentUser->SqlConnection();
        struct Row
        {
            QString what, procedure, bare;
        };
        std::vector<Row> rows;
        const std::vector<std::pair<const char*, const char*>> codes{
            {"LB", "N"}, {"XR", "N"}, {"US", "N"}, {"OR", "N"}, {"PT", "N"},
            {"PA", "N"}, {"CT", "N"}, {"DR", "N"}, {"DI", "N"}, {"AP", "Y"}};
        for (const auto& [code, flag] : codes) {
            const QString charges = QStringLiteral(
                "Select strftime('%Y-%m', ServiceDate) As m, EncounterType, ItemCode, Count(*), Sum(Qty), Sum(Net) "
                "From BILLING..tbCharge Where DeptCode = '%1' And Voided = 0 And ServiceDate Between '%2' And '%3' "
                "Group By 1, 2, 3").arg(QLatin1String(code), Fi, Li);
            const QString exams = QStringLiteral(
                " Union All Select strftime('%Y-%m', ExamDate), EncounterType, ItemCode, Count(*), Sum(Qty), 0 "
                "From Patient_data..tbExamination Where DeptCode = '%1' And Status <> 'CANCELLED' "
                "And ExamDate Between '%2' And '%3' Group By 1, 2, 3").arg(QLatin1String(code), Fi, Li);
            rows.push_back({QStringLiteral("monthly recompute %1 %2").arg(QLatin1String(code), QLatin1String(flag)),
                            QStringLiteral("Reports..sp_Rep_MonthlyREcompute '%1', '%2', '%3', '%4'")
                                .arg(F, L, QLatin1String(code), QLatin1String(flag)),
                            QLatin1String(flag) == u"N" ? charges + exams : charges});
        }
        const QString ledger = QStringLiteral(
            "Select l.ARNo, Sum(l.Amount), Sum(Case When l.TxnDate < '%1' Then l.Amount Else 0 End), "
            "Sum(Case When l.TxnDate >= '%1' And l.TxnType = 'CHG' Then l.Amount Else 0 End), "
            "Sum(Case When l.TxnDate >= '%1' And l.TxnType In ('PAY', 'DEP', 'REF') Then l.Amount Else 0 End), "
            "Sum(Case When l.TxnDate >= '%1' And l.TxnType = 'ADJ' Then l.Amount Else 0 End), Max(pa.AccountClass) "
            "From BILLING..tbARLedger l Join BILLING..tbPatientAccount pa On pa.ARNo = l.ARNo "
            "Where l.TxnDate <= '%2' Group By l.ARNo Having Sum(l.Amount) %3 0").arg(Fi, Li);
        rows.push_back({QStringLiteral("aging recompute (receivables)"),
                        QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '%1', '%2'").arg(F, L), ledger.arg(">")});
        rows.push_back({QStringLiteral("payable aging recompute"),
                        QStringLiteral("REPORTS..sp_BILLING_RepAgingPayableRecompute '%1', '%2'").arg(F, L),
                        QStringLiteral("Select ARNo, Sum(Amount), Max(Case When Amount < 0 Then TxnDate End) "
                                       "From BILLING..tbARLedger Where TxnDate <= '%1' Group By ARNo Having Sum(Amount) < 0")
                            .arg(Li)});
        std::printf("%-36s %12s %12s %8s\n", "recompute", "procedure s", "bare s", "ratio");
        for (const Row& r : rows) {
            const double p = bestOf3(c, r.procedure);
            const double b = bestOf3(c, r.bare);
            std::printf("%-36s %12.3f %12.3f %7.2fx\n", qPrintable(r.what), p, b, b > 0 ? p / b : 0.0);
        }
        std::printf("\n");

        // ---- 3. The viewer's first page of the largest report ----
        QElapsedTimer t;
        t.start();
        OpenReport(gReportPath + QStringLiteral("/MonthlySummaryGL.rpt"), QStringLiteral("Reports"),
                   runs::buildValues({{runs::ValueKind::First}, {runs::ValueKind::Last},
                                      {runs::ValueKind::Literal, "A"}, {runs::ValueKind::Address}},
                                     values));
        viewer::ReportViewer viewer;
        viewer.resize(1200, 900);
        viewer.show();
        viewer.setReportSource(gReport);
        viewer.viewReport();
        waitUntil([&] { return viewer.pageCount() >= 1 || (viewer.document() && viewer.document()->hasFailed()); });
        viewer.grab(); // the first page painted
        const double first = t.elapsed() / 1000.0;
        waitUntil([&] { return viewer.isLayoutComplete(); });
        const double all = t.elapsed() / 1000.0;
        if (viewer.document()->hasFailed())
            throw std::runtime_error(viewer.document()->errorString().toStdString());
        std::printf("largest report: MonthlySummaryGL.rpt, %d pages\n", viewer.pageCount());
        std::printf("%-36s %9.2f s\n%-36s %9.2f s\n", "viewer: first page on screen", first, "viewer: every page laid out", all);
        gReport.reset();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_monthly: %s\n", e.what());
        return 1;
    }
    return 0;
}
