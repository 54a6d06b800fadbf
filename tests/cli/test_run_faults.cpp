// `tarvik-reports run` under the faults of unattended runs: empty passwords, a busy database, a
// trace that cannot be written, a failure half-way, a closed standard output, and toSend at
// many moments (systemd's SIGTERM, Ctrl+C, a closed terminal).

#include "DataFolder.h"
#include "DbError.h"
#include "RunProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <utime.h>

using namespace clitest;
using tarvik::testsupport::queryRow;

namespace {

const QString kDay = QStringLiteral("03/09/2026");

QStringList report(const QString& out)
{
    return {QStringLiteral("admission-logbook"), QStringLiteral("--date"), kDay, QStringLiteral("--pdf"), out};
}

QStringList batch(const QString& out)
{
    return {QStringLiteral("end-of-day"), QStringLiteral("--date"), kDay, QStringLiteral("--all"), QStringLiteral("--pdf"), out};
}

int failedAttempts(const QString& data)
{
    return queryRow(data, QStringLiteral("SELECT FailedAttempts FROM Patient_data.tbUsers WHERE UserName = 'demo'"))
        .value(0)
        .toInt();
}

// Hidden files too: a left-over staged file starts with a dot.
QStringList everythingIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// A whole PDF: its header and its end-of-file marker.
bool completePdf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray all = f.readAll();
    return all.startsWith("%PDF-") && all.trimmed().endsWith("%%EOF");
}

TEST(RunFaults, AnEmptyPasswordIsRefusedBeforeTheLogInAndNotCounted)
{
    const QString data = copyOfDemo();
    const QString out = freshDir(QStringLiteral("empty-pw"));
    const QStringList who{QStringLiteral("--user"), QStringLiteral("demo"), QStringLiteral("--data"), data};
    struct Case
    {
        const char* why;
        QStringList source;
        QByteArray input;
    };
    const std::vector<Case> cases{
        {"an empty password file", {QStringLiteral("--password-file"), passwordFile("")}, {}},
        {"a blank line on standard input", {QStringLiteral("--password-stdin")}, "\n"},
        {"nothing on standard input", {QStringLiteral("--password-stdin")}, {}},
    };
    for (int night = 0; night < 2; ++night) // more nights than one: still nothing counted
        for (const Case& c : cases) {
            const Result r = runCli(report(out) + who + c.source, c.input);
            EXPECT_EQ(r.status, 2) << c.why << "\n" << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(QStringLiteral("password"))) << c.why << "\n" << r.err.toStdString();
        }
    EXPECT_EQ(failedAttempts(data), 0) << "an empty password was tried";
    EXPECT_TRUE(filesIn(out).isEmpty());
}

TEST(RunFaults, ABusyDatabaseHasAStatusOfItsOwnAndCountsNothing)
{
    const QString data = copyOfDemo();
    const QString out = freshDir(QStringLiteral("busy"));
    // Another program holds the write lock of Patient_data for longer than the busy wait.
    QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("busy-holder"));
    holder.setDatabaseName(QDir(data).filePath(QStringLiteral("Patient_data.sqlite")));
    ASSERT_TRUE(holder.open());
    {
        QSqlQuery lock(holder);
        ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));
        const Result r = runCli(report(out) + logIn(data));
        EXPECT_EQ(r.status, 4) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(tarvik::db::busyDatabaseText())) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("refused"))) << r.err.toStdString();
        ASSERT_TRUE(lock.exec(QStringLiteral("ROLLBACK")));
    }
    holder.close();
    holder = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("busy-holder"));
    EXPECT_EQ(failedAttempts(data), 0);
    EXPECT_TRUE(filesIn(out).isEmpty());
}

TEST(RunFaults, ATraceThatCannotBeWrittenFailsTheRun)
{
    const QString out = freshDir(QStringLiteral("trace-full"));
    // /dev/full takes the file's opening and refuses every write, as a full disk does.
    const Result r = runCli(report(out) + QStringList{QStringLiteral("--trace"), QStringLiteral("/dev/full")} + logIn());
    EXPECT_NE(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("The trace file \"/dev/full\" cannot be written: No space left on device")))
        << r.err.toStdString();
}

