#pragma once

// A prepared page as a compact byte string: positioned texts (drawn through the font's glyph
// table), page-number fields filled in when painted, lines, boxes, images and paths (the
// shapes of charts). A page of a
// few hundred items is a few kilobytes, and no object is kept per item.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <functional>

class QPainter;

namespace tarvik::engine {

class FontTable;

enum class DisplayOp : quint8 { Text = 1, PageField = 2, Line = 3, Box = 4, Image = 5, Path = 6 };

class PageBuilder
{
public:
    void text(const FontTable& font, QPointF baseline, QStringView text, const QColor& color);
    // A text holding {page} and {pages}, aligned in rect when painted.
    void pageField(const FontTable& font, const QRectF& rect, int align, QStringView templ,
                   const QColor& color);
    void line(QPointF a, QPointF b, double width, const QColor& color);
    void box(const QRectF& rect, double width, const QColor& stroke, const QColor& fill);
    void image(int imageId, const QRectF& rect);
    // Any outline: stroked when width > 0 (solid, dashed, dotted...), filled when fill is valid.
    void path(const QPainterPath& path, double width, const QColor& stroke, const QColor& fill,
              Qt::PenStyle style = Qt::SolidLine);

    QByteArray take();
    bool isEmpty() const { return m_data.isEmpty(); }

private:
    template <typename T> void put(T v);
    void putText(QStringView s);
    QByteArray m_data;
};

struct PageContext
{
    int pageNumber = 1;  // 1-based
    int pageCount = 0;   // 0 while the layout is still running
};

// Paints a page's display list.
void paintDisplayList(QPainter& painter, const QByteArray& page, const PageContext& ctx);

// Calls visit(text, font, baseline origin) for every text of a page (page fields filled in).
void visitTexts(const QByteArray& page, const PageContext& ctx,
                const std::function<void(QStringView, const FontTable&, QPointF)>& visit);

// Images are loaded once per path and shared by every page that shows them.
int registerImage(const QString& path); // throws ReportError when the file is not an image

} // namespace tarvik::engine
