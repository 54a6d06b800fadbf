#pragma once

// Reading PDFs back as text, and finding the pages CUPS-PDF wrote for a print job.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace tarvik::testsupport {

// pdftotext -layout of a PDF (UTF-8), pages separated by form feeds. When pdftotext fails or
// hangs it gives an empty text and, if asked, why.
QString pdfText(const QString& pdf, QString* error = nullptr);

// One line of pdfinfo's account of a PDF ("Title", "Page size"), without its key; empty when
// pdfinfo fails or has no such line.
QString pdfInfo(const QString& pdf, const QString& key);

// The folder CUPS-PDF writes printed jobs to: $TARVIK_CUPS_PDF_OUT, else the "Out" line of
// /etc/cups/cups-pdf.conf, else the driver's default.
QString cupsPdfOutputDir();

// One job as the CUPS scheduler reports it (IPP Get-Jobs through ipptool).
struct PrintJob
{
    int id = 0;
    QString state;      // pending, pending-held, processing, processing-stopped, canceled, aborted, completed
    qint64 created = 0; // seconds since the epoch
    QString printer;    // the queue's name
    QString reasons;    // job-state-reasons
    QString message;    // the printer's message about the job
    QString name;

    // Canceled, aborted and completed jobs are over: CUPS-PDF has written whatever it will write.
    bool finished() const;
    QString describe() const; // job 12 "ops - Departments Listing" on TarvikPDF: completed (...)
};

// Every job CUPS knows that was created at or after `since`, oldest first. An empty list and the
// reason when the scheduler cannot be asked.
QList<PrintJob> printJobsSince(const QDateTime& since, QString* error = nullptr);

// How long the waits below go on before they give up: generous, because under load the queue is
// slow and shared with every other test that prints. $TARVIK_PRINT_WAIT_SECONDS overrides it.
int printWaitSeconds();

// The complete PDF that CUPS-PDF wrote since `started` with `marker` in its text, or empty when
// none came within printWaitSeconds(). The PDFs are read when a print job created since `started`
// has finished as CUPS reports it (or none is pending), so a file is never taken half-written.
// `waitedFor`, when given, says what the wait saw: the marker, each job since `started` with its
// state, the PDFs it read and why they were not taken, and the queues' state on failure.
QString waitForPrintedPdf(const QString& marker, const QDateTime& started, QString* waitedFor = nullptr);

// The same for a run that prints `count` reports, each holding `marker`: the first `count` such
// PDFs (fewer when the time ran out).
QStringList waitForPrintedPdfs(const QString& marker, const QDateTime& started, int count,
                               QString* waitedFor = nullptr);

} // namespace tarvik::testsupport
