// One definition serves every caller: the month-end batch sends each file it opens the list of
// values that file takes (read from the batch's own table, not restated here) and opens every
// subreport the file has; the aging, period and monthly audit-trail dialogs send the same lists,
// so each caller gets the same complete report for the same month.

#include "fixture.h"

#include "MonthlyReports.h"
#include "Session.h"

#include <QDate>
#include <QRegularExpression>

using namespace monthlyrpt;
using tarvik::engine::ReportPtr;
using tarvik::runs::ValueKind;

namespace {

// The parameter field each kind of value belongs in.
QString fieldFor(const tarvik::runs::ValueSpec& item)
{
    switch (item.kind) {
    case ValueKind::First:
        return QStringLiteral("DateFrom");
    case ValueKind::Last:
        return QStringLiteral("DateTo");
    case ValueKind::Address:
        return QStringLiteral("Address");
    case ValueKind::CompanyName:
        return QStringLiteral("CompanyName");
    case ValueKind::Literal:
        return QStringLiteral("PatientType"); // the patient class "A"
    case ValueKind::Day:
    case ValueKind::LastThrough:
    case ValueKind::Year:
    case ValueKind::EmployeeName:
    case ValueKind::Choice:
    case ValueKind::Totals:
        break;
    }
    return QStringLiteral("(no month-end field)");
}

QStringList fieldNames(tarvik::engine::Report& report)
{
    QStringList names;
    for (auto* field : report.parameterFields())
        names << field->name();
    return names;
}

QStringList expectedFields(const std::vector<tarvik::runs::ValueSpec>& items)
{
    QStringList names;
    for (const auto& item : items)
        names << fieldFor(item);
    return names;
}

// The report's pages without the print time, which differs from one rendering to the next.
QString pagesOf(const ReportPtr& report)
{
    static const QRegularExpression printed(QStringLiteral("Printed \\d\\d/\\d\\d/\\d{4} \\d+:\\d\\d [AP]M"));
    return renderText(report).remove(printed);
}

class SessionValues : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tarvik::gCompanyAddress = kAddress;
        tarvik::gCompanyName = kHospital;
    }
    void TearDown() override
    {
        tarvik::gCompanyAddress.clear();
        tarvik::gCompanyName.clear();
    }
};

} // namespace

TEST_F(SessionValues, TheBatchSendsEachDefinitionItsListAndOpensEverySubreport)
{
    const auto month = tarvik::monthly::monthOf(QDate(2026, 2, 14));
    int reports = 0;
    for (const tarvik::runs::BatchRow& row : tarvik::monthly::afterEndOfMonthRows()) {
        if (row.report.kind != tarvik::runs::RowKind::Report)
            continue;
        ++reports;
        const QString file = QString::fromLatin1(row.report.file).mid(1);
        SCOPED_TRACE(file.toStdString());
        ReportPtr report = openLikeProgram(file, QString::fromLatin1(row.report.database),
                                           tarvik::runs::buildValues(row.report.values, month));
        EXPECT_EQ(fieldNames(*report), expectedFields(row.report.values));
        QStringList opened;
        for (const auto& sub : row.report.subreports) {
            openSubreportLikeProgram(*report, QString::fromLatin1(sub.name), QString::fromLatin1(sub.database),
                                     tarvik::runs::buildValues(sub.values, month));
            EXPECT_EQ(fieldNames(*report->openSubreport(QString::fromLatin1(sub.name))), expectedFields(sub.values))
                << sub.name;
            opened << QString::fromLatin1(sub.name);
        }
        QStringList defined;
        for (auto* sub : report->subreports())
            defined << sub->name();
        opened.sort();
        defined.sort();
        EXPECT_EQ(opened, defined) << "every subreport the definition has is opened";
        for (auto* field : report->parameterFields())
            EXPECT_TRUE(field->hasCurrentValue()) << field->name().toStdString();

        auto doc = report->layOut();
        doc->waitForFinished();
        ASSERT_FALSE(doc->hasFailed()) << doc->errorString().toStdString();
        const QString text = renderText(report);
        EXPECT_TRUE(text.contains(kHospital));
        EXPECT_TRUE(text.contains(kAddress));
        EXPECT_TRUE(text.contains(QStringLiteral("Page 1 of")));
    }
    EXPECT_EQ(reports, 8); // the package deals, four aging reports, two ledgers, the breakdown
}