TEST(RunFaults, AFailedRunStillListsTheFilesItWrote)
{
    const QString out = freshDir(QStringLiteral("half"));
    // The second report's file cannot be put in place: a folder of its name holds something.
    const QString blocked = QDir(out).filePath(QStringLiteral("Daily Summary Of Services 03-09-2026.pdf"));
    ASSERT_TRUE(QDir().mkpath(blocked + QStringLiteral("/keep")));
    const Result r = runCli(QStringList{QStringLiteral("end-of-day"), QStringLiteral("--date"), kDay,
                                        QStringLiteral("--reports"), QStringLiteral("0,1"), QStringLiteral("--pdf"), out}
                            + logIn());
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    const QString first = QDir(out).filePath(QStringLiteral("Daily Summary Of Discharges 03-09-2026.pdf"));
    EXPECT_EQ(r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), QStringList{first}) << r.out.toStdString();
    EXPECT_TRUE(completePdf(first));
    EXPECT_TRUE(r.err.contains(blocked)) << r.err.toStdString();
    EXPECT_EQ(everythingIn(out), QStringList{QFileInfo(first).fileName()}) << "a staged file was left";
}

TEST(RunFaults, AClosedStandardOutputChangesNeitherTheStatusNorTheFiles)
{
    const QString data = copyOfDemo();
    struct Case
    {
        const char* why;
        const char* shell; // runs "$0" "$@" with standard output as the case says
    };
    const std::vector<Case> cases{
        {"closed before the start", R"(exec "$0" "$@" >&-)"},
        {"a reader that went away", R"("$0" "$@" | true; exit "${PIPESTATUS[0]}")"},
    };
    for (const Case& c : cases) {
        const QString out = freshDir(QStringLiteral("stdout"));
        const QString trace = QDir(freshDir(QStringLiteral("trace"))).filePath(QStringLiteral("run.trace"));
        QProcess p;
        p.setProcessEnvironment(cliEnvironment());
        p.start(QStringLiteral("bash"), QStringList{QStringLiteral("-c"), QString::fromUtf8(c.shell), reportsProgram(),
                                                    QStringLiteral("run")}
                                            + report(out) + QStringList{QStringLiteral("--trace"), trace} + logIn(data));
        ASSERT_TRUE(p.waitForFinished(600000)) << c.why;
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << c.why;
        EXPECT_EQ(p.exitCode(), 0) << c.why << "\n" << p.readAllStandardError().toStdString();
        const QString pdf = QDir(out).filePath(QStringLiteral("Daily Admission Logbook 03-09-2026.pdf"));
        EXPECT_TRUE(completePdf(pdf)) << c.why;
        // What was meant for standard output went nowhere else: not into the trace, not into a database.
        QFile t(trace);
        ASSERT_TRUE(t.open(QIODevice::ReadOnly)) << c.why;
        EXPECT_FALSE(t.readAll().contains(QFile::encodeName(pdf))) << c.why;
        EXPECT_EQ(queryRow(data, QStringLiteral("PRAGMA Patient_data.integrity_check")).value(0).toString(),
                  QStringLiteral("ok"))
            << c.why;
    }
}

// A run stopped at a moment: its status and what it left.
struct Stopped
{
    int status = -1;
    QString out, err;
};

// Whether the process catches signo (its handler is installed): the caught-signals mask of
// /proc/PID/status. Before that, no program can answer a signal: the loader is still at work.
bool catches(qint64 pid, int signo)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signo - 1)) & 1U;
    return false;
}

// Runs args and sends the signals once `afterReports` progress lines have come (0: a moment
// after the start, during the log-in, and never before the program handles them; -1: never).
Stopped runAndSignal(const QStringList& args, const QList<int>& toSend, int afterReports)
{
    QProcess p;
    p.setProcessEnvironment(cliEnvironment());
    p.start(reportsProgram(), QStringList{QStringLiteral("run")} + args);
    p.waitForStarted(30000);
    QByteArray progress;
    if (afterReports == 0) {
        p.waitForFinished(200);
        // On a loaded machine the loader alone may take longer than the moment above.
        for (int i = 0; i < 3000 && p.state() == QProcess::Running && !catches(p.processId(), toSend.first()); ++i)
            QThread::msleep(10);
    }
    if (afterReports >= 0) {
        p.setReadChannel(QProcess::StandardError);
        while (progress.count("... done") < afterReports && p.state() == QProcess::Running)
            if (p.waitForReadyRead(1000))
                progress += p.readAll();
        if (p.state() == QProcess::Running)
            for (int signo : toSend) {
                ::kill(pid_t(p.processId()), signo);
                QThread::msleep(20);
            }
    }
    p.waitForFinished(600000);
    Stopped s;
    s.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    s.out = QString::fromUtf8(p.readAllStandardOutput());
    s.err = QString::fromUtf8(progress + p.readAllStandardError());
    return s;
}

