// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/RunAnalysis.h"

#include "capture/CaptureCsv.h"

namespace {
using RunFigures::Id;
using RunFigures::Missing;
using RunFigures::Quantity;

RunFigures::Value plain(Quantity quantity)
{
    return {quantity, {}, {}};
}
} // namespace

RunAnalysis::RunAnalysis(const MoveFinder::Settings& settings)
    : settings_(settings), tally_(settings)
{
}

const std::vector<MoveFinder::Move>& RunAnalysis::addBlock(long long number, const Values& values,
                                                           double timeGridMs)
{
    if (blocks_ == 0)
        timeGridMs_ = timeGridMs;
    ++blocks_;
    const BlockLevels block = BlockLevels::ofValues(values);
    BlockStats::Accumulator sums;
    for (const int value : values)
        if (value != CaptureCsv::kMissing)
            sums.add(value);
    sums_.add(sums);
    const std::optional<BlockStats::Figures> figures = sums.figures();
    history_.add(number, figures ? figures->samples : 0,
                 figures ? figures->rms * figures->rms * static_cast<double>(figures->samples) : 0,
                 figures ? figures->peak : 0);
    if (figures)
        blockSpread_.add(figures->peak, figures->rms);
    if (block.fitForSpectrum() && timeGridMs == timeGridMs_)
        spectrum_.add(block.levelsForSpectrum());

    blockMoves_.clear();
    MoveFinder::findInReceived(block.level, block.received, settings_, blockMoves_);
    for (const MoveFinder::Move& move : blockMoves_)
        tally_.add(move, number, block.level, timeGridMs);
    return blockMoves_;
}

RunFigures::Values RunAnalysis::figures() const
{
    RunFigures::Values values;
    const std::optional<BlockStats::Figures> f = sums_.figures();
    values[Id::Samples] = plain(Quantity::of(f ? double(f->samples) : 0));
    if (f) {
        values[Id::Min] = plain(Quantity::of(f->minimum));
        values[Id::Max] = plain(Quantity::of(f->maximum));
        values[Id::Peak] = blockSpread_.peak();
        values[Id::Peak].value = Quantity::of(f->peak);
        values[Id::Mean] = plain(Quantity::of(f->mean));
        values[Id::Rms] = blockSpread_.rms();
        values[Id::Rms].value = Quantity::of(f->rms);
        values[Id::Sd] = plain(Quantity::of(f->standardDeviation));
    } else {
        for (const Id id : {Id::Min, Id::Max, Id::Peak, Id::Mean, Id::Rms, Id::Sd}) {
            const Quantity none = Quantity::none(Missing::NoSamples);
            values[id] = {none, none, none};
        }
    }
    values[Id::Moves] = plain(Quantity::of(double(tally_.moves())));
    values[Id::Settled] = plain(Quantity::of(double(tally_.settled())));
    values[Id::SettleMs] = tally_.settleMs();
    values[Id::SettleMsMax] = plain(tally_.longestSettleMs());
    values[Id::OvershootPct] = tally_.overshootPct();
    values[Id::OvershootPctMax] = plain(tally_.largestOvershootPct());
    values[Id::DampingRatio] = tally_.dampingRatio();
    values[Id::RingingHz] = tally_.ringingHz();

    const bool hasGrid = timeGridMs_ > 0;
    const Missing noSpectrum = !f ? Missing::NoSamples : Missing::NoWholeBlock;
    const std::optional<Spectrum::Peak> peak = spectrum_.dominant();
    const auto spectral = [&](std::optional<double> number, bool needsGrid) {
        if (spectrum_.blocks() == 0)
            return plain(Quantity::none(noSpectrum));
        if (needsGrid && !hasGrid)
            return plain(Quantity::none(Missing::NoGrid));
        return plain(number ? Quantity::of(*number) : Quantity::none(Missing::NoStandout));
    };
    values[Id::FrequencyHz] = spectral(
        peak && hasGrid ? std::optional(peak->frequencyHz(timeGridMs_)) : std::nullopt, true);
    values[Id::FrequencyAmplitude] =
        spectral(peak ? std::optional(peak->amplitude) : std::nullopt, false);
    values[Id::FrequencyResolutionHz] =
        hasGrid ? plain(Quantity::of(Spectrum::resolutionHz(timeGridMs_)))
                : plain(Quantity::none(blocks_ == 0 ? Missing::NoSamples : Missing::NoGrid));
    values[Id::NyquistHz] =
        hasGrid ? plain(Quantity::of(Spectrum::nyquistHz(timeGridMs_)))
                : plain(Quantity::none(blocks_ == 0 ? Missing::NoSamples : Missing::NoGrid));
    return values;
}
