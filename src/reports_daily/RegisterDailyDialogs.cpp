#include "RegisterDailyDialogs.h"

#include "DailyReports.h"
#include "DialogRegistry.h"
#include "frmAccountStatusReport.h"
#include "frmEndOfDay.h"
#include "frmReportDateClinical.h"
#include "frmReportDateOthers.h"

namespace tarvik::daily {

void registerDailyDialogs(shell::DialogRegistry& registry)
{
    registry.add(QStringLiteral("frmReportDateOthers"), [](QWidget* parent) { return new frmReportDateOthers(parent); });
    registry.add(QStringLiteral("frmReportDateClinical"),
                 [](QWidget* parent) { return new frmReportDateClinical(parent); });
    registry.add(QStringLiteral("frmEndOfDay"), [](QWidget* parent) { return new frmEndOfDay(parent); });
    registry.add(QStringLiteral("frmAccountStatusReport"),
                 [](QWidget* parent) { return new frmAccountStatusReport(parent); });
}

// ---- The command line's entries --------------------------------------------------------------

std::vector<runs::RunEntry> dailyRunEntries()
{
    using runs::Input;
    using runs::RunEntry;
    using runs::RunRequest;
    std::vector<RunEntry> entries;

    for (const shell::ReportItem& item : runs::menuItemsOf("frmReportDateOthers")) {
        const QString type = QString::fromLatin1(item.reportType);
        const DateReportRow* row = reportDateOthersRow(type);
        if (!row)
            continue;
        RunEntry e;
        e.caption = QString::fromLatin1(item.caption);
        e.name = runs::stableName(e.caption);
        e.inputs = {Input::Date};
        if (row->report.exportName)
            e.exportName = QString::fromLatin1(row->report.exportName);
        e.run = [type](const RunRequest& request, RunUi& ui) { runReportDateOthers({request.date, type}, ui); };
        entries.push_back(std::move(e));
    }

    for (const shell::ReportItem& item : runs::menuItemsOf("frmReportDateClinical")) {
        const QString type = QString::fromLatin1(item.reportType);
        if (!reportDateClinicalRow(type))
            continue;
        RunEntry e;
        e.caption = QString::fromLatin1(item.caption);
        e.name = runs::stableName(e.caption);
        e.inputs = {Input::Date};
        e.run = [type](const RunRequest& request, RunUi& ui) { runReportDateClinical({request.date, type}, ui); };
        entries.push_back(std::move(e));
    }

    for (const shell::ReportItem& item : runs::menuItemsOf("frmAccountStatusReport")) {
        RunEntry e;
        e.caption = QString::fromLatin1(item.caption);
        e.name = runs::stableName(e.caption);
        e.inputs = {Input::Date, Input::Sort};
        for (const AccountStatusRow& row : accountStatusRows()) {
            QString name = runs::stableName(QString::fromLatin1(row.optionCaption));
            name.remove(QStringLiteral("sorted-by-"));
            e.sortNames << name;
        }
        e.run = [](const RunRequest& request, RunUi& ui) {
            runAccountStatus({request.date, request.sortOption}, ui);
        };
        entries.push_back(std::move(e));
    }

    RunEntry batch;
    batch.name = QStringLiteral("end-of-day");
    batch.caption = QStringLiteral("End Of Day Reports");
    batch.batch = true;
    batch.inputs = {Input::Date, Input::Reports};
    batch.boxes = runs::batchBoxes(endOfDayRows());
    batch.run = [](const RunRequest& request, RunUi& ui) {
        runs::runBatchEntry(endOfDayRows(), request, runs::RunValues::day(request.date), ui);
    };
    entries.push_back(std::move(batch));
    return entries;
}

} // namespace tarvik::daily
