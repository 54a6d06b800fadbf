// The run history's store: rows come back newest first through each filter, old rows go in
// one statement, and the CSV never hands a spreadsheet a formula.

#include "RunHistory.h"
#include "fixture.h"

#include <gtest/gtest.h>

using namespace tarvik::db;

namespace {

RunRecord record(const char* user, const char* caption, const QDateTime& started, const char* outcome = kOutcomeDone)
{
    RunRecord r;
    r.user = QString::fromLatin1(user);
    r.workstation = QStringLiteral("ws1");
    r.started = started;
    r.ended = started.addSecs(3);
    r.caption = QString::fromLatin1(caption);
    r.file = QStringLiteral("/x.rpt");
    r.database = QStringLiteral("Reports");
    r.outcome = QString::fromLatin1(outcome);
    return r;
}

struct FilterCase
{
    const char* why;
    HistoryFilter filter;
    std::vector<QString> captions; // newest first
};

TEST(RunHistoryStore, FiltersKeepTheNewestFirstAndOldRowsGo)
{
    QTemporaryDir dir;
    buildFixture(dir.path());
    RunHistory history(ConnectionInfo::embedded(dir.path()));
    const QDateTime day(QDate(2026, 3, 9), QTime(8, 0));
    history.append(record("anna", "Daily Income: 03/09/2026", day));
    history.append(record("ben", "Payment Summary", day.addSecs(60), kOutcomeFailed));
    history.append(record("anna", "100% Discharges_x", day.addDays(1), kOutcomeCancelled));
    history.append(record("carl", "Old report", day.addDays(-500)));

    const std::vector<FilterCase> cases{
        {"no filter", {}, {"100% Discharges_x", "Payment Summary", "Daily Income: 03/09/2026", "Old report"}},
        {"one day", {QDate(2026, 3, 9), QDate(2026, 3, 9), {}, {}}, {"Payment Summary", "Daily Income: 03/09/2026"}},
        {"from a day on", {QDate(2026, 3, 10), {}, {}, {}}, {"100% Discharges_x"}},
        {"user, any case", {{}, {}, QStringLiteral("ANN"), {}}, {"100% Discharges_x", "Daily Income: 03/09/2026"}},
        {"report part", {{}, {}, {}, QStringLiteral("summary")}, {"Payment Summary"}},
        {"% means itself", {{}, {}, {}, QStringLiteral("100%")}, {"100% Discharges_x"}},
        {"_ means itself", {{}, {}, {}, QStringLiteral("s_")}, {"100% Discharges_x"}},
        {"a quote", {{}, {}, QStringLiteral("o'brien"), {}}, {}},
    };
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(c.why);
        std::vector<QString> got;
        for (const RunRecord& r : history.rows(c.filter))
            got.push_back(r.caption);
        EXPECT_EQ(got, c.captions);
    }
    const RunRecord failed = history.rows({{}, {}, QStringLiteral("ben"), {}}).at(0);
    EXPECT_EQ(failed.outcome, QLatin1String(kOutcomeFailed));
    EXPECT_EQ(failed.started, day.addSecs(60));

    EXPECT_EQ(history.removeOlderThan(kDefaultRetentionDays, day.addDays(2)), 1);
    EXPECT_EQ(history.rows({}).size(), 3u);
}

TEST(RunHistoryStore, CsvQuotesAndDisarmsFormulas)
{
    RunRecord r = record("=cmd|' /C calc'!A0", "Income, \"net\"", QDateTime(QDate(2026, 3, 9), QTime(8, 0)));
    r.message = QStringLiteral("-2+3\nsecond line");
    const QString csv = historyCsv({r});
    EXPECT_TRUE(csv.contains(QStringLiteral("'=cmd|' /C calc'!A0"))) << csv.toStdString();
    EXPECT_TRUE(csv.contains(QStringLiteral("\"Income, \"\"net\"\"\""))) << csv.toStdString();
    EXPECT_TRUE(csv.contains(QStringLiteral("\"'-2+3\nsecond line\""))) << csv.toStdString();
}

} // namespace
