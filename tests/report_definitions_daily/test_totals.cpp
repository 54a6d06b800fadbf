// The totals each report prints for a busy demo day, read back from its PDF, against SQL over
// the raw tables (Patient_data, BILLING) rather than the reporting copies the reports read.

#include "fixture.h"

#include "Connection.h"
#include "ConnectionInfo.h"
#include "Recordset.h"

#include "CsvRows.h"

#include <QTemporaryDir>

using namespace dailyrpt;

namespace {

qint64 cents(const QVariant& v) { return v.isNull() ? 0 : v.toLongLong(); }
QString count(const QVariant& v) { return QString::number(v.toLongLong()); }

// The in-patients discharged on D, with their charges up to D and their accounts as of D.
QVariantList dischargeTotals(const QString& iso)
{
    return sqlRow(QStringLiteral(R"(
        WITH acc AS (
          SELECT pa.ARNo, pa.HospitalNo FROM Patient_data.tbAdmission a
            JOIN BILLING.tbPatientAccount pa ON pa.EncounterNo = a.AdmissionNo AND pa.AccountKind = 'IP'
           WHERE date(a.DischargeDateTime) = ?1),
        ch AS (
          SELECT acc.HospitalNo, c.ChargeType, c.PayMode, c.Net FROM BILLING.tbCharge c
            JOIN acc ON acc.ARNo = c.ARNo WHERE c.Voided = 0 AND c.ServiceDate <= ?1)
        SELECT (SELECT COUNT(*) FROM acc),
               (SELECT COALESCE(SUM(Net), 0) FROM ch WHERE ChargeType = 'HOSP' AND PayMode = 'CASH'),
               (SELECT COALESCE(SUM(Net), 0) FROM ch WHERE ChargeType = 'HOSP' AND PayMode = 'CHARGE'),
               (SELECT COALESCE(SUM(Net), 0) FROM ch WHERE ChargeType = 'PF' AND PayMode = 'CASH'),
               (SELECT COALESCE(SUM(Net), 0) FROM ch WHERE ChargeType = 'PF' AND PayMode = 'CHARGE'),
               (SELECT COALESCE(SUM(Net), 0) FROM ch),
               (SELECT COALESCE(SUM(l.Amount), 0) FROM BILLING.tbARLedger l JOIN acc ON acc.ARNo = l.ARNo
                 WHERE l.TxnDate <= ?1 AND l.TxnType = 'ADJ'),
               (SELECT COALESCE(SUM(l.Amount), 0) FROM BILLING.tbARLedger l JOIN acc ON acc.ARNo = l.ARNo
                 WHERE l.TxnDate <= ?1 AND l.TxnType IN ('PAY', 'DEP', 'REF')),
               (SELECT COALESCE(SUM(l.Amount), 0) FROM BILLING.tbARLedger l JOIN acc ON acc.ARNo = l.ARNo
                 WHERE l.TxnDate <= ?1),
               (SELECT COUNT(DISTINCT HospitalNo) FROM ch WHERE PayMode = 'CASH'),
               (SELECT COUNT(DISTINCT HospitalNo) FROM ch WHERE PayMode = 'CHARGE'))"),
                  {iso});
}

} // namespace

