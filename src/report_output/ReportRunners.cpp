#include "ReportRunners.h"

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
    sessionConnection().execute(QStringLiteral("Reports..sp_Rep_MonthlyREcompute '") + dateFrom
                                + QStringLiteral("', '") + dateTo + QStringLiteral("', '") + deptCode
                                + QStringLiteral("', '") + flag + QStringLiteral("'"));
}

QString formatDateText(const QString& text)
{
    return parseDateText(text).toString(QStringLiteral("MM/dd/yyyy"));
}

} // namespace

QDate parseDateText(const QString& text)
{
    const QString trimmed = text.trimmed();
    QDate date = QDate::fromString(trimmed, QStringLiteral("MM/dd/yyyy"));
    if (!date.isValid())
        date = QDate::fromString(trimmed, QStringLiteral("M/d/yyyy"));
    if (!date.isValid())
        throw std::runtime_error(
            QStringLiteral("\"%1\" is not a date (mm/dd/yyyy expected).").arg(text).toStdString());
    return date;
}

QString formatMonthYear(const QDate& date)
{
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return QLatin1String(kMonths[date.month() - 1]) + QLatin1Char(',')
        + QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
}

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
    const QVariantList values{QString::number(from.year()), DeptCode, gCompanyAddress, Title, lastDay};
    OpenReport(gReportPath + QStringLiteral("/rptYearEndReport.rpt"), QStringLiteral("Reports"), values);
    ShowReport(false, caption, DirectPrint, false);
    progress.finish();
}

} // namespace tarvik
