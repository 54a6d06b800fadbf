#include "PrintedPdf.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <chrono>

namespace tarvik::testsupport {

namespace {

constexpr int kRoundMs = 500;
constexpr int kDefaultWaitSeconds = 240;

// Waits while the application goes on working: a viewer prints once its layout has finished,
// which it learns from events, so a plain sleep would hold the print back until the test gave up.
void pause(int ms)
{
    if (!QCoreApplication::instance()) {
        QThread::msleep(ms);
        return;
    }
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

QStringList pdfsSince(const QDateTime& started)
{
    QStringList out;
    QDirIterator it(cupsPdfOutputDir(), {QStringLiteral("*.pdf")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString f = it.next();
        if (QFileInfo(f).lastModified() >= started)
            out << f;
    }
    out.sort();
    return out;
}

// A PDF ends with its trailer; a file still being written does not have one yet.
bool hasTrailer(const QString& pdf)
{
    QFile f(pdf);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = f.size();
    f.seek(std::max<qint64>(0, size - 1024));
    return f.readAll().contains("%%EOF");
}

// One line of ipptool's CSV: fields split at commas outside double quotes; inside them a
// backslash keeps the next character.
QStringList csvFields(const QString& line)
{
    QStringList out;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted && c == u'\\' && i + 1 < line.size())
            field += line[++i];
        else if (c == u'"')
            quoted = !quoted;
        else if (c == u',' && !quoted) {
            out << field;
            field.clear();
        } else
            field += c;
    }
    out << field;
    return out;
}

// The queues' own account (stopped, disabled, their message), for a wait that gave up.
QString queueStates()
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("lpstat"), {QStringLiteral("-p"), QStringLiteral("-d")});
    if (!p.waitForFinished(20000))
        return QStringLiteral("lpstat did not answer: ") + p.errorString();
    return QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

} // namespace

QString pdfText(const QString& pdf, QString* error)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
            {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error)
            *error = QStringLiteral("pdftotext failed on %1: %2")
                         .arg(pdf, QString::fromUtf8(p.readAllStandardError()) + p.errorString());
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfInfo(const QString& pdf, const QString& key)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (line.startsWith(key + QLatin1Char(':')))
            return line.mid(key.size() + 1).trimmed();
    return {};
}

QString cupsPdfOutputDir()
{
    if (!qEnvironmentVariableIsEmpty("TARVIK_CUPS_PDF_OUT"))
        return qEnvironmentVariable("TARVIK_CUPS_PDF_OUT");
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly)) {
        for (const QByteArray& raw : conf.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw).trimmed();
            if (line.startsWith(QStringLiteral("Out ")))
                return line.mid(4).trimmed().replace(QStringLiteral("${HOME}"), QDir::homePath())
                    .replace(QStringLiteral("${USER}"), QStringLiteral("ANONYMOUS"));
        }
    }
    return QStringLiteral("/var/spool/cups-pdf/ANONYMOUS");
}

bool PrintJob::finished() const
{
    return state == QLatin1String("completed") || state == QLatin1String("aborted")
        || state == QLatin1String("canceled");
}

QString PrintJob::describe() const
{
    QString out = QStringLiteral("job %1 \"%2\" on %3, created %4: %5")
                      .arg(id)
                      .arg(name, printer, QDateTime::fromSecsSinceEpoch(created).toString(QStringLiteral("HH:mm:ss")), state);
    if (!reasons.isEmpty())
        out += QStringLiteral(" (%1)").arg(reasons);
    if (!message.isEmpty())
        out += QStringLiteral(", \"%1\"").arg(message);
    return out;
}

