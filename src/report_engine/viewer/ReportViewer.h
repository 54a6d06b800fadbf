#pragma once

#include "PageView.h"

#include <QWidget>
#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QSpinBox;
class QSplitter;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarvik::engine {
class Report;
class Document;
} // namespace tarvik::engine

namespace tarvik::viewer {

// Shows a report on screen: pages laid out in the engine's background thread appear as they
// are ready, so the first page shows at once and the window never waits for the last one.
// Zoom, page navigation, the group tree, text search, print (with the print dialog) and
// export, with the keys desktop viewers use (Ctrl+F, F3, Ctrl+P, Ctrl+plus/minus, Ctrl+wheel,
// Home/End). Errors are shown in the viewer's own status line and signalled; nothing is thrown
// out of a button's handler.
class ReportViewer : public QWidget
{
    Q_OBJECT
public:
    explicit ReportViewer(QWidget* parent = nullptr);
    ~ReportViewer() override;

    // The report to show; the viewer keeps its own reference to it. Starts its layout.
    void setReportSource(std::shared_ptr<engine::Report> report);
    std::shared_ptr<engine::Report> reportSource() const { return m_report; }
    std::shared_ptr<engine::Document> document() const { return m_document; }

    // 1 = fit the page's width, 2 = the whole page, otherwise a percentage (clamped to 50-400).
    void setZoom(int level);
    int zoomPercent() const;

    void setDisplayGroupTree(bool display);
    void setEnableGroupTree(bool enable);
    bool displayGroupTree() const { return m_displayGroupTree; }
    bool groupTreeEnabled() const { return m_enableGroupTree; }

    // Displays the report (the layout started with setReportSource).
    void viewReport();
    // Asks for a printer and the pages in the print dialog, then prints. Returns false when
    // the user cancelled. Throws on a failure.
    bool printReport();

    // Whether the export button runs the viewer's own export, which asks for the format and
    // the file. A window that exports in its own way switches it off and handles
    // exportClicked(), which is emitted either way.
    void setOwnExportHandling(bool own) { m_ownExport = own; }
    bool ownExportHandling() const { return m_ownExport; }

    // Runs report's export (its options as they are now) off the window's thread, under a
    // progress bar with Cancel (Esc too) that keeps the program's windows turning. Returns
    // false when it was cancelled: nothing was written and a file already at the target is as
    // it was. Throws the export's failure. A PDF of the report shown takes the viewer's pages.
    bool exportInBackground(const std::shared_ptr<engine::Report>& report, const QString& target);
    // What the status line says of a cancelled export to path.
    static QString cancelledText(const QString& path);

    // Navigation, 1-based page numbers as the viewer shows them.
    int currentPage() const;
    int pageCount() const;
    bool isLayoutComplete() const;
    void showFirstPage();
    void showPreviousPage();
    void showNextPage();
    void showLastPage();
    void showPage(int page);

    // Searches forwards or backwards from the current hit, wrapping around; highlights every
    // hit and scrolls to the found one. Returns false when the text is nowhere.
    bool findNext(const QString& text);
    bool findPrevious(const QString& text);
    int searchHitCount() const { return int(m_hits.size()); }
    int currentSearchHit() const { return m_currentHit; }

    PageView* pageView() const { return m_view; }
    QTreeWidget* groupTree() const { return m_tree; }

    // A message in the viewer's status line (where an export went, say).
    void showMessage(const QString& message);
    // Put before the page count the status line shows once the report is laid out (which
    // report of a batch this is: "3 of 18: Aging Analysis Report (12 pages)"). Set it before
    // the report source.
    void setStatusPrefix(const QString& prefix) { m_statusPrefix = prefix; }
    QString statusText() const;

    // The pages of a document on a printer the caller set up; from and to are 1-based,
    // 0 for all pages.
    // Waits for the rest of the pages first; throws when the layout or the printer fails.
    static void printDocument(engine::Document& document, QPrinter& printer, int from = 0, int to = 0);
    // Waits until the layout has finished or failed while the windows keep repainting (input
    // to them waits).
    static void waitForLayout(engine::Document& document);

signals:
    void exportClicked();
    void errorOccurred(const QString& message);

private:
    void buildUi();
    void onPagesChanged(int count);
    void onCurrentPageChanged(int page);
    void onLayoutFinished();
    void onLayoutFailed(const QString& message);
    void onZoomChosen(int index);
    void onPageEntered();
    void onTreeItemActivated(QTreeWidgetItem* item);
    void onSearchTextChanged();
    void onPrintClicked();
    void onExportClicked();
    void exportWithPrompt();
    void rebuildGroupTree();
    void updatePageLabel();
    void syncZoomBox();
    bool find(const QString& text, int direction);
    void showError(const QString& message);
    void applyGroupTreeVisibility();

    std::shared_ptr<engine::Report> m_report;
    std::shared_ptr<engine::Document> m_document;
    bool m_displayGroupTree = true;
    bool m_enableGroupTree = true;
    bool m_ownExport = true;
    bool m_layoutFailed = false;

    QToolBar* m_toolBar = nullptr;
    QAction* m_actFirst = nullptr;
    QAction* m_actPrevious = nullptr;
    QAction* m_actNext = nullptr;
    QAction* m_actLast = nullptr;
    QAction* m_actGroupTree = nullptr;
    QAction* m_actPrint = nullptr;
    QAction* m_actExport = nullptr;
    QAction* m_actFindNext = nullptr;
    QAction* m_actFindPrevious = nullptr;
    QAction* m_actFind = nullptr;
    QAction* m_actZoomIn = nullptr;
    QAction* m_actZoomOut = nullptr;
    QLineEdit* m_pageEdit = nullptr;
    QLabel* m_pageCountLabel = nullptr;
    QComboBox* m_zoom = nullptr;
    QLineEdit* m_searchEdit = nullptr;
    QLabel* m_searchLabel = nullptr;
    QLabel* m_status = nullptr;
    QSplitter* m_splitter = nullptr;
    QTreeWidget* m_tree = nullptr;
    PageView* m_view = nullptr;

    QString m_statusPrefix;
    std::vector<PageRect> m_hits;
    int m_currentHit = -1;
    QString m_hitsText;
    int m_hitsPageCount = -1;
};

} // namespace tarvik::viewer
