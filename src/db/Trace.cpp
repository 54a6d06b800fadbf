#include "Trace.h"

#include <QFile>
#include <QMutexLocker>
#include <QTextStream>

namespace tarvik::db {

void Trace::add(TraceEntry entry)
{
    std::function<void(const TraceEntry&)> listener;
    QString logFile;
    {
        QMutexLocker lock(&m_mutex);
        m_entries.push_back(entry);
        listener = m_listener;
        logFile = m_logFile;
    }
    if (!logFile.isEmpty()) {
        QFile file(logFile);
        if (file.open(QIODevice::Append | QIODevice::Text)) {
            QTextStream out(&file);
            QString text = entry.text;
            text.replace(QLatin1Char('\n'), QLatin1Char(' '));
            out << entry.at.toString(Qt::ISODateWithMs) << '\t' << entry.elapsedMs << " ms\t"
                << (entry.rows < 0 ? QStringLiteral("-") : QString::number(entry.rows)) << " rows\t"
                << text;
            if (!entry.error.isEmpty())
                out << "\tERROR: " << QString(entry.error).replace(QLatin1Char('\n'), QLatin1Char(' '));
            out << '\n';
        }
    }
    if (listener)
        listener(entry);
}

std::vector<TraceEntry> Trace::entries() const
{
    QMutexLocker lock(&m_mutex);
    return m_entries;
}

QStringList Trace::texts() const
{
    QMutexLocker lock(&m_mutex);
    QStringList out;
    for (const auto& e : m_entries)
        out << e.text;
    return out;
}

void Trace::clear()
{
    QMutexLocker lock(&m_mutex);
    m_entries.clear();
}

void Trace::setLogFile(const QString& path)
{
    QMutexLocker lock(&m_mutex);
    m_logFile = path;
}

void Trace::setListener(std::function<void(const TraceEntry&)> listener)
{
    QMutexLocker lock(&m_mutex);
    m_listener = std::move(listener);
}

} // namespace tarvik::db
