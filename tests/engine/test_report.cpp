// The operations the report-output layer calls: parameters, tables and locations, subreports.

#include "fixture.h"

#include <gtest/gtest.h>

using namespace tarvik::engine;

namespace {
ReportPtr example()
{
    return openReport(enginetest::dataFile(QStringLiteral("collections.rpt")));
}
} // namespace

TEST(Parameters, BadValueNamesFieldAndValue)
{
    auto report = example();
    ParameterField* from = report->parameterFields().at(0);
    try {
        from->setCurrentValue(QStringLiteral("13/45/2026"));
        FAIL();
    } catch (const ReportError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("DateFrom")));
        EXPECT_TRUE(e.message().contains(QStringLiteral("13/45/2026")));
    }
    EXPECT_FALSE(from->hasCurrentValue()); // a refused value leaves the field as it was
}

TEST(Parameters, ValuesGoInOrderAndExtraOnesAreIgnored)
{
    auto report = example();
    report->setParameterValues({QStringLiteral("01/01/2026"), QStringLiteral("01/31/2026"),
                                QStringLiteral("Night clerk"), QStringLiteral("one too many")});
    const auto fields = report->parameterFields();
    EXPECT_EQ(fields[0]->currentValue(), QVariant(QDate(2026, 1, 1)));
    EXPECT_EQ(fields[1]->currentValue(), QVariant(QDate(2026, 1, 31)));
    EXPECT_EQ(fields[2]->currentValue().toString(), QStringLiteral("Night clerk"));
}

TEST(Parameters, EmptyListTouchesNothingAndShortListKeepsTheRest)
{
    auto report = example();
    report->setParameterValues({});
    for (auto* f : report->parameterFields())
        EXPECT_FALSE(f->hasCurrentValue()) << f->name().toStdString();
    report->setParameterValues({QStringLiteral("01/01/2026")});
    const auto fields = report->parameterFields();
    EXPECT_TRUE(fields[0]->hasCurrentValue());
    EXPECT_FALSE(fields[1]->hasCurrentValue());
    EXPECT_EQ(fields[2]->currentValue().toString(), QStringLiteral("Billing office")); // the default
}

struct RetargetCase
{
    const char* location;
    const char* database;
    const char* expected;
};

class Retarget : public ::testing::TestWithParam<RetargetCase> {};

TEST_P(Retarget, ReplacesOnlyTheFirstSegment)
{
    const auto& c = GetParam();
    EXPECT_EQ(retargetLocation(QString::fromLatin1(c.location), QString::fromLatin1(c.database)),
              QString::fromLatin1(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Cases, Retarget, ::testing::Values(
    RetargetCase{"Patient_data.dbo.tbPatient", "BILLING", "BILLING.dbo.tbPatient"},
    RetargetCase{"Patient_data.dbo.tbX", "Reports", "Reports.dbo.tbX"},
    RetargetCase{"Srv.Patient_data.dbo.tbX", "Reports", "Reports.Patient_data.dbo.tbX"},
    RetargetCase{"Patient_data..tbX", "REPORTS", "REPORTS..tbX"}));

TEST(Tables, LocationWithoutDotOrWithSqlIsRefused)
{
    EXPECT_THROW(retargetLocation(QStringLiteral("tbPatient"), QStringLiteral("Reports")), ReportError);
    auto report = example();
    DatabaseTable* t = report->tables().at(0);
    EXPECT_EQ(t->name(), QStringLiteral("Trans"));
    EXPECT_THROW(t->setLocation(QStringLiteral("tbPatient")), ReportError);
    // A location goes into SQL as a name: anything that is not one must not get there.
    EXPECT_THROW(t->setLocation(QStringLiteral("Reports.dbo.tbX; DROP TABLE tbX")), ReportError);
    EXPECT_EQ(t->location(), QStringLiteral("Patient_data.dbo.tbCollection"));
    t->setLocation(retargetLocation(t->location(), QStringLiteral("Reports")));
    EXPECT_EQ(t->location(), QStringLiteral("Reports.dbo.tbCollection"));
    EXPECT_FALSE(t->isLoggedOn());
    t->applyLogOnInfo(QStringLiteral("/data"), QStringLiteral("Reports"), QStringLiteral("sa"), QStringLiteral("pw"));
    EXPECT_TRUE(t->isLoggedOn());
    EXPECT_EQ(t->server(), QStringLiteral("/data"));
}

TEST(Subreports, HaveTheirOwnParametersAndTables)
{
    auto report = example();
    Report* sub = report->openSubreport(QStringLiteral("cashiers")); // names are case-insensitive
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->parameterFields().size(), 1u);
    EXPECT_EQ(sub->tables().at(0)->location(), QStringLiteral("Reports.dbo.tbCashier"));
    sub->setParameterValues({QStringLiteral("AM")});
    EXPECT_EQ(sub->parameterFields()[0]->currentValue().toString(), QStringLiteral("AM"));
    EXPECT_FALSE(report->parameterFields()[0]->hasCurrentValue());
    // The same object each time: settings made through it live on in the report.
    EXPECT_EQ(report->openSubreport(QStringLiteral("Cashiers")), sub);
    try {
        report->openSubreport(QStringLiteral("Surgeons"));
        FAIL();
    } catch (const ReportError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Surgeons")));
        EXPECT_TRUE(e.message().contains(QStringLiteral("Cashiers"))); // what there is
    }
}
