#pragma once

#include <QDateTime>
#include <QMutex>
#include <QString>
#include <functional>
#include <vector>

namespace tarvik::db {

// Every command text a connection executed, in order, with its cost and outcome.
struct TraceEntry
{
    QDateTime at;
    QString text;
    qint64 elapsedMs = 0;
    int rows = -1;        // rows returned; -1 when the command returned no recordset
    QString error;        // empty on success
};

class Trace
{
public:
    void add(TraceEntry entry);
    std::vector<TraceEntry> entries() const;
    QStringList texts() const; // just the command texts, in order
    void clear();

    // Off by default: when set, each entry is also appended to this file, one line each.
    void setLogFile(const QString& path);
    // Called for every entry (from the thread that executed it).
    void setListener(std::function<void(const TraceEntry&)> listener);

private:
    mutable QMutex m_mutex;
    std::vector<TraceEntry> m_entries;
    QString m_logFile;
    std::function<void(const TraceEntry&)> m_listener;
};

} // namespace tarvik::db
