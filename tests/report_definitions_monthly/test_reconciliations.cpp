// The figures each month-end report prints for February 2026, read back from its PDF, against
// SQL over the raw tables (BILLING's ledger, journal, charges and receipts; Patient_data's
// logbook) rather than the tables the procedures and reporting copies fill.

#include "fixture.h"

#include "DataFolder.h"

using namespace monthlyrpt;

namespace {

// Every patient account as of the last day: its balance, the period's movement and its age
// from the basis the hospital ages it from (out-patients: the visit; in-patients: the
// discharge, or the last day while still in the house).
const char* kAccountsAsOfT = R"(
    WITH acc AS (
      SELECT pa.ARNo, pa.AccountClass,
             (SELECT SUM(l.Amount) FROM BILLING.tbARLedger l WHERE l.ARNo = pa.ARNo AND l.TxnDate <= ?T) AS bal,
             (SELECT TOTAL(l.Amount) FROM BILLING.tbARLedger l WHERE l.ARNo = pa.ARNo AND l.TxnDate < ?F) AS opening,
             (SELECT TOTAL(l.Amount) FROM BILLING.tbARLedger l WHERE l.ARNo = pa.ARNo AND l.TxnDate BETWEEN ?F AND ?T
                 AND l.TxnType = 'CHG') AS chg,
             (SELECT TOTAL(l.Amount) FROM BILLING.tbARLedger l WHERE l.ARNo = pa.ARNo AND l.TxnDate BETWEEN ?F AND ?T
                 AND l.TxnType IN ('PAY', 'DEP', 'REF')) AS pay,
             (SELECT TOTAL(l.Amount) FROM BILLING.tbARLedger l WHERE l.ARNo = pa.ARNo AND l.TxnDate BETWEEN ?F AND ?T
                 AND l.TxnType = 'ADJ') AS adj,
             CAST(julianday(?T) - julianday(CASE WHEN pa.AccountKind = 'OP' THEN pa.OpenedOn
                                                 WHEN pa.DischargedOn <= ?T THEN pa.DischargedOn
                                                 ELSE ?T END) AS INTEGER) AS age
        FROM BILLING.tbPatientAccount pa)
)";

// The five buckets of an amount by age.
const char* kBuckets = R"(
    TOTAL(CASE WHEN age <= 30 THEN %1 END), TOTAL(CASE WHEN age BETWEEN 31 AND 60 THEN %1 END),
    TOTAL(CASE WHEN age BETWEEN 61 AND 90 THEN %1 END), TOTAL(CASE WHEN age BETWEEN 91 AND 120 THEN %1 END),
    TOTAL(CASE WHEN age > 120 THEN %1 END)
)";

QStringList moneyList(const QVariantList& row, int from, int to, bool parens = true)
{
    QStringList out;
    for (int i = from; i < to; ++i)
        out << cents(row.at(i), parens);
    return out;
}

} // namespace

