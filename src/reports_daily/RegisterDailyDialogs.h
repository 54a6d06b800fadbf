#pragma once

namespace tarvik::shell {
class DialogRegistry;
}

namespace tarvik::daily {

// Registers frmReportDateOthers, frmReportDateClinical, frmEndOfDay and frmAccountStatusReport.
void registerDailyDialogs(shell::DialogRegistry& registry);

} // namespace tarvik::daily
