#include "PeriodReports.h"

#include "Session.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcPeriod, "tarvik.period")

namespace tarvik::yearly {

namespace {

using K = runs::ValueKind;
using runs::CommandSpec;
using runs::SubreportSpec;
using runs::ValueSpec;

const ValueSpec kFirst{K::First};
const ValueSpec kLast{K::Last};
const ValueSpec kDay{K::Day};
const ValueSpec kAddress{K::Address};
const ValueSpec kCompany{K::CompanyName};
const ValueSpec kChoice{K::Choice};
const ValueSpec kAllPatients{K::Literal, "A"};

ReportSpec report(const char* file, const char* database, std::vector<ValueSpec> values,
                  std::vector<SubreportSpec> subreports, const char* caption, bool groupTree)
{
    ReportSpec s;
    s.file = file;
    s.database = database;
    s.values = std::move(values);
    s.subreports = std::move(subreports);
    s.caption = caption;
    s.groupTree = groupTree;
    s.hourglass = true;
    return s;
}

// A report of a period dialog: opened, then the dialog goes, then the viewer comes.
ReportSpec periodReport(const char* file, const char* database, std::vector<ValueSpec> values,
                        std::vector<SubreportSpec> subreports, const char* caption, bool groupTree,
                        bool progressWindow, std::vector<CommandSpec> preparation = {})
{
    ReportSpec s = report(file, database, std::move(values), std::move(subreports), caption, groupTree);
    s.progressWindow = progressWindow;
    s.unloadBeforeShow = true;
    s.output = runs::Output::AlwaysViewer;
    s.preparation = std::move(preparation);
    return s;
}

// A report of an audit-trail dialog: each in its own viewer, with its own progress window.
ReportSpec auditReport(const char* file, std::vector<ValueSpec> values, std::vector<SubreportSpec> subreports,
                       const char* caption, bool groupTree)
{
    ReportSpec s = report(file, "Reports", std::move(values), std::move(subreports), caption, groupTree);
    s.progressWindow = true;
    s.output = runs::Output::AlwaysViewer;
    return s;
}

bool runRow(const PeriodRow* row, const PeriodInput& in, RunUi& ui, const char* what)
{
    if (!row) {
        // The hourglass comes and goes: nothing is prepared for an unknown report.
        ui.setBusy(true);
        ui.setBusy(false);
        return false;
    }
    runs::RunValues values = runs::RunValues::period(in.from, in.to);
    values.choice = in.balanceClass;
    qCInfo(lcPeriod).noquote() << what << in.reportType << "for" << dayText(in.from) << "to" << dayText(in.to)
                               << in.balanceClass;
    runs::produceRow(row->report, values, false, ui);
    return true;
}

template <size_t N>
std::function<bool(int)> tickedOf(const std::array<bool, N>& ticked)
{
    return [&ticked](int box) { return box >= 0 && size_t(box) < N && ticked[size_t(box)]; };
}

} // namespace

// ---- Tables ----------------------------------------------------------------------------------

const std::vector<PeriodRow>& reportPeriodRows()
{
    static const std::vector<PeriodRow> rows = [] {
        const CommandSpec recompute{"REPORTS..sp_BILLING_RepAgingPayableRecompute '", {kFirst, kLast}};
        const std::vector<ValueSpec> values{kFirst, kLast, kAddress};
        return std::vector<PeriodRow>{
            {"3", periodReport("/PayableDetail.rpt", "REPORTS", values, {}, "Payable Aging", true, true, {recompute})},
            {"4", periodReport("/PayableComputation.rpt", "REPORTS", values, {{"Classification", "REPORTS", values}},
                               "Payable Aging Analysis Report", true, true, {recompute})},
            // The address first; the last day up to its last second, so the whole day counts.
            {"6", periodReport("/DailyAdjustment_New.rpt", "Reports", {kAddress, kFirst, {K::LastThrough}}, {},
                               "Daily Adjustment Report", false, false)},
        };
    }();
    return rows;
}

const std::vector<PeriodRow>& agingRows()
{
    static const std::vector<PeriodRow> rows = [] {
        // The balance class reaches the reports through the recomputed tables only.
        const CommandSpec recompute{"REPORTS..sp_BILLING_RepAgingRecompute '", {kFirst, kLast, kChoice}};
        const std::vector<ValueSpec> values{kFirst, kLast, kAddress};
        return std::vector<PeriodRow>{
            {"1", periodReport("/Aging.rpt", "REPORTS", values, {}, "Aging Detailed Report", true, false, {recompute})},
            {"2", periodReport("/AgingComputation.rpt", "REPORTS", values, {{"Classification", "REPORTS", values}},
                               "Aging Summary Report", true, false, {recompute})},
        };
    }();
    return rows;
}

const std::vector<PeriodRow>& reportPeriodOthersRows()
{
    static const std::vector<PeriodRow> rows{
        {"0", periodReport("/AdmissionList.rpt", "Reports", {kFirst, kLast, kAddress}, {}, "List Of Admissions", true,
                           true)},
    };
    return rows;
}

const std::vector<BatchRow>& auditTrailRows()
{
    static const std::vector<BatchRow> rows = [] {
        // The day, the patient class the options chose, the address; the detail's subreports
        // take the day and the class.
        const std::vector<ValueSpec> values{kDay, kChoice, kAddress};
        const std::vector<ValueSpec> subValues{kDay, kChoice};
        return std::vector<BatchRow>{
            {0, "&Detail",
             auditReport("/DailyAuditTrail.rpt", values,
                         {{"Summary", "REPORTS", subValues}, {"Doctors", "REPORTS", subValues}},
                         "Daily Audit Trail - Detail", true)},
            {1, "Summary by &A/R",
             auditReport("/DailyAuditSummaryByAR.rpt", values, {}, "Daily Audit Trail - Summary by AR", false)},
            {2, "Summary by &G/L",
             auditReport("/DailyAuditSummaryByGL.rpt", values, {}, "Daily Audit Trail - Summary by GL", false)},
        };
    }();
    return rows;
}

const std::vector<BatchRow>& auditTrailMonthlyRows()
{
    static const std::vector<BatchRow> rows = [] {
        // Every patient, as the after-end-of-month batch sends these shared definitions; the
        // breakdown opens both its subreports, as there, so both give the same report.
        const std::vector<ValueSpec> values{kFirst, kLast, kAllPatients, kAddress};
        return std::vector<BatchRow>{
            {0, "&A/R General Ledger - Detail",
             auditReport("/MonthlyEntriesGL.rpt", values, {}, "A/R General Ledger Entries - Detail", false)},
            {1, "A/R General Ledger - Summary Per A/R",
             auditReport("/MonthlySummaryGL.rpt", values, {}, "A/R General Ledger Entries - Summary by A/R", false)},
            {2, "A/R General Ledger - Summary Per GL",
             auditReport("/MonthlySummaryARLedger.rpt", values, {}, "A/R General Ledger Entries - Summany by GL",
                         true)},
            {3, "Breakdown of Departmental Revenue",
             auditReport("/BreakdownOfDepartmentalRevenue.rpt", values,
                         {{"Summary", "Reports", {kFirst, kLast, kAddress, kCompany}},
                          {"Doctors", "Reports", {kFirst, kLast, kAllPatients}}},
                         "Breakdown Of Departmental Revenue", true)},
        };
    }();
    return rows;
}

// ---- Rules -----------------------------------------------------------------------------------

bool periodIsValid(const QDate& from, const QDate& to, const QDate& today)
{
    return from.isValid() && to.isValid() && to <= today && from <= to;
}

QString balanceClassOf(int option)
{
    switch (option) {
    case 0:
        return QStringLiteral("P");
    case 1:
        return QStringLiteral("N");
    default:
        return QStringLiteral("A");
    }
}

QString patientClassOf(int option)
{
    switch (option) {
    case 0:
        return QStringLiteral("I");
    case 1:
        return QStringLiteral("O");
    default:
        return QStringLiteral("A");
    }
}

// ---- Runs ----------------------------------------------------------------------------------

bool runReportPeriod(const PeriodInput& in, RunUi& ui)
{
    return runRow(runs::rowOfType(reportPeriodRows(), in.reportType), in, ui, "period report");
}

bool runAging(const PeriodInput& in, RunUi& ui)
{
    return runRow(runs::rowOfType(agingRows(), in.reportType), in, ui, "aging");
}

bool runReportPeriodOthers(const PeriodInput& in, RunUi& ui)
{
    return runRow(runs::rowOfType(reportPeriodOthersRows(), in.reportType), in, ui, "period report (others)");
}

BatchResult runAuditTrail(const AuditTrailInput& in, RunUi& ui)
{
    runs::RunValues values = runs::RunValues::day(in.date);
    values.choice = in.patientClass;
    qCInfo(lcPeriod).noquote() << "daily audit trail for" << dayText(in.date) << in.patientClass;
    return runs::runBatch(auditTrailRows(), tickedOf(in.ticked), values, false, ui);
}

BatchResult runAuditTrailMonthly(const AuditTrailMonthlyInput& in, RunUi& ui)
{
    const runs::RunValues values = runs::RunValues::month(in.date);
    qCInfo(lcPeriod).noquote() << "monthly audit trail for" << dayText(values.from) << "to" << dayText(values.to);
    return runs::runBatch(auditTrailMonthlyRows(), tickedOf(in.ticked), values, false, ui);
}

// ---- The command line ----------------------------------------------------------------------

std::vector<runs::RunEntry> periodRunEntries()
{
    using runs::Input;
    using runs::RunEntry;
    using runs::RunRequest;
    std::vector<RunEntry> entries;
    for (const shell::ReportItem& item : shell::reportItems()) {
        const QLatin1String form(item.form);
        const QString type = QString::fromLatin1(item.reportType ? item.reportType : "");
        RunEntry e;
        e.caption = QString::fromLatin1(item.caption);
        e.name = runs::stableName(e.caption);
        if (form == QLatin1String("frmReportPeriod") && runs::rowOfType(reportPeriodRows(), type)) {
            e.inputs = {Input::Period};
            e.run = [type](const RunRequest& r, RunUi& ui) { runReportPeriod({r.from, r.to, type, {}}, ui); };
        } else if (form == QLatin1String("frmAging") && runs::rowOfType(agingRows(), type)) {
            e.inputs = {Input::Period, Input::BalanceClass};
            e.run = [type](const RunRequest& r, RunUi& ui) { runAging({r.from, r.to, type, r.choice}, ui); };
        } else if (form == QLatin1String("frmReportPeriodOthers") && runs::rowOfType(reportPeriodOthersRows(), type)) {
            e.inputs = {Input::Period};
            e.run = [type](const RunRequest& r, RunUi& ui) { runReportPeriodOthers({r.from, r.to, type, {}}, ui); };
        } else if (form == QLatin1String("frmAuditTrail")) {
            e.batch = true;
            e.inputs = {Input::Date, Input::PatientClass, Input::Reports};
            e.boxes = runs::batchBoxes(auditTrailRows());
            e.run = [](const RunRequest& r, RunUi& ui) {
                runs::runBatchEntry(auditTrailRows(), r, [&r] {
                    runs::RunValues v = runs::RunValues::day(r.date);
                    v.choice = r.choice;
                    return v;
                }(), ui);
            };
        } else if (form == QLatin1String("frmAuditTrailMonthly")) {
            e.batch = true;
            e.inputs = {Input::Month, Input::Reports};
            e.boxes = runs::batchBoxes(auditTrailMonthlyRows());
            e.run = [](const RunRequest& r, RunUi& ui) {
                runs::runBatchEntry(auditTrailMonthlyRows(), r, runs::RunValues::month(r.date), ui);
            };
        } else {
            continue;
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

} // namespace tarvik::yearly
