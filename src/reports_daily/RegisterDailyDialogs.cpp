#include "RegisterDailyDialogs.h"

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

} // namespace tarvik::daily
