// The catalog of unattended runs: the names crontabs and timers rely on, how names, boxes,
// sort orders and dates are read, and how output files are named.

#include "RunCatalog.h"

#include <QApplication>
#include <gtest/gtest.h>

using namespace tarvik::cli;

namespace {

QStringList names()
{
    QStringList out;
    for (const RunEntry& e : runCatalog())
        out << e.name;
    return out;
}

} // namespace

// Names are written into crontabs and unit files: a renamed entry breaks someone's night run.
TEST(RunCatalog, EveryDailyReportAndTheBatchHaveTheirStableNames)
{
    const QStringList expected{
        "daily-summary-of-discharges", "daily-income-report", "daily-summary-of-services", "admission-logbook",
        "opd-registration-logbook", "payment-summary-report", "laboratory-examination-logbook",
        "x-ray-examination-logbook", "ultrasound-examination-logbook", "ct-scan-examination-logbook",
        "patients-account-status-report", "end-of-day", "monthly-miscellaneous-report",
        "year-end-miscellaneous-report", "monthly-laboratory-report", "monthly-xray-report",
        "monthly-ultrasound-report", "monthly-operating-room-report", "monthly-physical-therapy-report",
        "monthly-rts-report", "monthly-ct-scan-report", "monthly-delivery-room-report", "after-end-of-month",
        "daily-transactions-audit-trail", "adjustments-report", "aging-analysis-detail-report", "aging-analysis-summary",
        "payable-aging-analysis-detail", "payable-aging-analysis-summary", "monthly-summary-of-audit-trail",
        "list-of-admissions", "year-end-apparatus-report", "year-end-laboratory-report", "year-end-x-ray-report",
        "year-end-ultrasound-report", "year-end-operating-room-report", "year-end-physical-therapy-report",
        "year-end-rts-report", "year-end-ct-scan-report", "year-end-delivery-room-report", "year-end"};
    EXPECT_EQ(names(), expected);
    EXPECT_EQ(names().removeDuplicates(), 0);
}

TEST(RunCatalog, FindsAnEntryByNameOrMenuCaption)
{
    const RunEntry* byName = findEntry(QStringLiteral("daily-summary-of-discharges"));
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(byName->caption, QStringLiteral("Daily Summary Of Discharges"));
    // Captions as people type them: other case, extra blanks.
    EXPECT_EQ(findEntry(QStringLiteral("daily summary of  DISCHARGES")), byName);
    EXPECT_EQ(findEntry(QStringLiteral("Patient's Account Status Report"))->name,
              QStringLiteral("patients-account-status-report"));
    EXPECT_EQ(findEntry(QStringLiteral("Daily Summary")), nullptr);
    EXPECT_EQ(findEntry(QString()), nullptr);
}

TEST(RunCatalog, ReportsOfTheDateDialogKeepTheirSpreadsheetPresetNames)
{
    // The income report's preset is not its menu caption: files must be named as the viewer's
    // export button names them.
    EXPECT_EQ(findEntry(QStringLiteral("daily-income-report"))->exportName,
              QStringLiteral("Daily Summary Of Discharges Company Account"));
    EXPECT_EQ(findEntry(QStringLiteral("opd-registration-logbook"))->exportName,
              QStringLiteral("Daily OPD Registration LogBook"));
    EXPECT_TRUE(findEntry(QStringLiteral("laboratory-examination-logbook"))->exportName.isEmpty());
}

TEST(RunCatalog, BatchBoxesAreChosenByNumberNameOrCaption)
{
    const RunEntry* batch = findEntry(QStringLiteral("end-of-day"));
    ASSERT_NE(batch, nullptr);
    ASSERT_EQ(batch->boxes.size(), 13u);

    const auto ticked = parseBoxes(*batch, QStringLiteral("0, 12,admission-log-book,Audit Trail - Summary by A/R"));
    for (int box = 0; box < 13; ++box)
        EXPECT_EQ(ticked.at(size_t(box)), box == 0 || box == 12 || box == 2 || box == 11) << "box " << box;

    RunRequest request;
    request.ticked = ticked;
    EXPECT_EQ(batch->reportCount(request), 4);

    EXPECT_THROW(parseBoxes(*batch, QStringLiteral("13")), std::runtime_error);
    EXPECT_THROW(parseBoxes(*batch, QStringLiteral("1,no-such-report")), std::runtime_error);
    EXPECT_THROW(parseBoxes(*batch, QStringLiteral(",")), std::runtime_error);
}