QList<PrintJob> printJobsSince(const QDateTime& since, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return QList<PrintJob>();
    };
    if (error)
        error->clear();
    const QString ipptool = QStandardPaths::findExecutable(QStringLiteral("ipptool"));
    if (ipptool.isEmpty())
        return fail(QStringLiteral("ipptool is not installed (Debian package cups-ipp-utils)"));
    QProcess p;
    // All queues: a test may print on another printer than the default one.
    p.start(ipptool, {QStringLiteral("-c"), QStringLiteral("-T"), QStringLiteral("30"), QStringLiteral("ipp://localhost/"),
                      QStringLiteral(TARVIK_PRINT_JOBS_REQUEST)});
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(5000);
        return fail(QStringLiteral("ipptool did not answer within a minute"));
    }
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return fail(QStringLiteral("ipptool could not list the jobs of the CUPS scheduler on localhost: %1")
                        .arg((QString::fromUtf8(p.readAllStandardError()) + out).trimmed()));
    QList<PrintJob> jobs;
    const qint64 from = since.toSecsSinceEpoch();
    const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i) { // the first line names the columns
        const QStringList f = csvFields(lines[i].trimmed());
        if (f.size() < 7)
            continue;
        PrintJob job;
        job.id = f[0].toInt();
        job.state = f[1];
        job.created = f[2].toLongLong();
        job.printer = f[3].section(u'/', -1);
        job.reasons = f[4];
        job.message = f[5];
        job.name = f.mid(6).join(u','); // a name with a comma the quoting missed
        if (job.id > 0 && job.created >= from)
            jobs << job;
    }
    std::sort(jobs.begin(), jobs.end(), [](const PrintJob& a, const PrintJob& b) { return a.id < b.id; });
    return jobs;
}

int printWaitSeconds()
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("TARVIK_PRINT_WAIT_SECONDS", &ok);
    return ok && seconds > 0 ? seconds : kDefaultWaitSeconds;
}

QStringList waitForPrintedPdfs(const QString& marker, const QDateTime& started, int count, QString* waitedFor)
{
    const QDeadlineTimer deadline{std::chrono::seconds(printWaitSeconds())};
    QStringList found;
    QMap<QString, QString> notTaken; // PDF -> why it was not taken
    QSet<QString> readWithout; // complete PDFs (path, size, time) already read without the marker
    QList<PrintJob> jobs;
    QString cupsError;
    qsizetype finishedBefore = -1;
    for (;;) {
        QString error;
        const QList<PrintJob> now = printJobsSince(started, &error);
        if (error.isEmpty())
            jobs = now;
        cupsError = error;
        const qsizetype finished = std::count_if(jobs.begin(), jobs.end(), [](const PrintJob& j) { return j.finished(); });
        const bool pending = finished < jobs.size();
        // Read the PDFs once CUPS says a job is over, or has nothing in hand; never on a guess.
        if (error.isEmpty() && (!pending || finished > finishedBefore)) {
            finishedBefore = finished;
            for (const QString& f : pdfsSince(started)) {
                if (found.contains(f))
                    continue;
                const QFileInfo info(f);
                const QString key = QStringLiteral("%1|%2|%3").arg(f).arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch());
                if (readWithout.contains(key))
                    continue;
                if (!hasTrailer(f)) {
                    notTaken[f] = QStringLiteral("still being written (no trailer)");
                    continue;
                }
                QString unreadable;
                if (pdfText(f, &unreadable).contains(marker)) {
                    found << f;
                    notTaken.remove(f);
                } else {
                    notTaken[f] = unreadable.isEmpty() ? QStringLiteral("without the marker") : unreadable;
                    readWithout.insert(key);
                }
            }
        }
        if (found.size() >= count || deadline.hasExpired())
            break;
        pause(kRoundMs);
    }

    if (waitedFor) {
        QStringList lines;
        lines << QStringLiteral("waited up to %1 s for %2 PDF(s) holding \"%3\" printed since %4 into %5; found %6")
                     .arg(printWaitSeconds())
                     .arg(count)
                     .arg(marker, started.toString(QStringLiteral("HH:mm:ss")), cupsPdfOutputDir())
                     .arg(found.isEmpty() ? QStringLiteral("none") : found.join(QStringLiteral(", ")));
        lines << (jobs.isEmpty() ? QStringLiteral("CUPS listed no job since then")
                                 : QStringLiteral("CUPS jobs since then:"));
        for (const PrintJob& j : jobs)
            lines << QStringLiteral("  ") + j.describe();
        if (!cupsError.isEmpty())
            lines << QStringLiteral("the last question to CUPS failed: ") + cupsError;
        for (auto it = notTaken.cbegin(); it != notTaken.cend(); ++it)
            lines << QStringLiteral("  not taken: %1: %2").arg(it.key(), it.value());
        if (found.size() < count)
            lines << QStringLiteral("queues:\n") + queueStates();
        *waitedFor = lines.join(u'\n');
    }
    return found.mid(0, count);
}

QString waitForPrintedPdf(const QString& marker, const QDateTime& started, QString* waitedFor)
{
    return waitForPrintedPdfs(marker, started, 1, waitedFor).value(0);
}

} // namespace tarvik::testsupport
