#include "ReportOperations.h"
#include "frmAnimate.h"

#include "Session.h"
#include "frmReportViewer.h"
#include "frmReportViewervbModal.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <stdexcept>

Q_LOGGING_CATEGORY(lcOutput, "tarvik.output")

namespace tarvik {

engine::ReportPtr gReport;

namespace {

std::function<QMdiArea*()>& hostFunction()
{
    static std::function<QMdiArea*()> host;
    return host;
}

ShowReportOverride& showReportOverride()
{
    static ShowReportOverride override;
    return override;
}

QMdiArea* findFrameArea()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("mdiReportForm")) {
            if (auto* area = widget->findChild<QMdiArea*>())
                return area;
        }
    }
    return nullptr;
}

const hospital::clsCurrentUser& currentUser()
{
    if (!gCurrentUser)
        throw std::runtime_error("Nobody is logged in: the report's tables cannot be logged on.");
    return *gCurrentUser;
}

// Steps shared by a report and its subreports: tables retargeted and logged on, then the
// parameter fields filled in order.
void prepare(engine::Report& report, const QString& databaseName, const QVariantList& values)
{
    const qsizetype n = values.size() - 1; // -1 for an empty list
    for (engine::DatabaseTable* table : report.tables()) {
        const QString location = table->location();
        table->setLocation(retargetedLocation(location, databaseName));
        // Read afresh for every table: the session component is the one authority.
        const hospital::clsCurrentUser& user = currentUser();
        table->applyLogOnInfo(user.ServerName(), databaseName, user.userid(), user.serverpassword());
    }
    qsizetype i = 0;
    for (engine::ParameterField* field : report.parameterFields()) {
        if (i > n)
            break;
        field->setCurrentValue(values.at(i));
        ++i;
    }
}

// Prints the whole report on the printer Page Setup chose (else the default one), with no
// prompt. The pages are laid out in the engine's thread while the windows keep repainting and
// the progress window keeps moving.
void printWithoutPrompt(engine::Report& report)
{
    const std::shared_ptr<engine::Document> document = report.layOut();
    if (frmAnimate* progress = frmAnimate::instance())
        progress->watchLayout(document);
    QPrinter printer(QPrinter::HighResolution);
    // The page Page Setup chose, else the report's own paper, turned as the report is laid
    // out unless an orientation was chosen; the job is named by the report's caption.
    engine::PrintSettings::applyTo(printer, report.definition().pageSizePoints());
    printer.setDocName(report.displayName());
    viewer::ReportViewer::waitForLayout(*document);
    if (document->hasFailed())
        throw engine::ReportError(document->errorString());
    qCInfo(lcOutput).noquote() << "printing" << report.name() << "on" << printer.printerName();
    viewer::ReportViewer::printDocument(*document, printer);
}

} // namespace

QString retargetedLocation(const QString& location, const QString& databaseName)
{
    const qsizetype dot = location.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        throw std::runtime_error(
            QStringLiteral("The table location \"%1\" names no database (database.owner.table expected).")
                .arg(location)
                .toStdString());
    }
    return databaseName + location.mid(dot);
}

void OpenReport(const QString& ReportFile, const QString& DatabaseName, const QVariantList& ParameterValues)
{
    gReport.reset();
    // Report names are written with a leading backslash in places; on this system it is "/".
    QString path = ReportFile;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    qCDebug(lcOutput) << "opening" << path << "for" << DatabaseName << "with" << ParameterValues.size() << "values";
    gReport = engine::openReport(path, 1);
    gReport->setReportTitle(gCompanyName);
    prepare(*gReport, DatabaseName, ParameterValues);
}

void OpenSubreport(const QString& SubreportName, const QString& DatabaseName,
                   const QVariantList& ParameterValues)
{
    if (!gReport)
        throw std::runtime_error(
            QStringLiteral("The subreport \"%1\" cannot be opened: no report is open.").arg(SubreportName).toStdString());
    engine::Report* subreport = gReport->openSubreport(SubreportName);
    prepare(*subreport, DatabaseName, ParameterValues);
}

void ShowReport(bool ShowGroupTree, const QString& Caption, bool DirectPrint, bool Modal)
{
    if (!gReport)
        throw std::runtime_error("There is no report to show.");
    // The caption names the report wherever it goes: print job, PDF title, sheet, viewer.
    gReport->setCaption(Caption);
    if (const ShowReportOverride& override = showReportOverride()) {
        const engine::ReportPtr report = gReport;
        override(report, ShowGroupTree, Caption, DirectPrint, Modal);
        if (DirectPrint || Modal)
            gReport.reset();
        return;
    }
    if (DirectPrint) {
        printWithoutPrompt(*gReport);
        gReport.reset();
        return;
    }
    if (Modal) {
        frmReportViewervbModal viewer(QApplication::activeWindow());
        viewer.setShowGroupTree(ShowGroupTree);
        viewer.setWindowTitle(Caption);
        viewer.setDirectPrint(false);
        viewer.exec();
        return; // the window's unload released gReport
    }
    auto* viewer = new frmReportViewer;
    viewer->setShowGroupTree(ShowGroupTree);
    viewer->setWindowTitle(Caption);
    viewer->setDirectPrint(false);
    if (QMdiArea* area = viewerHost()) {
        QMdiSubWindow* child = area->addSubWindow(viewer);
        child->setAttribute(Qt::WA_DeleteOnClose);
        // Nine tenths of the frame, each new viewer a step further down, always wholly inside
        // the frame: a viewer running off its edge hides the page's right side.
        const QSize room = area->viewport()->size();
        const QSize size(std::min(room.width(), std::max(480, room.width() * 9 / 10)),
                         std::min(room.height(), std::max(360, room.height() * 9 / 10)));
        int others = 0;
        for (QMdiSubWindow* window : area->subWindowList())
            others += window != child && window->isVisible() && !window->isMaximized() ? 1 : 0;
        const int step = 24;
        const int roomForSteps = std::max(0, std::min(room.width() - size.width(), room.height() - size.height()));
        const int offset = roomForSteps > 0 ? (others * step) % (roomForSteps + 1) : 0;
        child->setGeometry(offset, offset, size.width(), size.height());
        child->show();
        area->setActiveSubWindow(child);
    } else {
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        viewer->resize(1000, 760);
        viewer->show();
    }
}

void setShowReportOverride(ShowReportOverride override)
{
    showReportOverride() = std::move(override);
}

void setViewerHost(std::function<QMdiArea*()> host)
{
    hostFunction() = std::move(host);
}

QMdiArea* viewerHost()
{
    if (hostFunction())
        return hostFunction()();
    return findFrameArea();
}

} // namespace tarvik