TEST(RunCatalog, MonthEndEntriesTakeAMonthAndTheBatchNamesItsFilesByBox)
{
    const RunEntry* month = findEntry(QStringLiteral("Monthly XRay Report"));
    ASSERT_NE(month, nullptr);
    EXPECT_TRUE(month->takes(Input::Month));
    EXPECT_FALSE(month->batch);
    const RunEntry* batch = findEntry(QStringLiteral("after-end-of-month"));
    ASSERT_NE(batch, nullptr);
    EXPECT_TRUE(batch->takes(Input::Month) && batch->takes(Input::Reports));
    // Three pairs of its boxes share a viewer caption.
    EXPECT_TRUE(batch->filesByBox);
    ASSERT_EQ(batch->boxes.size(), 18u);
    // Box 15's access key is no part of its name.
    const auto ticked = parseBoxes(*batch, QStringLiteral("A/R General Ledger - Detail,ar-general-ledger-summary,8"));
    for (int box = 0; box < 18; ++box)
        EXPECT_EQ(ticked.at(size_t(box)), box == 15 || box == 13 || box == 8) << "box " << box;
}

TEST(RunCatalog, PeriodAgingAndAuditTrailEntriesTakeTheirDialogsInputs)
{
    const struct
    {
        const char* name;
        std::vector<Input> inputs;
        size_t boxes;
    } rows[] = {
        {"adjustments-report", {Input::Period}, 0},
        {"payable-aging-analysis-summary", {Input::Period}, 0},
        {"aging-analysis-detail-report", {Input::Period, Input::BalanceClass}, 0},
        {"list-of-admissions", {Input::Period}, 0},
        {"daily-transactions-audit-trail", {Input::Date, Input::PatientClass, Input::Reports}, 3},
        {"monthly-summary-of-audit-trail", {Input::Month, Input::Reports}, 4},
    };
    for (const auto& r : rows) {
        const RunEntry* e = findEntry(QString::fromLatin1(r.name));
        ASSERT_NE(e, nullptr) << r.name;
        EXPECT_EQ(e->inputs, r.inputs) << r.name;
        EXPECT_EQ(e->batch, r.boxes > 0) << r.name;
        EXPECT_EQ(e->boxes.size(), r.boxes) << r.name;
    }
    // The monthly audit trail's boxes by their captions: "Summary Per GL" is box 2, the
    // summary per A/R box 1, whatever their places on the form.
    const RunEntry* monthly = findEntry(QStringLiteral("Monthly Summary of Audit Trail"));
    const auto ticked = parseBoxes(*monthly, QStringLiteral("ar-general-ledger-summary-per-gl,breakdown-of-departmental-revenue"));
    EXPECT_EQ(ticked, (std::vector<bool>{false, false, true, true}));
}

TEST(RunCatalog, SortOrdersByNameEndingOrNumber)
{
    EXPECT_EQ(sortNames(), (QStringList{"balance", "name", "account-limit", "station"}));
    EXPECT_EQ(parseSort(QStringLiteral("balance")), 0);
    EXPECT_EQ(parseSort(QStringLiteral("limit")), 2);
    EXPECT_EQ(parseSort(QStringLiteral("Station")), 3);
    EXPECT_EQ(parseSort(QStringLiteral("1")), 1);
    EXPECT_THROW(parseSort(QStringLiteral("4")), std::runtime_error);
    EXPECT_THROW(parseSort(QStringLiteral("e")), std::runtime_error); // a letter, not a word's end
}

