#include "Startup.h"

#include "RunHistory.h"

#include "Session.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QMessageBox>

Q_LOGGING_CATEGORY(lcStartup, "tarvik.app")

namespace tarvik {

namespace {

const QString kStartupQuery =
    QStringLiteral("Select *, GetDate() as CurDate From Patient_data..tbHospitalInfo");

void showFailure(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kProgramTitle), text,
                    QMessageBox::Ok);
    box.setObjectName(QStringLiteral("msgStartupFailure"));
    box.exec();
}

} // namespace

void createComponents()
{
    gCurrentUser = std::make_unique<hospital::clsCurrentUser>();
    gCodeSearch = std::make_unique<hospital::clsCodeSearch>();
    gPatientSearch = std::make_unique<hospital::clsPatientSearch>();
    gCurrentUser->setPasswordDeptCode(QString::fromLatin1(kModuleDeptCode));
}

bool startSession()
{
    if (!gCurrentUser || !gCurrentUser->Connected())
        throw std::runtime_error("Nobody is logged in: the session cannot start.");
    db::Connection* connection = gCurrentUser->SqlConnection();
    connection->setCommandTimeout(0);

    {
        db::RecordsetPtr rs = connection->execute(kStartupQuery);
        if (!rs)
            throw std::runtime_error("The hospital's information could not be read.");
        if (rs->eof())
            throw std::runtime_error("The hospital's information (tbHospitalInfo) is empty.");
        gCompanyName = rs->field(QStringLiteral("Company")).toString();
        gCompanyAddress = rs->field(QStringLiteral("Address1")).toString();
        gServerDate = serverDateFromField(rs->field(QStringLiteral("CurDate")));
        gMTSServerName = rs->field(QStringLiteral("MTSServerName")).toString();
    }

    setDepartmentCodes();

    gCodeSearch->setMTS_Server(gMTSServerName);
    gCodeSearch->setSearchMode(true);
    gCodeSearch->Initialize_Classes();
    gCodeSearch->setConnection(gCurrentUser->SqlConnection());
    gCodeSearch->setCompanyName(gCompanyName);

    gConnectionString = gCurrentUser->SqlConnection()->connectionString();

    if (!gPatientSearch->InitConnection(gConnectionString, gMTSServerName))
        return false;
    gPatientClass = gPatientSearch->PatientClass();
    gAdmission = gPatientSearch->Admission();

    gReportPath = reportPathForProgram();
    // Old rows go at log-in; a history that cannot be opened is logged, never a refused start.
    if (connection->info().backend == db::ConnectionInfo::Backend::Embedded)
        db::openSessionHistory(connection->info());
    return true;
}

StartupResult Main(const FrameLoader& loadFrame)
{
    StartupResult result;
    try {
        createComponents();
        gCurrentUser->ShowMain();
        if (!gCurrentUser->Connected()) {
            // Nothing went wrong, but an empty box would puzzle the user.
            result.outcome = StartupOutcome::LogInNotCompleted;
            result.message = QStringLiteral("Log-in was cancelled.");
            showFailure(result.message);
            return result;
        }

        // Let the log-in window disappear before the work goes on.
        QCoreApplication::processEvents();

        if (!startSession()) {
            qCWarning(lcStartup) << "the patient search refused the connection; ending";
            result.outcome = StartupOutcome::PatientSearchRefused;
            return result;
        }

        result.frame = loadFrame();
        result.frame->show();
        result.outcome = StartupOutcome::FrameShown;
        return result;
    } catch (const std::exception& e) {
        result.frame.reset();
        result.outcome = StartupOutcome::Failed;
        result.message = QString::fromUtf8(e.what());
    } catch (...) {
        result.frame.reset();
        result.outcome = StartupOutcome::Failed;
        result.message = QStringLiteral("An unexpected error stopped the program.");
    }
    qCWarning(lcStartup) << "start-up failed:" << result.message;
    showFailure(result.message);
    return result;
}

int exitStatus(StartupOutcome outcome)
{
    switch (outcome) {
    case StartupOutcome::FrameShown:
        return 0;
    case StartupOutcome::LogInNotCompleted:
        return 1;
    case StartupOutcome::Failed:
        return 2;
    case StartupOutcome::PatientSearchRefused:
        return 3;
    }
    return 2;
}

} // namespace tarvik
