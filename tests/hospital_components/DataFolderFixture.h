#pragma once

// A throw-away data folder with the three databases and the tables the log-in and start-up
// read (the users and the hospital's information), filled through the real user store.

#include "ConnectionInfo.h"
#include "UserStore.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <stdexcept>

namespace tarvik::testing {

class DataFolderFixture
{
public:
    explicit DataFolderFixture(const QString& folder) : m_info(tarvik::db::ConnectionInfo::embedded(folder))
    {
        run({QStringLiteral("CREATE TABLE IF NOT EXISTS Patient_data.tbHospitalInfo (Company TEXT, "
                            "Address1 TEXT, Address2 TEXT, City TEXT, Province TEXT, ZipCode TEXT, "
                            "Phone TEXT, Fax TEXT, TIN TEXT, MTSServerName TEXT)"),
             QStringLiteral("CREATE TABLE IF NOT EXISTS Patient_data.tbUsers (UserName TEXT PRIMARY KEY "
                            "COLLATE NOCASE, FullName TEXT NOT NULL, PasswordHash TEXT NOT NULL, "
                            "Modules TEXT NOT NULL DEFAULT '', FailedAttempts INTEGER NOT NULL DEFAULT 0, "
                            "LockedUntil TEXT, Active INTEGER NOT NULL DEFAULT 1)")},
            true);
    }

    const tarvik::db::ConnectionInfo& info() const { return m_info; }
    QString folder() const { return m_info.dataFolder; }

    void addUser(const QString& name, const QString& fullName, const QString& modules,
                 const QString& password)
    {
        tarvik::hospital::UserStore store(m_info);
        store.addUser(name, fullName, tarvik::hospital::UserStore::parseModules(modules), password);
    }

    void addHospital(const QString& company, const QString& address1, const QString& mtsServer)
    {
        run({QStringLiteral("INSERT INTO Patient_data.tbHospitalInfo (Company, Address1, City, "
                            "MTSServerName) VALUES ('%1', '%2', 'Tarvik', '%3')")
                 .arg(company, address1, mtsServer)});
    }

    void run(const QStringList& statements, bool create = false)
    {
        const QString name = QStringLiteral("fixture-%1").arg(++s_counter);
        {
            QSqlDatabase db = tarvik::db::openDatabase(m_info, name, create);
            for (const QString& sql : statements) {
                QSqlQuery q(db);
                if (!q.exec(sql))
                    throw std::runtime_error((sql + QStringLiteral(": ") + q.lastError().text()).toStdString());
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }

private:
    static inline int s_counter = 0;
    tarvik::db::ConnectionInfo m_info;
};

} // namespace tarvik::testing
