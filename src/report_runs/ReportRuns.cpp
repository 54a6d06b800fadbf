#include "ReportRuns.h"

#include "CommandText.h"
#include "Connection.h"
#include "DbError.h"
#include "ReportOperations.h"
#include "ReportRunners.h"
#include "RunHistory.h"
#include "Session.h"
#include "frmAnimate.h"

#include <QApplication>
#include <QPrinterInfo>
#include <QSysInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <memory>
#include <stdexcept>

Q_LOGGING_CATEGORY(lcRuns, "tarvik.runs")

namespace tarvik::runs {

namespace {

// The hourglass and the progress window of one report, taken down on every way out.
class BusyGuard
{
public:
    explicit BusyGuard(RunUi& ui) : m_ui(ui) {}
    ~BusyGuard() { stop(); }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;
    void start()
    {
        if (!m_on) {
            m_ui.setBusy(true);
            m_on = true;
        }
    }
    void stop()
    {
        if (m_on) {
            m_on = false;
            m_ui.setBusy(false);
        }
    }

private:
    RunUi& m_ui;
    bool m_on = false;
};

class ProgressGuard
{
public:
    explicit ProgressGuard(RunUi& ui) : m_ui(ui) {}
    ~ProgressGuard() { close(); }
    ProgressGuard(const ProgressGuard&) = delete;
    ProgressGuard& operator=(const ProgressGuard&) = delete;
    void open()
    {
        if (!m_open) {
            m_ui.openProgress();
            m_open = true;
        }
    }
    void close()
    {
        if (m_open) {
            m_open = false;
            m_ui.closeProgress();
        }
    }

private:
    RunUi& m_ui;
    bool m_open = false;
};

class InteractiveUi final : public RunUi
{
public:
    void setBusy(bool busy) override
    {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }
    void openProgress() override { m_progress = std::make_unique<ProgressWindow>(); }
    void closeProgress() override { m_progress.reset(); }
    void showReport(bool showGroupTree, const QString& caption, bool directPrint, bool modal) override
    {
        ShowReport(showGroupTree, caption, directPrint, modal);
    }
    bool cancelRequested() const override { return ProgressWindow::cancelSeen(); }
    QString outputsOf(const QString&, bool directPrint) const override
    {
        return directPrint ? QStringLiteral("printer ") + QPrinterInfo::defaultPrinterName() : QStringLiteral("viewer");
    }
    void forgetCancel() override { ProgressWindow::forgetCancel(); }
    // A batch keeps the progress window up from its first report to its end, saying which
    // report it is at (also for the reports that show only the hourglass); each viewer says it
    // again.
    void starting(int index, int count, const QString& what) override
    {
        frmAnimate::setBatchPosition(index, count, what);
        if (!m_batchProgress)
            m_batchProgress = std::make_unique<ProgressWindow>();
    }
    void batchEnded() override
    {
        m_batchProgress.reset();
        frmAnimate::clearBatchPosition();
    }

private:
    std::unique_ptr<ProgressWindow> m_progress;
    std::unique_ptr<ProgressWindow> m_batchProgress;
};

qint64 countField(const db::Recordset& rs, const QString& name, const QString& query)
{
    const QVariant v = rs.field(name);
    if (v.isNull())
        return 0;
    bool ok = false;
    qint64 n = 0;
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float)
        n = qRound64(v.toDouble(&ok));
    else
        n = v.toLongLong(&ok);
    if (!ok)
        throw db::DbError(QStringLiteral("%1: the field %2 holds \"%3\", which is not a number.")
                              .arg(query, name, v.toString()));
    return n;
}

double amountField(const db::Recordset& rs, const QString& name, const QString& query)
{
    const QVariant v = rs.field(name);
    if (v.isNull())
        return 0;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        throw db::DbError(QStringLiteral("%1: the field %2 holds \"%3\", which is not an amount.")
                              .arg(query, name, v.toString()));
    return d;
}

// A value that is one text (every kind but the six totals).
QString singleValue(const ValueSpec& item, const RunValues& run)
{
    switch (item.kind) {
    case ValueKind::Day:
    case ValueKind::First:
        return dayText(run.from);
    case ValueKind::Last:
        return dayText(run.to);
    case ValueKind::LastThrough:
        return dayText(run.to) + QStringLiteral(" 23:59:59.99");
    case ValueKind::Year:
        return yearText(run.from);
    case ValueKind::Address:
        return gCompanyAddress;
    case ValueKind::CompanyName:
        return gCompanyName;
    case ValueKind::EmployeeName:
        return gCurrentUser ? gCurrentUser->employeename() : QString();
    case ValueKind::Choice:
        return run.choice;
    case ValueKind::Literal:
        return QString::fromLatin1(item.text);
    case ValueKind::Totals:
        break;
    }
    throw std::logic_error("The six totals are not one value.");
}

// A report shown without a spreadsheet preset and without stored export options would be
// exported under its definition's name, one file for every report of that definition (the
// four departments' logbooks): it is named as the command line names it instead, by its
// caption and the run's day, in the export folder. Only the name: the format stays the
// engine's default.
void nameUnpresetExport(const QString& caption, const RunValues& run)
{
    if (!gReport || !gReport->exportOptions().diskFileName.isEmpty() || gReport->definition().storedExport.present)
        return;
    gReport->exportOptions().diskFileName = outputBaseName({}, caption, run.from, runLabel(run)) + QStringLiteral(".xls");
}

void presentThroughRunner(const ReportSpec& row, const RunValues& run, bool directPrint)
{
    const QString code = row.dept.value();
    const QString title = QString::fromLatin1(row.title);
    const QString flag = QString::fromLatin1(row.flag ? row.flag : "N");
    switch (row.kind) {
    case RowKind::DailyLogbook:
        PrintDailyReport(dayText(run.from), dayText(run.to), code, title, directPrint);
        return;
    case RowKind::MonthlySummary:
        PrintMonthlyReport(dayText(run.from), dayText(run.to), code, title, directPrint, flag);
        return;
    case RowKind::YearEndSummary:
        PrintYearEndReport(dayText(run.from), dayText(run.to), code, title, directPrint, flag);
        return;
    case RowKind::Report:
        break;
    }
    throw std::logic_error("A report of its own is not produced by a departmental runner.");
}

} // namespace

