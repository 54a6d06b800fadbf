#pragma once

// `tarvik-reports history`: the run history (who produced which report, when, with what and
// how it ended), newest first, as a table or as CSV.

#include "CliSession.h"

namespace tarvik::cli {

// argv as main received it, argv[1] being "history".
int historyCommand(int argc, char* argv[]);

} // namespace tarvik::cli
