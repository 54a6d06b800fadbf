#include "CliSession.h"

#include "CleanStop.h"

#include "ConnectionInfo.h"
#include "DbError.h"
#include "ReportOperations.h"
#include "Session.h"
#include "Startup.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace tarvik::cli {

namespace {

// Closes a descriptor when it goes.
struct Descriptor
{
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// The first line of what fd gives, read a byte at a time so nothing after it is taken, at most
// kMaxPasswordBytes long; `label` starts the messages.
QString readPasswordLine(int fd, const QString& label, bool* gotAnything)
{
    QByteArray line;
    bool any = false;
    for (;;) {
        char c = 0;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            usage(QStringLiteral("%1 cannot be read: %2.").arg(label, QString::fromLocal8Bit(std::strerror(errno))));
        if (n == 0 || c == '\n')
            break;
        any = true;
        if (line.size() == kMaxPasswordBytes)
            usage(QStringLiteral("%1 has a first line longer than %2 bytes; a password is one short line.")
                      .arg(label)
                      .arg(kMaxPasswordBytes));
        line.append(c);
    }
    if (line.endsWith('\r'))
        line.chop(1);
    if (gotAnything)
        *gotAnything = any;
    return QString::fromUtf8(line);
}

[[noreturn]] void emptyPassword(const QString& label)
{
    usage(QStringLiteral("%1 gives an empty password. It is not tried: an empty password would only count "
                         "as a failed log-in, and five of them lock the account.")
              .arg(label));
}

QString readPasswordStdin(const QString& what)
{
    // Typed at a terminal: without echo, as tarvik-users reads it.
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    termios saved{};
    if (terminal) {
        std::fprintf(stderr, "%s: ", what == QLatin1String("password") ? "Password" : "Database password");
        std::fflush(stderr);
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    const QString label = QStringLiteral("Standard input (--%1)")
                              .arg(what == QLatin1String("password") ? QStringLiteral("password-stdin")
                                                                     : QStringLiteral("db-password-stdin"));
    bool any = false;
    QString line;
    try {
        line = readPasswordLine(STDIN_FILENO, label, &any);
    } catch (...) {
        if (terminal)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        throw;
    }
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
    }
    if (line.isEmpty())
        emptyPassword(label);
    return line;
}

// The keys of an ODBC connection string, upper-cased; a value in braces may hold ';' and '}}'.
QStringList odbcKeys(const QString& connection)
{
    QStringList keys;
    qsizetype i = 0;
    while (i < connection.size()) {
        const qsizetype eq = connection.indexOf(QLatin1Char('='), i);
        const qsizetype semi = connection.indexOf(QLatin1Char(';'), i);
        if (eq < 0 || (semi >= 0 && semi < eq)) {
            if (semi < 0)
                break;
            i = semi + 1;
            continue;
        }
        keys << connection.mid(i, eq - i).trimmed().toUpper();
        i = eq + 1;
        while (i < connection.size() && connection.at(i).isSpace())
            ++i;
        if (i < connection.size() && connection.at(i) == QLatin1Char('{')) {
            ++i;
            while (i < connection.size()) {
                if (connection.at(i) == QLatin1Char('}')) {
                    if (i + 1 < connection.size() && connection.at(i + 1) == QLatin1Char('}')) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
        }
        const qsizetype next = connection.indexOf(QLatin1Char(';'), i);
        if (next < 0)
            break;
        i = next + 1;
    }
    return keys;
}

int stoppedAtLogIn(const QString& command)
{
    err() << command << ": stopped by " << CleanStop::signalName(CleanStop::signal())
          << " during the log-in; nothing was produced." << Qt::endl;
    return CleanStop::exitStatus(CleanStop::signal());
}

} // namespace

void usage(const QString& message)
{
    throw UsageError{message};
}

QString readPasswordFile(const QString& path, const QString& what)
{
    const QString label = QStringLiteral("The %1 file \"%2\"").arg(what, path);
    const QByteArray native = QFile::encodeName(path);
    // Checked on the descriptor that is read, so the file cannot be swapped between the check
    // and the read; never through a symbolic link, which could point anywhere.
    Descriptor file{::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd < 0 && errno == ELOOP)
        usage(QStringLiteral("%1 is a symbolic link; give the file itself.").arg(label));
    if (file.fd < 0)
        usage(QStringLiteral("%1 cannot be read: %2.").arg(label, QString::fromLocal8Bit(std::strerror(errno))));
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        usage(QStringLiteral("%1 cannot be read: %2.").arg(label, QString::fromLocal8Bit(std::strerror(errno))));
    if (!S_ISREG(st.st_mode))
        usage(QStringLiteral("%1 is not a regular file.").arg(label));
    if (st.st_uid != ::geteuid())
        usage(QStringLiteral("%1 belongs to another user (uid %2); it must belong to the user running the "
                             "command (uid %3).")
                  .arg(label)
                  .arg(st.st_uid)
                  .arg(::geteuid()));
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        usage(QStringLiteral("%1 is open to its group or to others (mode %2): its mode "
                             "must be 0600 or 0400 (chmod 600 \"%3\").")
                  .arg(label)
                  .arg(QStringLiteral("%1").arg(st.st_mode & 07777, 4, 8, QLatin1Char('0')))
                  .arg(path));
    const QString line = readPasswordLine(file.fd, label, nullptr);
    if (line.isEmpty())
        emptyPassword(label);
    return line;
}

QString withOdbcPassword(const QString& connection, const QString& password)
{
    QString escaped = password;
    escaped.replace(QLatin1Char('}'), QStringLiteral("}}"));
    QString text = connection.trimmed();
    if (!text.isEmpty() && !text.endsWith(QLatin1Char(';')))
        text += QLatin1Char(';');
    return text + QStringLiteral("PWD={") + escaped + QLatin1Char('}');
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
    parser.addOptions({user, passwordFile, passwordStdin, password, data, odbc, dbPasswordFile, dbPasswordStdin});
}

const char* LogInOptions::helpText()
{
    return R"(Log-in (a password is never taken from the command line):
  --user NAME               the user to log in as
  --password-file FILE      the password is the first line of FILE (mode 0600 or 0400)
  --password-stdin          the password is the first line of standard input
  --data DIR | --odbc CONNECTION
                            where the databases are (default: where the log-in window finds them);
                            CONNECTION holds no password (PWD): the database's password comes from
  --db-password-file FILE | --db-password-stdin
                            the first line of FILE (mode 0600 or 0400) or of standard input
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
    const QStringList keys = odbcKeys(parser.value(o.odbc));
    if (parser.isSet(o.odbc) && (keys.contains(QStringLiteral("PWD")) || keys.contains(QStringLiteral("PASSWORD"))))
        usage(QStringLiteral("--odbc holds a password (PWD), which other users can see on the command line; "
                             "leave it out and give it with --db-password-file FILE or --db-password-stdin."));
    if (parser.isSet(o.dbPasswordFile) && parser.isSet(o.dbPasswordStdin))
        usage(QStringLiteral("Give the database's password with one of --db-password-file or --db-password-stdin."));
    if ((parser.isSet(o.dbPasswordFile) || parser.isSet(o.dbPasswordStdin)) && !parser.isSet(o.odbc))
        usage(QStringLiteral("--db-password-file and --db-password-stdin are for an --odbc connection."));
    if (parser.isSet(o.passwordStdin) && parser.isSet(o.dbPasswordStdin))
        usage(QStringLiteral("Standard input gives one password: give the other with --password-file or "
                             "--db-password-file."));
}

int logIn(const QCommandLineParser& parser, const LogInOptions& o, const QString& command,
          const std::function<void()>& afterLogIn)
{
    checkLogInOptions(parser, o);
    const QString user = parser.value(o.user);
    const QString password = parser.isSet(o.passwordFile) ? readPasswordFile(parser.value(o.passwordFile))
                                                          : readPasswordStdin(QStringLiteral("password"));
    QString odbc = parser.value(o.odbc);
    if (parser.isSet(o.dbPasswordFile))
        odbc = withOdbcPassword(odbc, readPasswordFile(parser.value(o.dbPasswordFile), QStringLiteral("database password")));
    else if (parser.isSet(o.dbPasswordStdin))
        odbc = withOdbcPassword(odbc, readPasswordStdin(QStringLiteral("database password")));
    createComponents();
    if (parser.isSet(o.data))
        gCurrentUser->setConnectionInfo(db::ConnectionInfo::embedded(QDir(parser.value(o.data)).absolutePath()));
    else if (parser.isSet(o.odbc))
        gCurrentUser->setConnectionInfo(db::ConnectionInfo::odbc(odbc));
    const QString refused = gCurrentUser->LogIn(user, password);
    if (!refused.isEmpty() && CleanStop::signal() != 0)
        return stoppedAtLogIn(command);
    if (!refused.isEmpty()) {
        using Status = hospital::clsCurrentUser::LogInStatus;
        if (gCurrentUser->lastLogInStatus() == Status::Busy) {
            err() << command << ": " << db::busyDatabaseText() << " (log-in of \"" << user << "\")." << Qt::endl;
            return ExitBusy;
        }
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
    } catch (const db::DbError& e) {
        if (e.kind() == db::DbError::Kind::Stopped && CleanStop::signal() != 0)
            return stoppedAtLogIn(command);
        err() << command << ": start-up failed: " << e.message() << Qt::endl;
        return e.kind() == db::DbError::Kind::Busy ? ExitBusy : ExitLogIn;
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
    guardStandardStreams();
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
