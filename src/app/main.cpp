// tarvik-reports: logs the user in and opens the report menu.
// Exit status: 0 after the frame closed, 1 when the log-in was not completed, 2 when start-up
// failed (the message box said why), 3 when the patient search refused the connection.
// `tarvik-reports run ...` and the other subcommands work without a window (src/cli, their
// own statuses). Bad arguments end it with status 2 before anything opens.

#include "DialogRegistry.h"
#include "ProgramOptions.h"
#include "ProgramSettings.h"
#include "RegisterDialogs.h"
#include "Session.h"
#include "Startup.h"
#include "mdiReportForm.h"
#ifdef TARVIK_HAVE_CLI
#include "Subcommands.h"
#endif

#include <QApplication>
#include <QIcon>

#include <cstring>
#include <cstdio>
#include <iostream>
#include <optional>
#include <vector>

namespace {

// Each command's name and what it does.
std::vector<std::pair<const char*, const char*>> commands()
{
#ifdef TARVIK_HAVE_CLI
    return tarvik::cli::subcommandSummaries();
#else
    return {};
#endif
}

tarvik::ProgramOptions programOptions()
{
    tarvik::ProgramOptions cl(
        "tarvik-reports", "[WINDOW OPTIONS] | COMMAND [options]",
        "Tarvik Reports, the reports module of the Tarvik hospital information and billing system. Without a "
        "command it shows the log-in window, then the report menu: the end-of-day, month-end and year-end "
        "reports and batches, aging, audit-trail and period reports, in a viewer, on the printer or exported "
        "to PDF, Excel or CSV. With a command it works without a window.");
    cl.option({"help-all"}, "Show this help followed by every command's own, and exit.");
    cl.argumentHeading(QStringLiteral("Commands"));
    for (const auto& [name, summary] : commands())
        cl.argument(QString::fromLatin1(name),
                    QStringLiteral("%1; \"tarvik-reports %2 --help\" tells its options.")
                        .arg(QString::fromLatin1(summary), QString::fromLatin1(name)));
    cl.epilogue(QStringLiteral(
        "Window options:\nQt's own options of a window program are taken too, such as -platform xcb, -style "
        "Fusion, -display :0 or -reverse."));
    cl.epilogue(QStringLiteral(
        "Environment:\n"
        "  TARVIK_DATA_DIR  the data folder of the embedded databases (else the one that\n"
        "                   ~/.config/tarvik/components.ini names, else the demo folder\n"
        "                   ~/.local/share/tarvik/demo)\n"
        "  TARVIK_DB_LOG    a file to which every command text sent is appended\n"
        "  TARVIK_CLOCK     \"yyyy-mm-dd hh:mm:ss\": what GetDate() answers on the embedded\n"
        "                   databases, for demonstrations"));
    cl.epilogue(QStringLiteral(
        "Files:\n"
        "  ~/.config/tarvik/components.ini  [Database] DataFolder=DIR or\n"
        "                   OdbcConnection=TEXT: where the databases are\n"
        "  share/tarvik-reports  REPORTS/*.rpt (the report definitions), Reports.Jpg and\n"
        "                   FileCopy.gif, beside the program or in ../share/tarvik-reports\n"
        "                   from its folder"));
    cl.epilogue(QStringLiteral(
        "Exit status:\n0 after the window was closed; 1 the log-in was not completed; 2 bad arguments, or "
        "start-up failed (a message box said why); 3 the patient search refused the connection. Each command "
        "tells its own."));
    return cl;
}

bool isHelpOrVersion(const char* arg)
{
    for (const char* known : {"-h", "--help", "--help-all", "--version"})
        if (std::strcmp(arg, known) == 0)
            return true;
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
#ifdef TARVIK_HAVE_CLI
    // Subcommands: no window, so before any application object for windows exists.
    if (const std::optional<int> status = tarvik::cli::runSubcommandOf(argc, argv))
        return *status;
#else
    if (argc > 1 && std::strcmp(argv[1], "run") == 0) {
        std::cerr << "tarvik-reports run: this build has no unattended report runs.\n";
        return 2;
    }
#endif

    // Help, version and a mistyped command need no display.
    tarvik::ProgramOptions cl = programOptions();
    if (argc > 1 && isHelpOrVersion(argv[1])) {
        const QStringList args{QString::fromLocal8Bit(argv[0]), QString::fromLocal8Bit(argv[1])};
        if (std::strcmp(argv[1], "--help-all") != 0)
            cl.process(args);
        std::fputs(qPrintable(cl.helpText()), stdout);
        std::fflush(stdout);
#ifdef TARVIK_HAVE_CLI
        for (const auto& [name, summary] : commands()) {
            std::fputs(qPrintable(QStringLiteral("\nThe %1 command:\n").arg(QString::fromLatin1(name))), stdout);
            std::fflush(stdout);
            char* help[] = {argv[0], const_cast<char*>(name), const_cast<char*>("--help"), nullptr};
            tarvik::cli::runSubcommandOf(3, help);
        }
#endif
        return 0;
    }
    if (argc > 1 && argv[1][0] != '-')
        cl.fail(QStringLiteral("unknown command \"%1\".").arg(QString::fromLocal8Bit(argv[1])));

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarvik-reports"));
    QApplication::setOrganizationName(QStringLiteral("tarvik"));
    // Qt took its own options out of argv; anything left is not the program's.
    if (argc > 1)
        cl.fail(QStringLiteral("unknown option \"%1\".").arg(QString::fromLocal8Bit(argv[1])));
    QApplication::setWindowIcon(tarvik::shell::programIcon()); // the log-in window's too
    QGuiApplication::setDesktopFileName(QStringLiteral("tarvik-reports"));
    tarvik::shell::applyProgramSettings();

    tarvik::shell::DialogRegistry dialogs;
    tarvik::registerReportDialogs(dialogs);

    int status = 0;
    {
        tarvik::StartupResult started = tarvik::Main([&dialogs] {
            return std::make_unique<tarvik::shell::mdiReportForm>(dialogs);
        });
        status = started.outcome == tarvik::StartupOutcome::FrameShown ? app.exec()
                                                                        : tarvik::exitStatus(started.outcome);
    }
    // The session's connection stops its thread while the application still exists.
    tarvik::clearSession();
    return status;
}
