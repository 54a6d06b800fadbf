#include "PrintedPdf.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace tarvik::testsupport {

namespace {

constexpr int kRounds = 120;
constexpr int kRoundMs = 500;

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
    return out;
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

QString waitForPrintedPdf(const QString& marker, const QDateTime& started)
{
    for (int i = 0; i < kRounds; ++i) {
        pause(kRoundMs);
        // A file CUPS-PDF is still writing reads as nothing; the next round reads it whole.
        for (const QString& f : pdfsSince(started))
            if (pdfText(f).contains(marker))
                return f;
    }
    return {};
}

QStringList waitForPrintedPdfs(const QDateTime& started, int count)
{
    QStringList found;
    for (int i = 0; i < kRounds && found.size() < count; ++i) {
        pause(kRoundMs);
        found = pdfsSince(started);
    }
    return found;
}

} // namespace tarvik::testsupport
