#pragma once

// Reading PDFs back as text, and finding the pages CUPS-PDF wrote for a print job.

#include <QDateTime>
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

// The PDF that CUPS-PDF wrote since `started` with `marker` in its text, or empty after a
// minute. CUPS-PDF writes the file a little after the job is queued.
QString waitForPrintedPdf(const QString& marker, const QDateTime& started);

// The PDFs CUPS-PDF wrote since `started`, once there are `count` of them or a minute passed.
QStringList waitForPrintedPdfs(const QDateTime& started, int count);

} // namespace tarvik::testsupport
