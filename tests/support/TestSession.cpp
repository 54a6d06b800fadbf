#include "TestSession.h"

#include "ConnectionInfo.h"
#include "DataFolder.h"
#include "ReportOperations.h"
#include "Session.h"
#include "UserStore.h"
#include "frmAnimate.h"

#include <QApplication>
#include <stdexcept>

namespace tarvik::testsupport {

void logInTester(const QString& dataFolder)
{
    const auto info = tarvik::db::ConnectionInfo::embedded(dataFolder);
    const QVariantList users =
        queryRow(dataFolder, QStringLiteral("SELECT COUNT(*) FROM Patient_data.tbUsers WHERE UserName = 'tester'"));
    if (users.value(0).toInt() == 0) {
        tarvik::hospital::UserStore store(info);
        store.addUser(QStringLiteral("tester"), QStringLiteral("Test Accountant"), {QStringLiteral("RP")},
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
}

void closeReportWindows()
{
    tarvik::gReport.reset();
    tarvik::frmAnimate::Unload();
    for (QWidget* w : QApplication::topLevelWidgets())
        w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace tarvik::testsupport
