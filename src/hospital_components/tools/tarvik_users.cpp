// tarvik-users: the administrator's command for the users of the hospital system.
// Passwords are never taken from the command line (other users could read them in the
// process list): they are read from the terminal without echo, or from standard input.

#include "DataLocation.h"
#include "UserStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

using tarvik::hospital::UserStore;

namespace {

const char* kUsage =
    "Usage: tarvik-users [--data-folder DIR | --odbc CONNECTION] COMMAND\n"
    "Commands:\n"
    "  add NAME --full-name TEXT --modules CODE[,CODE...]   add a user; asks for the password\n"
    "  set-password NAME                                    asks for a new password\n"
    "  unlock NAME                                          clears failed log-ins and the lock\n"
    "  list                                                 lists the users\n"
    "Without --data-folder or --odbc the data is where the log-in window finds it\n"
    "(TARVIK_DATA_DIR, ~/.config/tarvik/components.ini, or the demo data folder).\n"
    "A password is read from the terminal without echo, or as one line of standard input.\n";

std::string readLine()
{
    std::string line;
    if (!std::getline(std::cin, line) && line.empty())
        throw std::runtime_error("No password was given.");
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::string readHidden(const char* prompt)
{
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    termios saved{};
    tcgetattr(STDIN_FILENO, &saved);
    termios quiet = saved;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    std::string line;
    try {
        line = readLine();
    } catch (...) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
        throw;
    }
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputs("\n", stderr);
    return line;
}

QString readPassword()
{
    if (!isatty(STDIN_FILENO))
        return QString::fromStdString(readLine());
    const std::string first = readHidden("Password: ");
    const std::string second = readHidden("Password again: ");
    if (first != second)
        throw std::runtime_error("The two passwords differ; nothing was changed.");
    return QString::fromStdString(first);
}

int usage()
{
    std::cerr << kUsage;
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);

    tarvik::db::ConnectionInfo info = tarvik::hospital::configuredConnectionInfo();
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--help")) {
            std::cout << kUsage;
            return 0;
        }
        if (args.isEmpty())
            return usage();
        if (option == QLatin1String("--data-folder"))
            info = tarvik::db::ConnectionInfo::embedded(QDir::cleanPath(args.takeFirst()));
        else if (option == QLatin1String("--odbc"))
            info = tarvik::db::ConnectionInfo::odbc(args.takeFirst());
        else
            return usage();
    }
    if (args.isEmpty())
        return usage();
    const QString command = args.takeFirst();

    try {
        if (command == QLatin1String("add")) {
            if (args.isEmpty())
                return usage();
            const QString name = args.takeFirst();
            QString fullName;
            QString modules;
            while (!args.isEmpty()) {
                const QString option = args.takeFirst();
                if (args.isEmpty())
                    return usage();
                if (option == QLatin1String("--full-name"))
                    fullName = args.takeFirst();
                else if (option == QLatin1String("--modules"))
                    modules = args.takeFirst();
                else
                    return usage();
            }
            if (fullName.trimmed().isEmpty() || UserStore::parseModules(modules).isEmpty()) {
                std::cerr << "add needs --full-name and --modules.\n";
                return 2;
            }
            UserStore store(info);
            if (store.userExists(name))
                throw std::runtime_error(QStringLiteral("The user \"%1\" already exists.").arg(name).toStdString());
            store.addUser(name, fullName, UserStore::parseModules(modules), readPassword());
            std::cout << "Added user " << name.toStdString() << ".\n";
        } else if (command == QLatin1String("set-password")) {
            if (args.size() != 1)
                return usage();
            UserStore store(info);
            if (!store.userExists(args.first()))
                throw std::runtime_error(QStringLiteral("There is no user \"%1\".").arg(args.first()).toStdString());
            store.setPassword(args.first(), readPassword());
            std::cout << "Password set for " << args.first().toStdString() << ".\n";
        } else if (command == QLatin1String("unlock")) {
            if (args.size() != 1)
                return usage();
            UserStore store(info);
            store.unlock(args.first());
            std::cout << "Unlocked " << args.first().toStdString() << ".\n";
        } else if (command == QLatin1String("list")) {
            if (!args.isEmpty())
                return usage();
            UserStore store(info);
            QTextStream out(stdout);
            for (const auto& user : store.users()) {
                out << user.userName << '\t' << user.fullName << '\t'
                    << user.modules.join(QLatin1Char(',')) << '\t'
                    << (user.active ? "active" : "disabled");
                if (user.lockedUntil.isValid())
                    out << "\tlocked until "
                        << user.lockedUntil.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm"));
                else if (user.failedAttempts > 0)
                    out << '\t' << user.failedAttempts << " failed log-in(s)";
                out << '\n';
            }
        } else {
            return usage();
        }
    } catch (const std::exception& e) {
        std::cerr << "tarvik-users: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
