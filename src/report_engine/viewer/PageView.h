#pragma once

#include <QAbstractScrollArea>
#include <QCache>
#include <QImage>
#include <QRectF>
#include <QTimer>
#include <memory>
#include <vector>

namespace tarvik::engine {
class Document;
}

namespace tarvik::viewer {

// Where a search hit lies: page (0-based) and rectangle in points.
struct PageRect
{
    int page = 0;
    QRectF rect;
};

// The pages of a prepared document stacked one under the other. Only the pages in view are
// painted, plus one on each side rendered ahead when the view is idle; rendered pages are
// kept in a cache capped by size, so a report of thousands of pages costs no more than a
// few screens.
class PageView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    enum class ZoomMode { FitWidth, WholePage, Percent };

    explicit PageView(QWidget* parent = nullptr);
    ~PageView() override;

    void setDocument(std::shared_ptr<engine::Document> document);
    std::shared_ptr<engine::Document> document() const { return m_document; }

    void setZoom(ZoomMode mode, int percent = 100);
    ZoomMode zoomMode() const { return m_zoomMode; }
    // The effective zoom in percent of the page's real size.
    int zoomPercent() const;

    int pageCount() const { return int(m_pageSizes.size()); }
    // 0-based; 0 when there are no pages. The page a third of the way down the view; at the
    // end of the scroll range the last page in view; a page chosen by goToPage while the view
    // could not scroll to its top.
    int currentPage() const;
    void goToPage(int page);           // 0-based, clamped
    // Scrolls so that the point y (points from the page's top) is near the top of the view.
    void goToPosition(int page, double y);
    void ensureVisible(const PageRect& where);
    // Zoom in or out by a step, keeping the point at the view's centre where it is.
    void zoomBy(int percentStep);

    void setHighlights(std::vector<PageRect> hits, int current);

    // Takes in the pages laid out since the last look, keeping the place in view.
    void refreshPages();

    // For tests and diagnostics: how many page images are held, and how many were painted
    // since the document was set.
    int cachedPages() const { return m_cache.count(); }
    int renderedPages() const { return m_renderCount; }

    static constexpr int kMinPercent = 50;
    static constexpr int kMaxPercent = 400;

signals:
    void currentPageChanged(int page);
    void pagesChanged(int count);
    void zoomChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onPagesAdded(int count);
    void onLayoutFinished();
    // The point at the view's centre, as a page and a position on it in points.
    struct Anchor
    {
        int page = -1;
        QPointF point;
    };
    Anchor centreAnchor() const;
    void centreOn(const Anchor& anchor);
    void readPageSizes();
    void relayout();
    double computeScale() const;
    int contentWidth() const;
    int pageAtY(int y) const;
    QRect pageRectPixels(int page) const; // in viewport coordinates
    const QImage* pageImage(int page);
    void prefetch();
    void notifyCurrentPage();

    std::shared_ptr<engine::Document> m_document;
    std::vector<QSizeF> m_pageSizes;     // points
    std::vector<int> m_pageTops;         // pixels, content coordinates
    int m_contentHeight = 0;
    ZoomMode m_zoomMode = ZoomMode::FitWidth;
    int m_percent = 100;
    double m_scale = 1.0;                // pixels per point
    QCache<int, QImage> m_cache;         // cost in KiB
    int m_renderCount = 0;
    std::vector<PageRect> m_hits;
    int m_currentHit = -1;
    int m_lastReportedPage = -1;
    int m_chosenPage = -1;               // goToPage's page while the view stays where it put it
    int m_chosenAt = -1;                 // the scroll position it put the view at
    QTimer m_prefetchTimer;
};

} // namespace tarvik::viewer
