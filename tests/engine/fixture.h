#pragma once

#include "Report.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace enginetest {

// A data folder with the three databases: Patient_data.tbCollection holds `rows` generated
// transactions over seven accounts in January 2026, Reports.tbCashier two cashiers.
QString makeDataFolder(const QTemporaryDir& dir, int rows);
// Adds Reports.tbChartSample to a data folder: five departments, six months, cash and charge,
// hospital and professional fees in cents, every figure fixed.
void addChartSample(const QString& folder);
// Runs one SQL statement against a data folder and returns the first column of each row.
QStringList queryColumn(const QString& folder, const QString& sql);

QString dataFile(const QString& name);           // tests/engine/data/<name>
QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text);

// The example report, logged on to the folder with the January period set.
tarvik::engine::ReportPtr openCollections(const QString& folder);

// pdftotext -layout of a PDF, pages separated by form feeds. A failure fails the test unless
// quiet (a PDF still being written, say), when it gives an empty text.
QString pdfText(const QString& pdf, bool quiet = false);

// A rendered page against tests/engine/data/golden/<name>.png within the golden tolerance; on a
// difference the page and a difference image are written to the working folder.
// TARVIK_UPDATE_GOLDEN=1 rewrites the stored image (the test is then skipped).
void expectMatchesGolden(const QImage& page, const QString& name);
// A document's page drawn at 144 dpi on white.
QImage renderPage(tarvik::engine::Document& document, int page);

// Cents as "#,##0.00" text, the way the reports print them.
QString money(long long cents);

} // namespace enginetest
