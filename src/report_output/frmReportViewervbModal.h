#pragma once

#include "frmReportViewer.h"

#include <QDialog>

namespace tarvik {

// The modal report viewer, a top-level window. Its export button asks for the format and the
// file (the viewer's own export). Closing it releases gReport.
class frmReportViewervbModal : public QDialog
{
    Q_OBJECT
public:
    explicit frmReportViewervbModal(QWidget* parent = nullptr);
    ~frmReportViewervbModal() override; // the window's unload: releases gReport

    void setShowGroupTree(bool show) { m_load.showGroupTree = show; }
    void setDirectPrint(bool print) { m_load.directPrint = print; }

    viewer::ReportViewer* CRViewer1 = nullptr;

    void Form_Load() { m_load.load(*CRViewer1); }
    bool isLoaded() const { return m_load.loaded(); }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CRViewer1_Error(const QString& message) { showViewerError(this, message); }

    ViewerWindowLoad m_load;
};

} // namespace tarvik
