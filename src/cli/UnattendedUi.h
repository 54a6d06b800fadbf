#pragma once

// How an unattended run presents its reports: no windows; every report the dialogs' functions
// (or the departmental runners) hand to ShowReport is written to the chosen files and/or
// printed, with a progress line on standard error and a record in the trace file.

#include "ReportRuns.h"
#include "Report.h"
#include "Trace.h"

#include <QDate>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <memory>
#include <vector>

namespace tarvik::cli {

// Where the reports of a run go.
struct OutputTargets
{
    QString pdfDir, xlsDir, xlsxDir, csvDir; // empty: not wanted
    bool print = false;                      // the default printer

    bool any() const;
    // Each wanted folder with the engine's format code and the file's extension.
    struct Folder
    {
        QString dir;
        int formatCode;
        const char* extension;
    };
    std::vector<Folder> folders() const;
};

// The --trace file: every command text the session sent, one per line, and for each report
// presented its file, databases, parameter values in order and caption on lines that begin
// with "--" (so the file stays a script of command texts).
class TraceFile
{
public:
    // Opens (and empties) the file. Throws std::runtime_error with the path and the reason.
    explicit TraceFile(const QString& path);
    void command(const db::TraceEntry& entry);
    void report(const engine::Report& report, const QString& caption);

private:
    void write(const QString& line);
    QFile m_file;
    QTextStream m_out;
};

// One report of the run, as it was written.
struct ProducedReport
{
    QString caption;
    QStringList files;
    bool printed = false;
};

class UnattendedUi final : public runs::RunUi
{
public:
    // progress: where the progress lines go (standard error); trace may be null.
    UnattendedUi(OutputTargets targets, QTextStream& progress, TraceFile* trace);
    ~UnattendedUi() override;
    UnattendedUi(const UnattendedUi&) = delete;
    UnattendedUi& operator=(const UnattendedUi&) = delete;

    // Before an entry runs: its day, the preset name its files take (empty: the caption's), how
    // many reports it will present, what the file names end with, and whether a batch's files
    // are named by their boxes' captions.
    void begin(const QDate& date, const QString& exportName, int expected, const QString& periodLabel,
               bool filesByBox = false);

    // RunUi: nothing to show; presenting goes through ShowReport like the interactive dialogs.
    void setBusy(bool) override {}
    void openProgress() override {}
    void closeProgress() override {}
    void starting(int index, int count, const QString& what) override;
    void showReport(bool showGroupTree, const QString& caption, bool directPrint, bool modal) override;
    // A stop signal is this run's cancel.
    bool cancelRequested() const override;
    QString outputsOf(const QString& caption, bool directPrint) const override;

    // Receives every report ShowReport presents while this object lives.
    void present(const engine::ReportPtr& report, const QString& caption);

    // The progress line of the report that failed before it could be presented (none when
    // the failure came while presenting it: that line is out already).
    void failedAt(const QString& what);

    const std::vector<ProducedReport>& produced() const { return m_produced; }

private:
    QString progressPrefix(const QString& caption) const;

    OutputTargets m_targets;
    QTextStream& m_progress;
    TraceFile* m_trace;
    QDate m_date;
    QString m_exportName;
    QString m_periodLabel;
    bool m_filesByBox = false;
    QString m_box; // the box being produced
    int m_expected = 0;
    std::vector<ProducedReport> m_produced;
    bool m_failureReported = false;
};

} // namespace tarvik::cli
