#include "DailyReports.h"

#include "Connection.h"
#include "DbError.h"
#include "ReportOperations.h"
#include "ReportRunners.h"
#include "Session.h"
#include "frmAnimate.h"

#include <QApplication>
#include <QLoggingCategory>
#include <memory>
#include <stdexcept>

Q_LOGGING_CATEGORY(lcDaily, "tarvik.daily")

namespace tarvik::daily {

namespace {

using K = ValueKind;

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

BatchRow reportRow(int box, const char* boxCaption, ReportSpec desc)
{
    return BatchRow{box, boxCaption, BatchRow::Kind::Report, std::move(desc), nullptr, nullptr};
}

BatchRow logbookRow(int box, const char* boxCaption, const QString* deptCode, const char* title)
{
    return BatchRow{box, boxCaption, BatchRow::Kind::DepartmentLogbook, ReportSpec{}, deptCode, title};
}

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

private:
    std::unique_ptr<ProgressWindow> m_progress;
};

db::Connection& sessionConnection()
{
    if (!gCurrentUser || !gCurrentUser->SqlConnection())
        throw std::runtime_error("Nobody is logged in: there is no database connection.");
    return *gCurrentUser->SqlConnection();
}

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

QString captionOf(const ReportSpec& desc, const QString& day)
{
    const QString caption = QString::fromLatin1(desc.caption);
    return desc.captionWithDay ? caption + day : caption;
}

} // namespace

RunUi& interactiveUi()
{
    static InteractiveUi ui;
    return ui;
}

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
        services.preparation = {"Reports..sp_RepRecomputeExtensionOutPatient  '"};
        services.totalsQuery = "Reports..sp_Rep_GetComputedOutPatients '";
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
            reportRow(0, "Daily Summary of Discharges", discharges),
            reportRow(1, "Daily Summary of Services - OPD", services),
            reportRow(2, "Admission  Log Book", admissions),
            reportRow(3, "OPD Registration Log Book", opd),
            logbookRow(4, "Laboratory Examination Log Book", &gDeptLaboratory, "Daily Laboratory Examination Logbook"),
            logbookRow(5, "X-Ray Examination Log Book", &gDeptXRay, "Daily X-Ray Examination Logbook"),
            logbookRow(6, "Ultrasound Examination Log Book", &gDeptUltrasound, "Daily Ultrasound Examination Logbook"),
            reportRow(7, "Audit Trail - Detail", auditDetail),
            reportRow(11, "Audit Trail - Summary by A/R", auditAR),
            reportRow(12, "Audit Trail - Summary by G/L", auditGL),
            logbookRow(9, "CT-Scan Examination Log Book", &gDeptCTScan, "Daily CT Scan Examination Logbook"),
            reportRow(10, "Discharges Log Book - Demography", demography),
            reportRow(8, "Daily Adjustments Report", adjustments),
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
        discharges.preparation = {"Reports..sp_Rep_DumpDailySummaryOfDischarges  '",
                                  "Reports..sp_RepRecomputeExtensionInPatient  '"};
        discharges.totalsQuery = "Reports..sp_Rep_GetComputedInPatients '";

        ReportSpec income = desc("/DailyIncomeReport.rpt", {kDay, kDay, kAddress, kEmployee},
                                 "Daily Summary Of Discharges Company Account",
                                 "Daily Summary Of Discharges Company Account");
        income.progressWindow = true;

        ReportSpec services = desc("/rptDailySummaryOfServices.rpt", {kDay, kDay, kAddress, kTotals},
                                   "Daily Summary Of Services", "Daily Summary Of Services");
        services.progressWindow = true;
        services.preparation = {"Reports..sp_Rep_DumpDailySummaryOfServices  '",
                                "Reports..sp_RepRecomputeExtensionOutPatient  '"};
        services.totalsQuery = "Reports..sp_Rep_GetComputedOutPatients '";

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
    static const std::vector<ClinicalRow> rows{
        {"0", "Daily Laboratory Examination Logbook", &gDeptLaboratory},
        {"1", "Daily X-Ray Examination Logbook", &gDeptXRay},
        {"2", "Daily Ultrasound Examination Logbook", &gDeptUltrasound},
        {"3", "Daily CT Scan Examination Logbook", &gDeptCTScan},
    };
    return rows;
}

