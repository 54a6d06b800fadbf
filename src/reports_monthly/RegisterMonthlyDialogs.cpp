#include "RegisterMonthlyDialogs.h"

#include "DialogRegistry.h"
#include "MonthlyReports.h"
#include "frmReportAfterEOM.h"
#include "frmReportMonth.h"

namespace tarvik::monthly {

void registerMonthlyDialogs(shell::DialogRegistry& registry)
{
    registry.add(QStringLiteral("frmReportMonth"), [](QWidget* parent) { return new frmReportMonth(parent); });
    registry.add(QStringLiteral("frmReportAfterEOM"), [](QWidget* parent) { return new frmReportAfterEOM(parent); });
}

std::vector<runs::RunEntry> monthlyRunEntries()
{
    using runs::Input;
    using runs::RunEntry;
    using runs::RunRequest;
    std::vector<runs::RunEntry> entries;

    for (const shell::ReportItem& item : runs::menuItemsOf("frmReportMonth")) {
        const QString type = QString::fromLatin1(item.reportType);
        const MonthlyRow* row = reportMonthRow(type);
        if (!row)
            continue;
        RunEntry e;
        e.caption = QString::fromLatin1(item.caption);
        e.name = runs::stableName(e.caption);
        e.inputs = {Input::Month};
        // Files are named by the report's title and the month, not by the viewer's caption
        // (which carries the month as "mmm,yyyy").
        e.exportName = QString::fromLatin1(row->report.title);
        e.run = [type](const RunRequest& request, RunUi& ui) { runReportMonth({request.date, type}, ui); };
        entries.push_back(std::move(e));
    }

    RunEntry batch;
    batch.name = QStringLiteral("after-end-of-month");
    batch.caption = QStringLiteral("End of Month (After EOM)");
    batch.batch = true;
    batch.inputs = {Input::Month, Input::Reports};
    batch.boxes = runs::batchBoxes(afterEndOfMonthRows());
    // Boxes 12 and 10, 17 and 16, 15 and 13 share their viewers' captions.
    batch.filesByBox = true;
    batch.run = [](const RunRequest& request, RunUi& ui) {
        runs::runBatchEntry(afterEndOfMonthRows(), request, monthOf(request.date), ui);
    };
    entries.push_back(std::move(batch));
    return entries;
}

} // namespace tarvik::monthly
