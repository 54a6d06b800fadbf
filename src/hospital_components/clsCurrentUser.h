#pragma once

#include "Connection.h"
#include "ConnectionInfo.h"

#include <QString>
#include <memory>
#include <optional>

namespace tarvik::hospital {

// The session component: logs the user in, holds the session's database connection and tells
// who is logged in and how report tables log on to the database.
//
// What the log-on members mean for each backend:
//  - embedded (a data folder): ServerName is the data folder, userid the logged-in user's
//    name, serverpassword empty (SQLite checks no password);
//  - ODBC: ServerName is the connection string's SERVER (or DSN) part, userid and
//    serverpassword its UID and PWD.
// tarvik::db::ConnectionInfo::fromLogOn turns them back into a connection.
class clsCurrentUser
{
public:
    clsCurrentUser();
    ~clsCurrentUser();
    clsCurrentUser(const clsCurrentUser&) = delete;
    clsCurrentUser& operator=(const clsCurrentUser&) = delete;

    // The module that is logging in; a user needs it in his list of modules.
    void setPasswordDeptCode(const QString& code) { m_deptCode = code; }
    QString PasswordDeptCode() const { return m_deptCode; }

    // Shows the log-in window and returns when the user has logged in or given up.
    void ShowMain();

    // Logs in without a window (tests, command-line runs). Returns the refusal message, or an
    // empty text when the user is logged in and the connection is open.
    QString LogIn(const QString& userName, const QString& password);

    // How the last log-in ended: a busy database is not a refusal (trying again later helps).
    enum class LogInStatus { LoggedIn, Refused, Busy, Failed };
    LogInStatus lastLogInStatus() const { return m_lastStatus; }

    bool Connected() const;
    // The open connection; nullptr before log-in.
    tarvik::db::Connection* SqlConnection() const { return m_connection.get(); }

    QString employeename() const { return m_fullName; }
    QString ServerName() const;
    QString userid() const;
    QString serverpassword() const;

    // The logged-in user's name (the key of the user table).
    QString userName() const { return m_userName; }

    // Where the databases are; the settings file's choice unless set here (tests).
    tarvik::db::ConnectionInfo connectionInfo() const;
    void setConnectionInfo(const tarvik::db::ConnectionInfo& info) { m_info = info; }

private:
    QString m_deptCode;
    std::optional<tarvik::db::ConnectionInfo> m_info;
    std::unique_ptr<tarvik::db::Connection> m_connection;
    QString m_userName;
    QString m_fullName;
    LogInStatus m_lastStatus = LogInStatus::Refused;
};

} // namespace tarvik::hospital
