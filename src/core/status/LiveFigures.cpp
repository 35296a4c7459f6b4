// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/status/LiveFigures.h"

#include "core/SharedState.h"
#include "core/scope/ScopeGeometry.h"

#include <array>

namespace {
const QString kBlockFigures = QStringLiteral("last block peak %1, RMS %2");
const QString kSettledMove = QStringLiteral("last move settled in %1 ms, %2 % overshoot");
const QString kSeparator = QStringLiteral("; ");
} // namespace

void LiveFigures::take(const SampleBlock& block, double timeGridMs)
{
    lastBlock_ = BlockStats::sumsOf(block).figures();
    std::array<int, kBlockSize> levels{};
    std::array<bool, kBlockSize> received{};
    for (std::size_t i = 0; i < levels.size(); ++i) {
        if (const std::optional<quint8> value = block.entry[i + 1]) {
            levels[i] = ScopeGeometry::levelOfValue(*value);
            received[i] = true;
        }
    }
    moves_.clear();
    const MoveFinder::Settings settings;
    MoveFinder::findInReceived(levels, received, settings, moves_);
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
