#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

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
void exec(const QString& folder, const QStringList& statements);

QString dataFile(const QString& name);    // tests/report_output/data/<name>
QString sourceReports();                  // the program's REPORTS folder in the source tree

// Calls `act` on the first modal dialog that opens within `ms` (from a timer, since the
// modal loop blocks the test). fired() tells whether it ran.
class ModalHandler
{
public:
    ModalHandler(std::function<void(QDialog*)> act, int ms = 5000);
    ~ModalHandler();
    bool fired() const { return *m_fired; }

private:
    std::shared_ptr<bool> m_fired;
    std::shared_ptr<bool> m_alive;
};

// pdftotext -layout of a PDF.
QString pdfText(const QString& pdf);

} // namespace outputtest
