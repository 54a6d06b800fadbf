#pragma once

#include "clsCodeSearch.h"
#include "clsCurrentUser.h"
#include "clsPatientSearch.h"

#include <QDateTime>
#include <QString>
#include <memory>

// The session values: set once by Main at start-up, read everywhere else for the whole run.
namespace tarvik {

// This module's code in each user's list of modules.
inline constexpr const char* kModuleDeptCode = "RP";
// The title of message boxes that have none of their own.
inline constexpr const char* kProgramTitle = "Tarvik Reports";

extern std::unique_ptr<hospital::clsCurrentUser> gCurrentUser;
extern std::unique_ptr<hospital::clsCodeSearch> gCodeSearch;
extern std::unique_ptr<hospital::clsPatientSearch> gPatientSearch;
extern std::shared_ptr<hospital::PatientClass> gPatientClass;
extern std::shared_ptr<hospital::Admission> gAdmission;

extern QString gCompanyName;     // the hospital's name
extern QString gCompanyAddress;  // its first address line
extern QDateTime gServerDate;    // the database server's clock at log-in, never refreshed
extern QString gMTSServerName;
extern QString gConnectionString;
extern QString gReportPath;      // the program's REPORTS folder (programFile), no trailing separator

// Department codes, as the stored procedures and report definitions know them.
extern QString gDeptRA, gDeptNR, gDeptRR, gDeptXRay, gDeptLaboratory, gDeptPhysicalTherapy,
    gDeptUltrasound, gDeptS8, gDeptS9, gDeptS6, gDeptS2, gDeptS7, gDeptS3, gDeptS5, gDeptS1,
    gDeptPH, gDeptPC, gDeptCC, gDeptCS, gDeptRTS, gDeptCTScan, gDeptMD, gDeptApparatus;

// Assigns the 23 department codes.
void setDepartmentCodes();

// One of the program's own files or folders (REPORTS, Reports.Jpg, FileCopy.gif): beside the
// program, as in a build folder, else where an installation puts them, share/tarvik-reports
// reached from the program's folder (bin/../share/tarvik-reports), so an installed tree works
// wherever its prefix is. When it is in neither place, the path beside the program, for the
// message that it is missing.
QString programFile(const QString& name, const QString& programFolder);
QString programFile(const QString& name);

// The program's REPORTS folder (programFile).
QString reportPathForProgram();

// The server's date and time as the start-up query returns it (a date-time, or a text such
// as "2026-01-31 14:05:00"). Throws std::runtime_error when it is neither.
QDateTime serverDateFromField(const QVariant& value);

// Empties every session value (tests run start-up more than once in one process).
void clearSession();

} // namespace tarvik
