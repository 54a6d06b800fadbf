#pragma once

// The one way every report is opened, pointed at its database, logged on, given its parameter
// values and presented.

#include "Report.h"

#include <QString>
#include <QVariantList>
#include <functional>

class QMdiArea;

namespace tarvik {

// The report being prepared. OpenReport replaces it, direct printing and the closing of a
// modal viewer release it; a modeless viewer keeps its own reference to the report it shows.
extern engine::ReportPtr gReport;

// Opens ReportFile (gReportPath + "/name.rpt"), points every table at DatabaseName, logs the
// tables on with the session's credentials, gives the report the hospital name and fills the
// parameter fields in order from ParameterValues (extra values are ignored; fields beyond the
// list keep what the file defines). Throws with a message for a person.
void OpenReport(const QString& ReportFile, const QString& DatabaseName, const QVariantList& ParameterValues);

// The same for the subreport SubreportName of gReport; must follow OpenReport.
void OpenSubreport(const QString& SubreportName, const QString& DatabaseName,
                   const QVariantList& ParameterValues);

// Prints gReport on the default printer with no prompt and releases it (DirectPrint), or shows
// it in a new viewer window: modal (returns when closed, gReport released) or a child window
// of the frame (returns at once).
void ShowReport(bool ShowGroupTree, const QString& Caption, bool DirectPrint, bool Modal);

// Hands every report ShowReport presents (also from the runners) to a function instead of a
// viewer or the printer: unattended runs write files there. gReport is released afterwards
// for DirectPrint and Modal, as printing and the modal viewer release it. Empty to clear.
using ShowReportOverride = std::function<void(const engine::ReportPtr& report, bool showGroupTree,
                                              const QString& caption, bool directPrint, bool modal)>;
void setShowReportOverride(ShowReportOverride override);

// Where modeless viewers go. By default the frame window's area for child windows; when no
// frame is open a viewer is a window of its own.
void setViewerHost(std::function<QMdiArea*()> host);
QMdiArea* viewerHost();

// The location that a table read from `location` gets for `databaseName`: only the part before
// the first "." is replaced ("Patient_data.dbo.tbX" for "Reports" gives "Reports.dbo.tbX").
// Throws std::runtime_error for a location without a ".".
QString retargetedLocation(const QString& location, const QString& databaseName);

} // namespace tarvik