TEST(DailyTotals, SummaryOfDischargesInBothLayoutsAgreesWithTheCharges)
{
    const QString d = DemoHospital::busyDay();
    const QVariantList t = dischargeTotals(DemoHospital::busyDayIso());
    ASSERT_GT(t[0].toInt(), 0) << "the busy day has discharges";
    const QStringList expected{count(t[0]), money(cents(t[1])), money(cents(t[2])), money(cents(t[3])),
                               money(cents(t[4])), money(cents(t[5])), money(cents(t[6]), true),
                               money(cents(t[7]), true), money(cents(t[8]), true)};

    // The batch's layout: no procedure runs first, it reads what the nightly dump left.
    const QString batch = renderText(openLikeProgram("rptDailySummaryOfDischarges.rpt", "Reports", {d, kAddress}));
    EXPECT_EQ(numbersOnLine(batch, "Total discharges"), expected);

    // The dialog's layout, after the dialog's own steps: dump, recompute, read the six totals.
    tarvik::db::Connection connection(tarvik::db::ConnectionInfo::embedded(DemoHospital::folder()));
    connection.execute("Reports..sp_Rep_DumpDailySummaryOfDischarges  '" + d + "'");
    connection.execute("Reports..sp_RepRecomputeExtensionInPatient  '" + d + "'");
    auto rs = connection.execute("Reports..sp_Rep_GetComputedInPatients '" + d + "'");
    ASSERT_TRUE(rs && !rs->eof());
    const QVariantList values{d, d, kAddress, rs->field("TotalPatientCash"), rs->field("TotalPatientCharge"),
                              rs->field("TotalHospCash"), rs->field("TotalHospCharge"),
                              rs->field("TotalProfCash"), rs->field("TotalProfCharge")};
    const QString columns = renderText(openLikeProgram("rptDailySummaryOfDischargesColumns.rpt", "Reports", values));
    EXPECT_EQ(numbersOnLine(columns, "Total discharges"), expected);
    const QStringList cash{count(t[9]), money(cents(t[1])), money(cents(t[3]))};
    const QStringList charge{count(t[10]), money(cents(t[2])), money(cents(t[4]))};
    EXPECT_EQ(numbersOnLine(columns, "Cash, as listed above"), cash);
    EXPECT_EQ(numbersOnLine(columns, "Charge, as listed above"), charge);
    // The totals the dialog passed print beside them and agree.
    EXPECT_EQ(numbersOnLine(columns, "Cash, as computed for the day"), cash);
    EXPECT_EQ(numbersOnLine(columns, "Charge, as computed for the day"), charge);

    // The same report as a spreadsheet: every line of the summary block is a row of its own,
    // with its figures in the columns its headings stand over; the footers keep their counts
    // beside their labels.
    QTemporaryDir out;
    auto report = openLikeProgram("rptDailySummaryOfDischargesColumns.rpt", "Reports", values);
    report->exportOptions() = {out.filePath(QStringLiteral("discharges.csv")), 39, 1};
    report->exportReport();
    const QList<QStringList> rows = tarvik::testsupport::csvRows(out.filePath(QStringLiteral("discharges.csv")));
    auto rowWith = [&rows](const QString& label) {
        for (const QStringList& r : rows)
            if (r.contains(label))
                return r;
        return QStringList();
    };
    auto filled = [](const QStringList& r) {
        QList<int> at;
        for (int i = 0; i < r.size(); ++i)
            if (!r[i].isEmpty())
                at << i;
        return at;
    };
    auto amount = [](const QString& cell) { return QString::number(cell.toDouble(), 'f', 2); };
    const QStringList heading = rowWith(QStringLiteral("SUMMARY"));
    ASSERT_FALSE(heading.isEmpty());
    const QList<int> columnsOfHeading = filled(heading); // SUMMARY, Patients, Hospital fees, Professional fees
    ASSERT_EQ(columnsOfHeading.size(), 4) << heading.join(u'|').toStdString();
    const struct
    {
        const char* label;
        QStringList figures;
    } lines[] = {
        {"Cash, as computed for the day", cash},
        {"Charge, as computed for the day", charge},
        {"Cash, as listed above", cash},
        {"Charge, as listed above", charge},
    };
    for (const auto& line : lines) {
        const QStringList r = rowWith(QString::fromLatin1(line.label));
        ASSERT_FALSE(r.isEmpty()) << line.label;
        EXPECT_EQ(filled(r), columnsOfHeading) << line.label << ": " << r.join(u'|').toStdString();
        const QList<int> at = filled(r);
        if (at.size() == 4) {
            EXPECT_EQ(r[at[1]], line.figures[0]) << line.label;
            EXPECT_EQ(money(qRound64(r[at[2]].toDouble() * 100)), line.figures[1]) << line.label;
            EXPECT_EQ(money(qRound64(r[at[3]].toDouble() * 100)), line.figures[2]) << line.label;
        }
    }
    const QStringList total = rowWith(QStringLiteral("Total discharges"));
    ASSERT_FALSE(total.isEmpty());
    const QList<int> totalCells = filled(total);
    ASSERT_GE(totalCells.size(), 2);
    EXPECT_EQ(total.value(totalCells[0]), QStringLiteral("Total discharges"));
    EXPECT_EQ(total.value(totalCells[1]), count(t[0])) << "the count follows its label: " << total.join(u'|').toStdString();
    EXPECT_EQ(amount(total.value(5)), amount(QString::number(cents(t[1]) / 100.0, 'f', 2))); // under "Hospital cash"
}

