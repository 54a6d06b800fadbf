#include "frmReportViewer.h"

#include "ReportOperations.h"

#include <QApplication>
#include <QMessageBox>
#include <QResizeEvent>
#include <exception>

namespace tarvik {

void loadViewer(viewer::ReportViewer& viewer, bool showGroupTree, bool directPrint)
{
    viewer.setReportSource(gReport);
    viewer.setZoom(1);
    viewer.setDisplayGroupTree(showGroupTree);
    viewer.setEnableGroupTree(showGroupTree);
    if (directPrint)
        viewer.printReport();
    else
        viewer.viewReport();
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

void frmReportViewer::Form_Load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    loadViewer(*CRViewer1, m_showGroupTree, m_directPrint);
}

void frmReportViewer::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_loaded) {
        try {
            Form_Load();
        } catch (const std::exception& e) {
            CRViewer1_Error(QString::fromStdString(e.what()));
        }
    }
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
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        report->exportReport();
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        CRViewer1_Error(QString::fromStdString(e.what()));
        return;
    }
    QApplication::restoreOverrideCursor();
}

void frmReportViewer::CRViewer1_Error(const QString& message)
{
    QMessageBox box(QMessageBox::Warning, windowTitle(), message, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("msgViewerError"));
    box.exec();
}

} // namespace tarvik