TEST_F(SessionValues, EveryOtherCallerGetsTheSameCompleteReport)
{
    // The aging dialog, the period dialog and the monthly audit-trail dialog for February:
    // their lists as they send them, against what the batch sends from its table.
    const auto month = tarvik::monthly::monthOf(QDate(2026, 2, 1));
    execute(QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '02/01/2026', '02/28/2026', 'P'"));
    execute(QStringLiteral("REPORTS..sp_BILLING_RepAgingPayableRecompute '02/01/2026', '02/28/2026'"));
    const QVariantList three{kFirst, kLast, kAddress};
    const QVariantList audit{kFirst, kLast, QStringLiteral("A"), kAddress};
    struct Call
    {
        const char* caller;
        QString file;
        QVariantList values;
        std::vector<std::pair<QString, QVariantList>> subreports;
    };
    const Call calls[] = {
        {"aging dialog, detail", "Aging.rpt", three, {}},
        {"aging dialog, summary", "AgingComputation.rpt", three, {{"Classification", three}}},
        {"period dialog, payable detail", "PayableDetail.rpt", three, {}},
        {"period dialog, payable summary", "PayableComputation.rpt", three, {{"Classification", three}}},
        {"monthly audit trail, detail", "MonthlyEntriesGL.rpt", audit, {}},
        {"monthly audit trail, summary per A/R", "MonthlySummaryGL.rpt", audit, {}},
        {"monthly audit trail, breakdown", "BreakdownOfDepartmentalRevenue.rpt", audit,
         {{"Doctors", {kFirst, kLast, QStringLiteral("A")}}, {"Summary", {kFirst, kLast, kAddress, kHospital}}}},
    };
    for (const Call& call : calls) {
        SCOPED_TRACE(call.caller);
        const tarvik::runs::BatchRow* row = nullptr;
        for (const auto& r : tarvik::monthly::afterEndOfMonthRows())
            if (r.report.file && QString::fromLatin1(r.report.file) == u'/' + call.file)
                row = &r;
        ASSERT_NE(row, nullptr);
        ReportPtr fromDialog = openLikeProgram(call.file, QStringLiteral("REPORTS"), call.values);
        for (const auto& [name, values] : call.subreports)
            openSubreportLikeProgram(*fromDialog, name, QStringLiteral("REPORTS"), values);
        ReportPtr fromBatch = openLikeProgram(call.file, QString::fromLatin1(row->report.database),
                                              tarvik::runs::buildValues(row->report.values, month));
        for (const auto& sub : row->report.subreports)
            openSubreportLikeProgram(*fromBatch, QString::fromLatin1(sub.name), QString::fromLatin1(sub.database),
                                     tarvik::runs::buildValues(sub.values, month));
        const QString dialogPages = pagesOf(fromDialog);
        EXPECT_EQ(dialogPages, pagesOf(fromBatch));
        EXPECT_TRUE(dialogPages.contains(QStringLiteral("February 28, 2026")));
    }
}

TEST_F(SessionValues, TheAuditTrailsPatientClassNarrowsTheLedgerAndRevenue)
{
    // The monthly audit-trail dialog's class: in-patients only leaves nothing in the out-patient
    // columns and no out-patient accounts (the journal itself is not kept by class).
    ReportPtr breakdown = openLikeProgram("BreakdownOfDepartmentalRevenue.rpt", "Reports",
                                          {kFirst, kLast, QStringLiteral("I"), kAddress});
    openSubreportLikeProgram(*breakdown, "Doctors", "Reports", {kFirst, kLast, QStringLiteral("I")});
    openSubreportLikeProgram(*breakdown, "Summary", "Reports", {kFirst, kLast, kAddress, kHospital});
    const QString text = renderText(breakdown);
    EXPECT_TRUE(text.contains(QStringLiteral("In-patients")));
    const QStringList hospital = numbersOnLine(text, "Total hospital revenue");
    ASSERT_EQ(hospital.size(), 7);
    EXPECT_EQ(hospital[6], QStringLiteral("0.00"));
    EXPECT_EQ(hospital[4], hospital[5]); // net = in-patients
    const QStringList fees = numbersOnLine(text, "Total professional fees");
    ASSERT_EQ(fees.size(), 6);
    EXPECT_EQ(fees[5], QStringLiteral("0.00"));

    const QString summary = renderText(openLikeProgram("MonthlySummaryGL.rpt", "Reports",
                                                       {kFirst, kLast, QStringLiteral("O"), kAddress}));
    EXPECT_FALSE(summary.contains(QStringLiteral("IP-"))) << "an in-patient account in the out-patients' summary";
    EXPECT_TRUE(summary.contains(QStringLiteral("OP-")));
}