RunUi& interactiveUi()
{
    static InteractiveUi ui;
    return ui;
}

QString DeptCode::value() const
{
    if (session)
        return *session;
    return literal ? QString::fromLatin1(literal) : QString();
}

CommandSpec dayCommand(const char* head)
{
    return CommandSpec{head, {ValueSpec{ValueKind::Day}}};
}

// ---- Texts and values ------------------------------------------------------------------------

QString exportPresetFile(const QString& exportName, const QDate& date)
{
    return engine::Report::defaultExportFolder() + QLatin1Char('/') + exportName + QLatin1Char(' ')
        + exportDayText(date) + QStringLiteral(".xls");
}

QString runLabel(const RunValues& run)
{
    if (run.from == run.to)
        return exportDayText(run.from);
    if (run.from == firstDayOfMonth(run.from) && run.to == lastDayOfMonth(run.from))
        return run.from.toString(QStringLiteral("MM-yyyy"));
    if (run.from == QDate(run.from.year(), 1, 1) && run.to == QDate(run.from.year(), 12, 31))
        return yearText(run.from);
    return exportDayText(run.from) + QStringLiteral(" to ") + exportDayText(run.to);
}

QString outputBaseName(const QString& exportName, const QString& caption, const QDate& day, const QString& label)
{
    if (!exportName.isEmpty())
        return exportName + QLatin1Char(' ') + label;
    QString name = caption;
    // The runners' captions end with the day, or with the month as "mmm,yyyy": the label says it.
    if (day.isValid())
        for (const QString& captionDate : {dayText(day), formatMonthYear(day)}) {
            if (name.endsWith(captionDate)) {
                name.chop(captionDate.size());
                break;
            }
        }
    static const QRegularExpression trailing(QStringLiteral("[\\s:]+$"));
    name.remove(trailing);
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    name.replace(QLatin1Char(':'), QLatin1Char('-'));
    name.replace(QLatin1Char('\\'), QLatin1Char('-'));
    name = name.simplified();
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name.prepend(QStringLiteral("Report"));
    return name + QLatin1Char(' ') + label;
}

QVariantList buildValues(const std::vector<ValueSpec>& items, const RunValues& run)
{
    QVariantList values;
    for (const ValueSpec& item : items) {
        if (item.kind == ValueKind::Totals) {
            const DayTotals& t = run.totals;
            values << t.patientCash << t.patientCharge << t.hospCash << t.hospCharge << t.profCash << t.profCharge;
        } else {
            values << singleValue(item, run);
        }
    }
    return values;
}

QString commandText(const CommandSpec& command, const RunValues& run)
{
    QStringList arguments;
    for (const ValueSpec& item : command.arguments)
        arguments << singleValue(item, run);
    return db::callText(QString::fromLatin1(command.head), arguments);
}

