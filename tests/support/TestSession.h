#pragma once

// The log-in and the clean-up around the dialog and report-output tests.

#include <QString>

namespace tarvik::testsupport {

// Logs "tester" (password "secret", reports module) in on the data folder, adding the user when
// the folder has none, with no command timeout, and sets the hospital's name and address.
// Throws when the log-in is refused.
void logInTester(const QString& dataFolder);

// Releases the open report, unloads the progress window, closes every window and lets the
// closed ones be deleted.
void closeReportWindows();

} // namespace tarvik::testsupport
