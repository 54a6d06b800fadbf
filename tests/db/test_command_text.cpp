#include "CommandText.h"
#include "DbError.h"
#include "Procedures.h"

#include <gtest/gtest.h>

using namespace tarvik::db;

namespace {

struct CallCase
{
    const char* why;
    const char* text;
    const char* database;
    const char* procedure;
    QStringList arguments;
};

class ProcedureCallShapes : public ::testing::TestWithParam<CallCase> {};

TEST_P(ProcedureCallShapes, AreReadAsTheDialogsWriteThem)
{
    const CallCase& c = GetParam();
    const Command cmd = parseCommandText(QString::fromUtf8(c.text));
    ASSERT_TRUE(std::holds_alternative<ProcedureCall>(cmd)) << c.why;
    const auto& call = std::get<ProcedureCall>(cmd);
    EXPECT_EQ(call.database, QString::fromUtf8(c.database)) << c.why;
    EXPECT_EQ(call.procedure, QString::fromUtf8(c.procedure)) << c.why;
    EXPECT_EQ(call.arguments, c.arguments) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ProcedureCallShapes,
    ::testing::Values(
        CallCase{"two texts", "Reports..sp_Name 'a', 'b'", "Reports", "sp_Name", {"a", "b"}},
        CallCase{"upper-case database, three arguments", "REPORTS..sp_X '01/01/2026', '01/31/2026', 'N'",
                 "REPORTS", "sp_X", {"01/01/2026", "01/31/2026", "N"}},
        CallCase{"two blanks before the quote", "Reports..sp_Y  '03/02/2026'", "Reports", "sp_Y", {"03/02/2026"}},
        CallCase{"no blank after the comma", "Reports..sp_Z '0','##'", "Reports", "sp_Z", {"0", "##"}},
        CallCase{"no arguments", "Reports..sp_None", "Reports", "sp_None", {}},
        CallCase{"a doubled quote is one quote", "BILLING..sp_S '1', 'O''Brien'", "BILLING", "sp_S", {"1", "O'Brien"}},
        CallCase{"an empty text", "Reports..sp_S ''", "Reports", "sp_S", {""}},
        CallCase{"leading EXEC", "EXEC Reports..sp_A '1'", "Reports", "sp_A", {"1"}},
        CallCase{"leading exec in lower case", "exec Reports..sp_A '1'", "Reports", "sp_A", {"1"}},
        CallCase{"owner written out", "Reports.dbo.sp_A '1'", "Reports", "sp_A", {"1"}},
        CallCase{"a comma inside a text", "Reports..sp_A 'a, b'", "Reports", "sp_A", {"a, b"}},
        CallCase{"non-ASCII text", "Reports..sp_A 'Peña é'", "Reports", "sp_A", {"Peña é"}}));

class RefusedTexts : public ::testing::TestWithParam<const char*> {};

TEST_P(RefusedTexts, AreRefusedQuotingTheText)
{
    const QString text = QString::fromUtf8(GetParam());
    try {
        parseCommandText(text);
        FAIL() << "accepted: " << GetParam();
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains(text.trimmed())) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bad, RefusedTexts,
    ::testing::Values("DROP TABLE Reports..tbX", "Reports..sp_A 'a'; DROP TABLE x", "Reports..sp_A 'unclosed",
                      "Reports..sp_A 'a' 'b'", "Reports..sp_A 'a',", "Reports..sp_A a",
                      "Reports.sp_A 'a'", "Reports..sp_A('a')", "EXEC", "Select 1 -- comment",
                      "Select 'unclosed From x", "Update Reports..tbX set a = 1", "Reports", "Reports.dbo",
                      "Reports.dbo.", "EXEC Reports.."));

struct ServerCase
{
    const char* why;
    const char* text;
    const char* sql;
    QStringList values;
};

std::ostream& operator<<(std::ostream& out, const ServerCase& c) { return out << c.why; }

class ServerStatements : public ::testing::TestWithParam<ServerCase> {};

TEST_P(ServerStatements, BindProcedureArgumentsAndPassOtherTextsUnchanged)
{
    const ServerCase& c = GetParam();
    const ServerStatement statement = serverStatement(QString::fromUtf8(c.text));
    EXPECT_EQ(statement.sql, QString::fromUtf8(c.sql));
    EXPECT_EQ(statement.values, c.values);
    for (const QString& v : statement.values)
        EXPECT_FALSE(v.isNull()) << "an argument would be bound as NULL";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ServerStatements,
    ::testing::Values(
        ServerCase{"a call with a quote in an argument", "Reports..sp_X '03/02/2026', 'O''Brien'",
                   "EXEC Reports..sp_X ?, ?", {"03/02/2026", "O'Brien"}},
        ServerCase{"SQL in an argument stays a value", "EXEC REPORTS.dbo.sp_X 'x''); DROP TABLE t; --', ''",
                   "EXEC REPORTS.dbo.sp_X ?, ?", {"x'); DROP TABLE t; --", ""}},
        ServerCase{"no arguments", "Reports..sp_None", "EXEC Reports..sp_None", {}},
        ServerCase{"the start-up query", "Select *, GetDate() as CurDate From Patient_data..tbHospitalInfo",
                   "Select *, GetDate() as CurDate From Patient_data..tbHospitalInfo", {}},
        ServerCase{"other SQL the server takes", "UPDATE t SET a = 1", "UPDATE t SET a = 1", {}}));

TEST(PlainQueries, DoubleDotsBecomeSchemaNamesOutsideLiterals)
{
    const Command cmd = parseCommandText(
        QStringLiteral("Select *, GetDate() as CurDate From Patient_data..tbHospitalInfo"));
    ASSERT_TRUE(std::holds_alternative<PlainQuery>(cmd));
    EXPECT_EQ(std::get<PlainQuery>(cmd).sql,
              QStringLiteral("Select *, GetDate() as CurDate From Patient_data.tbHospitalInfo"));

    const Command literal = parseCommandText(QStringLiteral("Select 'a..b' From Reports..t"));
    EXPECT_EQ(std::get<PlainQuery>(literal).sql, QStringLiteral("Select 'a..b' From Reports.t"));
}

TEST(ProcedureScripts, ReadNameParametersDefaultsAndBody)
{
    const auto defs = parseProcedureScript(QStringLiteral(
        "-- aging\n"
        "CREATE PROCEDURE sp_Aging\n"
        "    @AsOf DATE,\n"
        "    @Amount DECIMAL(12,2),\n"
        "    @Class TEXT = 'P',\n"
        "    @Note VARCHAR(20) = NULL\n"
        "AS\n"
        "SELECT @AsOf, @Class;\n"
        "GO\n"
        "CREATE PROCEDURE sp_Two @A INT AS\n"
        "SELECT @A;\n"
        "go\n"), QStringLiteral("a.sql"));
    ASSERT_EQ(defs.size(), 2u);
    EXPECT_EQ(defs[0].name, QStringLiteral("sp_Aging"));
    ASSERT_EQ(defs[0].params.size(), 4u);
    EXPECT_EQ(defs[0].params[1].type, ParamType::Decimal);
    EXPECT_EQ(defs[0].params[2].defaultValue.value(), QStringLiteral("P"));
    EXPECT_TRUE(defs[0].params[3].defaultValue.has_value());
    EXPECT_TRUE(defs[0].params[3].defaultValue->isNull());
    EXPECT_FALSE(defs[0].params[0].defaultValue.has_value());
    EXPECT_EQ(defs[0].body, QStringLiteral("SELECT @AsOf, @Class;"));
    EXPECT_EQ(defs[1].params.at(0).type, ParamType::Integer);
}

TEST(ProcedureScripts, ErrorsNameTheFileAndLine)
{
    auto messageOf = [](const char* text) {
        try {
            parseProcedureScript(QString::fromUtf8(text), QStringLiteral("p.sql"));
        } catch (const DbError& e) {
            return e.message();
        }
        return QString();
    };
    EXPECT_TRUE(messageOf("\nSELECT 1;\n").startsWith(QStringLiteral("p.sql:2:")));
    EXPECT_TRUE(messageOf("CREATE PROCEDURE sp_A @A INT\nAS\nSELECT 1;\n").startsWith(QStringLiteral("p.sql:1:")));
    EXPECT_TRUE(messageOf("\n\nCREATE PROCEDURE sp_A @A BLOB\nAS\nSELECT 1;\nGO\n").contains(QStringLiteral("p.sql:3: unknown type")));
    EXPECT_TRUE(messageOf("CREATE PROCEDURE sp_A @A INT, @a INT\nAS\nSELECT 1;\nGO\n").contains(QStringLiteral("declared twice")));
}

struct ConversionCase
{
    ParamType type;
    const char* input;
    QVariant expected; // null QVariant = must be refused
};

TEST(ProcedureArguments, ConvertToTheDeclaredTypeOrNameWhatIsWrong)
{
    const std::vector<ConversionCase> cases = {
        {ParamType::Date, "03/02/2026", QStringLiteral("2026-03-02")},
        {ParamType::Date, "3/2/2026", QStringLiteral("2026-03-02")},
        {ParamType::Date, "2026-03-02", QStringLiteral("2026-03-02")},
        {ParamType::Date, "02/30/2026", {}},
        {ParamType::Date, "13/01/2026", {}},
        {ParamType::Date, "", {}},
        {ParamType::DateTime, "03/02/2026 14:05:00", QStringLiteral("2026-03-02 14:05:00")},
        {ParamType::DateTime, "03/02/2026", QStringLiteral("2026-03-02 00:00:00")},
        {ParamType::Integer, "42", qlonglong(42)},
        {ParamType::Integer, "4.2", {}},
        {ParamType::Decimal, "-12.50", QStringLiteral("-12.50")},
        {ParamType::Decimal, "1e5", {}},
        {ParamType::Boolean, "Y", qlonglong(1)},
        {ParamType::Boolean, "false", qlonglong(0)},
        {ParamType::Boolean, "maybe", {}},
        {ParamType::Text, "O'Brien", QStringLiteral("O'Brien")},
    };
    for (const auto& c : cases) {
        ProcedureParam p{QStringLiteral("P"), c.type, std::nullopt};
        if (c.expected.isNull()) {
            try {
                convertArgument(QStringLiteral("Reports..sp_T"), p, QString::fromUtf8(c.input));
                ADD_FAILURE() << "accepted " << c.input;
            } catch (const DbError& e) {
                EXPECT_TRUE(e.message().contains(QStringLiteral("Reports..sp_T"))) << e.what();
                EXPECT_TRUE(e.message().contains(QStringLiteral("@P"))) << e.what();
                EXPECT_TRUE(e.message().contains(QLatin1Char('\'') + QString::fromUtf8(c.input) + QLatin1Char('\''))) << e.what();
            }
        } else {
            EXPECT_EQ(convertArgument(QStringLiteral("sp"), p, QString::fromUtf8(c.input)), c.expected) << c.input;
        }
    }
}

} // namespace