QString captionOf(const ReportSpec& row, const RunValues& run)
{
    switch (row.kind) {
    case RowKind::Report: {
        const QString caption = QString::fromLatin1(row.caption);
        return row.captionWithDay ? caption + dayText(run.from) : caption;
    }
    case RowKind::DailyLogbook:
        return QString::fromLatin1(row.title) + QStringLiteral(": ") + dayText(run.from);
    case RowKind::MonthlySummary:
    case RowKind::YearEndSummary:
        return QString::fromLatin1(row.title) + QStringLiteral(": ") + formatMonthYear(run.from);
    }
    return {};
}

QString boxCaptionOf(const std::vector<BatchRow>& rows, int box)
{
    for (const BatchRow& row : rows)
        if (row.box == box)
            return QString::fromLatin1(row.boxCaption);
    return {};
}

QString withoutMnemonic(const QString& caption)
{
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&') && i + 1 < caption.size()) {
            ++i; // the mark goes; the character after it stays (a doubled one is a literal "&")
        }
        out += caption.at(i);
    }
    return out;
}

// ---- Work ----------------------------------------------------------------------------------

db::Connection& sessionConnection()
{
    if (!gCurrentUser || !gCurrentUser->SqlConnection())
        throw std::runtime_error("Nobody is logged in: there is no database connection.");
    return *gCurrentUser->SqlConnection();
}

DayTotals readTotals(const QString& text)
{
    const db::RecordsetPtr rs = sessionConnection().execute(text);
    DayTotals totals;
    // A procedure that returns no result at all is broken, not a quiet day: zero totals
    // printed as if they were the day's would be a plainly wrong report.
    if (!rs || !rs->isOpen())
        throw db::DbError(QStringLiteral("%1 returned no result: the day's totals cannot be read.").arg(text));
    if (rs->eof() || rs->bof())
        return totals; // no row: nobody to count that day
    totals.patientCharge = countField(*rs, QStringLiteral("TotalPatientCharge"), text);
    totals.patientCash = countField(*rs, QStringLiteral("TotalPatientCash"), text);
    totals.hospCharge = amountField(*rs, QStringLiteral("TotalHospCharge"), text);
    totals.profCharge = amountField(*rs, QStringLiteral("TotalProfCharge"), text);
    totals.hospCash = amountField(*rs, QStringLiteral("TotalHospCash"), text);
    totals.profCash = amountField(*rs, QStringLiteral("TotalProfCash"), text);
    rs->close();
    return totals;
}

RunCancelled::RunCancelled(const QString& caption)
    : std::runtime_error(QStringLiteral("The report \"%1\" was cancelled; its database work was rolled back.")
                             .arg(caption)
                             .toStdString()),
      m_caption(caption)
{
}

namespace {

QString produceRowOnce(const ReportSpec& row, const RunValues& runValues, bool directPrint, RunUi& ui)
{
    RunValues run = runValues;
    const bool print = row.output == Output::AsChosen && directPrint;
    const QString caption = captionOf(row, run);
    ProgressGuard progress(ui);
    BusyGuard busy(ui);
    if (row.progressWindow)
        progress.open();
    if (row.hourglass)
        busy.start();

    if (row.kind != RowKind::Report) {
        presentThroughRunner(row, run, print);
        nameUnpresetExport(caption, run);
        busy.stop();
        progress.close();
        ui.produced(caption);
        return caption;
    }

    if (!row.preparation.empty()) {
        db::Connection& connection = sessionConnection();
        for (const CommandSpec& command : row.preparation)
            connection.execute(commandText(command, run));
    }
    if (row.totalsQuery.head)
        run.totals = readTotals(commandText(row.totalsQuery, run));

    OpenReport(gReportPath + QString::fromLatin1(row.file), QString::fromLatin1(row.database),
               buildValues(row.values, run));
    for (const SubreportSpec& sub : row.subreports)
        OpenSubreport(QString::fromLatin1(sub.name), QString::fromLatin1(sub.database), buildValues(sub.values, run));
    if (row.unloadBeforeShow) {
        progress.close();
        ui.unloadDialog();
    }
    busy.stop();

    ui.showReport(row.groupTree, caption, print, row.modal);
    // After ShowReport: the viewer shares the report object, so its export button uses these.
    if (row.exportName && gReport) {
        engine::ExportOptions& options = gReport->exportOptions();
        options.diskFileName = exportPresetFile(QString::fromLatin1(row.exportName), run.from);
        options.destinationType = 1;
        options.formatType = 29;
    } else {
        nameUnpresetExport(caption, run);
    }
    progress.close();
    ui.produced(caption);
    return caption;
}

} // namespace

