#include "DisplayList.h"
#include "ReportError.h"
#include "TextRenderer.h"

#include <QGlyphRun>
#include <QImageReader>
#include <QMutex>
#include <QPainter>
#include <cstring>
#include <deque>
#include <vector>

namespace tarvik::engine {

namespace {

QMutex g_imageMutex;
std::vector<std::pair<QString, QImage>>& images()
{
    static std::vector<std::pair<QString, QImage>> list;
    return list;
}

QImage imageById(int id)
{
    QMutexLocker lock(&g_imageMutex);
    return images().at(size_t(id)).second;
}

class Reader
{
public:
    explicit Reader(const QByteArray& d)
        : m_begin(d.constData()), m_p(d.constData()), m_end(d.constData() + d.size())
    {
    }
    bool atEnd() const { return m_p >= m_end; }
    template <typename T> T get()
    {
        T v;
        std::memcpy(&v, m_p, sizeof(T));
        m_p += sizeof(T);
        return v;
    }
    QStringView text()
    {
        const quint16 n = get<quint16>();
        if ((m_p - m_begin) % 2 != 0) // texts are stored 2-byte aligned, see putText
            ++m_p;
        QStringView s(reinterpret_cast<const char16_t*>(m_p), n);
        m_p += n * 2;
        return s;
    }
    QColor color() { return QColor::fromRgba(get<quint32>()); }
    QPointF point()
    {
        const float x = get<float>();
        const float y = get<float>();
        return {x, y};
    }
    QRectF rect()
    {
        const float x = get<float>(), y = get<float>(), w = get<float>(), h = get<float>();
        return {x, y, w, h};
    }

private:
    const char* m_begin;
    const char* m_p;
    const char* m_end;
};

QPainterPath readPath(Reader& r)
{
    const quint32 n = r.get<quint32>();
    QPainterPath path;
    QPointF curve[2];
    int pending = 0; // control points of a curve read so far
    for (quint32 i = 0; i < n; ++i) {
        const auto type = QPainterPath::ElementType(r.get<quint8>());
        const QPointF p = r.point();
        switch (type) {
        case QPainterPath::MoveToElement:
            path.moveTo(p);
            break;
        case QPainterPath::LineToElement:
            path.lineTo(p);
            break;
        case QPainterPath::CurveToElement:
            curve[0] = p;
            pending = 1;
            break;
        case QPainterPath::CurveToDataElement:
            if (pending == 1) {
                curve[1] = p;
                pending = 2;
            } else if (pending == 2) {
                path.cubicTo(curve[0], curve[1], p);
                pending = 0;
            }
            break;
        }
    }
    return path;
}

QString fillPageField(QStringView templ, const PageContext& ctx)
{
    QString s = templ.toString();
    s.replace(QLatin1String("{page}"), QString::number(ctx.pageNumber));
    s.replace(QLatin1String("{pages}"), ctx.pageCount > 0 ? QString::number(ctx.pageCount) : QStringLiteral("?"));
    return s;
}

QPointF alignedOrigin(const FontTable& font, const QRectF& rect, int align, QStringView text)
{
    double x = rect.left();
    if (align != 0) {
        const double w = font.advance(text);
        x = align == 1 ? rect.left() + (rect.width() - w) / 2 : rect.right() - w;
    }
    return {x, rect.top() + font.ascent()};
}

} // namespace

template <typename T> void PageBuilder::put(T v)
{
    m_data.append(reinterpret_cast<const char*>(&v), sizeof(T));
}

void PageBuilder::putText(QStringView s)
{
    const auto n = quint16(std::min<qsizetype>(s.size(), 65535));
    put(n);
    // Characters are read in place as UTF-16: keep them on an even offset.
    if (m_data.size() % 2 != 0)
        m_data.append('\0');
    m_data.append(reinterpret_cast<const char*>(s.utf16()), n * 2);
}

void PageBuilder::text(const FontTable& font, QPointF baseline, QStringView s, const QColor& color)
{
    if (s.isEmpty())
        return;
    put(DisplayOp::Text);
    put(quint16(font.id()));
    put(quint32(color.rgba()));
    put(float(baseline.x()));
    put(float(baseline.y()));
    putText(s);
}

void PageBuilder::pageField(const FontTable& font, const QRectF& r, int align, QStringView templ,
                            const QColor& color)
{
    put(DisplayOp::PageField);
    put(quint16(font.id()));
    put(quint32(color.rgba()));
    put(quint8(align));
    put(float(r.x()));
    put(float(r.y()));
    put(float(r.width()));
    put(float(r.height()));
    putText(templ);
}

void PageBuilder::line(QPointF a, QPointF b, double width, const QColor& color)
{
    put(DisplayOp::Line);
    put(quint32(color.rgba()));
    put(float(width));
    put(float(a.x()));
    put(float(a.y()));
    put(float(b.x()));
    put(float(b.y()));
}

void PageBuilder::box(const QRectF& r, double width, const QColor& stroke, const QColor& fill)
{
    put(DisplayOp::Box);
    put(quint32(stroke.rgba()));
    put(float(width));
    put(quint32(fill.isValid() ? fill.rgba() : 0));
    put(float(r.x()));
    put(float(r.y()));
    put(float(r.width()));
    put(float(r.height()));
}

void PageBuilder::image(int imageId, const QRectF& r)
{
    put(DisplayOp::Image);
    put(quint16(imageId));
    put(float(r.x()));
    put(float(r.y()));
    put(float(r.width()));
    put(float(r.height()));
}

void PageBuilder::path(const QPainterPath& path, double width, const QColor& stroke, const QColor& fill,
                       Qt::PenStyle style)
{
    if (path.isEmpty())
        return;
    put(DisplayOp::Path);
    put(quint32(stroke.isValid() ? stroke.rgba() : 0));
    put(float(width));
    put(quint32(fill.isValid() ? fill.rgba() : 0));
    put(quint8(style));
    put(quint32(path.elementCount()));
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element el = path.elementAt(i);
        put(quint8(el.type));
        put(float(el.x));
        put(float(el.y));
    }
}

