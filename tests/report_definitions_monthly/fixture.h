#pragma once

// One generated demo hospital for the whole run (January to mid-March 2026), February 2026 as
// the month under test, and the month-end definitions opened as the program opens them.

#include "Report.h"
#include "ReportText.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <gtest/gtest.h>

namespace monthlyrpt {

inline const QString kHospital = QStringLiteral("St. Tarvik General Hospital");
inline const QString kAddress = QStringLiteral("123 Rizal Avenue, Nueva Castilla");
// The month under test: whole, with January's balances before it.
inline const QString kFirst = QStringLiteral("02/01/2026");
inline const QString kLast = QStringLiteral("02/28/2026");
inline const QString kFirstIso = QStringLiteral("2026-02-01");
inline const QString kLastIso = QStringLiteral("2026-02-28");

class DemoHospital : public ::testing::Environment
{
public:
    void SetUp() override;
    void TearDown() override;
    static QString folder();
};

// Opens a definition of the source tree's REPORTS folder as the program does.
tarvik::engine::ReportPtr openLikeProgram(const QString& name, const QString& database, const QVariantList& values);
void openSubreportLikeProgram(tarvik::engine::Report& report, const QString& name, const QString& database,
                              const QVariantList& values);

// Runs a command text on the demo hospital as the program sends it.
void execute(const QString& commandText);

// SQL over the demo hospital (the three databases attached): the first row. ?F and ?T stand
// for the first and last day of the month under test ('yyyy-mm-dd').
QVariantList sqlRow(QString sql);

using tarvik::testsupport::money;
using tarvik::testsupport::numbersOnLine;
using tarvik::testsupport::renderText;

// A count and money as the reports print them.
inline QString count(const QVariant& v) { return QString::number(v.toLongLong()); }
inline QString cents(const QVariant& v, bool parens = true) { return money(v.isNull() ? 0 : v.toLongLong(), parens); }
// Thousands separators for a count ("1,234").
QString countWithCommas(const QVariant& v);

} // namespace monthlyrpt
