// Every end-of-day definition opens with the parameter list each of its callers sends, in that
// order, reads only the database the caller names, and lays out real rows.

#include "fixture.h"

#include <QDate>
#include <QRegularExpression>

using namespace dailyrpt;
using tarvik::engine::ReportPtr;

namespace {

struct Call
{
    const char* why;
    QString file;
    QString database;
    QVariantList values;
    QStringList fields;   // the report's parameter fields, in order
    // parameter name -> the value it must hold after the call
    std::vector<std::pair<QString, QVariant>> lands;
};

std::vector<Call> calls()
{
    const QString d = DemoHospital::busyDay();
    const QDate day = QDate::fromString(d, QStringLiteral("MM/dd/yyyy"));
    const QStringList totals{QStringLiteral("TotalPatientCash"), QStringLiteral("TotalPatientCharge"),
                             QStringLiteral("TotalHospCash"), QStringLiteral("TotalHospCharge"),
                             QStringLiteral("TotalProfCash"), QStringLiteral("TotalProfCharge")};
    const QVariantList six{40000, 3, 1234.5, 99.99, 0, 10};
    const QStringList summary = QStringList{"DateFrom", "DateTo", "Address"} + totals;
    const QStringList dateAddress{"ReportDate", "Address"};
    const QStringList audit{"ReportDate", "PatientType", "Address"};
    const QStringList status{"Address", "ReportDate"};
    return {
        {"daily dialog, summary of discharges", "rptDailySummaryOfDischargesColumns.rpt", "Reports",
         QVariantList{d, d, kAddress} + six, summary,
         {{"DateTo", day}, {"TotalPatientCash", 40000.0}, {"TotalProfCharge", "10.0000"}}},
        {"end-of-day batch, summary of discharges", "rptDailySummaryOfDischarges.rpt", "Reports",
         {d, kAddress}, dateAddress, {{"Address", kAddress}}},
        {"daily dialog, income report", "DailyIncomeReport.rpt", "Reports",
         {d, d, kAddress, "Demo Accountant"}, {"DateFrom", "DateTo", "Address", "PreparedBy"},
         {{"PreparedBy", "Demo Accountant"}}},
        {"daily dialog and batch, summary of services", "rptDailySummaryOfServices.rpt", "Reports",
         QVariantList{d, d, kAddress} + six, summary, {{"TotalHospCash", "1234.5000"}}},
        {"daily dialog and batch, admission logbook", "DailyAdmissionLogbook.rpt", "Reports", {d},
         {"ReportDate"}, {{"ReportDate", day}}},
        {"daily dialog, OPD logbook (D; address; D)", "rptDailyOPDLogBook.rpt", "Reports",
         {d, kAddress, d}, {"ReportDate", "Address", "TitleOrDate", "ReportDateAgain"},
         {{"ReportDate", day}, {"Address", kAddress}, {"TitleOrDate", d}, {"ReportDateAgain", ""}}},
        {"end-of-day batch, OPD logbook (D; address; title; D)", "rptDailyOPDLogBook.rpt", "Reports",
         {d, kAddress, "Daily OPD Registration LogBook", d},
         {"ReportDate", "Address", "TitleOrDate", "ReportDateAgain"},
         {{"ReportDate", day}, {"Address", kAddress}, {"ReportDateAgain", d}}},
        {"daily dialog, payment summary", "PaymentSummary.rpt", "Reports", {d, kAddress}, dateAddress,
         {{"Address", kAddress}}},
        {"audit-trail dialog, detail, out-patients", "DailyAuditTrail.rpt", "Reports", {d, "O", kAddress},
         audit, {{"PatientType", "O"}, {"Address", kAddress}}},
        {"end-of-day batch, detail, all patients", "DailyAuditTrail.rpt", "Reports", {d, "A", kAddress},
         audit, {{"PatientType", "A"}}},
        {"audit-trail dialog, summary by A/R", "DailyAuditSummaryByAR.rpt", "REPORTS", {d, "I", kAddress},
         audit, {{"PatientType", "I"}}},
        {"audit-trail dialog, summary by G/L", "DailyAuditSummaryByGL.rpt", "Reports", {d, "A", kAddress},
         audit, {{"Address", kAddress}}},
        {"end-of-day batch, demography", "rptDailyDischarges_Demography.rpt", "Reports", {d, kAddress},
         dateAddress, {{"ReportDate", day}}},
        {"end-of-day batch, adjustments", "DailyAdjustment.rpt", "Reports", {d, kAddress}, dateAddress,
         {{"Address", kAddress}}},
        {"account status by balance", "PatientsAccountStatusReportByBalance.rpt", "BILLING", {kAddress, d},
         status, {{"ReportDate", day}}},
        {"account status by name", "PatientsAccountStatusReportByName.rpt", "BILLING", {kAddress, d},
         status, {{"Address", kAddress}}},
        {"account status by account limit", "PatientsAccountStatusReportByAccountLimit.rpt", "BILLING",
         {kAddress, d}, status, {{"ReportDate", day}}},
        {"account status by station", "PatientsAccountStatusReportByStation.rpt", "BILLING", {kAddress, d},
         status, {{"ReportDate", day}}},
    };
}

} // namespace

