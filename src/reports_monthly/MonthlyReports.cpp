#include "MonthlyReports.h"

#include "Session.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcMonthly, "tarvik.monthly")

namespace tarvik::monthly {

namespace {

using K = runs::ValueKind;
using runs::CommandSpec;
using runs::RowKind;
using runs::SubreportSpec;
using runs::ValueSpec;

const ValueSpec kFirst{K::First};
const ValueSpec kLast{K::Last};
const ValueSpec kAddress{K::Address};
const ValueSpec kCompany{K::CompanyName};
// The ledger and revenue reports are shared with the monthly audit-trail dialog, which passes
// a patient class; the month-end batch always reports on every patient.
const ValueSpec kAllPatients{K::Literal, "A"};

// The recomputes that fill the aging tables for the month, as of its last day.
const CommandSpec kAgingRecompute{"REPORTS..sp_BILLING_RepAgingRecompute '", {kFirst, kLast}};
const CommandSpec kPayableRecompute{"REPORTS..sp_BILLING_RepAgingPayableRecompute '", {kFirst, kLast}};

// A department's summary of the month through the departmental runner, under the hourglass.
ReportSpec monthlySummary(const QString* sessionCode, const char* literalCode, const char* title, const char* flag)
{
    ReportSpec s;
    s.kind = RowKind::MonthlySummary;
    s.dept.session = sessionCode;
    s.dept.literal = literalCode;
    s.title = title;
    s.flag = flag;
    s.hourglass = true;
    return s;
}

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
    return s;
}

// An aging report: the recompute for the month runs before it, every time, under the hourglass.
ReportSpec aging(const char* file, const CommandSpec& recompute, bool withClassification, const char* caption)
{
    std::vector<SubreportSpec> subreports;
    if (withClassification)
        subreports.push_back({"Classification", "REPORTS", {kFirst, kLast, kAddress}});
    ReportSpec s = report(file, "REPORTS", {kFirst, kLast, kAddress}, std::move(subreports), caption, true);
    s.hourglass = true;
    s.preparation = {recompute};
    return s;
}

} // namespace

runs::RunValues monthOf(const QDate& anyDay)
{
    return runs::RunValues::month(anyDay);
}

// ---- Tables ----------------------------------------------------------------------------------

const std::vector<MonthlyRow>& reportMonthRows()
{
    static const std::vector<MonthlyRow> rows{
        {"0", monthlySummary(&gDeptLaboratory, nullptr, "Monthly Laboratory Summary Report", "N")},
        {"1", monthlySummary(&gDeptXRay, nullptr, "Monthly X-Ray Summary Report", "N")},
        {"2", monthlySummary(&gDeptUltrasound, nullptr, "Monthly Ultrasound Summary Report", "N")},
        {"3", monthlySummary(nullptr, "OR", "Monthly Operating Room Summary Report", "N")},
        {"4", monthlySummary(&gDeptPhysicalTherapy, nullptr, "Monthly Physical Therapy Summary Report", "N")},
        {"5", monthlySummary(&gDeptRTS, nullptr, "Monthly RTS Summary Report", "N")},
        {"6", monthlySummary(&gDeptCTScan, nullptr, "Monthly CT Scan Summary Report", "N")},
        {"7", monthlySummary(nullptr, "DR", "Monthly Delivery Room Summary Report", "N")},
    };
    return rows;
}

const MonthlyRow* reportMonthRow(const QString& reportType)
{
    return runs::rowOfType(reportMonthRows(), reportType);
}

