#include "RunCommand.h"

#include "ReportOperations.h"
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
                            where the databases are (default: where the log-in window finds them)

Other:
  --trace FILE              write every command text sent to the database and each report's
                            file, database, parameter values and caption to FILE
  --verbose                 show the program's log messages
  --help                    this text

Exit status: 0 all produced; 1 a report failed (the ones before it are kept); 2 bad arguments,
date, report or password file (nothing produced); 3 log-in refused or start-up failed.
)";

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

struct UsageError
{
    QString message;
};

[[noreturn]] void usage(const QString& message)
{
    throw UsageError{message};
}

// The first line of a file that only its owner may read.
QString readPasswordFile(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        usage(QStringLiteral("The password file \"%1\" cannot be read: %2.").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    if (!S_ISREG(st.st_mode))
        usage(QStringLiteral("The password file \"%1\" is not a regular file.").arg(path));
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        usage(QStringLiteral("The password file \"%1\" is open to its group or to others (mode %2): its mode "
                             "must be 0600 or 0400 (chmod 600 \"%1\").")
                  .arg(path)
                  .arg(QStringLiteral("%1").arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'))));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        usage(QStringLiteral("The password file \"%1\" cannot be read: %2.").arg(path, file.errorString()));
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

QString readPasswordStdin()
{
    // Typed at a terminal: without echo, as tarvik-users reads it.
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    termios saved{};
    if (terminal) {
        std::fputs("Password: ", stderr);
        std::fflush(stderr);
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    const bool read = bool(std::getline(std::cin, line));
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
    }
    if (!read && line.empty())
        usage(QStringLiteral("--password-stdin: standard input gave no password."));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromStdString(line);
}

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

// Empties the session (its connection stops its thread) while the application still exists.
struct SessionGuard
{
    ~SessionGuard()
    {
        if (gCurrentUser && gCurrentUser->SqlConnection())
            gCurrentUser->SqlConnection()->trace().setListener({});
        gReport.reset();
        clearSession();
    }
};

QString producedText(const std::vector<ProducedReport>& produced)
{
    if (produced.empty())
        return QStringLiteral("Nothing was produced before the failure.");
    QString text = QStringLiteral("Produced before the failure (kept):");
    for (const ProducedReport& p : produced) {
        text += QStringLiteral("\n  ") + p.caption;
        if (!p.files.isEmpty())
            text += QStringLiteral(": ") + p.files.join(QStringLiteral(", "));
        if (p.printed)
            text += QStringLiteral(" (printed)");
    }
    return text;
}

int run(QApplication& app)
{
    QStringList args = app.arguments();
    if (args.size() > 1)
        args.removeAt(1); // "run"

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
    const QCommandLineOption userOpt(QStringLiteral("user"), {}, QStringLiteral("name"));
    const QCommandLineOption passwordFileOpt(QStringLiteral("password-file"), {}, QStringLiteral("file"));
    const QCommandLineOption passwordStdinOpt(QStringLiteral("password-stdin"));
    // Known only to be refused with a reason, rather than as an unknown option.
    const QCommandLineOption passwordOpt(QStringLiteral("password"), {}, QStringLiteral("password"));
    const QCommandLineOption dataOpt(QStringLiteral("data"), {}, QStringLiteral("dir"));
    const QCommandLineOption odbcOpt(QStringLiteral("odbc"), {}, QStringLiteral("connection"));
    const QCommandLineOption traceOpt(QStringLiteral("trace"), {}, QStringLiteral("file"));
    const QCommandLineOption verboseOpt(QStringLiteral("verbose"));
    parser.addOptions({listOpt, helpOpt, dateOpt, monthOpt, yearOpt, fromOpt, toOpt, classOpt, patientsOpt, codeOpt, sortOpt, allOpt, reportsOpt, pdfOpt, xlsOpt, xlsxOpt, csvOpt,
                       printOpt, userOpt, passwordFileOpt, passwordStdinOpt, passwordOpt, dataOpt, odbcOpt,
                       traceOpt, verboseOpt});
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
    if (parser.isSet(passwordOpt))
        usage(QStringLiteral("A password is never taken from the command line (other users can see it); "
                             "use --password-file FILE or --password-stdin."));

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
        // The forms only, before anyone logs in; the days are checked against the server's after.
        RunRequest shapes;
        resolveInputs(*entry, inputs, QDate(9999, 12, 31), QDate(9999, 12, 31), shapes);
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
    const QString user = parser.value(userOpt);
    if (user.trimmed().isEmpty())
        usage(QStringLiteral("--user NAME is required."));
    if (parser.isSet(passwordFileOpt) == parser.isSet(passwordStdinOpt))
        usage(QStringLiteral("Give the password with exactly one of --password-file FILE or --password-stdin."));
    if (parser.isSet(dataOpt) && parser.isSet(odbcOpt))
        usage(QStringLiteral("Give --data or --odbc, not both."));
    const QString password = parser.isSet(passwordFileOpt) ? readPasswordFile(parser.value(passwordFileOpt))
                                                           : readPasswordStdin();

    SessionGuard session;
    createComponents();
    if (parser.isSet(dataOpt))
        gCurrentUser->setConnectionInfo(db::ConnectionInfo::embedded(QDir(parser.value(dataOpt)).absolutePath()));
    else if (parser.isSet(odbcOpt))
        gCurrentUser->setConnectionInfo(db::ConnectionInfo::odbc(parser.value(odbcOpt)));
    const QString refused = gCurrentUser->LogIn(user, password);
    if (!refused.isEmpty()) {
        err() << "tarvik-reports run: log-in refused for \"" << user << "\": " << refused << Qt::endl;
        return ExitLogIn;
    }

    // Shared with the connection's listener, which may outlive this scope by a little.
    std::shared_ptr<TraceFile> trace;
    if (parser.isSet(traceOpt)) {
        try {
            trace = std::make_shared<TraceFile>(parser.value(traceOpt));
        } catch (const std::runtime_error& e) {
            usage(QString::fromUtf8(e.what()));
        }
        gCurrentUser->SqlConnection()->trace().setListener([trace](const db::TraceEntry& e) { trace->command(e); });
    }

    try {
        if (!startSession()) {
            err() << "tarvik-reports run: the patient search refused the connection." << Qt::endl;
            return ExitLogIn;
        }
    } catch (const std::exception& e) {
        err() << "tarvik-reports run: start-up failed: " << QString::fromUtf8(e.what()) << Qt::endl;
        return ExitLogIn;
    }

    // ---- The days, against the server's clock (the dialogs' pickers stop at it) ----
    try {
        resolveInputs(*entry, inputs, gServerDate.date(), QDate::currentDate(), request);
    } catch (const std::runtime_error& e) {
        usage(QString::fromUtf8(e.what()));
    }

    for (const OutputTargets::Folder& f : targets.folders())
        if (!QDir().mkpath(f.dir))
            usage(QStringLiteral("The output folder \"%1\" cannot be created.").arg(f.dir));

    // ---- The run ----
    UnattendedUi ui(targets, err(), trace.get());
    ui.begin(request.date, entry->exportName, entry->reportCount(request), periodLabel(*entry, request),
             entry->filesByBox);
    try {
        entry->run(request, ui);
    } catch (const RunFailure& e) {
        ui.failedAt(e.report());
        err() << "tarvik-reports run: " << entry->name << " stopped at \"" << e.report() << "\": " << e.reason() << '\n'
              << producedText(ui.produced()) << Qt::endl;
        return ExitReportFailed;
    } catch (const std::exception& e) {
        ui.failedAt(entry->caption);
        err() << "tarvik-reports run: " << entry->name << " failed: " << QString::fromUtf8(e.what()) << '\n'
              << producedText(ui.produced()) << Qt::endl;
        return ExitReportFailed;
    }
    for (const ProducedReport& p : ui.produced())
        for (const QString& file : p.files)
            out() << file << '\n';
    out().flush();
    return ExitOk;
}

} // namespace

int runCommand(int argc, char* argv[])
{
    // No window ever opens; the engine still paints with QtGui and prints through QPrinter.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Log messages only on request: standard error carries the progress and the errors. Set
    // before the application exists, which has things to say about its environment already.
    bool verbose = false;
    for (int i = 2; i < argc; ++i)
        verbose = verbose || std::strcmp(argv[i], "--verbose") == 0;
    if (!verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false\n*.warning=false"));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarvik-reports"));
    QApplication::setOrganizationName(QStringLiteral("tarvik"));
    try {
        return run(app);
    } catch (const UsageError& e) {
        err() << "tarvik-reports run: " << e.message << Qt::endl;
        return ExitUsage;
    } catch (const std::exception& e) {
        err() << "tarvik-reports run: " << QString::fromUtf8(e.what()) << Qt::endl;
        return ExitReportFailed;
    } catch (...) {
        err() << "tarvik-reports run: an unexpected error stopped the run." << Qt::endl;
        return ExitReportFailed;
    }
}

} // namespace tarvik::cli
