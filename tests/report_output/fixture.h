#pragma once

#include "DataFolder.h"
#include "ModalHandler.h"
#include "PrintedPdf.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace outputtest {

// A logged-in session on a fresh data folder: the three databases, a user allowed into the
// reports module, the hospital's name and address, departments, and `examinations` rows in
// Reports.tbRepExamination (laboratory, X-ray and ultrasound, January 2024). gCurrentUser,
// gCompanyName, gCompanyAddress and gReportPath (this folder's data/) are set.
class Session
{
public:
    explicit Session(int examinations = 0);
    ~Session();
    QString folder() const { return m_folder; }

private:
    QTemporaryDir m_dir;
    QString m_folder;
};

// Runs SQL on the session's data folder; returns the first column of each row.
QStringList query(const QString& folder, const QString& sql);
using tarvik::testsupport::exec;

QString dataFile(const QString& name);    // tests/report_output/data/<name>
QString sourceReports();                  // the program's REPORTS folder in the source tree

// Answers each modal dialog that opens within `ms` (default half a minute).
using ModalHandler = tarvik::testsupport::ModalHandler<QDialog>;
using tarvik::testsupport::pdfText;

} // namespace outputtest
