#pragma once

// `tarvik-reports run` as a process, on a small demo hospital generated once per test program
// (the helpers of test_run_process.cpp, for the test programs that come after it).

#include <QByteArray>
#include <QFile>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace clitest {

// The server's clock of every run: the demo data ends on this day.
inline constexpr const char* kClock = "2026-03-15 14:05:00";

struct Result
{
    int status = -1; // -1: the process did not end normally
    QString out;
    QString err;
};

QTemporaryDir& workDir();
// The demo hospital of this test program (read only: tests that change it take a copy).
QString demoFolder();
QString copyOfDemo();
// The demo user's password in a file only its owner may read.
QString passwordFile(const QByteArray& password = "demo",
                     QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner);
// A fresh empty folder for one test's output.
QString freshDir(const QString& name);
// The usual log-in and data options.
QStringList logIn(const QString& data = demoFolder());

QString reportsProgram();
// What every run gets: the fixed clock, no display.
QProcessEnvironment cliEnvironment();
Result runCli(const QStringList& args, const QByteArray& input = {});
// tarvik-reports with these arguments, the subcommand first.
Result runProgram(const QStringList& args, const QByteArray& input = {});

// The files of a folder (not the hidden ones), by name.
QStringList filesIn(const QString& dir);

} // namespace clitest
