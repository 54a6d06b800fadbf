#pragma once

// A throw-away data folder with the three hospital databases, empty, with the users added
// through the real user store.

#include "ConnectionInfo.h"
#include "HospitalDb.h"
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
        tarvik::hospitaldb::createDatabases(folder);
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

    void run(const QStringList& statements)
    {
        const QString name = QStringLiteral("fixture-%1").arg(++s_counter);
        {
            QSqlDatabase db = tarvik::db::openDatabase(m_info, name);
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
