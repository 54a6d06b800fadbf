#include "RunCommand.h"

#include "ReportOperations.h"
#include "CleanStop.h"
#include "CliSession.h"
#include "DbError.h"
#include "ExportSupport.h"
#include "RunCatalog.h"
#include "Session.h"
#include "Startup.h"
#include "UnattendedUi.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTextStream>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <cstdio>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace tarvik::cli {

namespace {

const char* kUsage = R"(Usage: tarvik-reports run REPORT [options]
       tarvik-reports run --list

Produces a report or a batch of reports without a window (for cron or a systemd timer).
REPORT is a name from --list or the report menu's caption, e.g. daily-summary-of-discharges or
"Daily Summary Of Discharges".

Inputs:
  --date MM/DD/YYYY         the report date (also "today" or "yesterday" by the server's clock;
                            default: the server's date, as the dialogs start); for a monthly
                            report, any day of the month
  --month MM/YYYY           monthly reports: the month (default: the server's)
  --year YYYY [--month MM]  year-end reports: the year, and the month whose first and last days
                            the year's recompute is given (default: the server's year and month)
  --from MM/DD/YYYY --to MM/DD/YYYY
                            reports by period: the period (default: the server's day); it may
                            not end after today or start after it ends
  --class P|N|A             aging: receivables (P, the default), payables (N) or all at net (A)
  --patients I|O|A          audit trail: in-patients (I, the default), out-patients or all
  --code CODE               the miscellaneous revenue code
  --sort ORDER              account status report: balance, name, account-limit or station
  --all                     batches: every report of the batch
  --reports LIST            batches: the reports to produce, by number or name, comma separated

Outputs (at least one; several at once allowed):
  --pdf DIR  --xls DIR  --xlsx DIR  --csv DIR
                            write each report to DIR, named as the program's spreadsheet
                            presets are: "<report> MM-DD-YYYY.<ext>" (a month MM-YYYY, a
                            year YYYY, a period "MM-DD-YYYY to MM-DD-YYYY")
  --print                   print each report on the default printer

Log-in (a password is never taken from the command line):
  --user NAME               the user to log in as
  --password-file FILE      the password is the first line of FILE (mode 0600 or 0400)
  --password-stdin          the password is the first line of standard input
  --data DIR | --odbc CONNECTION
                            where the databases are (default: where the log-in window finds them);
                            CONNECTION holds no password (PWD): the database's password comes from
  --db-password-file FILE | --db-password-stdin
                            the first line of FILE (mode 0600 or 0400) or of standard input

Other:
  --trace FILE              write every command text sent to the database and each report's
                            file, database, parameter values and caption to FILE
  --verbose                 show the program's log messages
  --help                    this text

Exit status: 0 all produced; 1 a report failed (the ones before it are kept); 2 bad arguments,
date, report or password file (nothing produced); 3 log-in refused or start-up failed; 4 the
database was busy (another program writing): try again; 128 + N stopped by signal N (SIGTERM
143, SIGINT 130, SIGHUP 129): the report being produced was abandoned, nothing half-written kept.
The files written are listed on standard output, also when the run failed or was stopped.
)";

void printList()
{
    const std::vector<RunEntry>& entries = runCatalog();
    qsizetype nameWidth = 0, captionWidth = 0;
    for (const RunEntry& e : entries) {
        nameWidth = std::max(nameWidth, e.name.size());
        for (const BatchBox& b : e.boxes)
            nameWidth = std::max(nameWidth, b.name.size() + 8);
        captionWidth = std::max(captionWidth, e.caption.size() + (e.batch ? 8 : 0));
    }
    for (const RunEntry& e : entries) {
        const QString caption = e.batch ? e.caption + QStringLiteral(" (batch)") : e.caption;
        out() << e.name.leftJustified(nameWidth + 2) << caption.leftJustified(captionWidth + 2)
              << e.inputsText() << '\n';
        for (const BatchBox& b : e.boxes)
            out() << "    " << QString::number(b.box).rightJustified(2) << "  " << b.name.leftJustified(nameWidth - 6)
                  << b.caption.simplified() << '\n';
    }
    out().flush();
}

QString producedText(const std::vector<ProducedReport>& produced, const QString& event = QStringLiteral("failure"))
{
    if (produced.empty())
        return QStringLiteral("Nothing was produced before the %1.").arg(event);
    QString text = QStringLiteral("Produced before the %1 (kept):").arg(event);
    for (const ProducedReport& p : produced) {
        text += QStringLiteral("\n  ") + p.caption;
        if (!p.files.isEmpty())
            text += QStringLiteral(": ") + p.files.join(QStringLiteral(", "));
        if (p.printed)
            text += QStringLiteral(" (printed)");
    }
    return text;
}

int run(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption listOpt(QStringLiteral("list"));
    const QCommandLineOption helpOpt(QStringList{QStringLiteral("help"), QStringLiteral("h")});
    const QCommandLineOption dateOpt(QStringLiteral("date"), {}, QStringLiteral("date"));
    const QCommandLineOption monthOpt(QStringLiteral("month"), {}, QStringLiteral("month"));
    const QCommandLineOption yearOpt(QStringLiteral("year"), {}, QStringLiteral("year"));
    const QCommandLineOption fromOpt(QStringLiteral("from"), {}, QStringLiteral("date"));
    const QCommandLineOption toOpt(QStringLiteral("to"), {}, QStringLiteral("date"));
    const QCommandLineOption classOpt(QStringLiteral("class"), {}, QStringLiteral("letter"));
    const QCommandLineOption patientsOpt(QStringLiteral("patients"), {}, QStringLiteral("letter"));
    const QCommandLineOption codeOpt(QStringLiteral("code"), {}, QStringLiteral("code"));
    const QCommandLineOption sortOpt(QStringLiteral("sort"), {}, QStringLiteral("order"));
    const QCommandLineOption allOpt(QStringLiteral("all"));
    const QCommandLineOption reportsOpt(QStringLiteral("reports"), {}, QStringLiteral("list"));
    const QCommandLineOption pdfOpt(QStringLiteral("pdf"), {}, QStringLiteral("dir"));
    const QCommandLineOption xlsOpt(QStringLiteral("xls"), {}, QStringLiteral("dir"));
    const QCommandLineOption xlsxOpt(QStringLiteral("xlsx"), {}, QStringLiteral("dir"));
    const QCommandLineOption csvOpt(QStringLiteral("csv"), {}, QStringLiteral("dir"));
    const QCommandLineOption printOpt(QStringLiteral("print"));
    const LogInOptions logInOpts;
    const QCommandLineOption traceOpt(QStringLiteral("trace"), {}, QStringLiteral("file"));
    const QCommandLineOption verboseOpt(QStringLiteral("verbose"));
    parser.addOptions({listOpt, helpOpt, dateOpt, monthOpt, yearOpt, fromOpt, toOpt, classOpt, patientsOpt, codeOpt, sortOpt, allOpt, reportsOpt, pdfOpt, xlsOpt, xlsxOpt, csvOpt,
                       printOpt, traceOpt, verboseOpt});
    logInOpts.addTo(parser);
    if (!parser.parse(args))
        usage(parser.errorText() + QStringLiteral(" (tarvik-reports run --help)"));

    if (parser.isSet(helpOpt)) {
        out() << kUsage;
        out().flush();
        return ExitOk;
    }
    if (parser.isSet(listOpt)) {
        printList();
        return ExitOk;
    }
    if (parser.isSet(logInOpts.password))
        checkLogInOptions(parser, logInOpts);

    // ---- What to run, checked before anyone logs in ----
    const QString reportName = parser.positionalArguments().join(QLatin1Char(' '));
    if (reportName.trimmed().isEmpty())
        usage(QStringLiteral("Name the report or batch to run (tarvik-reports run --list shows them)."));
    const RunEntry* entry = findEntry(reportName);
    if (!entry)
        usage(QStringLiteral("Unknown report \"%1\" (tarvik-reports run --list shows them).").arg(reportName));

    RunRequest request;
    if (parser.isSet(sortOpt)) {
        if (!entry->takes(Input::Sort))
            usage(QStringLiteral("%1 takes no --sort.").arg(entry->name));
        try {
            request.sortOption = parseSort(parser.value(sortOpt));
        } catch (const std::runtime_error& e) {
            usage(QString::fromUtf8(e.what()));
        }
    }
    if (entry->takes(Input::Reports)) {
        if (parser.isSet(allOpt) == parser.isSet(reportsOpt))
            usage(QStringLiteral("%1 is a batch: give --all or --reports LIST.").arg(entry->name));
        if (parser.isSet(allOpt)) {
            for (const BatchBox& b : entry->boxes) {
                if (request.ticked.size() <= size_t(b.box))
                    request.ticked.resize(size_t(b.box) + 1, false);
                request.ticked[size_t(b.box)] = true;
            }
        } else {
            try {
                request.ticked = parseBoxes(*entry, parser.value(reportsOpt));
            } catch (const std::runtime_error& e) {
                usage(QString::fromUtf8(e.what()));
            }
        }
    } else if (parser.isSet(allOpt) || parser.isSet(reportsOpt)) {
        usage(QStringLiteral("%1 is a single report: --all and --reports are for batches.").arg(entry->name));
    }
    InputOptions inputs;
    const std::pair<const QCommandLineOption*, std::optional<QString>*> given[] = {
        {&dateOpt, &inputs.date},   {&monthOpt, &inputs.month},        {&yearOpt, &inputs.year},
        {&fromOpt, &inputs.from},   {&toOpt, &inputs.to},              {&classOpt, &inputs.balanceClass},
        {&patientsOpt, &inputs.patients}, {&codeOpt, &inputs.code},
    };
    for (const auto& [option, value] : given)
        if (parser.isSet(*option))
            *value = parser.value(*option);
    try {
        // The forms and the workstation's day, before anyone logs in; the days are checked
        // against the server's after. (A refused period names today: no placeholder day.)
        RunRequest shapes;
        resolveInputs(*entry, inputs, QDate(9999, 12, 31), QDate::currentDate(), shapes);
    } catch (const std::runtime_error& e) {
        usage(QString::fromUtf8(e.what()));
    }

    OutputTargets targets;
    targets.pdfDir = parser.value(pdfOpt);
    targets.xlsDir = parser.value(xlsOpt);
    targets.xlsxDir = parser.value(xlsxOpt);
    targets.csvDir = parser.value(csvOpt);
    targets.print = parser.isSet(printOpt);
    for (const QCommandLineOption* o : {&pdfOpt, &xlsOpt, &xlsxOpt, &csvOpt})
        if (parser.isSet(*o) && parser.value(*o).trimmed().isEmpty())
            usage(QStringLiteral("--%1 wants a folder.").arg(o->names().constFirst()));
    if (!targets.any())
        usage(QStringLiteral("Nothing to produce: give --pdf, --xls, --xlsx or --csv with a folder, or --print."));
    request.directPrint = targets.print;

    // ---- Log-in ----
    checkLogInOptions(parser, logInOpts);
    SessionGuard session;
    // Shared with the connection's listener, which may outlive this scope by a little.
    std::shared_ptr<TraceFile> trace;
    const int loggedIn = logIn(parser, logInOpts, QStringLiteral("tarvik-reports run"), [&] {
        if (!parser.isSet(traceOpt))
            return;
        try {
            trace = std::make_shared<TraceFile>(parser.value(traceOpt));
        } catch (const std::runtime_error& e) {
            usage(QString::fromUtf8(e.what()));
        }
        gCurrentUser->SqlConnection()->trace().setListener([trace](const db::TraceEntry& e) { trace->command(e); });
    });
    if (loggedIn != ExitOk)
        return CleanStop::signal() != 0 ? CleanStop::exitStatus(CleanStop::signal()) : loggedIn;

    // ---- The days, against the server's clock (the dialogs' pickers stop at it) ----
    try {
        resolveInputs(*entry, inputs, gServerDate.date(), QDate::currentDate(), request);
    } catch (const std::runtime_error& e) {
        usage(QString::fromUtf8(e.what()));
    }

    for (const OutputTargets::Folder& f : targets.folders()) {
        if (!QDir().mkpath(f.dir))
            usage(QStringLiteral("The output folder \"%1\" cannot be created.").arg(f.dir));
        // What a killed run (or a power cut) left half-written there.
        if (const int stale = engine::removeStaleExportFiles(f.dir))
            err() << "tarvik-reports run: removed " << stale << " unfinished file(s) of an earlier run from "
                  << f.dir << Qt::endl;
    }

    // ---- The run ----
    UnattendedUi ui(targets, err(), trace.get());
    ui.begin(request.date, entry->exportName, entry->reportCount(request), periodLabel(*entry, request),
             entry->filesByBox);
    // The files written, on standard output: also after a failure or a stop, for the caller
    // that collects them.
    const auto listFiles = [&ui] {
        for (const ProducedReport& p : ui.produced())
            for (const QString& file : p.files)
                out() << file << '\n';
        out().flush();
    };
    // How a run that did not finish ends: stopped by a signal, a busy database, or a failure.
    const auto ended = [&](const QString& where, const QString& reason, bool busy, bool inBatch) {
        listFiles();
        if (const int signo = CleanStop::signal()) {
            err() << "tarvik-reports run: " << entry->name << " was stopped by " << CleanStop::signalName(signo)
                  << " at \"" << where << "\".\n"
                  << producedText(ui.produced(), QStringLiteral("stop")) << Qt::endl;
            return CleanStop::exitStatus(signo);
        }
        if (inBatch)
            err() << "tarvik-reports run: " << entry->name << " stopped at \"" << where << "\": " << reason << '\n';
        else
            err() << "tarvik-reports run: " << entry->name << " failed: " << reason << '\n';
        err() << producedText(ui.produced()) << Qt::endl;
        return busy ? int(ExitBusy) : int(ExitReportFailed);
    };
    try {
        entry->run(request, ui);
    } catch (const RunFailure& e) {
        ui.failedAt(e.report());
        // A batch hands its failure on as text.
        return ended(e.report(), e.reason(), e.reason().contains(db::busyDatabaseText()), true);
    } catch (const db::DbError& e) {
        ui.failedAt(entry->caption);
        return ended(entry->caption, e.message(), e.kind() == db::DbError::Kind::Busy, false);
    } catch (const std::exception& e) {
        ui.failedAt(entry->caption);
        return ended(entry->caption, QString::fromUtf8(e.what()), false, false);
    }
    listFiles();
    return ExitOk;
}

} // namespace

int runCommand(int argc, char* argv[])
{
    // SIGTERM, SIGINT and SIGHUP stop the run cleanly from before the application object is
    // made (the slowest part of a start): a service manager may stop the run at any moment.
    // The standard streams are guarded first, so the signal pipe never takes a closed one's number.
    guardStandardStreams();
    std::optional<CleanStop> cleanStop;
    try {
        cleanStop.emplace();
    } catch (const std::exception& e) {
        err() << "tarvik-reports run: " << QString::fromUtf8(e.what()) << Qt::endl;
        return ExitReportFailed;
    }
    return runSubcommand(argc, argv, QStringLiteral("tarvik-reports run"), run);
}

} // namespace tarvik::cli