QByteArray PageBuilder::take()
{
    QByteArray out;
    out.swap(m_data);
    out.squeeze();
    return out;
}

namespace {

// A page's glyphs gathered by font and colour: a PDF then gets a handful of text objects per
// page instead of one per field, which is most of the cost of writing it.
class GlyphBatches
{
public:
    void add(QPainter& painter, const FontTable& font, QPointF origin, QStringView text, const QColor& color)
    {
        const QRgb rgba = color.rgba();
        const double width = font.placeGlyphs(origin, text, [&](int chain, quint32 glyph, QPointF at) {
            Batch& b = batch(font, chain, rgba);
            b.glyphs.append(glyph);
            b.positions.append(at);
        });
        if (font.style().underline) {
            painter.setPen(QPen(color, std::max(0.5, font.style().size / 16)));
            const double y = origin.y() + font.descent() * 0.45;
            painter.drawLine(QPointF(origin.x(), y), QPointF(origin.x() + width, y));
        }
    }

    void paint(QPainter& painter)
    {
        for (Batch& b : m_batches) {
            QGlyphRun run;
            run.setRawFont(b.font->rawFont(b.chain));
            run.setGlyphIndexes(b.glyphs);
            run.setPositions(b.positions);
            painter.setPen(QColor::fromRgba(b.color));
            painter.drawGlyphRun(QPointF(0, 0), run);
        }
    }

private:
    struct Batch
    {
        const FontTable* font;
        int chain;
        QRgb color;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    Batch& batch(const FontTable& font, int chain, QRgb color)
    {
        if (m_last && m_last->font == &font && m_last->chain == chain && m_last->color == color)
            return *m_last;
        for (Batch& b : m_batches)
            if (b.font == &font && b.chain == chain && b.color == color)
                return *(m_last = &b);
        m_batches.push_back({&font, chain, color, {}, {}});
        m_last = nullptr; // the vector may have moved
        return *(m_last = &m_batches.back());
    }
    std::deque<Batch> m_batches;
    Batch* m_last = nullptr;
};

} // namespace

void paintDisplayList(QPainter& painter, const QByteArray& page, const PageContext& ctx)
{
    Reader r(page);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    GlyphBatches texts;
    while (!r.atEnd()) {
        const auto op = r.get<DisplayOp>();
        switch (op) {
        case DisplayOp::Text: {
            const FontTable& font = fontTableById(r.get<quint16>());
            const QColor color = r.color();
            const QPointF at = r.point();
            texts.add(painter, font, at, r.text(), color);
            break;
        }
        case DisplayOp::PageField: {
            const FontTable& font = fontTableById(r.get<quint16>());
            const QColor color = r.color();
            const int align = r.get<quint8>();
            const QRectF rect = r.rect();
            const QString s = fillPageField(r.text(), ctx);
            texts.add(painter, font, alignedOrigin(font, rect, align, s), s, color);
            break;
        }
        case DisplayOp::Line: {
            const QColor color = r.color();
            const float width = r.get<float>();
            const QPointF a = r.point();
            const QPointF b = r.point();
            painter.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(a, b);
            break;
        }
        case DisplayOp::Box: {
            const QColor stroke = r.color();
            const float width = r.get<float>();
            const QColor fill = QColor::fromRgba(r.get<quint32>());
            const QRectF rect = r.rect();
            painter.setPen(width > 0 ? QPen(stroke, width) : QPen(Qt::NoPen));
            painter.setBrush(fill.alpha() > 0 ? QBrush(fill) : QBrush(Qt::NoBrush));
            painter.drawRect(rect);
            painter.setBrush(Qt::NoBrush);
            break;
        }
        case DisplayOp::Image: {
            const int id = r.get<quint16>();
            const QRectF rect = r.rect();
            painter.drawImage(rect, imageById(id));
            break;
        }
        case DisplayOp::Path: {
            const QColor stroke = r.color();
            const float width = r.get<float>();
            const QColor fill = QColor::fromRgba(r.get<quint32>());
            const auto style = Qt::PenStyle(r.get<quint8>());
            const QPainterPath path = readPath(r);
            QPen pen(width > 0 && stroke.alpha() > 0 ? QPen(stroke, width, style, Qt::FlatCap, Qt::MiterJoin)
                                                     : QPen(Qt::NoPen));
            painter.setPen(pen);
            painter.setBrush(fill.alpha() > 0 ? QBrush(fill) : QBrush(Qt::NoBrush));
            painter.drawPath(path);
            painter.setBrush(Qt::NoBrush);
            break;
        }
        }
    }
    texts.paint(painter);
    painter.restore();
}

void visitTexts(const QByteArray& page, const PageContext& ctx,
                const std::function<void(QStringView, const FontTable&, QPointF)>& visit)
{
    Reader r(page);
    while (!r.atEnd()) {
        const auto op = r.get<DisplayOp>();
        switch (op) {
        case DisplayOp::Text: {
            const FontTable& font = fontTableById(r.get<quint16>());
            r.get<quint32>();
            const QPointF at = r.point();
            visit(r.text(), font, at);
            break;
        }
        case DisplayOp::PageField: {
            const FontTable& font = fontTableById(r.get<quint16>());
            r.get<quint32>();
            const int align = r.get<quint8>();
            const QRectF rect = r.rect();
            const QString s = fillPageField(r.text(), ctx);
            visit(s, font, alignedOrigin(font, rect, align, s));
            break;
        }
        case DisplayOp::Line:
            r.get<quint32>();
            r.get<float>();
            r.rect();
            break;
        case DisplayOp::Box:
            r.get<quint32>();
            r.get<float>();
            r.get<quint32>();
            r.rect();
            break;
        case DisplayOp::Image:
            r.get<quint16>();
            r.rect();
            break;
        case DisplayOp::Path:
            r.get<quint32>();
            r.get<float>();
            r.get<quint32>();
            r.get<quint8>();
            readPath(r);
            break;
        }
    }
}

int registerImage(const QString& path)
{
    QMutexLocker lock(&g_imageMutex);
    auto& list = images();
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].first == path)
            return int(i);
    QImageReader reader(path);
    QImage img = reader.read();
    if (img.isNull())
        throw ReportError(QStringLiteral("The image \"%1\" cannot be read: %2").arg(path, reader.errorString()));
    list.emplace_back(path, img);
    return int(list.size() - 1);
}

} // namespace tarvik::engine