TEST(DailyDefinitions, EveryCallerListLandsInOrderAndLaysOutRows)
{
    for (const Call& c : calls()) {
        SCOPED_TRACE(c.why);
        ReportPtr report = openLikeProgram(c.file, c.database, c.values);
        QStringList fields;
        for (auto* f : report->parameterFields())
            fields << f->name();
        EXPECT_EQ(fields, c.fields);
        for (const auto& [name, value] : c.lands)
            EXPECT_EQ(report->parameterField(name)->currentValue(), value) << name.toStdString();
        // Retargeting replaced only the database part, so every table must live in that one.
        for (auto* t : report->tables())
            EXPECT_TRUE(t->location().startsWith(c.database + u'.')) << t->location().toStdString();
        if (c.file == u"DailyAuditTrail.rpt") {
            // Both callers give the subreports the day and the class only.
            openSubreportLikeProgram(*report, "Summary", "REPORTS", c.values.mid(0, 2));
            openSubreportLikeProgram(*report, "Doctors", "REPORTS", c.values.mid(0, 2));
        }
        auto doc = report->layOut();
        doc->waitForFinished();
        ASSERT_FALSE(doc->hasFailed()) << doc->errorString().toStdString();
        EXPECT_GE(doc->pageCount(), 1);
        const QString text = renderText(report);
        EXPECT_TRUE(text.contains(kHospital));
        EXPECT_TRUE(text.contains(QStringLiteral("Page 1 of")));
        if (c.file != u"DailyAdmissionLogbook.rpt") { // the only one whose callers send no address
            EXPECT_TRUE(text.contains(kAddress));
        }
    }
}

TEST(DailyDefinitions, TheDayIsPrintedAsTheDayAskedFor)
{
    const QString d = DemoHospital::busyDay();
    const QString longDay = QDate::fromString(d, QStringLiteral("MM/dd/yyyy")).toString(QStringLiteral("MMMM d, yyyy"));
    // The batch's OPD list puts a title third: the heading and day must read the same as
    // with the daily dialog's list, where the third value is the day.
    const QString fromDialog = renderText(openLikeProgram("rptDailyOPDLogBook.rpt", "Reports", {d, kAddress, d}));
    const QString fromBatch = renderText(openLikeProgram("rptDailyOPDLogBook.rpt", "Reports",
                                                         {d, kAddress, "Daily OPD Registration LogBook", d}));
    for (const QString* text : {&fromDialog, &fromBatch}) {
        EXPECT_TRUE(text->contains(QStringLiteral("DAILY OPD REGISTRATION LOGBOOK")));
        EXPECT_TRUE(text->contains(QStringLiteral("For ") + longDay));
    }
    EXPECT_EQ(numbersOnLine(fromDialog, "Total registrations"), numbersOnLine(fromBatch, "Total registrations"));
}

