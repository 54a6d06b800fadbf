// Reading definition files: what a good file gives, and a clear "file:line: cause" for each
// kind of bad one.

#include "fixture.h"

#include "Definition.h"
#include "Report.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace tarvik::engine;

TEST(Definition, ExampleFileGivesItsPartsInOrder)
{
    const auto def = parseDefinitionFile(enginetest::dataFile(QStringLiteral("collections.rpt")));
    EXPECT_EQ(def->version, 1);
    ASSERT_EQ(def->parameters.size(), 3u);
    EXPECT_EQ(def->parameters[0].name, QStringLiteral("DateFrom"));
    EXPECT_EQ(def->parameters[1].type, ParameterType::Date);
    EXPECT_EQ(def->parameters[2].defaultValue.toString(), QStringLiteral("Billing office"));
    ASSERT_EQ(def->tables.size(), 1u);
    EXPECT_EQ(def->tables[0].location, QStringLiteral("Patient_data.dbo.tbCollection"));
    ASSERT_EQ(def->groups.size(), 1u);
    EXPECT_TRUE(def->groups[0].header.present);
    EXPECT_TRUE(def->groups[0].footer.present);
    ASSERT_EQ(def->subreports.size(), 1u);
    EXPECT_EQ(def->subreports[0]->parameters.size(), 1u);
    EXPECT_TRUE(def->storedExport.present);
    EXPECT_EQ(def->storedExport.format, 29);
    // Parameters are bound, so the query holds placeholders, never values.
    int params = 0, tables = 0;
    for (const auto& part : def->query) {
        params += part.kind == QueryPart::Kind::Parameter;
        tables += part.kind == QueryPart::Kind::Table;
    }
    EXPECT_EQ(params, 2);
    EXPECT_EQ(tables, 1);
}

TEST(Definition, DefaultsNeedNotBeWritten)
{
    const auto def = parseDefinition(R"(<report version="1">
  <detail height="12"><text width="100">Hello</text></detail>
</report>)", QStringLiteral("minimal.rpt"));
    EXPECT_EQ(def->pageSizePoints(), QSizeF(612, 792)); // Letter
    EXPECT_EQ(def->margins, QMarginsF(36, 36, 36, 36));
    EXPECT_TRUE(def->query.empty());
    EXPECT_EQ(def->detail.elements[0].font.family, QStringLiteral("Arial"));
}

struct BadCase
{
    const char* why;
    const char* xml;
    int line;
    const char* cause;
};

