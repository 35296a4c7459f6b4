// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Watches the blocks a window captures from its port. It is connected after the window's own
// receive handler, so it looks at each receive event once the dispatcher has stored and drawn
// the block; it also checks the drawing against the stored block.

#include "support/CoreInsides.h"
#include "window/Fo.h"
#include "core/link/Comm.h"
#include "window/ScopeSurface.h"

#include <QByteArray>
#include <QImage>
#include <QObject>

class BlockWatch
{
public:
    // comm: the window's port.
    BlockWatch(Fo& fo, Comm& comm) : fo_(fo), comm_(comm)
    {
        QObject::connect(&comm, &Comm::onComm, &context_, [this] { afterReceive(); });
    }

    // Receive events handled in capture mode, and how many of them brought a block that
    // differs from the one before.
    int captures() const { return captures_; }
    int distinctBlocks() const { return distinct_; }

    // A block's entries as bytes for comparing blocks: each sample and a mark, or a mark alone
    // where no byte was read.
    static QByteArray entriesOf(const SampleBlock& block)
    {
        QByteArray bytes;
        for (int i = 1; i <= kBlockSize; ++i)
            bytes += block.entry[i] ? QByteArray(1, char(*block.entry[i])) + '+' : QByteArray("-");
        return bytes;
    }

    // Samples of the last block that are missing (no byte was waiting when it was read).
    static int missingSamples(const SampleBlock& block, int upTo = kBlockSize)
    {
        int missing = 0;
        for (int i = 1; i <= upTo; ++i)
            missing += block.entry[i] ? 0 : 1;
        return missing;
    }

    // Points of the block (sample i at x = 2i, y = 511 - 2v) within the columns [0, lastX]
    // where the composite shows no trace: neither the point nor a pixel right above or below
    // it is in the colour. The tolerance of one pixel leaves the rasterizing of the joints to
    // the drawing tests; what counts here is that the trace drawn is the block received.
    static int pointsOffTrace(const QImage& composite, const SampleBlock& block, QRgb colour,
                              int lastX)
    {
        const auto inColour = [&](int x, int y) {
            return y >= 0 && y < composite.height() &&
                   (composite.pixel(x, y) & RGB_MASK) == (colour & RGB_MASK);
        };
        int off = 0;
        for (int i = 1; i <= kBlockSize && 2 * i <= lastX && 2 * i < composite.width(); ++i) {
            if (!block.entry[i])
                continue;
            const int x = 2 * i;
            const int y = 511 - 2 * *block.entry[i];
            if (!inColour(x, y) && !inColour(x, y - 1) && !inColour(x, y + 1))
                ++off;
        }
        return off;
    }

private:
    void afterReceive()
    {
        if (comm_.commEvent() != Comm::kEvReceive ||
            fo_.core().lineMode() != Core::LineMode::Capture)
            return;
        ++captures_;
        const QByteArray entries = entriesOf(fo_.core().lastBlock());
        if (entries != last_)
            ++distinct_;
        last_ = entries;
    }

    Fo& fo_;
    Comm& comm_;
    QObject context_;
    int captures_ = 0;
    int distinct_ = 0;
    QByteArray last_;
};
