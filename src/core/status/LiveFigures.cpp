// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/status/LiveFigures.h"

#include "core/analysis/BlockLevels.h"

namespace {
const QString kBlockFigures = QStringLiteral("last block peak %1, RMS %2");
const QString kSettledMove = QStringLiteral("last move settled in %1 ms, %2 % overshoot");
// The chip's timing was not answered: a settle time in milliseconds would be made up.
const QString kSettledMoveNoGrid =
    QStringLiteral("last move settled, %1 % overshoot (no time grid: the chip's timing was not "
                   "answered)");
const QString kSeparator = QStringLiteral("; ");
} // namespace

void LiveFigures::take(const SampleBlock& block, double timeGridMs)
{
    lastBlock_ = BlockStats::sumsOf(block).figures();
    const BlockLevels levels = BlockLevels::ofBlock(block);
    moves_.clear();
    const MoveFinder::Settings settings;
    MoveFinder::findInReceived(levels.level, levels.received, settings, moves_);
    for (auto move = moves_.rbegin(); move != moves_.rend(); ++move) {
        if (move->settleAt) {
            lastSettled_ = MoveFinder::figuresOf(*move, timeGridMs, settings);
            break;
        }
    }
}

void LiveFigures::clear()
{
    lastBlock_.reset();
    lastSettled_.reset();
}

QString LiveFigures::text() const
{
    if (!lastBlock_)
        return {};
    QString text = kBlockFigures.arg(lastBlock_->peak).arg(lastBlock_->rms, 0, 'f', 2);
    if (lastSettled_ && lastSettled_->settleMs)
        text += kSeparator + kSettledMove.arg(*lastSettled_->settleMs, 0, 'f', 1)
                                 .arg(lastSettled_->overshootPct, 0, 'f', 0);
    else if (lastSettled_)
        text += kSeparator + kSettledMoveNoGrid.arg(lastSettled_->overshootPct, 0, 'f', 0);
    return text;
}
