#include "PageView.h"

#include "Report.h"

#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QKeyEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace tarvik::viewer {

namespace {
constexpr int kGap = 12;              // pixels between pages and around them
constexpr int kCacheKiB = 64 * 1024;  // rendered pages kept, whatever the report's length
} // namespace

PageView::PageView(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("PageView"));
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    m_cache.setMaxCost(kCacheKiB);
    m_prefetchTimer.setSingleShot(true);
    m_prefetchTimer.setInterval(0);
    connect(&m_prefetchTimer, &QTimer::timeout, this, &PageView::prefetch);
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setSingleStep(20);
}

PageView::~PageView() = default;

void PageView::setDocument(std::shared_ptr<engine::Document> document)
{
    if (m_document)
        disconnect(m_document.get(), nullptr, this, nullptr);
    m_document = std::move(document);
    m_pageSizes.clear();
    m_cache.clear();
    m_hits.clear();
    m_currentHit = -1;
    m_renderCount = 0;
    m_lastReportedPage = -1;
    m_chosenPage = -1;
    if (m_document) {
        // Pages arrive from the layout thread; the queued connection brings them here.
        connect(m_document.get(), &engine::Document::pagesAdded, this, &PageView::onPagesAdded,
                Qt::QueuedConnection);
        connect(m_document.get(), &engine::Document::finished, this, &PageView::onLayoutFinished,
                Qt::QueuedConnection);
        readPageSizes();
    }
    relayout();
    verticalScrollBar()->setValue(0);
    viewport()->update();
    notifyCurrentPage();
}

void PageView::refreshPages()
{
    onPagesAdded(0);
}

void PageView::onLayoutFinished()
{
    // Pages painted while the layout ran showed no page count ("Page 1 of ?"): paint again.
    m_cache.clear();
    onPagesAdded(0);
    viewport()->update();
}

void PageView::onPagesAdded(int)
{
    const int before = pageCount();
    readPageSizes();
    if (pageCount() == before)
        return;
    relayout();
    viewport()->update();
    notifyCurrentPage();
}

void PageView::readPageSizes()
{
    if (!m_document)
        return;
    const int count = m_document->pageCount();
    for (int i = int(m_pageSizes.size()); i < count; ++i)
        m_pageSizes.push_back(m_document->pageSizePoints(i));
    emit pagesChanged(pageCount());
}

void PageView::setZoom(ZoomMode mode, int percent)
{
    const Anchor anchor = centreAnchor();
    m_zoomMode = mode;
    m_percent = std::clamp(percent, kMinPercent, kMaxPercent);
    relayout();
    centreOn(anchor);
    viewport()->update();
    emit zoomChanged();
}

void PageView::zoomBy(int percentStep)
{
    setZoom(ZoomMode::Percent, zoomPercent() + percentStep);
}

PageView::Anchor PageView::centreAnchor() const
{
    Anchor a;
    if (m_pageTops.empty() || m_scale <= 0)
        return a;
    const QPoint centre = viewport()->rect().center();
    const int y = verticalScrollBar()->value() + centre.y();
    a.page = std::max(0, pageAtY(y));
    const QRect r = pageRectPixels(a.page);
    a.point = QPointF((centre.x() - r.left()) / m_scale, (centre.y() - r.top()) / m_scale);
    return a;
}

void PageView::centreOn(const Anchor& anchor)
{
    if (anchor.page < 0 || anchor.page >= pageCount())
        return;
    const QPoint centre = viewport()->rect().center();
    const QRect r = pageRectPixels(anchor.page); // in the new scale, at the current scroll
    const int contentTop = r.top() + verticalScrollBar()->value();
    const int contentLeft = r.left() + horizontalScrollBar()->value();
    verticalScrollBar()->setValue(contentTop + int(std::lround(anchor.point.y() * m_scale)) - centre.y());
    horizontalScrollBar()->setValue(contentLeft + int(std::lround(anchor.point.x() * m_scale)) - centre.x());
    notifyCurrentPage();
}

int PageView::zoomPercent() const
{
    return int(std::lround(m_scale * 72.0 / logicalDpiX() * 100.0));
}

double PageView::computeScale() const
{
    const double pointsToPixels = logicalDpiX() / 72.0;
    if (m_pageSizes.empty() || m_zoomMode == ZoomMode::Percent)
        return pointsToPixels * m_percent / 100.0;
    double widest = 0;
    for (const QSizeF& s : m_pageSizes)
        widest = std::max(widest, s.width());
    const int width = std::max(1, viewport()->width() - 2 * kGap);
    double scale = width / std::max(1.0, widest);
    if (m_zoomMode == ZoomMode::WholePage) {
        const int height = std::max(1, viewport()->height() - 2 * kGap);
        scale = std::min(scale, height / std::max(1.0, m_pageSizes.front().height()));
    }
    // Keep the fitted zoom within the range a person can choose.
    return std::clamp(scale, pointsToPixels * kMinPercent / 100.0 / 4, pointsToPixels * kMaxPercent / 100.0);
}