TEST(DailyTotals, SummaryOfServicesAgreesWithTheOutPatientCharges)
{
    const QString d = DemoHospital::busyDay();
    const QString iso = DemoHospital::busyDayIso();
    const QVariantList t = sqlRow(QStringLiteral(R"(
        SELECT COUNT(DISTINCT c.ARNo),
               COALESCE(SUM(CASE WHEN c.ChargeType = 'HOSP' AND c.PayMode = 'CASH' THEN c.Net END), 0),
               COALESCE(SUM(CASE WHEN c.ChargeType = 'HOSP' AND c.PayMode = 'CHARGE' THEN c.Net END), 0),
               COALESCE(SUM(CASE WHEN c.ChargeType = 'PF' AND c.PayMode = 'CASH' THEN c.Net END), 0),
               COALESCE(SUM(CASE WHEN c.ChargeType = 'PF' AND c.PayMode = 'CHARGE' THEN c.Net END), 0),
               COALESCE(SUM(c.Net), 0),
               COUNT(DISTINCT CASE WHEN c.PayMode = 'CASH' THEN c.HospitalNo END),
               COUNT(DISTINCT CASE WHEN c.PayMode = 'CHARGE' THEN c.HospitalNo END)
          FROM BILLING.tbCharge c
         WHERE c.ServiceDate = ?1 AND c.EncounterType = 'O' AND c.Voided = 0)"), {iso});
    ASSERT_GT(t[0].toInt(), 0);
    // As the batch and the dialog produce it: recompute, then read the day's totals.
    tarvik::db::Connection connection(tarvik::db::ConnectionInfo::embedded(DemoHospital::folder()));
    connection.execute("Reports..sp_Rep_DumpDailySummaryOfServices  '" + d + "'");
    connection.execute("Reports..sp_RepRecomputeExtensionOutPatient  '" + d + "'");
    auto rs = connection.execute("Reports..sp_Rep_GetComputedOutPatients '" + d + "'");
    ASSERT_TRUE(rs && !rs->eof());
    const QString text = renderText(openLikeProgram("rptDailySummaryOfServices.rpt", "Reports",
        {d, d, kAddress, rs->field("TotalPatientCash"), rs->field("TotalPatientCharge"), rs->field("TotalHospCash"),
         rs->field("TotalHospCharge"), rs->field("TotalProfCash"), rs->field("TotalProfCharge")}));
    EXPECT_EQ(numbersOnLine(text, "Total services"),
              (QStringList{count(t[0]), money(cents(t[1])), money(cents(t[2])), money(cents(t[3])),
                           money(cents(t[4])), money(cents(t[5]))}));
    const QStringList cash{count(t[6]), money(cents(t[1])), money(cents(t[3]))};
    const QStringList charge{count(t[7]), money(cents(t[2])), money(cents(t[4]))};
    EXPECT_EQ(numbersOnLine(text, "Cash, as listed above"), cash);
    EXPECT_EQ(numbersOnLine(text, "Cash, as computed for the day"), cash);
    EXPECT_EQ(numbersOnLine(text, "Charge, as computed for the day"), charge);
}

TEST(DailyTotals, IncomeReportTotalsTheCompanyAndHmoDischarges)
{
    const QString d = DemoHospital::busyDay();
    const QString iso = DemoHospital::busyDayIso();
    const QVariantList t = sqlRow(QStringLiteral(R"(
        WITH acc AS (
          SELECT pa.ARNo FROM Patient_data.tbAdmission a
            JOIN BILLING.tbPatientAccount pa ON pa.EncounterNo = a.AdmissionNo AND pa.AccountKind = 'IP'
           WHERE date(a.DischargeDateTime) = ?1 AND pa.AccountClass IN ('COMPANY', 'HMO'))
        SELECT (SELECT COUNT(*) FROM acc),
               COALESCE(SUM(CASE WHEN l.TxnType = 'CHG' THEN l.Amount END), 0),
               COALESCE(SUM(CASE WHEN l.TxnType = 'ADJ' THEN l.Amount END), 0),
               COALESCE(SUM(CASE WHEN l.TxnType IN ('PAY', 'DEP', 'REF') THEN l.Amount END), 0),
               COALESCE(SUM(l.Amount), 0)
          FROM BILLING.tbARLedger l JOIN acc ON acc.ARNo = l.ARNo WHERE l.TxnDate <= ?1)"), {iso});
    ASSERT_GT(t[0].toInt(), 0);
    const QString text = renderText(openLikeProgram("DailyIncomeReport.rpt", "Reports",
                                                    {d, d, kAddress, "Demo Accountant"}));
    EXPECT_EQ(numbersOnLine(text, "Grand total"),
              (QStringList{count(t[0]), money(cents(t[1]), true), money(cents(t[2]), true),
                           money(cents(t[3]), true), money(cents(t[4]), true)}));
    EXPECT_TRUE(text.contains("Demo Accountant"));
}

TEST(DailyTotals, LogbooksCountTheDaysRegistrations)
{
    const QString d = DemoHospital::busyDay();
    const QString iso = DemoHospital::busyDayIso();
    const QVariantList adm = sqlRow(QStringLiteral(
        "SELECT COUNT(*), TOTAL(AdmissionType = 'EMERGENCY') FROM Patient_data.tbAdmission WHERE date(AdmitDateTime) = ?1"), {iso});
    const QString admissions = renderText(openLikeProgram("DailyAdmissionLogbook.rpt", "Reports", {d}));
    EXPECT_EQ(numbersOnLine(admissions, "Total admissions"), (QStringList{count(adm[0]), count(adm[1])}));

    const QVariantList opd = sqlRow(QStringLiteral(
        "SELECT COUNT(*), TOTAL(VisitKind = 'NEW'), TOTAL(VisitKind = 'REVISIT'), TOTAL(VisitKind = 'ER') "
        "FROM Patient_data.tbOPDVisit WHERE date(VisitDateTime) = ?1"), {iso});
    ASSERT_GT(opd[0].toInt(), 0);
    const QString visits = renderText(openLikeProgram("rptDailyOPDLogBook.rpt", "Reports", {d, kAddress, d}));
    EXPECT_EQ(numbersOnLine(visits, "Total registrations"),
              (QStringList{count(opd[0]), count(opd[1]), count(opd[2]), count(opd[3])}));

    const QVariantList dis = sqlRow(QStringLiteral(
        "SELECT COUNT(*), TOTAL(max(1, CAST(julianday(date(DischargeDateTime)) - julianday(date(AdmitDateTime)) AS INTEGER))) "
        "FROM Patient_data.tbAdmission WHERE date(DischargeDateTime) = ?1"), {iso});
    const QString demography = renderText(openLikeProgram("rptDailyDischarges_Demography.rpt", "Reports", {d, kAddress}));
    EXPECT_EQ(numbersOnLine(demography, "Discharges"), (QStringList{count(dis[0]), count(dis[1])}));
}

TEST(DailyTotals, PaymentSummaryAddsUpTheReceiptsLeavingOutSpoiledOnes)
{
    const QString d = DemoHospital::busyDay();
    const QString iso = DemoHospital::busyDayIso();
    const QVariantList t = sqlRow(QStringLiteral(R"(
        SELECT (SELECT COUNT(*) FROM BILLING.tbReceipt WHERE ReceiptDate = ?1 AND Voided = 0),
               COALESCE(SUM(CASE WHEN l.LineKind = 'CASHSALE' THEN l.Amount END), 0),
               COALESCE(SUM(CASE WHEN l.LineKind = 'PAYMENT' THEN l.Amount END), 0),
               COALESCE(SUM(CASE WHEN l.LineKind = 'DEPOSIT' THEN l.Amount END), 0),
               COALESCE(SUM(CASE WHEN l.LineKind = 'MISC' THEN l.Amount END), 0),
               (SELECT COALESCE(SUM(Amount), 0) FROM BILLING.tbReceipt WHERE ReceiptDate = ?1 AND Voided = 0),
               (SELECT COUNT(*) FROM BILLING.tbReceipt WHERE ReceiptDate = ?1 AND Voided = 1)
          FROM BILLING.tbReceiptLine l JOIN BILLING.tbReceipt r ON r.ORNo = l.ORNo
         WHERE r.ReceiptDate = ?1 AND r.Voided = 0)"), {iso});
    ASSERT_GT(t[0].toInt(), 0);
    const QString text = renderText(openLikeProgram("PaymentSummary.rpt", "Reports", {d, kAddress}));
    EXPECT_EQ(numbersOnLine(text, "Total collections"),
              (QStringList{count(t[0]), money(cents(t[1])), money(cents(t[2])), money(cents(t[3])),
                           money(cents(t[4])), money(cents(t[5])), count(t[6])}));
}

TEST(DailyTotals, AdjustmentsReportTotalsTheDaysAdjustments)
{
    const QVariantList t = sqlRow(QStringLiteral(
        "SELECT COUNT(*), COALESCE(SUM(Amount), 0) FROM BILLING.tbAdjustment WHERE AdjDate = ?1"),
        {DemoHospital::busyDayIso()});
    ASSERT_GT(t[0].toInt(), 0);
    const QString text = renderText(openLikeProgram("DailyAdjustment.rpt", "Reports", {DemoHospital::busyDay(), kAddress}));
    EXPECT_EQ(numbersOnLine(text, "Total adjustments"), (QStringList{count(t[0]), money(cents(t[1]), true)}));
}

TEST(DailyTotals, AuditTrailsAgreeWithTheLedgerForEachPatientClass)
{
    const QString d = DemoHospital::busyDay();
    const QString iso = DemoHospital::busyDayIso();
    for (const QString& cls : {QStringLiteral("A"), QStringLiteral("I"), QStringLiteral("O")}) {
        SCOPED_TRACE(cls.toStdString());
        const QString ledger = QStringLiteral(R"(
            SELECT l.* FROM BILLING.tbARLedger l JOIN BILLING.tbPatientAccount pa ON pa.ARNo = l.ARNo
             WHERE l.TxnDate = ?1 AND (?2 = 'A' OR pa.AccountKind = ?2 || 'P'))");
        const QVariantList t = sqlRow(QStringLiteral(R"(
            WITH day AS (%1)
            SELECT COUNT(*), COALESCE(SUM(Amount), 0),
                   COALESCE(SUM(CASE WHEN TxnType = 'CHG' THEN Amount END), 0),
                   COALESCE(SUM(CASE WHEN TxnType IN ('PAY', 'DEP') THEN Amount END), 0),
                   COALESCE(SUM(CASE WHEN TxnType = 'ADJ' THEN Amount END), 0),
                   COALESCE(SUM(CASE WHEN TxnType = 'REF' THEN Amount END), 0),
                   COUNT(DISTINCT ARNo),
                   COALESCE(SUM(CASE WHEN Amount > 0 THEN Amount END), 0),
                   COALESCE(SUM(CASE WHEN Amount < 0 THEN -Amount END), 0),
                   COUNT(PhysicianID), COALESCE(SUM(CASE WHEN PhysicianID IS NOT NULL THEN Amount END), 0)
              FROM day)").arg(ledger), {iso, cls});
        ASSERT_GT(t[0].toInt(), 0);
        const QString net = money(cents(t[1]), true);

        auto detail = openLikeProgram("DailyAuditTrail.rpt", "Reports", {d, cls, kAddress});
        openSubreportLikeProgram(*detail, "Summary", "REPORTS", {d, cls});
        openSubreportLikeProgram(*detail, "Doctors", "REPORTS", {d, cls});
        const QString text = renderText(detail);
        EXPECT_EQ(numbersOnLine(text, "Net change in receivables"), (QStringList{count(t[0]), net}));
        // The summary subreport says the same in its own footer.
        EXPECT_EQ(numbersOnLine(text, "Net change in receivables", 1), (QStringList{count(t[0]), net}));
        EXPECT_EQ(numbersOnLine(text, "Total professional fees"), (QStringList{count(t[9]), money(cents(t[10]), true)}));

        const QString byAR = renderText(openLikeProgram("DailyAuditSummaryByAR.rpt", "Reports", {d, cls, kAddress}));
        EXPECT_EQ(numbersOnLine(byAR, "Grand total"),
                  (QStringList{count(t[6]), count(t[0]), money(cents(t[2]), true), money(cents(t[3]), true),
                               money(cents(t[4]), true), money(cents(t[5]), true), net}));

        // Each transaction is two journal sides, so debits equal credits and net to nothing.
        const QString byGL = renderText(openLikeProgram("DailyAuditSummaryByGL.rpt", "Reports", {d, cls, kAddress}));
        const QString both = money(cents(t[7]) + cents(t[8]));
        EXPECT_EQ(numbersOnLine(byGL, "Total debits and credits"),
                  (QStringList{count(t[0].toLongLong() * 2), both, both, "0.00"}));
    }
}

TEST(DailyTotals, AccountStatusListsTheInPatientsInTheHouseWithBalancesAsOfTheDay)
{
    const QString d = DemoHospital::busyDay();
    // Balances as of D, from the ledger rows of each account dated up to D.
    const QVariantList t = sqlRow(QStringLiteral(R"(
        SELECT COUNT(*), TOTAL(chg), TOTAL(pay), TOTAL(adj), TOTAL(bal), TOTAL(excess), MAX(bal)
          FROM (SELECT pa.ARNo,
                       (SELECT COALESCE(SUM(Amount), 0) FROM BILLING.tbARLedger WHERE ARNo = pa.ARNo AND TxnDate <= ?1 AND TxnType = 'CHG') AS chg,
                       (SELECT COALESCE(-SUM(Amount), 0) FROM BILLING.tbARLedger WHERE ARNo = pa.ARNo AND TxnDate <= ?1 AND TxnType IN ('PAY', 'DEP')) AS pay,
                       (SELECT COALESCE(SUM(Amount), 0) FROM BILLING.tbARLedger WHERE ARNo = pa.ARNo AND TxnDate <= ?1 AND TxnType IN ('ADJ', 'REF')) AS adj,
                       (SELECT COALESCE(SUM(Amount), 0) FROM BILLING.tbARLedger WHERE ARNo = pa.ARNo AND TxnDate <= ?1) AS bal,
                       pa.AccountLimit AS lim,
                       0 AS excess
                  FROM Patient_data.tbAdmission a JOIN BILLING.tbPatientAccount pa ON pa.EncounterNo = a.AdmissionNo
                 WHERE date(a.AdmitDateTime) <= ?1 AND (a.DischargeDateTime IS NULL OR date(a.DischargeDateTime) > ?1)))"),
        {DemoHospital::busyDayIso()});
    ASSERT_GT(t[0].toInt(), 0);
    const qint64 excess = cents(sqlRow(QStringLiteral(R"(
        SELECT TOTAL(CASE WHEN lim > 0 AND bal > lim THEN bal - lim ELSE 0 END) FROM (
          SELECT pa.AccountLimit AS lim,
                 (SELECT COALESCE(SUM(Amount), 0) FROM BILLING.tbARLedger WHERE ARNo = pa.ARNo AND TxnDate <= ?1) AS bal
            FROM Patient_data.tbAdmission a JOIN BILLING.tbPatientAccount pa ON pa.EncounterNo = a.AdmissionNo
           WHERE date(a.AdmitDateTime) <= ?1 AND (a.DischargeDateTime IS NULL OR date(a.DischargeDateTime) > ?1)))"),
        {DemoHospital::busyDayIso()})[0]);
    const QStringList expected{count(t[0]), money(cents(t[1]), true), money(cents(t[2]), true),
                               money(cents(t[3]), true), money(cents(t[4]), true), money(excess)};
    for (const char* file : {"PatientsAccountStatusReportByBalance.rpt", "PatientsAccountStatusReportByName.rpt",
                             "PatientsAccountStatusReportByAccountLimit.rpt", "PatientsAccountStatusReportByStation.rpt"}) {
        SCOPED_TRACE(file);
        const QString text = renderText(openLikeProgram(file, "BILLING", {kAddress, d}));
        EXPECT_EQ(numbersOnLine(text, "Grand total"), expected);
        if (QString(file).contains("ByBalance")) {
            // The largest balance heads the list: the first detail line carries it.
            const QString first = text.section(QStringLiteral("Excess"), 1).section(u'\n', 2, 2);
            EXPECT_TRUE(first.contains(money(cents(t[6]), true))) << first.toStdString();
        }
    }
}
