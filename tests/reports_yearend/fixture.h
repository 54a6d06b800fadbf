#pragma once

// The year-end tests' demo hospital (December 2025 to the middle of March 2026, month-end run
// for the months before March), a session on it, and what the runners presented.

#include "DataFolder.h"
#include "ModalHandler.h"
#include "PrintedPdf.h"
#include "Report.h"
#include "ReportSession.h"

#include <QDate>
#include <QDateTime>
#include <QDialog>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace yearendtest {

inline const QDateTime kServerDate{QDate(2026, 3, 15), QTime(14, 5)};

// The demo hospital, generated once per test program. Tests that change its data take a copy.
QString demoFolder();
std::unique_ptr<QTemporaryDir> copyOfDemo();

// A session on a data folder with the server date kServerDate and the program's report
// definitions.
class Session : public tarvik::testsupport::ReportSession
{
public:
    explicit Session(const QString& dataFolder);
};

// One report as ShowReport was handed it (also from the departmental runners).
struct Presented
{
    QString caption;
    QString file;        // the definition's file name
    QStringList values;  // parameter values in field order
    bool directPrint = false;
    bool modal = false;
    tarvik::engine::ReportPtr report;
};

// While it lives, ShowReport hands every report here instead of a viewer or the printer.
class PresentationRecorder
{
public:
    PresentationRecorder();
    ~PresentationRecorder();
    PresentationRecorder(const PresentationRecorder&) = delete;
    PresentationRecorder& operator=(const PresentationRecorder&) = delete;

    std::vector<Presented> presented;
};

// What a year-end report prints on its "Total for the year" line: the count of each month,
// the year's count and its net revenue in cents. Read from the report's CSV export.
struct YearTotals
{
    std::vector<qint64> months; // January to December
    qint64 count = 0;
    qint64 amountCents = 0;
};
YearTotals yearTotalsOf(const tarvik::engine::ReportPtr& report);

using tarvik::testsupport::exec;
using tarvik::testsupport::queryColumn;
using tarvik::testsupport::queryRow;
using tarvik::testsupport::RecordingUi;
using tarvik::testsupport::typeDate;
using ModalHandler = tarvik::testsupport::ModalHandler<QDialog>;

} // namespace yearendtest
