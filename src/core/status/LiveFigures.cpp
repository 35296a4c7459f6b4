// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/status/LiveFigures.h"

#include "core/SharedState.h"
#include "core/scope/ScopeGeometry.h"

#include <array>
#include <span>

namespace {
const QString kBlockFigures = QStringLiteral("last block peak %1, RMS %2");
const QString kSettledMove = QStringLiteral("last move settled in %1 ms, %2 % overshoot");
const QString kSeparator = QStringLiteral("; ");
} // namespace

void LiveFigures::take(const SampleBlock& block, double timeGridMs)
{
    lastBlock_ = BlockStats::sumsOf(block).figures();
    std::array<int, kBlockSize> levels{};
    for (std::size_t i = 0; i < levels.size(); ++i)
        if (const std::optional<quint8> value = block.entry[i + 1])
            levels[i] = ScopeGeometry::levelOfValue(*value);
    // A sample not received ends a stretch as a block's end does: no move is followed across it.
    moves_.clear();
    const MoveFinder::Settings settings;
    const std::span<const int> all(levels);
    for (int start = 0; start < kBlockSize;) {
        int end = start;
        while (end < kBlockSize && block.entry[static_cast<std::size_t>(end) + 1])
            ++end;
        if (end > start)
            MoveFinder::findIn(
                all.subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)),
                start, settings, moves_);
        start = end + 1;
    }
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
    if (lastSettled_)
        text += kSeparator + kSettledMove.arg(*lastSettled_->settleMs, 0, 'f', 1)
                                 .arg(lastSettled_->overshootPct, 0, 'f', 0);
    return text;
}
