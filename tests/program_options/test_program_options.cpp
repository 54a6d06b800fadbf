// The shared command line in-process: what a command line reads as, the help text's layout and
// the number checks.

#include "ProgramOptions.h"

#include <gtest/gtest.h>

using tarvik::ProgramOptions;
using Outcome = ProgramOptions::Outcome;

namespace {

ProgramOptions sample()
{
    return ProgramOptions("sample", "[options] FILE...", "Does a sample thing to each FILE.")
        .option({"data"}, "Data folder.", "DIR")
        .option({"months", "m"}, "Months of data.", "M", "13")
        .option({"param"}, "A value; repeatable.", "NAME=VALUE")
        .option({"force"}, "Replace what is there.")
        .argument("FILE", "A file to work on.");
}

struct ParseRow
{
    const char* why;
    QStringList args;
    Outcome outcome;
    const char* message; // part of the refusal
};

class Parsing : public ::testing::TestWithParam<ParseRow>
{
};

TEST_P(Parsing, ReadsTheCommandLine)
{
    const ParseRow& row = GetParam();
    ProgramOptions options = sample();
    const ProgramOptions::Parsed parsed = options.parse(QStringList{"sample"} + row.args);
    EXPECT_EQ(parsed.outcome, row.outcome) << row.why << ": " << parsed.message.toStdString();
    EXPECT_TRUE(parsed.message.contains(QString::fromUtf8(row.message))) << parsed.message.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Parsing,
    ::testing::Values(
        ParseRow{"nothing given runs with the defaults", {}, Outcome::Run, ""},
        ParseRow{"a value after a blank or an equals sign", {"--data", "d", "--months=3", "f"}, Outcome::Run, ""},
        ParseRow{"--help wins over everything else", {"--force", "--help", "x"}, Outcome::Help, ""},
        ParseRow{"-h is --help", {"-h"}, Outcome::Help, ""},
        ParseRow{"--version", {"--version"}, Outcome::Version, ""},
        ParseRow{"an unknown option is refused, not ignored", {"--rows", "5"}, Outcome::Refused, "rows"},
        ParseRow{"an unknown option is refused even beside --help", {"--help", "--bogus"}, Outcome::Refused,
                 "bogus"},
        ParseRow{"a value-taking option at the end without its value", {"f", "--data"}, Outcome::Refused, "data"},
        ParseRow{"a switch given a value", {"--force=yes"}, Outcome::Refused, "force"},
        ParseRow{"a single dash word is not a long option", {"-data", "d"}, Outcome::Refused, ""}));

TEST(ProgramOptions, GivenValuesDefaultsAndPositionalArguments)
{
    ProgramOptions options = sample();
    ASSERT_EQ(options.parse({"sample", "a", "--param", "x=1", "-m", "4", "--param=y=2", "b"}).outcome, Outcome::Run);
    EXPECT_EQ(options.positional(), (QStringList{"a", "b"}));
    EXPECT_EQ(options.values("param"), (QStringList{"x=1", "y=2"}));
    EXPECT_EQ(options.value("months"), "4");
    EXPECT_EQ(options.value("m"), "4") << "an option answers to each of its names";
    EXPECT_FALSE(options.isSet("data"));
    EXPECT_FALSE(options.isSet("force"));

    // A second reading forgets the first.
    ASSERT_EQ(options.parse({"sample", "--force"}).outcome, Outcome::Run);
    EXPECT_TRUE(options.isSet("force"));
    EXPECT_FALSE(options.isSet("param"));
    EXPECT_EQ(options.value("months"), "13") << "the default when not given";
    EXPECT_TRUE(options.positional().isEmpty());
}

TEST(ProgramOptions, HelpListsEveryOptionWithinTheLineWidth)
{
    ProgramOptions options = sample();
    options.option({"a-rather-long-option-name"}, "Its help starts on the next line, and goes on long enough to be "
                                                  "wrapped onto more than one line of the terminal.",
                   "SOMETHING");
    options.epilogue("Exit status:\n0 done; 2 bad arguments.");
    const QString help = options.helpText();
    EXPECT_TRUE(help.startsWith("Usage: sample [options] FILE...\n"));
    for (const char* tag : {"--data DIR", "-m, --months M", "--param NAME=VALUE", "--force", "-h, --help",
                            "--version", "--a-rather-long-option-name SOMETHING", "FILE"})
        EXPECT_TRUE(help.contains(QStringLiteral("\n  ") + QString::fromUtf8(tag))) << tag << "\n"
                                                                                   << help.toStdString();
    EXPECT_TRUE(help.contains("Months of data. (default 13)"));
    EXPECT_TRUE(help.contains("\nExit status:\n  0 done; 2 bad arguments.\n"));
    for (const QString& line : help.split(u'\n'))
        EXPECT_LE(line.size(), 79) << line.toStdString();
    EXPECT_EQ(options.versionText(), "sample (Tarvik Reports) " + tarvik::productVersion() + "\n");
    EXPECT_FALSE(tarvik::productVersion().isEmpty());
}

TEST(ProgramOptions, NumbersInRangeOrNothing)
{
    struct Row
    {
        const char* text;
        std::optional<qint64> integer; // in [1, 1000]
        std::optional<double> number;  // above 0, at most 100
    };
    const Row rows[] = {
        {"1", 1, 1.0},
        {" 1000 ", 1000, std::nullopt}, // blanks around are forgiven; 1000 is above the number's 100
        {"0", std::nullopt, std::nullopt},
        {"1001", std::nullopt, std::nullopt},
        {"-5", std::nullopt, std::nullopt},
        {"10x", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"0.05", std::nullopt, 0.05},
        {"1e2", std::nullopt, 100.0},
        {"nan", std::nullopt, std::nullopt},
        {"inf", std::nullopt, std::nullopt},
        {"99999999999999999999", std::nullopt, std::nullopt}, // beyond 64 bits
    };
    for (const Row& r : rows) {
        EXPECT_EQ(ProgramOptions::parseInteger(r.text, 1, 1000), r.integer) << '"' << r.text << '"';
        EXPECT_EQ(ProgramOptions::parseNumber(r.text, 0, 100), r.number) << '"' << r.text << '"';
    }
}

} // namespace
