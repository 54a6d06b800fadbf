#include "CommandText.h"

#include "DbError.h"

namespace tarvik::db {
namespace {

bool isIdentStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
bool isIdentChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

[[noreturn]] void refuse(const QString& text, const QString& why)
{
    throw DbError(QStringLiteral("The command text was refused (%1):\n%2").arg(why, text));
}

// Skips blanks, tabs and line breaks.
void skipSpace(const QString& s, int& i)
{
    while (i < s.size() && s.at(i).isSpace())
        ++i;
}

QString readIdent(const QString& s, int& i)
{
    const int start = i;
    if (i < s.size() && isIdentStart(s.at(i))) {
        ++i;
        while (i < s.size() && isIdentChar(s.at(i)))
            ++i;
    }
    return s.mid(start, i - start);
}

bool startsWithWord(const QString& s, int i, QLatin1String word)
{
    if (s.size() - i < word.size())
        return false;
    if (QStringView(s).mid(i, word.size()).compare(word, Qt::CaseInsensitive) != 0)
        return false;
    const int after = i + int(word.size());
    return after == s.size() || !isIdentChar(s.at(after));
}

ProcedureCall parseCall(const QString& text, int i)
{
    ProcedureCall call;
    call.database = readIdent(text, i);
    if (call.database.isEmpty())
        refuse(text, QStringLiteral("it must begin with a database name, as in Reports..sp_Name"));
    // "Db..Proc" or "Db.dbo.Proc"
    if (text.mid(i, 2) == QLatin1String("..")) {
        i += 2;
    } else if (i < text.size() && text.at(i) == QLatin1Char('.')) {
        ++i;
        call.owner = readIdent(text, i);
        if (call.owner.isEmpty() || i >= text.size() || text.at(i) != QLatin1Char('.'))
            refuse(text, QStringLiteral("expected Database..Procedure"));
        ++i;
    } else {
        refuse(text, QStringLiteral("expected Database..Procedure"));
    }
    call.procedure = readIdent(text, i);
    if (call.procedure.isEmpty())
        refuse(text, QStringLiteral("the procedure name is missing"));
    if (i < text.size() && !text.at(i).isSpace())
        refuse(text, QStringLiteral("unexpected \"%1\" after the procedure name").arg(text.mid(i, 10)));

    skipSpace(text, i);
    bool expectArgument = false;
    while (i < text.size()) {
        if (text.at(i) == QLatin1Char(';')) {
            ++i;
            skipSpace(text, i);
            if (i < text.size() || expectArgument)
                refuse(text, QStringLiteral("only one command may be sent at a time"));
            break;
        }
        if (text.at(i) != QLatin1Char('\''))
            refuse(text, QStringLiteral("arguments must be single-quoted texts, found \"%1\"")
                             .arg(text.mid(i, 12)));
        ++i;
        QString value;
        bool closed = false;
        while (i < text.size()) {
            const QChar c = text.at(i);
            if (c == QLatin1Char('\'')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\'')) {
                    value += QLatin1Char('\'');
                    i += 2;
                    continue;
                }
                ++i;
                closed = true;
                break;
            }
            value += c;
            ++i;
        }
        if (!closed)
            refuse(text, QStringLiteral("a quoted argument is not closed"));
        // '' is an empty text, not a missing value: a procedure's checks must see it as typed.
        if (value.isNull())
            value = QStringLiteral("");
        call.arguments << value;
        expectArgument = false;
        skipSpace(text, i);
        if (i < text.size() && text.at(i) == QLatin1Char(',')) {
            ++i;
            skipSpace(text, i);
            expectArgument = true;
        } else if (i < text.size() && text.at(i) != QLatin1Char(';')) {
            refuse(text, QStringLiteral("arguments must be separated by commas"));
        }
    }
    if (expectArgument)
        refuse(text, QStringLiteral("an argument is missing after the last comma"));
    return call;
}

// Rewrites "Db..Table" as "Db.Table" outside literals and quoted names; the rest is kept.
PlainQuery parseQuery(const QString& text)
{
    QString out;
    out.reserve(text.size());
    int i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            int j = i + 1;
            while (j < text.size()) {
                if (text.at(j) == close) {
                    if (close != QLatin1Char(']') && j + 1 < text.size() && text.at(j + 1) == close) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            if (j >= text.size())
                refuse(text, QStringLiteral("a quoted text or name is not closed"));
            out += QStringView(text).mid(i, j - i + 1);
            i = j + 1;
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('-'))
            refuse(text, QStringLiteral("comments are not accepted in a command text"));
        if (c == QLatin1Char('/') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('*'))
            refuse(text, QStringLiteral("comments are not accepted in a command text"));
        if (isIdentStart(c)) {
            const int start = i;
            QString ident = readIdent(text, i);
            if (text.mid(i, 2) == QLatin1String("..") && i + 2 < text.size() && isIdentStart(text.at(i + 2))) {
                i += 2;
                const QString table = readIdent(text, i);
                out += ident + QLatin1Char('.') + table;
                continue;
            }
            out += QStringView(text).mid(start, i - start);
            continue;
        }
        out += c;
        ++i;
    }
    return PlainQuery{out.trimmed()};
}

} // namespace

Command parseCommandText(const QString& rawText)
{
    const QString text = rawText.trimmed();
    if (text.isEmpty())
        throw DbError(QStringLiteral("The command text is empty."));
    int i = 0;
    if (startsWithWord(text, 0, QLatin1String("EXECUTE"))) {
        i = 7;
        skipSpace(text, i);
    } else if (startsWithWord(text, 0, QLatin1String("EXEC"))) {
        i = 4;
        skipSpace(text, i);
    } else if (startsWithWord(text, 0, QLatin1String("SELECT"))) {
        return parseQuery(text);
    }
    if (i >= text.size())
        refuse(text, QStringLiteral("the procedure name is missing"));
    return parseCall(text, i);
}

QString quotedArgumentText(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\''), QStringLiteral("''"));
    return out;
}

QString callText(const QString& head, const QStringList& arguments)
{
    QStringList quoted;
    quoted.reserve(arguments.size());
    for (const QString& argument : arguments)
        quoted << quotedArgumentText(argument);
    return head + quoted.join(QStringLiteral("', '")) + QLatin1Char('\'');
}

ServerStatement serverStatement(const QString& text)
{
    Command command;
    try {
        command = parseCommandText(text);
    } catch (const DbError&) {
        return {text, {}}; // a server takes more shapes of text than the embedded backend
    }
    const auto* call = std::get_if<ProcedureCall>(&command);
    if (!call)
        return {text, {}};
    QStringList markers;
    for (qsizetype i = 0; i < call->arguments.size(); ++i)
        markers << QStringLiteral("?");
    QString sql = QStringLiteral("EXEC %1.%2.%3").arg(call->database, call->owner, call->procedure);
    if (!markers.isEmpty())
        sql += QLatin1Char(' ') + markers.join(QStringLiteral(", "));
    return {sql, call->arguments};
}

} // namespace tarvik::db
