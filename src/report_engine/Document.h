#pragma once

#include <QObject>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <atomic>
#include <memory>
#include <vector>

class QPainter;

namespace tarvik::engine {

struct GroupNode
{
    QString name;
    int page = 0; // 0-based page index where the group starts
    double y = 0; // points from the page's top edge to the group's first band
    std::vector<GroupNode> children;
};

struct TextHit
{
    int page = 0;
    QRectF rect; // points, on the page
};

class PageStore;
class LayoutJob;

namespace detail {
// Bytes of laid-out pages kept in memory before they go to a temporary file (tests lower it).
extern qint64 pageMemoryBudget;
} // namespace detail

// The prepared pages of a report, filled in by a background layout. The first pages can be
// painted while later ones are still being laid out; pagesAdded tells of new ones.
class Document : public QObject
{
    Q_OBJECT
public:
    ~Document() override;

    int pageCount() const;
    bool isComplete() const;   // finished or failed
    bool hasFailed() const;
    QString errorString() const;
    QSizeF pageSizePoints(int page) const;

    // The painter is already scaled to points (1/72 inch); the page's top-left is at (0, 0).
    void paintPage(QPainter& painter, int page) const;
    std::vector<GroupNode> groupTree() const;
    std::vector<TextHit> findText(const QString& text, Qt::CaseSensitivity cs) const;

    // Blocks until the layout has finished or failed.
    void waitForFinished();
    // The same for at most ms milliseconds; returns whether the layout has ended.
    bool waitForFinished(int ms);
    // Stops a layout that is still running (the pages so far stay).
    void cancel();

signals:
    void pagesAdded(int count); // pages available so far
    void finished();
    void failed(const QString& message);

private:
    friend class LayoutJob;
    friend class DocumentWriter;
    friend std::shared_ptr<Document> startLayout(std::unique_ptr<LayoutJob> job);
    explicit Document(QSizeF pageSize);
    void addPage(const QByteArray& page);
    void addGroupNode(int level, const QString& name, int page, double y);
    void finish(const QString& error);

    struct Private;
    std::unique_ptr<Private> d;
    std::atomic<bool> m_cancel{false};
};

} // namespace tarvik::engine