TEST(RunCatalog, DatesAreCalendarDaysOrCountedFromTheServerDay)
{
    const QDate server(2026, 3, 1);
    EXPECT_EQ(parseRunDate(QStringLiteral("03/02/2026"), server), QDate(2026, 3, 2));
    EXPECT_EQ(parseRunDate(QStringLiteral("3/2/2026"), server), QDate(2026, 3, 2));
    EXPECT_EQ(parseRunDate(QStringLiteral("yesterday"), server), QDate(2026, 2, 28));
    EXPECT_EQ(parseRunDate(QStringLiteral("Today"), server), server);
    EXPECT_THROW(parseRunDate(QStringLiteral("02/30/2026"), server), std::runtime_error);
    EXPECT_THROW(parseRunDate(QStringLiteral("2026-03-02"), server), std::runtime_error);
    EXPECT_THROW(parseRunDate(QStringLiteral("03/02/26"), server), std::runtime_error);
}

TEST(RunCatalog, OutputFilesAreNamedLikeThePresets)
{
    const QDate day(2005, 2, 3);
    EXPECT_EQ(outputBaseName(QStringLiteral("Daily Admission Logbook"), QStringLiteral("whatever"), day),
              QStringLiteral("Daily Admission Logbook 02-03-2005"));
    // A caption that ends with the day does not carry it twice; slashes never make folders.
    EXPECT_EQ(outputBaseName({}, QStringLiteral("Daily OPD Registration LogBook: 02/03/2005"), day),
              QStringLiteral("Daily OPD Registration LogBook 02-03-2005"));
    EXPECT_EQ(outputBaseName({}, QStringLiteral("Daily Adjustment Report 02/03/2005"), day),
              QStringLiteral("Daily Adjustment Report 02-03-2005"));
    EXPECT_EQ(outputBaseName({}, QStringLiteral("Audit A/R: totals"), day), QStringLiteral("Audit A-R- totals 02-03-2005"));
    EXPECT_EQ(outputBaseName({}, QStringLiteral("../.."), day), QStringLiteral("Report..-.. 02-03-2005"));
    // A month's or year's caption ends with its month: the period label replaces it.
    EXPECT_EQ(outputBaseName({}, QStringLiteral("Monthly Café O'Hara Report: Feb,2005"), day, QStringLiteral("02-2005")),
              QStringLiteral("Monthly Café O'Hara Report 02-2005"));
}