void PageView::relayout()
{
    const double scale = computeScale();
    if (!qFuzzyCompare(scale, m_scale)) {
        m_scale = scale;
        m_cache.clear(); // images of the old size are of no use any more
    }
    m_pageTops.resize(m_pageSizes.size());
    int y = kGap;
    for (size_t i = 0; i < m_pageSizes.size(); ++i) {
        m_pageTops[i] = y;
        y += int(std::ceil(m_pageSizes[i].height() * m_scale)) + kGap;
    }
    m_contentHeight = y;
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setRange(0, std::max(0, m_contentHeight - viewport()->height()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth() - viewport()->width()));
}

int PageView::contentWidth() const
{
    double widest = 0;
    for (const QSizeF& s : m_pageSizes)
        widest = std::max(widest, s.width());
    return int(std::ceil(widest * m_scale)) + 2 * kGap;
}

int PageView::pageAtY(int y) const
{
    if (m_pageTops.empty())
        return -1;
    auto it = std::upper_bound(m_pageTops.begin(), m_pageTops.end(), y);
    if (it == m_pageTops.begin())
        return 0;
    return int(it - m_pageTops.begin()) - 1;
}

QRect PageView::pageRectPixels(int page) const
{
    const QSizeF size = m_pageSizes[size_t(page)] * m_scale;
    const int width = std::max(contentWidth(), viewport()->width());
    const int x = (width - int(std::ceil(size.width()))) / 2 - horizontalScrollBar()->value();
    const int y = m_pageTops[size_t(page)] - verticalScrollBar()->value();
    return QRect(x, y, int(std::ceil(size.width())), int(std::ceil(size.height())));
}

int PageView::currentPage() const
{
    const QScrollBar* bar = verticalScrollBar();
    if (m_chosenPage >= 0 && m_chosenPage < pageCount() && bar->value() == m_chosenAt)
        return m_chosenPage;
    // At the end of the range the last pages may all be in view, none of them a third of the
    // way down: the reader has reached the last one.
    if (bar->maximum() > 0 && bar->value() >= bar->maximum())
        return std::max(0, pageCount() - 1);
    const int page = pageAtY(bar->value() + viewport()->height() / 3);
    return std::max(0, page);
}

void PageView::goToPage(int page)
{
    if (m_pageTops.empty())
        return;
    page = std::clamp(page, 0, pageCount() - 1);
    const int wanted = m_pageTops[size_t(page)] - kGap;
    verticalScrollBar()->setValue(wanted);
    // Pages that fit in the view together cannot each be scrolled to the top: the page asked
    // for is the current one until the view moves.
    m_chosenPage = verticalScrollBar()->value() != wanted || page == pageCount() - 1 ? page : -1;
    m_chosenAt = verticalScrollBar()->value();
    notifyCurrentPage();
}

void PageView::goToPosition(int page, double y)
{
    if (m_pageTops.empty())
        return;
    page = std::clamp(page, 0, pageCount() - 1);
    const int wanted = m_pageTops[size_t(page)] + int(std::lround(y * m_scale)) - kGap;
    verticalScrollBar()->setValue(wanted);
    m_chosenPage = verticalScrollBar()->value() != wanted ? page : -1;
    m_chosenAt = verticalScrollBar()->value();
    notifyCurrentPage();
}

void PageView::ensureVisible(const PageRect& where)
{
    if (where.page < 0 || where.page >= pageCount())
        return;
    const QRect page = pageRectPixels(where.page);
    const int top = page.top() + verticalScrollBar()->value() + int(where.rect.top() * m_scale);
    const int bottom = page.top() + verticalScrollBar()->value() + int(where.rect.bottom() * m_scale);
    const int viewTop = verticalScrollBar()->value();
    const int viewBottom = viewTop + viewport()->height();
    if (top < viewTop || bottom > viewBottom)
        verticalScrollBar()->setValue(top - viewport()->height() / 3);
    const int left = page.left() + horizontalScrollBar()->value() + int(where.rect.left() * m_scale);
    const int hView = horizontalScrollBar()->value();
    if (left < hView || left > hView + viewport()->width() - 40)
        horizontalScrollBar()->setValue(left - 40);
    notifyCurrentPage();
}

