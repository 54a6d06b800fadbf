#pragma once

// `tarvik-reports run`: produces a report or a batch of the program without a window, for
// cron or a systemd timer.

#include "CliSession.h"

namespace tarvik::cli {

// Runs the command; argv as main received it, argv[1] being "run". Makes its own application
// object on the offscreen platform, so it must be called before any other is made.
int runCommand(int argc, char* argv[]);

} // namespace tarvik::cli
