// Every program and benchmark of this build as a process: --help and --version answer and do
// nothing else, unknown options and bad numbers are refused with status 2 before any work.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <ostream>

namespace {

const std::map<QString, QString>& toolPaths()
{
    static const std::map<QString, QString> paths = {TARVIK_TOOL_PATHS};
    return paths;
}

struct ToolRun
{
    int status = -1;
    QString out;
    QString err;
};

ToolRun runTool(const QString& tool, const QStringList& args, const QString& folder)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(toolPaths().at(tool), args);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

struct Row
{
    QString tool;
    QStringList args;
    int status;
    QString out; // the start of standard output
    QString err; // part of standard error
};

void PrintTo(const Row& row, std::ostream* os)
{
    *os << (row.tool + u' ' + row.args.join(u' ')).toStdString();
}

class ToolCommandLine : public ::testing::TestWithParam<Row>
{
};

TEST_P(ToolCommandLine, AnswersOrRefusesBeforeAnyWork)
{
    const Row& row = GetParam();
    const QString path = toolPaths().at(row.tool);
    if (path.isEmpty())
        GTEST_SKIP() << row.tool.toStdString() << " is not part of this build";
    ASSERT_TRUE(QFileInfo(path).isExecutable()) << path.toStdString();
    QTemporaryDir folder;
    const ToolRun r = runTool(row.tool, row.args, folder.path());
    const std::string what = (row.tool + u' ' + row.args.join(u' ')).toStdString();
    EXPECT_EQ(r.status, row.status) << what << "\nout: " << r.out.toStdString() << "\nerr: " << r.err.toStdString();
    EXPECT_TRUE(row.out.isEmpty() || r.out.startsWith(row.out)) << what << "\nout: " << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(row.err)) << what << "\nerr: " << r.err.toStdString();
    if (row.status != 0) {
        EXPECT_TRUE(r.out.isEmpty()) << what << ": a refusal does no work\n" << r.out.toStdString();
    }
    // Nothing was written where it ran (a benchmark or generator that started would leave files).
    EXPECT_TRUE(QDir(folder.path()).isEmpty()) << what;
}

// Each program's help names each of its options.
const std::map<const char*, QStringList> kOptions = {
    {"tarvik-reports", {"--help-all", "--help", "--version", "run"}},
    {"tarvik-sql", {"--data DIR", "--odbc CONNECTION", "--timeout SECONDS"}},
    {"tarvik-render", {"--data DIR", "--param NAME=VALUE", "--title TEXT", "--pdf OUT", "--xls OUT", "--xlsx OUT",
                       "--csv OUT", "--print"}},
    {"tarvik-demo-db", {"--out DIR", "--scale S", "--seed N", "--to MM/DD/YYYY", "--months M", "--force",
                        "--no-month-end"}},
    {"tarvik-users", {"--data-folder DIR", "--odbc CONNECTION", "--full-name TEXT", "--modules", "add NAME",
                      "set-password NAME", "unlock NAME", "list"}},
    {"bench_engine", {"ROWS"}},
    {"bench_export", {"--dir FOLDER", "ROWS"}},
    {"bench_hospital_db", {"--scale S", "--months M", "--to MM/DD/YYYY", "--data DIR"}},
    {"bench_monthly", {"--data DIR", "--month MM/YYYY", "--user NAME", "--password-file FILE"}},
    {"bench_charts", {"--pages N"}},
    {"bench_run_history", {"--rows N"}},
    {"bench_period", {"--data DIR", "--from MM/DD/YYYY", "--to MM/DD/YYYY", "--month MM/YYYY", "--user NAME",
                      "--password-file FILE"}},
};

