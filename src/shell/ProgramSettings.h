#pragma once

#include <QString>

namespace tarvik::shell {

// The program's own settings, kept in ~/.config/tarvik/reports.ini beside the components'
// settings file.

// The settings file's path.
QString programSettingsFile();

// The folder exports and spreadsheet presets go to, as chosen in Page Setup; empty when none
// was chosen (the desktop folder where there is one, else the home folder).
QString savedExportFolder();
// Keeps the folder for later sessions and uses it from now on; empty goes back to the default.
void saveExportFolder(const QString& folder);

// At start-up: the saved export folder, if any, becomes the one exports use.
void applyProgramSettings();

} // namespace tarvik::shell
