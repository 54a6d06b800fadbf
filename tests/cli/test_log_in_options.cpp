// How the command line takes its passwords: from a private file or standard input, never
// empty, never through a link, never from the command line; an ODBC password beside the
// connection string rather than in it.

#include "CliSession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarvik::cli;

namespace {

struct PasswordFileCase
{
    const char* why;
    std::function<QString(const QTemporaryDir&)> make; // makes the file, returns the path to give
    const char* expected; // the password, or "!text" for a refusal whose message holds text
};

std::ostream& operator<<(std::ostream& out, const PasswordFileCase& c) { return out << c.why; }

QString privateFile(const QTemporaryDir& dir, const QByteArray& content, const char* name = "pw")
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    f.close();
    ::chmod(QFile::encodeName(path).constData(), 0600);
    return path;
}

class PasswordFiles : public ::testing::TestWithParam<PasswordFileCase> {};

TEST_P(PasswordFiles, GiveTheirFirstLineOrARefusalThatSaysWhy)
{
    const PasswordFileCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = c.make(dir);
    QString got;
    try {
        got = readPasswordFile(path);
    } catch (const UsageError& e) {
        ASSERT_EQ(c.expected[0], '!') << c.why << ": refused: " << e.message.toStdString();
        EXPECT_TRUE(e.message.contains(QString::fromUtf8(c.expected + 1))) << c.why << ": " << e.message.toStdString();
        EXPECT_TRUE(e.message.contains(path)) << c.why << ": " << e.message.toStdString();
        return;
    }
    EXPECT_EQ(got, QString::fromUtf8(c.expected)) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Files, PasswordFiles,
    ::testing::Values(
        PasswordFileCase{"the first line", [](const QTemporaryDir& d) { return privateFile(d, "s3cret\nnext line\n"); }, "s3cret"},
        PasswordFileCase{"a line ending of another system", [](const QTemporaryDir& d) { return privateFile(d, "s3cret\r\n"); },
                         "s3cret"},
        PasswordFileCase{"no line ending", [](const QTemporaryDir& d) { return privateFile(d, "s3cret"); }, "s3cret"},
        PasswordFileCase{"blanks are part of a password", [](const QTemporaryDir& d) { return privateFile(d, " a b \n"); },
                         " a b "},
        PasswordFileCase{"an empty file", [](const QTemporaryDir& d) { return privateFile(d, ""); }, "!empty password"},
        PasswordFileCase{"an empty first line", [](const QTemporaryDir& d) { return privateFile(d, "\ns3cret\n"); },
                         "!empty password"},
        PasswordFileCase{"a line longer than a password",
                         [](const QTemporaryDir& d) { return privateFile(d, QByteArray(4096, 'x') + "\n"); },
                         "!longer than 1024 bytes"},
        PasswordFileCase{"a link to a private file",
                         [](const QTemporaryDir& d) {
                             const QString target = privateFile(d, "s3cret\n", "real");
                             const QString link = d.filePath(QStringLiteral("link"));
                             QFile::link(target, link);
                             return link;
                         },
                         "!symbolic link"},
        PasswordFileCase{"a pipe, which would block the run",
                         [](const QTemporaryDir& d) {
                             const QString fifo = d.filePath(QStringLiteral("fifo"));
                             ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
                             return fifo;
                         },
                         "!not a regular file"},
        PasswordFileCase{"a file others may read",
                         [](const QTemporaryDir& d) {
                             const QString path = privateFile(d, "s3cret\n");
                             ::chmod(QFile::encodeName(path).constData(), 0644);
                             return path;
                         },
                         "!must be 0600 or 0400"},
        PasswordFileCase{"a missing file", [](const QTemporaryDir& d) { return d.filePath(QStringLiteral("none")); },
                         "!cannot be read"}));

TEST(PasswordFileOwner, MustBeTheUserRunningTheCommand)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only the superuser can give a file to another user";
    QTemporaryDir dir;
    const QString path = privateFile(dir, "s3cret\n");
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
    try {
        readPasswordFile(path);
        ADD_FAILURE() << "another user's file was read";
    } catch (const UsageError& e) {
        EXPECT_TRUE(e.message.contains(QStringLiteral("belongs to another user"))) << e.message.toStdString();
    }
}

struct OdbcCase
{
    const char* connection;
    const char* password;
    const char* expected;
};

std::ostream& operator<<(std::ostream& out, const OdbcCase& c) { return out << c.connection; }

class OdbcPasswords : public ::testing::TestWithParam<OdbcCase> {};

TEST_P(OdbcPasswords, GoInBracesSoTheirCharactersStayTheirs)
{
    EXPECT_EQ(withOdbcPassword(QString::fromUtf8(GetParam().connection), QString::fromUtf8(GetParam().password)),
              QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Strings, OdbcPasswords,
    ::testing::Values(OdbcCase{"DSN=HOSPITAL;UID=reports", "pw", "DSN=HOSPITAL;UID=reports;PWD={pw}"},
                      OdbcCase{"DSN=HOSPITAL;UID=reports;", "a;b=c", "DSN=HOSPITAL;UID=reports;PWD={a;b=c}"},
                      OdbcCase{"DRIVER={FreeTDS};SERVER=db1", "x}y{", "DRIVER={FreeTDS};SERVER=db1;PWD={x}}y{}"}));

struct OptionCase
{
    const char* why;
    QStringList args;
    const char* refusal; // empty: accepted
};

std::ostream& operator<<(std::ostream& out, const OptionCase& c) { return out << c.why; }

class LogInOptionSets : public ::testing::TestWithParam<OptionCase> {};

TEST_P(LogInOptionSets, AreCheckedBeforeAnythingIsRead)
{
    const OptionCase& c = GetParam();
    QCommandLineParser parser;
    const LogInOptions options;
    options.addTo(parser);
    ASSERT_TRUE(parser.parse(QStringList{QStringLiteral("run")} + c.args)) << parser.errorText().toStdString();
    try {
        checkLogInOptions(parser, options);
        EXPECT_STREQ(c.refusal, "") << c.why << ": accepted";
    } catch (const UsageError& e) {
        EXPECT_TRUE(*c.refusal && e.message.contains(QString::fromUtf8(c.refusal))) << c.why << ": " << e.message.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sets, LogInOptionSets,
    ::testing::Values(
        OptionCase{"a password inside --odbc", {"--user", "u", "--password-stdin", "--odbc", "DSN=x;UID=sa;PWD=secret"},
                   "holds a password"},
        OptionCase{"a password in braces inside --odbc",
                   {"--user", "u", "--password-stdin", "--odbc", "DSN=x;UID=sa;pwd={a;b}"}, "holds a password"},
        OptionCase{"PASSWORD spelled out", {"--user", "u", "--password-stdin", "--odbc", "DSN=x;Password=secret"},
                   "holds a password"},
        OptionCase{"a connection without one, its password from a file",
                   {"--user", "u", "--password-stdin", "--odbc", "DSN=x;UID=sa", "--db-password-file", "f"}, ""},
        OptionCase{"PWD only inside a braced value is no password",
                   {"--user", "u", "--password-stdin", "--odbc", "DRIVER={x;PWD=y};DSN=x"}, ""},
        OptionCase{"a database password without --odbc", {"--user", "u", "--password-stdin", "--db-password-file", "f"},
                   "are for an --odbc connection"},
        OptionCase{"two passwords from one standard input",
                   {"--user", "u", "--password-stdin", "--odbc", "DSN=x", "--db-password-stdin"}, "one password"}));

} // namespace
