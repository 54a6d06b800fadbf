#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

namespace tarvik {

// How start-up ended.
enum class StartupOutcome {
    FrameShown,          // the program runs on the frame's event loop
    LogInNotCompleted,   // the user gave up at the log-in window
    Failed,              // an error, shown to the user
    PatientSearchRefused // the patient-search component would not connect: ends silently
};

struct StartupResult
{
    StartupOutcome outcome = StartupOutcome::Failed;
    QString message;                // what the message box said, if one was shown
    std::unique_ptr<QWidget> frame; // the frame, when shown
};

// Builds the frame window (the caller decides which, so this library does not depend on
// the windows it opens).
using FrameLoader = std::function<std::unique_ptr<QWidget>()>;

// Creates the session, code-search and patient-search components and tells the session
// component which module logs in.
void createComponents();

// The start-up steps after a successful log-in that need no window: no time limit on
// commands, the start-up query (hospital name and address, server date), the department
// codes, the search components and the report folder. Returns false when the patient search
// refuses the connection. Throws with a message for a person.
bool startSession();

// The start-up sequence: log-in, session values, search components, then the frame.
// On failure it shows a message box with the reason and returns; the caller ends the program.
StartupResult Main(const FrameLoader& loadFrame);

// The program's exit status for an outcome that did not show the frame.
int exitStatus(StartupOutcome outcome);

} // namespace tarvik
