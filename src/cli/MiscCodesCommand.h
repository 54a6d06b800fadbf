#pragma once

// `tarvik-reports misc-codes`: lists the miscellaneous revenue codes or stores one, as the
// maintenance window does, with the log-in rules of `run`.

#include "CliSession.h"

namespace tarvik::cli {

// argv as main received it, argv[1] being "misc-codes". Makes its own application object on
// the offscreen platform, so it must be called before any other is made.
int miscCodesCommand(int argc, char* argv[]);

} // namespace tarvik::cli
