#pragma once

// A logged-in session for the report dialog tests: the session values set, the report
// definitions copied where a test may spoil a file, exports sent to a folder of the test's own,
// viewers kept in a window of the test's own; and a record of every report a run presented.

#include "ReportRuns.h"

#include <QDateEdit>
#include <QDateTime>
#include <QMdiArea>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>
#include <vector>

namespace tarvik::db {
class Connection;
}
namespace tarvik {
class frmReportViewer;
}

namespace tarvik::testsupport {

class ReportSession
{
public:
    // Logs in on dataFolder (adding a user when the folder has none), sets the session values
    // with serverDate as gServerDate, copies the *.rpt files of reportSources (a later folder's
    // file replaces an earlier one's) to a folder of its own and sends viewers to frame().
    ReportSession(const QString& dataFolder, const QDateTime& serverDate, const QStringList& reportSources);
    ~ReportSession();
    ReportSession(const ReportSession&) = delete;
    ReportSession& operator=(const ReportSession&) = delete;

    tarvik::db::Connection& connection();
    QStringList trace() const; // the command texts sent so far
    void clearTrace();
    QString reportFolder() const { return m_reports.path(); }
    // Makes the session's copy of a report definition unreadable as XML.
    void spoilReport(const QString& file) const;
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
class RecordingUi : public tarvik::runs::RunUi
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

// Replaces stored procedures of Reports with the script's (for exact results).
void replaceProcedure(const QString& folder, const QString& script);

} // namespace tarvik::testsupport
