#pragma once

#include "RunEntries.h"

#include <vector>

namespace tarvik::shell {
class DialogRegistry;
}

namespace tarvik::daily {

// Registers frmReportDateOthers, frmReportDateClinical, frmEndOfDay and frmAccountStatusReport.
void registerDailyDialogs(shell::DialogRegistry& registry);

// The reports and the batch of these dialogs for `tarvik-reports run`, in menu order, built
// from the tables the dialogs read.
std::vector<runs::RunEntry> dailyRunEntries();

} // namespace tarvik::daily
