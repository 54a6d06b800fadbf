#pragma once

#include "ConnectionInfo.h"
#include "DbError.h"
#include "Recordset.h"
#include "Trace.h"

#include <QString>
#include <memory>

namespace tarvik::db {

class ConnectionWorker;

// The session's database connection: one command text at a time, as the dialogs build it.
// Commands run on the connection's own thread; the caller waits in a local event loop that
// excludes user input, so windows repaint and animations move while it waits.
//
// Embedded backend command texts:
//   [EXEC ]Db..Procedure ['arg'[, 'arg'...]]      a stored procedure call
//   Select ... From Db..Table ...                 a single read-only query; GetDate() is the clock
// Anything else is refused with a DbError quoting the text, and nothing of it runs.
class Connection
{
public:
    explicit Connection(const ConnectionInfo& info);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    static std::unique_ptr<Connection> open(const ConnectionInfo& info) { return std::make_unique<Connection>(info); }

    // Runs one command text. Returns the recordset of its last SELECT, or nullptr when the
    // command returned no rows set. Throws DbError with the text and the database's message.
    RecordsetPtr execute(const QString& text);

    // Seconds; 0 means no limit (the default the program sets).
    void setCommandTimeout(int seconds);
    int commandTimeout() const;

    QString connectionString() const;
    const ConnectionInfo& info() const { return m_info; }
    bool isOpen() const;

    Trace& trace() { return m_trace; }

private:
    ConnectionInfo m_info;
    Trace m_trace;
    int m_timeoutSeconds = 30; // as an ADO connection starts; the program sets 0
    std::unique_ptr<ConnectionWorker> m_worker;
};

} // namespace tarvik::db
