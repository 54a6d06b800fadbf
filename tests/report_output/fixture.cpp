#include "fixture.h"

#include "DataFolder.h"
#include "HospitalDb.h"
#include "Session.h"
#include "TestSession.h"

#include <stdexcept>

namespace outputtest {

QStringList query(const QString& folder, const QString& sql)
{
    return tarvik::testsupport::queryColumn(folder, sql);
}

Session::Session(int examinations)
{
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
    m_folder = m_dir.path();
    tarvik::hospitaldb::createDatabases(m_folder);

    QStringList sql{
        QStringLiteral("INSERT INTO Patient_data.tbHospitalInfo (Company, Address1, MTSServerName) "
                       "VALUES ('Test General Hospital', '12 Test Street, Testville', 'localhost')"),
    };
    const char* departments[][3] = {
        {"LB", "Laboratory", "CLINICAL"},   {"XR", "X-Ray", "CLINICAL"},
        {"US", "Ultrasound", "CLINICAL"},   {"CT", "CT Scan", "CLINICAL"},
        {"PT", "Physical Therapy", "CLINICAL"}, {"PA", "RTS", "CLINICAL"},
        {"AP", "Apparatus", "CLINICAL"},    {"OR", "Operating Room", "CLINICAL"},
        {"MC", "Medical Care", "CLINICAL"}, {"MH", "Hemodialysis", "CLINICAL"},
        {"MI", "Minor Surgery", "CLINICAL"},
    };
    for (const auto& d : departments)
        sql << QStringLiteral("INSERT INTO Patient_data.tbDepartment (DeptCode, DeptName, DeptGroup, HasLogbook) "
                              "VALUES ('%1', '%2', '%3', 1)").arg(QLatin1String(d[0]), QLatin1String(d[1]), QLatin1String(d[2]));
    const char* depts[][2] = {{"LB", "Laboratory"}, {"XR", "X-Ray"}, {"US", "Ultrasound"}};
    const char* items[] = {"Complete blood count", "Chest PA view", "Whole abdomen", "Urinalysis", "Lipid profile"};
    for (int i = 0; i < examinations; ++i) {
        const auto& d = depts[i % 3];
        sql << QStringLiteral(
                   "INSERT INTO Reports.tbRepExamination (ExamNo, DeptCode, DeptName, ExamDate, PerformedAt, "
                   "EncounterType, EncounterNo, HospitalNo, PatientName, Sex, Age, ItemCode, ItemDescription, "
                   "RequestedByName, ReaderName, PerformedBy, Qty, Status, Amount) VALUES "
                   "(%1, '%2', '%3', '2024-01-%4', '2024-01-%4 09:00:00', '%5', 'E%1', 'H%6', 'Patient %6', "
                   "'F', %7, 'I%8', '%9', 'Dr. Cruz', 'Dr. Reyes', 'Tech', 1, 'RELEASED', %10)")
                   .arg(i + 1)
                   .arg(QLatin1String(d[0]), QLatin1String(d[1]))
                   .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                   .arg(i % 2 ? QStringLiteral("I") : QStringLiteral("O"))
                   .arg(1000 + i)
                   .arg(20 + i % 50)
                   .arg(i % 5)
                   .arg(QLatin1String(items[i % 5]))
                   .arg(15000 + 500 * (i % 7));
    }
    exec(m_folder, sql);

    tarvik::testsupport::logInTester(m_folder);
    tarvik::gReportPath = QStringLiteral(TARVIK_OUTPUT_TEST_DATA);
}

Session::~Session()
{
    tarvik::testsupport::closeReportWindows();
    tarvik::gCurrentUser.reset();
}

QString dataFile(const QString& name)
{
    return QStringLiteral(TARVIK_OUTPUT_TEST_DATA "/") + name;
}

QString sourceReports()
{
    return QStringLiteral(TARVIK_SOURCE_REPORTS);
}

} // namespace outputtest
