#include "RegisterMonthlyDialogs.h"

#include "DialogRegistry.h"
#include "MiscellaneousReports.h"
#include "MonthlyReports.h"
#include "frmMiscellaneous.h"
#include "frmReportAfterEOM.h"
#include "frmReportMonth.h"
#include "frmReportMonthMiscellaneous.h"

namespace tarvik::monthly {

void registerMonthlyDialogs(shell::DialogRegistry& registry)
{
    registry.add(QStringLiteral("frmReportMonthMiscellaneous"),
                 [](QWidget* parent) { return new frmReportMonthMiscellaneous(parent); });
    registry.add(QStringLiteral("frmMiscellaneous"), [](QWidget* parent) { return new frmMiscellaneous(parent); });
    registry.add(QStringLiteral("frmReportMonth"), [](QWidget* parent) { return new frmReportMonth(parent); });
    registry.add(QStringLiteral("frmReportAfterEOM"), [](QWidget* parent) { return new frmReportAfterEOM(parent); });
}

std::vector<runs::RunEntry> monthlyRunEntries()
{
    std::vector<runs::RunEntry> entries;
    for (runs::RunEntry& e : miscellaneousRunEntries())
        entries.push_back(std::move(e));
    for (runs::RunEntry& e : monthEndRunEntries())
        entries.push_back(std::move(e));
    return entries;
}

} // namespace tarvik::monthly