const std::vector<AccountStatusRow>& accountStatusRows()
{
    static const std::vector<AccountStatusRow> rows{
        {0, "Sorted by Balance", "/PatientsAccountStatusReportByBalance.rpt", false},
        {1, "Sorted by Name", "/PatientsAccountStatusReportByName.rpt", false},
        {2, "Sorted by Account Limit", "/PatientsAccountStatusReportByAccountLimit.rpt", false},
        {3, "Sorted by Station", "/PatientsAccountStatusReportByStation.rpt", true},
    };
    return rows;
}

const DateReportRow* reportDateOthersRow(const QString& reportType)
{
    for (const DateReportRow& row : reportDateOthersRows())
        if (reportType == QLatin1String(row.reportType))
            return &row;
    return nullptr;
}

const ClinicalRow* reportDateClinicalRow(const QString& reportType)
{
    for (const ClinicalRow& row : reportDateClinicalRows())
        if (reportType == QLatin1String(row.reportType))
            return &row;
    return nullptr;
}

const AccountStatusRow* accountStatusRow(int option)
{
    for (const AccountStatusRow& row : accountStatusRows())
        if (row.option == option)
            return &row;
    return nullptr;
}

// ---- Texts and values ------------------------------------------------------------------------

QString dayText(const QDate& date)
{
    return date.toString(QStringLiteral("MM/dd/yyyy"));
}

QString exportDayText(const QDate& date)
{
    return date.toString(QStringLiteral("MM-dd-yyyy"));
}

QString exportPresetFile(const QString& exportName, const QDate& date)
{
    return engine::Report::defaultExportFolder() + QLatin1Char('/') + exportName + QLatin1Char(' ')
        + exportDayText(date) + QStringLiteral(".xls");
}

DayTotals readTotals(const QString& totalsQuery, const QString& day)
{
    const QString text = totalsQuery + day + QLatin1Char('\'');
    const db::RecordsetPtr rs = sessionConnection().execute(text);
    DayTotals totals;
    if (!rs || !rs->isOpen() || rs->eof() || rs->bof())
        return totals; // nobody to count that day
    totals.patientCharge = countField(*rs, QStringLiteral("TotalPatientCharge"), text);
    totals.patientCash = countField(*rs, QStringLiteral("TotalPatientCash"), text);
    totals.hospCharge = amountField(*rs, QStringLiteral("TotalHospCharge"), text);
    totals.profCharge = amountField(*rs, QStringLiteral("TotalProfCharge"), text);
    totals.hospCash = amountField(*rs, QStringLiteral("TotalHospCash"), text);
    totals.profCash = amountField(*rs, QStringLiteral("TotalProfCash"), text);
    rs->close();
    return totals;
}

QVariantList buildValues(const std::vector<ValueSpec>& specs, const QString& day, const DayTotals& totals)
{
    QVariantList values;
    for (const ValueSpec& desc : specs) {
        switch (desc.kind) {
        case ValueKind::Day:
            values << day;
            break;
        case ValueKind::Address:
            values << gCompanyAddress;
            break;
        case ValueKind::Totals:
            values << totals.patientCash << totals.patientCharge << totals.hospCash << totals.hospCharge
                   << totals.profCash << totals.profCharge;
            break;
        case ValueKind::EmployeeName:
            values << (gCurrentUser ? gCurrentUser->employeename() : QString());
            break;
        case ValueKind::Literal:
            values << QString::fromLatin1(desc.text);
            break;
        }
    }
    return values;
}

// ---- Runs ----------------------------------------------------------------------------------

