#include "HistoryCommand.h"

#include "RunHistory.h"
#include "Session.h"
#include "ExportSupport.h"

#include <QCommandLineParser>
#include <QFile>

namespace tarvik::cli {

namespace {

const char* const kUsage = R"(Usage: tarvik-reports history [--from DATE] [--to DATE] [--user-filter NAME] [--report TEXT]
                              [--csv FILE] --user NAME (--password-file FILE | --password-stdin)
                              [--data DIR | --odbc CONNECTION]

Prints the run history, newest first: every report produced by the dialogs or by
`tarvik-reports run`, with its user, workstation, start and end, caption, file, database,
parameter values, outputs and outcome (done, failed with its message, cancelled).

  --from DATE  --to DATE    runs that started on these days (MM/DD/YYYY), both included
  --user-filter NAME        runs of users whose name holds NAME (--user is the log-in)
  --report TEXT             runs of reports whose caption holds TEXT
  --csv FILE                write the rows to FILE as CSV instead of printing them ("-": standard output)

Log-in: as for `tarvik-reports run` (--user, --password-file or --password-stdin, --data or --odbc).

Exit status: 0 done; 1 the history could not be read or written; 2 bad arguments; 3 log-in refused.
)";

QDate dateOption(const QCommandLineParser& parser, const QCommandLineOption& option)
{
    if (!parser.isSet(option))
        return {};
    const QString text = parser.value(option).trimmed();
    const QDate d = QDate::fromString(text, QStringLiteral("MM/dd/yyyy"));
    if (!d.isValid())
        usage(QStringLiteral("--%1 wants a date MM/DD/YYYY, not \"%2\".").arg(option.names().constFirst(), text));
    return d;
}

QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
}

void printTable(const std::vector<db::RunRecord>& rows)
{
    for (const db::RunRecord& r : rows) {
        out() << r.started.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss")) << "  "
              << QString::number(r.started.msecsTo(r.ended) / 1000.0, 'f', 1).rightJustified(6) << " s  "
              << r.outcome.leftJustified(9) << " " << r.user.leftJustified(10) << " " << r.workstation << "  "
              << oneLine(r.caption) << '\n'
              << "    " << r.file << " on " << r.database << "; values: " << oneLine(r.parameters) << '\n';
        if (!r.outputs.isEmpty())
            out() << "    to: " << oneLine(r.outputs) << '\n';
        if (!r.message.isEmpty())
            out() << "    " << oneLine(r.message) << '\n';
    }
    out() << rows.size() << (rows.size() == 1 ? " run" : " runs") << Qt::endl;
}

int history(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption helpOpt(QStringList{QStringLiteral("help"), QStringLiteral("h")});
    const QCommandLineOption fromOpt(QStringLiteral("from"), {}, QStringLiteral("date"));
    const QCommandLineOption toOpt(QStringLiteral("to"), {}, QStringLiteral("date"));
    const QCommandLineOption userFilterOpt(QStringLiteral("user-filter"), {}, QStringLiteral("name"));
    const QCommandLineOption reportOpt(QStringLiteral("report"), {}, QStringLiteral("text"));
    const QCommandLineOption csvOpt(QStringLiteral("csv"), {}, QStringLiteral("file"));
    const QCommandLineOption verboseOpt(QStringLiteral("verbose"));
    const LogInOptions logInOpts;
    parser.addOptions({helpOpt, fromOpt, toOpt, userFilterOpt, reportOpt, csvOpt, verboseOpt});
    logInOpts.addTo(parser);
    if (!parser.parse(args))
        usage(parser.errorText() + QStringLiteral(" (tarvik-reports history --help)"));
    if (parser.isSet(helpOpt)) {
        out() << kUsage;
        out().flush();
        return ExitOk;
    }
    if (!parser.positionalArguments().isEmpty())
        usage(QStringLiteral("Unexpected argument \"%1\".").arg(parser.positionalArguments().constFirst()));
    db::HistoryFilter filter;
    filter.from = dateOption(parser, fromOpt);
    filter.to = dateOption(parser, toOpt);
    if (filter.from.isValid() && filter.to.isValid() && filter.to < filter.from)
        usage(QStringLiteral("--to is before --from."));
    filter.user = parser.value(userFilterOpt);
    filter.report = parser.value(reportOpt);
    if (parser.isSet(csvOpt) && parser.value(csvOpt).trimmed().isEmpty())
        usage(QStringLiteral("--csv wants a file."));

    checkLogInOptions(parser, logInOpts);
    SessionGuard session;
    const int loggedIn = logIn(parser, logInOpts, QStringLiteral("tarvik-reports history"));
    if (loggedIn != ExitOk)
        return loggedIn;
    db::RunHistory* store = db::sessionHistory();
    if (!store) {
        err() << "tarvik-reports history: the run history could not be opened (see --verbose)." << Qt::endl;
        return ExitReportFailed;
    }
    std::vector<db::RunRecord> rows;
    try {
        rows = store->rows(filter);
    } catch (const db::DbError& e) {
        err() << "tarvik-reports history: " << e.message() << Qt::endl;
        return ExitReportFailed;
    }
    if (!parser.isSet(csvOpt)) {
        printTable(rows);
        return ExitOk;
    }
    const QString path = parser.value(csvOpt);
    const QByteArray csv = db::historyCsv(rows).toUtf8();
    if (path == QLatin1String("-")) {
        out() << QString::fromUtf8(csv);
        out().flush();
        return ExitOk;
    }
    try {
        // Staged beside the target: an old file stays whole until the new one is complete.
        engine::detail::StagedFile staged(path);
        staged.file().write(csv);
        staged.commit();
    } catch (const std::exception& e) {
        err() << "tarvik-reports history: " << QString::fromUtf8(e.what()) << Qt::endl;
        return ExitReportFailed;
    }
    err() << "tarvik-reports history: " << rows.size() << " run(s) written to " << path << Qt::endl;
    return ExitOk;
}

} // namespace

int historyCommand(int argc, char* argv[])
{
    return runSubcommand(argc, argv, QStringLiteral("tarvik-reports history"), history);
}

} // namespace tarvik::cli
