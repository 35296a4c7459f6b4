// SPDX-License-Identifier: GPL-3.0-or-later
// The tracking error of a simulated servo axis, one byte per sample, centred on 128.
//
// The axis makes point-to-point moves with a trapezoidal velocity profile every 0.6 to 1.0 s of
// chip time. The actual position follows the commanded one through an under-damped
// second-order loop, so the error (commanded minus actual) shows a following error while the
// axis travels, overshoot and decaying ringing when it accelerates or stops, and a little noise
// at rest. The whole sequence is fixed by the seed and the sample period.
//
// Given a KnownSignalShape with moves or an oscillation, the axis makes those instead (see
// KnownSignal), with their noise.
#pragma once

#include "KnownSignal.h"
#include "SimRandom.h"

#include <chrono>
#include <cstdint>
#include <optional>

namespace kdsp {

class ServoSignal
{
public:
    // samplePeriod is the chip time between two samples; zero or less is taken as the shortest
    // period the chip knows (timing digit 1).
    ServoSignal(std::uint64_t seed, std::chrono::nanoseconds samplePeriod,
                const KnownSignalShape& known = {});

    // The next sample of tracking error.
    std::uint8_t next();

    // How many samples next() has produced (or skipTo() has passed over).
    std::uint64_t sampleIndex() const { return m_index; }

    // Index of the sample at which the next move begins; always >= sampleIndex(). The sample
    // at this index is the first one taken with the new move under way.
    std::uint64_t nextMoveStart() const
    {
        return m_known ? m_known->nextPeriodStart(m_index) : m_nextMoveStart;
    }

    // Runs the axis on, without keeping the samples, until sampleIndex() == index.
    void skipTo(std::uint64_t index);

    std::chrono::nanoseconds samplePeriod() const { return m_samplePeriod; }

private:
    void startMove();
    double commandedOffset(double elapsed) const;
    void advanceOneSample();

    SimRandom m_random;
    std::chrono::nanoseconds m_samplePeriod;
    std::optional<KnownSignal> m_known;
    double m_knownNoiseSteps = 0;
    double m_substep;

    std::uint64_t m_index = 0;
    std::uint64_t m_nextMoveStart = 0;

    // The current (or last) move: from m_moveOrigin by m_moveDirection * m_moveDistance counts.
    double m_moveOrigin = 0.0;
    double m_moveDirection = 1.0;
    double m_moveDistance = 0.0;
    double m_accelTime = 0.0;
    double m_cruiseTime = 0.0;
    double m_peakSpeed = 0.0;
    std::uint64_t m_moveSubsteps = 0; // substeps since the current move began

    // The actual axis position and speed, in counts and counts per second.
    double m_position = 0.0;
    double m_speed = 0.0;
    double m_commanded = 0.0;
};

} // namespace kdsp
