#pragma once

// The clean stop of a subcommand on SIGTERM (systemd's stop), SIGINT (Ctrl+C) and SIGHUP (a
// closed terminal). The signal asks the work to stop: the database command running is
// interrupted and rolled back, an export fails at its next write and removes its temporary
// file, and the subcommand ends with status 128 + the signal's number after saying what was
// produced. Work that does not answer within the grace time (a long layout), or a second
// signal, ends the process at once, after its temporary files are removed.

#include <QString>

namespace tarvik::cli {

class CleanStop
{
public:
    // Installs the handlers for the life of the object (one at a time).
    explicit CleanStop(int graceSeconds = 10);
    ~CleanStop();
    CleanStop(const CleanStop&) = delete;
    CleanStop& operator=(const CleanStop&) = delete;

    // The signal that asked for the stop, or 0.
    static int signal();
    // "SIGTERM" and so on.
    static QString signalName(int signal);
    // The exit status of a run that a signal stopped.
    static int exitStatus(int signal) { return 128 + signal; }
};

// Before a subcommand writes anything: descriptors 0, 1 and 2 open (a closed one is pointed at
// /dev/null, or the next file opened would take its number and receive what is printed), and
// SIGPIPE ignored (a reader that went away does not end the run; printing fails quietly).
void guardStandardStreams();

} // namespace tarvik::cli
