#pragma once

#include "Report.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace enginetest {

// A data folder with the three databases: Patient_data.tbCollection holds `rows` generated
// transactions over seven accounts in January 2026, Reports.tbCashier two cashiers.
QString makeDataFolder(const QTemporaryDir& dir, int rows);
// Runs one SQL statement against a data folder and returns the first column of each row.
QStringList queryColumn(const QString& folder, const QString& sql);

QString dataFile(const QString& name);           // tests/engine/data/<name>
QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text);

// The example report, logged on to the folder with the January period set.
tarvik::engine::ReportPtr openCollections(const QString& folder);

// pdftotext -layout of a PDF, pages separated by form feeds. A failure fails the test unless
// quiet (a PDF still being written, say), when it gives an empty text.
QString pdfText(const QString& pdf, bool quiet = false);

// Cents as "#,##0.00" text, the way the reports print them.
QString money(long long cents);

} // namespace enginetest
