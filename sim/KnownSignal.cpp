// SPDX-License-Identifier: GPL-3.0-or-later
#include "KnownSignal.h"

#include <cmath>

namespace kdsp {

namespace {
constexpr double kPi = 3.14159265358979323846;
// Moves before these many periods back have died away (e^-27 of their step, at the least
// damping that settles within a block) and are no longer added up.
constexpr std::uint64_t kMovesAddedUp = 4;
} // namespace

double secondOrderStepError(double step, double dampingRatio, double naturalHz, double seconds)
{
    if (seconds < 0)
        return 0;
    const double omega = 2 * kPi * naturalHz;
    const double root = std::sqrt(1 - dampingRatio * dampingRatio);
    const double damped = omega * root;
    return step * std::exp(-dampingRatio * omega * seconds) *
           (std::cos(damped * seconds) + dampingRatio / root * std::sin(damped * seconds));
}

KnownSignal::KnownSignal(const KnownSignalShape& shape, std::chrono::nanoseconds samplePeriod)
    : shape_(shape), samplePeriodSeconds_(std::chrono::duration<double>(samplePeriod).count())
{
}

double KnownSignal::levelAt(std::uint64_t index) const
{
    double level = shape_.toneSteps * std::sin(2 * kPi * shape_.toneHz *
                                               static_cast<double>(index) * samplePeriodSeconds_);
    if (shape_.stepSteps == 0 || index < kMoveLead)
        return level;
    // The loop is linear: the error is the sum of what each move left, the last one first.
    const std::uint64_t last = (index - kMoveLead) / shape_.moveEvery;
    for (std::uint64_t move = last + 1; move-- > 0 && last - move < kMovesAddedUp;) {
        const double step = move % 2 == 0 ? shape_.stepSteps : -shape_.stepSteps;
        const auto since = static_cast<double>(index - kMoveLead - move * shape_.moveEvery);
        level += secondOrderStepError(step, shape_.dampingRatio, shape_.naturalHz,
                                      since * samplePeriodSeconds_);
    }
    return level;
}

std::uint64_t KnownSignal::nextPeriodStart(std::uint64_t index) const
{
    return (index + shape_.moveEvery - 1) / shape_.moveEvery * shape_.moveEvery;
}

} // namespace kdsp
