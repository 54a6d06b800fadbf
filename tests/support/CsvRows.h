#pragma once

// A CSV file read back as RFC 4180 says (quoted fields, doubled quotes, CRLF records), for
// checking what an export put in which row and column.

#include <QList>
#include <QString>
#include <QStringList>

namespace tarvik::testsupport {

// The records of a UTF-8 CSV file (a byte-order mark skipped); empty when it cannot be read.
QList<QStringList> csvRows(const QString& path);

} // namespace tarvik::testsupport