TEST(DailyDefinitions, ADayWithoutDataGivesOnePageOfZeroTotals)
{
    const QString empty = QStringLiteral("01/15/2026"); // before the demo hospital's first day
    const QString adj = renderText(openLikeProgram("DailyAdjustment.rpt", "Reports", {empty, kAddress}));
    EXPECT_EQ(numbersOnLine(adj, "Total adjustments"), (QStringList{"0", "0.00"}));
    const QString pay = renderText(openLikeProgram("PaymentSummary.rpt", "Reports", {empty, kAddress}));
    EXPECT_EQ(numbersOnLine(pay, "Total collections"),
              (QStringList{"0", "0.00", "0.00", "0.00", "0.00", "0.00", "0"}));
    int pages = 0;
    const QString status = renderText(openLikeProgram("PatientsAccountStatusReportByStation.rpt", "BILLING",
                                                      {kAddress, empty}), &pages);
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(numbersOnLine(status, "Grand total"), (QStringList{"0", "0.00", "0.00", "0.00", "0.00", "0.00"}));
}

TEST(DailyDefinitions, AnEmptyLogbookStillNamesItsDay)
{
    // The logbook's page header names the day of its first examination; a day without any
    // printed no date at all.
    const QString empty = QStringLiteral("01/15/2026"); // before the demo hospital's first day
    const QString text = renderText(openLikeProgram("rptDailyReports.rpt", "Reports",
        {empty, empty, "LB", kAddress, "Daily Laboratory Examination Logbook", empty}));
    EXPECT_TRUE(text.contains(QStringLiteral("For January 15, 2026"))) << text.left(600).toStdString();
    EXPECT_EQ(numbersOnLine(text, "Total examinations"), (QStringList{"0", "0", "0", "0.00"}));
}

TEST(DailyDefinitions, CountsReadOneAndMany)
{
    // Two days before the demo hospital's first: one adjustment on the first, two on the second.
    const QString insert = QStringLiteral(
        "INSERT INTO Reports.tbRepAdjustment (AdjNo, AdjDate, PostedAt, ARNo, PatientType, HospitalNo, "
        "PatientName, AccountClass, AdjType, Reason, Amount) VALUES "
        "('T-1', '2026-01-16', '2026-01-16 09:00:00', 'AR1', 'I', 'H1', 'Cruz, Ana', 'PAY', 'DISCOUNT', 'Test', -100), "
        "('T-2', '2026-01-17', '2026-01-17 09:00:00', 'AR2', 'I', 'H2', 'Reyes, Ben', 'PAY', 'DISCOUNT', 'Test', -200), "
        "('T-3', '2026-01-17', '2026-01-17 10:00:00', 'AR3', 'O', 'H3', 'Santos, Cy', 'PAY', 'DISCOUNT', 'Test', -300)");
    sqlRow(insert);
    const QString one = renderText(openLikeProgram("DailyAdjustment.rpt", "Reports", {"01/16/2026", kAddress}));
    const QString two = renderText(openLikeProgram("DailyAdjustment.rpt", "Reports", {"01/17/2026", kAddress}));
    sqlRow(QStringLiteral("DELETE FROM Reports.tbRepAdjustment WHERE AdjNo IN ('T-1', 'T-2', 'T-3')"));
    static const QRegularExpression wrong(QStringLiteral("\\b1 adjustments\\b"));
    EXPECT_FALSE(wrong.match(one).hasMatch()) << one.toStdString();
    EXPECT_TRUE(one.contains(QStringLiteral("1 adjustment"))) << one.toStdString();
    EXPECT_TRUE(two.contains(QStringLiteral("2 adjustments"))) << two.toStdString();
}
