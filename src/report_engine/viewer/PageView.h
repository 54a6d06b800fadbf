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
    int currentPage() const;           // 0-based; 0 when there are no pages
    void goToPage(int page);           // 0-based, clamped
    void ensureVisible(const PageRect& where);

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

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void onPagesAdded(int count);
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
    QTimer m_prefetchTimer;
};

} // namespace tarvik::viewer
