#include "RunProcess.h"

#include "HospitalDb.h"

#include <QDir>
#include <QProcess>
#include <QUuid>
#include <stdexcept>

namespace clitest {

QTemporaryDir& workDir()
{
    static QTemporaryDir dir;
    return dir;
}

QString demoFolder()
{
    static QString folder;
    if (folder.isEmpty()) {
        folder = workDir().filePath(QStringLiteral("demo"));
        QDir().mkpath(folder);
        tarvik::hospitaldb::GeneratorOptions options;
        options.scale = 0.05;
        options.months = 2;
        options.seed = 3;
        options.to = QDate(2026, 3, 15);
        options.monthEnd = false;
        tarvik::hospitaldb::generateDemoData(folder, options);
    }
    return folder;
}

QString passwordFile(const QByteArray& password, QFile::Permissions mode)
{
    const QString path = workDir().filePath(QStringLiteral("pw-") + QUuid::createUuid().toString(QUuid::WithoutBraces));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write the password file");
    f.write(password + "\n");
    f.close();
    f.setPermissions(mode);
    return path;
}

QString freshDir(const QString& name)
{
    const QString path = workDir().filePath(name + QLatin1Char('-') + QUuid::createUuid().toString(QUuid::WithoutBraces));
    QDir().mkpath(path);
    return path;
}

QString reportsProgram() { return QStringLiteral(TARVIK_REPORTS_EXE); }

QProcessEnvironment cliEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TARVIK_CLOCK"), QString::fromLatin1(kClock));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the command must manage without it
    return env;
}

Result runCli(const QStringList& args, const QByteArray& input)
{
    return runProgram(QStringList{QStringLiteral("run")} + args, input);
}

Result runProgram(const QStringList& args, const QByteArray& input)
{
    QProcess p;
    p.setProcessEnvironment(cliEnvironment());
    p.start(reportsProgram(), args);
    if (!p.waitForStarted(30000))
        return {};
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(600000);
    Result r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QStringList logIn(const QString& data)
{
    return {QStringLiteral("--user"), QStringLiteral("demo"), QStringLiteral("--password-file"), passwordFile(),
            QStringLiteral("--data"), data};
}

QString copyOfDemo()
{
    const QString to = freshDir(QStringLiteral("data"));
    for (const QString& f : QDir(demoFolder()).entryList({QStringLiteral("*.sqlite")}, QDir::Files))
        if (!QFile::copy(QDir(demoFolder()).filePath(f), QDir(to).filePath(f)))
            throw std::runtime_error("cannot copy the demo data");
    return to;
}

QStringList filesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files, QDir::Name);
}

} // namespace clitest
