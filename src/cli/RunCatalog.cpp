#include "RunCatalog.h"

#include "ReportMenu.h"
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

// The menu items of a dialog, keyed by the ReportType the menu sets.
std::vector<shell::ReportItem> menuItemsOf(const char* form)
{
    std::vector<shell::ReportItem> items;
    for (const shell::ReportItem& item : shell::reportItems())
        if (QLatin1String(item.form) == QLatin1String(form))
            items.push_back(item);
    return items;
}

void addReportDateOthers(std::vector<RunEntry>& entries)
{
    for (const shell::ReportItem& item : menuItemsOf("frmReportDateOthers")) {
        const QString type = QString::fromLatin1(item.reportType);
        const daily::DateReportRow* row = daily::reportDateOthersRow(type);
        if (!row)
            continue;
        RunEntry e;
        e.caption = QString::fromLatin1(item.caption);
        e.name = stableName(e.caption);
        e.inputs = {Input::Date};
        if (row->report.exportName)
            e.exportName = QString::fromLatin1(row->report.exportName);
        e.run = [type](const RunRequest& request, daily::RunUi& ui) {
            daily::runReportDateOthers({request.date, type}, ui);
        };
        entries.push_back(std::move(e));
    }
}

void addReportDateClinical(std::vector<RunEntry>& entries)
{
    for (const shell::ReportItem& item : menuItemsOf("frmReportDateClinical")) {
        const QString type = QString::fromLatin1(item.reportType);
        if (!daily::reportDateClinicalRow(type))
            continue;
        RunEntry e;
        e.caption = QString::fromLatin1(item.caption);
        e.name = stableName(e.caption);
        e.inputs = {Input::Date};
        e.run = [type](const RunRequest& request, daily::RunUi& ui) {
            daily::runReportDateClinical({request.date, type}, ui);
        };
        entries.push_back(std::move(e));
    }
}

void addAccountStatus(std::vector<RunEntry>& entries)
{
    for (const shell::ReportItem& item : menuItemsOf("frmAccountStatusReport")) {
        RunEntry e;
        e.caption = QString::fromLatin1(item.caption);
        e.name = stableName(e.caption);
        e.inputs = {Input::Date, Input::Sort};
        e.run = [](const RunRequest& request, daily::RunUi& ui) {
            daily::runAccountStatus({request.date, request.sortOption}, ui);
        };
        entries.push_back(std::move(e));
    }
}

void addEndOfDay(std::vector<RunEntry>& entries)
{
    RunEntry e;
    e.name = QStringLiteral("end-of-day");
    e.caption = QStringLiteral("End Of Day Reports");
    e.batch = true;
    e.inputs = {Input::Date, Input::Reports};
    for (const daily::BatchRow& row : daily::endOfDayRows()) {
        const QString caption = QString::fromLatin1(row.boxCaption);
        e.boxes.push_back({row.box, stableName(caption), caption});
    }
    e.run = [](const RunRequest& request, daily::RunUi& ui) {
        daily::EndOfDayInput in;
        in.date = request.date;
        in.ticked = request.ticked;
        in.directPrint = request.directPrint;
        const daily::BatchResult result = daily::runEndOfDay(in, ui);
        if (!result.ok()) {
            QString box = QString::number(result.failedBox);
            for (const daily::BatchRow& row : daily::endOfDayRows())
                if (row.box == result.failedBox)
                    box = QString::fromLatin1(row.boxCaption).simplified();
            throw RunFailure(box, result.error);
        }
    };
    entries.push_back(std::move(e));
}

} // namespace

bool RunEntry::takes(Input input) const
{
    return std::find(inputs.begin(), inputs.end(), input) != inputs.end();
}

int RunEntry::reportCount(const RunRequest& request) const
{
    if (!batch)
        return 1;
    int n = 0;
    for (const BatchBox& b : boxes)
        n += request.ticked.at(size_t(b.box)) ? 1 : 0;
    return n;
}

QString RunEntry::inputsText() const
{
    QStringList parts;
    for (Input input : inputs) {
        switch (input) {
        case Input::Date:
            parts << QStringLiteral("--date MM/DD/YYYY");
            break;
        case Input::Sort:
            parts << QStringLiteral("--sort %1").arg(sortNames().join(QLatin1Char('|')));
            break;
        case Input::Reports:
            parts << QStringLiteral("--all | --reports N,NAME,...");
            break;
        }
    }
    return parts.join(QStringLiteral(", "));
}

const std::vector<RunEntry>& runCatalog()
{
    static const std::vector<RunEntry> entries = [] {
        std::vector<RunEntry> out;
        addReportDateOthers(out);
        addReportDateClinical(out);
        addAccountStatus(out);
        addEndOfDay(out);
        return out;
    }();
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

QString stableName(const QString& caption)
{
    QString s = caption.toLower();
    s.remove(QLatin1Char('\''));
    s.remove(QLatin1Char('/'));
    static const QRegularExpression separators(QStringLiteral("[^a-z0-9]+"));
    s.replace(separators, QStringLiteral("-"));
    while (s.startsWith(QLatin1Char('-')))
        s.remove(0, 1);
    while (s.endsWith(QLatin1Char('-')))
        s.chop(1);
    return s;
}

QStringList sortNames()
{
    QStringList names;
    for (const daily::AccountStatusRow& row : daily::accountStatusRows()) {
        QString name = stableName(QString::fromLatin1(row.optionCaption));
        name.remove(QRegularExpression(QStringLiteral("^sorted-by-")));
        names << name;
    }
    return names;
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

std::array<bool, daily::kEndOfDayBoxes> parseBoxes(const RunEntry& batch, const QString& list)
{
    std::array<bool, daily::kEndOfDayBoxes> ticked{};
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
    const QString day = daily::exportDayText(date);
    if (!exportName.isEmpty())
        return exportName + QLatin1Char(' ') + day;
    QString name = caption;
    const QString captionDay = daily::dayText(date);
    if (name.endsWith(captionDay))
        name.chop(captionDay.size());
    static const QRegularExpression trailing(QStringLiteral("[\\s:]+$"));
    name.remove(trailing);
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    name.replace(QLatin1Char(':'), QLatin1Char('-'));
    name.replace(QLatin1Char('\\'), QLatin1Char('-'));
    name = name.simplified();
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name.prepend(QStringLiteral("Report"));
    return name + QLatin1Char(' ') + day;
}

} // namespace tarvik::cli
