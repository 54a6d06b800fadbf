#include "RegisterYearlyDialogs.h"

#include "DialogRegistry.h"
#include "PeriodReports.h"
#include "YearEndReports.h"
#include "frmAging.h"
#include "frmAuditTrail.h"
#include "frmAuditTrailMonthly.h"
#include "frmReportPeriod.h"
#include "frmReportPeriodOthers.h"
#include "frmReportYearClinical.h"
#include "frmReportYearEnd.h"
#include "frmReportYearOthers.h"

namespace tarvik::yearly {

void registerYearlyDialogs(shell::DialogRegistry& registry)
{
    registry.add(QStringLiteral("frmReportYearEnd"), [](QWidget* parent) { return new frmReportYearEnd(parent); });
    registry.add(QStringLiteral("frmReportYearOthers"),
                 [](QWidget* parent) { return new frmReportYearOthers(parent); });
    registry.add(QStringLiteral("frmReportYearClinical"),
                 [](QWidget* parent) { return new frmReportYearClinical(parent); });
    registry.add(QStringLiteral("frmReportPeriod"), [](QWidget* parent) { return new frmReportPeriod(parent); });
    registry.add(QStringLiteral("frmAging"), [](QWidget* parent) { return new frmAging(parent); });
    registry.add(QStringLiteral("frmAuditTrail"), [](QWidget* parent) { return new frmAuditTrail(parent); });
    registry.add(QStringLiteral("frmAuditTrailMonthly"),
                 [](QWidget* parent) { return new frmAuditTrailMonthly(parent); });
    registry.add(QStringLiteral("frmReportPeriodOthers"),
                 [](QWidget* parent) { return new frmReportPeriodOthers(parent); });
}

// ---- The command line's entries --------------------------------------------------------------

namespace {

// One entry per menu item of a year dialog whose ReportType has a row. Files are named after
// the report's title and the year ("Year End X-Ray Summary Report 2025.pdf").
void addYearReports(std::vector<runs::RunEntry>& entries, const char* form, const YearReportRow* (*rowOf)(const QString&),
                    bool (*run)(const YearReportInput&, RunUi&))
{
    for (const shell::ReportItem& item : runs::menuItemsOf(form)) {
        const QString type = QString::fromLatin1(item.reportType);
        const YearReportRow* row = rowOf(type);
        if (!row)
            continue;
        runs::RunEntry e;
        e.caption = QString::fromLatin1(item.caption);
        e.name = runs::stableName(e.caption);
        e.inputs = {runs::Input::Year};
        e.exportName = QString::fromLatin1(row->report.title);
        e.run = [type, run](const runs::RunRequest& request, RunUi& ui) { run({request.date, type}, ui); };
        entries.push_back(std::move(e));
    }
}

} // namespace

std::vector<runs::RunEntry> yearlyRunEntries()
{
    // The period, aging and audit-trail reports come first, as the menu lists them.
    std::vector<runs::RunEntry> entries = periodRunEntries();

    addYearReports(entries, "frmReportYearOthers", &yearOthersRow, &runYearOthers);
    addYearReports(entries, "frmReportYearClinical", &yearClinicalRow, &runYearClinical);

    runs::RunEntry yearEnd;
    yearEnd.name = QStringLiteral("year-end");
    yearEnd.caption = QStringLiteral("Year End Reports");
    yearEnd.batch = true;
    yearEnd.inputs = {runs::Input::Year, runs::Input::Reports};
    yearEnd.boxes = runs::batchBoxes(yearEndRows());
    // The viewer captions carry the month ("...: Mar,2025"); files take the box and the year.
    yearEnd.filesByBox = true;
    yearEnd.run = [](const runs::RunRequest& request, RunUi& ui) {
        runs::runBatchEntry(yearEndRows(), request, yearRunValues(request.date), ui);
    };
    entries.push_back(std::move(yearEnd));
    return entries;
}

} // namespace tarvik::yearly
