#pragma once

// The date texts every command text, report parameter and caption is made of.

#include <QDate>
#include <QString>

namespace tarvik {

// "mm/dd/yyyy", the form every command text and report parameter takes.
QString dayText(const QDate& date);

// "mm-dd-yyyy", the date in spreadsheet preset and output file names.
QString exportDayText(const QDate& date);

// The first and the last day of the date's month (February 28 or 29, December 31).
QDate firstDayOfMonth(const QDate& date);
QDate lastDayOfMonth(const QDate& date);

// "mmm,yyyy" with English month abbreviations whatever the locale: "Jan,2024".
QString formatMonthYear(const QDate& date);

// The four digits of the date's year: "2024".
QString yearText(const QDate& date);

// A "mm/dd/yyyy" date text (one-digit month and day accepted). Throws std::runtime_error
// naming the text when it is not a date.
QDate parseDateText(const QString& text);

} // namespace tarvik
