#pragma once

#include "ReportViewer.h"

#include <QWidget>

namespace tarvik {

// The modeless report viewer: a child window of the frame showing the report that gReport
// held when it loaded. Its export button exports that report with the options its dialog set,
// without asking.
class frmReportViewer : public QWidget
{
    Q_OBJECT
public:
    explicit frmReportViewer(QWidget* parent = nullptr);
    ~frmReportViewer() override;

    // Set before the window loads (is first shown).
    void setShowGroupTree(bool show) { m_showGroupTree = show; }
    void setDirectPrint(bool print) { m_directPrint = print; }

    viewer::ReportViewer* CRViewer1 = nullptr;

    // The load step; runs when the window is first shown.
    void Form_Load();
    bool isLoaded() const { return m_loaded; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CRViewer1_ExportButtonClicked();
    void CRViewer1_Error(const QString& message);

    bool m_showGroupTree = false;
    bool m_directPrint = false;
    bool m_loaded = false;
};

// The load step both viewer windows share: the viewer gets gReport, zoom level 1, the group
// tree shown and enabled as asked, then displays (or prints) the report.
void loadViewer(viewer::ReportViewer& viewer, bool showGroupTree, bool directPrint);

} // namespace tarvik
