// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/RunAnalysis.h"

#include "capture/CaptureCsv.h"


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
    BlockStats::Accumulator sums;
    std::array<int, kSamples> levels{};
    std::array<bool, kSamples> received{};
    bool whole = true;
    for (std::size_t i = 0; i < kSamples; ++i) {
        if (values[i] == CaptureCsv::kMissing) {
            whole = false;
            continue;
        }
        received[i] = true;
        sums.add(values[i]);
        levels[i] = CaptureCsv::levelOfValue(values[i]);
    }
    sums_.add(sums);
    const std::optional<BlockStats::Figures> figures = sums.figures();
    history_.add(number, figures ? figures->samples : 0,
                 figures ? figures->rms * figures->rms * static_cast<double>(figures->samples) : 0,
                 figures ? figures->peak : 0);
    if (whole)
        spectrum_.add(levels);

    blockMoves_.clear();
    MoveFinder::findInReceived(levels, received, settings_, blockMoves_);
    for (const MoveFinder::Move& move : blockMoves_)
        tally_.add(move, number, levels);
    return blockMoves_;
}

RunFigures::Values RunAnalysis::figures() const
{
    RunFigures::Values values;
    const auto set = [&values](std::string_view name, std::optional<double> value) {
        values[*RunFigures::indexOf(name)] = value;
    };
    if (const std::optional<BlockStats::Figures> f = sums_.figures()) {
        set("samples", static_cast<double>(f->samples));
        set("min", f->minimum);
        set("max", f->maximum);
        set("peak", f->peak);
        set("mean", f->mean);
        set("rms", f->rms);
        set("sd", f->standardDeviation);
    }
    const auto inMs = [this](std::optional<double> samples) -> std::optional<double> {
        if (!samples)
            return std::nullopt;
        return *samples * timeGridMs_;
    };
    set("moves", static_cast<double>(tally_.moves()));
    set("settled", static_cast<double>(tally_.settled()));
    set("settle_ms", inMs(tally_.medianSettleSamples()));
    const std::optional<int> longest = tally_.longestSettleSamples();
    set("settle_ms_max", inMs(longest ? std::optional<double>(*longest) : std::nullopt));
    set("overshoot_pct", tally_.medianOvershootPct());
    set("overshoot_pct_max", tally_.largestOvershootPct());
    set("damping_ratio", tally_.medianDampingRatio());
    set("ringing_hz", tally_.medianRingingHz(timeGridMs_));
    if (blocks_ > 0 && timeGridMs_ > 0) {
        if (const std::optional<Spectrum::Peak> peak = spectrum_.dominant(timeGridMs_)) {
            set("frequency_hz", peak->frequencyHz);
            set("frequency_amplitude", peak->amplitude);
        }
        set("frequency_resolution_hz", Spectrum::resolutionHz(timeGridMs_));
        set("nyquist_hz", Spectrum::nyquistHz(timeGridMs_));
    }
    return values;
}

RunAnalysis::Values RunAnalysis::valuesOf(const SampleBlock& block)
{
    Values values;
    for (int sample = 1; sample <= kSamples; ++sample) {
        const std::optional<quint8>& value = block.entry[static_cast<std::size_t>(sample)];
        values[static_cast<std::size_t>(sample - 1)] = value ? *value : CaptureCsv::kMissing;
    }
    return values;
}
