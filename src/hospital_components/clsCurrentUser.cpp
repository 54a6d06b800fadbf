#include "clsCurrentUser.h"

#include "DataLocation.h"
#include "DbError.h"
#include "Logging.h"
#include "OdbcConnectionString.h"
#include "UserStore.h"
#include "frmLogIn.h"

namespace tarvik::hospital {

using tarvik::db::ConnectionInfo;

clsCurrentUser::clsCurrentUser() = default;
clsCurrentUser::~clsCurrentUser()
{
    // The session ends with this component: its connection string is nobody's log-on any more.
    if (m_connection && m_connection->info().backend == ConnectionInfo::Backend::Odbc &&
        tarvik::db::sessionOdbcConnection() == m_connection->info().odbcConnection)
        tarvik::db::setSessionOdbcConnection({});
}

ConnectionInfo clsCurrentUser::connectionInfo() const
{
    return m_info ? *m_info : configuredConnectionInfo();
}

void clsCurrentUser::ShowMain()
{
    if (Connected())
        return; // one session per run
    frmLogIn dialog(*this);
    dialog.exec();
}

QString clsCurrentUser::LogIn(const QString& userName, const QString& password)
{
    m_lastStatus = LogInStatus::Refused;
    if (Connected())
        return QStringLiteral("A user is already logged in.");
    if (userName.trimmed().isEmpty())
        return QStringLiteral("Enter your user name and password.");

    const ConnectionInfo info = connectionInfo();
    try {
        LogInResult result;
        {
            UserStore store(info);
            result = store.authenticate(userName, password, m_deptCode);
        }
        if (!result.accepted())
            return result.message;

        auto connection = tarvik::db::Connection::open(info);
        if (!connection->isOpen()) {
            m_lastStatus = LogInStatus::Failed;
            return QStringLiteral("The database connection could not be opened (%1).")
                .arg(describeLocation(info));
        }
        m_connection = std::move(connection);
        // Report tables log on to this server through the session's own connection string.
        if (info.backend == ConnectionInfo::Backend::Odbc)
            tarvik::db::setSessionOdbcConnection(info.odbcConnection);
        m_userName = result.userName;
        m_fullName = result.fullName;
        m_lastStatus = LogInStatus::LoggedIn;
        return {};
    } catch (const tarvik::db::DbError& e) {
        qCWarning(lcComponents) << "log-in failed:" << e.what();
        if (e.kind() == tarvik::db::DbError::Kind::Busy) {
            m_lastStatus = LogInStatus::Busy;
            QString text = tarvik::db::busyDatabaseText();
            text[0] = text[0].toUpper();
            return text + QLatin1Char('.');
        }
        m_lastStatus = LogInStatus::Failed;
        return QStringLiteral("The database could not be opened. %1").arg(e.message());
    } catch (const std::exception& e) {
        qCWarning(lcComponents) << "log-in failed:" << e.what();
        m_lastStatus = LogInStatus::Failed;
        return QStringLiteral("The database could not be opened. %1").arg(QString::fromUtf8(e.what()));
    }
}

bool clsCurrentUser::Connected() const
{
    return m_connection && m_connection->isOpen();
}

QString clsCurrentUser::ServerName() const
{
    if (!m_connection)
        return {};
    const ConnectionInfo& info = m_connection->info();
    switch (info.backend) {
    case ConnectionInfo::Backend::Embedded:
        return info.dataFolder;
    case ConnectionInfo::Backend::Odbc:
        return tarvik::db::connectionServerName(info.odbcConnection);
    }
    return {};
}

QString clsCurrentUser::userid() const
{
    if (!m_connection)
        return {};
    const ConnectionInfo& info = m_connection->info();
    switch (info.backend) {
    case ConnectionInfo::Backend::Embedded:
        return m_userName;
    case ConnectionInfo::Backend::Odbc:
        return connectionStringValue(info.odbcConnection, QStringLiteral("UID"));
    }
    return {};
}

QString clsCurrentUser::serverpassword() const
{
    if (!m_connection)
        return {};
    const ConnectionInfo& info = m_connection->info();
    switch (info.backend) {
    case ConnectionInfo::Backend::Embedded:
        return {};
    case ConnectionInfo::Backend::Odbc:
        return connectionStringValue(info.odbcConnection, QStringLiteral("PWD"));
    }
    return {};
}

} // namespace tarvik::hospital
