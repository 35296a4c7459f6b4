// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/FixedPitchText.h"

#include <QGlyphRun>
#include <QList>
#include <QPainter>

void FixedPitchText::setFont(const QFont& font)
{
    usable_ = false;
    glyphs_.fill(kUnusable);
    rawFont_ = QRawFont::fromFont(font);
    if (!rawFont_.isValid())
        return;
    QList<quint32> drawn;
    for (int code = 0; code < kLatin1; ++code) {
        const QChar c(static_cast<char16_t>(code));
        if (!c.isPrint()) {
            glyphs_.at(code) = kNoGlyph;
            continue;
        }
        const QList<quint32> glyph = rawFont_.glyphIndexesForString(QString(c));
        if (glyph.size() == 1 && glyph.front() != kNoGlyph) {
            glyphs_.at(code) = glyph.front();
            drawn.append(glyph.front());
        }
    }
    // One pitch for all, as the text layout would place them; a face that is not fixed-pitch
    // after all is left to drawText.
    const QList<QPointF> advances = rawFont_.advancesForGlyphIndexes(drawn);
    if (advances.isEmpty())
        return;
    advance_ = advances.front().x();
    for (const QPointF& advance : advances) {
        if (advance.x() != advance_ || advance.y() != 0)
            return;
    }
    usable_ = advance_ > 0;
}

bool FixedPitchText::draw(QPainter& painter, QPointF origin, QStringView text) const
{
    if (!usable_)
        return false;
    QList<quint32> glyphs;
    QList<QPointF> positions;
    glyphs.reserve(text.size());
    positions.reserve(text.size());
    for (qsizetype column = 0; column < text.size(); ++column) {
        const char16_t code = text[column].unicode();
        const quint32 glyph = code < kLatin1 ? glyphs_.at(code) : kUnusable;
        if (glyph == kUnusable)
            return false;
        if (glyph == kNoGlyph)
            continue;
        glyphs.append(glyph);
        positions.append(QPointF(column * advance_, 0));
    }
    if (glyphs.isEmpty())
        return true;
    QGlyphRun run;
    run.setRawFont(rawFont_);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter.drawGlyphRun(origin, run);
    return true;
}
