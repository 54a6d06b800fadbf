#pragma once

#include "ConnectionInfo.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <vector>

namespace tarvik::hospital {

// One row of Patient_data.tbUsers.
struct UserRecord
{
    QString userName;
    QString fullName;
    QStringList modules;
    int failedAttempts = 0;
    QDateTime lockedUntil; // UTC; invalid when not locked
    bool active = true;
};

// What a log-in attempt came to. The refusal texts never say whether the name or the
// password was wrong.
struct LogInResult
{
    enum class Outcome { Accepted, WrongNameOrPassword, Locked, NoModuleAccess, Inactive };

    Outcome outcome = Outcome::WrongNameOrPassword;
    QString userName; // as stored (the table ignores case)
    QString fullName;
    QString message;  // empty when accepted

    bool accepted() const { return outcome == Outcome::Accepted; }
};

// The users of the hospital system, their Argon2id password hashes and the modules each may
// use. Opens its own database connection (in the calling thread) for its lifetime.
class UserStore
{
public:
    static constexpr int kMaxFailedAttempts = 5;
    static constexpr int kLockMinutes = 15;

    // Throws tarvik::db::DbError when the databases cannot be opened.
    explicit UserStore(const tarvik::db::ConnectionInfo& info);
    ~UserStore();
    UserStore(const UserStore&) = delete;
    UserStore& operator=(const UserStore&) = delete;

    // Checks a log-in for the module with the given code. Counts failures, locks the account
    // for kLockMinutes after kMaxFailedAttempts in a row, and clears the count on success.
    LogInResult authenticate(const QString& userName, const QString& password,
                             const QString& moduleCode,
                             const QDateTime& nowUtc = QDateTime::currentDateTimeUtc());

    // Administration. Each throws std::runtime_error with a message for a person.
    void addUser(const QString& userName, const QString& fullName, const QStringList& modules,
                 const QString& password);
    void setPassword(const QString& userName, const QString& password);
    void unlock(const QString& userName);
    std::vector<UserRecord> users();
    bool userExists(const QString& userName);

    // An Argon2id hash string in libsodium's format, and its check.
    static QString hashPassword(const QString& password);
    static bool verifyPassword(const QString& hash, const QString& password);

    // Modules as stored: comma-separated, blanks dropped, upper case.
    static QStringList parseModules(const QString& text);

private:
    QString table() const;
    void requireUser(const QString& userName);

    tarvik::db::ConnectionInfo m_info;
    QString m_connectionName;
    QSqlDatabase m_db;
};

} // namespace tarvik::hospital
