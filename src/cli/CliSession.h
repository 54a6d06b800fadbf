#pragma once

// What every subcommand of tarvik-reports shares: its application object on the offscreen
// platform, the exit statuses, bad arguments, standard output and error, and the log-in
// (--user with --password-file or --password-stdin, --data or --odbc) with the session start.

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QTextStream>
#include <functional>

namespace tarvik::cli {

// Exit statuses of the subcommands.
enum ExitStatus : int {
    ExitOk = 0,           // done
    ExitReportFailed = 1, // a report (or the command's work) failed; what was done before it is kept
    ExitUsage = 2,        // bad arguments, date, report name or password file: nothing done
    ExitLogIn = 3,        // the log-in was refused or the session could not start
    ExitBusy = 4,         // the database was busy (another program writing): try again later
    // A signal (SIGTERM, SIGINT, SIGHUP) stopped the run: 128 + its number, as a shell reports it.
};

// Bad arguments: the message, and exit status 2.
struct UsageError
{
    QString message;
};
[[noreturn]] void usage(const QString& message);

QTextStream& out();
QTextStream& err();

// The log-in options, added to a parser.
struct LogInOptions
{
    QCommandLineOption user{QStringLiteral("user"), {}, QStringLiteral("name")};
    QCommandLineOption passwordFile{QStringLiteral("password-file"), {}, QStringLiteral("file")};
    QCommandLineOption passwordStdin{QStringLiteral("password-stdin")};
    // Known only to be refused with a reason, rather than as an unknown option.
    QCommandLineOption password{QStringLiteral("password"), {}, QStringLiteral("password")};
    QCommandLineOption data{QStringLiteral("data"), {}, QStringLiteral("dir")};
    QCommandLineOption odbc{QStringLiteral("odbc"), {}, QStringLiteral("connection")};
    // The ODBC connection's own password, never inside --odbc.
    QCommandLineOption dbPasswordFile{QStringLiteral("db-password-file"), {}, QStringLiteral("file")};
    QCommandLineOption dbPasswordStdin{QStringLiteral("db-password-stdin")};

    void addTo(QCommandLineParser& parser) const;
    // The options' help text, for a subcommand's --help.
    static const char* helpText();
};

// Refuses a password on the command line and checks that the log-in options go together
// (throws UsageError); nothing is read yet.
void checkLogInOptions(const QCommandLineParser& parser, const LogInOptions& options);

// Reads the password, logs in and starts the session (the session values). `command` names
// the subcommand in messages; `afterLogIn` runs between the log-in and the session's start
// (a trace listener goes there, to see the start-up query). Returns ExitOk, or ExitLogIn
// (ExitBusy for a busy database) with the reason printed. Throws UsageError for an unreadable
// or unsafe password file, or an empty password (which is never tried, so never counted).
int logIn(const QCommandLineParser& parser, const LogInOptions& options, const QString& command,
          const std::function<void()>& afterLogIn = {});

// The password in a file that only its owner may read: opened without following a symbolic
// link, checked on the open descriptor (a regular file, owned by the user running, mode 0600
// or 0400), its first line only, at most kMaxPasswordBytes long. Throws UsageError naming the
// file and what is wrong; `what` names the password in messages ("password", "database password").
inline constexpr int kMaxPasswordBytes = 1024;
QString readPasswordFile(const QString& path, const QString& what = QStringLiteral("password"));

// An ODBC connection string with the password added as PWD, in ODBC braces (so a ';' or '}'
// in it stays part of it).
QString withOdbcPassword(const QString& connection, const QString& password);

// Empties the session (its connection stops its thread) while the application still exists.
struct SessionGuard
{
    ~SessionGuard();
};

// Runs a subcommand's body with its own application object on the offscreen platform (no
// window ever opens), log messages only with --verbose, and UsageError and other exceptions
// turned into their messages and exit statuses. argv[1] is the subcommand's name.
int runSubcommand(int argc, char* argv[], const QString& command, const std::function<int(const QStringList& args)>& body);

} // namespace tarvik::cli
