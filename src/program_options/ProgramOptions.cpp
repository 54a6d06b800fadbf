#include "ProgramOptions.h"

#include "ProgramVersion.h"

#include <QCommandLineParser>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tarvik {

namespace {

constexpr qsizetype kWidth = 79;
constexpr qsizetype kMaxTagWidth = 28;

// Words of `text` laid out in lines of at most `width - indent` characters, every line but the
// first indented by `indent`. A line break in the text is kept.
QString wrapped(const QString& text, qsizetype indent, qsizetype width = kWidth)
{
    QString out;
    const QStringList paragraphs = text.split(u'\n');
    for (qsizetype p = 0; p < paragraphs.size(); ++p) {
        if (p > 0)
            out += u'\n' + QString(indent, u' ');
        qsizetype column = indent;
        bool first = true;
        for (const QString& word : paragraphs[p].split(u' ', Qt::SkipEmptyParts)) {
            if (!first && column + 1 + word.size() > width) {
                out += u'\n' + QString(indent, u' ');
                column = indent;
                first = true;
            }
            if (!first) {
                out += u' ';
                ++column;
            }
            out += word;
            column += word.size();
            first = false;
        }
    }
    return out;
}

QString optionTag(const QStringList& names, const QString& valueName)
{
    // Short forms first, as in every other program's help.
    QStringList forms;
    for (const QString& n : names)
        if (n.size() == 1)
            forms << QStringLiteral("-") + n;
    for (const QString& n : names)
        if (n.size() > 1)
            forms << QStringLiteral("--") + n;
    QString tag = forms.join(QStringLiteral(", "));
    if (!valueName.isEmpty())
        tag += u' ' + valueName;
    return tag;
}

} // namespace

QString productVersion()
{
    return QStringLiteral(TARVIK_VERSION);
}

ProgramOptions::ProgramOptions(QString program, QString synopsis, QString description)
    : m_program(std::move(program)), m_synopsis(std::move(synopsis)), m_description(std::move(description))
{
}

ProgramOptions& ProgramOptions::option(const QStringList& names, const QString& help, const QString& valueName,
                                       const QString& defaultValue)
{
    m_options.push_back({names, help, valueName, defaultValue});
    return *this;
}

ProgramOptions& ProgramOptions::argument(const QString& name, const QString& help)
{
    m_arguments.emplace_back(name, help);
    return *this;
}

ProgramOptions& ProgramOptions::argumentHeading(const QString& heading)
{
    m_argumentHeading = heading;
    return *this;
}

ProgramOptions& ProgramOptions::epilogue(const QString& text)
{
    m_epilogues << text;
    return *this;
}

ProgramOptions::Parsed ProgramOptions::parse(const QStringList& args)
{
    m_given.clear();
    m_positional.clear();

    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOption(help);
    parser.addOption(version);
    for (const Option& o : m_options) {
        QCommandLineOption q(o.names);
        if (!o.valueName.isEmpty())
            q.setValueName(o.valueName);
        parser.addOption(q);
    }
    QStringList withProgram = args;
    if (withProgram.isEmpty())
        withProgram << m_program;
    if (!parser.parse(withProgram))
        return {Outcome::Refused, parser.errorText()};
    if (parser.isSet(help))
        return {Outcome::Help, {}};
    if (parser.isSet(version))
        return {Outcome::Version, {}};
    for (const Option& o : m_options) {
        const QString& name = o.names.first();
        if (!parser.isSet(name))
            continue;
        m_given.emplace_back(name, o.valueName.isEmpty() ? QStringList{} : parser.values(name));
    }
    m_positional = parser.positionalArguments();
    return {Outcome::Run, {}};
}

ProgramOptions& ProgramOptions::process(int argc, char** argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return process(args);
}

ProgramOptions& ProgramOptions::process(const QStringList& args)
{
    const Parsed parsed = parse(args);
    switch (parsed.outcome) {
    case Outcome::Run:
        return *this;
    case Outcome::Help:
        std::fputs(qPrintable(helpText()), stdout);
        std::fflush(stdout);
        std::exit(0);
    case Outcome::Version:
        std::fputs(qPrintable(versionText()), stdout);
        std::fflush(stdout);
        std::exit(0);
    case Outcome::Refused:
        fail(parsed.message);
    }
    return *this;
}

