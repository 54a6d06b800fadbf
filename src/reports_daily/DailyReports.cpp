#include "DailyReports.h"

#include "Session.h"

#include <QLoggingCategory>
#include <stdexcept>

Q_LOGGING_CATEGORY(lcDaily, "tarvik.daily")

namespace tarvik::daily {

namespace {

using K = ValueKind;
using runs::CommandSpec;
using runs::RowKind;
using runs::dayCommand;

const ValueSpec kDay{K::Day};
const ValueSpec kAddress{K::Address};
const ValueSpec kTotals{K::Totals};
const ValueSpec kEmployee{K::EmployeeName};
const ValueSpec kAllPatients{K::Literal, "A"};

// The batch's audit reports take the patient class between the day and the address, as the
// audit-trail dialog sends it; the batch asks for every patient of the day.
const std::vector<ValueSpec> kAuditValues{kDay, kAllPatients, kAddress};
const std::vector<SubreportSpec> kAuditSubreports{
    {"Summary", "REPORTS", {kDay, kAllPatients}},
    {"Doctors", "REPORTS", {kDay, kAllPatients}},
};

ReportSpec makeSpec(const char* file, const char* database, std::vector<ValueSpec> values,
                    std::vector<SubreportSpec> subreports, const char* caption)
{
    ReportSpec desc;
    desc.file = file;
    desc.database = database;
    desc.values = std::move(values);
    desc.subreports = std::move(subreports);
    desc.caption = caption;
    return desc;
}

// A department's logbook of the day through the departmental runner.
ReportSpec logbook(const QString* deptCode, const char* title)
{
    ReportSpec desc;
    desc.kind = RowKind::DailyLogbook;
    desc.dept.session = deptCode;
    desc.title = title;
    return desc;
}

} // namespace

// ---- Tables ----------------------------------------------------------------------------------

const std::vector<BatchRow>& endOfDayRows()
{
    static const std::vector<BatchRow> rows = [] {
        ReportSpec discharges = makeSpec("/rptDailySummaryOfDischarges.rpt", "Reports", {kDay, kAddress}, {},
                              "Daily Summary Of Discharges");
        discharges.progressWindow = discharges.hourglass = true;
        discharges.output = Output::AlwaysViewer;

        ReportSpec services = makeSpec("/rptDailySummaryOfServices.rpt", "Reports", {kDay, kDay, kAddress, kTotals}, {},
                            "Daily Summary Of Services");
        services.progressWindow = services.hourglass = true;
        services.preparation = {dayCommand("Reports..sp_RepRecomputeExtensionOutPatient  '")};
        services.totalsQuery = dayCommand("Reports..sp_Rep_GetComputedOutPatients '");
        services.output = Output::AlwaysViewer;

        ReportSpec admissions = makeSpec("/DailyAdmissionLogbook.rpt", "Reports", {kDay}, {}, "Daily Admission Logbook");
        admissions.hourglass = true;

        ReportSpec opd = makeSpec("/rptDailyOPDLogBook.rpt", "Reports",
                       {kDay, kAddress, {K::Literal, "Daily OPD Registration LogBook"}, kDay}, {},
                       "Daily OPD Registration LogBook: ");
        opd.hourglass = opd.captionWithDay = true;

        ReportSpec auditDetail = makeSpec("/DailyAuditTrail.rpt", "Reports", kAuditValues, kAuditSubreports,
                               "Daily Audit Trail - Detailed");
        auditDetail.groupTree = true;
        ReportSpec auditAR = makeSpec("/DailyAuditSummaryByAR.rpt", "Reports", kAuditValues, {},
                           "Daily Audit Trail - Summary by AR");
        ReportSpec auditGL = makeSpec("/DailyAuditSummaryByGL.rpt", "Reports", kAuditValues, {},
                           "Daily Audit Trail - Summary by GL");

        ReportSpec demography = makeSpec("/rptDailyDischarges_Demography.rpt", "Reports", {kDay, kAddress}, {},
                              "Daily Discharges - Demography: ");
        demography.hourglass = demography.captionWithDay = true;

        ReportSpec adjustments = makeSpec("/DailyAdjustment.rpt", "Reports", {kDay, kAddress}, {}, "Daily Adjustment Report ");
        adjustments.hourglass = adjustments.captionWithDay = true;

        return std::vector<BatchRow>{
            {0, "Daily Summary of Discharges", discharges},
            {1, "Daily Summary of Services - OPD", services},
            {2, "Admission  Log Book", admissions},
            {3, "OPD Registration Log Book", opd},
            {4, "Laboratory Examination Log Book", logbook(&gDeptLaboratory, "Daily Laboratory Examination Logbook")},
            {5, "X-Ray Examination Log Book", logbook(&gDeptXRay, "Daily X-Ray Examination Logbook")},
            {6, "Ultrasound Examination Log Book", logbook(&gDeptUltrasound, "Daily Ultrasound Examination Logbook")},
            {7, "Audit Trail - Detail", auditDetail},
            {11, "Audit Trail - Summary by A/R", auditAR},
            {12, "Audit Trail - Summary by G/L", auditGL},
            {9, "CT-Scan Examination Log Book", logbook(&gDeptCTScan, "Daily CT Scan Examination Logbook")},
            {10, "Discharges Log Book - Demography", demography},
            {8, "Daily Adjustments Report", adjustments},
        };
    }();
    return rows;
}

const std::vector<DateReportRow>& reportDateOthersRows()
{
    static const std::vector<DateReportRow> rows = [] {
        // Every report of this dialog waits under the hourglass and opens in a viewer.
        auto desc = [](const char* file, std::vector<ValueSpec> values, const char* caption,
                       const char* exportName) {
            ReportSpec s = makeSpec(file, "Reports", std::move(values), {}, caption);
            s.hourglass = true;
            s.exportName = exportName;
            return s;
        };

        ReportSpec discharges = desc("/rptDailySummaryOfDischargesColumns.rpt", {kDay, kDay, kAddress, kTotals},
                                     "Daily Summary Of Discharges", "Daily Summary Of Discharges");
        discharges.progressWindow = true;
        discharges.preparation = {dayCommand("Reports..sp_Rep_DumpDailySummaryOfDischarges  '"),
                                  dayCommand("Reports..sp_RepRecomputeExtensionInPatient  '")};
        discharges.totalsQuery = dayCommand("Reports..sp_Rep_GetComputedInPatients '");

        ReportSpec income = desc("/DailyIncomeReport.rpt", {kDay, kDay, kAddress, kEmployee},
                                 "Daily Summary Of Discharges Company Account",
                                 "Daily Summary Of Discharges Company Account");
        income.progressWindow = true;

        ReportSpec services = desc("/rptDailySummaryOfServices.rpt", {kDay, kDay, kAddress, kTotals},
                                   "Daily Summary Of Services", "Daily Summary Of Services");
        services.progressWindow = true;
        services.preparation = {dayCommand("Reports..sp_Rep_DumpDailySummaryOfServices  '"),
                                dayCommand("Reports..sp_RepRecomputeExtensionOutPatient  '")};
        services.totalsQuery = dayCommand("Reports..sp_Rep_GetComputedOutPatients '");

        ReportSpec admissions = desc("/DailyAdmissionLogbook.rpt", {kDay}, "Daily Admission Logbook",
                                     "Daily Admission Logbook");

        ReportSpec opd = desc("/rptDailyOPDLogBook.rpt", {kDay, kAddress, kDay}, "Daily OPD Registration LogBook: ",
                              "Daily OPD Registration LogBook");
        opd.captionWithDay = true;

        ReportSpec payments = desc("/PaymentSummary.rpt", {kDay, kAddress}, "Payment Summary Report: ",
                                   "Payment Summary Report");
        payments.captionWithDay = true;

        return std::vector<DateReportRow>{
            {"0", "Daily Summary of Discharges", discharges},
            {"1", nullptr, income},
            {"2", "Daily Summary of Services", services},
            {"3", "Daily Admission Logbook", admissions},
            {"4", "Daily OPD Registration Logbook", opd},
            {"7", "Payment Summary Report", payments},
        };
    }();
    return rows;
}

const std::vector<ClinicalRow>& reportDateClinicalRows()
{
    static const std::vector<ClinicalRow> rows = [] {
        // The dialog waits under the hourglass while the runner prepares the logbook.
        auto row = [](const char* type, const QString* code, const char* title) {
            ClinicalRow r{type, logbook(code, title)};
            r.report.hourglass = true;
            return r;
        };
        return std::vector<ClinicalRow>{
            row("0", &gDeptLaboratory, "Daily Laboratory Examination Logbook"),
            row("1", &gDeptXRay, "Daily X-Ray Examination Logbook"),
            row("2", &gDeptUltrasound, "Daily Ultrasound Examination Logbook"),
            row("3", &gDeptCTScan, "Daily CT Scan Examination Logbook"),
        };
    }();
    return rows;
}

const std::vector<AccountStatusRow>& accountStatusRows()
{
    static const std::vector<AccountStatusRow> rows = [] {
        // Opened on BILLING; the dialog closes before the modal viewer opens.
        auto row = [](int option, const char* caption, const char* file, bool groupTree) {
            ReportSpec s = makeSpec(file, "BILLING", {kAddress, kDay}, {}, "Patients Account Status Report");
            s.hourglass = true;
            s.groupTree = groupTree;
            s.modal = true;
            s.unloadBeforeShow = true;
            s.output = Output::AlwaysViewer;
            return AccountStatusRow{option, caption, s};
        };
        return std::vector<AccountStatusRow>{
            row(0, "Sorted by Balance", "/PatientsAccountStatusReportByBalance.rpt", false),
            row(1, "Sorted by Name", "/PatientsAccountStatusReportByName.rpt", false),
            row(2, "Sorted by Account Limit", "/PatientsAccountStatusReportByAccountLimit.rpt", false),
            row(3, "Sorted by Station", "/PatientsAccountStatusReportByStation.rpt", true),
        };
    }();
    return rows;
}

const DateReportRow* reportDateOthersRow(const QString& reportType)
{
    return runs::rowOfType(reportDateOthersRows(), reportType);
}

const ClinicalRow* reportDateClinicalRow(const QString& reportType)
{
    return runs::rowOfType(reportDateClinicalRows(), reportType);
}

const AccountStatusRow* accountStatusRow(int option)
{
    for (const AccountStatusRow& row : accountStatusRows())
        if (row.option == option)
            return &row;
    return nullptr;
}

// ---- Runs ----------------------------------------------------------------------------------

bool runReportDateOthers(const ReportDateOthersInput& in, RunUi& ui)
{
    const DateReportRow* row = reportDateOthersRow(in.reportType);
    if (!row)
        return false;
    qCInfo(lcDaily) << "daily report" << in.reportType << "for" << dayText(in.date);
    runs::produceRow(row->report, runs::RunValues::day(in.date), false, ui);
    return true;
}

bool runReportDateClinical(const ReportDateClinicalInput& in, RunUi& ui)
{
    const ClinicalRow* row = reportDateClinicalRow(in.reportType);
    if (!row)
        return false;
    runs::produceRow(row->report, runs::RunValues::day(in.date), false, ui);
    return true;
}

BatchResult runEndOfDay(const EndOfDayInput& in, RunUi& ui)
{
    return runs::runBatch(
        endOfDayRows(), [&in](int box) { return in.ticked.at(size_t(box)); }, runs::RunValues::day(in.date),
        in.directPrint, ui);
}

void runAccountStatus(const AccountStatusInput& in, RunUi& ui)
{
    const AccountStatusRow* row = accountStatusRow(in.option);
    if (!row)
        throw std::runtime_error(QStringLiteral("There is no sort order %1 of the account status report.")
                                     .arg(in.option)
                                     .toStdString());
    runs::produceRow(row->report, runs::RunValues::day(in.date), false, ui);
}

} // namespace tarvik::daily
