#pragma once

#include "ReportViewer.h"

#include <QWidget>

namespace tarvik {

// What both viewer windows do the same way: the settings made before the window loads, the
// load itself on the first show (the viewer gets gReport), and errors shown in a message box.
class ViewerWindowLoad
{
public:
    bool showGroupTree = false;
    bool directPrint = false;
    bool loaded() const { return m_loaded; }
    // Once: the viewer gets gReport, zoom level 1, the group tree shown and enabled as asked,
    // then displays (or prints) the report. Later calls do nothing.
    void load(viewer::ReportViewer& viewer);
    // load(), with a failure shown to the user instead of escaping the show event.
    void loadOnShow(QWidget* window, viewer::ReportViewer& viewer);

private:
    bool m_loaded = false;
};

void showViewerError(QWidget* window, const QString& message);

// The files the viewers' export buttons wrote in this session, and which report wrote each:
// a file another report wrote is not replaced without asking.
class SessionExports
{
public:
    // Who wrote a file: the report's definition and its caption. Empty for none.
    static QString writerOf(const QString& path);
    static void record(const QString& path, const engine::Report& report);
    static QString identity(const engine::Report& report);
    static void clear(); // for tests
};

// The modeless report viewer: a child window of the frame showing the report that gReport
// held when it loaded. Its export button exports that report with the options its dialog set,
// without asking, and says where the file went; only a file that another report wrote in this
// session is not replaced without a question.
class frmReportViewer : public QWidget
{
    Q_OBJECT
public:
    explicit frmReportViewer(QWidget* parent = nullptr);
    ~frmReportViewer() override;

    // Set before the window loads (is first shown).
    void setShowGroupTree(bool show) { m_load.showGroupTree = show; }
    void setDirectPrint(bool print) { m_load.directPrint = print; }

    viewer::ReportViewer* CRViewer1 = nullptr;

    // The load step; runs when the window is first shown.
    void Form_Load() { m_load.load(*CRViewer1); }
    bool isLoaded() const { return m_load.loaded(); }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CRViewer1_ExportButtonClicked();
    void CRViewer1_Error(const QString& message) { showViewerError(this, message); }

    ViewerWindowLoad m_load;
};

} // namespace tarvik
