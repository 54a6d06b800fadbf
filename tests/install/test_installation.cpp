// Where the program finds its own files, and this build installed into a throw-away prefix (with
// a blank in its path) and run from there: the installed generator makes a small demo hospital,
// the installed program runs part of the end-of-day batch from it and must take its report
// definitions from the installation, not from the build folder.

#include "Session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

bool makeFile(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly);
}

TEST(ProgramFile, BesideTheProgramElseWhereAnInstallationPutsIt)
{
    struct Row
    {
        const char* why;
        QStringList present; // relative to the top of the tree; the program is in bin/
        const char* name;
        const char* expected;
    };
    const Row rows[] = {
        {"a build folder: beside the program", {"bin/REPORTS/A.rpt"}, "REPORTS", "bin/REPORTS"},
        {"installed: share/tarvik-reports beside bin", {"share/tarvik-reports/REPORTS/A.rpt"}, "REPORTS",
         "share/tarvik-reports/REPORTS"},
        {"a picture, installed", {"share/tarvik-reports/Reports.Jpg"}, "Reports.Jpg", "share/tarvik-reports/Reports.Jpg"},
        {"both: the one beside the program", {"bin/FileCopy.gif", "share/tarvik-reports/FileCopy.gif"}, "FileCopy.gif",
         "bin/FileCopy.gif"},
        {"neither: the path beside the program, for the message", {}, "REPORTS", "bin/REPORTS"},
        {"another program's share folder is not ours", {"share/other/REPORTS/A.rpt"}, "REPORTS", "bin/REPORTS"},
    };
    for (const Row& row : rows) {
        QTemporaryDir top;
        QDir().mkpath(top.filePath("bin"));
        for (const QString& p : row.present)
            ASSERT_TRUE(makeFile(top.filePath(p)));
        EXPECT_EQ(tarvik::programFile(row.name, top.filePath("bin")), top.filePath(row.expected)) << row.why;
    }
}

struct ToolRun
{
    int status = -1;
    QString out;
    QString err;
};

ToolRun run(const QString& program, const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
        int seconds = 300)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.closeWriteChannel();
    if (!p.waitForFinished(seconds * 1000)) {
        p.kill();
        p.waitForFinished();
        return {-1, {}, QStringLiteral("timed out")};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QString readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QStringList fileNames(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

TEST(Installation, AnInstalledTreeHoldsEverythingAndRunsFromItsPrefix)
{
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString prefix = work.filePath("opt tarvik");
    const ToolRun installed = run(TARVIK_CMAKE, {"--install", TARVIK_BUILD_DIR, "--prefix", prefix});
    ASSERT_EQ(installed.status, 0) << installed.out.toStdString() << installed.err.toStdString();

    const QString bin = prefix + "/" TARVIK_INSTALL_BINDIR;
    const QString share = prefix + "/" TARVIK_INSTALL_DATADIR;
    const QString data = share + "/tarvik-reports";
    for (const char* tool : {"tarvik-reports", "tarvik-sql", "tarvik-render", "tarvik-demo-db", "tarvik-users"}) {
        EXPECT_TRUE(QFileInfo(bin + "/" + tool).isExecutable()) << tool;
        if (TARVIK_WITH_MAN_PAGES) {
            EXPECT_TRUE(QFileInfo::exists(prefix + "/" TARVIK_INSTALL_MANDIR "/man1/" + tool + ".1.gz")) << tool;
        }
    }
    EXPECT_FALSE(QFileInfo::exists(bin + "/REPORTS")) << "the definitions belong in the data folder";
    EXPECT_EQ(fileNames(data + "/REPORTS"), fileNames(TARVIK_SOURCE_REPORTS)) << "every definition, and only those";
    EXPECT_FALSE(fileNames(data + "/REPORTS").isEmpty());
    for (const char* asset : {"Reports.Jpg", "FileCopy.gif"})
        EXPECT_TRUE(QFileInfo::exists(data + "/" + asset)) << asset;
    for (const char* size : {"16x16", "22x22", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"})
        EXPECT_TRUE(QFileInfo::exists(share + "/icons/hicolor/" + size + "/apps/tarvik-reports.png")) << size;
    EXPECT_TRUE(QFileInfo::exists(share + "/icons/hicolor/scalable/apps/tarvik-reports.svg"));
    EXPECT_TRUE(QFileInfo::exists(share + "/doc/tarvik-reports/README.md"));

    // The desktop entry and the service start the installed program; the blank in the prefix
    // is quoted, as both formats want it.
    const QString program = bin + "/tarvik-reports";
    const QString desktop = share + "/applications/tarvik-reports.desktop";
    const QString entry = readAll(desktop);
    EXPECT_TRUE(entry.contains("\nExec=\"" + program + "\"\n")) << entry.toStdString();
    EXPECT_TRUE(entry.contains("\nTryExec=" + program + "\n")) << entry.toStdString();
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    ASSERT_FALSE(validator.isEmpty()) << "desktop-file-validate (desktop-file-utils) is needed";
    const ToolRun valid = run(validator, {desktop});
    EXPECT_EQ(valid.status, 0) << valid.out.toStdString() << valid.err.toStdString();
    EXPECT_TRUE((valid.out + valid.err).trimmed().isEmpty()) << "no warnings either: " << valid.out.toStdString();
    const QString service = readAll(prefix + "/lib/systemd/system/tarvik-eod.service");
    EXPECT_TRUE(service.contains("\nExecStart=\"" + program + "\" run end-of-day ")) << service.toStdString();
    EXPECT_TRUE(readAll(prefix + "/lib/systemd/system/tarvik-eod.timer").contains("OnCalendar=*-*-* 00:30:00"));

    // A small hospital from the installed generator, then two reports of the end-of-day batch.
    const QString demo = work.filePath("demo");
    const ToolRun generated = run(bin + "/tarvik-demo-db", {"--out", demo, "--scale", "0.05", "--months", "2", "--to",
                                                        "03/15/2026", "--seed", "3", "--no-month-end"});
    ASSERT_EQ(generated.status, 0) << generated.err.toStdString();
    const QString password = work.filePath("demo.pw");
    {
        QFile f(password);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("demo\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TARVIK_CLOCK", "2026-03-15 14:05:00");
    const QString out = work.filePath("reports");
    QDir().mkpath(out);
    const QString trace = work.filePath("eod.trace");
    const ToolRun eod = run(program, {"run", "end-of-day", "--date", "03/09/2026", "--reports", "0,1", "--data", demo, "--user",
                                  "demo", "--password-file", password, "--pdf", out, "--trace", trace},
                        env);
    ASSERT_EQ(eod.status, 0) << eod.err.toStdString();
    EXPECT_EQ(fileNames(out).size(), 2) << fileNames(out).join(", ").toStdString();

    const QStringList reportLines = readAll(trace).split(u'\n').filter(QRegularExpression("^-- report: "));
    ASSERT_EQ(reportLines.size(), 2) << readAll(trace).toStdString();
    for (const QString& line : reportLines)
        EXPECT_TRUE(line.startsWith("-- report: " + data + "/REPORTS/")) << line.toStdString();
}

} // namespace
