#pragma once

// A logged-in session on a hospital data folder, the report folder copied where a test may
// spoil a file, viewers kept in a window of the test's own, and a record of every report the
// end-of-day functions presented.

#include "DailyReports.h"
#include "DataFolder.h"
#include "ModalHandler.h"
#include "PrintedPdf.h"

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

class Session
{
public:
    // Logs in on dataFolder (adding a user when the folder has none), sets the session values,
    // copies the report definitions to a folder of its own and sends viewers to frame().
    explicit Session(const QString& dataFolder);
    ~Session();

    tarvik::db::Connection& connection();
    QStringList trace() const;          // the command texts sent so far
    void clearTrace();
    QString reportFolder() const { return m_reports.path(); }
    QString exportFolder() const { return m_export.path(); }
    QMdiArea* frame() const { return m_frame.get(); }
    QList<tarvik::frmReportViewer*> viewers() const;

private:
    QTemporaryDir m_reports;
    QTemporaryDir m_export;
    std::unique_ptr<QMdiArea> m_frame;
    QString m_exportBefore;
};

// One presentation, as the report stood when it was handed over.
struct Shown
{
    QString caption;
    bool groupTree = false;
    bool directPrint = false;
    bool modal = false;
    bool progressShowing = false;  // the progress window was up
    bool busy = false;             // the hourglass was still on
    int unloadsBefore = 0;         // dialog unloads asked for before it
    QString file;                  // the definition's file name
    QStringList databases;         // each table's database
    QStringList values;            // parameter values in field order (valueText)
    QStringList subreports;        // "name: v1; v2" per subreport, in the definition's order
};

// Records each presentation; presents it for real unless told not to.
class RecordingUi : public tarvik::daily::RunUi
{
public:
    explicit RecordingUi(bool present = true) : m_present(present) {}
    void setBusy(bool busy) override;
    void openProgress() override;
    void closeProgress() override;
    void showReport(bool showGroupTree, const QString& caption, bool directPrint, bool modal) override;
    void unloadDialog() override { ++unloads; }
    void produced(const QString& caption) override { producedCaptions << caption; }

    std::vector<Shown> shown;
    QStringList producedCaptions;
    int busyDepth = 0;
    int progressDepth = 0;
    int unloads = 0;

private:
    bool m_present;
};

// Types a date into a picker key by key from its first section, as a person does.
void typeDate(QDateEdit* picker, const QString& keys);

// A parameter value as text: dates "MM/dd/yyyy", numbers without trailing zeros.
QString valueText(const QVariant& value);

// SQL on a data folder with the three databases attached (queryRow: the first row's columns).
using tarvik::testsupport::exec;
using tarvik::testsupport::queryRow;
// Replaces a stored procedure of Reports with the given body (for exact results).
void replaceProcedure(const QString& folder, const QString& script);

// Answers each modal dialog that opens within `ms` (default half a minute).
using ModalHandler = tarvik::testsupport::ModalHandler<QDialog>;
using tarvik::testsupport::cupsPdfOutputDir;
using tarvik::testsupport::pdfText;

} // namespace dailytest