// Typed texts enter command texts through one helper: a quote inside is doubled, so the
// literal ends where the dialog meant it to and the parser reads back what was typed.
TEST(CallTexts, QuoteEachArgumentAndReadBackAsTyped)
{
    const struct
    {
        const char* head;
        QStringList arguments;
        const char* text;
    } cases[] = {
        {"Reports..sp_RepRecomputeExtensionOutPatient  '", {"03/02/2026"},
         "Reports..sp_RepRecomputeExtensionOutPatient  '03/02/2026'"},
        {"Reports..sp_Rep_MonthlyREcompute '", {"03/01/2026", "03/31/2026", "LB", "N"},
         "Reports..sp_Rep_MonthlyREcompute '03/01/2026', '03/31/2026', 'LB', 'N'"},
        {"Reports..sp_Rep_UpdateMiscellaneous '", {"CAFÉ O'HARA", "O''Brien's ''fund'"},
         "Reports..sp_Rep_UpdateMiscellaneous 'CAFÉ O''HARA', 'O''''Brien''s ''''fund'''"},
        {"Reports..sp_Rep_SearchMiscellaneousRevenue '", {"0", ""},
         "Reports..sp_Rep_SearchMiscellaneousRevenue '0', ''"},
    };
    for (const auto& c : cases) {
        const QString text = callText(QString::fromUtf8(c.head), c.arguments);
        EXPECT_EQ(text, QString::fromUtf8(c.text));
        const auto call = std::get<ProcedureCall>(parseCommandText(text));
        EXPECT_EQ(call.arguments, c.arguments) << c.text;
    }
}
