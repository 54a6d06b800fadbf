#include "OdbcConnectionString.h"

#include <QMutex>

namespace tarvik::db {

namespace {

QMutex g_sessionMutex;
QString g_sessionConnection;

} // namespace

QList<ConnectionStringPart> parseConnectionString(const QString& text)
{
    QList<ConnectionStringPart> parts;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype start = i;
        const qsizetype eq = text.indexOf(QLatin1Char('='), i);
        const qsizetype semi = text.indexOf(QLatin1Char(';'), i);
        if (eq < 0 || (semi >= 0 && semi < eq)) {
            // No "=" before the next separator: nothing to read here.
            if (semi < 0)
                break;
            i = semi + 1;
            continue;
        }
        ConnectionStringPart part;
        part.key = text.mid(start, eq - start).trimmed();
        i = eq + 1;
        if (i < n && text.at(i) == QLatin1Char('{')) {
            ++i;
            while (i < n) {
                const QChar c = text.at(i);
                if (c == QLatin1Char('}')) {
                    if (i + 1 < n && text.at(i + 1) == QLatin1Char('}')) {
                        part.value += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                part.value += c;
                ++i;
            }
            // Anything after the closing brace up to the separator is not part of the value.
            const qsizetype next = text.indexOf(QLatin1Char(';'), i);
            i = next < 0 ? n : next;
        } else {
            const qsizetype next = text.indexOf(QLatin1Char(';'), i);
            const qsizetype end = next < 0 ? n : next;
            part.value = text.mid(i, end - i).trimmed();
            i = end;
        }
        part.raw = text.mid(start, i - start).trimmed();
        if (!part.key.isEmpty())
            parts << part;
        if (i < n && text.at(i) == QLatin1Char(';'))
            ++i;
    }
    return parts;
}

QString connectionStringValue(const QString& text, const QString& key)
{
    for (const ConnectionStringPart& part : parseConnectionString(text))
        if (part.key.compare(key, Qt::CaseInsensitive) == 0)
            return part.value;
    return {};
}

QString quoteConnectionValue(const QString& value)
{
    const bool braces = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('{')) ||
                        value.contains(QLatin1Char('}')) || value.contains(QLatin1Char('=')) ||
                        (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!braces)
        return value;
    QString escaped = value;
    escaped.replace(QLatin1Char('}'), QStringLiteral("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}

QString withConnectionValue(const QString& text, const QString& key, const QString& value)
{
    const QString quoted = quoteConnectionValue(value);
    QStringList out;
    bool replaced = false;
    for (const ConnectionStringPart& part : parseConnectionString(text)) {
        if (part.key.compare(key, Qt::CaseInsensitive) == 0) {
            if (!replaced)
                out << part.key + QLatin1Char('=') + quoted; // the key as the string spells it
            replaced = true;
            continue;
        }
        out << part.raw;
    }
    if (!replaced)
        out << key + QLatin1Char('=') + quoted;
    return out.join(QLatin1Char(';'));
}

QString connectionServerName(const QString& text)
{
    const QString server = connectionStringValue(text, QStringLiteral("SERVER"));
    return server.isEmpty() ? connectionStringValue(text, QStringLiteral("DSN")) : server;
}

void setSessionOdbcConnection(const QString& text)
{
    QMutexLocker lock(&g_sessionMutex);
    g_sessionConnection = text;
}

QString sessionOdbcConnection()
{
    QMutexLocker lock(&g_sessionMutex);
    return g_sessionConnection;
}

} // namespace tarvik::db
