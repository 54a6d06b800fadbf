#include "DataLocation.h"

#include "OdbcConnectionString.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace tarvik::hospital {

using tarvik::db::ConnectionInfo;

QString demoDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/tarvik/demo");
}

ConnectionInfo configuredConnectionInfo()
{
    const QString fromEnvironment = qEnvironmentVariable("TARVIK_DATA_DIR");
    if (!fromEnvironment.isEmpty())
        return ConnectionInfo::embedded(QDir::cleanPath(fromEnvironment));

    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tarvik"),
                       QStringLiteral("components"));
    const QString odbc = settings.value(QStringLiteral("Database/OdbcConnection")).toString().trimmed();
    if (!odbc.isEmpty())
        return ConnectionInfo::odbc(odbc);
    const QString folder = settings.value(QStringLiteral("Database/DataFolder")).toString().trimmed();
    if (!folder.isEmpty())
        return ConnectionInfo::embedded(QDir::cleanPath(folder));

    return ConnectionInfo::embedded(demoDataFolder());
}

QString connectionStringValue(const QString& connectionString, const QString& key)
{
    // Values in braces may hold ";" (a password often does): read as the driver manager reads them.
    return tarvik::db::connectionStringValue(connectionString, key);
}

QString describeLocation(const ConnectionInfo& info)
{
    switch (info.backend) {
    case ConnectionInfo::Backend::Embedded:
        return QStringLiteral("Data folder: %1").arg(QDir::toNativeSeparators(info.dataFolder));
    case ConnectionInfo::Backend::Odbc: {
        QString server = connectionStringValue(info.odbcConnection, QStringLiteral("SERVER"));
        if (server.isEmpty())
            server = connectionStringValue(info.odbcConnection, QStringLiteral("DSN"));
        return QStringLiteral("Database server: %1").arg(server);
    }
    }
    return {};
}

} // namespace tarvik::hospital
