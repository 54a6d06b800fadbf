#include "fixture.h"

#include "HospitalDb.h"
#include "ReportOperations.h"
#include "Session.h"
#include "UserStore.h"
#include "frmAnimate.h"

#include <QApplication>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QPointer>
#include <QTimer>
#include <QUuid>
#include <stdexcept>

namespace outputtest {

namespace {

template <typename F>
void withDatabase(const QString& folder, F&& f)
{
    const QString name = QStringLiteral("outputtest-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        if (!db.open())
            throw std::runtime_error("cannot open an in-memory database");
        QSqlQuery attach(db);
        for (const char* schema : {"Patient_data", "Reports", "BILLING"}) {
            const QString sql = QStringLiteral("ATTACH DATABASE '%1/%2.sqlite' AS %2").arg(folder, QLatin1String(schema));
            if (!attach.exec(sql))
                throw std::runtime_error(attach.lastError().text().toStdString());
        }
        f(db);
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

void exec(const QString& folder, const QStringList& statements)
{
    withDatabase(folder, [&](QSqlDatabase& db) {
        db.transaction();
        QSqlQuery q(db);
        for (const QString& sql : statements) {
            if (!q.exec(sql))
                throw std::runtime_error((sql + QStringLiteral(": ") + q.lastError().text()).toStdString());
        }
        db.commit();
    });
}

QStringList query(const QString& folder, const QString& sql)
{
    QStringList out;
    withDatabase(folder, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        if (!q.exec(sql))
            throw std::runtime_error((sql + QStringLiteral(": ") + q.lastError().text()).toStdString());
        while (q.next())
            out << q.value(0).toString();
    });
    return out;
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

    const tarvik::db::ConnectionInfo info = tarvik::db::ConnectionInfo::embedded(m_folder);
    {
        tarvik::hospital::UserStore users(info);
        users.addUser(QStringLiteral("tester"), QStringLiteral("Test Accountant"), {QStringLiteral("RP")},
                      QStringLiteral("secret"));
    }
    tarvik::gCurrentUser = std::make_unique<tarvik::hospital::clsCurrentUser>();
    tarvik::gCurrentUser->setPasswordDeptCode(QStringLiteral("RP"));
    tarvik::gCurrentUser->setConnectionInfo(info);
    const QString refused = tarvik::gCurrentUser->LogIn(QStringLiteral("tester"), QStringLiteral("secret"));
    if (!refused.isEmpty())
        throw std::runtime_error(refused.toStdString());
    tarvik::gCurrentUser->SqlConnection()->setCommandTimeout(0);
    tarvik::gCompanyName = QStringLiteral("Test General Hospital");
    tarvik::gCompanyAddress = QStringLiteral("12 Test Street, Testville");
    tarvik::gReportPath = QStringLiteral(TARVIK_OUTPUT_TEST_DATA);
}

Session::~Session()
{
    tarvik::gReport.reset();
    tarvik::frmAnimate::Unload();
    for (QWidget* w : QApplication::topLevelWidgets())
        w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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

ModalHandler::ModalHandler(std::function<void(QDialog*)> act, int ms)
    : m_fired(std::make_shared<bool>(false)), m_alive(std::make_shared<bool>(true))
{
    auto fired = m_fired;
    auto alive = m_alive;
    auto* timer = new QTimer;
    timer->setInterval(20);
    auto elapsed = std::make_shared<qint64>(0);
    auto handled = std::make_shared<QList<QPointer<QDialog>>>();
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        *elapsed += 20;
        if (!*alive || *elapsed > ms) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        // Every modal dialog that opens is handed over once, so that an unexpected one (an
        // error message) cannot leave the test waiting for ever.
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            if (handled->contains(dialog))
                return;
            handled->append(dialog);
            *fired = true;
            act(dialog);
        }
    });
    timer->start();
}

ModalHandler::~ModalHandler()
{
    *m_alive = false;
}

QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace outputtest
