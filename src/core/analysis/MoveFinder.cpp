// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/MoveFinder.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace MoveFinder {
namespace {
// Follows the move that starts at `start` to its settling or the stretch's end.
Move follow(std::span<const int> levels, int start, const Settings& settings)
{
    Move move;
    move.start = start;
    move.peakAt = start;
    move.peak = levels[static_cast<std::size_t>(start)];
    // Samples within W count for the overshoot only once a sample beyond W shows that they were
    // not the settling's hold.
    int inWindow = 0;
    int heldOvershoot = 0;
    int heldOvershootAt = -1;
    const auto takeOvershoot = [&move](int e, int at) {
        if (e != 0 && (e > 0) != (move.peak > 0) && std::abs(e) > std::abs(move.overshoot)) {
            move.overshoot = e;
            move.overshootAt = at;
        }
    };
    const int end = static_cast<int>(levels.size());
    for (int i = start; i < end; ++i) {
        const int e = levels[static_cast<std::size_t>(i)];
        if (std::abs(e) <= settings.window) {
            // Never the peak (that is beyond T), so the hold that settles the move follows it.
            if (++inWindow == settings.hold) {
                move.settleAt = i - settings.hold + 1;
                return move;
            }
            if (e != 0 && (e > 0) != (move.peak > 0) && std::abs(e) > std::abs(heldOvershoot)) {
                heldOvershoot = e;
                heldOvershootAt = i;
            }
            continue;
        }
        if (inWindow > 0 && heldOvershootAt >= 0)
            takeOvershoot(heldOvershoot, heldOvershootAt);
        inWindow = 0;
        heldOvershoot = 0;
        heldOvershootAt = -1;
        if (std::abs(e) > std::abs(move.peak)) {
            move.peak = e;
            move.peakAt = i;
            // A new peak starts the search for its overshoot afresh.
            move.overshoot = 0;
            move.overshootAt = -1;
        } else {
            takeOvershoot(e, i);
        }
    }
    // The stretch ended before the hold was complete: those samples were no settling either.
    if (heldOvershootAt >= 0)
        takeOvershoot(heldOvershoot, heldOvershootAt);
    return move;
}
} // namespace

void findIn(std::span<const int> levels, int firstSample, const Settings& settings,
            std::vector<Move>& moves)
{
    const int end = static_cast<int>(levels.size());
    const auto outside = [&](int i) {
        return std::abs(levels[static_cast<std::size_t>(i)]) > settings.window;
    };
    int i = 0;
    while (i < end && outside(i))
        ++i;
    int runStart = -1; // the first sample of the current run beyond W
    while (i < end) {
        if (!outside(i)) {
            runStart = -1;
            ++i;
            continue;
        }
        if (runStart < 0)
            runStart = i;
        if (std::abs(levels[static_cast<std::size_t>(i)]) <= settings.threshold) {
            ++i;
            continue;
        }
        Move move = follow(levels, runStart, settings);
        i = move.settleAt ? *move.settleAt + settings.hold : end;
        runStart = -1;
        move.start += firstSample;
        move.peakAt += firstSample;
        if (move.overshootAt >= 0)
            move.overshootAt += firstSample;
        if (move.settleAt)
            *move.settleAt += firstSample;
        move.seenUntil = end + firstSample;
        moves.push_back(move);
    }
}

void findInReceived(std::span<const int> levels, std::span<const bool> received,
                    const Settings& settings, std::vector<Move>& moves)
{
    const int end = static_cast<int>(levels.size());
    for (int start = 0; start < end;) {
        int stop = start;
        while (stop < end && received[static_cast<std::size_t>(stop)])
            ++stop;
        if (stop > start)
            findIn(levels.subspan(static_cast<std::size_t>(start),
                                  static_cast<std::size_t>(stop - start)),
                   start, settings, moves);
        start = stop + 1;
    }
}

double dampingRatio(double overshootFraction)
{
    if (overshootFraction >= 1)
        return 0;
    const double logOs = std::log(overshootFraction);
    return -logOs / std::sqrt(std::numbers::pi * std::numbers::pi + logOs * logOs);
}

bool rings(const Move& move, const Settings& settings)
{
    return move.overshootAt >= 0 && std::abs(move.overshoot) > settings.window;
}

double ringingHz(int halfPeriodSamples, double timeGridMs)
{
    return 1000.0 / (2.0 * halfPeriodSamples * timeGridMs);
}

Figures figuresOf(const Move& move, double timeGridMs, const Settings& settings)
{
    Figures f;
    f.peak = move.peak;
    f.overshootPct = 100.0 * std::abs(move.overshoot) / std::abs(move.peak);
    f.settled = move.settleAt.has_value();
    if (rings(move, settings))
        f.dampingRatio = dampingRatio(f.overshootPct / 100.0);
    if (!(timeGridMs > 0))
        return f;
    const auto msFromStart = [&](int at) { return (at - move.start) * timeGridMs; };
    f.startMs = (move.start + 1) * timeGridMs;
    f.peakMs = msFromStart(move.peakAt);
    if (move.overshootAt >= 0)
        f.overshootMs = msFromStart(move.overshootAt);
    if (move.settleAt)
        f.settleMs = msFromStart(*move.settleAt);
    if (rings(move, settings))
        f.ringingHz = ringingHz(move.overshootAt - move.peakAt, timeGridMs);
    return f;
}
} // namespace MoveFinder
