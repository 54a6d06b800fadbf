#pragma once

// ODBC connection strings as the driver manager reads them: "KEY=value;KEY={value}", where a
// value in braces may hold ";", "=" and "{", and "}}" stands for "}". A password is any text.

#include <QList>
#include <QString>

namespace tarvik::db {

struct ConnectionStringPart
{
    QString key;   // as written
    QString value; // braces removed, "}}" read as "}"
    QString raw;   // the whole "KEY=value" as written
};

// The parts in their order; text without "=" between separators is left out.
QList<ConnectionStringPart> parseConnectionString(const QString& text);

// The value of a key (matched without regard to case); empty when absent.
QString connectionStringValue(const QString& text, const QString& key);

// A value as it must be written: in braces (a "}" inside doubled) when it holds ";", "{", "}"
// or "=", or blanks at either end; as it is otherwise.
QString quoteConnectionValue(const QString& value);

// The text with the key's value replaced where the key stands, or added at the end; every
// other part stays exactly as written.
QString withConnectionValue(const QString& text, const QString& key, const QString& value);

// The server a connection string names: its SERVER, else its DSN.
QString connectionServerName(const QString& text);

// The session's whole ODBC connection string (set at log-in): report tables logged on to its
// server connect with it, their database in place of its own.
void setSessionOdbcConnection(const QString& text);
QString sessionOdbcConnection();

} // namespace tarvik::db
