#include "UserStore.h"

#include "DbError.h"
#include "Logging.h"

#include <QAtomicInt>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>
#include <QVariant>

#include <sodium.h>
#include <stdexcept>

namespace tarvik::hospital {

using tarvik::db::ConnectionInfo;
using tarvik::db::DbError;

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

QString generic()
{
    return QStringLiteral("The user name or password is incorrect.");
}

void ensureSodium()
{
    if (sodium_init() < 0)
        throw std::runtime_error("The password library could not be started.");
}

QString uniqueConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("tarvik-users-%1").arg(counter.fetchAndAddRelaxed(1));
}

QDateTime parseUtc(const QVariant& value)
{
    if (value.isNull())
        return {};
    QDateTime t = QDateTime::fromString(value.toString().trimmed(), kTimeFormat);
    if (!t.isValid())
        return {};
    t.setTimeSpec(Qt::UTC);
    return t;
}

// SQLite's "database is busy" (another program holds the write lock past the busy wait).
bool isBusy(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok && (code & 0xFF) == 5;
}

[[noreturn]] void fail(const QSqlQuery& query, const QString& what)
{
    const QSqlError error = query.lastError();
    if (isBusy(error))
        throw DbError(QStringLiteral("%1: %2").arg(what, tarvik::db::busyDatabaseText()), DbError::Kind::Busy);
    throw DbError(QStringLiteral("%1: %2").arg(what, error.text()));
}

} // namespace

UserStore::UserStore(const ConnectionInfo& info)
    : m_info(info), m_connectionName(uniqueConnectionName())
{
    m_db = tarvik::db::openDatabase(info, m_connectionName);
}

UserStore::~UserStore()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

QString UserStore::table() const
{
    return tarvik::db::tableReference(m_info, QStringLiteral("Patient_data"), QStringLiteral("dbo"),
                                      QStringLiteral("tbUsers"));
}

QString UserStore::hashPassword(const QString& password)
{
    ensureSodium();
    const QByteArray utf8 = password.toUtf8();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, utf8.constData(), quint64(utf8.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE)
        != 0)
        throw std::runtime_error("There is not enough memory to protect the password.");
    return QString::fromLatin1(hash);
}

bool UserStore::verifyPassword(const QString& hash, const QString& password)
{
    ensureSodium();
    const QByteArray h = hash.toLatin1();
    const QByteArray utf8 = password.toUtf8();
    if (h.isEmpty() || h.size() >= crypto_pwhash_STRBYTES)
        return false;
    return crypto_pwhash_str_verify(h.constData(), utf8.constData(), quint64(utf8.size())) == 0;
}

QStringList UserStore::parseModules(const QString& text)
{
    QStringList modules;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString code = part.trimmed().toUpper();
        if (!code.isEmpty() && !modules.contains(code))
            modules << code;
    }
    return modules;
}

LogInResult UserStore::authenticate(const QString& userName, const QString& password,
                                    const QString& moduleCode, const QDateTime& nowUtc)
{
    LogInResult result;
    result.message = generic();
    const QString name = userName.trimmed();
    const QString now = nowUtc.toUTC().toString(kTimeFormat);

    // The attempt is counted as failed before the password is checked, in the statement that
    // checks the lock: parallel tries cannot all pass the check before any is counted, and a
    // failure after the check cannot leave an attempt uncounted. A right password takes the
    // count back. A lock that has run out starts the count afresh.
    bool reserved = false;
    {
        QSqlQuery reserve(m_db);
        reserve.prepare(QStringLiteral(
                            "UPDATE %1 SET "
                            "FailedAttempts = CASE WHEN LockedUntil IS NOT NULL THEN 1 "
                            "ELSE COALESCE(FailedAttempts, 0) + 1 END, "
                            "LockedUntil = CASE WHEN (CASE WHEN LockedUntil IS NOT NULL THEN 1 "
                            "ELSE COALESCE(FailedAttempts, 0) + 1 END) >= ? THEN ? ELSE NULL END "
                            "WHERE UserName = ? AND (LockedUntil IS NULL OR LockedUntil <= ?)")
                            .arg(table()));
        reserve.addBindValue(kMaxFailedAttempts);
        reserve.addBindValue(nowUtc.toUTC().addSecs(kLockMinutes * 60).toString(kTimeFormat));
        reserve.addBindValue(name);
        reserve.addBindValue(now);
        if (!reserve.exec()) {
            // Nothing is known of the password yet, so a busy database may say so.
            if (isBusy(reserve.lastError()))
                fail(reserve, QStringLiteral("The log-in could not be checked"));
            qCWarning(lcComponents) << "log-in refused: the attempt could not be counted:"
                                    << reserve.lastError().text();
            return result;
        }
        reserved = reserve.numRowsAffected() > 0;
    }

    // From here on every storage failure gives the same refusal as a wrong password: two
    // different texts would tell whether the password was right.
    try {
        QSqlQuery q(m_db);
        q.prepare(QStringLiteral("SELECT UserName, FullName, PasswordHash, Modules, LockedUntil, Active "
                                 "FROM %1 WHERE UserName = ?")
                      .arg(table()));
        q.addBindValue(name);
        if (!q.exec())
            fail(q, QStringLiteral("The user table could not be read"));
        if (!q.next()) {
            // Spend the same effort as for a known name, so timing does not tell names apart.
            static const QString dummy = hashPassword(QStringLiteral("no such user"));
            verifyPassword(dummy, password);
            qCInfo(lcComponents) << "log-in refused: unknown user name";
            return result;
        }
        const QString storedName = q.value(0).toString();
        const QString fullName = q.value(1).toString();
        const QString hash = q.value(2).toString();
        const QStringList modules = parseModules(q.value(3).toString());
        const QDateTime lockedUntil = parseUtc(q.value(4));
        const bool active = q.value(5).isNull() || q.value(5).toInt() != 0;
        q.finish();

        if (!reserved) {
            // The name is known, so the lock (set by other attempts) refused this one uncounted.
            result.outcome = LogInResult::Outcome::Locked;
            result.message = QStringLiteral("This account is locked after too many failed log-in "
                                            "attempts. Try again after %1.")
                                 .arg(lockedUntil.isValid()
                                          ? lockedUntil.toLocalTime().toString(QStringLiteral("hh:mm"))
                                          : QStringLiteral("a while"));
            qCInfo(lcComponents) << "log-in refused: account locked" << storedName;
            return result;
        }

        if (!verifyPassword(hash, password)) {
            qCInfo(lcComponents) << "log-in refused: wrong password for" << storedName;
            return result; // stays counted
        }

        QSqlQuery reset(m_db);
        reset.prepare(QStringLiteral("UPDATE %1 SET FailedAttempts = 0, LockedUntil = NULL "
                                     "WHERE UserName = ?")
                          .arg(table()));
        reset.addBindValue(storedName);
        if (!reset.exec())
            fail(reset, QStringLiteral("The log-in could not be recorded"));

        result.userName = storedName;
        result.fullName = fullName;
        if (!active) {
            result.outcome = LogInResult::Outcome::Inactive;
            result.message = QStringLiteral("This account has been disabled. Ask the system "
                                            "administrator.");
            return result;
        }
        if (!modules.contains(moduleCode.trimmed().toUpper())) {
            result.outcome = LogInResult::Outcome::NoModuleAccess;
            result.message = QStringLiteral("You have no access to this module (%1). Ask the system "
                                            "administrator for access.")
                                 .arg(moduleCode.trimmed().toUpper());
            return result;
        }
        result.outcome = LogInResult::Outcome::Accepted;
        result.message.clear();
        qCInfo(lcComponents) << "log-in accepted:" << storedName;
        return result;
    } catch (const std::exception& e) {
        qCWarning(lcComponents) << "log-in refused: the user table failed:" << e.what();
        LogInResult refused;
        refused.message = generic();
        return refused;
    }
}

