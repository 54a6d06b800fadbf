#pragma once

// A logged-in session on a small demo hospital (three months of data, no month-end summaries),
// the program's report definitions, viewers in a window of the test's own, and the values of
// the report the last run presented.

#include "DataFolder.h"
#include "ModalHandler.h"
#include "PrintedPdf.h"

#include <QDateTime>
#include <QMdiArea>
#include <QString>
#include <QStringList>
#include <memory>

namespace misctest {

// The demo data ends on this day; the session's server date.
inline const QDateTime kServerDate{QDate(2026, 3, 15), QTime(14, 5)};

// Generated once per test program.
QString demoFolder();

class Session
{
public:
    explicit Session(const QString& dataFolder);
    ~Session();

    QStringList trace() const; // the command texts sent so far
    void clearTrace();
    QMdiArea* frame() const { return m_frame.get(); }

private:
    std::unique_ptr<QMdiArea> m_frame;
};

// The report gReport holds: its file name, its parameter values as texts ("MM/dd/yyyy" for
// dates) and, as pdftotext reads it, its pages.
struct PresentedReport
{
    QString file;
    QStringList values;
    QString text;
};
PresentedReport presentedReport();

// Replaces a stored procedure of Reports (to make a command fail on purpose).
void replaceProcedure(const QString& folder, const QString& script);

using tarvik::testsupport::exec;
using tarvik::testsupport::queryColumn;
using tarvik::testsupport::queryRow;

} // namespace misctest
