#include "CliSession.h"

#include "ConnectionInfo.h"
#include "ReportOperations.h"
#include "Session.h"
#include "Startup.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace tarvik::cli {

namespace {

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

} // namespace

void usage(const QString& message)
{
    throw UsageError{message};
}

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

void LogInOptions::addTo(QCommandLineParser& parser) const
{
    parser.addOptions({user, passwordFile, passwordStdin, password, data, odbc});
}

const char* LogInOptions::helpText()
{
    return R"(Log-in (a password is never taken from the command line):
  --user NAME               the user to log in as
  --password-file FILE      the password is the first line of FILE (mode 0600 or 0400)
  --password-stdin          the password is the first line of standard input
  --data DIR | --odbc CONNECTION
                            where the databases are (default: where the log-in window finds them)
)";
}

void checkLogInOptions(const QCommandLineParser& parser, const LogInOptions& o)
{
    if (parser.isSet(o.password))
        usage(QStringLiteral("A password is never taken from the command line (other users can see it); "
                             "use --password-file FILE or --password-stdin."));
    if (parser.value(o.user).trimmed().isEmpty())
        usage(QStringLiteral("--user NAME is required."));
    if (parser.isSet(o.passwordFile) == parser.isSet(o.passwordStdin))
        usage(QStringLiteral("Give the password with exactly one of --password-file FILE or --password-stdin."));
    if (parser.isSet(o.data) && parser.isSet(o.odbc))
        usage(QStringLiteral("Give --data or --odbc, not both."));
}

int logIn(const QCommandLineParser& parser, const LogInOptions& o, const QString& command,
          const std::function<void()>& afterLogIn)
{
    checkLogInOptions(parser, o);
    const QString user = parser.value(o.user);
    const QString password = parser.isSet(o.passwordFile) ? readPasswordFile(parser.value(o.passwordFile))
                                                          : readPasswordStdin();
    createComponents();
    if (parser.isSet(o.data))
        gCurrentUser->setConnectionInfo(db::ConnectionInfo::embedded(QDir(parser.value(o.data)).absolutePath()));
    else if (parser.isSet(o.odbc))
        gCurrentUser->setConnectionInfo(db::ConnectionInfo::odbc(parser.value(o.odbc)));
    const QString refused = gCurrentUser->LogIn(user, password);
    if (!refused.isEmpty()) {
        err() << command << ": log-in refused for \"" << user << "\": " << refused << Qt::endl;
        return ExitLogIn;
    }
    if (afterLogIn)
        afterLogIn();
    try {
        if (!startSession()) {
            err() << command << ": the patient search refused the connection." << Qt::endl;
            return ExitLogIn;
        }
    } catch (const std::exception& e) {
        err() << command << ": start-up failed: " << QString::fromUtf8(e.what()) << Qt::endl;
        return ExitLogIn;
    }
    return ExitOk;
}

SessionGuard::~SessionGuard()
{
    if (gCurrentUser && gCurrentUser->SqlConnection())
        gCurrentUser->SqlConnection()->trace().setListener({});
    gReport.reset();
    clearSession();
}

int runSubcommand(int argc, char* argv[], const QString& command, const std::function<int(const QStringList& args)>& body)
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
    QStringList args = app.arguments();
    if (args.size() > 1)
        args.removeAt(1); // the subcommand's name
    try {
        return body(args);
    } catch (const UsageError& e) {
        err() << command << ": " << e.message << Qt::endl;
        return ExitUsage;
    } catch (const std::exception& e) {
        err() << command << ": " << QString::fromUtf8(e.what()) << Qt::endl;
        return ExitReportFailed;
    } catch (...) {
        err() << command << ": an unexpected error stopped the run." << Qt::endl;
        return ExitReportFailed;
    }
}

} // namespace tarvik::cli
