#pragma once

#include <QString>
#include <memory>

namespace tarvik::hospital {

// Patient records and admissions as the patient-search component offers them: this module
// keeps them for the run without reading them.
class PatientClass
{
public:
    explicit PatientClass(QString connectionString) : m_connectionString(std::move(connectionString)) {}
    QString connectionString() const { return m_connectionString; }

private:
    QString m_connectionString;
};

class Admission
{
public:
    explicit Admission(QString connectionString) : m_connectionString(std::move(connectionString)) {}
    QString connectionString() const { return m_connectionString; }

private:
    QString m_connectionString;
};

class clsPatientSearch
{
public:
    // True when the connection string opens the databases; then PatientClass and Admission
    // are available. The arguments are references as the component's callers pass them.
    bool InitConnection(QString& connectionString, QString& mtsServerName);

    std::shared_ptr<tarvik::hospital::PatientClass> PatientClass() const { return m_patientClass; }
    std::shared_ptr<tarvik::hospital::Admission> Admission() const { return m_admission; }
    QString mtsServerName() const { return m_mtsServerName; }

private:
    std::shared_ptr<tarvik::hospital::PatientClass> m_patientClass;
    std::shared_ptr<tarvik::hospital::Admission> m_admission;
    QString m_mtsServerName;
};

} // namespace tarvik::hospital
