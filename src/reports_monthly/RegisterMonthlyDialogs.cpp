#include "RegisterMonthlyDialogs.h"

#include "DialogRegistry.h"
#include "MiscellaneousReports.h"
#include "frmMiscellaneous.h"
#include "frmReportMonthMiscellaneous.h"

namespace tarvik::monthly {

void registerMonthlyDialogs([[maybe_unused]] shell::DialogRegistry& registry)
{
    registry.add(QStringLiteral("frmReportMonthMiscellaneous"),
                 [](QWidget* parent) { return new frmReportMonthMiscellaneous(parent); });
    registry.add(QStringLiteral("frmMiscellaneous"), [](QWidget* parent) { return new frmMiscellaneous(parent); });
}

std::vector<runs::RunEntry> monthlyRunEntries()
{
    std::vector<runs::RunEntry> entries;
    for (runs::RunEntry& e : miscellaneousRunEntries())
        entries.push_back(std::move(e));
    return entries;
}

} // namespace tarvik::monthly
