// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Setting up what the core shows, for tests that start from a given state.

#include "support/CoreInsides.h"

// Puts a text into the console as if the chip had sent it (the core holds the console's text;
// a window shows it).
inline void setConsoleText(Core& core, const QString& text)
{
    CoreInsides::clearConsole(core);
    if (!text.isEmpty())
        CoreInsides::appendToConsole(core, text);
}

// A block whose samples climb and fall, so every sample sits at a different place.
inline SampleBlock zigzagBlock()
{
    SampleBlock block;
    for (int i = 1; i <= kBlockSize; ++i)
        block.entry[i] = static_cast<quint8>(20 + (i * 7) % 200);
    return block;
}

// The bytes of a block (or of part of one) in which every sample is the same.
inline QByteArray constantBlock(int size, quint8 value) { return QByteArray(size, char(value)); }

// A console line's text: its number in `width` digits, so every line differs and fills the width.
inline QString lineOf(int number, int width)
{
    return QStringLiteral("%1").arg(number, width, 10, QLatin1Char('0'));
}