bool UserStore::userExists(const QString& userName)
{
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("SELECT 1 FROM %1 WHERE UserName = ?").arg(table()));
    q.addBindValue(userName.trimmed());
    if (!q.exec())
        fail(q, QStringLiteral("The user table could not be read"));
    return q.next();
}

void UserStore::requireUser(const QString& userName)
{
    if (!userExists(userName))
        throw std::runtime_error(QStringLiteral("There is no user \"%1\".").arg(userName).toStdString());
}

void UserStore::addUser(const QString& userName, const QString& fullName,
                        const QStringList& modules, const QString& password)
{
    const QString name = userName.trimmed();
    if (name.isEmpty())
        throw std::runtime_error("A user name is required.");
    if (password.isEmpty())
        throw std::runtime_error("An empty password is not allowed.");
    if (userExists(name))
        throw std::runtime_error(QStringLiteral("The user \"%1\" already exists.").arg(name).toStdString());
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("INSERT INTO %1 (UserName, FullName, PasswordHash, Modules, "
                             "FailedAttempts, LockedUntil, Active) VALUES (?, ?, ?, ?, 0, NULL, 1)")
                  .arg(table()));
    q.addBindValue(name);
    q.addBindValue(fullName.trimmed());
    q.addBindValue(hashPassword(password));
    q.addBindValue(parseModules(modules.join(QLatin1Char(','))).join(QLatin1Char(',')));
    if (!q.exec())
        fail(q, QStringLiteral("The user \"%1\" could not be added").arg(name));
}

void UserStore::setPassword(const QString& userName, const QString& password)
{
    if (password.isEmpty())
        throw std::runtime_error("An empty password is not allowed.");
    requireUser(userName);
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("UPDATE %1 SET PasswordHash = ?, FailedAttempts = 0, LockedUntil = NULL "
                             "WHERE UserName = ?")
                  .arg(table()));
    q.addBindValue(hashPassword(password));
    q.addBindValue(userName.trimmed());
    if (!q.exec())
        fail(q, QStringLiteral("The password of \"%1\" could not be set").arg(userName));
}

void UserStore::unlock(const QString& userName)
{
    requireUser(userName);
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("UPDATE %1 SET FailedAttempts = 0, LockedUntil = NULL WHERE UserName = ?")
                  .arg(table()));
    q.addBindValue(userName.trimmed());
    if (!q.exec())
        fail(q, QStringLiteral("The user \"%1\" could not be unlocked").arg(userName));
}

std::vector<UserRecord> UserStore::users()
{
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("SELECT UserName, FullName, Modules, FailedAttempts, LockedUntil, "
                               "Active FROM %1 ORDER BY UserName")
                    .arg(table())))
        fail(q, QStringLiteral("The user table could not be read"));
    std::vector<UserRecord> list;
    while (q.next()) {
        UserRecord r;
        r.userName = q.value(0).toString();
        r.fullName = q.value(1).toString();
        r.modules = parseModules(q.value(2).toString());
        r.failedAttempts = q.value(3).toInt();
        r.lockedUntil = parseUtc(q.value(4));
        r.active = q.value(5).isNull() || q.value(5).toInt() != 0;
        list.push_back(r);
    }
    return list;
}

} // namespace tarvik::hospital
