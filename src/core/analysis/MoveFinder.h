// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Moves and their settling, found from the tracking error alone. Within a stretch of contiguous
// samples (a block, or the part of one between missing samples), a move is where |e| exceeds the
// move threshold T; it starts at the first sample of the run with |e| > W (the in-position window)
// that leads up to it, and settles at the first sample after its peak from which H samples in a
// row lie within +-W. An excursion already under way at the stretch's first sample is cut and
// not reported, as its start is unknown. The search for the next move goes on after the hold.

#include <optional>
#include <span>
#include <vector>

namespace MoveFinder {
struct Settings
{
    static constexpr double kDefaultWindow = 2;
    static constexpr double kDefaultThreshold = 10;
    static constexpr int kDefaultHold = 10;

    double window = kDefaultWindow;       // W, steps
    double threshold = kDefaultThreshold; // T, steps
    int hold = kDefaultHold;              // H, samples
};

// A move in sample positions within its block (0-based); levels in encoder steps.
struct Move
{
    int start = 0;
    int peakAt = 0;
    int peak = 0;                // signed: the sample of largest |e| from the start to the settling
    int overshootAt = -1;        // -1: no sample of the opposite sign before the settling
    int overshoot = 0;           // signed, opposite to the peak; 0 when there is none
    std::optional<int> settleAt; // none: the stretch ended first
    int seenUntil = 0;           // the end of its stretch: the move was followed up to here
};

// A stretch's levels (encoder steps); the moves are appended to `moves` with their positions
// offset by `firstSample` (the stretch's place in its block).
void findIn(std::span<const int> levels, int firstSample, const Settings& settings,
            std::vector<Move>& moves);
// A block's levels, some not received: each stretch of received samples is searched on its own,
// a sample not received ending a stretch as a block's end does.
void findInReceived(std::span<const int> levels, std::span<const bool> received,
                    const Settings& settings, std::vector<Move>& moves);

// The second-order relation between overshoot and damping: zeta = -ln(OS) / sqrt(pi^2 + ln^2 OS)
// with OS the overshoot as a fraction of the peak (0 < OS < 1; 1 or more gives 0).
double dampingRatio(double overshootFraction);

// A move rings when its overshoot goes beyond the in-position window: then the time from its
// peak to its overshoot is half a period of the ringing, and its overshoot gives its damping.
bool rings(const Move& move, const Settings& settings);
// The ringing's frequency from that half period.
double ringingHz(int halfPeriodSamples, double timeGridMs);

// A move's figures in milliseconds and percent, as reported. Times within a block are sample
// k (counted from 1) at k x grid; the move's own times are from its start.
struct Figures
{
    std::optional<double> startMs;
    int peak = 0;
    std::optional<double> peakMs;
    double overshootPct = 0;
    std::optional<double> overshootMs;
    std::optional<double> settleMs;
    bool settled = false;
    std::optional<double> ringingHz;    // only where the overshoot exceeds W
    std::optional<double> dampingRatio; // the same
};
// With no time grid (0: the chip's timing was not answered) the times and the ringing are left
// empty, as no number of milliseconds would be true.
Figures figuresOf(const Move& move, double timeGridMs, const Settings& settings);
} // namespace MoveFinder
