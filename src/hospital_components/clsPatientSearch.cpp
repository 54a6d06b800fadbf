#include "clsPatientSearch.h"

#include "ConnectionInfo.h"
#include "Logging.h"

#include <QAtomicInt>
#include <QSqlDatabase>

namespace tarvik::hospital {

bool clsPatientSearch::InitConnection(QString& connectionString, QString& mtsServerName)
{
    m_patientClass.reset();
    m_admission.reset();
    if (connectionString.trimmed().isEmpty())
        return false;

    static QAtomicInt counter;
    const QString name = QStringLiteral("tarvik-patient-search-%1").arg(counter.fetchAndAddRelaxed(1));
    bool opened = false;
    try {
        QSqlDatabase db = tarvik::db::openDatabase(
            tarvik::db::ConnectionInfo::fromConnectionString(connectionString), name);
        opened = db.isOpen();
        db.close();
    } catch (const std::exception& e) {
        qCWarning(lcComponents) << "patient search could not connect:" << e.what();
    }
    QSqlDatabase::removeDatabase(name);
    if (!opened)
        return false;

    m_mtsServerName = mtsServerName;
    m_patientClass = std::make_shared<tarvik::hospital::PatientClass>(connectionString);
    m_admission = std::make_shared<tarvik::hospital::Admission>(connectionString);
    return true;
}

} // namespace tarvik::hospital
