#include "MiscCodesCommand.h"

#include "MiscellaneousReports.h"
#include "Session.h"
#include "UnattendedUi.h"

#include <QCommandLineParser>
#include <memory>
#include <stdexcept>

namespace tarvik::cli {

namespace {

const char* kUsage = R"(Usage: tarvik-reports misc-codes list [TEXT] [options]
       tarvik-reports misc-codes set CODE DESCRIPTION [options]

Keeps the miscellaneous revenue codes, as the maintenance window "Miscellaneous Reports" does.
  list [TEXT]               the codes whose code or description holds TEXT (all without it),
                            one a line: the code, a tab, the description
  set CODE DESCRIPTION      adds CODE with DESCRIPTION, or changes the description of an
                            existing CODE (matched without regard to case); prints the code as
                            stored. Quote texts with blanks: set "CAFÉ O'HARA" "Café O'Hara"

)";

const char* kOther = R"(
Other:
  --trace FILE              write every command text sent to the database to FILE
  --verbose                 show the program's log messages
  --help                    this text

Exit status: 0 done; 1 the database refused the command; 2 bad arguments or password file;
3 log-in refused or start-up failed.
)";

void printCode(const monthly::RevenueCode& code)
{
    out() << code.code << '\t' << code.description << '\n';
}

int miscCodes(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption helpOpt(QStringList{QStringLiteral("help"), QStringLiteral("h")});
    const QCommandLineOption traceOpt(QStringLiteral("trace"), {}, QStringLiteral("file"));
    const QCommandLineOption verboseOpt(QStringLiteral("verbose"));
    const LogInOptions logInOpts;
    parser.addOptions({helpOpt, traceOpt, verboseOpt});
    logInOpts.addTo(parser);
    if (!parser.parse(args))
        usage(parser.errorText() + QStringLiteral(" (tarvik-reports misc-codes --help)"));
    if (parser.isSet(helpOpt)) {
        out() << kUsage << LogInOptions::helpText() << kOther;
        out().flush();
        return ExitOk;
    }

    // ---- What to do, checked before anyone logs in ----
    const QStringList words = parser.positionalArguments();
    const QString action = words.value(0);
    if (action == QLatin1String("list")) {
        if (words.size() > 2)
            usage(QStringLiteral("list takes one search text: quote a text with blanks."));
    } else if (action == QLatin1String("set")) {
        if (words.size() != 3)
            usage(QStringLiteral("set takes a CODE and a DESCRIPTION: quote texts with blanks."));
        if (!monthly::refusalToSave(words.at(1)).isEmpty())
            usage(QStringLiteral("set: the CODE is empty; a code of blanks names nothing."));
    } else if (action.isEmpty()) {
        usage(QStringLiteral("Say list or set (tarvik-reports misc-codes --help)."));
    } else {
        usage(QStringLiteral("Unknown action \"%1\": list or set (tarvik-reports misc-codes --help).").arg(action));
    }

    // ---- Log-in ----
    checkLogInOptions(parser, logInOpts);
    SessionGuard session;
    std::shared_ptr<TraceFile> trace;
    const QString command = QStringLiteral("tarvik-reports misc-codes");
    const int loggedIn = logIn(parser, logInOpts, command, [&] {
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
        return loggedIn;

    // ---- The work; a refusal of the database is status 1 (runSubcommand prints it) ----
    if (action == QLatin1String("list")) {
        for (const monthly::RevenueCode& code : monthly::revenueCodes(words.value(1)))
            printCode(code);
    } else {
        monthly::saveRevenueCode(words.at(1), words.at(2));
        printCode(monthly::findRevenueCode(words.at(1)));
    }
    out().flush();
    return ExitOk;
}

} // namespace

int miscCodesCommand(int argc, char* argv[])
{
    return runSubcommand(argc, argv, QStringLiteral("tarvik-reports misc-codes"), miscCodes);
}

} // namespace tarvik::cli
