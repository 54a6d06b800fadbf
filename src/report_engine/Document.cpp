#include "Document.h"
#include "DisplayList.h"
#include "EngineLog.h"
#include "Layout.h"
#include "ReportError.h"
#include "TextRenderer.h"

#include "DbError.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QPainter>
#include <QTemporaryFile>
#include <QThread>
#include <QWaitCondition>
#include <cerrno>
#include <deque>

namespace tarvik::engine {

namespace detail {
qint64 pageMemoryBudget = 32 * 1024 * 1024;
} // namespace detail

// Pages are kept in memory up to a budget; beyond it they go to a temporary file and are
// read back when painted, so a million-row report costs disk, not memory.
class PageStore
{
public:
    void append(const QByteArray& page)
    {
        QMutexLocker lock(&m_mutex);
        Entry e;
        e.size = quint32(page.size());
        if (m_memBytes + page.size() <= detail::pageMemoryBudget) {
            e.data = page;
            m_memBytes += page.size();
        } else {
            if (!m_file.isOpen() && !m_file.open())
                throw ReportError(QStringLiteral("Cannot make a temporary file for the report's pages: %1")
                                      .arg(m_file.errorString()));
            e.offset = m_fileEnd;
            // Each page is flushed here, so that a full disk fails the layout rather than
            // leaving a page that is found missing only when it is painted.
            errno = 0;
            if (!m_file.seek(m_fileEnd) || m_file.write(page) != page.size() || !m_file.flush()) {
                // The file layer often says only "Unknown error"; the system's reason is clearer.
                const QString reason = errno != 0 ? qt_error_string(errno) : m_file.errorString();
                throw ReportError(QStringLiteral("Cannot write the report's pages to %1: %2")
                                      .arg(m_file.fileName(), reason));
            }
            m_fileEnd += page.size();
        }
        m_entries.push_back(std::move(e));
    }

    QByteArray get(int index) const
    {
        QMutexLocker lock(&m_mutex);
        const Entry& e = m_entries.at(size_t(index));
        if (e.offset < 0)
            return e.data;
        QByteArray out;
        if (m_file.seek(e.offset))
            out = m_file.read(e.size);
        if (out.size() != qsizetype(e.size)) {
            qCWarning(lcEngine) << "cannot read page" << index + 1 << "back:" << m_file.errorString();
            return {};
        }
        return out;
    }

    int count() const
    {
        QMutexLocker lock(&m_mutex);
        return int(m_entries.size());
    }

private:
    struct Entry
    {
        QByteArray data;
        qint64 offset = -1;
        quint32 size = 0;
    };
    mutable QMutex m_mutex;
    std::deque<Entry> m_entries;
    qint64 m_memBytes = 0;
    mutable QTemporaryFile m_file;
    qint64 m_fileEnd = 0;
};

struct Document::Private
{
    QSizeF pageSize;
    PageStore pages;
    mutable QMutex mutex;
    QWaitCondition done;
    std::atomic<int> pageCount{0};
    bool complete = false;
    QString error;
    std::vector<GroupNode> tree;
    QThread* thread = nullptr;
    QElapsedTimer sinceSignal;
};

Document::Document(QSizeF pageSize) : d(std::make_unique<Private>())
{
    d->pageSize = pageSize;
}

Document::~Document()
{
    cancel();
    if (d->thread) {
        d->thread->wait();
        delete d->thread;
    }
}

int Document::pageCount() const
{
    return d->pageCount.load();
}

bool Document::isComplete() const
{
    QMutexLocker lock(&d->mutex);
    return d->complete;
}

bool Document::hasFailed() const
{
    QMutexLocker lock(&d->mutex);
    return d->complete && !d->error.isEmpty();
}

QString Document::errorString() const
{
    QMutexLocker lock(&d->mutex);
    return d->error;
}

QSizeF Document::pageSizePoints(int) const
{
    return d->pageSize;
}

void Document::paintPage(QPainter& painter, int page) const
{
    if (page < 0 || page >= pageCount())
        return;
    PageContext ctx;
    ctx.pageNumber = page + 1;
    ctx.pageCount = isComplete() && !hasFailed() ? pageCount() : 0;
    paintDisplayList(painter, d->pages.get(page), ctx);
}

std::vector<GroupNode> Document::groupTree() const
{
    QMutexLocker lock(&d->mutex);
    return d->tree;
}

std::vector<TextHit> Document::findText(const QString& text, Qt::CaseSensitivity cs) const
{
    std::vector<TextHit> hits;
    if (text.isEmpty())
        return hits;
    const int n = pageCount();
    const bool complete = isComplete() && !hasFailed();
    for (int p = 0; p < n; ++p) {
        PageContext ctx{p + 1, complete ? n : 0};
        visitTexts(d->pages.get(p), ctx, [&](QStringView s, const FontTable& font, QPointF origin) {
            qsizetype from = 0;
            while ((from = s.indexOf(text, from, cs)) >= 0) {
                const auto offs = font.offsets(s);
                const double x0 = offs[size_t(from)];
                const double x1 = offs[size_t(from + text.size())];
                hits.push_back({p, QRectF(origin.x() + x0, origin.y() - font.ascent(), x1 - x0,
                                          font.ascent() + font.descent())});
                from += text.size();
            }
        });
    }
    return hits;
}

void Document::waitForFinished()
{
    QMutexLocker lock(&d->mutex);
    while (!d->complete)
        d->done.wait(&d->mutex);
}

bool Document::waitForFinished(int ms)
{
    QMutexLocker lock(&d->mutex);
    if (!d->complete)
        d->done.wait(&d->mutex, QDeadlineTimer(ms));
    return d->complete;
}

void Document::cancel()
{
    m_cancel.store(true);
}

void Document::addPage(const QByteArray& page)
{
    d->pages.append(page);
    const int count = ++d->pageCount;
    // The first page at once, then a few times a second: a viewer needs no more.
    if (count == 1 || d->sinceSignal.elapsed() >= 100) {
        d->sinceSignal.restart();
        emit pagesAdded(count);
    }
}

void Document::addGroupNode(int level, const QString& name, int page, double y)
{
    QMutexLocker lock(&d->mutex);
    std::vector<GroupNode>* list = &d->tree;
    for (int l = 0; l < level && !list->empty(); ++l)
        list = &list->back().children;
    list->push_back({name, page, y, {}});
}

void Document::finish(const QString& error)
{
    {
        QMutexLocker lock(&d->mutex);
        d->complete = true;
        d->error = error;
        d->done.wakeAll();
    }
    emit pagesAdded(pageCount());
    if (error.isEmpty())
        emit finished();
    else
        emit failed(error);
}

std::shared_ptr<Document> startLayout(std::unique_ptr<LayoutJob> job)
{
    const QSizeF size = job->snapshot().def->pageSizePoints();
    std::shared_ptr<Document> doc(new Document(size));
    Document* raw = doc.get();
    raw->d->sinceSignal.start();
    raw->d->thread = QThread::create([raw, job = std::shared_ptr<LayoutJob>(std::move(job))] {
        QString error;
        try {
            job->run(*raw, raw->m_cancel);
        } catch (const ReportError& e) {
            error = e.message();
        } catch (const db::DbError& e) {
            error = e.message();
        } catch (const std::exception& e) {
            error = QString::fromUtf8(e.what());
        }
        if (!error.isEmpty())
            qCWarning(lcEngine).noquote() << "layout failed:" << error;
        raw->finish(error);
    });
    raw->d->thread->setObjectName(QStringLiteral("tarvik-layout"));
    raw->d->thread->start();
    return doc;
}

} // namespace tarvik::engine
