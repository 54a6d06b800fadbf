#pragma once

#include "Connection.h"

#include <QString>

namespace tarvik::hospital {

// The code-search component: this module only hands it the session's settings.
class clsCodeSearch
{
public:
    void setMTS_Server(const QString& server) { m_mtsServer = server; }
    void setSearchMode(bool on) { m_searchMode = on; }
    void Initialize_Classes();
    void setConnection(tarvik::db::Connection* connection) { m_connection = connection; }
    void setCompanyName(const QString& name) { m_companyName = name; }

    QString MTS_Server() const { return m_mtsServer; }
    bool SearchMode() const { return m_searchMode; }
    bool initialized() const { return m_initialized; }
    tarvik::db::Connection* Connection() const { return m_connection; }
    QString CompanyName() const { return m_companyName; }

private:
    QString m_mtsServer;
    bool m_searchMode = false;
    bool m_initialized = false;
    tarvik::db::Connection* m_connection = nullptr; // the session's, not owned
    QString m_companyName;
};

} // namespace tarvik::hospital