void produceReport(const ReportSpec& desc, const QDate& date, bool directPrint, RunUi& ui)
{
    const QString day = dayText(date);
    ProgressGuard progress(ui);
    BusyGuard busy(ui);
    if (desc.progressWindow)
        progress.open();
    if (desc.hourglass)
        busy.start();

    if (!desc.preparation.empty()) {
        db::Connection& connection = sessionConnection();
        for (const char* command : desc.preparation)
            connection.execute(QString::fromLatin1(command) + day + QLatin1Char('\''));
    }
    DayTotals totals;
    if (desc.totalsQuery)
        totals = readTotals(QString::fromLatin1(desc.totalsQuery), day);

    OpenReport(gReportPath + QString::fromLatin1(desc.file), QString::fromLatin1(desc.database),
               buildValues(desc.values, day, totals));
    for (const SubreportSpec& sub : desc.subreports)
        OpenSubreport(QString::fromLatin1(sub.name), QString::fromLatin1(sub.database),
                      buildValues(sub.values, day, totals));
    busy.stop();

    const QString caption = captionOf(desc, day);
    ui.showReport(desc.groupTree, caption, desc.output == Output::AsChosen && directPrint, false);
    // After ShowReport: the viewer shares the report object, so its export button uses these.
    if (desc.exportName && gReport) {
        engine::ExportOptions& options = gReport->exportOptions();
        options.diskFileName = exportPresetFile(QString::fromLatin1(desc.exportName), date);
        options.destinationType = 1;
        options.formatType = 29;
    }
    progress.close();
    ui.produced(caption);
}

bool runReportDateOthers(const ReportDateOthersInput& in, RunUi& ui)
{
    const DateReportRow* row = reportDateOthersRow(in.reportType);
    if (!row)
        return false;
    qCInfo(lcDaily) << "daily report" << in.reportType << "for" << dayText(in.date);
    produceReport(row->report, in.date, false, ui);
    return true;
}

bool runReportDateClinical(const ReportDateClinicalInput& in, RunUi& ui)
{
    const ClinicalRow* row = reportDateClinicalRow(in.reportType);
    if (!row)
        return false;
    const QString day = dayText(in.date);
    const QString title = QString::fromLatin1(row->title);
    BusyGuard busy(ui);
    busy.start();
    PrintDailyReport(day, day, *row->deptCode, title, false);
    busy.stop();
    ui.produced(title + QStringLiteral(": ") + day);
    return true;
}

BatchResult runEndOfDay(const EndOfDayInput& in, RunUi& ui)
{
    BatchResult result;
    const QString day = dayText(in.date);
    for (const BatchRow& row : endOfDayRows()) {
        if (!in.ticked.at(size_t(row.box)))
            continue;
        try {
            switch (row.kind) {
            case BatchRow::Kind::Report:
                produceReport(row.report, in.date, in.directPrint, ui);
                result.produced << captionOf(row.report, day);
                break;
            case BatchRow::Kind::DepartmentLogbook: {
                const QString title = QString::fromLatin1(row.title);
                PrintDailyReport(day, day, *row.deptCode, title, in.directPrint);
                const QString caption = title + QStringLiteral(": ") + day;
                ui.produced(caption);
                result.produced << caption;
                break;
            }
            }
        } catch (const std::exception& e) {
            result.failedBox = row.box;
            result.error = QString::fromStdString(e.what());
            qCWarning(lcDaily).noquote() << "end-of-day batch stopped at" << row.boxCaption << ":" << result.error;
            break;
        }
    }
    return result;
}

void runAccountStatus(const AccountStatusInput& in, RunUi& ui)
{
    const AccountStatusRow* row = accountStatusRow(in.option);
    if (!row)
        throw std::runtime_error(QStringLiteral("There is no sort order %1 of the account status report.")
                                     .arg(in.option)
                                     .toStdString());
    BusyGuard busy(ui);
    busy.start();
    OpenReport(gReportPath + QString::fromLatin1(row->file), QStringLiteral("BILLING"),
               QVariantList{gCompanyAddress, dayText(in.date)});
    ui.unloadDialog();
    busy.stop();
    const QString caption = QStringLiteral("Patients Account Status Report");
    ui.showReport(row->groupTree, caption, false, true);
    ui.produced(caption);
}

} // namespace tarvik::daily
