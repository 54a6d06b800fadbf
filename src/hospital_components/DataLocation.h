#pragma once

#include "ConnectionInfo.h"

#include <QString>

namespace tarvik::hospital {

// Where the hospital's databases are, in this order of precedence:
//  1. the environment variable TARVIK_DATA_DIR (a data folder);
//  2. the components' settings file (~/.config/tarvik/components.ini), key
//     Database/OdbcConnection (a server) or else Database/DataFolder;
//  3. the demo data folder, <GenericDataLocation>/tarvik/demo.
tarvik::db::ConnectionInfo configuredConnectionInfo();

// The demo data folder (created by scripts/run.sh with tarvik-demo-db when absent).
QString demoDataFolder();

// A line for the log-in window saying where the data comes from, without any password.
QString describeLocation(const tarvik::db::ConnectionInfo& info);

// One key of an ODBC connection string ("UID", "PWD", "SERVER", "DSN"), matched
// case-insensitively; empty when absent. Values in braces lose their braces ("}}" is "}").
QString connectionStringValue(const QString& connectionString, const QString& key);

} // namespace tarvik::hospital
