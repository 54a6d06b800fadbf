#pragma once

// The runners of the departmental daily, monthly and year-end reports: one layout per kind of
// period, shared by the clinical departments (told apart by their code).

#include "DateTexts.h"

#include <QDate>
#include <QString>

namespace tarvik {

// A day's examination logbook of a department. Dates are "mm/dd/yyyy" texts.
void PrintDailyReport(const QString& DateFrom, const QString& DateTo, const QString& DeptCode,
                      const QString& Title, bool DirectPrint);

// A month's summary of a department, recomputed first. Flag "Y" or "N".
void PrintMonthlyReport(const QString& DateFrom, const QString& DateTo, const QString& DeptCode,
                        const QString& Title, bool DirectPrint, const QString& Flag);

// A year's summary of a department, recomputed first (DateFrom/DateTo: the year's first and
// last days).
void PrintYearEndReport(const QString& DateFrom, const QString& DateTo, const QString& DeptCode,
                        const QString& Title, bool DirectPrint, const QString& Flag);

// The monthly layout for a department code: "/MonthlyORReport.rpt" for "OR",
// "/rptMonthlyReport_MH.rpt" for "MC", "MH" and "MI", "/rptMonthlyReport.rpt" otherwise.
QString monthlyReportFile(const QString& deptCode);

} // namespace tarvik
