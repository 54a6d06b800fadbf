#include "MiscellaneousReports.h"

#include "CommandText.h"
#include "Connection.h"
#include "ReportRunners.h"
#include "Recordset.h"

#include <QLoggingCategory>
#include <stdexcept>

Q_LOGGING_CATEGORY(lcMiscellaneous, "tarvik.monthly.miscellaneous")

namespace tarvik::monthly {

namespace {

// Mode 0 looks for the text anywhere in the code or the description; mode 1 for codes that
// begin with it.
QString searchCommand(const char* mode, const QString& text)
{
    return db::callText(QStringLiteral("Reports..sp_Rep_SearchMiscellaneousRevenue '"),
                        {QLatin1String(mode), text});
}

std::vector<RevenueCode> codesOf(const db::RecordsetPtr& rows)
{
    std::vector<RevenueCode> codes;
    if (!rows || !rows->isOpen())
        return codes;
    // By position, as the grids read them: the description first, then the code.
    for (int i = 0; i < rows->recordCount(); ++i)
        codes.push_back({rows->row(i).value(1).toString(), rows->row(i).value(0).toString()});
    return codes;
}

// The hourglass around one report, taken down on every way out.
class Busy
{
public:
    explicit Busy(runs::RunUi& ui) : m_ui(ui) { m_ui.setBusy(true); }
    ~Busy() { m_ui.setBusy(false); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    runs::RunUi& m_ui;
};

} // namespace

// ---- The revenue codes ---------------------------------------------------------------------

QString searchRevenuesCommand(const QString& searchText)
{
    return searchCommand("0", searchText);
}

QString saveRevenueCommand(const QString& code, const QString& description)
{
    return db::callText(QStringLiteral("Reports..sp_Rep_UpdateMiscellaneous '"), {code, description})
        + QLatin1Char(' ');
}

db::RecordsetPtr searchRevenues(const QString& searchText)
{
    return runs::sessionConnection().execute(searchRevenuesCommand(searchText));
}

std::vector<RevenueCode> revenueCodes(const QString& searchText)
{
    return codesOf(searchRevenues(searchText));
}

QString refusalToSave(const QString& code)
{
    if (code.trimmed().isEmpty())
        return QStringLiteral("Enter the code of the miscellaneous revenue before saving it.");
    return {};
}

void saveRevenueCode(const QString& code, const QString& description)
{
    const QString refusal = refusalToSave(code);
    if (!refusal.isEmpty())
        throw std::invalid_argument(refusal.toStdString());
    runs::sessionConnection().execute(saveRevenueCommand(code, description));
}

RevenueCode findRevenueCode(const QString& code)
{
    const QString wanted = code.trimmed().toCaseFolded();
    if (!wanted.isEmpty()) {
        for (const RevenueCode& c : codesOf(runs::sessionConnection().execute(searchCommand("1", code.trimmed()))))
            if (c.code.trimmed().toCaseFolded() == wanted)
                return c;
    }
    throw std::runtime_error(QStringLiteral("There is no miscellaneous revenue code \"%1\".").arg(code).toStdString());
}

// ---- The report ----------------------------------------------------------------------------

const std::vector<MiscellaneousRow>& miscellaneousRows()
{
    static const std::vector<MiscellaneousRow> rows{
        {"M", "MM/yyyy", runs::RowKind::MonthlySummary, "Monthly "},
        {"Y", "yyyy", runs::RowKind::YearEndSummary, "Year End "},
    };
    return rows;
}

const MiscellaneousRow* miscellaneousRow(const QString& reportType)
{
    return runs::rowOfType(miscellaneousRows(), reportType);
}

QString miscellaneousTitle(const MiscellaneousRow& row, const QString& description)
{
    return QLatin1String(row.titleHead) + description + QStringLiteral(" Report");
}

bool runMiscellaneousReport(const MiscellaneousInput& in, runs::RunUi& ui)
{
    const MiscellaneousRow* row = miscellaneousRow(in.reportType);
    if (!row)
        return false;
    // Both uses report the picked date's month: the year-end report's year is that month's.
    const runs::RunValues period = runs::RunValues::month(in.date);
    const QString from = dayText(period.from);
    const QString to = dayText(period.to);
    const QString title = miscellaneousTitle(*row, in.description);
    const QString flag = QStringLiteral("Y");
    qCInfo(lcMiscellaneous).noquote() << "miscellaneous report" << in.reportType << "of" << in.code << "from" << from
                                      << "to" << to;
    {
        Busy busy(ui);
        switch (row->runner) {
        case runs::RowKind::MonthlySummary:
            PrintMonthlyReport(from, to, in.code, title, false, flag);
            break;
        case runs::RowKind::YearEndSummary:
            PrintYearEndReport(from, to, in.code, title, false, flag);
            break;
        case runs::RowKind::Report:
        case runs::RowKind::DailyLogbook:
            throw std::logic_error("The miscellaneous report goes through the monthly or year-end runner.");
        }
    }
    ui.produced(title + QStringLiteral(": ") + formatMonthYear(period.from));
    return true;
}

std::vector<runs::RunEntry> miscellaneousRunEntries()
{
    std::vector<runs::RunEntry> entries;
    for (const shell::ReportItem& item : runs::menuItemsOf("frmReportMonthMiscellaneous")) {
        const MiscellaneousRow* row = miscellaneousRow(QString::fromLatin1(item.reportType));
        if (!row)
            continue;
        runs::RunEntry e;
        e.caption = QString::fromLatin1(item.caption);
        e.name = runs::stableName(e.caption);
        const runs::Input period = row->runner == runs::RowKind::YearEndSummary ? runs::Input::Year : runs::Input::Month;
        e.inputs = {period, runs::Input::Code};
        const QString type = QString::fromLatin1(row->reportType);
        e.run = [type](const runs::RunRequest& request, runs::RunUi& ui) {
            // The code as stored, with its description for the title, as the lookup gives them.
            const RevenueCode code = findRevenueCode(request.code);
            runMiscellaneousReport({request.date, type, code.code, code.description}, ui);
        };
        entries.push_back(std::move(e));
    }
    return entries;
}

} // namespace tarvik::monthly
