#pragma once

// The month-end tests' demo hospital and session: the generator's small hospital of January to
// mid-March 2026, the server's clock on March 15, the program's report definitions.

#include "DataFolder.h"
#include "ModalHandler.h"
#include "MonthlyReports.h"
#include "PresentedReports.h"
#include "PrintedPdf.h"
#include "ReportSession.h"

#include <QDate>
#include <QDateTime>
#include <QDialog>
#include <QString>

namespace monthlytest {

inline const QDateTime kServerDate{QDate(2026, 3, 15), QTime(14, 5)};
// A whole month of the demo data, with January's balances before it.
inline const QDate kMonth{2026, 2, 1};

// The demo hospital (small scale, fixed seed), generated once per test program.
QString demoFolder();

class Session : public tarvik::testsupport::ReportSession
{
public:
    explicit Session(const QString& dataFolder, const QDateTime& serverDate = kServerDate);
};

using tarvik::testsupport::PresentedReports;
using tarvik::testsupport::RecordingUi;
using tarvik::testsupport::Shown;
using tarvik::testsupport::typeDate;
using ModalHandler = tarvik::testsupport::ModalHandler<QDialog>;

// Makes a report definition of the session's folder unreadable as XML.
void spoil(const QString& folder, const QString& file);

} // namespace monthlytest
