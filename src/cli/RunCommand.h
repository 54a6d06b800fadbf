#pragma once

// `tarvik-reports run`: produces a report or a batch of the program without a window, for
// cron or a systemd timer.

namespace tarvik::cli {

// Exit statuses of `tarvik-reports run`.
enum ExitStatus : int {
    ExitOk = 0,           // every report was produced
    ExitReportFailed = 1, // a report failed; those produced before it are kept
    ExitUsage = 2,        // bad arguments, date, report name or password file: nothing produced
    ExitLogIn = 3,        // the log-in was refused or the session could not start
};

// Runs the command; argv as main received it, argv[1] being "run". Makes its own application
// object on the offscreen platform, so it must be called before any other is made.
int runCommand(int argc, char* argv[]);

} // namespace tarvik::cli