TEST(RunFaults, ASignalAtAnyMomentStopsCleanly)
{
    const QString data = copyOfDemo();
    const QString whole = freshDir(QStringLiteral("whole"));
    const Stopped full = runAndSignal(batch(whole) + logIn(data), {}, -1);
    ASSERT_EQ(full.status, 0) << full.err.toStdString();
    const QStringList allFiles = filesIn(whole);
    ASSERT_EQ(allFiles.size(), 13);

    struct Moment
    {
        const char* why;
        QList<int> toSend;
        int afterReports; // the batch's thirteen reports: how many are done when the signal comes
    };
    const std::vector<Moment> moments{
        {"SIGTERM at the log-in", {SIGTERM}, 0},
        {"SIGTERM after the first report", {SIGTERM}, 1},
        {"SIGINT half way", {SIGINT}, 6},
        {"SIGHUP near the end", {SIGHUP}, 11},
        {"SIGTERM twice", {SIGTERM, SIGTERM}, 4},
    };
    for (const Moment& m : moments) {
        const QString out = freshDir(QStringLiteral("signal"));
        const Stopped s = runAndSignal(batch(out) + logIn(data), m.toSend, m.afterReports);
        EXPECT_EQ(s.status, 128 + m.toSend.first()) << m.why << "\n" << s.err.toStdString();
        EXPECT_TRUE(s.err.contains(QStringLiteral("stopped"))) << m.why << "\n" << s.err.toStdString();
        // Only whole files, each listed on standard output; no staged file left behind.
        const QStringList files = filesIn(out);
        EXPECT_EQ(everythingIn(out), files) << m.why << ": a temporary file was left";
        EXPECT_GE(files.size(), m.afterReports) << m.why << ": a finished report was lost";
        EXPECT_LT(files.size(), allFiles.size()) << m.why << ": the run was not stopped";
        QStringList listed;
        for (const QString& path : s.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            listed << QFileInfo(path).fileName();
        listed.sort();
        if (m.toSend.size() == 1) { // the second of two signals ends the run before its listing
            EXPECT_EQ(listed, files) << m.why;
        }
        for (const QString& f : files) {
            EXPECT_TRUE(allFiles.contains(f)) << m.why << ": " << f.toStdString();
            EXPECT_TRUE(completePdf(QDir(out).filePath(f))) << m.why << ": " << f.toStdString() << " is not whole";
        }
    }
    for (const char* db : {"Patient_data", "Reports", "BILLING"})
        EXPECT_EQ(queryRow(data, QStringLiteral("PRAGMA %1.integrity_check").arg(QLatin1String(db))).value(0).toString(),
                  QStringLiteral("ok"))
            << db;
    // The data is as a run that was never stopped leaves it: the batch runs again to the same files.
    const QString again = freshDir(QStringLiteral("again"));
    const Stopped rerun = runAndSignal(batch(again) + logIn(data), {}, -1);
    EXPECT_EQ(rerun.status, 0) << rerun.err.toStdString();
    EXPECT_EQ(filesIn(again), allFiles);
}

TEST(RunFaults, ALaterRunRemovesWhatAKilledRunLeft)
{
    const QString out = freshDir(QStringLiteral("stale"));
    const QString stale = QDir(out).filePath(QStringLiteral(".Daily Admission Logbook 03-09-2026.pdf.0badf00d.part"));
    {
        QFile f(stale);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("%PDF-1.4 half a report");
    }
    const time_t hourAgo = ::time(nullptr) - 3600;
    const utimbuf times{hourAgo, hourAgo};
    ASSERT_EQ(::utime(QFile::encodeName(stale).constData(), &times), 0);
    const Result r = runCli(report(out) + logIn());
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("removed 1 unfinished file(s) of an earlier run"))) << r.err.toStdString();
    EXPECT_EQ(everythingIn(out), QStringList{QStringLiteral("Daily Admission Logbook 03-09-2026.pdf")});
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
