// tarvik-users: the administrator's command for the users of the hospital system.
// Passwords are never taken from the command line (other users could read them in the
// process list): they are read from the terminal without echo, or from standard input.

#include "DataLocation.h"
#include "ProgramOptions.h"
#include "UserStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

using tarvik::hospital::UserStore;

namespace {

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

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    tarvik::ProgramOptions cl(
        "tarvik-users", "[--data-folder DIR | --odbc CONNECTION] COMMAND [NAME] [options]",
        "Manages the users of the hospital system: their names, passwords (Argon2id hashes) and the modules each "
        "may use. A password is read from the terminal without echo (typed twice), or as one line of standard "
        "input; never from the command line.");
    cl.option({"data-folder"}, "Data folder of the embedded databases.", "DIR")
        .option({"odbc"}, "ODBC connection string of the server's databases.", "CONNECTION")
        .option({"full-name"}, "add: the user's full name.", "TEXT")
        .option({"modules"}, "add: the modules the user may use, such as RP for the reports program.",
                "CODE[,CODE...]")
        .argumentHeading("Commands")
        .argument("add NAME", "Add a user (needs --full-name and --modules); asks for the password.")
        .argument("set-password NAME", "Ask for a new password.")
        .argument("unlock NAME", "Clear the failed log-ins and the lock.")
        .argument("list", "List the users, their modules and locks.")
        .epilogue("Without --data-folder or --odbc the data is where the log-in window finds it (TARVIK_DATA_DIR, "
                  "~/.config/tarvik/components.ini, or the demo data folder).")
        .epilogue("Exit status:\n0 done; 1 the command failed (the message says why); 2 bad arguments.");
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--password") == 0 || std::strncmp(argv[i], "--password=", 11) == 0)
            cl.fail("a password is never taken from the command line (other users could read it in the "
                    "process list): it is read from the terminal or standard input.");
    cl.process(argc, argv);

    tarvik::db::ConnectionInfo info = tarvik::hospital::configuredConnectionInfo();
    if (cl.isSet("data-folder") && cl.isSet("odbc"))
        cl.fail("give --data-folder or --odbc, not both.");
    if (cl.isSet("data-folder"))
        info = tarvik::db::ConnectionInfo::embedded(QDir::cleanPath(cl.value("data-folder")));
    else if (cl.isSet("odbc"))
        info = tarvik::db::ConnectionInfo::odbc(cl.value("odbc"));
    QStringList args = cl.positional();
    if (args.isEmpty())
        cl.fail("name a command: add, set-password, unlock or list.");
    const QString command = args.takeFirst();
    if (!QStringList{"add", "set-password", "unlock", "list"}.contains(command))
        cl.fail(QStringLiteral("unknown command \"%1\": add, set-password, unlock or list.").arg(command));
    const bool adding = command == QLatin1String("add");
    if (!adding && (cl.isSet("full-name") || cl.isSet("modules")))
        cl.fail("--full-name and --modules are for add.");
    const qsizetype names = command == QLatin1String("list") ? 0 : 1;
    if (args.size() != names)
        cl.fail(names == 0 ? QStringLiteral("list takes no name.")
                           : QStringLiteral("%1 takes one user name.").arg(command));

    try {
        if (adding) {
            const QString name = args.first();
            const QString fullName = cl.value("full-name");
            const QString modules = cl.value("modules");
            if (fullName.trimmed().isEmpty() || UserStore::parseModules(modules).isEmpty())
                cl.fail("add needs --full-name and --modules.");
            UserStore store(info);
            if (store.userExists(name))
                throw std::runtime_error(QStringLiteral("The user \"%1\" already exists.").arg(name).toStdString());
            store.addUser(name, fullName, UserStore::parseModules(modules), readPassword());
            std::cout << "Added user " << name.toStdString() << ".\n";
        } else if (command == QLatin1String("set-password")) {
            UserStore store(info);
            if (!store.userExists(args.first()))
                throw std::runtime_error(QStringLiteral("There is no user \"%1\".").arg(args.first()).toStdString());
            store.setPassword(args.first(), readPassword());
            std::cout << "Password set for " << args.first().toStdString() << ".\n";
        } else if (command == QLatin1String("unlock")) {
            UserStore store(info);
            store.unlock(args.first());
            std::cout << "Unlocked " << args.first().toStdString() << ".\n";
        } else {
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
        }
    } catch (const std::exception& e) {
        std::cerr << "tarvik-users: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
