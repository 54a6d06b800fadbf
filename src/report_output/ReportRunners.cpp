#include "ReportRunners.h"

#include "CommandText.h"
#include "ReportOperations.h"
#include "Session.h"
#include "frmAnimate.h"

#include <QApplication>
#include <QVariantList>
#include <stdexcept>

namespace tarvik {

namespace {

// The wait pointer for the life of the object, restored on the way out of an error too.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { restore(); }
    void restore()
    {
        if (m_on) {
            m_on = false;
            QApplication::restoreOverrideCursor();
        }
    }

private:
    bool m_on = true;
};

db::Connection& sessionConnection()
{
    if (!gCurrentUser || !gCurrentUser->SqlConnection())
        throw std::runtime_error("Nobody is logged in: there is no database connection.");
    return *gCurrentUser->SqlConnection();
}

void recompute(const QString& dateFrom, const QString& dateTo, const QString& deptCode, const QString& flag)
{
    sessionConnection().execute(
        db::callText(QStringLiteral("Reports..sp_Rep_MonthlyREcompute '"), {dateFrom, dateTo, deptCode, flag}));
}

QString formatDateText(const QString& text)
{
    return dayText(parseDateText(text));
}

} // namespace

QString monthlyReportFile(const QString& deptCode)
{
    if (deptCode == QLatin1String("OR"))
        return QStringLiteral("/MonthlyORReport.rpt");
    if (deptCode == QLatin1String("MC") || deptCode == QLatin1String("MH") || deptCode == QLatin1String("MI"))
        return QStringLiteral("/rptMonthlyReport_MH.rpt");
    return QStringLiteral("/rptMonthlyReport.rpt");
}

void PrintDailyReport(const QString& DateFrom, const QString& DateTo, const QString& DeptCode,
                      const QString& Title, bool DirectPrint)
{
    WaitCursor wait;
    const QVariantList values{DateFrom, DateTo, DeptCode, gCompanyAddress, Title, DateFrom};
    OpenReport(gReportPath + QStringLiteral("/rptDailyReports.rpt"), QStringLiteral("Reports"), values);
    wait.restore();
    ShowReport(false, Title + QStringLiteral(": ") + DateFrom, DirectPrint, false);
}

void PrintMonthlyReport(const QString& DateFrom, const QString& DateTo, const QString& DeptCode,
                        const QString& Title, bool DirectPrint, const QString& Flag)
{
    // Both dates are checked before anything runs: the caption and the last value need them.
    const QString caption = Title + QStringLiteral(": ") + formatMonthYear(parseDateText(DateFrom));
    const QString lastDay = formatDateText(DateTo);
    ProgressWindow progress;
    recompute(DateFrom, DateTo, DeptCode, Flag);
    const QVariantList values{DateFrom, DateTo, DeptCode, Flag, gCompanyAddress, Title, lastDay};
    OpenReport(gReportPath + monthlyReportFile(DeptCode), QStringLiteral("REPORTS"), values);
    ShowReport(false, caption, DirectPrint, false);
    progress.finish();
}

void PrintYearEndReport(const QString& DateFrom, const QString& DateTo, const QString& DeptCode,
                        const QString& Title, bool DirectPrint, const QString& Flag)
{
    const QDate from = parseDateText(DateFrom);
    const QString caption = Title + QStringLiteral(": ") + formatMonthYear(from);
    const QString lastDay = formatDateText(DateTo);
    ProgressWindow progress;
    recompute(DateFrom, DateTo, DeptCode, Flag);
    const QVariantList values{yearText(from), DeptCode, gCompanyAddress, Title, lastDay};
    OpenReport(gReportPath + QStringLiteral("/rptYearEndReport.rpt"), QStringLiteral("Reports"), values);
    ShowReport(false, caption, DirectPrint, false);
    progress.finish();
}

} // namespace tarvik
