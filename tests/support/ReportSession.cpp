#include "ReportSession.h"

#include "Connection.h"
#include "DataFolder.h"
#include "Procedures.h"
#include "ReportOperations.h"
#include "Session.h"
#include "TestSession.h"
#include "frmAnimate.h"
#include "frmReportViewer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QTest>
#include <stdexcept>

namespace tarvik::testsupport {

namespace {

void copyReports(const QStringList& sources, const QString& to)
{
    for (const QString& from : sources) {
        const QDir dir(from);
        for (const QString& name : dir.entryList({QStringLiteral("*.rpt")}, QDir::Files)) {
            QFile::remove(to + QLatin1Char('/') + name);
            if (!QFile::copy(dir.filePath(name), to + QLatin1Char('/') + name))
                throw std::runtime_error(("cannot copy " + name).toStdString());
        }
    }
}

QStringList valuesOf(tarvik::engine::Report& report)
{
    QStringList out;
    for (auto* field : report.parameterFields())
        out << valueText(field->currentValue());
    return out;
}

} // namespace

ReportSession::ReportSession(const QString& dataFolder, const QDateTime& serverDate, const QStringList& reportSources)
{
    logInTester(dataFolder);
    tarvik::gServerDate = serverDate;
    tarvik::setDepartmentCodes();
    copyReports(reportSources, m_reports.path());
    tarvik::gReportPath = m_reports.path();
    tarvik::frmAnimate::setClipPath(QStringLiteral(TARVIK_PROGRESS_CLIP));

    m_exportBefore = tarvik::engine::Report::defaultExportFolder();
    tarvik::engine::Report::setDefaultExportFolder(m_export.path());

    m_frame = std::make_unique<QMdiArea>();
    m_frame->resize(1000, 760);
    m_frame->show();
    QMdiArea* area = m_frame.get();
    tarvik::setViewerHost([area] { return area; });
}

ReportSession::~ReportSession()
{
    tarvik::setViewerHost({});
    closeReportWindows();
    m_frame.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    tarvik::engine::Report::setDefaultExportFolder(m_exportBefore);
    tarvik::gCurrentUser.reset();
}

tarvik::db::Connection& ReportSession::connection()
{
    return *tarvik::gCurrentUser->SqlConnection();
}

QStringList ReportSession::trace() const
{
    return tarvik::gCurrentUser->SqlConnection()->trace().texts();
}

void ReportSession::clearTrace()
{
    tarvik::gCurrentUser->SqlConnection()->trace().clear();
}

void ReportSession::spoilReport(const QString& file) const
{
    QFile f(m_reports.filePath(file));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error(("cannot spoil " + file).toStdString());
    f.write("<report version=\"1\"><page");
}

QList<tarvik::frmReportViewer*> ReportSession::viewers() const
{
    QList<tarvik::frmReportViewer*> out;
    for (QMdiSubWindow* w : m_frame->subWindowList(QMdiArea::CreationOrder))
        if (auto* v = qobject_cast<tarvik::frmReportViewer*>(w->widget()))
            out << v;
    return out;
}

void typeDate(QDateEdit* picker, const QString& keys)
{
    picker->activateWindow();
    picker->setFocus();
    picker->setCurrentSectionIndex(0);
    picker->setSelectedSection(picker->sectionAt(0));
    QTest::keyClicks(picker, keys);
}

QString valueText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("MM/dd/yyyy"));
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        return dt.toString(dt.time().msec() ? QStringLiteral("MM/dd/yyyy hh:mm:ss.z") : QStringLiteral("MM/dd/yyyy hh:mm:ss"));
    }
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 15);
    default: {
        // Currency fields hold exact decimal texts ("18681.6000").
        bool number = false;
        const double d = value.toString().toDouble(&number);
        return number ? QString::number(d, 'g', 15) : value.toString();
    }
    }
}

void RecordingUi::setBusy(bool busy)
{
    busyDepth += busy ? 1 : -1;
    tarvik::runs::interactiveUi().setBusy(busy);
}

void RecordingUi::openProgress()
{
    ++progressDepth;
    tarvik::runs::interactiveUi().openProgress();
}

void RecordingUi::closeProgress()
{
    --progressDepth;
    tarvik::runs::interactiveUi().closeProgress();
}

void RecordingUi::showReport(bool showGroupTree, const QString& caption, bool directPrint, bool modal)
{
    Shown s;
    s.caption = caption;
    s.groupTree = showGroupTree;
    s.directPrint = directPrint;
    s.modal = modal;
    s.progressShowing = tarvik::frmAnimate::instance() && tarvik::frmAnimate::instance()->isVisible();
    s.busy = busyDepth > 0;
    s.unloadsBefore = unloads;
    if (tarvik::gReport) {
        s.file = QFileInfo(tarvik::gReport->filePath()).fileName();
        for (auto* table : tarvik::gReport->tables())
            s.databases << table->location().section(QLatin1Char('.'), 0, 0);
        s.values = valuesOf(*tarvik::gReport);
        for (auto* sub : tarvik::gReport->subreports())
            s.subreports << sub->name() + QStringLiteral(": ") + valuesOf(*sub).join(QStringLiteral("; "));
    }
    shown.push_back(s);
    if (m_present)
        tarvik::runs::interactiveUi().showReport(showGroupTree, caption, directPrint, modal);
}

void replaceProcedure(const QString& folder, const QString& script)
{
    withDatabase(folder, [&](QSqlDatabase& db) {
        tarvik::db::installProcedures(db, QStringLiteral("Reports"),
                                      tarvik::db::parseProcedureScript(script, QStringLiteral("test")));
    });
}

} // namespace tarvik::testsupport
