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
        "patients-account-status-report", "end-of-day"};
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
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
