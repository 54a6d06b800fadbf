#include "frmReportViewervbModal.h"

#include "ReportOperations.h"
#include "frmReportViewer.h"

#include <QMessageBox>
#include <QResizeEvent>
#include <exception>

namespace tarvik {

frmReportViewervbModal::frmReportViewervbModal(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmReportViewervbModal"));
    setWindowTitle(QStringLiteral("Form1"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setMinimumSize(1, 1);
    resize(1000, 760);
    CRViewer1 = new viewer::ReportViewer(this);
    CRViewer1->setObjectName(QStringLiteral("CRViewer1"));
    connect(CRViewer1, &viewer::ReportViewer::errorOccurred, this, &frmReportViewervbModal::CRViewer1_Error);
}

frmReportViewervbModal::~frmReportViewervbModal()
{
    gReport.reset();
}

void frmReportViewervbModal::Form_Load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    loadViewer(*CRViewer1, m_showGroupTree, m_directPrint);
}

void frmReportViewervbModal::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_loaded) {
        try {
            Form_Load();
        } catch (const std::exception& e) {
            CRViewer1_Error(QString::fromStdString(e.what()));
        }
    }
}

void frmReportViewervbModal::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    CRViewer1->setGeometry(0, 0, width(), height());
}

void frmReportViewervbModal::CRViewer1_Error(const QString& message)
{
    QMessageBox box(QMessageBox::Warning, windowTitle(), message, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("msgViewerError"));
    box.exec();
}

} // namespace tarvik
