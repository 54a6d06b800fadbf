#pragma once

// The command line of every Tarvik program, tool and benchmark: its options, one help text
// (which the man pages are made from), --version, and the refusal of unknown options, missing
// values and bad numbers with exit status 2. A tool states its options and parses in one
// statement:
//
//   const tarvik::ProgramOptions cl = tarvik::ProgramOptions("bench_x", "[ROWS...]", "Times ...")
//       .option({"dir"}, "Folder for the files written.", "DIR")
//       .process(argc, argv);

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tarvik {

// The product's version, as the build was configured ("0.1.0").
QString productVersion();

class ProgramOptions
{
public:
    // program: the executable's name; synopsis: what follows it in the usage line
    // ("[options] REPORT.rpt"); description: a sentence or two on what it does.
    ProgramOptions(QString program, QString synopsis, QString description);

    // An option by its names (long names without dashes, "h" for -h), its help text, the name of
    // its value (none for a switch) and the value taken when it is not given.
    ProgramOptions& option(const QStringList& names, const QString& help, const QString& valueName = {},
                           const QString& defaultValue = {});
    // A positional argument, for the help text.
    ProgramOptions& argument(const QString& name, const QString& help);
    // The heading of the positional arguments in the help ("Arguments" unless set).
    ProgramOptions& argumentHeading(const QString& heading);
    // A paragraph printed after the options (exit statuses, examples, environment). A line that
    // ends in ':' heads a section of the man page.
    ProgramOptions& epilogue(const QString& text);

    // The outcome of reading a command line, for callers that print themselves (and for tests).
    enum class Outcome { Run, Help, Version, Refused };
    struct Parsed
    {
        Outcome outcome = Outcome::Run;
        QString message; // why it was refused
    };
    // Reads args (args[0] is the program). Never prints nor exits.
    Parsed parse(const QStringList& args);

    // Reads argv: --help and --version print to standard output and end the program with status 0;
    // a refusal prints the reason on standard error and ends it with status 2.
    ProgramOptions& process(int argc, char** argv);
    ProgramOptions& process(const QStringList& args);

    QString helpText() const;
    QString versionText() const;

    bool isSet(const QString& name) const;
    // The last value given, else the default.
    QString value(const QString& name) const;
    QStringList values(const QString& name) const;
    const QStringList& positional() const { return m_positional; }

    // A whole number in [min, max] from an option's value; a bad one ends the program (status 2)
    // with a message naming the option and the value.
    qint64 integer(const QString& name, qint64 min, qint64 max) const;
    // A number from an option's value, greater than `above` and at most `max`.
    double number(const QString& name, double above, double max) const;
    // The same checks for a positional argument's text; `what` names it in the message.
    qint64 integerArgument(const QString& text, const QString& what, qint64 min, qint64 max) const;

    // Ends the program with status 2 after printing "program: message" and where to find help.
    [[noreturn]] void fail(const QString& message) const;

    // Pure checks the accessors use: the number, or nothing when the text is not one in range.
    static std::optional<qint64> parseInteger(const QString& text, qint64 min, qint64 max);
    static std::optional<double> parseNumber(const QString& text, double above, double max);

private:
    struct Option
    {
        QStringList names;
        QString help;
        QString valueName;
        QString defaultValue;
    };
    const Option* find(const QString& name) const;
    QString refusal(const QString& message) const;

    QString m_program;
    QString m_synopsis;
    QString m_description;
    std::vector<Option> m_options;
    std::vector<std::pair<QString, QString>> m_arguments;
    QString m_argumentHeading = QStringLiteral("Arguments");
    QStringList m_epilogues;
    // What was given, by the option's first name.
    std::vector<std::pair<QString, QStringList>> m_given;
    QStringList m_positional;
};

} // namespace tarvik
