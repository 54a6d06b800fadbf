#pragma once

#include <QString>
#include <stdexcept>

namespace tarvik::db {

// Every failure of the database layer. what() is the text a person reads in a message box.
class DbError : public std::runtime_error
{
public:
    // What kind of failure it was, for callers that answer some differently (the command line
    // gives a busy database its own exit status; a stopped run is not a failed one).
    enum class Kind {
        Failed,   // the command or the database failed
        Busy,     // another program held the write lock longer than the busy wait
        TimedOut, // the command ran past its time limit
        Stopped,  // the process was asked to stop (requestStop)
    };

    explicit DbError(const QString& message, Kind kind = Kind::Failed)
        : std::runtime_error(message.toStdString()), m_kind(kind)
    {
    }
    QString message() const { return QString::fromStdString(what()); }
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

// The text a busy database is reported with, wherever it shows.
inline QString busyDatabaseText()
{
    return QStringLiteral("the database is busy (another program is writing); try again");
}

} // namespace tarvik::db