std::vector<Row> rows()
{
    std::vector<Row> all;
    for (const auto& [tool, options] : kOptions) {
        const QString name = QString::fromUtf8(tool);
        all.push_back({name, {"--help"}, 0, "Usage: " + name + u' ', ""});
        all.push_back({name, {"--version"}, 0, name + " (Tarvik Reports) ", ""});
        all.push_back({name, {"--no-such-option"}, 2, "", "no-such-option"});
    }
    const std::vector<Row> refusals = {
        // Bad numbers, each to the option that takes it.
        {"tarvik-sql", {"--data", ".", "--timeout", "soon", "select 1"}, 2, "", "--timeout"},
        {"tarvik-demo-db", {"--out", "demo", "--scale", "0"}, 2, "", "--scale"},
        {"tarvik-demo-db", {"--out", "demo", "--months", "two"}, 2, "", "--months"},
        {"tarvik-demo-db", {"--out", "demo", "--seed", "-1"}, 2, "", "--seed"},
        {"bench_export", {"20000x"}, 2, "", "ROWS"},
        {"bench_export", {"0"}, 2, "", "ROWS"},
        {"bench_engine", {"many"}, 2, "", "ROWS"},
        {"bench_hospital_db", {"--months", "0"}, 2, "", "--months"},
        {"bench_hospital_db", {"--scale", "big"}, 2, "", "--scale"},
        {"bench_monthly", {"--data", ".", "--month", "13/2026"}, 2, "", "--month"},
        {"bench_monthly", {"--month", "11/2026"}, 2, "", "--data"},
        {"bench_charts", {"--pages", "0"}, 2, "", "--pages"},
        {"bench_charts", {"--pages", "many"}, 2, "", "--pages"},
        {"bench_run_history", {"--rows", "0"}, 2, "", "--rows"},
        {"bench_period", {"--data", ".", "--from", "2026-01-01"}, 2, "", "--from"},
        {"bench_period", {"--data", ".", "--from", "03/01/2026", "--to", "02/01/2026"}, 2, "", "--from is after --to"},
        {"bench_period", {"--to", "11/30/2026"}, 2, "", "--data"},
        // Arguments that fit no use.
        {"tarvik-users", {"frobnicate"}, 2, "", "unknown command"},
        {"tarvik-users", {"list", "--full-name", "X"}, 2, "", "for add"},
        {"tarvik-users", {"add", "ana", "--password", "x"}, 2, "", "never taken from the command line"},
        {"tarvik-reports", {"frobnicate"}, 2, "", "unknown command"},
        {"tarvik-render", {}, 2, "", "one report file"},
        {"tarvik-sql", {"select 1"}, 2, "", "--data"},
    };
    all.insert(all.end(), refusals.begin(), refusals.end());
    return all;
}

INSTANTIATE_TEST_SUITE_P(EveryTool, ToolCommandLine, ::testing::ValuesIn(rows()));

TEST(ToolHelp, NamesEveryOption)
{
    for (const auto& [tool, options] : kOptions) {
        const QString path = toolPaths().at(QString::fromUtf8(tool));
        if (path.isEmpty())
            continue;
        QTemporaryDir folder;
        const ToolRun r = runTool(QString::fromUtf8(tool), {"--help"}, folder.path());
        ASSERT_EQ(r.status, 0) << tool;
        for (const QString& option : options)
            EXPECT_TRUE(r.out.contains("  " + option)) << tool << " lacks " << option.toStdString() << "\n"
                                                       << r.out.toStdString();
    }
}

TEST(ToolHelp, TheProgramsHelpAllTakesInEachCommandsOwn)
{
    const QString path = toolPaths().at("tarvik-reports");
    if (path.isEmpty())
        GTEST_SKIP();
    QTemporaryDir folder;
    const ToolRun all = runTool("tarvik-reports", {"--help-all"}, folder.path());
    const ToolRun run = runTool("tarvik-reports", {"run", "--help"}, folder.path());
    ASSERT_EQ(all.status, 0) << all.err.toStdString();
    ASSERT_EQ(run.status, 0);
    EXPECT_TRUE(all.out.contains("\nThe run command:\n" + run.out)) << all.out.toStdString();
}

} // namespace
