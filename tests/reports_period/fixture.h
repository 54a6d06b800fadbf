#pragma once

// The period tests' demo hospital (January to the middle of March 2026, nothing recomputed
// yet), a session on it with the server's clock on March 15, and helpers to read a report's
// figures back.

#include "DataFolder.h"
#include "ModalHandler.h"
#include "PeriodReports.h"
#include "ReportSession.h"
#include "ReportText.h"

#include <QDate>
#include <QDateTime>
#include <QDialog>
#include <QString>

namespace periodtest {

inline const QDateTime kServerDate{QDate(2026, 3, 15), QTime(14, 5)};
// A whole month of the demo data, with January's balances before it.
inline const QDate kFirst{2026, 2, 1};
inline const QDate kLast{2026, 2, 28};

// The demo hospital, generated once per test program. Tests that change its data take a copy
// (copyOfFolder).
QString demoFolder();

class Session : public tarvik::testsupport::ReportSession
{
public:
    explicit Session(const QString& dataFolder, const QDateTime& serverDate = kServerDate);
};

using tarvik::testsupport::copyOfFolder;
using tarvik::testsupport::exec;
using tarvik::testsupport::money;
using tarvik::testsupport::numbersOnLine;
using tarvik::testsupport::queryColumn;
using tarvik::testsupport::queryRow;
using tarvik::testsupport::RecordingUi;
using tarvik::testsupport::Shown;
using tarvik::testsupport::typeDate;
using ModalHandler = tarvik::testsupport::ModalHandler<QDialog>;

} // namespace periodtest
