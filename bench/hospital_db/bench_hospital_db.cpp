// Prints how long the demo generator and each recompute procedure take, beside the bare
// aggregate query each procedure rests on. No assertions: figures for people.
//
//   bench_hospital_db [--scale S] [--months M] [--to MM/DD/YYYY] [--data DIR]
// With --data an existing demo folder is measured instead of generating a new one.

#include "HospitalDb.h"

#include "Connection.h"
#include "ConnectionInfo.h"
#include "ProgramOptions.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <exception>

namespace {

double secondsOf(tarvik::db::Connection& c, const QString& text, int* rows = nullptr)
{
    QElapsedTimer t;
    t.start();
    auto rs = c.execute(text);
    if (rows)
        *rows = rs ? rs->recordCount() : 0;
    return t.nsecsElapsed() / 1e9;
}

QString mdy(const QDate& d) { return d.toString(QStringLiteral("MM/dd/yyyy")); }
QString iso(const QDate& d) { return d.toString(Qt::ISODate); }

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const tarvik::ProgramOptions cl =
        tarvik::ProgramOptions("bench_hospital_db", "[--scale S] [--months M] [--to MM/DD/YYYY] [--data DIR]",
                               "Prints how long the demo generator and each recompute procedure take, beside the "
                               "bare aggregate query each procedure rests on.")
            .option({"scale"}, "Size of the generated hospital; 1 is about 250 beds (default 1).", "S", "1")
            .option({"months"}, "Calendar months of generated data (default 13).", "M", "13")
            .option({"to"}, "Last day of generated data (default 03/15/2026).", "MM/DD/YYYY", "03/15/2026")
            .option({"data"}, "Measure this existing demo folder instead of generating one.", "DIR")
            .process(argc, argv);
    if (!cl.positional().isEmpty())
        cl.fail(QStringLiteral("unexpected argument \"%1\".").arg(cl.positional().first()));
    const double scale = cl.number("scale", 0, 100);
    const int months = int(cl.integer("months", 1, 1200));
    const QDate to = QDate::fromString(cl.value("to"), QStringLiteral("MM/dd/yyyy"));
    if (!to.isValid())
        cl.fail(QStringLiteral("--to wants a date as MM/DD/YYYY, not \"%1\".").arg(cl.value("to")));
    QString data = cl.value("data");
    try {
        QTemporaryDir tmp;
        if (data.isEmpty()) {
            data = tmp.path() + QStringLiteral("/demo");
            tarvik::hospitaldb::GeneratorOptions options;
            options.scale = scale;
            options.months = months;
            options.to = to;
            QElapsedTimer t;
            t.start();
            qint64 writeMs = 0;
            tarvik::hospitaldb::generateDemoData(data, options, [&](const QString& stage, qint64 done, qint64 total) {
                if (done == total)
                    std::printf("  %-48s done at %7.1f s\n", qPrintable(stage), t.elapsed() / 1000.0);
                if (stage.startsWith(QLatin1String("Writing")) && done == total)
                    writeMs = t.elapsed();
            });
            std::printf("generation, scale %.2f x %d months: %.1f s\n", scale, months, t.elapsed() / 1000.0);
            tarvik::db::Connection c(tarvik::db::ConnectionInfo::embedded(data));
            auto rs = c.execute(QStringLiteral("Select (Select Count(*) From BILLING..tbCharge) + (Select Count(*) From BILLING..tbARLedger) + "
                                               "(Select Count(*) From BILLING..tbReceipt) + (Select Count(*) From BILLING..tbReceiptLine) + "
                                               "(Select Count(*) From Patient_data..tbExamination) + (Select Count(*) From Patient_data..tbOPDVisit) As n"));
            const double n = rs->field(QStringLiteral("n")).toDouble();
            std::printf("raw rows written: %.0f, %.0f rows/s while writing\n\n", n, n / (writeMs / 1000.0));
        }

        tarvik::db::Connection c(tarvik::db::ConnectionInfo::embedded(data));
        c.setCommandTimeout(0);
        const QDate monthFirst(to.year(), to.month(), 1);
        const QDate pastFirst = monthFirst.addMonths(-1), pastLast = monthFirst.addDays(-1);
        const QDate yearFirst = pastLast.addYears(-1).addDays(1);
        struct Row { QString what; QString procedure; QString bare; };
        auto periodRows = [&](const QString& label, const QDate& f, const QDate& l) {
            const QString F = mdy(f), L = mdy(l), fi = iso(f), li = iso(l);
            return std::vector<Row>{
                {QStringLiteral("monthly recompute LB N, ") + label,
                 QStringLiteral("Reports..sp_Rep_MonthlyREcompute '%1', '%2', 'LB', 'N'").arg(F, L),
                 QStringLiteral("Select ItemCode, Count(*), Sum(Net) From BILLING..tbCharge Where DeptCode = 'LB' And Voided = 0 "
                                "And ServiceDate Between '%1' And '%2' Group By ItemCode").arg(fi, li)},
                {QStringLiteral("monthly recompute MC Y, ") + label,
                 QStringLiteral("Reports..sp_Rep_MonthlyREcompute '%1', '%2', 'MC', 'Y'").arg(F, L),
                 QStringLiteral("Select Count(*), Sum(Amount) From BILLING..tbReceiptLine Where MiscCode = 'MC'")},
                {QStringLiteral("aging recompute P, ") + label,
                 QStringLiteral("REPORTS..sp_BILLING_RepAgingRecompute '%1', '%2', 'P'").arg(F, L),
                 QStringLiteral("Select ARNo, Sum(Amount) From BILLING..tbARLedger Where TxnDate <= '%1' Group By ARNo Having Sum(Amount) > 0").arg(li)},
                {QStringLiteral("payable aging recompute, ") + label,
                 QStringLiteral("REPORTS..sp_BILLING_RepAgingPayableRecompute '%1', '%2'").arg(F, L),
                 QStringLiteral("Select ARNo, Sum(Amount) From BILLING..tbARLedger Where TxnDate <= '%1' Group By ARNo Having Sum(Amount) < 0").arg(li)},
                {QStringLiteral("reporting copies refresh, ") + label,
                 QStringLiteral("Reports..sp_Rep_RefreshReportTables '%1', '%2'").arg(F, L),
                 QStringLiteral("Select Count(*), Sum(Amount) From BILLING..tbARLedger Where TxnDate Between '%1' And '%2'").arg(fi, li)},
            };
        };
        std::vector<Row> rows = periodRows(QStringLiteral("a month"), pastFirst, pastLast);
        const auto year = periodRows(QStringLiteral("a year"), yearFirst, pastLast);
        rows.insert(rows.end(), year.begin(), year.end());
        const QString day = mdy(pastLast), dayIso = iso(pastLast);
        rows.push_back({QStringLiteral("dump discharges + recompute, a day"),
                        QStringLiteral("Reports..sp_Rep_DumpDailySummaryOfDischarges '%1'").arg(day),
                        QStringLiteral("Select Count(*) From Patient_data..tbAdmission Where date(DischargeDateTime) = '%1'").arg(dayIso)});
        rows.push_back({QStringLiteral("recompute in-patient totals, a day"),
                        QStringLiteral("Reports..sp_RepRecomputeExtensionInPatient '%1'").arg(day), QString()});
        rows.push_back({QStringLiteral("dump services, a day"),
                        QStringLiteral("Reports..sp_Rep_DumpDailySummaryOfServices '%1'").arg(day),
                        QStringLiteral("Select ChargeType, PayMode, Sum(Net) From BILLING..tbCharge Where ServiceDate = '%1' "
                                       "And EncounterType = 'O' And Voided = 0 Group By ChargeType, PayMode").arg(dayIso)});
        rows.push_back({QStringLiteral("recompute out-patient totals, a day"),
                        QStringLiteral("Reports..sp_RepRecomputeExtensionOutPatient '%1'").arg(day), QString()});

        std::printf("%-44s %12s %12s\n", "procedure", "procedure s", "bare query s");
        for (const Row& r : rows) {
            const double p = secondsOf(c, r.procedure);
            const double b = r.bare.isEmpty() ? 0.0 : secondsOf(c, r.bare);
            if (r.bare.isEmpty())
                std::printf("%-44s %12.3f %12s\n", qPrintable(r.what), p, "-");
            else
                std::printf("%-44s %12.3f %12.3f\n", qPrintable(r.what), p, b);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_hospital_db: %s\n", e.what());
        return 1;
    }
    return 0;
}
