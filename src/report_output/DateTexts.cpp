#include "DateTexts.h"

#include <stdexcept>

namespace tarvik {

QString dayText(const QDate& date)
{
    return date.toString(QStringLiteral("MM/dd/yyyy"));
}

QString exportDayText(const QDate& date)
{
    return date.toString(QStringLiteral("MM-dd-yyyy"));
}

QDate firstDayOfMonth(const QDate& date)
{
    return QDate(date.year(), date.month(), 1);
}

QDate lastDayOfMonth(const QDate& date)
{
    return firstDayOfMonth(date).addMonths(1).addDays(-1);
}

QString formatMonthYear(const QDate& date)
{
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return QLatin1String(kMonths[date.month() - 1]) + QLatin1Char(',') + yearText(date);
}

QString yearText(const QDate& date)
{
    return QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
}

QDate parseDateText(const QString& text)
{
    const QString trimmed = text.trimmed();
    QDate date = QDate::fromString(trimmed, QStringLiteral("MM/dd/yyyy"));
    if (!date.isValid())
        date = QDate::fromString(trimmed, QStringLiteral("M/d/yyyy"));
    if (!date.isValid())
        throw std::runtime_error(
            QStringLiteral("\"%1\" is not a date (mm/dd/yyyy expected).").arg(text).toStdString());
    return date;
}

} // namespace tarvik