const std::vector<BatchRow>& afterEndOfMonthRows()
{
    static const std::vector<BatchRow> rows = [] {
        const auto department = [](const char* reportType) { return reportMonthRow(QLatin1String(reportType))->report; };

        // The package deals of the laboratory: offered in the batch, produced after the
        // departmental reports, printed or shown as the batch was asked.
        ReportSpec packages = report("/MonthLaboratoryPackageDeal.rpt", "Reports", {kFirst, kLast, kAddress}, {},
                                     "Month Laboratory Package Deal Report", false);
        packages.hourglass = true;

        const std::vector<ValueSpec> ledgerValues{kFirst, kLast, kAllPatients, kAddress};
        ReportSpec entries = report("/MonthlyEntriesGL.rpt", "Reports", ledgerValues, {},
                                    "A/R General Ledger Entries", false);
        ReportSpec summary = report("/MonthlySummaryGL.rpt", "Reports", ledgerValues, {},
                                    "A/R General Ledger Entries", false);
        ReportSpec breakdown = report("/BreakdownOfDepartmentalRevenue.rpt", "Reports", ledgerValues,
                                      {{"Summary", "Reports", {kFirst, kLast, kAddress, kCompany}},
                                       {"Doctors", "Reports", {kFirst, kLast, kAllPatients}}},
                                      "Breakdown Of Departmental Revenue", true);

        return std::vector<BatchRow>{
            // The clinical departments' summaries are those of the monthly report dialog.
            {0, "Monthly Laboratory Report", department("0")},
            {1, "Monthly X-Ray Report", department("1")},
            {2, "Monthly Ultrasound Report", department("2")},
            {3, "Monthly Operating Room Report", department("3")},
            {4, "Monthly Physical Therapy Report", department("4")},
            {5, "Monthly RTS Report", department("5")},
            {6, "Monthly CT-Scan Report", department("6")},
            {7, "Monthly Delivery Room Report", department("7")},
            {8, "Laboratory Package Deal", packages},
            {11, "Monthly Apparatus Report", monthlySummary(&gDeptApparatus, nullptr, "Monthly Apparatus Report", "Y")},
            {12, "Aging (Detailed)", aging("/Aging.rpt", kAgingRecompute, false, "Aging Analysis Report")},
            {10, "Aging (Computation)", aging("/AgingComputation.rpt", kAgingRecompute, true, "Aging Analysis Report")},
            {17, "Payable Aging (Detailed)",
             aging("/PayableDetail.rpt", kPayableRecompute, false, "Payable Aging Analysis Report")},
            {16, "Payable Aging (Computation)",
             aging("/PayableComputation.rpt", kPayableRecompute, true, "Payable Aging Analysis Report")},
            {15, "&A/R General Ledger - Detail", entries},
            {13, "A/R General Ledger - Summary", summary},
            {14, "Breakdown of Departmental Revenue", breakdown},
            {9, "Monthly Hemodialysis Report",
             monthlySummary(nullptr, "DI", "Monthly Hemodialysis Summary Report", "N")},
        };
    }();
    return rows;
}

// ---- Runs ----------------------------------------------------------------------------------

bool runReportMonth(const ReportMonthInput& in, RunUi& ui)
{
    const MonthlyRow* row = reportMonthRow(in.reportType);
    if (!row)
        return false;
    const runs::RunValues month = monthOf(in.date);
    qCInfo(lcMonthly).noquote() << "monthly report" << in.reportType << "for" << dayText(month.from) << "to"
                                << dayText(month.to);
    runs::produceRow(row->report, month, false, ui);
    return true;
}

BatchResult runAfterEndOfMonth(const AfterEndOfMonthInput& in, RunUi& ui)
{
    return runs::runBatch(
        afterEndOfMonthRows(), [&in](int box) { return in.ticked.at(size_t(box)); }, monthOf(in.date),
        in.directPrint, ui);
}

// ---- The command line ----------------------------------------------------------------------

std::vector<runs::RunEntry> monthEndRunEntries()
{
    using runs::Input;
    using runs::RunEntry;
    using runs::RunRequest;
    std::vector<runs::RunEntry> entries;

    for (const shell::ReportItem& item : runs::menuItemsOf("frmReportMonth")) {
        const QString type = QString::fromLatin1(item.reportType);
        const MonthlyRow* row = reportMonthRow(type);
        if (!row)
            continue;
        RunEntry e;
        e.caption = QString::fromLatin1(item.caption);
        e.name = runs::stableName(e.caption);
        e.inputs = {Input::Month};
        // Files are named by the report's title and the month, not by the viewer's caption
        // (which carries the month as "mmm,yyyy").
        e.exportName = QString::fromLatin1(row->report.title);
        e.run = [type](const RunRequest& request, RunUi& ui) { runReportMonth({request.date, type}, ui); };
        entries.push_back(std::move(e));
    }

    RunEntry batch;
    batch.name = QStringLiteral("after-end-of-month");
    batch.caption = QStringLiteral("End of Month (After EOM)");
    batch.batch = true;
    batch.inputs = {Input::Month, Input::Reports};
    batch.boxes = runs::batchBoxes(afterEndOfMonthRows());
    // Boxes 12 and 10, 17 and 16, 15 and 13 share their viewers' captions.
    batch.filesByBox = true;
    batch.run = [](const RunRequest& request, RunUi& ui) {
        runs::runBatchEntry(afterEndOfMonthRows(), request, monthOf(request.date), ui);
    };
    entries.push_back(std::move(batch));
    return entries;
}

} // namespace tarvik::monthly