namespace {

// The history row of a run, but for its end and outcome.
db::RunRecord historyRecord(const ReportSpec& row, const RunValues& run)
{
    db::RunRecord r;
    r.user = gCurrentUser ? gCurrentUser->userName() : QString();
    r.workstation = QSysInfo::machineHostName();
    r.started = QDateTime::currentDateTime();
    r.caption = captionOf(row, run);
    QStringList values;
    if (row.kind == RowKind::Report) {
        r.file = QString::fromLatin1(row.file);
        r.database = QString::fromLatin1(row.database);
        for (const QVariant& v : buildValues(row.values, run))
            values << v.toString();
    } else {
        r.file = row.kind == RowKind::DailyLogbook ? QStringLiteral("PrintDailyReport")
            : row.kind == RowKind::MonthlySummary  ? QStringLiteral("PrintMonthlyReport")
                                                   : QStringLiteral("PrintYearEndReport");
        r.database = QStringLiteral("Reports");
        values << dayText(run.from) << dayText(run.to) << row.dept.value();
        if (row.kind != RowKind::DailyLogbook)
            values << QString::fromLatin1(row.flag ? row.flag : "N");
    }
    r.parameters = values.join(QStringLiteral("; "));
    return r;
}

} // namespace

QString produceRow(const ReportSpec& row, const RunValues& run, bool directPrint, RunUi& ui)
{
    ui.forgetCancel();
    db::RunRecord record = historyRecord(row, run);
    const auto finish = [&](const char* outcome, const QString& message) {
        record.ended = QDateTime::currentDateTime();
        record.outcome = QLatin1String(outcome);
        record.message = message;
        db::recordRun(record); // never throws: the history does not stop a report
    };
    try {
        const QString caption = produceRowOnce(row, run, directPrint, ui);
        record.outputs = ui.outputsOf(caption, row.output == Output::AsChosen && directPrint);
        finish(db::kOutcomeDone, {});
        return caption;
    } catch (const RunCancelled& e) {
        finish(db::kOutcomeCancelled, QString::fromUtf8(e.what()));
        throw;
    } catch (const std::exception& e) {
        // Whatever the interrupted work failed with, the cause is the cancel.
        const auto* dbError = dynamic_cast<const db::DbError*>(&e);
        if (ui.cancelRequested() || (dbError && dbError->kind() == db::DbError::Kind::Stopped)) {
            RunCancelled cancelled(record.caption);
            finish(db::kOutcomeCancelled, QString::fromUtf8(cancelled.what()));
            throw cancelled;
        }
        finish(db::kOutcomeFailed, QString::fromUtf8(e.what()));
        throw;
    }
}

BatchResult runBatch(const std::vector<BatchRow>& rows, const std::function<bool(int box)>& ticked,
                     const RunValues& run, bool directPrint, RunUi& ui)
{
    BatchResult result;
    // Told on every way out, so no later run shows this batch's position.
    struct Ended
    {
        RunUi& ui;
        ~Ended() { ui.batchEnded(); }
    } ended{ui};
    int count = 0;
    for (const BatchRow& row : rows)
        count += ticked(row.box) ? 1 : 0;
    int index = 0;
    bool cancelPending = false;
    for (const BatchRow& row : rows) {
        if (!ticked(row.box))
            continue;
        if (cancelPending) {
            // The cancel came as the previous report was presented: this one is the first not run.
            result.failedBox = row.box;
            result.cancelled = true;
            break;
        }
        ++index;
        try {
            // Inside: the hooks may fail too (the progress window's clip), which stops the batch
            // like a failing report.
            ui.starting(index, count, withoutMnemonic(QString::fromLatin1(row.boxCaption)).simplified());
            result.produced << produceRow(row.report, run, directPrint, ui);
            cancelPending = ui.cancelRequested();
        } catch (const RunCancelled&) {
            result.failedBox = row.box;
            result.cancelled = true;
            break;
        } catch (const std::exception& e) {
            result.failedBox = row.box;
            result.error = QString::fromStdString(e.what());
            qCWarning(lcRuns).noquote() << "batch stopped at" << row.boxCaption << ":" << result.error;
            break;
        }
    }
    if (result.cancelled) {
        const QString box = boxCaptionOf(rows, result.failedBox).simplified();
        result.error = QStringLiteral("The run was cancelled at \"%1\"; nothing of it or after it was produced.")
                           .arg(box);
        result.error += result.produced.isEmpty()
            ? QStringLiteral("\nNo report was produced.")
            : QStringLiteral("\nProduced before the cancel: %1.").arg(result.produced.join(QStringLiteral(", ")));
        qCInfo(lcRuns).noquote() << "batch cancelled at" << box;
    }
    return result;
}

} // namespace tarvik::runs