// The inputs of the coming dialogs' entries: defaults as the dialogs start, the server's day
// as the pickers' limit, the period check as the period dialogs make it, and the end of each
// output file's name.
TEST(RunCatalog, InputsTakeTheDialogsDefaultsAndLimits)
{
    const QDate server(2026, 3, 15);
    const QDate today(2026, 3, 20); // the workstation's clock may run ahead of the server's
    auto entry = [](std::vector<Input> inputs) {
        RunEntry e;
        e.name = QStringLiteral("some-report");
        e.inputs = std::move(inputs);
        return e;
    };
    struct Case
    {
        const char* why;
        std::vector<Input> inputs;
        InputOptions options;
        const char* date;   // expected request.date, "" for none
        const char* from;   // expected request.from
        const char* choice; // expected request.choice
        const char* label;  // expected period label
    };
    const Case cases[] = {
        {"a day defaults to the server's", {Input::Date}, {}, "03/15/2026", "", "", "03-15-2026"},
        {"a month from --month", {Input::Month}, {.month = "2/2024"}, "02/01/2024", "", "", "02-2024"},
        {"a month from any day of it", {Input::Month}, {.date = "02/17/2026"}, "02/17/2026", "", "", "02-2026"},
        {"the server's own month", {Input::Month}, {.month = "03/2026"}, "03/01/2026", "", "", "03-2026"},
        {"a year keeps the server's month", {Input::Year}, {.year = "2025"}, "03/01/2025", "", "", "2025"},
        {"a year with its month", {Input::Year}, {.month = "02", .year = "2024"}, "02/01/2024", "", "", "2024"},
        {"equal dates are a period", {Input::Period}, {.from = "03/10/2026", .to = "03/10/2026"}, "03/10/2026",
         "03/10/2026", "", "03-10-2026 to 03-10-2026"},
        {"receivables by default", {Input::Period, Input::BalanceClass}, {}, "03/15/2026", "03/15/2026", "P",
         "03-15-2026 to 03-15-2026 receivables"},
        {"payables", {Input::Period, Input::BalanceClass}, {.balanceClass = "n"}, "03/15/2026", "03/15/2026", "N",
         "03-15-2026 to 03-15-2026 payables"},
        {"in-patients by default", {Input::Date, Input::PatientClass}, {}, "03/15/2026", "", "I", "03-15-2026 in-patients"},
        {"all balances", {Input::Period, Input::BalanceClass}, {.balanceClass = "A"}, "03/15/2026", "03/15/2026",
         "A", "03-15-2026 to 03-15-2026 all balances"},
        {"out-patients", {Input::Date, Input::PatientClass}, {.patients = "o"}, "03/15/2026", "", "O",
         "03-15-2026 out-patients"},
    };
    for (const Case& c : cases) {
        RunRequest request;
        resolveInputs(entry(c.inputs), c.options, server, today, request);
        const RunEntry e = entry(c.inputs);
        EXPECT_EQ(request.date.toString("MM/dd/yyyy"), QString::fromLatin1(c.date)) << c.why;
        EXPECT_EQ(request.from.toString("MM/dd/yyyy"), QString::fromLatin1(c.from)) << c.why;
        EXPECT_EQ(request.choice, QString::fromLatin1(c.choice)) << c.why;
        EXPECT_EQ(periodLabel(e, request), QString::fromLatin1(c.label)) << c.why;
    }

    const struct
    {
        const char* why;
        std::vector<Input> inputs;
        InputOptions options;
        const char* says;
    } refused[] = {
        {"a day after the server's", {Input::Date}, {.date = "03/16/2026"}, "after the server's date"},
        {"a month after the server's", {Input::Month}, {.month = "04/2026"}, "after the server's date"},
        {"a year after the server's", {Input::Year}, {.year = "2027"}, "after the server's date"},
        {"a period starting after its end", {Input::Period}, {.from = "03/11/2026", .to = "03/10/2026"},
         "Invalid Report Period..."},
        {"a period past the server's day", {Input::Period}, {.from = "03/10/2026", .to = "03/16/2026"},
         "after the server's date"},
        {"an option the entry does not take", {Input::Date}, {.year = "2025"}, "takes no --year"},
        {"an unknown class", {Input::Period, Input::BalanceClass}, {.balanceClass = "X"}, "--class takes one of P|N|A"},
        {"a code is needed", {Input::Month, Input::Code}, {.code = "  "}, "needs --code"},
        {"a month out of the year", {Input::Year}, {.month = "13", .year = "2025"}, "not a month of the year"},
    };
    for (const auto& r : refused) {
        RunRequest request;
        try {
            resolveInputs(entry(r.inputs), r.options, server, today, request);
            ADD_FAILURE() << r.why << ": accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QLatin1String(r.says))) << r.why << ": " << e.what();
        }
    }
    // The workstation's day bounds a period too, as the period dialogs check it.
    RunRequest request;
    EXPECT_THROW(resolveInputs(entry({Input::Period}), {.from = "03/10/2026", .to = "03/15/2026"}, server,
                               QDate(2026, 3, 14), request),
                 std::runtime_error);
}

// A viewer's export without a preset takes the label of its run: what the command line's
// files end with for the same report.
TEST(RunCatalog, ARunsLabelNamesItsDayMonthYearOrPeriod)
{
    const struct
    {
        const char* why;
        QDate from, to;
        const char* label;
    } rows[] = {
        {"one day", QDate(2026, 3, 2), QDate(2026, 3, 2), "03-02-2026"},
        {"a whole month", QDate(2026, 2, 1), QDate(2026, 2, 28), "02-2026"},
        {"a whole leap February", QDate(2024, 2, 1), QDate(2024, 2, 29), "02-2024"},
        {"a whole year", QDate(2025, 1, 1), QDate(2025, 12, 31), "2025"},
        {"part of a month", QDate(2026, 2, 1), QDate(2026, 2, 27), "02-01-2026 to 02-27-2026"},
        {"two months", QDate(2026, 1, 1), QDate(2026, 2, 28), "01-01-2026 to 02-28-2026"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(tarvik::runs::runLabel(tarvik::runs::RunValues::period(r.from, r.to)), QString::fromLatin1(r.label))
            << r.why;
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