TEST(MonthlyTotals, AgingReportsAgreeWithTheLedgerForEachBalanceClass)
{
    const struct
    {
        const char* command;  // as the batch (no class) and the aging dialog send it
        const char* which;    // the accounts of the class
    } classes[] = {
        {"REPORTS..sp_BILLING_RepAgingRecompute '02/01/2026', '02/28/2026'", "bal > 0"},
        {"REPORTS..sp_BILLING_RepAgingRecompute '02/01/2026', '02/28/2026', 'N'", "bal < 0"},
        {"REPORTS..sp_BILLING_RepAgingRecompute '02/01/2026', '02/28/2026', 'A'", "bal <> 0"},
    };
    for (const auto& c : classes) {
        SCOPED_TRACE(c.command);
        execute(QString::fromLatin1(c.command));
        const QVariantList t = sqlRow(QString::fromLatin1(kAccountsAsOfT) + QStringLiteral(
            "SELECT COUNT(*), TOTAL(opening), TOTAL(chg), TOTAL(pay), TOTAL(adj), TOTAL(bal), %1 FROM acc WHERE %2")
            .arg(QString::fromLatin1(kBuckets).arg(QStringLiteral("bal")), QString::fromLatin1(c.which)));
        ASSERT_GT(t[0].toInt(), 0);
        // The buckets hold the whole balance.
        qint64 buckets = 0;
        for (int i = 6; i < 11; ++i)
            buckets += t[i].toLongLong();
        EXPECT_EQ(buckets, t[5].toLongLong());

        const QString detail = renderText(openLikeProgram("Aging.rpt", "REPORTS", {kFirst, kLast, kAddress}));
        EXPECT_EQ(numbersOnLine(detail, "Grand total"), (QStringList{countWithCommas(t[0])} + moneyList(t, 1, 11)));

        auto summary = openLikeProgram("AgingComputation.rpt", "REPORTS", {kFirst, kLast, kAddress});
        openSubreportLikeProgram(*summary, "Classification", "REPORTS", {kFirst, kLast, kAddress});
        const QString text = renderText(summary);
        const QStringList totals = QStringList{countWithCommas(t[0])} + moneyList(t, 5, 11);
        EXPECT_EQ(numbersOnLine(text, "Grand total"), totals);
        EXPECT_EQ(numbersOnLine(text, "Total of all payors"), totals);
    }

    // Each classification's line of the summary, receivables as the batch computes them.
    execute(QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '02/01/2026', '02/28/2026'"));
    const QString text = renderText([] {
        auto r = openLikeProgram("AgingComputation.rpt", "REPORTS", {kFirst, kLast, kAddress});
        openSubreportLikeProgram(*r, "Classification", "REPORTS", {kFirst, kLast, kAddress});
        return r;
    }());
    for (const auto& [label, accountClass] : {std::pair{"Self-pay", "PAY"}, std::pair{"HMO", "HMO"},
                                              std::pair{"Company", "COMPANY"}}) {
        const QVariantList c = sqlRow(QString::fromLatin1(kAccountsAsOfT) + QStringLiteral(
            "SELECT COUNT(*), TOTAL(bal), %1 FROM acc WHERE bal > 0 AND AccountClass = '%2'")
            .arg(QString::fromLatin1(kBuckets).arg(QStringLiteral("bal")), QString::fromLatin1(accountClass)));
        ASSERT_GT(c[0].toInt(), 0) << label;
        EXPECT_EQ(numbersOnLine(text, QString::fromLatin1(label)), (QStringList{countWithCommas(c[0])} + moneyList(c, 1, 7)))
            << label;
    }
}

TEST(MonthlyTotals, PayableAgingAgreesWithTheCreditBalances)
{
    execute(QStringLiteral("REPORTS..sp_BILLING_RepAgingPayableRecompute '02/01/2026', '02/28/2026'"));
    // Accounts in credit on the last day, aged from their last credit up to it.
    const QVariantList t = sqlRow(QStringLiteral(R"(
        WITH acc AS (
          SELECT l.ARNo, -SUM(l.Amount) AS payable,
                 CAST(julianday(?T) - julianday(MAX(CASE WHEN l.Amount < 0 THEN l.TxnDate END)) AS INTEGER) AS age
            FROM BILLING.tbARLedger l WHERE l.TxnDate <= ?T GROUP BY l.ARNo HAVING SUM(l.Amount) < 0)
        SELECT COUNT(*), TOTAL(payable), %1 FROM acc)").arg(QString::fromLatin1(kBuckets).arg(QStringLiteral("payable"))));
    ASSERT_GT(t[0].toInt(), 0) << "the demo month has credit balances";
    const QStringList totals = QStringList{countWithCommas(t[0])} + moneyList(t, 1, 7);

    const QString detail = renderText(openLikeProgram("PayableDetail.rpt", "REPORTS", {kFirst, kLast, kAddress}));
    EXPECT_EQ(numbersOnLine(detail, "Grand total"), totals);
    auto summary = openLikeProgram("PayableComputation.rpt", "REPORTS", {kFirst, kLast, kAddress});
    openSubreportLikeProgram(*summary, "Classification", "REPORTS", {kFirst, kLast, kAddress});
    const QString text = renderText(summary);
    const QStringList summaryTotals = QStringList{countWithCommas(t[0])} + moneyList(t, 1, 7);
    EXPECT_EQ(numbersOnLine(text, "Grand total"), summaryTotals);
    EXPECT_EQ(numbersOnLine(text, "Total of all payors"), summaryTotals);
}

TEST(MonthlyTotals, LedgerEntriesBalanceAndAgreeWithTheTransactions)
{
    // Each receivable transaction is posted as two sides, each miscellaneous receipt as cash
    // against its revenue account: the month's debits and credits, straight from the sources.
    const QVariantList t = sqlRow(QStringLiteral(R"(
        SELECT (SELECT TOTAL(abs(Amount)) FROM BILLING.tbARLedger WHERE TxnDate BETWEEN ?F AND ?T)
             + (SELECT TOTAL(rl.Amount) FROM BILLING.tbReceiptLine rl JOIN BILLING.tbReceipt r ON r.ORNo = rl.ORNo
                 WHERE rl.LineKind = 'MISC' AND r.Voided = 0 AND r.ReceiptDate BETWEEN ?F AND ?T),
               (SELECT COUNT(*) FROM BILLING.tbGLEntry WHERE JournalDate BETWEEN ?F AND ?T),
               (SELECT COUNT(DISTINCT BatchNo) FROM BILLING.tbGLEntry WHERE JournalDate BETWEEN ?F AND ?T))"));
    ASSERT_GT(t[1].toInt(), 0);
    const QString text = renderText(openLikeProgram("MonthlyEntriesGL.rpt", "Reports",
                                                    {kFirst, kLast, QStringLiteral("A"), kAddress}));
    const QString both = cents(t[0]);
    EXPECT_EQ(numbersOnLine(text, "Total debits and credits"),
              (QStringList{countWithCommas(t[2]), countWithCommas(t[1]), both, both}));
    EXPECT_EQ(numbersOnLine(text, "Batches out of balance"), QStringList{"0"});
    // Every batch's footer shows equal debits and credits.
    int batches = 0;
    for (const QString& line : text.split(u'\n')) {
        if (!line.contains(QStringLiteral("Total batch")))
            continue;
        ++batches;
        const QStringList n = numbersOnLine(line, "lines");
        ASSERT_EQ(n.size(), 2) << line.toStdString();
        EXPECT_EQ(n[0], n[1]) << line.toStdString();
    }
    EXPECT_EQ(batches, t[2].toInt());
}

TEST(MonthlyTotals, SummaryPerARAgreesWithTheLedgerAndTheJournalPerAccount)
{
    const QVariantList t = sqlRow(QStringLiteral(R"(
        WITH acc AS (
          SELECT GLCode, ARNo, TOTAL(CASE WHEN TxnDate < ?F THEN Amount END) AS opening,
                 COUNT(CASE WHEN TxnDate >= ?F THEN 1 END) AS moves
            FROM BILLING.tbARLedger WHERE TxnDate <= ?T GROUP BY GLCode, ARNo)
        SELECT (SELECT COUNT(*) FROM acc WHERE opening <> 0 OR moves > 0),
               TOTAL(CASE WHEN TxnDate < ?F THEN Amount END),
               TOTAL(CASE WHEN TxnDate >= ?F AND TxnType = 'CHG' THEN Amount END),
               TOTAL(CASE WHEN TxnDate >= ?F AND TxnType IN ('PAY', 'DEP') THEN Amount END),
               TOTAL(CASE WHEN TxnDate >= ?F AND TxnType = 'ADJ' THEN Amount END),
               TOTAL(CASE WHEN TxnDate >= ?F AND TxnType = 'REF' THEN Amount END),
               TOTAL(Amount),
               TOTAL(CASE WHEN TxnDate >= ?F AND Amount > 0 THEN Amount END),
               TOTAL(CASE WHEN TxnDate >= ?F AND Amount < 0 THEN -Amount END)
          FROM BILLING.tbARLedger WHERE TxnDate <= ?T)"));
    ASSERT_GT(t[0].toInt(), 0);
    const QString text = renderText(openLikeProgram("MonthlySummaryGL.rpt", "Reports",
                                                    {kFirst, kLast, QStringLiteral("A"), kAddress}));
    EXPECT_EQ(numbersOnLine(text, "Grand total"), (QStringList{countWithCommas(t[0])} + moneyList(t, 1, 7)));
    EXPECT_EQ(numbersOnLine(text, "Total debits and credits to receivables"),
              (QStringList{cents(t[7], false), cents(t[8], false)}));

    // Each receivable account's debits and credits are the journal's lines for it, in G/L order.
    const QStringList accounts = tarvik::testsupport::queryColumn(DemoHospital::folder(), QStringLiteral(
        "SELECT DISTINCT GLCode FROM BILLING.tbARLedger WHERE TxnDate <= '2026-02-28' ORDER BY GLCode"));
    ASSERT_GE(accounts.size(), 3);
    for (int i = 0; i < accounts.size(); ++i) {
        const QVariantList j = sqlRow(QStringLiteral(
            "SELECT TOTAL(Debit), TOTAL(Credit) FROM BILLING.tbGLEntry WHERE GLCode = '%1' AND JournalDate BETWEEN ?F AND ?T")
                                          .arg(accounts[i]));
        EXPECT_EQ(numbersOnLine(text, "Debits", i), (QStringList{cents(j[0], false), cents(j[1], false)})) << accounts[i].toStdString();
    }
}

TEST(MonthlyTotals, RevenueBreakdownAgreesWithTheCharges)
{
    const QString lines = QStringLiteral(R"(
        SELECT COUNT(*), TOTAL(Qty), TOTAL(Gross), TOTAL(Discount), TOTAL(Net),
               TOTAL(CASE WHEN EncounterType = 'I' THEN Net END), TOTAL(CASE WHEN EncounterType = 'O' THEN Net END)
          FROM BILLING.tbCharge WHERE Voided = 0 AND ServiceDate BETWEEN ?F AND ?T AND ChargeType = '%1')");
    const QVariantList hosp = sqlRow(lines.arg(QStringLiteral("HOSP")));
    const QVariantList pf = sqlRow(lines.arg(QStringLiteral("PF")));
    ASSERT_GT(hosp[0].toInt(), 0);
    ASSERT_GT(pf[0].toInt(), 0);
    auto report = openLikeProgram("BreakdownOfDepartmentalRevenue.rpt", "Reports",
                                  {kFirst, kLast, QStringLiteral("A"), kAddress});
    openSubreportLikeProgram(*report, "Summary", "Reports", {kFirst, kLast, kAddress, kHospital});
    openSubreportLikeProgram(*report, "Doctors", "Reports", {kFirst, kLast, QStringLiteral("A")});
    const QString text = renderText(report);
    EXPECT_EQ(numbersOnLine(text, "Total hospital revenue"),
              (QStringList{countWithCommas(hosp[0]), countWithCommas(hosp[1])} + moneyList(hosp, 2, 7)));
    EXPECT_EQ(numbersOnLine(text, "Total professional fees"),
              (QStringList{countWithCommas(pf[0])} + moneyList(pf, 2, 7)));
    const auto sum = [&](int i) { return QVariant(hosp[i].toLongLong() + pf[i].toLongLong()); };
    EXPECT_EQ(numbersOnLine(text, "Total revenue"),
              (QStringList{cents(hosp[4]), cents(pf[4]), cents(sum(4)), cents(sum(5)), cents(sum(6))}));
}

TEST(MonthlyTotals, PackageDealsAgreeWithTheChargesAndTheLogbook)
{
    const QVariantList sold = sqlRow(QStringLiteral(R"(
        SELECT COUNT(*), TOTAL(c.Discount), TOTAL(c.Net)
          FROM BILLING.tbCharge c JOIN BILLING.tbServiceItem si ON si.ItemCode = c.ItemCode
         WHERE si.IsPackage = 1 AND c.DeptCode = 'LB' AND c.Voided = 0 AND c.ServiceDate BETWEEN ?F AND ?T)"));
    const QVariantList tests = sqlRow(QStringLiteral(R"(
        SELECT COUNT(*) FROM Patient_data.tbExamination
         WHERE DeptCode = 'LB' AND PackageCode IS NOT NULL AND Status <> 'CANCELLED' AND ExamDate BETWEEN ?F AND ?T)"));
    ASSERT_GT(sold[0].toInt(), 0);
    const QString text = renderText(openLikeProgram("MonthLaboratoryPackageDeal.rpt", "Reports", {kFirst, kLast, kAddress}));
    EXPECT_EQ(numbersOnLine(text, "Total packages sold"),
              (QStringList{countWithCommas(sold[0]), cents(sold[1]), cents(sold[2])}));
    EXPECT_EQ(numbersOnLine(text, "Total tests done under packages"), QStringList{countWithCommas(tests[0])});
}

TEST(MonthlyTotals, DepartmentalLayoutsReadWhatTheRecomputeWritesForEveryBatchCode)
{
    // The codes and flags the batch sends; the layout the departmental runner picks for each.
    const struct
    {
        const char* code;
        const char* flag;
    } departments[] = {{"LB", "N"}, {"XR", "N"}, {"US", "N"}, {"OR", "N"}, {"PT", "N"},
                       {"PA", "N"}, {"CT", "N"}, {"DR", "N"}, {"DI", "N"}, {"AP", "Y"}};
    for (const auto& d : departments) {
        const QString code = QString::fromLatin1(d.code);
        SCOPED_TRACE(d.code);
        execute(QStringLiteral("Reports..sp_Rep_MonthlyREcompute '02/01/2026', '02/28/2026', '%1', '%2'")
                    .arg(code, QLatin1String(d.flag)));
        // Flag N counts the logbook's examinations, flag Y the billed lines; the amount is the
        // department's net revenue either way.
        const QVariantList counted = QLatin1String(d.flag) == u"N"
            ? sqlRow(QStringLiteral("SELECT COUNT(*), TOTAL(Qty) FROM Patient_data.tbExamination "
                                    "WHERE DeptCode = '%1' AND Status <> 'CANCELLED' AND ExamDate BETWEEN ?F AND ?T")
                         .arg(code))
            : sqlRow(QStringLiteral("SELECT COUNT(*), TOTAL(Qty) FROM BILLING.tbCharge "
                                    "WHERE DeptCode = '%1' AND Voided = 0 AND ServiceDate BETWEEN ?F AND ?T")
                         .arg(code));
        const QVariantList net = sqlRow(QStringLiteral(
            "SELECT TOTAL(Net) FROM BILLING.tbCharge WHERE DeptCode = '%1' AND Voided = 0 AND ServiceDate BETWEEN ?F AND ?T")
                                            .arg(code));
        ASSERT_GT(counted[0].toInt(), 0);
        const bool operatingRoom = code == u"OR";
        const QString text = renderText(openLikeProgram(
            operatingRoom ? "MonthlyORReport.rpt" : "rptMonthlyReport.rpt", "REPORTS",
            {kFirst, kLast, code, QString::fromLatin1(d.flag), kAddress, QStringLiteral("Title"), kLast}));
        const QStringList total = numbersOnLine(text, "Total for the month");
        if (operatingRoom) {
            ASSERT_EQ(total.size(), 6);
            EXPECT_EQ(total.mid(4), (QStringList{countWithCommas(counted[0]), cents(net[0])}));
        } else {
            EXPECT_EQ(total, (QStringList{countWithCommas(counted[0]), countWithCommas(counted[1]), cents(net[0])}));
        }
    }
}

TEST(MonthlyTotals, AgingComputedForAnotherPeriodIsNeverShownAsThisOne)
{
    // The aging tables hold one computation at a time, whoever ran it last: February's reports
    // opened after someone computed January show nothing rather than January's figures.
    execute(QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '01/01/2026', '01/31/2026'"));
    execute(QStringLiteral("REPORTS..sp_BILLING_RepAgingPayableRecompute '01/01/2026', '01/31/2026'"));
    ASSERT_GT(sqlRow(QStringLiteral("SELECT COUNT(*) FROM Reports.tbAgingDetail"))[0].toInt(), 0);
    const QStringList none{"0", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00"};
    EXPECT_EQ(numbersOnLine(renderText(openLikeProgram("PayableDetail.rpt", "REPORTS", {kFirst, kLast, kAddress})),
                            "Grand total"),
              none);
    auto summary = openLikeProgram("AgingComputation.rpt", "REPORTS", {kFirst, kLast, kAddress});
    openSubreportLikeProgram(*summary, "Classification", "REPORTS", {kFirst, kLast, kAddress});
    EXPECT_EQ(numbersOnLine(renderText(summary), "Total of all payors"), none);
}

TEST(MonthlyTotals, AMonthWithoutDataGivesOnePageOfZeroTotals)
{
    // December 2025 is before the demo hospital's first day.
    const QVariantList dec{QStringLiteral("12/01/2025"), QStringLiteral("12/31/2025"), kAddress};
    execute(QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '12/01/2025', '12/31/2025'"));
    int pages = 0;
    auto aging = openLikeProgram("AgingComputation.rpt", "REPORTS", dec);
    openSubreportLikeProgram(*aging, "Classification", "REPORTS", dec);
    EXPECT_EQ(numbersOnLine(renderText(aging, &pages), "Total of all payors"),
              (QStringList{"0", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00"}));
    EXPECT_EQ(pages, 1);
    auto breakdown = openLikeProgram("BreakdownOfDepartmentalRevenue.rpt", "Reports",
                                     {dec[0], dec[1], QStringLiteral("A"), kAddress});
    openSubreportLikeProgram(*breakdown, "Summary", "Reports", {dec[0], dec[1], kAddress, kHospital});
    openSubreportLikeProgram(*breakdown, "Doctors", "Reports", {dec[0], dec[1], QStringLiteral("A")});
    const QString text = renderText(breakdown, &pages);
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(numbersOnLine(text, "Total revenue"), (QStringList{"0.00", "0.00", "0.00", "0.00", "0.00"}));
    EXPECT_EQ(numbersOnLine(renderText(openLikeProgram("MonthlyEntriesGL.rpt", "Reports",
                                                       {dec[0], dec[1], QStringLiteral("A"), kAddress})),
                            "Total debits and credits"),
              (QStringList{"0", "0", "0.00", "0.00"}));
}
