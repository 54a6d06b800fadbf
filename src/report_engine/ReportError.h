#pragma once

#include <QString>
#include <stdexcept>

namespace tarvik::engine {

// Every failure of the report engine. what() is the text a person reads; for a fault in a
// definition file it reads "file:line: cause".
class ReportError : public std::runtime_error
{
public:
    explicit ReportError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    ReportError(const QString& file, int line, const QString& cause)
        : ReportError(line > 0 ? QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(cause)
                               : QStringLiteral("%1: %2").arg(file, cause))
    {
        m_file = file;
        m_line = line;
        m_cause = cause;
    }

    QString message() const { return m_message; }
    QString file() const { return m_file; }
    int line() const { return m_line; }    // 0 when the fault has no line
    QString cause() const { return m_cause.isEmpty() ? m_message : m_cause; }

private:
    QString m_message;
    QString m_file;
    int m_line = 0;
    QString m_cause;
};

} // namespace tarvik::engine
