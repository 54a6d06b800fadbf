#include "Session.h"

#include "RunHistory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <stdexcept>

namespace tarvik {

std::unique_ptr<hospital::clsCurrentUser> gCurrentUser;
std::unique_ptr<hospital::clsCodeSearch> gCodeSearch;
std::unique_ptr<hospital::clsPatientSearch> gPatientSearch;
std::shared_ptr<hospital::PatientClass> gPatientClass;
std::shared_ptr<hospital::Admission> gAdmission;

QString gCompanyName;
QString gCompanyAddress;
QDateTime gServerDate;
QString gMTSServerName;
QString gConnectionString;
QString gReportPath;

QString gDeptRA, gDeptNR, gDeptRR, gDeptXRay, gDeptLaboratory, gDeptPhysicalTherapy,
    gDeptUltrasound, gDeptS8, gDeptS9, gDeptS6, gDeptS2, gDeptS7, gDeptS3, gDeptS5, gDeptS1,
    gDeptPH, gDeptPC, gDeptCC, gDeptCS, gDeptRTS, gDeptCTScan, gDeptMD, gDeptApparatus;

void setDepartmentCodes()
{
    gDeptRA = QStringLiteral("RA");
    gDeptNR = QStringLiteral("NR");
    gDeptRR = QStringLiteral("RR");
    gDeptXRay = QStringLiteral("XR");
    gDeptLaboratory = QStringLiteral("LB");
    gDeptPhysicalTherapy = QStringLiteral("PT");
    gDeptUltrasound = QStringLiteral("US");
    gDeptS8 = QStringLiteral("S8");
    gDeptS9 = QStringLiteral("S9");
    gDeptS6 = QStringLiteral("S6");
    gDeptS2 = QStringLiteral("S2");
    gDeptS7 = QStringLiteral("S7");
    gDeptS3 = QStringLiteral("S3");
    gDeptS5 = QStringLiteral("S5");
    gDeptS1 = QStringLiteral("S1");
    gDeptPH = QStringLiteral("PH");
    gDeptPC = QStringLiteral("PC");
    gDeptCC = QStringLiteral("CC");
    gDeptCS = QStringLiteral("CS");
    gDeptRTS = QStringLiteral("PA");
    gDeptCTScan = QStringLiteral("CT");
    gDeptMD = QStringLiteral("MD");
    gDeptApparatus = QStringLiteral("AP");
}

QString programFile(const QString& name, const QString& programFolder)
{
    const QString beside = programFolder + u'/' + name;
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = QDir::cleanPath(programFolder + QStringLiteral("/" TARVIK_DATA_FROM_BIN "/") + name);
    return QFileInfo::exists(installed) ? installed : beside;
}

QString programFile(const QString& name)
{
    return programFile(name, QCoreApplication::applicationDirPath());
}

QString reportPathForProgram()
{
    return programFile(QStringLiteral("REPORTS"));
}

QDateTime serverDateFromField(const QVariant& value)
{
    if (value.isNull())
        throw std::runtime_error("The database server did not tell its date.");
    if (value.metaType().id() == QMetaType::QDateTime)
        return value.toDateTime();
    if (value.metaType().id() == QMetaType::QDate)
        return value.toDate().startOfDay();
    const QString text = value.toString().trimmed();
    for (const QString& format : {QStringLiteral("yyyy-MM-dd HH:mm:ss"),
                                  QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"),
                                  QStringLiteral("yyyy-MM-ddTHH:mm:ss"),
                                  QStringLiteral("yyyy-MM-dd")}) {
        const QDateTime t = QDateTime::fromString(text, format);
        if (t.isValid())
            return t;
    }
    throw std::runtime_error(
        QStringLiteral("The database server's date \"%1\" could not be read.").arg(text).toStdString());
}

void clearSession()
{
    db::closeSessionHistory();
    gCurrentUser.reset();
    gCodeSearch.reset();
    gPatientSearch.reset();
    gPatientClass.reset();
    gAdmission.reset();
    gCompanyName.clear();
    gCompanyAddress.clear();
    gServerDate = {};
    gMTSServerName.clear();
    gConnectionString.clear();
    gReportPath.clear();
    for (QString* code : {&gDeptRA, &gDeptNR, &gDeptRR, &gDeptXRay, &gDeptLaboratory,
                          &gDeptPhysicalTherapy, &gDeptUltrasound, &gDeptS8, &gDeptS9, &gDeptS6,
                          &gDeptS2, &gDeptS7, &gDeptS3, &gDeptS5, &gDeptS1, &gDeptPH, &gDeptPC,
                          &gDeptCC, &gDeptCS, &gDeptRTS, &gDeptCTScan, &gDeptMD, &gDeptApparatus})
        code->clear();
}

} // namespace tarvik
