// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Draws rows of a fixed-pitch font straight from the font's glyphs: the pixels QPainter::drawText
// gives for the same text, without the text layout's shaping pass, which costs a fifth of a
// console taking text at the line rate. Only for Latin-1 text whose every character the font
// has a glyph for, at the advance all of them share; anything else is left to drawText.

#include <QFont>
#include <QPointF>
#include <QRawFont>
#include <QStringView>

#include <array>

class QPainter;

class FixedPitchText
{
public:
    void setFont(const QFont& font);
    // Draws `text` with its baseline starting at `origin`. Characters without a glyph of their
    // own (control characters) show as a blank, as they do in the console. False, with nothing
    // drawn, when the text has a character this font cannot draw at the shared pitch.
    bool draw(QPainter& painter, QPointF origin, QStringView text) const;

private:
    static constexpr int kLatin1 = 256;
    static constexpr quint32 kNoGlyph = 0;
    static constexpr quint32 kUnusable = ~quint32(0);

    QRawFont rawFont_;
    // The glyph for each Latin-1 character; kNoGlyph for a blank, kUnusable where drawText
    // must draw it.
    std::array<quint32, kLatin1> glyphs_{};
    qreal advance_ = 0;
    bool usable_ = false;
};
