#include "TextRenderer.h"
#include "EngineLog.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QPainter>
#include <deque>
#include <map>
#include <set>

Q_LOGGING_CATEGORY(lcEngine, "tarvik.engine", QtInfoMsg)

namespace tarvik::engine {

namespace {

QRawFont makeRawFont(const QString& family, const FontSpec& style)
{
    QFont f(family);
    f.setBold(style.bold);
    f.setItalic(style.italic);
    f.setPixelSize(std::max(1, int(std::lround(style.size))));
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::NoFontMerging);
    QRawFont raw = QRawFont::fromFont(f);
    raw.setPixelSize(style.size);
    return raw;
}

// Raw fonts belong to the thread that made them; each thread keeps its own.
struct ThreadFonts
{
    std::unordered_map<int, std::vector<QRawFont>> fonts;
    ~ThreadFonts()
    {
        // After the application object is gone, the font engines are gone too: let go of
        // the handles without touching them.
        if (!QCoreApplication::instance()) {
            auto* leak = new std::unordered_map<int, std::vector<QRawFont>>();
            leak->swap(fonts);
        }
    }
};
thread_local ThreadFonts t_fonts;

QMutex g_registryMutex;
std::deque<std::unique_ptr<FontTable>>& registry()
{
    static std::deque<std::unique_ptr<FontTable>> r;
    return r;
}

QString substituteFamily(const QString& requested)
{
    static const std::map<QString, QString> metricCompatible = {
        {QStringLiteral("arial"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("helvetica"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("ms sans serif"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("times new roman"), QStringLiteral("Liberation Serif")},
        {QStringLiteral("times"), QStringLiteral("Liberation Serif")},
        {QStringLiteral("courier new"), QStringLiteral("Liberation Mono")},
        {QStringLiteral("courier"), QStringLiteral("Liberation Mono")},
    };
    static std::set<QString> told;
    const QStringList families = QFontDatabase::families();
    auto installed = [&](const QString& f) {
        return families.contains(f, Qt::CaseInsensitive);
    };
    QString chosen = requested;
    QString reason;
    const auto it = metricCompatible.find(requested.toLower());
    if (it != metricCompatible.end() && installed(it->second)) {
        chosen = it->second;
        reason = QStringLiteral("metric-compatible substitute");
    } else if (!installed(requested)) {
        const QStringList fallbacks = {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
        for (const auto& f : fallbacks)
            if (installed(f)) {
                chosen = f;
                break;
            }
        reason = QStringLiteral("not installed");
    }
    if (chosen != requested && told.insert(requested.toLower()).second)
        qCInfo(lcEngine).noquote() << QStringLiteral("Font \"%1\" is drawn with \"%2\" (%3).")
                                          .arg(requested, chosen, reason);
    return chosen;
}

} // namespace

FontTable::FontTable(int id, const FontSpec& style, QStringList chain)
    : m_id(id), m_spec(style), m_chain(std::move(chain))
{
    const QRawFont raw = rawFont(0);
    m_ascent = raw.ascent();
    m_descent = raw.descent();
    m_leading = std::max<double>(0, raw.leading());
    if (m_ascent <= 0) { // a font without metrics: proportions of a common sans face
        m_ascent = style.size * 0.905;
        m_descent = style.size * 0.212;
    }
}

FontTable::~FontTable()
{
    for (auto& b : m_blocks)
        delete b.load();
}

QRawFont FontTable::rawFont(int chainIndex) const
{
    auto& list = t_fonts.fonts[m_id];
    if (list.empty())
        for (const auto& family : m_chain)
            list.push_back(makeRawFont(family, m_spec));
    return list[size_t(chainIndex)];
}

const FontTable::Block* FontTable::fillBlock(int block) const
{
    QMutexLocker lock(&m_mutex);
    if (Block* b = m_blocks[size_t(block)].load(std::memory_order_acquire))
        return b;
    auto* b = new Block();
    QString chars(256, QChar(u' '));
    for (int i = 0; i < 256; ++i)
        chars[i] = QChar(char16_t(block * 256 + i));
    std::vector<bool> done(256, false);
    for (int f = 0; f < m_chain.size(); ++f) {
        const QRawFont raw = rawFont(f);
        QList<quint32> glyphs = raw.glyphIndexesForString(chars);
        QList<QPointF> adv = raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
        for (int i = 0; i < 256 && i < glyphs.size(); ++i) {
            if (done[size_t(i)] || (glyphs[i] == 0 && f + 1 < m_chain.size()))
                continue;
            (*b)[size_t(i)] = {glyphs[i], float(adv[i].x()), quint8(f)};
            done[size_t(i)] = glyphs[i] != 0;
        }
    }
    // Controls and surrogate halves draw nothing.
    for (int i = 0; i < 256; ++i) {
        const char16_t c = char16_t(block * 256 + i);
        if (c < 0x20 || (c >= 0xD800 && c < 0xE000))
            (*b)[size_t(i)] = {};
    }
    m_blocks[size_t(block)].store(b, std::memory_order_release);
    return b;
}

GlyphInfo FontTable::glyph(char32_t cp) const
{
    if (cp < 0x10000) {
        const int block = int(cp >> 8);
        const Block* b = m_blocks[size_t(block)].load(std::memory_order_acquire);
        if (!b)
            b = fillBlock(block);
        return (*b)[cp & 0xFF];
    }
    QMutexLocker lock(&m_mutex);
    const auto it = m_astral.find(cp);
    if (it != m_astral.end())
        return it->second;
    GlyphInfo info;
    const QString s = QString::fromUcs4(&cp, 1);
    for (int f = 0; f < m_chain.size(); ++f) {
        const QRawFont raw = rawFont(f);
        const QList<quint32> g = raw.glyphIndexesForString(s);
        if (!g.isEmpty() && g[0] != 0) {
            const QList<QPointF> adv = raw.advancesForGlyphIndexes(g, QRawFont::UseDesignMetrics);
            info = {g[0], float(adv[0].x()), quint8(f)};
            break;
        }
    }
    if (info.glyph == 0)
        qCWarning(lcEngine).noquote() << QStringLiteral("No installed font has the character U+%1.")
                                             .arg(quint32(cp), 4, 16, QChar(u'0'));
    m_astral.emplace(cp, info);
    return info;
}

namespace {
template <typename F>
void forEachCodePoint(QStringView text, F&& f)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t cp = text[i].unicode();
        qsizetype len = 1;
        if (QChar::isHighSurrogate(cp) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
            len = 2;
        }
        f(cp, i, len);
        i += len - 1;
    }
}
} // namespace

double FontTable::advance(QStringView text) const
{
    double w = 0;
    forEachCodePoint(text, [&](char32_t cp, qsizetype, qsizetype) { w += glyph(cp).advance; });
    return w;
}

std::vector<double> FontTable::offsets(QStringView text) const
{
    std::vector<double> out(size_t(text.size()) + 1, 0.0);
    double w = 0;
    forEachCodePoint(text, [&](char32_t cp, qsizetype i, qsizetype len) {
        out[size_t(i)] = w;
        if (len == 2)
            out[size_t(i) + 1] = w;
        w += glyph(cp).advance;
    });
    out.back() = w;
    return out;
}

void FontTable::draw(QPainter& painter, QPointF origin, QStringView text, const QColor& color) const
{
    if (text.isEmpty())
        return;
    QList<quint32> glyphs;
    QList<QPointF> positions;
    glyphs.reserve(text.size());
    positions.reserve(text.size());
    int runFont = -1;
    double x = 0;
    const QPen oldPen = painter.pen();
    painter.setPen(color);
    auto flush = [&] {
        if (glyphs.isEmpty())
            return;
        QGlyphRun run;
        run.setRawFont(rawFont(runFont));
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        painter.drawGlyphRun(origin, run);
        glyphs.clear();
        positions.clear();
    };
    forEachCodePoint(text, [&](char32_t cp, qsizetype, qsizetype) {
        const GlyphInfo g = glyph(cp);
        if (g.glyph != 0) {
            if (g.font != runFont) {
                flush();
                runFont = g.font;
            }
            glyphs.append(g.glyph);
            positions.append(QPointF(x, 0));
        }
        x += g.advance;
    });
    flush();
    if (m_spec.underline) {
        QPen pen(color, std::max(0.5, m_spec.size / 16));
        painter.setPen(pen);
        const double y = origin.y() + m_descent * 0.45;
        painter.drawLine(QPointF(origin.x(), y), QPointF(origin.x() + x, y));
    }
    painter.setPen(oldPen);
}

QStringView FontTable::fit(QStringView text, double width) const
{
    double w = 0;
    qsizetype end = text.size();
    bool stop = false;
    forEachCodePoint(text, [&](char32_t cp, qsizetype i, qsizetype) {
        if (stop)
            return;
        w += glyph(cp).advance;
        if (w > width + 0.01) {
            end = i;
            stop = true;
        }
    });
    return text.left(end);
}

QStringList FontTable::wrap(QStringView text, double width) const
{
    QStringList lines;
    for (QStringView para : text.split(u'\n')) {
        if (para.endsWith(u'\r'))
            para.chop(1);
        QString line;
        double lineW = 0;
        const double space = glyph(U' ').advance;
        for (QStringView word : para.split(u' ', Qt::SkipEmptyParts)) {
            double ww = advance(word);
            if (!line.isEmpty() && lineW + space + ww <= width + 0.01) {
                line += u' ';
                line += word;
                lineW += space + ww;
                continue;
            }
            if (!line.isEmpty()) {
                lines << line;
                line.clear();
                lineW = 0;
            }
            while (ww > width + 0.01 && word.size() > 1) { // a word wider than the element
                QStringView part = fit(word, width);
                if (part.isEmpty())
                    part = word.left(1);
                lines << part.toString();
                word = word.mid(part.size());
                ww = advance(word);
            }
            line = word.toString();
            lineW = ww;
        }
        lines << line;
    }
    return lines;
}

const FontTable& fontTable(const FontSpec& style)
{
    QMutexLocker lock(&g_registryMutex);
    auto& reg = registry();
    for (const auto& t : reg)
        if (t->style() == style)
            return *t;
    QStringList chain{substituteFamily(style.family)};
    for (const QString& f : {QStringLiteral("DejaVu Sans"), QStringLiteral("DejaVu Serif")})
        if (!chain.contains(f, Qt::CaseInsensitive))
            chain << f;
    reg.push_back(std::make_unique<FontTable>(int(reg.size()), style, chain));
    return *reg.back();
}

const FontTable& fontTableById(int id)
{
    QMutexLocker lock(&g_registryMutex);
    return *registry().at(size_t(id));
}

} // namespace tarvik::engine
