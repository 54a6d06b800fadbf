#include "frmReportViewervbModal.h"

#include "ReportOperations.h"
#include "frmReportViewer.h"

#include <QResizeEvent>

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

void frmReportViewervbModal::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_load.loadOnShow(this, *CRViewer1);
}

void frmReportViewervbModal::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    CRViewer1->setGeometry(0, 0, width(), height());
}

} // namespace tarvik
