#pragma once

#include "RunEntries.h"

#include <vector>

namespace tarvik::shell {
class DialogRegistry;
}

namespace tarvik::monthly {

// Registers the forms of this library with the program.
void registerMonthlyDialogs(shell::DialogRegistry& registry);

// The reports and batches of these dialogs for `tarvik-reports run`, in menu order, built
// from the tables the dialogs read.
std::vector<runs::RunEntry> monthlyRunEntries();

} // namespace tarvik::monthly