QString ProgramOptions::helpText() const
{
    struct Row
    {
        QString tag;
        QString help;
    };
    std::vector<Row> rows;
    for (const Option& o : m_options) {
        QString text = o.help;
        if (!o.defaultValue.isEmpty() && !text.contains(QStringLiteral("default")))
            text += QStringLiteral(" (default %1)").arg(o.defaultValue);
        rows.push_back({optionTag(o.names, o.valueName), text});
    }
    rows.push_back({QStringLiteral("-h, --help"), QStringLiteral("Show this help and exit.")});
    rows.push_back({QStringLiteral("--version"), QStringLiteral("Show the version and exit.")});

    qsizetype tagWidth = 0;
    for (const Row& r : rows)
        tagWidth = std::max(tagWidth, r.tag.size());
    for (const auto& [name, help] : m_arguments)
        tagWidth = std::max(tagWidth, name.size());
    tagWidth = std::min(tagWidth, kMaxTagWidth);
    const qsizetype column = 2 + tagWidth + 2;
    auto item = [&](const QString& tag, const QString& help) {
        QString line = QStringLiteral("  ") + tag;
        if (tag.size() > tagWidth)
            line += u'\n' + QString(column, u' ');
        else
            line += QString(tagWidth - tag.size() + 2, u' ');
        return line + wrapped(help, column) + u'\n';
    };

    QString text = QStringLiteral("Usage: %1 %2\n").arg(m_program, m_synopsis);
    text += wrapped(m_description, 0) + QStringLiteral("\n\nOptions:\n");
    for (const Row& r : rows)
        text += item(r.tag, r.help);
    if (!m_arguments.empty()) {
        text += u'\n' + m_argumentHeading + QStringLiteral(":\n");
        for (const auto& [name, help] : m_arguments)
            text += item(name, help);
    }
    // A paragraph's heading stays at the margin and its body is indented, which is also how
    // help2man tells a section from its text.
    for (const QString& e : m_epilogues) {
        text += u'\n';
        const QStringList lines = e.split(u'\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString& line = lines[i];
            if (line.startsWith(u' '))
                text += line;
            else if (i == 0 && line.endsWith(u':'))
                text += line;
            else
                text += QStringLiteral("  ") + wrapped(line, 2);
            text += u'\n';
        }
    }
    return text;
}

QString ProgramOptions::versionText() const
{
    return QStringLiteral("%1 (Tarvik Reports) %2\n").arg(m_program, productVersion());
}

const ProgramOptions::Option* ProgramOptions::find(const QString& name) const
{
    for (const Option& o : m_options)
        if (o.names.contains(name))
            return &o;
    return nullptr;
}

bool ProgramOptions::isSet(const QString& name) const
{
    const Option* o = find(name);
    if (!o)
        return false;
    for (const auto& [given, values] : m_given)
        if (given == o->names.first())
            return true;
    return false;
}

QStringList ProgramOptions::values(const QString& name) const
{
    const Option* o = find(name);
    if (!o)
        return {};
    for (const auto& [given, values] : m_given)
        if (given == o->names.first())
            return values;
    return o->defaultValue.isEmpty() ? QStringList{} : QStringList{o->defaultValue};
}

QString ProgramOptions::value(const QString& name) const
{
    const QStringList all = values(name);
    return all.isEmpty() ? QString() : all.last();
}

std::optional<qint64> ProgramOptions::parseInteger(const QString& text, qint64 min, qint64 max)
{
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    if (!ok || n < min || n > max)
        return std::nullopt;
    return n;
}

std::optional<double> ProgramOptions::parseNumber(const QString& text, double above, double max)
{
    bool ok = false;
    const double n = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(n) || !(n > above) || n > max)
        return std::nullopt;
    return n;
}

qint64 ProgramOptions::integer(const QString& name, qint64 min, qint64 max) const
{
    const QString text = value(name);
    if (const std::optional<qint64> n = parseInteger(text, min, max))
        return *n;
    fail(QStringLiteral("--%1 wants a whole number from %2 to %3, not \"%4\".").arg(name).arg(min).arg(max).arg(text));
}

double ProgramOptions::number(const QString& name, double above, double max) const
{
    const QString text = value(name);
    if (const std::optional<double> n = parseNumber(text, above, max))
        return *n;
    fail(QStringLiteral("--%1 wants a number above %2 and at most %3, not \"%4\".").arg(name).arg(above).arg(max).arg(text));
}

qint64 ProgramOptions::integerArgument(const QString& text, const QString& what, qint64 min, qint64 max) const
{
    if (const std::optional<qint64> n = parseInteger(text, min, max))
        return *n;
    fail(QStringLiteral("%1 wants a whole number from %2 to %3, not \"%4\".").arg(what).arg(min).arg(max).arg(text));
}

QString ProgramOptions::refusal(const QString& message) const
{
    return QStringLiteral("%1: %2\nTry '%1 --help' for its options.\n").arg(m_program, message);
}

void ProgramOptions::fail(const QString& message) const
{
    std::fflush(stdout);
    std::fputs(qPrintable(refusal(message)), stderr);
    std::fflush(stderr);
    std::exit(2);
}

} // namespace tarvik