class BadDefinition : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadDefinition, NamesFileLineAndCause)
{
    const BadCase& c = GetParam();
    try {
        parseDefinition(QByteArray(c.xml), QStringLiteral("/reports/bad.rpt"));
        FAIL() << c.why << ": no error";
    } catch (const ReportError& e) {
        EXPECT_EQ(e.file(), QStringLiteral("/reports/bad.rpt")) << c.why;
        EXPECT_EQ(e.line(), c.line) << c.why << ": " << e.what();
        EXPECT_TRUE(e.cause().contains(QString::fromUtf8(c.cause))) << c.why << ": " << e.what();
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("/reports/bad.rpt:%1: ").arg(c.line))) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BadDefinition, ::testing::Values(
    BadCase{"an unclosed element is malformed XML",
            "<report version=\"1\">\n<detail height=\"10\">\n</report>", 3, "mismatch"},
    BadCase{"the version must be there from the first day",
            "<report>\n</report>", 1, "version"},
    BadCase{"a newer format is refused, not misread",
            "<report version=\"7\"/>", 1, "newer"},
    BadCase{"the root is <report>",
            "<rapport version=\"1\"/>", 1, "root element"},
    BadCase{"unknown elements are errors, not ignored",
            "<report version=\"1\">\n  <detail>\n    <txt width=\"10\"/>\n  </detail>\n</report>", 3, "unknown element <txt>"},
    BadCase{"unknown attributes are errors (a typo would silently do nothing)",
            "<report version=\"1\">\n<detail hieght=\"10\"/>\n</report>", 2, "no attribute \"hieght\""},
    BadCase{"a query parameter must be declared",
            "<report version=\"1\">\n<tables><table alias=\"T\" location=\"Reports.dbo.tbX\"/></tables>\n"
            "<query>SELECT * FROM {T}\n WHERE d = {?Day}</query>\n</report>", 4, "{?Day}"},
    BadCase{"a query table must be declared",
            "<report version=\"1\">\n<query>\nSELECT * FROM {Nowhere}</query>\n</report>", 3, "{Nowhere}"},
    BadCase{"a location needs its database part",
            "<report version=\"1\">\n<tables>\n<table alias=\"T\" location=\"tbX\"/>\n</tables>\n</report>", 3, "database.owner.table"},
    BadCase{"a group band names an existing group",
            "<report version=\"1\">\n<query>SELECT 1 AS a</query>\n<groupFooter group=\"Ward\" height=\"10\"/>\n</report>", 3, "no group named \"Ward\""},
    BadCase{"a summary cannot be known in a header",
            "<report version=\"1\">\n<query>SELECT 1 AS a</query>\n<reportHeader>\n"
            "<summary function=\"sum\" column=\"a\" width=\"50\"/>\n</reportHeader>\n</report>", 4, "only after its rows"},
    BadCase{"an unknown summary function",
            "<report version=\"1\">\n<query>SELECT 1 AS a</query>\n<detail>\n"
            "<summary function=\"median\" column=\"a\" width=\"50\"/>\n</detail>\n</report>", 4, "median"},
    BadCase{"a bad number format",
            "<report version=\"1\">\n<detail>\n<text width=\"9\" format=\"#,##0.00;(#);x\">a</text>\n</detail>\n</report>", 3, "two sections"},
    BadCase{"a number choice without its closing brace",
            "<report version=\"1\">\n<detail>\n<text width=\"9\" format=\"0 {patient|patients\">a</text>\n</detail>\n</report>", 3, "{singular|plural}"},
    BadCase{"a field's stand-in parameter must be declared",
            "<report version=\"1\">\n<query>SELECT 1 AS a</query>\n<detail>\n<field column=\"a\" orParameter=\"Ghost\" width=\"10\"/>\n</detail>\n</report>", 4, "no parameter named \"Ghost\""},
    BadCase{"a font without a size",
            "<report version=\"1\">\n<detail>\n<text width=\"9\" font=\"Arial bold\">a</text>\n</detail>\n</report>", 3, "Family size"},
    BadCase{"a default that is not of the parameter's type",
            "<report version=\"1\">\n<parameters>\n<parameter name=\"Day\" type=\"date\" default=\"31/31/2026\"/>\n</parameters>\n</report>", 3, "not a date value"},
    BadCase{"a parameter element in a band names a declared parameter",
            "<report version=\"1\">\n<detail>\n<parameter name=\"Ghost\" width=\"10\"/>\n</detail>\n</report>", 3, "no parameter named \"Ghost\""},
    BadCase{"a placed subreport must be defined",
            "<report version=\"1\">\n<reportFooter>\n<subreport name=\"Missing\" width=\"10\"/>\n</reportFooter>\n</report>", 3, "no subreport named \"Missing\""},
    BadCase{"two parameters of one name would make the order ambiguous",
            "<report version=\"1\">\n<parameters>\n<parameter name=\"A\"/>\n<parameter name=\"a\"/>\n</parameters>\n</report>", 4, "second parameter"},
    BadCase{"a field needs data",
            "<report version=\"1\">\n<detail>\n<field column=\"x\" width=\"10\"/>\n</detail>\n</report>", 3, "needs a <query>"},
    BadCase{"a text element needs a width to align and wrap in",
            "<report version=\"1\">\n<detail>\n<text>a</text>\n</detail>\n</report>", 3, "needs a width"},
    BadCase{"a chart type is one the engine draws",
            "<report version=\"1\">\n<query>SELECT 1 AS a</query>\n<reportFooter>\n"
            "<chart type=\"donut\" width=\"200\" height=\"100\"><value column=\"a\"/></chart>\n</reportFooter>\n</report>",
            4, "unknown chart type \"donut\""},
    BadCase{"a chart with no figures to show",
            "<report version=\"1\">\n<query>SELECT 1 AS a</query>\n<reportFooter>\n"
            "<chart type=\"bar\" width=\"200\" height=\"100\">\n</chart>\n</reportFooter>\n</report>",
            4, "at least one <value"},
    BadCase{"a chart too small to read",
            "<report version=\"1\">\n<query>SELECT 1 AS a</query>\n<reportFooter>\n"
            "<chart type=\"bar\" width=\"40\" height=\"100\"><value column=\"a\"/></chart>\n</reportFooter>\n</report>",
            4, "at least 72 points"},
    BadCase{"a pie has one series",
            "<report version=\"1\">\n<query>SELECT 1 AS a, 2 AS b</query>\n<reportFooter>\n"
            "<chart type=\"pie\" category=\"a\" width=\"200\" height=\"100\">\n<value column=\"a\"/><value column=\"b\"/>\n"
            "</chart>\n</reportFooter>\n</report>",
            4, "a pie shows one series"},
    BadCase{"a chart of a group's totals names an existing group",
            "<report version=\"1\">\n<query>SELECT 1 AS a</query>\n<reportFooter>\n"
            "<chart type=\"bar\" source=\"group\" group=\"Ward\" width=\"200\" height=\"100\"><value column=\"a\"/></chart>\n"
            "</reportFooter>\n</report>",
            4, "no group named \"Ward\""},
    BadCase{"a group's chart shows an inner group's totals, not its own",
            "<report version=\"1\">\n<query>SELECT 1 AS a</query>\n<groups><group name=\"G\" column=\"a\"/></groups>\n"
            "<groupFooter group=\"G\">\n<chart type=\"bar\" source=\"group\" group=\"G\" width=\"200\" height=\"100\">"
            "<value column=\"a\"/></chart>\n</groupFooter>\n</report>",
            5, "an inner group"},
    BadCase{"only bars run horizontally",
            "<report version=\"1\">\n<query>SELECT 1 AS a</query>\n<reportFooter>\n"
            "<chart type=\"line\" direction=\"horizontal\" width=\"200\" height=\"100\"><value column=\"a\"/></chart>\n"
            "</reportFooter>\n</report>",
            4, "only bar charts"},
    BadCase{"a subreport parameter is tied to a parameter the report has",
            "<report version=\"1\">\n<subreport name=\"S\">\n<parameters>\n"
            "<parameter name=\"Day\" fromReport=\"Ghost\"/>\n</parameters>\n</subreport>\n</report>",
            4, "no parameter named \"Ghost\""},
    BadCase{"only a subreport's parameters take the report's",
            "<report version=\"1\">\n<parameters>\n<parameter name=\"Day\" fromReport=\"Day\"/>\n</parameters>\n</report>",
            3, "belongs to a subreport"},
    BadCase{"a chart needs data",
            "<report version=\"1\">\n<reportFooter>\n"
            "<chart type=\"bar\" width=\"200\" height=\"100\"><value column=\"a\"/></chart>\n</reportFooter>\n</report>",
            3, "a chart needs a <query>"}));

TEST(Definition, MissingAndUnreadableFilesSaySo)
{
    try {
        openReport(QStringLiteral("/nonexistent/REPORTS/rptNothing.rpt"));
        FAIL();
    } catch (const ReportError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("rptNothing.rpt")));
        EXPECT_TRUE(e.message().contains(QStringLiteral("does not exist")));
    }
    EXPECT_THROW(openReport(enginetest::dataFile(QStringLiteral("collections.rpt")), 2), ReportError);
}

TEST(Definition, ReferenceShowsTheExampleUnchanged)
{
    QFile doc(QStringLiteral(ENGINE_DOCS_DIR "/report-format.md"));
    ASSERT_TRUE(doc.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(doc.readAll());
    QFile example(enginetest::dataFile(QStringLiteral("collections.rpt")));
    ASSERT_TRUE(example.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(example.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("```xml\n") + xml + QStringLiteral("```")))
        << "docs/report-format.md no longer shows tests/engine/data/collections.rpt";
}
