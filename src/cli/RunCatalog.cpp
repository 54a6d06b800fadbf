#include "RunCatalog.h"

#include "DialogRunEntries.h"
#include "ReportRunners.h"

#include <QRegularExpression>
#include <stdexcept>

namespace tarvik::cli {

namespace {

QString simplified(const QString& text)
{
    return text.simplified().toCaseFolded();
}

[[noreturn]] void fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

} // namespace

const std::vector<RunEntry>& runCatalog()
{
    static const std::vector<RunEntry> entries = dialogRunEntries();
    return entries;
}

const RunEntry* findEntry(const QString& nameOrCaption)
{
    const QString wanted = simplified(nameOrCaption);
    if (wanted.isEmpty())
        return nullptr;
    for (const RunEntry& e : runCatalog())
        if (wanted == e.name || wanted == simplified(e.caption))
            return &e;
    return nullptr;
}

QStringList sortNames()
{
    for (const RunEntry& e : runCatalog())
        if (e.takes(Input::Sort))
            return e.sortNames;
    return {};
}

int parseSort(const QString& value)
{
    const QString v = value.trimmed().toLower();
    const QStringList names = sortNames();
    bool isNumber = false;
    const int n = v.toInt(&isNumber);
    if (isNumber && n >= 0 && n < names.size())
        return n;
    for (int i = 0; i < names.size(); ++i)
        if (!v.isEmpty() && (names[i] == v || names[i].endsWith(QLatin1Char('-') + v)))
            return i;
    fail(QStringLiteral("Unknown sort order \"%1\" (one of %2).").arg(value, names.join(QStringLiteral(", "))));
}

std::vector<bool> parseBoxes(const RunEntry& batch, const QString& list)
{
    int boxCount = 0;
    for (const BatchBox& b : batch.boxes)
        boxCount = std::max(boxCount, b.box + 1);
    std::vector<bool> ticked(size_t(boxCount), false);
    const QStringList items = list.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (items.isEmpty())
        fail(QStringLiteral("--reports names no report of %1.").arg(batch.name));
    for (const QString& raw : items) {
        const QString item = simplified(raw);
        const BatchBox* found = nullptr;
        bool isNumber = false;
        const int n = item.toInt(&isNumber);
        for (const BatchBox& b : batch.boxes) {
            if ((isNumber && b.box == n) || (!isNumber && (item == b.name || item == simplified(b.caption))))
                found = &b;
        }
        if (!found)
            fail(QStringLiteral("%1 has no report \"%2\" (`tarvik-reports run --list` shows its reports).")
                     .arg(batch.name, raw.trimmed()));
        ticked.at(size_t(found->box)) = true;
    }
    return ticked;
}

QDate parseRunDate(const QString& value, const QDate& serverDate)
{
    const QString v = value.trimmed().toLower();
    if (v == QLatin1String("today"))
        return serverDate;
    if (v == QLatin1String("yesterday"))
        return serverDate.addDays(-1);
    static const QRegularExpression shape(QStringLiteral("^\\d{1,2}/\\d{1,2}/\\d{4}$"));
    if (!shape.match(v).hasMatch())
        fail(QStringLiteral("\"%1\" is not a date: give MM/DD/YYYY, today or yesterday.").arg(value));
    try {
        return parseDateText(v);
    } catch (const std::runtime_error&) {
        fail(QStringLiteral("\"%1\" is not a date of the calendar (MM/DD/YYYY).").arg(value));
    }
}

QString outputBaseName(const QString& exportName, const QString& caption, const QDate& date)
{
    return outputBaseName(exportName, caption, date, exportDayText(date));
}

QString outputBaseName(const QString& exportName, const QString& caption, const QDate& date, const QString& label)
{
    return runs::outputBaseName(exportName, caption, date, label);
}

namespace {

QDate parseMonth(const QString& value)
{
    static const QRegularExpression shape(QStringLiteral("^(\\d{1,2})/(\\d{4})$"));
    const QRegularExpressionMatch m = shape.match(value.trimmed());
    const QDate first = m.hasMatch() ? QDate(m.captured(2).toInt(), m.captured(1).toInt(), 1) : QDate();
    if (!first.isValid())
        fail(QStringLiteral("\"%1\" is not a month: give MM/YYYY.").arg(value));
    return first;
}

int parseYear(const QString& value)
{
    static const QRegularExpression shape(QStringLiteral("^\\d{4}$"));
    if (!shape.match(value.trimmed()).hasMatch() || value.trimmed().toInt() < 1900)
        fail(QStringLiteral("\"%1\" is not a year: give YYYY.").arg(value));
    return value.trimmed().toInt();
}

int parseMonthNumber(const QString& value)
{
    bool ok = false;
    const int month = value.trimmed().toInt(&ok);
    if (!ok || month < 1 || month > 12)
        fail(QStringLiteral("\"%1\" is not a month of the year: give MM (01 to 12).").arg(value));
    return month;
}

QString letter(const QString& value, const QString& allowed, const char* option)
{
    const QString v = value.trimmed().toUpper();
    if (v.size() != 1 || !allowed.contains(v))
        fail(QStringLiteral("--%1 takes one of %2, not \"%3\".")
                 .arg(QLatin1String(option), allowed.split(QString(), Qt::SkipEmptyParts).join(QLatin1Char('|')), value));
    return v;
}

void notAfter(const QDate& day, const QDate& serverDay)
{
    if (day > serverDay)
        fail(QStringLiteral("%1 is after the server's date %2: no report can be run for it.")
                 .arg(dayText(day), dayText(serverDay)));
}

} // namespace

void resolveInputs(const RunEntry& entry, const InputOptions& o, const QDate& serverDay, const QDate& today,
                   RunRequest& request)
{
    const bool day = entry.takes(Input::Date);
    const bool month = entry.takes(Input::Month);
    const bool year = entry.takes(Input::Year);
    const bool period = entry.takes(Input::Period);
    const struct
    {
        const std::optional<QString>& value;
        bool taken;
        const char* name;
    } offered[] = {
        {o.date, day || month, "date"},
        {o.month, month || year, "month"},
        {o.year, year, "year"},
        {o.from, period, "from"},
        {o.to, period, "to"},
        {o.balanceClass, entry.takes(Input::BalanceClass), "class"},
        {o.patients, entry.takes(Input::PatientClass), "patients"},
        {o.code, entry.takes(Input::Code), "code"},
    };
    for (const auto& option : offered)
        if (option.value && !option.taken)
            fail(QStringLiteral("%1 takes no --%2.").arg(entry.name, QLatin1String(option.name)));

    if (day || month) {
        if (o.month && month)
            request.date = parseMonth(*o.month);
        else
            request.date = o.date ? parseRunDate(*o.date, serverDay) : serverDay;
        notAfter(month ? firstDayOfMonth(request.date) : request.date, serverDay);
    }
    if (year) {
        const int y = o.year ? parseYear(*o.year) : serverDay.year();
        const int m = o.month ? parseMonthNumber(*o.month) : serverDay.month();
        request.date = QDate(y, m, 1);
        notAfter(request.date, serverDay);
    }
    if (period) {
        request.from = o.from ? parseRunDate(*o.from, serverDay) : serverDay;
        request.to = o.to ? parseRunDate(*o.to, serverDay) : serverDay;
        notAfter(request.from, serverDay);
        notAfter(request.to, serverDay);
        if (request.to > today || request.from > request.to)
            fail(QStringLiteral("Invalid Report Period... (%1 to %2: the period must end by today, %3, and "
                                "not start after it ends).")
                     .arg(dayText(request.from), dayText(request.to), dayText(today)));
        request.date = request.from;
    }
    if (entry.takes(Input::BalanceClass))
        request.choice = o.balanceClass ? letter(*o.balanceClass, QStringLiteral("PNA"), "class") : QStringLiteral("P");
    if (entry.takes(Input::PatientClass))
        request.choice = o.patients ? letter(*o.patients, QStringLiteral("IOA"), "patients") : QStringLiteral("I");
    if (entry.takes(Input::Code)) {
        request.code = o.code ? o.code->trimmed() : QString();
        if (request.code.isEmpty())
            fail(QStringLiteral("%1 needs --code CODE.").arg(entry.name));
    }
}

namespace {

// The class a run was made for, so that runs of one period for two classes never share a file.
QString classWords(const RunEntry& entry, const RunRequest& request)
{
    if (entry.takes(Input::BalanceClass)) {
        if (request.choice == QLatin1String("N"))
            return QStringLiteral(" payables");
        if (request.choice == QLatin1String("A"))
            return QStringLiteral(" all balances");
        return QStringLiteral(" receivables");
    }
    if (entry.takes(Input::PatientClass)) {
        if (request.choice == QLatin1String("O"))
            return QStringLiteral(" out-patients");
        if (request.choice == QLatin1String("A"))
            return QStringLiteral(" all patients");
        return QStringLiteral(" in-patients");
    }
    return {};
}

} // namespace

QString periodLabel(const RunEntry& entry, const RunRequest& request)
{
    QString label;
    if (entry.takes(Input::Period))
        label = exportDayText(request.from) + QStringLiteral(" to ") + exportDayText(request.to);
    else if (entry.takes(Input::Year))
        label = yearText(request.date);
    else if (entry.takes(Input::Month))
        label = request.date.toString(QStringLiteral("MM-yyyy"));
    else
        label = exportDayText(request.date);
    return label + classWords(entry, request);
}

} // namespace tarvik::cli
