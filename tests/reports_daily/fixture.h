#pragma once

// The end-of-day tests' demo hospital and session (the session and the run recorder are the
// shared ones of tests/support).

#include "DailyReports.h"
#include "DataFolder.h"
#include "ModalHandler.h"
#include "PrintedPdf.h"
#include "ReportSession.h"

#include <QDate>
#include <QDateEdit>
#include <QDateTime>
#include <QDialog>
#include <QMdiArea>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>
#include <memory>
#include <vector>

namespace tarvik::db {
class Connection;
}
namespace tarvik {
class frmReportViewer;
}

namespace dailytest {

// The demo data ends on a Sunday; the Monday before is a busy day.
inline const QDate kBusyDay{2026, 3, 9};
inline const QDateTime kServerDate{QDate(2026, 3, 15), QTime(14, 5)};

// The demo hospital (small scale, fixed seed), generated once per test program.
QString demoFolder();
// A fresh hospital with its schema and procedures and no data.
std::unique_ptr<QTemporaryDir> emptyHospital();

// A logged-in session on a data folder with the server date kServerDate, the program's report
// definitions and this folder's stand-ins copied to a folder of its own.
class Session : public tarvik::testsupport::ReportSession
{
public:
    explicit Session(const QString& dataFolder);
};

using tarvik::testsupport::RecordingUi;
using tarvik::testsupport::Shown;
using tarvik::testsupport::typeDate;
using tarvik::testsupport::valueText;
using tarvik::testsupport::replaceProcedure;

// SQL on a data folder with the three databases attached (queryRow: the first row's columns).
using tarvik::testsupport::exec;
using tarvik::testsupport::queryRow;

// Answers each modal dialog that opens within `ms` (default half a minute).
using ModalHandler = tarvik::testsupport::ModalHandler<QDialog>;
using tarvik::testsupport::cupsPdfOutputDir;
using tarvik::testsupport::pdfText;

} // namespace dailytest
