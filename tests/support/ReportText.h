#pragma once

// Report definitions opened as the program opens them, laid out to PDF and read back as text,
// so tests can compare the figures a report prints with figures of their own.

#include "Report.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

namespace tarvik::testsupport {

// Opens the definition file as the program does: the report-level text `title`, every table
// retargeted to `database` (the first part of its location) and logged on to the data folder,
// then the values in parameter order.
tarvik::engine::ReportPtr openReportLikeProgram(const QString& file, const QString& dataFolder, const QString& title,
                                                const QString& database, const QVariantList& values);
// The same for a subreport of an open report.
void openSubreportLikeProgram(tarvik::engine::Report& report, const QString& dataFolder, const QString& name,
                              const QString& database, const QVariantList& values);

// Writes the report as a PDF and gives its text (pdftotext -layout); throws when the text
// cannot be read. `pages` receives the page count.
QString renderText(const tarvik::engine::ReportPtr& report, int* pages = nullptr);

// The numbers on the first (or n-th) line of text that contains `label`, after the label, as
// printed: "1,234.56", "(12.00)", "17". Empty when no line has the label.
QStringList numbersOnLine(const QString& text, const QString& label, int occurrence = 0);

// Cents as the reports print money: "#,##0.00", negatives in parentheses when `parens`.
QString money(qint64 cents, bool parens = false);

} // namespace tarvik::testsupport
