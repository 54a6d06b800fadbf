#include "RunEntries.h"

#include <QRegularExpression>
#include <algorithm>

namespace tarvik::runs {

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
        n += request.isTicked(b.box) ? 1 : 0;
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
            parts << QStringLiteral("--sort %1").arg(sortNames.join(QLatin1Char('|')));
            break;
        case Input::Reports:
            parts << QStringLiteral("--all | --reports N,NAME,...");
            break;
        case Input::Month:
            parts << QStringLiteral("--month MM/YYYY");
            break;
        case Input::Year:
            parts << QStringLiteral("--year YYYY [--month MM]");
            break;
        case Input::Period:
            parts << QStringLiteral("--from MM/DD/YYYY --to MM/DD/YYYY");
            break;
        case Input::BalanceClass:
            parts << QStringLiteral("--class P|N|A");
            break;
        case Input::PatientClass:
            parts << QStringLiteral("--patients I|O|A");
            break;
        case Input::Code:
            parts << QStringLiteral("--code CODE");
            break;
        }
    }
    return parts.join(QStringLiteral(", "));
}

QString stableName(const QString& caption)
{
    QString s = caption.toLower();
    s.remove(QLatin1Char('\''));
    s.remove(QLatin1Char('/'));
    s.remove(QLatin1Char('&'));
    static const QRegularExpression separators(QStringLiteral("[^a-z0-9]+"));
    s.replace(separators, QStringLiteral("-"));
    while (s.startsWith(QLatin1Char('-')))
        s.remove(0, 1);
    while (s.endsWith(QLatin1Char('-')))
        s.chop(1);
    return s;
}

std::vector<shell::ReportItem> menuItemsOf(const char* form)
{
    std::vector<shell::ReportItem> items;
    for (const shell::ReportItem& item : shell::reportItems())
        if (QLatin1String(item.form) == QLatin1String(form))
            items.push_back(item);
    return items;
}

std::vector<BatchBox> batchBoxes(const std::vector<BatchRow>& rows)
{
    std::vector<BatchBox> boxes;
    for (const BatchRow& row : rows) {
        const QString caption = withoutMnemonic(QString::fromLatin1(row.boxCaption));
        boxes.push_back({row.box, stableName(caption), caption});
    }
    return boxes;
}

void runBatchEntry(const std::vector<BatchRow>& rows, const RunRequest& request, const RunValues& values, RunUi& ui)
{
    const BatchResult result =
        runBatch(rows, [&request](int box) { return request.isTicked(box); }, values, request.directPrint, ui);
    if (!result.ok()) {
        QString box = withoutMnemonic(boxCaptionOf(rows, result.failedBox)).simplified();
        if (box.isEmpty())
            box = QString::number(result.failedBox);
        throw RunFailure(box, result.error);
    }
}

} // namespace tarvik::runs
