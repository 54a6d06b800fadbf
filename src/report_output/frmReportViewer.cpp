#include "frmReportViewer.h"
#include "frmAnimate.h"

#include "ReportOperations.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMessageBox>
#include <QResizeEvent>
#include <exception>

namespace tarvik {

void ViewerWindowLoad::load(viewer::ReportViewer& viewer)
{
    if (m_loaded)
        return;
    m_loaded = true;
    // A report of a batch says which one it is when its layout ends.
    viewer.setStatusPrefix(frmAnimate::batchPosition());
    viewer.setReportSource(gReport);
    if (frmAnimate* progress = frmAnimate::instance())
        progress->watchLayout(viewer.document());
    viewer.setZoom(1);
    viewer.setDisplayGroupTree(showGroupTree);
    viewer.setEnableGroupTree(showGroupTree);
    if (directPrint)
        viewer.printReport();
    else
        viewer.viewReport();
}

void ViewerWindowLoad::loadOnShow(QWidget* window, viewer::ReportViewer& viewer)
{
    if (m_loaded)
        return;
    try {
        load(viewer);
    } catch (const std::exception& e) {
        showViewerError(window, QString::fromStdString(e.what()));
    }
}

void showViewerError(QWidget* window, const QString& message)
{
    QMessageBox box(QMessageBox::Warning, window->windowTitle(), message, QMessageBox::Ok, window);
    box.setObjectName(QStringLiteral("msgViewerError"));
    box.exec();
}

namespace {

struct ExportRecord
{
    QMutex mutex;
    QHash<QString, QString> writers; // clean absolute path -> identity
};

ExportRecord& exportRecord()
{
    static ExportRecord record;
    return record;
}

} // namespace

QString SessionExports::identity(const engine::Report& report)
{
    return report.filePath() + QLatin1Char('\n') + report.displayName();
}

QString SessionExports::writerOf(const QString& path)
{
    QMutexLocker lock(&exportRecord().mutex);
    return exportRecord().writers.value(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

void SessionExports::record(const QString& path, const engine::Report& report)
{
    QMutexLocker lock(&exportRecord().mutex);
    exportRecord().writers.insert(QDir::cleanPath(QFileInfo(path).absoluteFilePath()), identity(report));
}

void SessionExports::clear()
{
    QMutexLocker lock(&exportRecord().mutex);
    exportRecord().writers.clear();
}

frmReportViewer::frmReportViewer(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmReportViewer"));
    setWindowTitle(QStringLiteral("Form1"));
    setMinimumSize(1, 1);
    CRViewer1 = new viewer::ReportViewer(this);
    CRViewer1->setObjectName(QStringLiteral("CRViewer1"));
    // This window exports in its own way, without the viewer's questions.
    CRViewer1->setOwnExportHandling(false);
    connect(CRViewer1, &viewer::ReportViewer::exportClicked, this,
            &frmReportViewer::CRViewer1_ExportButtonClicked);
    connect(CRViewer1, &viewer::ReportViewer::errorOccurred, this, &frmReportViewer::CRViewer1_Error);
}

frmReportViewer::~frmReportViewer() = default;

void frmReportViewer::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_load.loadOnShow(this, *CRViewer1);
}

void frmReportViewer::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    CRViewer1->setGeometry(0, 0, width(), height());
}

void frmReportViewer::CRViewer1_ExportButtonClicked()
{
    // The report this window shows, not whatever gReport holds by now: a later report may have
    // replaced it, or a modal viewer released it.
    const engine::ReportPtr report = CRViewer1->reportSource();
    if (!report)
        return;
    QString target;
    try {
        target = report->exportFilePath();
    } catch (const std::exception& e) {
        CRViewer1_Error(QString::fromStdString(e.what()));
        return;
    }
    // Another report's file of this session (two reports of one name and day): ask first.
    const QString writer = SessionExports::writerOf(target);
    if (!writer.isEmpty() && writer != SessionExports::identity(*report)) {
        QMessageBox box(QMessageBox::Question, windowTitle(),
                        QStringLiteral("\"%1\" was written a moment ago by the report \"%2\".\n\n"
                                       "Replace it with this report?")
                            .arg(QDir::toNativeSeparators(target), writer.section(QLatin1Char('\n'), 1)),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setObjectName(QStringLiteral("msgReplaceExport"));
        box.setDefaultButton(QMessageBox::No);
        if (box.exec() != QMessageBox::Yes) {
            CRViewer1->showMessage(QStringLiteral("Not exported: \"%1\" was kept.").arg(QDir::toNativeSeparators(target)));
            return;
        }
    }
    try {
        if (!CRViewer1->exportInBackground(report, target)) {
            CRViewer1->showMessage(viewer::ReportViewer::cancelledText(target));
            return;
        }
    } catch (const std::exception& e) {
        CRViewer1_Error(QString::fromStdString(e.what()));
        return;
    }
    SessionExports::record(target, *report);
    CRViewer1->showMessage(QStringLiteral("Exported to %1").arg(QDir::toNativeSeparators(target)));
}

} // namespace tarvik
