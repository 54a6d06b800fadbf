// tarvik-reports: logs the user in and opens the report menu.
// Exit status: 0 after the frame closed, 1 when the log-in was not completed, 2 when start-up
// failed (the message box said why), 3 when the patient search refused the connection.
// `tarvik-reports run ...` and the other subcommands work without a window (src/cli, their
// own statuses).

#include "DialogRegistry.h"
#include "RegisterDialogs.h"
#include "Session.h"
#include "ProgramSettings.h"
#include "Startup.h"
#include "mdiReportForm.h"
#ifdef TARVIK_HAVE_CLI
#include "Subcommands.h"
#endif

#include <QApplication>

#include <cstring>
#include <optional>
#include <iostream>

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

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarvik-reports"));
    QApplication::setOrganizationName(QStringLiteral("tarvik"));
    QApplication::setWindowIcon(tarvik::shell::programIcon()); // the log-in window's too
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
