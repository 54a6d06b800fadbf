#pragma once

#include "Report.h"
#include "ReportText.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>
#include <gtest/gtest.h>
#include <memory>

namespace dailyrpt {

inline const QString kHospital = QStringLiteral("St. Tarvik General Hospital");
inline const QString kAddress = QStringLiteral("123 Rizal Avenue, Nueva Castilla");

// One generated demo hospital for the whole run, and the busiest complete day in it.
class DemoHospital : public ::testing::Environment
{
public:
    void SetUp() override;
    void TearDown() override;

    static QString folder();
    static QString busyDay();      // "mm/dd/yyyy"
    static QString busyDayIso();   // "yyyy-mm-dd"
};

// The report file in the source tree's REPORTS folder.
QString reportFile(const QString& name);

// Opens a report the way the program does: the report-level text, every table retargeted to
// `database` (first segment only) and logged on, then the values in parameter order.
tarvik::engine::ReportPtr openLikeProgram(const QString& name, const QString& database,
                                          const QVariantList& values);
// The same for a subreport of an open report.
void openSubreportLikeProgram(tarvik::engine::Report& report, const QString& name,
                              const QString& database, const QVariantList& values);

// Writing reports to PDF and reading their figures back.
using tarvik::testsupport::numbersOnLine;
using tarvik::testsupport::renderText;

// Runs SQL over the demo hospital (the three databases attached) and gives the first row.
QVariantList sqlRow(const QString& sql, const QVariantList& bind = {});

// Cents as the reports print money.
using tarvik::testsupport::money;

} // namespace dailyrpt
