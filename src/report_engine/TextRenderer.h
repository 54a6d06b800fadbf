#pragma once

// Text without repeated shaping. A report's texts are short runs of Latin letters and digits
// that repeat on every page, so each font keeps a table of glyph and advance per character,
// filled once per block of 256 characters; drawing a text is then a table look-up and one
// glyph run. Characters the font lacks come from a fallback font, never as boxes.

#include "Definition.h"

#include <QColor>
#include <QFont>
#include <QMutex>
#include <QPointF>
#include <QRawFont>
#include <QStringList>
#include <QStringView>
#include <array>
#include <atomic>
#include <unordered_map>

class QPainter;

namespace tarvik::engine {

struct GlyphInfo
{
    quint32 glyph = 0;
    float advance = 0;
    quint8 font = 0; // index in the font's fallback chain
};

class FontTable
{
public:
    FontTable(int id, const FontSpec& style, QStringList chain);
    ~FontTable();

    int id() const { return m_id; }
    const FontSpec& style() const { return m_spec; }
    QString family() const { return m_chain.front(); }
    double ascent() const { return m_ascent; }
    double descent() const { return m_descent; }
    double lineHeight() const { return m_ascent + m_descent + m_leading; }

    // Thread-safe: blocks are filled once under a lock, read without one.
    GlyphInfo glyph(char32_t codePoint) const;
    double advance(QStringView text) const;
    // Offsets of each UTF-16 position's left edge (size = text.size() + 1).
    std::vector<double> offsets(QStringView text) const;

    // Draws with the baseline starting at origin. The painter's unit is the point.
    void draw(QPainter& painter, QPointF origin, QStringView text, const QColor& color) const;
    // Hands out each glyph of a text placed at origin (chain font, glyph, position); returns
    // the text's width. Lets a page gather its glyphs into a few runs.
    template <typename F> double placeGlyphs(QPointF origin, QStringView text, F&& place) const;

    // Breaks a text into lines no wider than width (words longer than a line are cut).
    QStringList wrap(QStringView text, double width) const;
    // The longest start of text that fits width.
    QStringView fit(QStringView text, double width) const;

    // This thread's raw font for a member of the chain.
    QRawFont rawFont(int chainIndex) const;

private:
    using Block = std::array<GlyphInfo, 256>;
    const Block* fillBlock(int block) const;

    int m_id;
    FontSpec m_spec;
    QStringList m_chain;
    double m_ascent = 0, m_descent = 0, m_leading = 0;
    mutable std::array<std::atomic<Block*>, 256> m_blocks{};
    mutable QMutex m_mutex;
    mutable std::unordered_map<char32_t, GlyphInfo> m_astral;
};

template <typename F> double FontTable::placeGlyphs(QPointF origin, QStringView text, F&& place) const
{
    double x = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t cp = text[i].unicode();
        if (QChar::isHighSurrogate(cp) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        const GlyphInfo g = glyph(cp);
        if (g.glyph != 0)
            place(int(g.font), g.glyph, QPointF(origin.x() + x, origin.y()));
        x += g.advance;
    }
    return x;
}

// The one table of a font style, for the program's whole run (they are small and few).
// Maps Arial, Times New Roman and Courier New to their Liberation equivalents and any
// family the machine lacks to a metric-compatible one, saying so once in the log.
const FontTable& fontTable(const FontSpec& style);
const FontTable& fontTableById(int id);

} // namespace tarvik::engine