void PageView::setHighlights(std::vector<PageRect> hits, int current)
{
    m_hits = std::move(hits);
    m_currentHit = current;
    viewport()->update();
}

const QImage* PageView::pageImage(int page)
{
    if (QImage* cached = m_cache.object(page))
        return cached;
    const QSizeF size = m_pageSizes[size_t(page)] * m_scale;
    const qreal dpr = devicePixelRatioF();
    auto image = std::make_unique<QImage>(QSize(int(std::ceil(size.width() * dpr)),
                                                int(std::ceil(size.height() * dpr))),
                                          QImage::Format_ARGB32_Premultiplied);
    image->setDevicePixelRatio(dpr);
    image->fill(Qt::white);
    {
        QPainter painter(image.get());
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.scale(m_scale, m_scale);
        m_document->paintPage(painter, page);
    }
    ++m_renderCount;
    const int cost = std::max<qsizetype>(1, image->sizeInBytes() / 1024);
    QImage* raw = image.release();
    if (!m_cache.insert(page, raw, cost))
        return nullptr; // larger than the whole cache: painted directly instead
    return raw;
}

void PageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), QColor(0x80, 0x80, 0x80));
    if (!m_document || m_pageSizes.empty())
        return;
    const int viewTop = verticalScrollBar()->value();
    const int first = pageAtY(viewTop);
    for (int page = first; page >= 0 && page < pageCount(); ++page) {
        const QRect rect = pageRectPixels(page);
        if (rect.top() > viewport()->height())
            break;
        if (!rect.intersects(event->rect()))
            continue;
        painter.fillRect(rect.translated(3, 3), QColor(0x50, 0x50, 0x50));
        if (const QImage* image = pageImage(page)) {
            painter.drawImage(rect.topLeft(), *image);
        } else {
            painter.save();
            painter.fillRect(rect, Qt::white);
            painter.translate(rect.topLeft());
            painter.scale(m_scale, m_scale);
            m_document->paintPage(painter, page);
            painter.restore();
        }
        for (size_t i = 0; i < m_hits.size(); ++i) {
            if (m_hits[i].page != page)
                continue;
            const QRectF r = m_hits[i].rect;
            const QRectF onScreen(rect.left() + r.left() * m_scale, rect.top() + r.top() * m_scale,
                                  r.width() * m_scale, r.height() * m_scale);
            const bool current = int(i) == m_currentHit;
            painter.fillRect(onScreen.adjusted(-1, -1, 1, 1),
                             current ? QColor(255, 140, 0, 120) : QColor(255, 230, 0, 90));
            if (current) {
                painter.setPen(QPen(QColor(220, 90, 0), 1));
                painter.drawRect(onScreen.adjusted(-1, -1, 1, 1));
            }
        }
    }
    m_prefetchTimer.start();
}

void PageView::prefetch()
{
    // One page above and one below the view, so that scrolling shows them at once.
    if (!m_document || m_pageSizes.empty())
        return;
    const int first = pageAtY(verticalScrollBar()->value());
    const int last = pageAtY(verticalScrollBar()->value() + viewport()->height());
    for (int page : {first - 1, last + 1}) {
        if (page >= 0 && page < pageCount() && !m_cache.contains(page))
            pageImage(page);
    }
}

void PageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    const int page = currentPage();
    relayout();
    if (m_zoomMode != ZoomMode::Percent)
        goToPage(page);
}

void PageView::scrollContentsBy(int, int)
{
    viewport()->update();
    notifyCurrentPage();
}

void PageView::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        if (event->angleDelta().y() != 0)
            zoomBy(event->angleDelta().y() > 0 ? 25 : -25);
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void PageView::keyPressEvent(QKeyEvent* event)
{
    // Home and End (also with Ctrl) go to the first and the last page, as in other viewers.
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Home || event->key() == Qt::Key_End) &&
        (mods == Qt::NoModifier || mods == Qt::ControlModifier)) {
        if (event->key() == Qt::Key_Home) {
            verticalScrollBar()->setValue(0);
        } else {
            verticalScrollBar()->setValue(verticalScrollBar()->maximum());
            if (verticalScrollBar()->maximum() == 0 && pageCount() > 0)
                goToPage(pageCount() - 1);
        }
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void PageView::notifyCurrentPage()
{
    const int page = pageCount() == 0 ? -1 : currentPage();
    if (page != m_lastReportedPage) {
        m_lastReportedPage = page;
        emit currentPageChanged(page);
    }
}

} // namespace tarvik::viewer
